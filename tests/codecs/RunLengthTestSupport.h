#pragma once

// Shared frame of the byte-oriented run-length decoder tests: decode a packed sequence into a
// buffer of a given size with a guard byte behind it, and check that neither source nor dest
// moved (these decoders do not advance them).

#include "codecs/Decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

constexpr uint8_t RunLengthCanary = 0xEE;

struct TRunLengthCase {
    std::vector<uint8_t> Packed;
    int32_t UnpackedSize;
    std::vector<uint8_t> Expected; // the whole output buffer, untouched bytes as the canary
};

inline std::vector<uint8_t> DecodeBytes(TDecoder& decoder, const std::vector<uint8_t>& packed,
                                        int32_t unpackedSize) {
    std::vector<uint8_t> output(static_cast<size_t>(std::max(unpackedSize, 0)) + 1,
                                RunLengthCanary);
    const uint8_t* source = packed.data();
    uint8_t* dest = output.data();
    decoder.Decode(source, dest, static_cast<int32_t>(packed.size()), unpackedSize);
    EXPECT_EQ(source, packed.data());
    EXPECT_EQ(dest, output.data());
    EXPECT_EQ(output.back(), RunLengthCanary) << "wrote past the unpacked size";
    output.pop_back();
    return output;
}

inline void ExpectCases(TDecoder& decoder, const std::vector<TRunLengthCase>& cases) {
    for (size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(DecodeBytes(decoder, cases[i].Packed, cases[i].UnpackedSize), cases[i].Expected)
            << "case " << i;
}
