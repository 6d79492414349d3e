#include "color/LabConversion.h"

#include "color/RowFrame.h"

#include <algorithm>
#include <vector>

#include <lcms2.h>

namespace {

struct TLabReading {
    bool Lightness255;
    bool ChromaOffset128;
};

// Little CMS's conversion of D50 L*a*b* (its 16-bit encoding: L* 0..100 as 0..65535, a* and
// b* + 128 times 257) to sRGB, built once.
cmsHTRANSFORM LabToSrgb() {
    static const cmsHTRANSFORM transform = [] {
        const cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
        const cmsHPROFILE srgb = cmsCreate_sRGBProfile();
        const cmsHTRANSFORM made = cmsCreateTransform(lab, TYPE_Lab_16, srgb, TYPE_RGB_8,
                                                      INTENT_PERCEPTUAL, cmsFLAGS_NOCACHE);
        cmsCloseProfile(lab);
        cmsCloseProfile(srgb);
        return made;
    }();
    return transform;
}

uint16_t EncodeChroma(uint8_t v, TLabReading reading) {
    return uint16_t((reading.ChromaOffset128 ? v : uint8_t(v ^ 0x80)) * 257);
}

// One pixel's samples, read at their 8-bit meaning (16-bit lightness 0..255 keeps its
// precision), in Little CMS's encoding.
template <int SourceBytes>
std::array<uint16_t, 3> EncodeLab(std::array<uint16_t, 3> s, TLabReading reading) {
    uint16_t lightness;
    if (reading.Lightness255)
        lightness = SourceBytes == 2 ? s[0] : uint16_t(s[0] * 257);
    else
        lightness = uint16_t(std::min<uint32_t>(SourceBytes == 2 ? Narrow16To8(s[0]) : s[0], 100) *
                             65535 / 100);
    const auto chroma = [](uint16_t v) { return SourceBytes == 2 ? uint8_t(v >> 8) : uint8_t(v); };
    return {lightness, EncodeChroma(chroma(s[1]), reading), EncodeChroma(chroma(s[2]), reading)};
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
            thread_local std::vector<uint16_t> lab;
            thread_local std::vector<uint8_t> rgb;
            // The row goes through Little CMS in one call: a first walk gathers the selected
            // pixels (what it writes the second overwrites), the second writes the results.
            lab.clear();
            RunColorRow<SourceBytes, TargetBytes, 3, 3>(
                layout, [reading](std::array<uint16_t, 3> s) {
                    SwapSamples<SwapIn>(s);
                    const std::array<uint16_t, 3> encoded = EncodeLab<SourceBytes>(s, reading);
                    lab.insert(lab.end(), encoded.begin(), encoded.end());
                    return std::array<uint16_t, 3>{};
                });
            rgb.resize(lab.size());
            cmsDoTransform(LabToSrgb(), lab.data(), rgb.data(), cmsUInt32Number(lab.size() / 3));
            size_t next = 0;
            RunColorRow<SourceBytes, TargetBytes, 3, 3>(layout, [&next](std::array<uint16_t, 3>) {
                const std::array<uint8_t, 3> color{rgb[next], rgb[next + 1], rgb[next + 2]};
                next += 3;
                return AtTargetDepth<TargetBytes>(color);
            });
        });
}

template void ConvertLab<false>(const TRowContext&, std::span<const void* const>, uint8_t*,
                                uint32_t, uint8_t);
template void ConvertLab<true>(const TRowContext&, std::span<const void* const>, uint8_t*, uint32_t,
                               uint8_t);
