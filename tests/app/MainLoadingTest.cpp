#include "ViewerFixture.h"

#include "display/FastIMG.h"
#include "platform/PictureLimits.h"

#include <QAction>
#include <QCursor>

#include <fstream>

namespace {
using Log = std::vector<std::string>;

class MainLoading : public ViewerFixture {};

TEST_F(MainLoading, StartsWithAPictureArgumentLoadedShownAndLogged) {
    const std::string path = WriteSample("sample.tbmp");
    TfrmMain& window = *Start({path});
    ASSERT_TRUE(window.CurrentBmp);
    EXPECT_EQ(window.CurrentBmp->Width, 3);
    EXPECT_EQ(window.CurrentBmp->Height, 2);
    EXPECT_TRUE(TopDownPixel(*window.CurrentBmp, 0, 0) == (TRgb{255, 0, 0}));
    EXPECT_TRUE(TopDownPixel(*window.CurrentBmp, 2, 0) == (TRgb{0, 0, 255}));
    EXPECT_TRUE(TopDownPixel(*window.CurrentBmp, 1, 1) == (TRgb{128, 128, 128}));
    // The display buffer is a copy, not the cached picture.
    EXPECT_NE(window.DisplayBuffer.get(), window.CurrentBmp.get());
    EXPECT_EQ(window.DisplayBuffer->Width, 3);
    EXPECT_TRUE(TopDownPixel(*window.DisplayBuffer, 0, 1) == (TRgb{255, 255, 255}));
    EXPECT_EQ(window.DisplaySurface->Buffer(), window.DisplayBuffer.get());

    EXPECT_EQ(window.DebugLines(), (Log{"", "===== sample.tbmp =====", "Dimensions: 3x2",
                                        "Colors: 6", "Size: 24 bytes (uncompressed)", "Load: 5 ms",
                                        "Resize: 5 ms", "Display: 15 ms"}));
    EXPECT_EQ(window.windowTitle().toStdString(), "sample.tbmp - Pelorama");
    EXPECT_TRUE(window.PaintEnabled);
}

TEST_F(MainLoading, TheFirstFitGrowsTheEmptyWindowAroundTheWorkAreaCentre) {
    TfrmMain& window = *Start({WriteSample("sample.tbmp")});
    // Work area 1280 x 1000: centre (640, 500), picture 3 x 2; round(1.5) is 2.
    EXPECT_EQ(window.WindowBounds(), (TRect{638, 499, 641, 501}));
    EXPECT_EQ(window.DisplaySurface->BoundsRect(), (TRect{0, 0, 3, 2}));
}

TEST_F(MainLoading, AMissingArgumentFileLoadsNothing) {
    TfrmMain& window = *Start({PathOf("absent.tbmp")});
    EXPECT_FALSE(window.CurrentBmp);
    EXPECT_TRUE(window.DebugLog.empty());
    EXPECT_EQ(window.windowTitle().toStdString(), "Pelorama");
    EXPECT_EQ(window.WindowBounds(), (TRect{640, 500, 640, 500}));
}

TEST_F(MainLoading, AnUndecodableFileShowsTheBlackSquareWithoutAnErrorPicture) {
    const std::string path = PathOf("broken.tbmp");
    std::ofstream(path) << "\x05\x05short";
    TfrmMain& window = *Start({path});
    ASSERT_TRUE(window.CurrentBmp);
    EXPECT_EQ(window.CurrentBmp->Width, 100);
    EXPECT_EQ(window.CurrentBmp->Height, 100);
    EXPECT_EQ(window.CurrentBmp->ColorCount(), 1);
    EXPECT_TRUE(TopDownPixel(*window.CurrentBmp, 50, 50) == (TRgb{0, 0, 0}));
    EXPECT_EQ(window.DebugLog,
              (Log{"", "===== broken.tbmp =====", "*Error*: Unable to load " + path,
                   "Stream read error", "Resize: 5 ms", "Display: 15 ms"}));
    EXPECT_EQ(window.windowTitle().toStdString(), "broken.tbmp - Pelorama");
    EXPECT_EQ(window.DisplaySurface->BoundsRect(), (TRect{0, 0, 100, 100}));
}

TEST_F(MainLoading, APictureOverTheMemoryBudgetShowsTheBlackSquare) {
    const std::string path = WriteTestPicture(PathOf("large.tbmp"), 200, 200,
                                              std::vector<TRgb>(200 * 200, TRgb{1, 2, 3}));
    SetPictureMemoryBudget(100 << 10); // 120 KB of pixels do not fit
    TfrmMain& window = *Start({path});
    SetPictureMemoryBudget(0);
    ASSERT_TRUE(window.CurrentBmp);
    EXPECT_EQ(window.CurrentBmp->Width, 100);
    ASSERT_GE(window.DebugLog.size(), 4u);
    EXPECT_EQ(window.DebugLog[2], "*Error*: Unable to load " + path);
    EXPECT_EQ(window.DebugLog[3].rfind("Picture too large: it needs more memory than the ", 0), 0u);
}

TEST_F(MainLoading, AnUndecodableFileShowsTheErrorPictureWithItsOwnBlock) {
    const TTestPictureClasses errorPictureClass({"jpg"});
    WriteTestPicture(PathOf("pic_err.jpg"), 2, 1, {{9, 8, 7}, {6, 5, 4}});
    const std::string path = PathOf("notes.txt");
    std::ofstream(path) << "not a picture";
    TfrmMain& window = *Start({path});
    ASSERT_TRUE(window.CurrentBmp);
    EXPECT_EQ(window.CurrentBmp->Width, 2);
    EXPECT_TRUE(TopDownPixel(*window.CurrentBmp, 1, 0) == (TRgb{6, 5, 4}));
    EXPECT_EQ(window.DebugLines(),
              (Log{"", "===== notes.txt =====", "*Error*: Unable to load " + path,
                   "Unknown picture file extension (.txt)", "", "===== pic_err.jpg =====",
                   "Dimensions: 2x1", "Colors: 2", "Size: 8 bytes (uncompressed)", "Load: 5 ms",
                   "Resize: 5 ms", "Display: 15 ms"}));
}

TEST_F(MainLoading, AnUnreadableErrorPictureFallsBackToBlackWithoutRecursion) {
    const TTestPictureClasses errorPictureClass({"jpg"});
    std::ofstream(PathOf("pic_err.jpg")) << "garbage";
    const std::string path = PathOf("broken.tdraw");
    std::ofstream(path) << "";
    TfrmMain& window = *Start({path});
    ASSERT_TRUE(window.CurrentBmp);
    EXPECT_EQ(window.CurrentBmp->Width, 100);
    EXPECT_EQ(
        window.DebugLog,
        (Log{"", "===== broken.tdraw =====", "*Error*: Unable to load " + path, "Stream read error",
             "", "===== pic_err.jpg =====", "*Error*: Unable to load " + PathOf("pic_err.jpg"),
             "Stream read error", "Resize: 5 ms", "Display: 15 ms"}));
}

TEST_F(MainLoading, AOnePixelPictureIsOnePaddedRow) {
    TfrmMain& window = *Start({WriteTestPicture(PathOf("dot.tbmp"), 1, 1, {{1, 2, 3}})});
    ASSERT_GE(window.DebugLog.size(), 6u);
    EXPECT_EQ(window.DebugLog[2], "Dimensions: 1x1");
    EXPECT_EQ(window.DebugLines()[3], "Colors: 1");
    EXPECT_EQ(window.DebugLog[4], "Size: 4 bytes (uncompressed)");
}

TEST_F(MainLoading, PicturesThatDrawThemselvesShowWhiteThroughTransparentParts) {
    TfrmMain& window = *Start({});
    const std::string path =
        WriteTestPicture(PathOf("icon.tdraw"), 2, 1, {{0, 255, 0}, {10, 20, 30}});
    const auto picture = window.LoadPicture(path);
    EXPECT_TRUE(TopDownPixel(*picture, 0, 0) == (TRgb{255, 255, 255}));
    EXPECT_TRUE(TopDownPixel(*picture, 1, 0) == (TRgb{10, 20, 30}));
}

TEST_F(MainLoading, AnEmptyPictureCountsAsUnreadable) {
    TfrmMain& window = *Start({});
    const std::string path = WriteTestPicture(PathOf("empty.tdraw"), 0, 0, {});
    const auto picture = window.LoadPicture(path);
    EXPECT_EQ(picture->Width, 100);
    EXPECT_EQ(window.DebugLog.end()[-2], "*Error*: Unable to load " + path);
    EXPECT_EQ(window.DebugLog.back(), "The picture is empty");
}

TEST_F(MainLoading, TheHourglassShowsDuringALoadInWindowModeOnly) {
    TfrmMain& window = *Start({});
    const std::string path = WriteSample("sample.tbmp");
    std::vector<Qt::CursorShape> seen;
    TestPictureLoadHook = [&] { seen.push_back(window.cursor().shape()); };
    window.LoadPicture(path);
    const Qt::CursorShape afterWindowed = window.cursor().shape();
    window.setCursor(Qt::BlankCursor);
    window.actFullScreen->setChecked(true);
    window.LoadPicture(path);
    TestPictureLoadHook = nullptr;
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], Qt::WaitCursor);
    EXPECT_EQ(afterWindowed, Qt::ArrowCursor);
    EXPECT_EQ(seen[1], Qt::BlankCursor);
    EXPECT_EQ(window.cursor().shape(), Qt::BlankCursor);
}

TEST_F(MainLoading, TheTitleComesFromTheArgumentDuringTheFirstActivation) {
    const std::filesystem::path folder = PathOf("holiday");
    std::filesystem::create_directory(folder);
    TfrmMain& window = *Start({folder.string()});
    const auto picture = window.LoadPicture(WriteSample("a.tbmp"));
    window.ShowPicture(*picture);
    EXPECT_EQ(window.windowTitle().toStdString(), "holiday - Pelorama");

    TfrmMain& bare = *Start({});
    bare.ShowPicture(*picture);
    EXPECT_EQ(bare.windowTitle().toStdString(), " - Pelorama");
}

TEST_F(MainLoading, TheTitleComesFromTheFileListAfterTheFirstActivation) {
    TfrmMain& window = *Start({WriteSample("a.tbmp")});
    window.FirstActivation = false;
    window.FileList = std::vector<std::string>{PathOf("./a.tbmp"), PathOf("./b.tbmp")};
    window.CurrentIndex = 1;
    window.ShowPicture(*window.CurrentBmp);
    EXPECT_EQ(window.windowTitle().toStdString(), "b.tbmp - Pelorama");
    // No position in the list (an unlisted argument): no name rather than a stray read.
    window.CurrentIndex = -1;
    window.ShowPicture(*window.CurrentBmp);
    EXPECT_EQ(window.windowTitle().toStdString(), " - Pelorama");
}

TEST_F(MainLoading, GrayscaleModeGraysEveryShownPictureButNotTheCache) {
    TfrmMain& window = *Start({WriteSample("a.tbmp")});
    window.actGrayscale->setChecked(true);
    window.ShowPicture(*window.CurrentBmp);
    // Truncated mean of the channels: red (255, 0, 0) gives 85.
    EXPECT_TRUE(TopDownPixel(*window.DisplayBuffer, 0, 0) == (TRgb{85, 85, 85}));
    EXPECT_TRUE(TopDownPixel(*window.DisplayBuffer, 1, 1) == (TRgb{128, 128, 128}));
    EXPECT_TRUE(TopDownPixel(*window.CurrentBmp, 0, 0) == (TRgb{255, 0, 0}));
    window.actGrayscale->setChecked(false);
    window.ShowPicture(*window.CurrentBmp);
    EXPECT_TRUE(TopDownPixel(*window.DisplayBuffer, 0, 0) == (TRgb{255, 0, 0}));
}

TEST_F(MainLoading, ShowingCopiesSoTheCachedPictureStaysAsLoaded) {
    TfrmMain& window = *Start({WriteSample("a.tbmp")});
    window.DisplayBuffer->RowTable[0][0] = 77;
    EXPECT_NE(window.CurrentBmp->RowTable[0][0], 77);
    window.ShowPicture(*window.CurrentBmp);
    EXPECT_EQ(window.DisplayBuffer->RowTable[0][0], window.CurrentBmp->RowTable[0][0]);
}
} // namespace
