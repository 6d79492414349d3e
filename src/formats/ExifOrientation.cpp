#include "formats/ExifOrientation.h"

#include "platform/ByteCursor.h"

#include <cstring>

namespace {

constexpr uint16_t OrientationTag = 0x0112;
constexpr uint16_t ShortType = 3;
constexpr uint16_t LongType = 4;
constexpr size_t EntrySize = 12;

} // namespace

uint8_t ExifOrientation(std::span<const uint8_t> exif) {
    static constexpr uint8_t ExifPrefix[] = {'E', 'x', 'i', 'f', 0, 0};
    if (exif.size() >= sizeof ExifPrefix && std::memcmp(exif.data(), ExifPrefix, 6) == 0)
        exif = exif.subspan(sizeof ExifPrefix);
    if (exif.size() < 8 || exif[0] != exif[1] || (exif[0] != 'I' && exif[0] != 'M'))
        return 1;
    const TByteCursor tiff(exif,
                           exif[0] == 'M' ? TByteOrder::boBigEndian : TByteOrder::boLittleEndian);
    if (tiff.U16At(2) != 42)
        return 1;
    const size_t directory = tiff.U32At(4);
    if (!tiff.Has(directory, 2))
        return 1;
    const size_t entries = tiff.U16At(directory);
    for (size_t i = 0; i < entries; ++i) {
        const size_t entry = directory + 2 + i * EntrySize;
        if (!tiff.Has(entry, EntrySize))
            return 1;
        if (tiff.U16At(entry) != OrientationTag || tiff.U32At(entry + 4) == 0)
            continue;
        const uint16_t type = tiff.U16At(entry + 2);
        const uint32_t value = type == ShortType  ? tiff.U16At(entry + 8)
                               : type == LongType ? tiff.U32At(entry + 8)
                                                  : 0;
        return value >= 1 && value <= 8 ? uint8_t(value) : 1;
    }
    return 1;
}
