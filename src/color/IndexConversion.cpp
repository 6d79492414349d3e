#include "color/IndexConversion.h"

#include "color/RowFrame.h"

#include <array>
#include <cstring>

namespace {

bool IsPackedDepth(uint8_t bits) {
    return bits >= 1 && bits <= 8;
}

uint32_t MaxValue(uint8_t bits) {
    return (1u << bits) - 1;
}

// Reads consecutive fields of a packed source, most significant bits first. At depths that
// do not divide 8 a field may continue in the next byte; no byte past the last field is read.
class TPackedReader {
public:
    TPackedReader(const uint8_t* data, uint8_t bits)
        : FData(data), FBits(bits), FFieldMask(MaxValue(bits)) {}
    uint8_t Next() {
        const uint8_t* at = FData + (FPosition >> 3);
        const uint32_t offset = FPosition & 7;
        uint32_t window = uint32_t(at[0]) << 8;
        if (offset + FBits > 8)
            window |= at[1];
        FPosition += FBits;
        return uint8_t((window >> (16 - FBits - offset)) & FFieldMask);
    }

private:
    const uint8_t* FData;
    const uint32_t FBits;
    const uint32_t FFieldMask;
    size_t FPosition = 0; // in bits
};

// Writes the fields of a packed target one pixel after the other, keeping the other bits. A
// new byte starts after every 8 / bits pixels.
class TPackedWriter {
public:
    TPackedWriter(uint8_t* data, uint8_t bits)
        : FByte(data), FBits(bits), FShift(8 - bits), FFieldMask(uint8_t(MaxValue(bits))) {}
    void Put(uint8_t v) {
        *FByte = static_cast<uint8_t>((*FByte & ~(FFieldMask << FShift)) | (v << FShift));
    }
    void Skip() {
        FShift -= FBits;
        if (FShift < 0) {
            FShift = 8 - FBits;
            ++FByte;
        }
    }

private:
    uint8_t* FByte;
    int FBits;
    int FShift;
    uint8_t FFieldMask;
};

// Writes value() into every selected field of a packed target.
template <typename Value>
void FillPackedTarget(uint8_t* target, uint8_t bits, uint32_t count, uint8_t mask, Value value) {
    TPackedWriter writer(target, bits);
    uint8_t bit = 0x80;
    for (uint32_t i = 0; i < count; ++i) {
        if (mask & bit)
            writer.Put(value());
        writer.Skip();
        bit = static_cast<uint8_t>((bit >> 1) | (bit << 7));
    }
}

uint16_t Read16(const uint8_t* p, bool swap) {
    const uint16_t v = Load16(p);
    return swap ? Swap(v) : v;
}

const uint8_t* FirstSource(std::span<const void* const> sources) {
    return static_cast<const uint8_t*>(sources[0]);
}

} // namespace

void ConvertIndexDepth(const TRowContext& context, std::span<const void* const> sources,
                       uint8_t* target, uint32_t count, uint8_t mask) {
    const uint8_t sourceBits = context.SourceBits;
    const uint8_t targetBits = context.TargetBits;
    if (!IsPackedDepth(sourceBits) || !IsPackedDepth(targetBits))
        return;
    const uint8_t* source = FirstSource(sources);
    if (sourceBits == targetBits && mask == 0xFF) {
        std::memmove(target, source, (uint64_t(count) * targetBits + 7) / 8);
        return;
    }
    std::array<uint8_t, 256> rescaled;
    for (uint32_t v = 0; v <= MaxValue(sourceBits); ++v)
        rescaled[v] = uint8_t(MulDiv16(v, MaxValue(targetBits), MaxValue(sourceBits)));
    TPackedReader reader(source, sourceBits);
    FillPackedTarget(target, targetBits, count, mask, [&] { return rescaled[reader.Next()]; });
}

void ConvertIndexFrom16(const TRowContext& context, std::span<const void* const> sources,
                        uint8_t* target, uint32_t count, uint8_t mask) {
    const uint8_t targetBits = context.TargetBits;
    if (!IsPackedDepth(targetBits))
        return;
    const uint8_t* source = FirstSource(sources);
    const bool swap = context.SourceFlags & cfSwapBytes;
    FillPackedTarget(target, targetBits, count, mask, [&] {
        const uint16_t v = Read16(source, swap);
        source += 2;
        return uint8_t(MulDiv16(v, MaxValue(targetBits), 65535));
    });
}

void ConvertIndexTo16(const TRowContext& context, std::span<const void* const> sources,
                      uint8_t* target, uint32_t count, uint8_t mask) {
    const uint8_t sourceBits = context.SourceBits;
    if (!IsPackedDepth(sourceBits))
        return;
    const bool swap = context.SourceFlags & cfSwapBytes;
    TPackedReader reader(FirstSource(sources), sourceBits);
    ForEachMaskedPixel(count, mask, [&](uint32_t i) {
        const uint16_t v = MulDiv16(reader.Next(), 65535, MaxValue(sourceBits));
        Store16(target + 2 * size_t(i), swap ? Swap(v) : v);
    });
}

void ConvertIndex16To16(const TRowContext& context, std::span<const void* const> sources,
                        uint8_t* target, uint32_t count, uint8_t mask) {
    const uint8_t* source = FirstSource(sources);
    const bool swap = context.SourceFlags & cfSwapBytes;
    if (!swap && mask == 0xFF) {
        std::memmove(target, source, 2 * size_t(count));
        return;
    }
    ForEachMaskedPixel(count, mask, [&](uint32_t i) {
        Store16(target + 2 * size_t(i), Read16(source, swap));
        source += 2;
    });
}
