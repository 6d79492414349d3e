#include "platform/DeviceContext.h"

#include <algorithm>
#include <array>

namespace {

bool IsEmpty(const TRect& r) {
    return r.Right <= r.Left || r.Bottom <= r.Top;
}

bool Covers(const TRect& r, int32_t x, int32_t y) {
    return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom;
}

// The sorted distinct edges of both rectangles along one axis.
template <typename Edge>
std::vector<int32_t> Edges(const std::array<const TRect*, 2>& rects, Edge first, Edge second) {
    std::vector<int32_t> edges;
    for (const TRect* r : rects) {
        edges.push_back(r->*first);
        edges.push_back(r->*second);
    }
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    return edges;
}

} // namespace

TRegion XorRegion(const TRect& outer, const TRect& inner) {
    std::array<const TRect*, 2> rects;
    size_t count = 0;
    if (!IsEmpty(outer))
        rects[count++] = &outer;
    if (!IsEmpty(inner))
        rects[count++] = &inner;
    if (count < 2)
        return count ? TRegion{*rects[0]} : TRegion{};

    // Split the plane into bands at every edge; within a band a cell belongs to the region
    // when exactly one rectangle covers it. Neighbouring cells of a band are merged.
    const std::vector<int32_t> xs = Edges(rects, &TRect::Left, &TRect::Right);
    const std::vector<int32_t> ys = Edges(rects, &TRect::Top, &TRect::Bottom);
    TRegion region;
    for (size_t j = 0; j + 1 < ys.size(); ++j) {
        bool open = false;
        int32_t start = 0;
        for (size_t i = 0; i + 1 < xs.size(); ++i) {
            const bool inside = Covers(outer, xs[i], ys[j]) != Covers(inner, xs[i], ys[j]);
            if (inside && !open) {
                start = xs[i];
                open = true;
            } else if (!inside && open) {
                region.push_back({start, ys[j], xs[i], ys[j + 1]});
                open = false;
            }
        }
        if (open)
            region.push_back({start, ys[j], xs.back(), ys[j + 1]});
    }
    return region;
}
