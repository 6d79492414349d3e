#include "color/YCbCrConversion.h"

#include "color/RowFrame.h"

namespace {

std::array<uint8_t, 3> YCbCr8ToRgb(uint8_t y, uint8_t cb, uint8_t cr, const TChromaTables& t) {
    return {Clamp(y + t.CrToRed[cr]), Clamp(y + t.CbToGreen[cb] + t.CrToGreen[cr]),
            Clamp(y + t.CbToBlue[cb])};
}

// Rounded and kept within 16 bits, so that bright or saturated pixels do not wrap to dark.
uint16_t Channel16(float v) {
    const int64_t rounded = Round(double(v));
    return static_cast<uint16_t>(rounded < 0 ? 0 : (rounded > 65535 ? 65535 : rounded));
}

std::array<uint16_t, 3> YCbCr16ToRgb16(uint16_t luma, uint16_t cb, uint16_t cr) {
    const float y = 1.3584f * luma;
    const float c1 = float(cb) - 40092.0f;
    const float c2 = float(cr) - 35209.0f;
    return {Channel16(y + 1.8215f * c2), Channel16(y - 0.9271435f * c2 - 0.4302726f * c1),
            Channel16(y + 2.2179f * c1)};
}

} // namespace

template <bool ToBgr>
void ConvertYCbCr(const TRowContext& context, std::span<const void* const> sources, uint8_t* target,
                  uint32_t count, uint8_t mask) {
    const TChromaTables& tables = *context.Chroma;
    RunToThreeColours(
        context, sources, sources.size() >= 3, 3, target, count, mask, ToBgr,
        [&tables]<int SourceBytes, int TargetBytes, bool SwapIn>(const TColorRowLayout& layout) {
            RunColorRow<SourceBytes, TargetBytes, 3, 3>(
                layout, [&tables](std::array<uint16_t, 3> s) {
                    SwapSamples<SwapIn>(s);
                    if constexpr (SourceBytes == 2 && TargetBytes == 2) {
                        return YCbCr16ToRgb16(s[0], s[1], s[2]);
                    } else {
                        std::array<uint8_t, 3> rgb;
                        if constexpr (SourceBytes == 2)
                            rgb = YCbCr8ToRgb(Narrow16To8(s[0]), Narrow16To8(s[1]),
                                              Narrow16To8(s[2]), tables);
                        else
                            rgb = YCbCr8ToRgb(uint8_t(s[0]), uint8_t(s[1]), uint8_t(s[2]), tables);
                        return AtTargetDepth<TargetBytes>(rgb);
                    }
                });
        });
}

template void ConvertYCbCr<false>(const TRowContext&, std::span<const void* const>, uint8_t*,
                                  uint32_t, uint8_t);
template void ConvertYCbCr<true>(const TRowContext&, std::span<const void* const>, uint8_t*,
                                 uint32_t, uint8_t);
