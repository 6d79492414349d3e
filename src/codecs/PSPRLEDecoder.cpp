#include "codecs/PSPRLEDecoder.h"

#include <algorithm>
#include <cstring>

void TPSPRLEDecoder::Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize,
                            int32_t unpackedSize) {
    const uint8_t* input = source;
    uint8_t* output = dest;
    int32_t inputLeft = std::max(packedSize, 0);
    int32_t outputLeft = std::max(unpackedSize, 0);
    while (inputLeft > 0 && outputLeft > 0) {
        const uint8_t b = *input++;
        --inputLeft;
        if (b < 0x80) {
            const int32_t count = std::min({int32_t{b}, inputLeft, outputLeft});
            std::memcpy(output, input, static_cast<size_t>(count));
            input += count;
            inputLeft -= count;
            output += count;
            outputLeft -= count;
        } else {
            if (inputLeft == 0)
                break;
            const int32_t count = std::min(b - 0x80, outputLeft);
            std::memset(output, *input++, static_cast<size_t>(count));
            --inputLeft;
            output += count;
            outputLeft -= count;
        }
    }
    LastUnpacked = int32_t(output - dest);
}
