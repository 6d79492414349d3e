#include "display/FastIMG.h"
#include "platform/MemoryDeviceContext.h"
#include "raster/FastBMP.h"

#include <QApplication>
#include <QImage>

#include <gtest/gtest.h>

#include <cstring>

namespace {
const TColorRGB Red{255, 0, 0};
const TColorRGB Blue{0, 0, 255};
const TColorRGB Marker{1, 2, 3};

void Fill(TFastBMP& buffer, TColorRGB color) {
    for (int32_t y = 0; y < buffer.Height; ++y)
        for (int32_t x = 0; x < buffer.Width; ++x) {
            uint8_t* p = buffer.RowTable[size_t(y)] + x * 3;
            p[0] = color.Blue;
            p[1] = color.Green;
            p[2] = color.Red;
        }
}

// Buffer row 0 is the bottom row; (x, y) here counts from the top like the screen.
void SetTopDown(TFastBMP& buffer, int32_t x, int32_t y, TColorRGB color) {
    uint8_t* p = buffer.RowTable[size_t(buffer.Height - 1 - y)] + x * 3;
    p[0] = color.Blue;
    p[1] = color.Green;
    p[2] = color.Red;
}

// Paints into memory and remembers the margin fills, so that "no fill" can be told apart
// from a fill that the picture later covers.
class TRecordingContext : public TMemoryDeviceContext {
public:
    using TMemoryDeviceContext::TMemoryDeviceContext;
    void FillRegion(const TRegion& region, TColorRGB color) override {
        Fills.push_back(region);
        TMemoryDeviceContext::FillRegion(region, color);
    }
    std::vector<TRegion> Fills;
};

TRecordingContext MarkedContext(int32_t width, int32_t height) {
    TRecordingContext dc(width, height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            dc.SetPixel(x, y, Marker);
    return dc;
}

struct TSurfaceFixture : testing::Test {
    TSurfaceFixture() : Surface(nullptr) {
        Surface.Color = Blue;
        Surface.SetBuffer(&Buffer);
    }
    void Place(int32_t width, int32_t height) { Surface.SetBounds(0, 0, width, height); }
    TFastBMP Buffer;
    TFastIMG Surface;
};

using FastIMG = TSurfaceFixture;

TEST_F(FastIMG, ResizeFitsAWidePictureCentredWithBandsAboveAndBelow) {
    Buffer.SetSize(400, 300);
    Fill(Buffer, Red);
    Place(200, 200);
    Surface.SetDrawStyle(dsResize);
    TRecordingContext dc = MarkedContext(200, 200);
    Surface.PaintTo(dc);
    for (int32_t x : {0, 100, 199}) {
        EXPECT_EQ(dc.Pixel(x, 0), Blue);
        EXPECT_EQ(dc.Pixel(x, 24), Blue);
        EXPECT_EQ(dc.Pixel(x, 25), Red);
        EXPECT_EQ(dc.Pixel(x, 174), Red);
        EXPECT_EQ(dc.Pixel(x, 175), Blue);
        EXPECT_EQ(dc.Pixel(x, 199), Blue);
    }
    ASSERT_EQ(dc.Fills.size(), 1u);
}

TEST_F(FastIMG, ResizeFitsATallPictureCentredWithBandsLeftAndRight) {
    Buffer.SetSize(100, 200);
    Fill(Buffer, Red);
    Place(300, 100);
    Surface.SetDrawStyle(dsResize);
    TRecordingContext dc = MarkedContext(300, 100);
    Surface.PaintTo(dc);
    // 50 x 100 at (125, 0)
    EXPECT_EQ(dc.Pixel(124, 50), Blue);
    EXPECT_EQ(dc.Pixel(125, 50), Red);
    EXPECT_EQ(dc.Pixel(174, 50), Red);
    EXPECT_EQ(dc.Pixel(175, 50), Blue);
}

TEST_F(FastIMG, ResizeInThePicturesProportionsFillsNothing) {
    Buffer.SetSize(200, 150);
    Fill(Buffer, Red);
    Place(400, 300);
    for (const bool bilinear : {false, true}) {
        Surface.SetBilinearResize(bilinear);
        Surface.SetDrawStyle(dsResize);
        TRecordingContext dc = MarkedContext(400, 300);
        Surface.PaintTo(dc);
        EXPECT_TRUE(dc.Fills.empty());
        EXPECT_EQ(dc.Pixel(0, 0), Red);
        EXPECT_EQ(dc.Pixel(399, 299), Red);
    }
}

TEST_F(FastIMG, BilinearStretchOfOneRowNeverReachesTheLastValue) {
    Buffer.SetSize(2, 1);
    SetTopDown(Buffer, 0, 0, {0, 0, 0});
    SetTopDown(Buffer, 1, 0, {255, 255, 255});
    Place(4, 1);
    Surface.SetBilinearResize(true);
    Surface.SetDrawStyle(dsStretch);
    TRecordingContext dc = MarkedContext(4, 1);
    Surface.PaintTo(dc);
    const uint8_t expected[] = {0, 63, 127, 191};
    for (int32_t x = 0; x < 4; ++x)
        EXPECT_EQ(dc.Pixel(x, 0), (TColorRGB{expected[x], expected[x], expected[x]})) << x;
}

TEST_F(FastIMG, FilteredPaintAtTheSameSizeShowsThePixelsUnchanged) {
    Buffer.SetSize(5, 3);
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 5; ++x)
            SetTopDown(Buffer, x, y, {uint8_t(x * 50), uint8_t(y * 100), uint8_t(x + y)});
    Place(5, 3);
    Surface.SetBilinearResize(true);
    Surface.SetDrawStyle(dsResize);
    TRecordingContext dc = MarkedContext(5, 3);
    Surface.PaintTo(dc);
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 5; ++x)
            EXPECT_EQ(dc.Pixel(x, y),
                      (TColorRGB{uint8_t(x * 50), uint8_t(y * 100), uint8_t(x + y)}));
}

TEST_F(FastIMG, FilteredPaintOfAOnePixelWideSourceReplicatesTheColumn) {
    Buffer.SetSize(1, 3);
    const TColorRGB rows[] = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}};
    for (int32_t y = 0; y < 3; ++y)
        SetTopDown(Buffer, 0, y, rows[y]);
    Place(4, 3);
    Surface.SetBilinearResize(true);
    Surface.SetDrawStyle(dsStretch);
    TRecordingContext dc = MarkedContext(4, 3);
    Surface.PaintTo(dc);
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 4; ++x)
            EXPECT_EQ(dc.Pixel(x, y), rows[y]);
}

// Zoomed far past the screen, the filtered picture is still filtered where it shows: only that
// part is resampled. Here the whole would be 200000 x 2000 pixels, more than a buffer may be.
TEST_F(FastIMG, FilteredPaintFarPastTheScreenResamplesOnlyTheVisiblePart) {
    Buffer.SetSize(1000, 2);
    for (int32_t x = 0; x < 1000; ++x)
        SetTopDown(Buffer, x, 0, {200, 200, 200}); // the bottom row stays black
    QWidget screen;
    screen.resize(40, 30);
    Surface.setParent(&screen);
    Surface.show();
    Place(200000, 2000);
    Surface.SetBilinearResize(true);
    Surface.SetDrawStyle(dsStretch);
    const QImage shown = screen.grab().toImage();
    Surface.setParent(nullptr);
    // Screen row t is stored row 1999 - t, 16 / 32768 of the way up per row: the blend of the
    // black and the gray row is (200 * 16 * (1999 - t)) >> 15.
    for (int t : {0, 15, 29})
        EXPECT_EQ(qRed(shown.pixel(7, t)), (200 * 16 * (1999 - t)) >> 15) << t;
}

TEST_F(FastIMG, PlainStretchRepeatsPixelsWithoutAveraging) {
    Buffer.SetSize(2, 2);
    SetTopDown(Buffer, 0, 0, {0, 0, 0});
    SetTopDown(Buffer, 1, 0, {255, 255, 255});
    SetTopDown(Buffer, 0, 1, {255, 0, 0});
    SetTopDown(Buffer, 1, 1, {0, 0, 255});
    Place(6, 6);
    Surface.SetBilinearResize(false);
    Surface.SetDrawStyle(dsStretch);
    TRecordingContext dc = MarkedContext(6, 6);
    Surface.PaintTo(dc);
    for (int32_t y = 0; y < 6; ++y)
        for (int32_t x = 0; x < 6; ++x) {
            const TColorRGB expected = y < 3
                                           ? (x < 3 ? TColorRGB{0, 0, 0} : TColorRGB{255, 255, 255})
                                           : (x < 3 ? TColorRGB{255, 0, 0} : TColorRGB{0, 0, 255});
            EXPECT_EQ(dc.Pixel(x, y), expected) << x << "," << y;
        }
}

TEST_F(FastIMG, DrawAndCenterFillOnlyAroundASmallerPicture) {
    Buffer.SetSize(2, 2);
    Fill(Buffer, Red);
    Place(6, 4);
    Surface.SetDrawStyle(dsDraw);
    TRecordingContext drawn = MarkedContext(6, 4);
    Surface.PaintTo(drawn);
    EXPECT_EQ(drawn.Pixel(0, 0), Red);
    EXPECT_EQ(drawn.Pixel(1, 1), Red);
    EXPECT_EQ(drawn.Pixel(2, 0), Blue);
    EXPECT_EQ(drawn.Pixel(0, 2), Blue);

    Surface.SetDrawStyle(dsCenter);
    TRecordingContext centred = MarkedContext(6, 4);
    Surface.PaintTo(centred);
    EXPECT_EQ(centred.Pixel(1, 1), Blue);
    EXPECT_EQ(centred.Pixel(2, 1), Red);
    EXPECT_EQ(centred.Pixel(3, 2), Red);
    EXPECT_EQ(centred.Pixel(4, 2), Blue);
}

TEST_F(FastIMG, CenterOfALargerPictureShowsItsMiddleWithoutFill) {
    Buffer.SetSize(5, 5);
    Fill(Buffer, Red);
    SetTopDown(Buffer, 2, 2, {0, 255, 0});
    Place(1, 1);
    Surface.SetDrawStyle(dsCenter);
    TRecordingContext dc = MarkedContext(1, 1);
    Surface.PaintTo(dc);
    EXPECT_TRUE(dc.Fills.empty());
    EXPECT_EQ(dc.Pixel(0, 0), (TColorRGB{0, 255, 0}));
}

TEST_F(FastIMG, TileRepeatsThePictureFromTheTopLeft) {
    Buffer.SetSize(2, 1);
    SetTopDown(Buffer, 0, 0, Red);
    SetTopDown(Buffer, 1, 0, {0, 255, 0});
    Place(5, 2);
    Surface.SetDrawStyle(dsTile);
    TRecordingContext dc = MarkedContext(5, 2);
    Surface.PaintTo(dc);
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 5; ++x)
            EXPECT_EQ(dc.Pixel(x, y), x % 2 == 0 ? Red : (TColorRGB{0, 255, 0}));
}

TEST_F(FastIMG, WithoutAPictureTheWholeControlShowsItsColour) {
    Place(3, 2);
    Surface.SetDrawStyle(dsResize);
    TRecordingContext empty = MarkedContext(3, 2);
    Surface.PaintTo(empty);
    TFastIMG unassigned(nullptr);
    unassigned.Color = Blue;
    unassigned.SetBounds(0, 0, 3, 2);
    TRecordingContext none = MarkedContext(3, 2);
    unassigned.PaintTo(none);
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 3; ++x) {
            EXPECT_EQ(empty.Pixel(x, y), Blue);
            EXPECT_EQ(none.Pixel(x, y), Blue);
        }
}

TEST_F(FastIMG, AutoSizeTakesTheBuffersSizeWhenItIsAssigned) {
    Buffer.SetSize(30, 20);
    Surface.SetBounds(7, 9, 100, 100);
    Surface.SetAutoSize(true);
    EXPECT_EQ(Surface.BoundsRect(), (TRect{7, 9, 37, 29}));
    TFastBMP other;
    other.SetSize(12, 11);
    Surface.SetBuffer(&other);
    EXPECT_EQ(Surface.BoundsRect(), (TRect{7, 9, 19, 20}));
    Surface.SetBuffer(&Buffer);
}

TEST_F(FastIMG, StyleAndFilteringRepaintAtOnceAssigningABufferDoesNot) {
    Buffer.SetSize(4, 4);
    Place(4, 4);
    Surface.show();
    QApplication::processEvents();
    const int64_t before = Surface.PaintCount();
    Surface.SetBuffer(&Buffer);
    EXPECT_EQ(Surface.PaintCount(), before);
    Surface.SetDrawStyle(dsResize);
    EXPECT_EQ(Surface.PaintCount(), before + 1);
    Surface.SetBilinearResize(true);
    EXPECT_EQ(Surface.PaintCount(), before + 2);
}

TEST_F(FastIMG, TheInfoLineIsDrawnOnTheScreenNeverIntoTheBuffer) {
    Buffer.SetSize(300, 100);
    Fill(Buffer, Red);
    Place(300, 100);
    const std::vector<uint8_t> pixels(Buffer.PixelData, Buffer.PixelData + Buffer.ByteSize);
    const auto red = [](const QImage& image, int x, int y) {
        return image.pixelColor(x, y) == QColor(255, 0, 0);
    };
    const QImage plain = Surface.grab().toImage();
    ASSERT_TRUE(red(plain, 5, 95));

    Surface.SetInfoLine("a.png   1/2   300 x 100   100%");
    EXPECT_EQ(Surface.InfoLine(), "a.png   1/2   300 x 100   100%");
    const QImage withLine = Surface.grab().toImage();
    // A darker band along the bottom, the picture above it untouched.
    EXPECT_FALSE(red(withLine, 295, 98));
    EXPECT_LT(withLine.pixelColor(295, 98).red(), 255);
    EXPECT_TRUE(red(withLine, 5, 5));
    bool white = false;
    for (int x = 0; x < 150 && !white; ++x)
        for (int y = 80; y < 100 && !white; ++y)
            white = withLine.pixelColor(x, y).green() > 128;
    EXPECT_TRUE(white) << "no text in the band";
    EXPECT_EQ(std::memcmp(Buffer.PixelData, pixels.data(), pixels.size()), 0);

    Surface.SetInfoLine("");
    EXPECT_EQ(Surface.grab().toImage(), plain);
}
} // namespace
