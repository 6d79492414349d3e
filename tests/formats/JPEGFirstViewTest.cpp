#include "formats/JPEGFirstView.h"

#include "support/Conformance.h"

#include <gtest/gtest.h>

namespace {
struct TDenominatorCase {
    int32_t Width, Height, BoundsWidth, BoundsHeight;
    int32_t Denominator; // by hand: the smallest 1/d at or above 3/4 of the shown fraction
};

class FirstViewScale : public ::testing::TestWithParam<TDenominatorCase> {};

TEST_P(FirstViewScale, IsTheSmallestThatStillGivesAboutTheShownSize) {
    const TDenominatorCase& c = GetParam();
    EXPECT_EQ(FirstViewDenominator(c.Width, c.Height, c.BoundsWidth, c.BoundsHeight),
              c.Denominator);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, FirstViewScale,
    ::testing::Values(TDenominatorCase{6000, 4000, 1920, 1050, 4}, // shown at 0.2625
                      TDenominatorCase{8000, 6000, 640, 480, 8},   // 0.08
                      TDenominatorCase{2600, 1300, 1280, 1000, 2}, // 0.49
                      TDenominatorCase{1600, 1200, 1280, 1000, 1}, // 0.8
                      TDenominatorCase{4000, 6000, 1920, 1050, 4}, // 0.175: 1/8 is too small
                      TDenominatorCase{640, 480, 1920, 1050, 1},   // not shrunk
                      TDenominatorCase{0, 0, 1920, 1050, 1}));

class JPEGFirstView : public TRegisteredFormatsTest {};

TEST_F(JPEGFirstView, DecodesAtTheScaleAndTellsTheFullSize) {
    const std::string path = std::string(PELORAMA_TEST_DATA) + "/jpeg/baseline420.jpg";
    TJPEGImage full;
    full.LoadFromFile(path);
    std::optional<TJPEGFirstView> view = OpenJPEGFirstView(path, 8, 8);
    ASSERT_TRUE(view);
    EXPECT_EQ(view->Width, full.Width());
    EXPECT_EQ(view->Height, full.Height());
    EXPECT_EQ(view->Picture->Bitmap().Width(), (full.Width() + 7) / 8);
    EXPECT_EQ(view->Picture->Bitmap().Height(), (full.Height() + 7) / 8);
}

TEST_F(JPEGFirstView, OnlyAReadableJpegShownSmallHasOne) {
    const std::string data = PELORAMA_TEST_DATA;
    EXPECT_FALSE(OpenJPEGFirstView(data + "/jpeg/baseline420.jpg", 4096, 4096));
    EXPECT_FALSE(OpenJPEGFirstView(data + "/jpeg/absent.jpg", 8, 8));
    EXPECT_FALSE(OpenJPEGFirstView(data + "/README.md", 8, 8));
}
} // namespace
