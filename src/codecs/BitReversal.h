#pragma once

#include <array>
#include <cstdint>

// Each byte value with its bits in the opposite order: data stored with fill order 2 (the
// first pixel in the least significant bit) read as if stored with the first pixel first.
inline constexpr std::array<uint8_t, 256> BitReversal = [] {
    std::array<uint8_t, 256> table{};
    for (int i = 0; i < 256; ++i)
        for (int b = 0; b < 8; ++b)
            if (i & (1 << b))
                table[size_t(i)] |= uint8_t(0x80 >> b);
    return table;
}();
