#include "formats/DibPixels.h"

#include "formats/DibBitFields.h"
#include "formats/DibRle.h"
#include "platform/Bitmap.h"
#include "platform/Exceptions.h"
#include "platform/PictureLimits.h"
#include "platform/StreamBlocks.h"
#include "platform/Streams.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr TDibChannelMasks Masks555 = {0x7C00, 0x03E0, 0x001F, 0};
constexpr TDibChannelMasks Masks565 = {0xF800, 0x07E0, 0x001F, 0};
constexpr TDibChannelMasks MasksBgrx = {0xFF0000, 0xFF00, 0xFF, 0};
constexpr TDibChannelMasks MasksBgra = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};

// A run-length encoded picture may describe at most this many pixels per byte of data:
// far more than any encoder produces (a delta code skips at most 255 rows in 4 bytes), but
// it keeps a few bytes from claiming a picture of gigabytes.
constexpr int64_t MaxRlePixelsPerByte = 65536;

// How the rows of the file become rows of the bitmap.
enum class TRowTransfer {
    rtCopy,       // same layout: read straight into the scan line
    rtCopyOpaque, // 32-bit without alpha: copy, then clear the unused fourth byte
    rtExpand2To4, // 2-bit indices widened to the 4-bit format
    rtUnpackMasks // arbitrary masks scaled to 8 bits per channel
};

struct TTarget {
    TPixelFormat Format;
    TRowTransfer Transfer;
};

TTarget TargetOf(const TDibHeader& header) {
    switch (header.Compression) {
    case TDibCompression::dcRle4:
        return {TPixelFormat::pf4bit, TRowTransfer::rtCopy};
    case TDibCompression::dcRle8:
        return {TPixelFormat::pf8bit, TRowTransfer::rtCopy};
    case TDibCompression::dcRle24:
        return {TPixelFormat::pf24bit, TRowTransfer::rtCopy};
    default:
        break;
    }
    const bool masked = header.Compression == TDibCompression::dcBitFields;
    switch (header.BitCount) {
    case 1:
        return {TPixelFormat::pf1bit, TRowTransfer::rtCopy};
    case 2:
        return {TPixelFormat::pf4bit, TRowTransfer::rtExpand2To4};
    case 4:
        return {TPixelFormat::pf4bit, TRowTransfer::rtCopy};
    case 8:
        return {TPixelFormat::pf8bit, TRowTransfer::rtCopy};
    case 16:
        if (!masked || header.Masks == Masks555)
            return {TPixelFormat::pf15bit, TRowTransfer::rtCopy};
        if (header.Masks == Masks565)
            return {TPixelFormat::pf16bit, TRowTransfer::rtCopy};
        break;
    case 24:
        return {TPixelFormat::pf24bit, TRowTransfer::rtCopy};
    case 32:
        if (!masked || header.Masks == MasksBgrx)
            return {TPixelFormat::pf32bit, TRowTransfer::rtCopyOpaque};
        if (header.Masks == MasksBgra)
            return {TPixelFormat::pf32bit, TRowTransfer::rtCopy};
        break;
    }
    return {header.Masks.Alpha != 0 ? TPixelFormat::pf32bit : TPixelFormat::pf24bit,
            TRowTransfer::rtUnpackMasks};
}

void PrepareBitmap(TBitmap& bitmap, const TDibHeader& header, TPixelFormat format) {
    if (bitmap.PixelFormat() != format) {
        bitmap.ReleaseImage();
        bitmap.SetPixelFormat(format);
    }
    bitmap.SetPalette(header.Palette);
    bitmap.Transparent = false;
    bitmap.SetSize(header.Width, header.Height);
}

void Expand2To4(const uint8_t* in, int32_t width, uint8_t* out) {
    for (int32_t x = 0; x < width; x += 2) {
        const unsigned pair = in[x >> 2] >> (x & 2 ? 0 : 4); // two 2-bit indices
        out[x >> 1] = uint8_t(((pair >> 2) & 3) << 4 | (pair & 3));
    }
}

void ClearAlpha(uint8_t* row, int32_t width) {
    for (int32_t x = 0; x < width; ++x)
        row[x * 4 + 3] = 0;
}

// Rows whose layout the bitmap shares are read in chunks straight into the scan lines,
// which the bitmap keeps one after the other from the top: a chunk of a bottom-up file lands
// upside down and is turned over while it is still in the cache. Chunks of this size are
// large enough for the file stream to hand them over without its own buffer.
constexpr int64_t ChunkBytes = 256 * 1024;

void ReverseRows(uint8_t* block, int32_t rows, size_t rowBytes, std::vector<uint8_t>& spare) {
    spare.resize(rowBytes);
    for (int32_t top = 0, bottom = rows - 1; top < bottom; ++top, --bottom) {
        uint8_t* a = block + size_t(top) * rowBytes;
        uint8_t* b = block + size_t(bottom) * rowBytes;
        std::memcpy(spare.data(), a, rowBytes);
        std::memcpy(a, b, rowBytes);
        std::memcpy(b, spare.data(), rowBytes);
    }
}

// Returns false when the data ended inside the chunk; what it lacked is zero.
bool ReadRowsInPlace(TStream& stream, const TDibHeader& header, bool opaque, int32_t first,
                     int32_t count, TBitmap& bitmap, std::vector<uint8_t>& spare) {
    const size_t rowBytes = size_t(bitmap.RowBytes());
    const int32_t lowest = header.TopDown ? first : header.Height - first - count;
    uint8_t* block = bitmap.ScanLine(lowest);
    const int64_t bytes = int64_t(rowBytes) * count;
    const int64_t got = stream.Read(block, bytes);
    // Zero also clears what storage reused from an earlier picture still held.
    std::memset(block + got, 0, size_t(bytes - got));
    if (!header.TopDown)
        ReverseRows(block, count, rowBytes, spare);
    if (opaque)
        for (int32_t row = 0; row < count; ++row)
            ClearAlpha(block + size_t(row) * rowBytes, header.Width);
    return got == bytes;
}

// Returns false when the data ended inside the row; what it lacked is zero.
bool ReadRowConverted(TStream& stream, const TDibHeader& header, const TTarget& target,
                      const TBitFieldsUnpacker& unpacker, std::vector<uint8_t>& fileRow,
                      uint8_t* line) {
    const int64_t got = stream.Read(fileRow.data(), int64_t(fileRow.size()));
    std::memset(fileRow.data() + got, 0, size_t(int64_t(fileRow.size()) - got));
    if (target.Transfer == TRowTransfer::rtExpand2To4)
        Expand2To4(fileRow.data(), header.Width, line);
    else
        unpacker.UnpackRow(fileRow.data(), header.Width, line,
                           target.Format == TPixelFormat::pf32bit ? 4 : 3);
    return got == int64_t(fileRow.size());
}

void ReadUncompressed(TStream& stream, const TDibHeader& header, const TTarget& target,
                      TBitmap& bitmap) {
    const int64_t fileRowBytes = DibRowBytes(header.Width, header.BitCount);
    CheckUncompressedDibData(stream, header);
    PrepareBitmap(bitmap, header, target.Format);

    const bool direct =
        target.Transfer == TRowTransfer::rtCopy || target.Transfer == TRowTransfer::rtCopyOpaque;
    const int32_t chunkRows =
        direct ? int32_t(std::clamp<int64_t>(ChunkBytes / fileRowBytes, 1, header.Height)) : 1;
    const TBitFieldsUnpacker unpacker(header.Masks, header.BitCount);
    std::vector<uint8_t> spare(direct ? 0 : size_t(fileRowBytes));
    int32_t row = 0;
    bool complete = true;
    while (row < header.Height && complete) {
        const int32_t count = std::min(chunkRows, header.Height - row);
        if (direct)
            complete =
                ReadRowsInPlace(stream, header, target.Transfer == TRowTransfer::rtCopyOpaque, row,
                                count, bitmap, spare);
        else
            complete =
                ReadRowConverted(stream, header, target, unpacker, spare,
                                 bitmap.ScanLine(header.TopDown ? row : header.Height - 1 - row));
        row += count;
    }
    const size_t rowBytes = size_t(bitmap.RowBytes());
    for (; row < header.Height; ++row)
        std::memset(bitmap.ScanLine(header.TopDown ? row : header.Height - 1 - row), 0, rowBytes);
}

void ReadRunLengthEncoded(TStream& stream, const TDibHeader& header, const TTarget& target,
                          TBitmap& bitmap) {
    const int64_t pixels = int64_t(header.Width) * header.Height;
    // Even stored pixel by pixel with an end of line per row, no picture needs more data
    // than this; the bound keeps a huge file from being read in whole.
    const int64_t neededAtMost = pixels * 4 + int64_t(header.Height) * 4 + 16;
    const int64_t size = std::min(stream.Remaining(), neededAtMost);
    if (pixels > (size + 1) * MaxRlePixelsPerByte)
        throw EInvalidGraphic(SInvalidBitmap);
    const TPictureMemory data(static_cast<size_t>(size));
    stream.ReadBuffer(data.Data(), size);
    // Fresh storage: the pixels the codes skip must read as zero.
    bitmap.ReleaseImage();
    PrepareBitmap(bitmap, header, target.Format);
    DecodeDibRle(data.Data(), data.Size(), header, bitmap);
}

} // namespace

bool DibRowsArePlainColour(const TDibHeader& header) {
    return header.Compression == TDibCompression::dcNone && header.BitCount == 24;
}

void CheckUncompressedDibData(TStream& stream, const TDibHeader& header) {
    const int64_t fileRowBytes = DibRowBytes(header.Width, header.BitCount);
    if (!MayAllocatePicture(header.Width, header.Height) ||
        !StreamHolds(stream, uint64_t(fileRowBytes * header.Height + 1) / 2))
        throw EInvalidGraphic(SInvalidBitmap);
}

// A chunk of rows at a time, which the file stream hands over without its own buffer, then
// each row without its padding to where it belongs.
void ReadPlainDibRows(TStream& stream, const TDibHeader& header,
                      const std::function<uint8_t*(int32_t)>& rowAt) {
    const size_t fileRowBytes = size_t(DibRowBytes(header.Width, header.BitCount));
    const size_t pixelBytes = size_t(header.Width) * 3;
    const int32_t chunkRows =
        int32_t(std::clamp<int64_t>(ChunkBytes / int64_t(fileRowBytes), 1, header.Height));
    std::vector<uint8_t> chunk(fileRowBytes * size_t(chunkRows));
    for (int32_t first = 0; first < header.Height; first += chunkRows) {
        const int32_t count = std::min(chunkRows, header.Height - first);
        const int64_t bytes = int64_t(fileRowBytes) * count;
        const int64_t got = stream.Read(chunk.data(), bytes);
        std::memset(chunk.data() + got, 0, size_t(bytes - got));
        for (int32_t i = 0; i < count; ++i) {
            const int32_t stored = first + i;
            std::memcpy(rowAt(header.TopDown ? stored : header.Height - 1 - stored),
                        chunk.data() + size_t(i) * fileRowBytes, pixelBytes);
        }
    }
}

void ReadDibPixels(TStream& stream, const TDibHeader& header, TBitmap& bitmap) {
    if (!MayAllocatePicture(header.Width, header.Height))
        throw EInvalidGraphic(SInvalidBitmap);
    const TTarget target = TargetOf(header);
    if (header.Compression == TDibCompression::dcNone ||
        header.Compression == TDibCompression::dcBitFields)
        ReadUncompressed(stream, header, target, bitmap);
    else
        ReadRunLengthEncoded(stream, header, target, bitmap);
}
