#include "formats/PhotoshopResources.h"

#include <cstring>

namespace {
constexpr uint16_t IccProfileResource = 1039;

uint32_t BigEndian(std::span<const uint8_t> bytes, size_t at, int count) {
    uint32_t value = 0;
    for (int i = 0; i < count; ++i)
        value = value << 8 | bytes[at + size_t(i)];
    return value;
}
} // namespace

std::vector<uint8_t> PhotoshopIccProfile(std::span<const uint8_t> resources) {
    // Each block: "8BIM", id, a Pascal name padded to even length, data size, data padded.
    size_t at = 0;
    while (resources.size() - at >= 8 && std::memcmp(resources.data() + at, "8BIM", 4) == 0) {
        const uint16_t id = uint16_t(BigEndian(resources, at + 4, 2));
        const size_t nameSize = (size_t(resources[at + 6]) + 2) & ~size_t(1);
        const size_t sizeAt = at + 6 + nameSize;
        if (resources.size() < 4 || sizeAt > resources.size() - 4)
            break;
        const size_t size = BigEndian(resources, sizeAt, 4);
        const size_t dataAt = sizeAt + 4;
        if (size > resources.size() - dataAt)
            break;
        if (id == IccProfileResource)
            return {resources.begin() + dataAt, resources.begin() + dataAt + size};
        at = dataAt + ((size + 1) & ~size_t(1));
        if (at > resources.size())
            break;
    }
    return {};
}
