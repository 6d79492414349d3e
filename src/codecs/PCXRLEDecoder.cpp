#include "codecs/PCXRLEDecoder.h"

#include <algorithm>
#include <cstring>

void TPCXRLEDecoder::Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize,
                            int32_t unpackedSize) {
    const uint8_t* input = source;
    const uint8_t* const inputEnd = source + std::max(packedSize, 0);
    uint8_t* output = dest;
    int32_t outputLeft = std::max(unpackedSize, 0);
    while (outputLeft > 0 && input < inputEnd) {
        const uint8_t b = *input++;
        if (b < 0xC0) {
            *output++ = b;
            --outputLeft;
            continue;
        }
        if (input == inputEnd)
            break;
        const int32_t count = std::min(b & 0x3F, outputLeft);
        std::memset(output, *input++, static_cast<size_t>(count));
        output += count;
        outputLeft -= count;
    }
}
