#include "ViewerFixture.h"

#include "display/FastIMG.h"
#include "formats/FileFormatList.h"
#include "formats/OptionalFormats.h"
#include "platform/PictureClassTable.h"

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QFrame>
#include <QImage>
#include <QTimerEvent>

namespace {
class MainStartup : public ViewerFixture {
protected:
    // Started without an argument, the first activation asks for a directory: one with a
    // picture in it.
    TfrmMain& StartAnsweringThePrompt() {
        WriteSample("a.tbmp");
        Services.FolderAnswers = {Directory};
        return *Start({});
    }
};

TEST_F(MainStartup, CreationSetsUpTheSurfaceStateAndDefaults) {
    TfrmMain& window = *Start({});
    EXPECT_EQ(window.windowTitle().toStdString(), "Pelorama");
    EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window.CurrentIndex, -1);
    EXPECT_EQ(window.ZoomFactor, 1.0f);
    EXPECT_TRUE(window.FirstActivation);
    EXPECT_FALSE(window.FileList);
    EXPECT_FALSE(window.ExtensionList);
    EXPECT_EQ(window.CustomCommands, (std::vector<std::string>(4, " ")));
    EXPECT_TRUE(window.actShrink->isChecked());
    EXPECT_TRUE(window.actFiltering->isChecked());
    EXPECT_FALSE(window.actFullScreen->isChecked());
    EXPECT_TRUE(window.actDebugConsole->isVisible());
    EXPECT_EQ(window.aclMain.size(), 36u);
    EXPECT_FALSE(window.panNotify->isVisibleTo(&window));
    ASSERT_NE(window.DisplaySurface, nullptr);
    EXPECT_EQ(window.DisplaySurface->parentWidget(), &window);
    EXPECT_EQ(window.DisplaySurface->DrawStyle(), dsResize);
    EXPECT_TRUE(window.DisplaySurface->AutoSize());
    EXPECT_TRUE(window.DisplaySurface->BilinearResize());
    EXPECT_EQ(window.SettingsPath(), PathOf("pelorama.ini"));
    EXPECT_EQ(window.ErrorPicturePath(), PathOf("pic_err.jpg"));
}

TEST_F(MainStartup, TheFirstActivationBuildsTheSortedExtensionListWithoutScrAndWin) {
    // The full registry, with the test drawing class standing in for metafiles.
    RegisterFileFormats(PictureClassTable().FindClass("tdraw"));
    TfrmMain& window = StartAnsweringThePrompt();
    window.ApplicationActivate();
    UnregisterFileFormats();
    ASSERT_TRUE(window.ExtensionList);
    const std::vector<std::string>& list = *window.ExtensionList;
    // 30 registered extensions less scr and win, plus the two test formats, plus the formats
    // read through the libraries this build has.
    size_t libraryFormats = 0;
    for (const TOptionalFormat& format : OptionalFormats())
        if (format.GraphicClass) {
            ++libraryFormats;
            const QString dotted = "." + QString(format.Extension).toUpper();
            EXPECT_EQ(std::count(list.begin(), list.end(), dotted.toStdString()), 1)
                << dotted.toStdString();
        }
    EXPECT_EQ(list.size(), 28u + 2u + libraryFormats);
    for (const char* absent : {".SCR", ".WIN", "scr", "win"})
        EXPECT_EQ(std::count(list.begin(), list.end(), absent), 0) << absent;
    for (const char* present : {".BMP", ".JPG", ".TIF", ".TIFF", ".PNG", ".TBMP", ".EMF"})
        EXPECT_EQ(std::count(list.begin(), list.end(), present), 1) << present;
    EXPECT_TRUE(std::is_sorted(list.begin(), list.end()));
    EXPECT_FALSE(window.FirstActivation);
}

TEST_F(MainStartup, TheFirstActivationMovesTheFlipAndRotateShortcutsToTheKeypad) {
    TfrmMain& window = StartAnsweringThePrompt();
    EXPECT_TRUE(window.actRotate90cw->shortcut().isEmpty());
    window.ApplicationActivate();
    EXPECT_EQ(window.actRotate90cw->shortcut(), QKeySequence(Qt::KeypadModifier | Qt::Key_9));
    EXPECT_EQ(window.actRotate90ccw->shortcut(), QKeySequence(Qt::KeypadModifier | Qt::Key_7));
    EXPECT_EQ(window.actVFlip->shortcut(), QKeySequence(Qt::KeypadModifier | Qt::Key_8));
    EXPECT_EQ(window.actHFlip->shortcut(), QKeySequence(Qt::KeypadModifier | Qt::Key_5));
}

TEST_F(MainStartup, ASecondActivationOnlyBringsTheWindowToTheFront) {
    TfrmMain& window = StartAnsweringThePrompt();
    window.ApplicationActivate();
    const std::vector<std::string> first = *window.ExtensionList;
    FormatRegistry().RegisterFormat("late", "", "", ftRaster, true,
                                    PictureClassTable().FindClass("tdraw"));
    window.ApplicationActivate();
    EXPECT_EQ(*window.ExtensionList, first);
    EXPECT_EQ(Services.FolderPromptTitles.size(), 1u);
}

TEST_F(MainStartup, TimerEventsAreSwallowedWhateverTheirId) {
    TfrmMain& window = *Start({});
    window.panNotify->show();
    QTimerEvent stray(99);
    EXPECT_TRUE(QCoreApplication::sendEvent(&window, &stray));
    EXPECT_TRUE(window.panNotify->isVisibleTo(&window));
}

TEST_F(MainStartup, TheNoticeTimerHidesTheNotice) {
    TfrmMain& window = *Start({});
    window.panNotify->show();
    window.NoticeTimer.start(1);
    const QDeadlineTimer deadline(30000);
    while (window.panNotify->isVisibleTo(&window) && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_FALSE(window.panNotify->isVisibleTo(&window));
    EXPECT_FALSE(window.NoticeTimer.isActive());
}

} // namespace

namespace {
TEST_F(MainStartup, ALargeJpegFirstShowsAScaledViewWhereTheFullPictureThenComes) {
    RegisterFileFormats(PictureClassTable().FindClass("tdraw"));
    QImage picture(2600, 1300, QImage::Format_RGB888);
    picture.fill(QColor(200, 40, 40));
    const std::string path = PathOf("large.jpg");
    ASSERT_TRUE(picture.save(QString::fromStdString(path), "JPEG", 90));
    TfrmMain& window = *Start({path});
    // No event has run: the view decoded at half size, fitted as the full picture (work
    // area 1280 x 1000), and nothing logged yet.
    EXPECT_FALSE(window.CurrentBmp);
    EXPECT_EQ(window.DisplayBuffer->Width, 1300);
    const TRect bounds = window.WindowBounds();
    EXPECT_EQ(bounds.Width(), 1280);
    EXPECT_EQ(bounds.Height(), 640);
    EXPECT_EQ(window.windowTitle().toStdString(), "large.jpg - Pelorama");
    EXPECT_TRUE(window.DebugLog.empty());
    // The info line tells the full picture's size, shown at half of it.
    window.actInfoLine->setChecked(true);
    window.UpdateInfoLine();
    EXPECT_EQ(window.DisplaySurface->InfoLine(), "large.jpg   2600 x 1300   49%");

    window.AwaitFullPicture();
    UnregisterFileFormats();
    ASSERT_TRUE(window.CurrentBmp);
    EXPECT_EQ(window.DisplayBuffer->Width, 2600);
    EXPECT_EQ(window.WindowBounds(), bounds);
    const std::vector<std::string>& log = window.DebugLines();
    ASSERT_EQ(log.size(), 8u);
    EXPECT_EQ(std::vector(log.begin(), log.begin() + 3),
              (std::vector<std::string>{"", "===== large.jpg =====", "Dimensions: 2600x1300"}));
    EXPECT_EQ(log[6].rfind("Resize: ", 0), 0u);
    EXPECT_EQ(log[7].rfind("Display: ", 0), 0u);
}
} // namespace
