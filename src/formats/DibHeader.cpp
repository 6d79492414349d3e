#include "formats/DibHeader.h"

#include "platform/Bitmap.h"
#include "platform/ByteCursor.h"
#include "platform/Exceptions.h"
#include "platform/StreamBlocks.h"
#include "platform/Streams.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <span>

namespace {

constexpr uint32_t CoreHeaderSize = 12;
constexpr uint32_t InfoHeaderSize = 40;
constexpr uint32_t LargestHeaderSize = 124; // V5

// Compression codes as stored in the header.
constexpr uint32_t BI_RGB = 0;
constexpr uint32_t BI_RLE8 = 1;
constexpr uint32_t BI_RLE4 = 2;
constexpr uint32_t BI_BITFIELDS = 3;
constexpr uint32_t BI_ALPHABITFIELDS = 6;
// OS/2 2.x reuses code 4 for its 24-bit run-length encoding (and 3 for Huffman, not read).
constexpr uint32_t BCA_RLE24 = 4;

bool IsWindowsHeaderSize(uint32_t size) {
    return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

bool IsOs2HeaderSize(uint32_t size) {
    return size == CoreHeaderSize || (size >= 16 && size <= 64 && !IsWindowsHeaderSize(size));
}

TDibCompression CompressionOf(uint32_t code, uint16_t bitCount, bool os2) {
    if (code == BI_RGB)
        return TDibCompression::dcNone;
    if (code == BI_RLE8 && bitCount == 8)
        return TDibCompression::dcRle8;
    if (code == BI_RLE4 && bitCount == 4)
        return TDibCompression::dcRle4;
    if (os2 && code == BCA_RLE24 && bitCount == 24)
        return TDibCompression::dcRle24;
    if (!os2 && (code == BI_BITFIELDS || code == BI_ALPHABITFIELDS) &&
        (bitCount == 16 || bitCount == 32))
        return TDibCompression::dcBitFields;
    throw EInvalidGraphic(SUnsupportedBitmap);
}

bool IsSupportedBitCount(uint16_t bitCount) {
    switch (bitCount) {
    case 1:
    case 2:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        return true;
    default:
        return false;
    }
}

TLogPalette ReadPalette(TStream& stream, uint32_t count, int entrySize, TDibColorTable table) {
    std::array<uint8_t, 256 * 4> raw;
    const TByteCursor entries = ReadBlock(stream, std::span(raw).first(size_t(count) * entrySize),
                                          TByteOrder::boLittleEndian, RaiseInvalidBitmap);
    const TLogPalette& defaults = DefaultPalette16();
    TLogPalette palette(count);
    for (uint32_t i = 0; i < count; ++i) {
        const size_t at = size_t(i) * entrySize;
        if (table == TDibColorTable::dtPaletteIndices) {
            palette[i] = defaults[entries.U16At(at) % defaults.size()];
            continue;
        }
        palette[i] = {entries.U8At(at + 2), entries.U8At(at + 1), entries.U8At(at), 0};
    }
    return palette;
}

} // namespace

void RaiseInvalidBitmap() {
    throw EInvalidGraphic(SInvalidBitmap);
}

TDibHeader ReadDibHeader(TStream& stream, int64_t bitsPosition, TDibColorTable table) {
    std::array<uint8_t, LargestHeaderSize + 16> raw = {};
    const std::span<uint8_t> bytes(raw);
    const uint32_t size =
        ReadBlock(stream, bytes.first(4), TByteOrder::boLittleEndian, RaiseInvalidBitmap).U32();
    const bool os2 = IsOs2HeaderSize(size);
    if (!os2 && !IsWindowsHeaderSize(size))
        RaiseInvalidBitmap();
    ReadBlock(stream, bytes.subspan(4, size - 4), TByteOrder::boLittleEndian, RaiseInvalidBitmap);
    const TByteCursor h(raw, TByteOrder::boLittleEndian, RaiseInvalidBitmap);

    TDibHeader header;
    int64_t width;
    int64_t height;
    uint32_t compression = BI_RGB;
    uint32_t colorsUsed = 0;
    if (size == CoreHeaderSize) {
        width = h.U16At(4);
        height = h.U16At(6);
        header.BitCount = h.U16At(10);
    } else {
        width = h.I32At(4);
        height = h.I32At(8);
        header.BitCount = h.U16At(14);
        compression = h.U32At(16); // zero when a short OS/2 header leaves it out
        colorsUsed = h.U32At(32);
    }
    header.ColorsUsed = colorsUsed;
    if (!IsSupportedBitCount(header.BitCount))
        throw EInvalidGraphic(SUnsupportedBitmap);
    if (width <= 0 || height == 0)
        throw EInvalidGraphic(SInvalidBitmap);
    header.TopDown = height < 0;
    header.Width = int32_t(width);
    header.Height = int32_t(std::min<int64_t>(std::abs(height), INT32_MAX));
    header.Compression = CompressionOf(compression, header.BitCount, os2);

    if (header.Compression == TDibCompression::dcBitFields) {
        // The 40-byte header is followed by three masks (four for BI_ALPHABITFIELDS);
        // the later headers carry all four.
        if (size == InfoHeaderSize) {
            const size_t maskBytes = compression == BI_ALPHABITFIELDS ? 16 : 12;
            ReadBlock(stream, bytes.subspan(InfoHeaderSize, maskBytes), TByteOrder::boLittleEndian,
                      RaiseInvalidBitmap);
        }
        header.Masks = {h.U32At(40), h.U32At(44), h.U32At(48), h.U32At(52)};
    }

    if (header.BitCount <= 8) {
        const uint32_t maxColors = 1u << header.BitCount;
        uint32_t count = colorsUsed == 0 ? maxColors : std::min(colorsUsed, maxColors);
        const int entrySize = table == TDibColorTable::dtPaletteIndices ? 2
                              : size == CoreHeaderSize                  ? 3
                                                                        : 4;
        const int64_t paletteStart = stream.Position();
        if (bitsPosition > paletteStart)
            count = uint32_t(std::min<int64_t>(count, (bitsPosition - paletteStart) / entrySize));
        header.Palette = ReadPalette(stream, count, entrySize, table);
    }
    return header;
}
