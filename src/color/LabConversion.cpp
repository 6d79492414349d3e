#include "color/LabConversion.h"

#include "color/RowFrame.h"

namespace {

struct TLabReading {
    bool Lightness255;
    bool ChromaOffset128;
};

// Red, green and blue 0..255 of one pixel whose samples have their 8-bit meaning.
std::array<uint8_t, 3> LabToRgb(uint8_t l, uint8_t a, uint8_t b, TLabReading reading) {
    const long double lightness = reading.Lightness255 ? l / 2.55L : l;
    const long double aStar = reading.ChromaOffset128 ? int(a) - 128 : int(int8_t(a));
    const long double bStar = reading.ChromaOffset128 ? int(b) - 128 : int(int8_t(b));
    long double x, y, z;
    if (lightness < 7.9996L) {
        y = lightness / 903.3L;
        x = y + aStar / 3893.5L;
        z = y - bStar / 1557.4L;
    } else {
        y = (lightness + 16) / 116;
        x = y + aStar / 500;
        z = y - bStar / 200;
        x = x * x * x;
        y = y * y * y;
        z = z * z * z;
    }
    // |v| stays below 100 for any byte triple, so the rounded value fits easily.
    const auto channel = [](long double v) { return Clamp(int32_t(Round(v * 255))); };
    return {channel(2.998L * x - 1.458L * y - 0.541L * z),
            channel(-0.952L * x + 1.893L * y + 0.059L * z),
            channel(0.099L * x - 0.198L * y + 1.099L * z)};
}

} // namespace

template <bool ToBgr>
void ConvertLab(const TRowContext& context, std::span<const void* const> sources, uint8_t* target,
                uint32_t count, uint8_t mask) {
    const TLabReading reading{(context.SourceFlags & cfLightness255) != 0,
                              (context.SourceFlags & cfChromaOffset128) != 0};
    RunToThreeColours(
        context, sources, sources.size() >= 3, 3, target, count, mask, ToBgr,
        [reading]<int SourceBytes, int TargetBytes, bool SwapIn>(const TColorRowLayout& layout) {
            RunColorRow<SourceBytes, TargetBytes, 3, 3>(
                layout, [reading](std::array<uint16_t, 3> s) {
                    SwapSamples<SwapIn>(s);
                    std::array<uint8_t, 3> rgb;
                    if constexpr (SourceBytes == 2)
                        rgb = LabToRgb(Narrow16To8(s[0]), uint8_t(s[1] >> 8), uint8_t(s[2] >> 8),
                                       reading);
                    else
                        rgb = LabToRgb(uint8_t(s[0]), uint8_t(s[1]), uint8_t(s[2]), reading);
                    return AtTargetDepth<TargetBytes>(rgb);
                });
        });
}

template void ConvertLab<false>(const TRowContext&, std::span<const void* const>, uint8_t*,
                                uint32_t, uint8_t);
template void ConvertLab<true>(const TRowContext&, std::span<const void* const>, uint8_t*, uint32_t,
                               uint8_t);
