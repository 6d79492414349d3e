#include "ViewerFixture.h"

#include "platform/PictureLimits.h"
#include "raster/FastFX.h"

#include <QAction>
#include <QLocale>
#include <QMenu>

#include <cstring>

namespace {
using Bytes = std::vector<uint8_t>;

class MainProcessing : public ViewerFixture {
protected:
    // Angles are read in the user's locale: the tests fix one.
    MainProcessing() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    ~MainProcessing() override { QLocale::setDefault(PreviousLocale); }

    const QLocale PreviousLocale;

    // A picture whose every pixel differs from the others, so any misplaced pixel shows.
    TfrmMain& StartWithPicture(int width, int height) {
        std::vector<TRgb> pixels;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                pixels.push_back({uint8_t(x), uint8_t(y), uint8_t(x * 7 + y * 13)});
        return *Start({WriteTestPicture(PathOf("picture.tbmp"), width, height, pixels)});
    }

    static Bytes PixelsOf(const TFastBMP& buffer) {
        return Bytes(buffer.PixelData, buffer.PixelData + buffer.ByteSize);
    }

    // Rotates by the typed text through the "Rotate arbitrary..." dialog.
    void RotateTyped(TfrmMain& window, const std::string& text) {
        Services.InputAnswers = {text};
        window.actRotateArbExecute();
    }
};

TEST_F(MainProcessing, QuarterTurnsMovePixelsExactlyAndBackAgain) {
    TfrmMain& window = StartWithPicture(5, 3);
    const Bytes original = PixelsOf(*window.DisplayBuffer);
    window.actRotate90cw->trigger();
    ASSERT_EQ(window.DisplayBuffer->Width, 3);
    ASSERT_EQ(window.DisplayBuffer->Height, 5);
    // Clockwise: the old bottom-left corner is the new top-left one, the old top-left the new
    // top-right.
    EXPECT_TRUE(TopDownPixel(*window.DisplayBuffer, 0, 0) == (TRgb{0, 2, 26}));
    EXPECT_TRUE(TopDownPixel(*window.DisplayBuffer, 2, 0) == (TRgb{0, 0, 0}));
    EXPECT_TRUE(TopDownPixel(*window.DisplayBuffer, 2, 4) == (TRgb{4, 0, 28}));
    EXPECT_EQ(window.DebugLog.back(), "Resize: 5 ms");
    window.actRotate90ccw->trigger();
    EXPECT_EQ(window.DisplayBuffer->Width, 5);
    EXPECT_EQ(window.DisplayBuffer->Height, 3);
    EXPECT_EQ(PixelsOf(*window.DisplayBuffer), original);
    // The loaded picture is never touched.
    EXPECT_EQ(PixelsOf(*window.CurrentBmp), original);
}

TEST_F(MainProcessing, HalfAndNoTurnTakeTheExactPath) {
    TfrmMain& window = StartWithPicture(5, 3);
    const Bytes original = PixelsOf(*window.DisplayBuffer);
    RotateTyped(window, "0");
    EXPECT_EQ(PixelsOf(*window.DisplayBuffer), original);
    RotateTyped(window, "180");
    EXPECT_EQ(window.DisplayBuffer->Width, 5);
    EXPECT_EQ(window.DisplayBuffer->Height, 3);
    TFastBMP expected;
    expected.AssignPixels(*window.CurrentBmp);
    FlipHorizontal(expected);
    FlipVertical(expected);
    EXPECT_EQ(PixelsOf(*window.DisplayBuffer), PixelsOf(expected));
    // Any whole multiple of a quarter turn, also beyond every integer range.
    RotateTyped(window, "-540");
    EXPECT_EQ(PixelsOf(*window.DisplayBuffer), original);
    RotateTyped(window, "1e300");
    EXPECT_EQ(PixelsOf(*window.DisplayBuffer), original);
}

TEST_F(MainProcessing, AnAngleOf45GivesTheBoundingBoxWithBlackCornersAndBackIsLarger) {
    TfrmMain& window = StartWithPicture(200, 100);
    RotateTyped(window, "45");
    EXPECT_EQ(window.DisplayBuffer->Width, 212);
    EXPECT_EQ(window.DisplayBuffer->Height, 212);
    EXPECT_TRUE(TopDownPixel(*window.DisplayBuffer, 0, 0) == (TRgb{0, 0, 0}));
    EXPECT_TRUE(TopDownPixel(*window.DisplayBuffer, 211, 211) == (TRgb{0, 0, 0}));
    EXPECT_FALSE(TopDownPixel(*window.DisplayBuffer, 106, 106) == (TRgb{0, 0, 0}));
    RotateTyped(window, "-45");
    EXPECT_EQ(window.DisplayBuffer->Width, 300);
    EXPECT_EQ(window.DisplayBuffer->Height, 300);
}

TEST_F(MainProcessing, NinetyPointZeroIsAQuarterTurnAndNinetyPointFiveIsNot) {
    TfrmMain& window = StartWithPicture(200, 100);
    RotateTyped(window, "90.0");
    const Bytes quarter = PixelsOf(*window.DisplayBuffer);
    EXPECT_EQ(window.DisplayBuffer->Width, 100);
    EXPECT_EQ(window.DisplayBuffer->Height, 200);
    window.actRevertExecute();
    window.actRotate90ccwExecute();
    EXPECT_EQ(PixelsOf(*window.DisplayBuffer), quarter);

    window.actRevertExecute();
    RotateTyped(window, "90.5");
    EXPECT_EQ(window.DisplayBuffer->Width, 102);
    EXPECT_EQ(window.DisplayBuffer->Height, 201);
    // An exponent is a number too.
    window.actRevertExecute();
    RotateTyped(window, "9E1");
    EXPECT_EQ(PixelsOf(*window.DisplayBuffer), quarter);
}

TEST_F(MainProcessing, TheAngleDialogAndTextsThatAreNoNumber) {
    TfrmMain& window = StartWithPicture(5, 3);
    const Bytes original = PixelsOf(*window.DisplayBuffer);
    Services.InputAnswers = {std::nullopt};
    window.actRotateArb->trigger();
    ASSERT_EQ(Services.InputPrompts.size(), 1u);
    EXPECT_EQ(Services.InputPrompts[0].Caption, "Rotate Arbitrary");
    EXPECT_EQ(Services.InputPrompts[0].Prompt, "Angle (in degrees)");
    EXPECT_EQ(Services.InputPrompts[0].Initial, "");
    EXPECT_TRUE(Services.Messages.empty());

    for (const char* text : {"abc", "", "90 degrees", "inf", "nan", "1,080"}) {
        Services.MessageAnswers = {TMessageAnswer::maOk};
        RotateTyped(window, text);
        ASSERT_EQ(Services.Messages.size(), 1u) << text;
        EXPECT_EQ(Services.Messages[0].Text, "Incorrect value");
        EXPECT_EQ(Services.Messages[0].Kind, TMessageKind::mkError);
        EXPECT_EQ(Services.Messages[0].Buttons, TMessageButtons::mbOk);
        Services.Messages.clear();
        EXPECT_EQ(PixelsOf(*window.DisplayBuffer), original) << text;
    }
}

TEST_F(MainProcessing, TheUsersLocaleDecidesTheDecimalSeparator) {
    TfrmMain& window = StartWithPicture(200, 100);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    RotateTyped(window, "90,5");
    EXPECT_EQ(window.DisplayBuffer->Width, 102);
    EXPECT_EQ(window.DisplayBuffer->Height, 201);
}

TEST_F(MainProcessing, ATurnTooLargeToHoldIsReportedAndLeavesThePicture) {
    TfrmMain& window = StartWithPicture(200, 100);
    const Bytes original = PixelsOf(*window.DisplayBuffer);
    const int64_t limit = PicturePixelLimit();
    SetPicturePixelLimit(200 * 100);
    Services.MessageAnswers = {TMessageAnswer::maOk};
    RotateTyped(window, "45");
    SetPicturePixelLimit(limit);
    ASSERT_EQ(Services.Messages.size(), 1u);
    EXPECT_EQ(Services.Messages[0].Kind, TMessageKind::mkError);
    EXPECT_EQ(window.DisplayBuffer->Width, 200);
    EXPECT_EQ(PixelsOf(*window.DisplayBuffer), original);
}

TEST_F(MainProcessing, InvertAndTheFlipsTwiceRestoreThePicture) {
    TfrmMain& window = StartWithPicture(5, 3);
    const Bytes original = PixelsOf(*window.DisplayBuffer);
    for (QAction* action : {window.actInvert, window.actHFlip, window.actVFlip}) {
        const size_t logged = window.DebugLog.size();
        action->trigger();
        EXPECT_NE(PixelsOf(*window.DisplayBuffer), original) << action->text().toStdString();
        action->trigger();
        EXPECT_EQ(PixelsOf(*window.DisplayBuffer), original) << action->text().toStdString();
        // The size stays, so nothing is fitted or logged.
        EXPECT_EQ(window.DebugLog.size(), logged);
    }
    window.actEmboss->trigger();
    TFastBMP embossed;
    embossed.AssignPixels(*window.CurrentBmp);
    EmbossEffect(embossed);
    EXPECT_EQ(PixelsOf(*window.DisplayBuffer), PixelsOf(embossed));
}

TEST_F(MainProcessing, GrayscaleIsAModeThatRevertKeepsAndSwitchingOffUndoes) {
    TfrmMain& window = StartWithPicture(5, 3);
    const Bytes original = PixelsOf(*window.DisplayBuffer);
    window.actGrayscale->trigger();
    EXPECT_TRUE(window.actGrayscale->isChecked());
    EXPECT_EQ(window.DebugLog.back(), "Grayscale: 5 ms");
    TFastBMP gray;
    gray.AssignPixels(*window.CurrentBmp);
    MakeGrayscale(gray);
    EXPECT_EQ(PixelsOf(*window.DisplayBuffer), PixelsOf(gray));

    window.actInvert->trigger();
    window.actRevert->trigger();
    EXPECT_EQ(PixelsOf(*window.DisplayBuffer), PixelsOf(gray));
    EXPECT_EQ(window.DebugLog.back().rfind("Display: ", 0), 0u);

    window.actGrayscale->trigger();
    EXPECT_FALSE(window.actGrayscale->isChecked());
    EXPECT_EQ(PixelsOf(*window.DisplayBuffer), original);
}

TEST_F(MainProcessing, RevertAndGrayscaleOffKeepTheTitleOfAnUnlistedPicture) {
    WriteSample("a.tbmp");
    TfrmMain& window = *Start({WriteSample("zz.unknown")});
    window.ApplicationActivate();
    ASSERT_EQ(window.CurrentIndex, -1);
    for (QAction* action : {window.actRevert, window.actGrayscale, window.actGrayscale}) {
        action->trigger();
        EXPECT_EQ(window.windowTitle().toStdString(), "zz.unknown - Pelorama");
    }
}

TEST_F(MainProcessing, WithGrayscaleOnTheNextPictureIsGrayWithoutAGrayscaleLine) {
    WriteSample("a.tbmp");
    WriteSample("b.tbmp");
    TfrmMain& window = *Start({Directory});
    window.ApplicationActivate();
    window.actGrayscale->trigger();
    const size_t logged = window.DebugLog.size();
    window.GoToPicture(1);
    const TRgb topLeft = TopDownPixel(*window.DisplayBuffer, 0, 0);
    EXPECT_TRUE(topLeft == (TRgb{85, 85, 85}));
    for (size_t i = logged; i < window.DebugLog.size(); ++i)
        EXPECT_NE(window.DebugLog[i].rfind("Grayscale: ", 0), 0u);
}

TEST_F(MainProcessing, WithoutAPictureTheCommandsChangeNothing) {
    TfrmMain& window = *Start({});
    window.actGrayscale->trigger();
    window.actGrayscale->trigger();
    window.actRevert->trigger();
    window.actRotate90cw->trigger();
    window.actInvert->trigger();
    EXPECT_EQ(window.DisplayBuffer->Width, 0);
    EXPECT_EQ(window.DisplayBuffer->Height, 0);
}

TEST_F(MainProcessing, TheSubmenuListsTheCommandsInTheirOrder) {
    TfrmMain& window = *Start({});
    EXPECT_EQ(
        SubmenuItems(*window.popMain, "Image Processing"),
        (std::vector<std::string>{"Grayscale", "Invert", "Emboss", "-", "Horizontal flip",
                                  "Vertical flip", "Rotate 90\u00b0 CW", "Rotate 90\u00b0 CCW",
                                  "Rotate arbitrary...", "-", "Revert"}));
}
} // namespace
