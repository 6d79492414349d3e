#include "formats/LibraryDecoding.h"

#include "formats/GraphicStrings.h"
#include "platform/Exceptions.h"
#include "platform/PictureLimits.h"
#include "platform/StringFormat.h"

#include <utility>

std::vector<uint8_t> ReadRemainingBytes(TStream& stream) {
    std::vector<uint8_t> bytes(size_t(stream.Remaining()));
    stream.ReadBuffer(bytes.data(), int64_t(bytes.size()));
    return bytes;
}

void CheckPictureSize(int64_t width, int64_t height, const char* formatName) {
    if (!MayAllocatePicture(width, height))
        LibraryRefusal(formatName);
}

void SizeDecodedPicture(TBitmap& bitmap, int64_t width, int64_t height, bool alpha,
                        const char* formatName) {
    CheckPictureSize(width, height, formatName);
    bitmap.SetPixelFormat(alpha ? TPixelFormat::pf32bit : TPixelFormat::pf24bit);
    bitmap.SetSize(int32_t(width), int32_t(height));
}

void WhitenTransparentPicture(TBitmap& bitmap) {
    if (bitmap.PixelFormat() != TPixelFormat::pf32bit)
        return;
    for (int32_t y = 0; y < bitmap.Height(); ++y) {
        const uint8_t* row = bitmap.ScanLine(y);
        for (int32_t x = 0; x < bitmap.Width(); ++x)
            if (row[x * 4 + 3] != 0)
                return;
    }
    const int32_t width = bitmap.Width(), height = bitmap.Height();
    bitmap.ReleaseImage();
    bitmap.SetPixelFormat(TPixelFormat::pf24bit);
    bitmap.SetSize(width, height);
    bitmap.Fill({255, 255, 255});
}

void SwapRedAndBlue(TBitmap& bitmap) {
    const size_t step = bitmap.PixelFormat() == TPixelFormat::pf32bit ? 4 : 3;
    const size_t rowBytes = size_t(bitmap.Width()) * step;
    for (int32_t y = 0; y < bitmap.Height(); ++y) {
        uint8_t* row = bitmap.ScanLine(y);
        for (size_t i = 0; i < rowBytes; i += step)
            std::swap(row[i], row[i + 2]);
    }
}

void LibraryRefusal(const char* formatName) {
    throw EInvalidGraphic(Format(gesInvalidImage, formatName));
}
