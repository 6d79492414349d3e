#pragma once

#include <cstddef>
#include <cstdint>

// Multi-byte values stored in a given byte order, read from any alignment. These are the
// only endian loads of the project; readers reach them through TByteCursor.

inline uint16_t LoadLE16(const uint8_t* p) {
    return uint16_t(p[0] | (p[1] << 8));
}
inline uint32_t LoadLE32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline uint64_t LoadLE64(const uint8_t* p) {
    return uint64_t(LoadLE32(p)) | (uint64_t(LoadLE32(p + 4)) << 32);
}
inline uint16_t LoadBE16(const uint8_t* p) {
    return uint16_t((p[0] << 8) | p[1]);
}
inline uint32_t LoadBE32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}
inline uint64_t LoadBE64(const uint8_t* p) {
    return (uint64_t(LoadBE32(p)) << 32) | LoadBE32(p + 4);
}

// Reverses the byte order of Count consecutive 16-bit values in place.
void SwapShorts(void* buffer, size_t count);
