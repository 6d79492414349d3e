#include "color/ColorArithmetic.h"
#include "color/ColorManager.h"
#include "platform/Exceptions.h"

#include <algorithm>

namespace {

struct TLayoutShape {
    bool Wide;     // 16-bit components
    bool Planar;   // three arrays instead of one
    size_t Stride; // components from one interleaved entry to the next
};

TLayoutShape ShapeOf(TPaletteLayout layout) {
    switch (layout) {
    case plTriple8:
        return {false, false, 3};
    case plQuad8:
        return {false, false, 4};
    case plPlanar8:
    case plPlanarQuad8:
        return {false, true, 1};
    case plTriple16:
        return {true, false, 3};
    case plQuad16:
        return {true, false, 4};
    case plPlanar16:
    case plPlanarQuad16:
        return {true, true, 1};
    }
    throw EColorConversionError("Color conversion failed. Could not find a proper method.");
}

} // namespace

TLogPalette TColorManager::MakeColorPalette(std::span<const void* const> data,
                                            TPaletteLayout layout, uint32_t count,
                                            bool bgrOrder) const {
    const TLayoutShape shape = ShapeOf(layout);
    if (data.size() < (shape.Planar ? 3u : 1u))
        throw EColorConversionError("Color conversion failed. Could not find a proper method.");
    const uint32_t entries = std::min<uint32_t>(count, MaxPaletteEntries);
    const bool gamma = FTargetFlags & cfGamma;
    const bool swap = FSourceFlags & cfSwapBytes;
    const auto component = [&](const uint8_t* array, size_t index) -> uint8_t {
        uint8_t v;
        if (shape.Wide) {
            uint16_t wide = Load16(array + 2 * index);
            v = Narrow16To8(swap ? Swap(wide) : wide);
        } else {
            v = array[index];
        }
        return gamma ? FGammaTable[v] : v;
    };

    // Entries past the colour table read as black when the depth fitting reaches them.
    std::array<TPaletteEntry, MaxPaletteEntries> table{};
    for (uint32_t i = 0; i < entries; ++i) {
        TPaletteEntry& entry = table[i];
        if (shape.Planar) {
            entry.peRed = component(static_cast<const uint8_t*>(data[0]), i);
            entry.peGreen = component(static_cast<const uint8_t*>(data[1]), i);
            entry.peBlue = component(static_cast<const uint8_t*>(data[2]), i);
        } else {
            const auto* array = static_cast<const uint8_t*>(data[0]);
            const size_t first = i * shape.Stride;
            const uint8_t a = component(array, first);
            entry.peGreen = component(array, first + 1);
            const uint8_t c = component(array, first + 2);
            entry.peRed = bgrOrder ? c : a;
            entry.peBlue = bgrOrder ? a : c;
        }
    }

    const uint32_t sourceMax = (1u << FSourceBits) - 1;
    const uint32_t targetMax = (1u << FTargetBits) - 1;
    if (FTargetBits <= 8 && sourceMax != targetMax) {
        TLogPalette fitted(targetMax + 1);
        for (uint32_t j = 0; j <= targetMax; ++j) {
            const uint32_t from = MulDiv16(j, sourceMax, targetMax);
            fitted[j] = from < table.size() ? table[from] : TPaletteEntry{};
        }
        return fitted;
    }
    return TLogPalette(table.begin(), table.begin() + entries);
}

TLogPalette TColorManager::MakeColorPalette(const uint8_t* data, TPaletteLayout layout,
                                            uint32_t count, bool bgrOrder) const {
    const void* const arrays[] = {data};
    return MakeColorPalette(std::span<const void* const>(arrays), layout, count, bgrOrder);
}

TLogPalette TColorManager::MakeGrayPalette(bool minimumIsWhite) const {
    const uint32_t bits = std::min<uint32_t>(uint32_t(FTargetBits) * FTargetSamples, 8);
    const uint32_t entries = 1u << bits;
    const uint32_t step = 255 / (entries - 1);
    const bool gamma = FTargetFlags & cfGamma;
    TLogPalette palette(entries);
    for (uint32_t k = 0; k < entries; ++k) {
        const uint8_t level = static_cast<uint8_t>(k * step);
        const uint8_t value = gamma ? FGammaTable[level] : level;
        palette[minimumIsWhite ? entries - 1 - k : k] = {value, value, value, 0};
    }
    return palette;
}
