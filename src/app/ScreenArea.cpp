#include "app/ScreenArea.h"

#include <algorithm>

namespace {
// Squared distance from the point to the nearest pixel of the rectangle; 0 inside it.
int64_t DistanceSquared(const TRect& rect, TPoint point) {
    const int64_t dx = std::max(
        {int64_t(rect.Left) - point.X, int64_t(0), int64_t(point.X) - (int64_t(rect.Right) - 1)});
    const int64_t dy = std::max(
        {int64_t(rect.Top) - point.Y, int64_t(0), int64_t(point.Y) - (int64_t(rect.Bottom) - 1)});
    return dx * dx + dy * dy;
}
} // namespace

const TScreenArea* NearestScreen(const std::vector<TScreenArea>& screens, TPoint point) {
    const TScreenArea* nearest = nullptr;
    int64_t best = 0;
    for (const TScreenArea& screen : screens) {
        const int64_t distance = DistanceSquared(screen.Geometry, point);
        if (!nearest || distance < best) {
            nearest = &screen;
            best = distance;
        }
    }
    return nearest;
}
