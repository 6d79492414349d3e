#pragma once

#include "color/ColorArithmetic.h"
#include "color/RowContext.h"

#include <array>
#include <cstddef>
#include <cstdint>

// The calling frame every row routine shares: the pixel mask, sample access at 8 and 16 bits,
// and the walk over colour pixels.

// The colour and gray routines handle samples of 8 and 16 bits only and write nothing for
// other depths.
inline bool HasSampleDepths(const TRowContext& context) {
    return (context.SourceBits == 8 || context.SourceBits == 16) &&
           (context.TargetBits == 8 || context.TargetBits == 16);
}

// Calls convert(i) for every target pixel i whose mask bit (7 - i mod 8) is set.
template <typename Convert>
inline void ForEachMaskedPixel(uint32_t count, uint8_t mask, Convert&& convert) {
    if (mask == 0xFF) {
        for (uint32_t i = 0; i < count; ++i)
            convert(i);
        return;
    }
    uint8_t bit = 0x80;
    for (uint32_t i = 0; i < count; ++i) {
        if (mask & bit)
            convert(i);
        bit = static_cast<uint8_t>((bit >> 1) | (bit << 7));
    }
}

template <int Bytes>
inline uint16_t GetSample(const uint8_t* p) {
    if constexpr (Bytes == 1)
        return *p;
    else
        return Load16(p);
}

template <int Bytes>
inline void PutSample(uint8_t* p, uint16_t v) {
    if constexpr (Bytes == 1)
        *p = static_cast<uint8_t>(v);
    else
        Store16(p, v);
}

// Byte-swaps the 16-bit samples of a pixel read from a high-byte-first source.
template <bool SwapIn, size_t N>
inline void SwapSamples(std::array<uint16_t, N>& samples) {
    if constexpr (SwapIn)
        for (uint16_t& v : samples)
            v = Swap(v);
}

// Three 8-bit results at the target depth.
template <int TargetBytes>
inline std::array<uint16_t, 3> AtTargetDepth(const std::array<uint8_t, 3>& rgb) {
    if constexpr (TargetBytes == 2)
        return {Widen8To16(rgb[0]), Widen8To16(rgb[1]), Widen8To16(rgb[2])};
    else
        return {rgb[0], rgb[1], rgb[2]};
}

// Where the samples of a run of colour pixels are read and written. With Exchange the first
// and third results of a pixel change places, which turns RGB into BGR.
struct TColorRowLayout {
    std::array<const uint8_t*, 4> Sample{}; // one pointer per source sample, in scheme order
    size_t SourceStride = 0;                // bytes from one source pixel to the next
    bool Planar = false;                    // the samples lie in arrays of their own
    uint8_t* Target = nullptr;
    size_t TargetStride = 0; // bytes from one target pixel to the next
    bool Exchange = false;
    uint32_t Count = 0;
    uint8_t Mask = 0xFF;
};

// Lays out a run whose source has SOURCESAMPLES samples of SOURCEBYTES each, planar when
// PLANAR (one array per sample; missing arrays read as the first) and interleaved otherwise,
// and whose target pixels are TARGETSAMPLES samples of TARGETBYTES, the first and third
// results exchanged when EXCHANGE.
TColorRowLayout MakeColorRowLayout(std::span<const void* const> sources, bool planar,
                                   int sourceSamples, int sourceBytes, uint8_t* target,
                                   int targetSamples, int targetBytes, bool exchange,
                                   uint32_t count, uint8_t mask);

// The pixel loop for one source arrangement and sample order, known at compile time so that
// every offset is a constant.
template <int SourceBytes, int TargetBytes, int N, int Out, bool Planar, bool Exchange,
          typename Pixel>
inline void RunColorRowAs(const TColorRowLayout& layout, Pixel& pixel) {
    constexpr size_t first = Exchange ? 2 * TargetBytes : 0;
    constexpr size_t third = Exchange ? 0 : 2 * TargetBytes;
    std::array<const uint8_t*, N> in;
    for (int k = 0; k < N; ++k)
        in[k] = layout.Sample[k];
    const uint8_t* interleaved = layout.Sample[0];
    const size_t stride = layout.SourceStride;
    uint8_t* const target = layout.Target;
    const size_t targetStride = layout.TargetStride;
    ForEachMaskedPixel(layout.Count, layout.Mask, [&](uint32_t i) {
        std::array<uint16_t, N> samples;
        if constexpr (Planar) {
            for (int k = 0; k < N; ++k) {
                samples[k] = GetSample<SourceBytes>(in[k]);
                in[k] += SourceBytes;
            }
        } else {
            for (int k = 0; k < N; ++k)
                samples[k] = GetSample<SourceBytes>(interleaved + k * SourceBytes);
            interleaved += stride;
        }
        const std::array<uint16_t, Out> result = pixel(samples);
        uint8_t* t = target + size_t(i) * targetStride;
        PutSample<TargetBytes>(t + first, result[0]);
        PutSample<TargetBytes>(t + TargetBytes, result[1]);
        PutSample<TargetBytes>(t + third, result[2]);
        if constexpr (Out == 4)
            PutSample<TargetBytes>(t + 3 * TargetBytes, result[3]);
    });
}

// Runs PIXEL over the selected pixels. PIXEL gets the N source samples of a pixel (read at
// SourceBytes each) and returns Out results (3, or 4 with alpha) written at TargetBytes each.
template <int SourceBytes, int TargetBytes, int N, int Out, typename Pixel>
inline void RunColorRow(const TColorRowLayout& layout, Pixel pixel) {
    if (layout.Planar)
        layout.Exchange
            ? RunColorRowAs<SourceBytes, TargetBytes, N, Out, true, true>(layout, pixel)
            : RunColorRowAs<SourceBytes, TargetBytes, N, Out, true, false>(layout, pixel);
    else
        layout.Exchange
            ? RunColorRowAs<SourceBytes, TargetBytes, N, Out, false, true>(layout, pixel)
            : RunColorRowAs<SourceBytes, TargetBytes, N, Out, false, false>(layout, pixel);
}

// The frame of the routines that turn three or four source samples into red, green and blue
// (CMYK, Lab, YCbCr): lays out the run (a target alpha sample is skipped, never written) and
// calls run.template operator()<SourceBytes, TargetBytes, SwapIn>(layout) for the depth pair.
// Depths other than 8 and 16 write nothing.
template <typename Run>
void RunToThreeColours(const TRowContext& context, std::span<const void* const> sources,
                       bool planar, int sourceSamples, uint8_t* target, uint32_t count,
                       uint8_t mask, bool bgr, Run run) {
    const bool sourceWide = context.SourceBits == 16;
    const bool targetWide = context.TargetBits == 16;
    if (!HasSampleDepths(context))
        return;
    const TColorRowLayout layout = MakeColorRowLayout(
        sources, planar, sourceSamples, sourceWide ? 2 : 1, target,
        context.TargetFlags & cfAlpha ? 4 : 3, targetWide ? 2 : 1, bgr, count, mask);
    const bool swap = context.SourceFlags & cfSwapBytes;
    if (!sourceWide && !targetWide)
        run.template operator()<1, 1, false>(layout);
    else if (!sourceWide)
        run.template operator()<1, 2, false>(layout);
    else if (swap)
        targetWide ? run.template operator()<2, 2, true>(layout)
                   : run.template operator()<2, 1, true>(layout);
    else
        targetWide ? run.template operator()<2, 2, false>(layout)
                   : run.template operator()<2, 1, false>(layout);
}
