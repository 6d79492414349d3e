#include "formats/PhotoshopResources.h"

#include "platform/ByteCursor.h"

#include <cstring>

namespace {
constexpr uint16_t IccProfileResource = 1039;
} // namespace

std::vector<uint8_t> PhotoshopIccProfile(std::span<const uint8_t> resources) {
    // Each block: "8BIM", id, a Pascal name padded to even length, data size, data padded.
    TByteCursor in(resources, TByteOrder::boBigEndian);
    while (in.Has(in.Position(), 8) && std::memcmp(in.Data() + in.Position(), "8BIM", 4) == 0) {
        const size_t at = in.Position();
        const uint16_t id = in.U16At(at + 4);
        const size_t sizeAt = at + 6 + ((size_t(in.U8At(at + 6)) + 2) & ~size_t(1));
        if (!in.Has(sizeAt, 4))
            break;
        const uint32_t size = in.U32At(sizeAt);
        const size_t dataAt = sizeAt + 4;
        if (!in.Has(dataAt, size))
            break;
        if (id == IccProfileResource)
            return {in.Data() + dataAt, in.Data() + dataAt + size};
        const uint64_t next = dataAt + ((uint64_t(size) + 1) & ~uint64_t(1));
        if (!in.Has(next, 0))
            break;
        in.Seek(next);
    }
    return {};
}
