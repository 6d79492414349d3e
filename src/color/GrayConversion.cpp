#include "color/GrayConversion.h"

#include "color/RowFrame.h"

#include <cstring>

namespace {

template <int SourceBytes, int TargetBytes, bool SwapIn>
void RunGray(const uint8_t* source, size_t sourceStride, uint8_t* target, uint32_t count,
             uint8_t mask) {
    ForEachMaskedPixel(count, mask, [&](uint32_t i) {
        uint16_t v = GetSample<SourceBytes>(source);
        source += sourceStride;
        if constexpr (SwapIn)
            v = Swap(v);
        if constexpr (SourceBytes == 1 && TargetBytes == 2)
            v = Widen8To16(static_cast<uint8_t>(v));
        else if constexpr (SourceBytes == 2 && TargetBytes == 1)
            v = Narrow16To8(v);
        PutSample<TargetBytes>(target + size_t(i) * TargetBytes, v);
    });
}

} // namespace

void ConvertGrayCopy(const TRowContext& context, std::span<const void* const> sources,
                     uint8_t* target, uint32_t count, uint8_t mask) {
    const bool sourceWide = context.SourceBits == 16;
    const bool targetWide = context.TargetBits == 16;
    if (!HasSampleDepths(context))
        return;
    const auto* source = static_cast<const uint8_t*>(sources[0]);
    const bool sourceAlpha = context.SourceFlags & cfAlpha;
    const bool swap = sourceWide && (context.SourceFlags & cfSwapBytes);
    const size_t sourceStride = (sourceAlpha ? 2 : 1) * (sourceWide ? 2 : 1);
    if (sourceWide == targetWide && !swap && !sourceAlpha && mask == 0xFF) {
        std::memmove(target, source, size_t(count) * sourceStride);
        return;
    }
    if (!sourceWide && !targetWide)
        RunGray<1, 1, false>(source, sourceStride, target, count, mask);
    else if (!sourceWide)
        RunGray<1, 2, false>(source, sourceStride, target, count, mask);
    else if (swap)
        targetWide ? RunGray<2, 2, true>(source, sourceStride, target, count, mask)
                   : RunGray<2, 1, true>(source, sourceStride, target, count, mask);
    else
        targetWide ? RunGray<2, 2, false>(source, sourceStride, target, count, mask)
                   : RunGray<2, 1, false>(source, sourceStride, target, count, mask);
}
