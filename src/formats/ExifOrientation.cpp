#include "formats/ExifOrientation.h"

#include <cstring>

namespace {

constexpr uint16_t OrientationTag = 0x0112;
constexpr uint16_t ShortType = 3;
constexpr uint16_t LongType = 4;
constexpr size_t EntrySize = 12;

class TTiffBytes {
public:
    TTiffBytes(std::span<const uint8_t> bytes, bool bigEndian)
        : Bytes(bytes), BigEndian(bigEndian) {}

    bool Has(size_t offset, size_t count) const {
        return offset <= Bytes.size() && count <= Bytes.size() - offset;
    }
    uint16_t Short(size_t offset) const {
        const uint8_t* p = Bytes.data() + offset;
        return BigEndian ? uint16_t(p[0] << 8 | p[1]) : uint16_t(p[1] << 8 | p[0]);
    }
    uint32_t Long(size_t offset) const {
        return BigEndian ? uint32_t(Short(offset)) << 16 | Short(offset + 2)
                         : uint32_t(Short(offset + 2)) << 16 | Short(offset);
    }

private:
    std::span<const uint8_t> Bytes;
    bool BigEndian;
};

} // namespace

uint8_t ExifOrientation(std::span<const uint8_t> exif) {
    static constexpr uint8_t ExifPrefix[] = {'E', 'x', 'i', 'f', 0, 0};
    if (exif.size() >= sizeof ExifPrefix && std::memcmp(exif.data(), ExifPrefix, 6) == 0)
        exif = exif.subspan(sizeof ExifPrefix);
    if (exif.size() < 8 || exif[0] != exif[1] || (exif[0] != 'I' && exif[0] != 'M'))
        return 1;
    const TTiffBytes tiff(exif, exif[0] == 'M');
    if (tiff.Short(2) != 42)
        return 1;
    const size_t directory = tiff.Long(4);
    if (!tiff.Has(directory, 2))
        return 1;
    const size_t entries = tiff.Short(directory);
    for (size_t i = 0; i < entries; ++i) {
        const size_t entry = directory + 2 + i * EntrySize;
        if (!tiff.Has(entry, EntrySize))
            return 1;
        if (tiff.Short(entry) != OrientationTag || tiff.Long(entry + 4) == 0)
            continue;
        const uint16_t type = tiff.Short(entry + 2);
        const uint32_t value = type == ShortType  ? tiff.Short(entry + 8)
                               : type == LongType ? tiff.Long(entry + 8)
                                                  : 0;
        return value >= 1 && value <= 8 ? uint8_t(value) : 1;
    }
    return 1;
}
