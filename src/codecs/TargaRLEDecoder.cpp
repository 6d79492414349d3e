#include "codecs/TargaRLEDecoder.h"

#include <algorithm>
#include <cstring>

namespace {

uint32_t DecodedBytesPerPixel(uint32_t colorDepth) {
    switch (colorDepth) {
    case 8:
        return 1;
    case 15:
    case 16:
        return 2;
    case 24:
        return 3;
    case 32:
        return 4;
    default:
        return 0;
    }
}

void FillPixels(uint8_t* dest, const uint8_t* pixel, uint32_t bytesPerPixel, uint32_t count) {
    if (count == 0)
        return;
    if (bytesPerPixel == 1) {
        std::memset(dest, pixel[0], count);
        return;
    }
    // Doubling block copies: a run costs a handful of memcpy calls, not one per pixel.
    const size_t total = size_t{count} * bytesPerPixel;
    std::memcpy(dest, pixel, bytesPerPixel);
    for (size_t filled = bytesPerPixel; filled < total;) {
        const size_t chunk = std::min(filled, total - filled);
        std::memcpy(dest + filled, dest, chunk);
        filled += chunk;
    }
}

constexpr uint32_t MaxPacketPixels = 128;

} // namespace

void TTargaRLEDecoder::Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize,
                              int32_t unpackedSize) {
    const uint32_t bytesPerPixel = DecodedBytesPerPixel(ColorDepth);
    if (bytesPerPixel == 0)
        return;
    const uint8_t* input = source;
    const uint8_t* const inputEnd = source + std::max(packedSize, 0);
    uint8_t* output = dest;
    int64_t pixelsLeft = std::max(unpackedSize, 0);
    while (pixelsLeft > 0 && input < inputEnd) {
        const uint8_t header = *input++;
        const uint32_t count = (header & 0x7F) + 1;
        const uint32_t written = static_cast<uint32_t>(std::min<int64_t>(count, pixelsLeft));
        const size_t inputLeft = static_cast<size_t>(inputEnd - input);
        if (header & 0x80) {
            if (inputLeft < bytesPerPixel)
                break;
            FillPixels(output, input, bytesPerPixel, written);
            input += bytesPerPixel;
        } else {
            const size_t present = inputLeft / bytesPerPixel;
            if (present < count) {
                // Cut off by the end of the input: keep the whole pixels it has.
                const size_t copied = std::min<size_t>(written, present);
                std::memcpy(output, input, copied * bytesPerPixel);
                input += present * bytesPerPixel;
                break;
            }
            std::memcpy(output, input, size_t{written} * bytesPerPixel);
            input += size_t{count} * bytesPerPixel;
        }
        output += size_t{written} * bytesPerPixel;
        pixelsLeft -= written;
    }
    source = input;
}

void TTargaRLEDecoder::Encode(const uint8_t* source, uint8_t* dest, uint32_t count,
                              uint32_t& bytesStored) {
    bytesStored = 0;
    const size_t bytesPerPixel = (ColorDepth + 1) / 8;
    if (DecodedBytesPerPixel(ColorDepth) == 0)
        return;
    const auto samePixel = [bytesPerPixel](const uint8_t* a, const uint8_t* b) {
        return std::memcmp(a, b, bytesPerPixel) == 0;
    };
    uint32_t left = count;
    while (left > 0) {
        // Pixels before the first pair of equal neighbours go out raw.
        uint32_t rawCount = 0;
        if (left == 1) {
            rawCount = 1;
        } else {
            const uint32_t scanLimit = std::min(left, MaxPacketPixels + 1);
            while (rawCount + 1 < scanLimit && !samePixel(source + rawCount * bytesPerPixel,
                                                          source + (rawCount + 1) * bytesPerPixel))
                ++rawCount;
            if (rawCount + 1 == left)
                rawCount = left;
        }
        rawCount = std::min(rawCount, MaxPacketPixels);
        if (rawCount > 0) {
            *dest++ = static_cast<uint8_t>(rawCount - 1);
            std::memcpy(dest, source, rawCount * bytesPerPixel);
            dest += rawCount * bytesPerPixel;
            source += rawCount * bytesPerPixel;
            bytesStored += static_cast<uint32_t>(rawCount * bytesPerPixel + 1);
            left -= rawCount;
            continue;
        }
        uint32_t runCount = 1;
        while (runCount < left && runCount < MaxPacketPixels &&
               samePixel(source, source + runCount * bytesPerPixel))
            ++runCount;
        *dest++ = static_cast<uint8_t>((runCount - 1) | 0x80);
        std::memcpy(dest, source + (runCount - 1) * bytesPerPixel, bytesPerPixel);
        dest += bytesPerPixel;
        source += runCount * bytesPerPixel;
        bytesStored += static_cast<uint32_t>(bytesPerPixel + 1);
        left -= runCount;
    }
}
