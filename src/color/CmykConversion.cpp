#include "color/CmykConversion.h"

#include "color/RowFrame.h"

namespace {

uint8_t Ink8(uint16_t x, uint16_t k) {
    return Clamp(int32_t(MulDiv16(x, k, 255)) - x - k + 255);
}

uint8_t Ink16To8(uint16_t x, uint16_t k) {
    const uint16_t covered = static_cast<uint16_t>(x + k - MulDiv16(x, k, 65535));
    return Clamp(255 - int32_t(MulDiv16(covered, 255, 65535)));
}

uint16_t Ink16(uint16_t x, uint16_t k) {
    return static_cast<uint16_t>(MulDiv16(x, k, 65535) - x - k - 1);
}

template <int SourceBytes, int TargetBytes>
uint16_t Ink(uint16_t x, uint16_t k) {
    if constexpr (SourceBytes == 2)
        return TargetBytes == 2 ? Ink16(x, k) : Ink16To8(x, k);
    else
        return TargetBytes == 2 ? Widen8To16(Ink8(x, k)) : Ink8(x, k);
}

} // namespace

template <bool ToBgr>
void ConvertCmyk(const TRowContext& context, std::span<const void* const> sources, uint8_t* target,
                 uint32_t count, uint8_t mask) {
    RunToThreeColours(
        context, sources, sources.size() == 4, 4, target, count, mask, ToBgr,
        []<int SourceBytes, int TargetBytes, bool SwapIn>(const TColorRowLayout& layout) {
            RunColorRow<SourceBytes, TargetBytes, 4, 3>(layout, [](std::array<uint16_t, 4> s) {
                SwapSamples<SwapIn>(s);
                return std::array<uint16_t, 3>{Ink<SourceBytes, TargetBytes>(s[0], s[3]),
                                               Ink<SourceBytes, TargetBytes>(s[1], s[3]),
                                               Ink<SourceBytes, TargetBytes>(s[2], s[3])};
            });
        });
}

template void ConvertCmyk<false>(const TRowContext&, std::span<const void* const>, uint8_t*,
                                 uint32_t, uint8_t);
template void ConvertCmyk<true>(const TRowContext&, std::span<const void* const>, uint8_t*,
                                uint32_t, uint8_t);
