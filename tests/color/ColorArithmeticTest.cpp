#include "color/ColorArithmetic.h"

#include <gtest/gtest.h>

namespace {

TEST(ColorArithmetic, MulDiv16TruncatesAWideProduct) {
    struct Case {
        uint32_t a, b, c;
        uint16_t expected;
    };
    const Case cases[] = {
        {255, 65535, 255, 65535},
        {0x1234, 255, 65535, 0x12},
        {1, 65535, 255, 257},
        {65535, 65535, 65535, 65535},
        {3, 15, 7, 6},
        {7, 255, 7, 255},
        {100, 100, 3, 3333},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MulDiv16(c.a, c.b, c.c), c.expected) << c.a << "*" << c.b << "/" << c.c;
}

TEST(ColorArithmetic, DepthChangesMatchMulDiv16ForEverySample) {
    for (uint32_t v = 0; v < 256; ++v)
        ASSERT_EQ(Widen8To16(uint8_t(v)), MulDiv16(v, 65535, 255)) << v;
    for (uint32_t v = 0; v < 65536; ++v)
        ASSERT_EQ(Narrow16To8(uint16_t(v)), uint64_t(v) * 255 / 65535) << v;
}

TEST(ColorArithmetic, ClampSwapAndRound) {
    EXPECT_EQ(Clamp(-1), 0);
    EXPECT_EQ(Clamp(-100000), 0);
    EXPECT_EQ(Clamp(0), 0);
    EXPECT_EQ(Clamp(255), 255);
    EXPECT_EQ(Clamp(256), 255);
    EXPECT_EQ(Clamp(100000), 255);
    EXPECT_EQ(Swap(0x1234), 0x3412);
    EXPECT_EQ(Swap(0x00FF), 0xFF00);
    const std::pair<double, int64_t> rounds[] = {{0.5, 0},    {1.5, 2},   {2.5, 2},
                                                 {-0.5, 0},   {-1.5, -2}, {254.745, 255},
                                                 {2.4999, 2}, {-2.6, -3}};
    for (auto [value, expected] : rounds)
        EXPECT_EQ(Round(value), expected) << value;
}

} // namespace
