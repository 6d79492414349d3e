#include "platform/DeviceContext.h"

#include "platform/PictureLimits.h"

#include <algorithm>
#include <array>
#include <cstring>

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

bool TDeviceContext::DrawFilled(int32_t x, int32_t y, int32_t w, int32_t h,
                                const std::function<void(const TBgrxRows&)>& fill) {
    if (w <= 0 || h <= 0)
        return true;
    std::vector<uint8_t> pixels(size_t(w) * size_t(h) * 4);
    fill({pixels.data(), int64_t(w) * 4, w, h});
    // Packed into a top-down 24-bit DIB, each row padded to four bytes.
    const size_t stride = size_t(DibRowBytes(w, 24));
    std::vector<uint8_t> dib(stride * size_t(h));
    for (size_t row = 0; row < size_t(h); ++row)
        for (size_t column = 0; column < size_t(w); ++column)
            std::memcpy(&dib[row * stride + column * 3], &pixels[(row * size_t(w) + column) * 4],
                        3);
    TBitmapInfoHeader info;
    info.biWidth = w;
    info.biHeight = -h;
    StretchDIBits(x, y, w, h, 0, 0, w, h, dib.data(), info);
    return true;
}
