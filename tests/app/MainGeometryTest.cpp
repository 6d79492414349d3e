#include "ViewerFixture.h"

#include "raster/FastIMG.h"

#include <QAction>

namespace {
class MainGeometry : public ViewerFixture {
protected:
    MainGeometry() {
        Services.Work = {0, 0, 1280, 1024};
        Start({});
    }
    void FitSize(int32_t width, int32_t height) {
        Window->DisplayBuffer->SetSize(width, height);
        Window->FitPicture();
    }
};

TEST_F(MainGeometry, AWidePictureShrinksToTheWorkAreaWidthAndIsCentredAcross) {
    FitSize(4000, 1000);
    EXPECT_EQ(Window->DisplaySurface->BoundsRect(), (TRect{0, 0, 1280, 320}));
    // Left from the work area centre; top kept around the old centre (512).
    EXPECT_EQ(Window->WindowBounds(), (TRect{0, 352, 1280, 672}));
    EXPECT_EQ(Window->DebugLog.back(), "Resize: 5 ms");
}

TEST_F(MainGeometry, EnlargeGrowsASmallPictureToTheBounds) {
    Window->actEnlarge->setChecked(true);
    FitSize(100, 50);
    EXPECT_EQ(Window->DisplaySurface->BoundsRect(), (TRect{0, 0, 1280, 640}));
}

TEST_F(MainGeometry, APictureOfTheBoundsSizeIsNeitherWideNorTall) {
    FitSize(1280, 1024);
    EXPECT_EQ(Window->WindowBounds(), (TRect{0, 0, 1280, 1024}));
}

TEST_F(MainGeometry, ZoomOverridesShrinkAndEnlarge) {
    Window->ZoomFactor = 0.6666667f;
    FitSize(3, 3);
    EXPECT_EQ(Window->DisplaySurface->BoundsRect(), (TRect{0, 0, 2, 2}));
    Window->ZoomFactor = 1.5f;
    FitSize(4000, 1000);
    EXPECT_EQ(Window->DisplaySurface->BoundsRect(), (TRect{0, 0, 6000, 1500}));
}

TEST_F(MainGeometry, TheWindowStaysOnTheWorkArea) {
    Window->SetWindowBounds({1200, 1000, 1210, 1010});
    FitSize(200, 100);
    EXPECT_EQ(Window->WindowBounds(), (TRect{1080, 924, 1280, 1024}));
}

TEST_F(MainGeometry, FullScreenCoversTheScreenAndCentresThePicture) {
    Window->actFullScreen->setChecked(true);
    Window->actHideCursor->setChecked(true);
    FitSize(100, 50);
    EXPECT_EQ(Window->WindowBounds(), (TRect{0, 0, 1280, 1024}));
    EXPECT_EQ(Window->DisplaySurface->BoundsRect(), (TRect{590, 487, 690, 537}));
    EXPECT_EQ(Services.Cursor, (TPoint{1280, 1024}));
}
} // namespace
