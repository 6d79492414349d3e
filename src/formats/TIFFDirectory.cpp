#include "formats/TIFFDirectory.h"

#include <algorithm>
#include <optional>

namespace {

enum TFieldType : uint16_t {
    ftByte = 1,
    ftAscii = 2,
    ftShort = 3,
    ftLong = 4,
    ftRational = 5,
    ftSByte = 6,
    ftUndefined = 7,
    ftSShort = 8,
    ftSLong = 9,
    ftSRational = 10,
    ftFloat = 11,
    ftDouble = 12
};

uint32_t FieldSize(uint16_t type) {
    switch (type) {
    case ftByte:
    case ftAscii:
    case ftSByte:
    case ftUndefined:
        return 1;
    case ftShort:
    case ftSShort:
        return 2;
    case ftLong:
    case ftSLong:
    case ftFloat:
        return 4;
    case ftRational:
    case ftSRational:
    case ftDouble:
        return 8;
    default:
        return 0;
    }
}

constexpr uint64_t EntryBytes = 12;

} // namespace

TTIFFDirectory::TTIFFDirectory(const TByteCursor& file, uint64_t offset) : FFile(file) {
    TByteCursor directory = FFile;
    directory.Seek(offset);
    const uint16_t count = directory.U16();
    directory.Require(count * EntryBytes + 4);
    FEntries.resize(count);
    for (TEntry& entry : FEntries) {
        const uint64_t at = directory.Position();
        entry.Tag = directory.U16();
        entry.Type = directory.U16();
        entry.Count = directory.U32();
        // Values of four bytes or fewer sit in the entry itself, else at the offset it holds.
        const uint64_t size = uint64_t(FieldSize(entry.Type)) * entry.Count;
        entry.ValueOffset = size <= 4 ? at + 8 : directory.U32At(at + 8);
        directory.Skip(4);
    }
    FNext = directory.U32();
    std::stable_sort(FEntries.begin(), FEntries.end(),
                     [](const TEntry& a, const TEntry& b) { return a.Tag < b.Tag; });
}

const TTIFFDirectory::TEntry* TTIFFDirectory::Find(uint16_t tag) const {
    const auto it = std::lower_bound(FEntries.begin(), FEntries.end(), tag,
                                     [](const TEntry& e, uint16_t t) { return e.Tag < t; });
    return it != FEntries.end() && it->Tag == tag ? &*it : nullptr;
}

bool TTIFFDirectory::Values(const TEntry& entry, TByteCursor& values) const {
    // An entry of a type we do not know has no values we could read, whatever its count says.
    const uint64_t size = uint64_t(FieldSize(entry.Type)) * entry.Count;
    if (size == 0 || !FFile.Has(entry.ValueOffset, size))
        return false;
    values = FFile.Sub(entry.ValueOffset, size);
    return true;
}

template <class T, class Read>
std::vector<T> TTIFFDirectory::Collect(uint16_t tag, Read read) const {
    const TEntry* entry = Find(tag);
    TByteCursor values;
    std::vector<T> result;
    if (!entry || !Values(*entry, values))
        return result;
    result.reserve(entry->Count);
    for (uint32_t i = 0; i < entry->Count; ++i) {
        const std::optional<T> value = read(entry->Type, values);
        if (!value)
            return {};
        result.push_back(*value);
    }
    return result;
}

namespace {

// Signed integers keep their bits: the tags that hold integers hold no negative ones.
std::optional<uint32_t> IntegerValue(uint16_t type, TByteCursor& values) {
    switch (type) {
    case ftByte:
    case ftSByte:
    case ftUndefined:
        return values.U8();
    case ftShort:
    case ftSShort:
        return values.U16();
    case ftLong:
    case ftSLong:
        return values.U32();
    default:
        return std::nullopt;
    }
}

std::optional<double> NumberValue(uint16_t type, TByteCursor& values) {
    switch (type) {
    case ftRational:
    case ftSRational: {
        const uint32_t numerator = values.U32(), denominator = values.U32();
        const bool isSigned = type == ftSRational;
        const double n = isSigned ? double(int32_t(numerator)) : double(numerator);
        const double d = isSigned ? double(int32_t(denominator)) : double(denominator);
        return d != 0 ? n / d : 0.0;
    }
    case ftFloat: {
        const float value = values.F32At(values.Position());
        values.Skip(4);
        return value;
    }
    case ftDouble:
        return values.F64();
    case ftSByte:
        return int8_t(values.U8());
    case ftSShort:
        return values.I16();
    case ftSLong:
        return values.I32();
    case ftByte:
    case ftShort:
    case ftLong:
        return IntegerValue(type, values);
    default:
        return std::nullopt;
    }
}

} // namespace

std::vector<uint32_t> TTIFFDirectory::Integers(uint16_t tag) const {
    return Collect<uint32_t>(tag, IntegerValue);
}

uint32_t TTIFFDirectory::Integer(uint16_t tag, uint32_t defaultValue) const {
    const std::vector<uint32_t> values = Integers(tag);
    return values.empty() ? defaultValue : values[0];
}

std::vector<double> TTIFFDirectory::Numbers(uint16_t tag) const {
    return Collect<double>(tag, NumberValue);
}

double TTIFFDirectory::Number(uint16_t tag, double defaultValue) const {
    const std::vector<double> values = Numbers(tag);
    return values.empty() ? defaultValue : values[0];
}

std::span<const uint8_t> TTIFFDirectory::Bytes(uint16_t tag) const {
    const TEntry* entry = Find(tag);
    TByteCursor values;
    if (!entry || FieldSize(entry->Type) != 1 || !Values(*entry, values))
        return {};
    return {values.Data(), values.Size()};
}
