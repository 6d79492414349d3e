#include "platform/DeviceContext.h"

#include <gtest/gtest.h>

namespace {

bool Inside(const TRect& r, int32_t x, int32_t y) {
    return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom;
}

TEST(XorRegion, CoversExactlyThePointsInOneRectangleButNotBoth) {
    struct Case {
        const char* Name;
        TRect Outer, Inner;
        size_t MaxRectangles;
    };
    const Case cases[] = {
        {"centred picture", {0, 0, 20, 10}, {5, 2, 15, 8}, 4},
        {"bands above and below", {0, 0, 20, 20}, {0, 5, 20, 15}, 2},
        {"bands left and right", {0, 0, 20, 20}, {4, 0, 16, 20}, 2},
        {"equal", {0, 0, 20, 20}, {0, 0, 20, 20}, 0},
        {"overlapping", {0, 0, 10, 10}, {5, 5, 15, 15}, 4},
        {"disjoint", {0, 0, 5, 5}, {10, 10, 15, 15}, 2},
        {"inner larger", {2, 2, 6, 6}, {-3, -3, 12, 12}, 4},
        {"inner empty", {0, 0, 10, 10}, {5, 5, 5, 9}, 1},
        {"outer empty", {0, 0, 0, 0}, {1, 1, 4, 4}, 1},
        {"inverted inner", {0, 0, 10, 10}, {8, 8, 2, 2}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const TRegion region = XorRegion(c.Outer, c.Inner);
        EXPECT_LE(region.size(), c.MaxRectangles);
        const auto valid = [](const TRect& r) { return r.Right > r.Left && r.Bottom > r.Top; };
        for (int32_t y = -5; y < 25; ++y)
            for (int32_t x = -5; x < 25; ++x) {
                int covered = 0;
                for (const TRect& r : region)
                    covered += Inside(r, x, y);
                const bool inOuter = valid(c.Outer) && Inside(c.Outer, x, y);
                const bool inInner = valid(c.Inner) && Inside(c.Inner, x, y);
                ASSERT_EQ(covered, inOuter != inInner ? 1 : 0) << x << "," << y;
            }
    }
}

} // namespace
