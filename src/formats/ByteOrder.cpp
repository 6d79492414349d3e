#include "formats/ByteOrder.h"

#include <algorithm>

namespace {
template <size_t Size>
void ReverseEach(void* buffer, size_t count) {
    auto* bytes = static_cast<uint8_t*>(buffer);
    for (size_t i = 0; i < count; ++i, bytes += Size)
        std::reverse(bytes, bytes + Size);
}
} // namespace

void SwapShorts(void* buffer, size_t count) {
    ReverseEach<2>(buffer, count);
}

void SwapLongs(void* buffer, size_t count) {
    ReverseEach<4>(buffer, count);
}

uint32_t SwapLong(uint32_t value) {
    return __builtin_bswap32(value);
}

namespace {
// Each byte depends on the one a pixel before it, so the walk must go left to right.
void UndoDifferencing(uint8_t* buffer, size_t count, size_t pixelBytes) {
    const size_t total = count * pixelBytes;
    for (size_t i = 0; i < total; ++i)
        buffer[pixelBytes + i] = uint8_t(buffer[pixelBytes + i] + buffer[i]);
}
} // namespace

void UndoDifferencing1(uint8_t* buffer, size_t count) {
    UndoDifferencing(buffer, count, 1);
}

void UndoDifferencing3(uint8_t* buffer, size_t count) {
    UndoDifferencing(buffer, count, 3);
}

void UndoDifferencing4(uint8_t* buffer, size_t count) {
    UndoDifferencing(buffer, count, 4);
}
