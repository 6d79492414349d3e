#include "formats/PNGFilters.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

struct TPaethCase {
    uint32_t BytesPerPixel;
    uint32_t Length;
};

class PNGPaethFilterTest : public ::testing::TestWithParam<TPaethCase> {};

// Every pixel size the format has, on noise (where the predictor's choice varies most) and
// on rows whose length is not a whole number of pixels: the unfiltered row must be what the
// byte-wise definition gives.
TEST_P(PNGPaethFilterTest, MatchesTheBytewiseDefinition) {
    const auto [bpp, length] = GetParam();
    std::mt19937 random(bpp * 1000 + length);
    std::vector<uint8_t> previous(length), row(length);
    for (int pass = 0; pass < 3; ++pass) {
        for (uint8_t& b : row)
            b = uint8_t(random() % (pass == 2 ? 4 : 256)); // the last pass full of ties
        std::vector<uint8_t> expected = row;
        for (uint32_t i = 0; i < length; ++i) {
            const int left = i >= bpp ? expected[i - bpp] : 0;
            const int upperLeft = i >= bpp ? previous[i - bpp] : 0;
            expected[i] = uint8_t(expected[i] + PaethPredictor(left, previous[i], upperLeft));
        }
        UnfilterPNGRow(4, row.data(), previous.data(), length, bpp);
        ASSERT_EQ(row, expected) << "pass " << pass;
        previous = row;
    }
}

INSTANTIATE_TEST_SUITE_P(PixelSizes, PNGPaethFilterTest,
                         ::testing::Values(TPaethCase{1, 97}, TPaethCase{2, 98}, TPaethCase{3, 99},
                                           TPaethCase{3, 100}, TPaethCase{4, 100},
                                           TPaethCase{6, 96}, TPaethCase{8, 96}, TPaethCase{8, 5},
                                           TPaethCase{3, 2}));

// Hand-worked: p = left + above - upper-left, the nearest of the three wins.
TEST(PNGPaethPredictorTest, TiesGoToLeftThenAbove) {
    EXPECT_EQ(PaethPredictor(30, 60, 50), 30);   // p = 40: left and upper-left 10 away
    EXPECT_EQ(PaethPredictor(60, 30, 50), 30);   // p = 40: above and upper-left 10 away
    EXPECT_EQ(PaethPredictor(20, 10, 15), 15);   // p = 15
    EXPECT_EQ(PaethPredictor(100, 50, 60), 100); // p = 90
}

} // namespace
