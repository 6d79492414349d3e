#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

// Four 3-byte pixels are twelve bytes: three 32-bit words. Moving them as words instead of
// byte by byte is what keeps the whole-picture passes near memory speed.
static_assert(std::endian::native == std::endian::little, "pixel quads assume little endian");

struct TPixelQuad {
    uint32_t Word[3];
};

// Word by word, so that the words stay in registers: a 12-byte copy would go through the
// stack and stall on store forwarding.
inline TPixelQuad LoadQuad(const uint8_t* p) {
    TPixelQuad q;
    std::memcpy(&q.Word[0], p, 4);
    std::memcpy(&q.Word[1], p + 4, 4);
    std::memcpy(&q.Word[2], p + 8, 4);
    return q;
}

inline void StoreQuad(uint8_t* p, const TPixelQuad& q) {
    std::memcpy(p, &q.Word[0], 4);
    std::memcpy(p + 4, &q.Word[1], 4);
    std::memcpy(p + 8, &q.Word[2], 4);
}

// The four pixels in reverse order.
inline TPixelQuad ReverseQuad(const TPixelQuad& q) {
    const uint32_t a = q.Word[0], b = q.Word[1], c = q.Word[2];
    return {{(c >> 8) | ((b & 0x00FF0000u) << 8),
             (b >> 24) | ((c & 0xFFu) << 8) | ((a >> 24) << 16) | (b << 24),
             ((b >> 8) & 0xFFu) | (a << 8)}};
}

// Pixel i of the quad in the low three bytes of a word.
inline void UnpackQuad(const TPixelQuad& q, uint32_t (&pixel)[4]) {
    const uint32_t a = q.Word[0], b = q.Word[1], c = q.Word[2];
    pixel[0] = a & 0xFFFFFFu;
    pixel[1] = (a >> 24) | ((b & 0xFFFFu) << 8);
    pixel[2] = (b >> 16) | ((c & 0xFFu) << 16);
    pixel[3] = c >> 8;
}

inline TPixelQuad PackQuad(uint32_t p0, uint32_t p1, uint32_t p2, uint32_t p3) {
    return {{p0 | (p1 << 24), (p1 >> 8) | (p2 << 16), (p2 >> 16) | (p3 << 8)}};
}

// Writes Count pixels of Source to Target in reverse order; the ranges must not overlap.
void ReversePixels(const uint8_t* source, uint8_t* target, size_t count);
