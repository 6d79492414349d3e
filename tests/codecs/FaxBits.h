#pragma once

// Spelling out fax code streams for the decoder tests.

#include "codecs/Decoder.h"

#include <cstdint>
#include <string>
#include <vector>

// Bits written as text, most significant first; spaces are ignored, the end padded with 0.
inline std::vector<uint8_t> Bits(const std::string& text) {
    std::vector<uint8_t> bytes;
    int count = 0;
    for (const char c : text) {
        if (c == ' ')
            continue;
        if (count % 8 == 0)
            bytes.push_back(0);
        if (c == '1')
            bytes.back() |= uint8_t(0x80 >> (count % 8));
        ++count;
    }
    return bytes;
}

// What the decoder makes of PACKED in UNPACKED bytes that start out as 0xAA.
inline std::vector<uint8_t> DecodeFax(TDecoder& decoder, const std::vector<uint8_t>& packed,
                                      size_t unpacked) {
    std::vector<uint8_t> dest(unpacked, 0xAA);
    const uint8_t* source = packed.data();
    uint8_t* target = dest.data();
    decoder.Decode(source, target, int32_t(packed.size()), int32_t(dest.size()));
    return dest;
}
