#include "codecs/PackbitsRLEDecoder.h"

#include <algorithm>
#include <cstring>

void TPackbitsRLEDecoder::Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize,
                                 int32_t unpackedSize) {
    const uint8_t* input = source;
    uint8_t* output = dest;
    int32_t inputLeft = std::max(packedSize, 0);
    int32_t outputLeft = std::max(unpackedSize, 0);
    while (outputLeft > 0 && inputLeft > 0) {
        const int8_t n = static_cast<int8_t>(*input++);
        --inputLeft;
        if (n >= 0) {
            const int32_t count = std::min({n + 1, outputLeft, inputLeft});
            std::memcpy(output, input, static_cast<size_t>(count));
            input += count;
            output += count;
            inputLeft -= count;
            outputLeft -= count;
        } else if (n != -128) {
            if (inputLeft == 0)
                break;
            const int32_t count = std::min(1 - n, outputLeft);
            std::memset(output, *input++, static_cast<size_t>(count));
            --inputLeft;
            output += count;
            outputLeft -= count;
        }
    }
}
