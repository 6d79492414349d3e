#include "display/PhysicalPixels.h"

#include <gtest/gtest.h>

namespace {
TEST(PhysicalPixels, ScalesByThePixelRatioBothWays) {
    EXPECT_EQ(PhysicalRect(QRect(10, 20, 30, 40), 1.0), (TRect{10, 20, 40, 60}));
    EXPECT_EQ(PhysicalRect(QRect(10, 20, 30, 40), 2.0), (TRect{20, 40, 80, 120}));
    EXPECT_EQ(LogicalRect(TRect{20, 40, 80, 120}, 2.0), QRect(10, 20, 30, 40));
    EXPECT_EQ(LogicalRect(TRect{0, 0, 0, 0}, 1.5), QRect(0, 0, 0, 0));
    // 1.5: edges round to the nearest logical pixel, the size follows from the edges.
    EXPECT_EQ(LogicalRect(TRect{3, 3, 9, 6}, 1.5), QRect(2, 2, 4, 2));
}
} // namespace
