#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

// Arithmetic shared by the colour manager and its row routines.

// A 16-bit a*b/c with the product taken wide enough not to overflow and the quotient
// truncated; the result keeps its low 16 bits. c must not be 0.
inline uint16_t MulDiv16(uint32_t a, uint32_t b, uint32_t c) {
    return static_cast<uint16_t>((uint64_t(uint16_t(a)) * uint16_t(b)) / uint16_t(c));
}

// 8-bit to 16-bit sample: MulDiv16(v, 65535, 255), which is v * 257.
inline uint16_t Widen8To16(uint8_t v) {
    return static_cast<uint16_t>(v * 257u);
}

// 16-bit to 8-bit sample: MulDiv16(v, 255, 65535), which is v div 257.
inline uint8_t Narrow16To8(uint16_t v) {
    return static_cast<uint8_t>(v / 257u);
}

inline uint8_t Clamp(int32_t v) {
    return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

inline uint16_t Swap(uint16_t v) {
    return static_cast<uint16_t>((v >> 8) | (v << 8));
}

// To nearest, ties to even (the default floating-point rounding mode).
inline int64_t Round(long double v) {
    return std::llrint(v);
}
inline int64_t Round(double v) {
    return std::llrint(v);
}

// Samples of 16 bits may lie at odd addresses in a reader's row buffer.
inline uint16_t Load16(const uint8_t* p) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}
inline void Store16(uint8_t* p, uint16_t v) {
    std::memcpy(p, &v, 2);
}
