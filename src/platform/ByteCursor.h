#pragma once

#include "platform/ByteOrder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>

enum class TByteOrder : uint8_t { boLittleEndian, boBigEndian };

// Raises the error of whoever owns the cursor when a read or a seek would leave its range;
// it must not return. Readers pass their own, so that a truncated file gives the message
// their format always gave.
using TOverrunHandler = void (*)();

// The platform stream's refusal: EReadError "Stream read error".
[[noreturn]] void RaiseStreamReadError();

// Checked reads from a range of bytes: every value, byte block, seek and sub-range is
// checked against the range's end (never against a file size worked out by hand), and
// anything past it calls the overrun handler. Reads at the position advance it; reads at an
// offset ("...At") leave it. Multi-byte values are taken in the cursor's byte order. A cursor
// borrows its bytes; sub-ranges borrow the same bytes and keep the order and the handler.
class TByteCursor {
public:
    TByteCursor() = default;
    TByteCursor(const uint8_t* data, size_t size, TByteOrder order = TByteOrder::boLittleEndian,
                TOverrunHandler overrun = RaiseStreamReadError)
        : FData(data), FSize(size), FOrder(order), FOverrun(overrun) {}
    explicit TByteCursor(std::span<const uint8_t> bytes,
                         TByteOrder order = TByteOrder::boLittleEndian,
                         TOverrunHandler overrun = RaiseStreamReadError)
        : TByteCursor(bytes.data(), bytes.size(), order, overrun) {}

    const uint8_t* Data() const { return FData; }
    size_t Size() const { return FSize; }
    size_t Position() const { return FPosition; }
    size_t Remaining() const { return FSize - FPosition; }
    bool AtEnd() const { return FPosition == FSize; }

    TByteOrder Order() const { return FOrder; }
    void SetOrder(TByteOrder order) { FOrder = order; }

    // Whether Count bytes lie at Offset, computed without overflow.
    bool Has(uint64_t offset, uint64_t count) const {
        return offset <= FSize && count <= FSize - offset;
    }
    void RequireAt(uint64_t offset, uint64_t count) const {
        if (!Has(offset, count))
            Overrun();
    }
    // Count bytes from the position.
    void Require(uint64_t count) const { RequireAt(FPosition, count); }
    // Count elements of ElementSize bytes at Offset.
    void RequireArray(uint64_t offset, uint64_t count, size_t elementSize) const {
        if (offset > FSize || (elementSize != 0 && count > (FSize - offset) / elementSize))
            Overrun();
    }

    // Positions from 0 to Size (the end) are inside the range.
    void Seek(uint64_t position) {
        if (position > FSize)
            Overrun();
        FPosition = size_t(position);
    }
    void Skip(uint64_t count) {
        Require(count);
        FPosition += size_t(count);
    }

    // The next Count bytes, checked; the position moves past them.
    const uint8_t* Take(uint64_t count) {
        Require(count);
        const uint8_t* bytes = FData + FPosition;
        FPosition += size_t(count);
        return bytes;
    }
    void Read(void* dest, size_t count) {
        if (count != 0)
            std::memcpy(dest, Take(count), count);
    }
    const uint8_t* BytesAt(uint64_t offset, uint64_t count) const {
        RequireAt(offset, count);
        return FData + offset;
    }

    // Count bytes at Offset as a range of their own, with its own position at 0.
    TByteCursor Sub(uint64_t offset, uint64_t count) const {
        RequireAt(offset, count);
        return TByteCursor(FData + offset, size_t(count), FOrder, FOverrun);
    }
    // The next Count bytes as a range of their own; the position moves past them.
    TByteCursor TakeRange(uint64_t count) {
        TByteCursor range = Sub(FPosition, count);
        FPosition += size_t(count);
        return range;
    }

    uint8_t U8() { return *Take(1); }
    uint16_t U16() { return Load16(Take(2)); }
    uint32_t U32() { return Load32(Take(4)); }
    uint64_t U64() { return Load64(Take(8)); }
    int16_t I16() { return int16_t(U16()); }
    int32_t I32() { return int32_t(U32()); }
    double F64() { return BitsAs<double>(U64()); }

    uint8_t U8At(uint64_t offset) const { return *BytesAt(offset, 1); }
    uint16_t U16At(uint64_t offset) const { return Load16(BytesAt(offset, 2)); }
    uint32_t U32At(uint64_t offset) const { return Load32(BytesAt(offset, 4)); }
    uint64_t U64At(uint64_t offset) const { return Load64(BytesAt(offset, 8)); }
    int16_t I16At(uint64_t offset) const { return int16_t(U16At(offset)); }
    int32_t I32At(uint64_t offset) const { return int32_t(U32At(offset)); }
    float F32At(uint64_t offset) const { return BitsAs<float>(U32At(offset)); }

private:
    // A handler that returned would let the read go on past the end.
    [[noreturn]] void Overrun() const {
        FOverrun();
        std::abort();
    }
    bool Big() const { return FOrder == TByteOrder::boBigEndian; }
    uint16_t Load16(const uint8_t* p) const { return Big() ? LoadBE16(p) : LoadLE16(p); }
    uint32_t Load32(const uint8_t* p) const { return Big() ? LoadBE32(p) : LoadLE32(p); }
    uint64_t Load64(const uint8_t* p) const { return Big() ? LoadBE64(p) : LoadLE64(p); }
    template <typename T, typename TBits>
    static T BitsAs(TBits bits) {
        static_assert(sizeof(T) == sizeof(TBits));
        T value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    const uint8_t* FData = nullptr;
    size_t FSize = 0;
    size_t FPosition = 0;
    TByteOrder FOrder = TByteOrder::boLittleEndian;
    TOverrunHandler FOverrun = RaiseStreamReadError;
};
