#include "platform/ByteOrder.h"

#include <utility>

void SwapShorts(void* buffer, size_t count) {
    auto* bytes = static_cast<uint8_t*>(buffer);
    for (size_t i = 0; i < count; ++i, bytes += 2)
        std::swap(bytes[0], bytes[1]);
}
