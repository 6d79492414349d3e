#include "formats/DibPixels.h"

#include "formats/DibBitFields.h"
#include "formats/DibRle.h"
#include "platform/Bitmap.h"
#include "platform/Exceptions.h"
#include "platform/PictureLimits.h"
#include "platform/Streams.h"

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

void ReadUncompressed(TStream& stream, const TDibHeader& header, const TTarget& target,
                      TBitmap& bitmap) {
    const int64_t fileRowBytes = DibRowBytes(header.Width, header.BitCount);
    if (stream.Remaining() * 2 < fileRowBytes * header.Height)
        throw EInvalidGraphic(SInvalidBitmap);
    PrepareBitmap(bitmap, header, target.Format);

    const bool direct =
        target.Transfer == TRowTransfer::rtCopy || target.Transfer == TRowTransfer::rtCopyOpaque;
    std::vector<uint8_t> fileRow(direct ? 0 : size_t(fileRowBytes));
    const TBitFieldsUnpacker unpacker(header.Masks, header.BitCount);
    const int outPixelBytes = target.Format == TPixelFormat::pf32bit ? 4 : 3;
    const size_t rowBytes = size_t(bitmap.RowBytes());
    int32_t row = 0;
    for (; row < header.Height; ++row) {
        uint8_t* line = bitmap.ScanLine(header.TopDown ? row : header.Height - 1 - row);
        uint8_t* in = direct ? line : fileRow.data();
        const int64_t got = stream.Read(in, fileRowBytes);
        // Whatever the data lacks is zero, also in storage reused from an earlier picture.
        std::memset(in + got, 0, size_t(fileRowBytes - got));
        switch (target.Transfer) {
        case TRowTransfer::rtCopy:
            break;
        case TRowTransfer::rtCopyOpaque:
            ClearAlpha(line, header.Width);
            break;
        case TRowTransfer::rtExpand2To4:
            Expand2To4(in, header.Width, line);
            break;
        case TRowTransfer::rtUnpackMasks:
            unpacker.UnpackRow(in, header.Width, line, outPixelBytes);
            break;
        }
        if (got < fileRowBytes)
            break;
    }
    for (++row; row < header.Height; ++row)
        std::memset(bitmap.ScanLine(header.TopDown ? row : header.Height - 1 - row), 0, rowBytes);
}

void ReadRunLengthEncoded(TStream& stream, const TDibHeader& header, const TTarget& target,
                          TBitmap& bitmap) {
    const int64_t size = stream.Remaining();
    if (int64_t(header.Width) * header.Height > (size + 1) * MaxRlePixelsPerByte)
        throw EInvalidGraphic(SInvalidBitmap);
    std::vector<uint8_t> data(static_cast<size_t>(size));
    stream.ReadBuffer(data.data(), size);
    // Fresh storage: the pixels the codes skip must read as zero.
    bitmap.ReleaseImage();
    PrepareBitmap(bitmap, header, target.Format);
    DecodeDibRle(data.data(), data.size(), header, bitmap);
}

} // namespace

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
