#include "color/RowFrame.h"

TColorRowLayout MakeColorRowLayout(std::span<const void* const> sources, bool planar,
                                   int sourceSamples, int sourceBytes, uint8_t* target,
                                   int targetSamples, int targetBytes, bool exchange,
                                   uint32_t count, uint8_t mask) {
    TColorRowLayout layout;
    const auto* first = static_cast<const uint8_t*>(sources[0]);
    for (int k = 0; k < sourceSamples; ++k) {
        if (planar)
            layout.Sample[k] =
                size_t(k) < sources.size() ? static_cast<const uint8_t*>(sources[k]) : first;
        else
            layout.Sample[k] = first + k * sourceBytes;
    }
    layout.SourceStride = size_t(planar ? 1 : sourceSamples) * sourceBytes;
    layout.Planar = planar;
    layout.Target = target;
    layout.TargetStride = size_t(targetSamples) * targetBytes;
    layout.Exchange = exchange;
    layout.Count = count;
    layout.Mask = mask;
    return layout;
}
