#include "ViewerFixture.h"

#include "display/FastIMG.h"

#include <QAction>
#include <QApplication>
#include <QMouseEvent>

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
    EXPECT_EQ(Services.Cursor, (TPoint{1279, 1023}));
}
TEST_F(MainGeometry, ShrinkAfterZoomingReturnsToTheFittedViewAndKeepsTheOption) {
    FitSize(4000, 1000);
    Window->actZoomInExecute();
    EXPECT_EQ(Window->ZoomFactor, 1.5f);
    EXPECT_EQ(Window->DisplaySurface->BoundsRect(), (TRect{0, 0, 6000, 1500}));
    Window->actShrinkExecute();
    EXPECT_EQ(Window->ZoomFactor, 1.0f);
    EXPECT_TRUE(Window->actShrink->isChecked());
    EXPECT_EQ(Window->DisplaySurface->BoundsRect(), (TRect{0, 0, 1280, 320}));
    // Zoom neutral now: the next press turns Shrink off, and the picture is shown whole.
    Window->actShrinkExecute();
    EXPECT_FALSE(Window->actShrink->isChecked());
    EXPECT_EQ(Window->WindowBounds(), (TRect{-1360, 0, 2640, 1000}));
}

TEST_F(MainGeometry, EnlargeAfterZoomingChecksEnlargeAndResetsTheZoom) {
    FitSize(100, 50);
    Window->actZoomOutExecute();
    Window->actEnlargeExecute();
    EXPECT_EQ(Window->ZoomFactor, 1.0f);
    EXPECT_TRUE(Window->actEnlarge->isChecked());
    EXPECT_EQ(Window->DisplaySurface->BoundsRect(), (TRect{0, 0, 1280, 640}));
    Window->actEnlargeExecute();
    EXPECT_FALSE(Window->actEnlarge->isChecked());
    EXPECT_EQ(Window->DisplaySurface->BoundsRect(), (TRect{0, 0, 100, 50}));
}

TEST_F(MainGeometry, ZoomOutOfAThreePixelSquareGivesTwo) {
    FitSize(3, 3);
    Window->actZoomOutExecute();
    EXPECT_EQ(Window->ZoomFactor, 0.6666667f);
    EXPECT_EQ(Window->DisplaySurface->BoundsRect(), (TRect{0, 0, 2, 2}));
}

TEST_F(MainGeometry, ZoomStepsAreThoseOfASingleFloat) {
    const float in[] = {1.5f, 2.0f, 2.5f, 3.0f};
    for (const float expected : in) {
        Window->actZoomInExecute();
        EXPECT_EQ(Window->ZoomFactor, expected);
    }
    Window->ZoomFactor = 1.0f;
    const float out[] = {0.6666667f,  0.44444445f, 0.2962963f,
                         0.19753087f, 0.13168724f, 0.087791495f};
    for (const float expected : out) {
        Window->actZoomOutExecute();
        EXPECT_EQ(Window->ZoomFactor, expected);
    }
}

// Up to twelve steps out come back to exactly 1.0; from thirteen on, single-float rounding
// leaves 0.99999976, which is not neutral, so Shrink no longer applies.
TEST_F(MainGeometry, TwelveZoomOutStepsComeBackExactlyThirteenDoNot) {
    const std::pair<int, float> cases[] = {{1, 1.0f}, {12, 1.0f}, {13, 0.99999976f}};
    for (const auto& [steps, back] : cases) {
        Window->ZoomFactor = 1.0f;
        FitSize(4000, 1000);
        for (int i = 0; i < steps; ++i)
            Window->actZoomOutExecute();
        for (int i = 0; i < steps; ++i)
            Window->actZoomInExecute();
        EXPECT_EQ(Window->ZoomFactor, back) << steps;
        EXPECT_EQ(Window->DisplaySurface->BoundsRect().Width(), back == 1.0f ? 1280 : 4000)
            << steps;
    }
}

TEST_F(MainGeometry, TheFullScreenActionFlipsOnceAndPlacesTheWindow) {
    FitSize(100, 50);
    Window->actFullScreen->trigger();
    EXPECT_TRUE(Window->actFullScreen->isChecked());
    EXPECT_EQ(Window->WindowBounds(), (TRect{0, 0, 1280, 1024}));
    EXPECT_EQ(Window->DisplaySurface->BoundsRect(), (TRect{590, 487, 690, 537}));
    Window->actFullScreen->trigger();
    EXPECT_FALSE(Window->actFullScreen->isChecked());
    // Fitted around the full-screen window's centre.
    EXPECT_EQ(Window->WindowBounds(), (TRect{590, 487, 690, 537}));
    EXPECT_EQ(Window->DisplaySurface->BoundsRect(), (TRect{0, 0, 100, 50}));
}

TEST_F(MainGeometry, ADoubleClickOnTheSurfaceOrTheWindowTogglesFullScreen) {
    FitSize(100, 50);
    for (QWidget* target :
         {static_cast<QWidget*>(Window->DisplaySurface), static_cast<QWidget*>(Window.get())}) {
        const bool before = Window->actFullScreen->isChecked();
        QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &click);
        EXPECT_NE(Window->actFullScreen->isChecked(), before);
    }
}

TEST_F(MainGeometry, FullScreenParksTheCursorAndLeavingCentresItWhenStillParked) {
    Window->actHideCursor->trigger();
    EXPECT_TRUE(Window->actHideCursor->isChecked());
    FitSize(100, 50);
    EXPECT_EQ(Services.Cursor, (TPoint{}));
    Window->actFullScreenExecute();
    EXPECT_EQ(Services.Cursor, (TPoint{1279, 1023}));
    Services.Cursor = {1000, 1000};
    Window->FitPicture();
    EXPECT_EQ(Services.Cursor, (TPoint{1279, 1023}));
    Services.Cursor = {1271, 1015};
    Window->actFullScreenExecute();
    EXPECT_EQ(Services.Cursor, (TPoint{640, 512}));
}

TEST_F(MainGeometry, OnlyACursorNearTheCornerIsCentred) {
    const std::pair<TPoint, TPoint> cases[] = {
        {{1271, 1015}, {640, 512}},
        {{1270, 1015}, {1270, 1015}},
        {{1271, 1014}, {1271, 1014}},
        {{1279, 1023}, {640, 512}},
        // Beyond the screen's edge the cursor is on another screen.
        {{1280, 1023}, {1280, 1023}},
    };
    Window->actHideCursorExecute();
    for (const auto& [before, after] : cases) {
        Services.Cursor = before;
        Window->CentreParkedCursor();
        EXPECT_EQ(Services.Cursor, after) << before.X << "," << before.Y;
    }
    Window->actHideCursorExecute();
    Services.Cursor = {1279, 1023};
    Window->CentreParkedCursor();
    EXPECT_EQ(Services.Cursor, (TPoint{1279, 1023}));
}

TEST_F(MainGeometry, TheSizingBorderWaitsForTheEndOfFullScreen) {
    EXPECT_FALSE(Window->SizingBorderApplied);
    Window->actSizingBorder->trigger();
    EXPECT_TRUE(Window->actSizingBorder->isChecked());
    EXPECT_TRUE(Window->SizingBorderApplied);
    Window->actFullScreenExecute();
    EXPECT_FALSE(Window->SizingBorderApplied);
    Window->actSizingBorderExecute();
    Window->actSizingBorderExecute();
    EXPECT_TRUE(Window->actSizingBorder->isChecked());
    EXPECT_FALSE(Window->SizingBorderApplied);
    Window->actFullScreenExecute();
    EXPECT_TRUE(Window->SizingBorderApplied);
    Window->actSizingBorderExecute();
    EXPECT_FALSE(Window->SizingBorderApplied);
}

TEST_F(MainGeometry, FilteringSwitchesTheSurfaceWithoutRefitting) {
    FitSize(100, 50);
    const size_t lines = Window->DebugLog.size();
    Window->actFiltering->trigger();
    EXPECT_FALSE(Window->actFiltering->isChecked());
    EXPECT_FALSE(Window->DisplaySurface->BilinearResize());
    EXPECT_EQ(Window->DebugLog.size(), lines);
    Window->actFilteringExecute();
    EXPECT_TRUE(Window->DisplaySurface->BilinearResize());
}

TEST_F(MainGeometry, AResizedWindowStretchesTheSurfaceOnlyInWindowModeAfterStartUp) {
    // Resize events reach a shown window only. Its activation finds no directory to browse:
    // start-up is left unfinished.
    Services.FolderAnswers = {std::nullopt};
    Window->show();
    FitSize(100, 50);
    Window->SetWindowBounds({10, 10, 310, 210});
    QCoreApplication::processEvents();
    EXPECT_EQ(Window->DisplaySurface->BoundsRect(), (TRect{0, 0, 100, 50}));
    Window->FirstActivation = false;
    Window->SetWindowBounds({10, 10, 410, 260});
    EXPECT_TRUE(WaitFor([&] {
        return Window->DisplaySurface->BoundsRect() == TRect{0, 0, 400, 250};
    }));
    Window->actFullScreenExecute();
    Window->SetWindowBounds({0, 0, 1000, 1000});
    QCoreApplication::processEvents();
    EXPECT_EQ(Window->DisplaySurface->BoundsRect(), (TRect{590, 487, 690, 537}));
}
// Two screens side by side, the primary on the right, not at the origin:
//   secondary (0, 0) 1920 x 1080, work area without a 40-pixel panel at its bottom;
//   primary (1920, 0) 1280 x 1024, work area without a 24-pixel panel at its top.
class MainGeometryTwoScreens : public ViewerFixture {
protected:
    MainGeometryTwoScreens() {
        Services.Screen = {1920, 0, 3200, 1024};
        Services.Work = {1920, 24, 3200, 1024};
        Services.OtherScreens = {{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}}};
        Start({});
        Window->DisplayBuffer->SetSize(100, 50);
        Window->actHideCursor->setChecked(true);
    }
};

TEST_F(MainGeometryTwoScreens, TheWindowStartsOnThePrimaryScreensWorkArea) {
    Window->FitPicture();
    // Centre of the work area: (2560, 524).
    EXPECT_EQ(Window->WindowBounds(), (TRect{2510, 499, 2610, 549}));
}

struct TScreenCase {
    const char* Label;
    TRect WindowBefore;  // somewhere on one screen
    TRect FullScreen;    // the window in full screen: that screen
    TPoint Parked;       // its last pixel
    TRect WindowAfter;   // back in window mode: around that screen's centre
    TRect KeptOnTheWork; // a 300 x 200 picture pushed past the work area's corner
};

class MainGeometryOnEachScreen : public MainGeometryTwoScreens,
                                 public testing::WithParamInterface<TScreenCase> {};

TEST_P(MainGeometryOnEachScreen, FullScreenCoversTheScreenThatHoldsTheWindow) {
    const TScreenCase& c = GetParam();
    Window->SetWindowBounds(c.WindowBefore);
    Window->actFullScreenExecute();
    EXPECT_EQ(Window->WindowBounds(), c.FullScreen);
    EXPECT_EQ(Window->DisplaySurface->BoundsRect().Width(), 100);
    EXPECT_EQ(Services.Cursor, c.Parked);
    Window->actFullScreenExecute();
    EXPECT_EQ(Window->WindowBounds(), c.WindowAfter);
    // The parked cursor comes back to that screen's centre.
    EXPECT_EQ(Services.Cursor, (TPoint{(c.FullScreen.Left + c.FullScreen.Right) / 2,
                                       (c.FullScreen.Top + c.FullScreen.Bottom) / 2}));

    Window->SetWindowBounds({c.KeptOnTheWork.Right - 10, c.KeptOnTheWork.Bottom - 10,
                             c.KeptOnTheWork.Right + 10, c.KeptOnTheWork.Bottom + 10});
    Window->DisplayBuffer->SetSize(300, 200);
    Window->FitPicture();
    EXPECT_EQ(Window->WindowBounds(), c.KeptOnTheWork);
}

INSTANTIATE_TEST_SUITE_P(Screens, MainGeometryOnEachScreen,
                         testing::Values(TScreenCase{"Primary",
                                                     {3000, 100, 3100, 150},
                                                     {1920, 0, 3200, 1024},
                                                     {3199, 1023},
                                                     {2510, 487, 2610, 537},
                                                     {2900, 824, 3200, 1024}},
                                         TScreenCase{"Secondary",
                                                     {100, 900, 200, 950},
                                                     {0, 0, 1920, 1080},
                                                     {1919, 1079},
                                                     {910, 515, 1010, 565},
                                                     {1620, 840, 1920, 1040}}),
                         [](const auto& info) { return std::string(info.param.Label); });

TEST_F(MainGeometryTwoScreens, AWidePictureIsCentredOnItsScreensWorkArea) {
    Window->SetWindowBounds({100, 100, 200, 200});
    Window->DisplayBuffer->SetSize(4000, 500);
    Window->FitPicture();
    // Shrunk to the secondary's width 1920, height ceil(1920 / 8) = 240.
    EXPECT_EQ(Window->WindowBounds(), (TRect{0, 30, 1920, 270}));
}
} // namespace
