#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>

// A field that lies outside its record: the record is malformed and skipped.
class ERecordTooShort : public std::runtime_error {
public:
    ERecordTooShort() : std::runtime_error("metafile record too short") {}
};

// Little-endian reads at offsets inside one record; every read is checked against the
// record's own size, never against the file's.
class TRecordReader {
public:
    TRecordReader(const uint8_t* data, size_t size) : FData(data), Length(size) {}

    size_t Size() const { return Length; }
    const uint8_t* Data() const { return FData; }
    bool Has(size_t offset, size_t count) const {
        return offset <= Length && count <= Length - offset;
    }
    void Require(size_t offset, size_t count) const {
        if (!Has(offset, count))
            throw ERecordTooShort();
    }
    // Bytes at an offset, checked for Count bytes.
    const uint8_t* Bytes(size_t offset, size_t count) const {
        Require(offset, count);
        return FData + offset;
    }

    uint8_t U8(size_t offset) const { return *Bytes(offset, 1); }
    uint16_t U16(size_t offset) const {
        const uint8_t* p = Bytes(offset, 2);
        return uint16_t(p[0] | (p[1] << 8));
    }
    int16_t I16(size_t offset) const { return static_cast<int16_t>(U16(offset)); }
    uint32_t U32(size_t offset) const {
        const uint8_t* p = Bytes(offset, 4);
        return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) |
               (uint32_t(p[3]) << 24);
    }
    int32_t I32(size_t offset) const { return static_cast<int32_t>(U32(offset)); }
    float F32(size_t offset) const {
        const uint32_t bits = U32(offset);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    // Count elements of ElementSize bytes at Offset: checked without overflow.
    void RequireArray(size_t offset, uint64_t count, size_t elementSize) const {
        if (offset > Length || count > (Length - offset) / elementSize)
            throw ERecordTooShort();
    }

    // A sub-range of this record given by an offset and a byte count from the record.
    TRecordReader Sub(uint64_t offset, uint64_t count) const {
        if (offset > Length || count > Length - offset)
            throw ERecordTooShort();
        return TRecordReader(FData + offset, static_cast<size_t>(count));
    }

private:
    const uint8_t* FData;
    size_t Length;
};
