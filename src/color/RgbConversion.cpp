#include "color/RgbConversion.h"

#include "color/RowFrame.h"
#include "color/SampleShuffle.h"

#include <cstring>

namespace {

enum class TDepthChange { None, Widen, Narrow };

// One per-sample step, fixed at compile time so that the pixel loop carries no decisions.
// Gamma applies to the 8-bit side only: before widening, after narrowing.
template <bool SwapIn, TDepthChange Change, bool UseGamma, bool SwapOut>
struct TSampleStep {
    const uint8_t* Gamma;
    uint16_t operator()(uint16_t v) const {
        if constexpr (SwapIn)
            v = Swap(v);
        if constexpr (Change == TDepthChange::Narrow)
            v = Narrow16To8(v);
        if constexpr (UseGamma)
            v = Gamma[v];
        if constexpr (Change == TDepthChange::Widen)
            v = Widen8To16(static_cast<uint8_t>(v));
        if constexpr (SwapOut)
            v = Swap(v);
        return v;
    }
};

struct TRgbRun {
    TColorRowLayout Layout;
    bool CarryAlpha;
    const uint8_t* Gamma;
};

template <int SourceBytes, int TargetBytes, bool SwapIn, bool UseGamma, bool SwapOut>
void RunRgb(const TRgbRun& run) {
    constexpr TDepthChange change = SourceBytes == TargetBytes ? TDepthChange::None
                                    : SourceBytes == 1         ? TDepthChange::Widen
                                                               : TDepthChange::Narrow;
    const TSampleStep<SwapIn, change, UseGamma, SwapOut> step{run.Gamma};
    const TSampleStep<SwapIn, change, false, SwapOut> alphaStep{run.Gamma};
    if (run.CarryAlpha)
        RunColorRow<SourceBytes, TargetBytes, 4, 4>(
            run.Layout, [&](const std::array<uint16_t, 4>& s) {
                return std::array<uint16_t, 4>{step(s[0]), step(s[1]), step(s[2]), alphaStep(s[3])};
            });
    else
        RunColorRow<SourceBytes, TargetBytes, 3, 3>(
            run.Layout, [&](const std::array<uint16_t, 3>& s) {
                return std::array<uint16_t, 3>{step(s[0]), step(s[1]), step(s[2])};
            });
}

template <int SourceBytes, int TargetBytes, bool SwapIn, bool SwapOut>
void RunRgbChoosingGamma(const TRgbRun& run, bool gamma) {
    if (gamma)
        RunRgb<SourceBytes, TargetBytes, SwapIn, true, SwapOut>(run);
    else
        RunRgb<SourceBytes, TargetBytes, SwapIn, false, SwapOut>(run);
}

// 8-bit interleaved rows whose pixels have the same size on both sides and need no gamma are
// block copies or byte shuffles.
bool TryFastRgbRow(const TRgbRun& run, bool exchange, int sourceSamples, int targetSamples,
                   bool planar, bool gamma) {
    if (planar || gamma || run.Layout.Mask != 0xFF || sourceSamples != targetSamples ||
        (targetSamples == 4 && !run.CarryAlpha))
        return false;
    const uint8_t* source = run.Layout.Sample[0];
    if (exchange)
        CopyExchangingFirstAndThird(source, run.Layout.Target, run.Layout.Count, targetSamples);
    else
        std::memmove(run.Layout.Target, source, size_t(run.Layout.Count) * targetSamples);
    return true;
}

} // namespace

template <bool Exchange>
void ConvertRgb(const TRowContext& context, std::span<const void* const> sources, uint8_t* target,
                uint32_t count, uint8_t mask) {
    const bool sourceWide = context.SourceBits == 16;
    const bool targetWide = context.TargetBits == 16;
    if (!HasSampleDepths(context))
        return;
    const bool sourceAlpha = context.SourceFlags & cfAlpha;
    const bool targetAlpha = context.TargetFlags & cfAlpha;
    const bool planar = sources.size() >= 3;
    const bool alphaAvailable = !planar || sources.size() >= 4;
    const bool swap = context.SourceFlags & cfSwapBytes;
    const bool gamma = context.TargetFlags & cfGamma;
    const int sourceSamples = sourceAlpha ? 4 : 3;
    const int targetSamples = targetAlpha ? 4 : 3;
    const int sourceBytes = sourceWide ? 2 : 1;
    const int targetBytes = targetWide ? 2 : 1;
    const TRgbRun run{MakeColorRowLayout(sources, planar, sourceSamples, sourceBytes, target,
                                         targetSamples, targetBytes, Exchange, count, mask),
                      sourceAlpha && targetAlpha && alphaAvailable, context.GammaTable};

    if (!sourceWide && !targetWide) {
        if (!TryFastRgbRow(run, Exchange, sourceSamples, targetSamples, planar, gamma))
            RunRgbChoosingGamma<1, 1, false, false>(run, gamma);
    } else if (!sourceWide) {
        if (swap)
            RunRgbChoosingGamma<1, 2, false, true>(run, gamma);
        else
            RunRgbChoosingGamma<1, 2, false, false>(run, gamma);
    } else if (!targetWide) {
        if (swap)
            RunRgbChoosingGamma<2, 1, true, false>(run, gamma);
        else
            RunRgbChoosingGamma<2, 1, false, false>(run, gamma);
    } else if (swap) {
        RunRgb<2, 2, true, false, false>(run);
    } else {
        RunRgb<2, 2, false, false, false>(run);
    }
}

template void ConvertRgb<false>(const TRowContext&, std::span<const void* const>, uint8_t*,
                                uint32_t, uint8_t);
template void ConvertRgb<true>(const TRowContext&, std::span<const void* const>, uint8_t*, uint32_t,
                               uint8_t);
