#include "formats/LibraryDecoding.h"

#include "formats/GraphicStrings.h"
#include "platform/Exceptions.h"
#include "platform/StringFormat.h"

#if defined(__x86_64__)
#include <tmmintrin.h>
#endif

void CheckPictureSize(int64_t width, int64_t height, const char* formatName) {
    if (!MayAllocatePicture(width, height))
        LibraryRefusal(formatName);
}

TPictureCharge ChargeLibraryMemory(int64_t width, int64_t height, int64_t bytesPerPixel) {
    return TPictureCharge(width * height * bytesPerPixel); // sizes have passed the gate
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

#if defined(__x86_64__)
namespace {
// Sixteen bytes at a time, five 3-byte pixels or four 4-byte ones with red and blue
// exchanged; byte 15 of a 3-byte step stays where it is and the next step, which starts
// there, writes it again.
__attribute__((target("ssse3"))) size_t SwapSixteens(const uint8_t* source, uint8_t* target,
                                                     size_t count, size_t channels) {
    const __m128i mask = channels == 4
                             ? _mm_setr_epi8(2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15)
                             : _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
    const size_t step = channels == 4 ? 4 : 5;
    size_t done = 0;
    for (; (count - done) * channels >= 16; done += step) {
        const size_t offset = done * channels;
        const __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + offset));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(target + offset), _mm_shuffle_epi8(in, mask));
    }
    return done;
}
} // namespace
#endif

void CopyRedFirstPixels(const uint8_t* source, uint8_t* target, size_t count, size_t channels) {
    size_t done = 0;
#if defined(__x86_64__)
    if (__builtin_cpu_supports("ssse3"))
        done = SwapSixteens(source, target, count, channels);
#endif
    for (size_t i = done * channels; done < count; ++done, i += channels) {
        const uint8_t red = source[i];
        target[i + 1] = source[i + 1];
        if (channels == 4)
            target[i + 3] = source[i + 3];
        target[i] = source[i + 2];
        target[i + 2] = red;
    }
}

void LibraryRefusal(const char* formatName) {
    throw EInvalidGraphic(Format(gesInvalidImage, formatName));
}
