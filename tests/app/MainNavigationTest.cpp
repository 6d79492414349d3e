#include "BrowsingFixture.h"

#include <QTimer>

#include <fstream>

namespace {
class MainNavigation : public BrowsingFixture {};

TEST_F(MainNavigation, NextShowsTheCachedPictureThenDecodesOnlyTheNewNeighbour) {
    TfrmMain& window = Browse(4);
    ASSERT_EQ(window.CurrentIndex, 0);
    const TFastBMP* cachedNext = window.NextBmp.get();
    const size_t lines = window.DebugLog.size();
    window.GoNext();
    EXPECT_EQ(window.CurrentIndex, 1);
    EXPECT_EQ(Shown(), 1);
    EXPECT_EQ(window.CurrentBmp.get(), cachedNext);
    EXPECT_EQ(NumberOf(window.PrevBmp), 0);
    EXPECT_EQ(NumberOf(window.NextBmp), 2);
    EXPECT_EQ(LoadsSince(lines), 1u);
    EXPECT_EQ(window.windowTitle().toStdString(), "01.tbmp - Pelorama");

    window.GoPrevious();
    EXPECT_EQ(window.CurrentIndex, 0);
    EXPECT_EQ(Shown(), 0);
    EXPECT_EQ(NumberOf(window.CurrentBmp), 0);
    EXPECT_EQ(NumberOf(window.NextBmp), 1);
    // Nothing before position 0: no decoding at all.
    EXPECT_EQ(LoadsSince(lines), 1u);
}

TEST_F(MainNavigation, OnlyThePictureAboutToBeShownWarnsOnceOfWhatItsLoadWentPast) {
    WriteNumbered(3);
    std::ofstream(PathOf(NameOf(1)), std::ios::app) << "strip cut short";
    TfrmMain& window = *Start({Directory});
    window.ApplicationActivate();
    ASSERT_EQ(NumberOf(window.NextBmp), 1);
    EXPECT_TRUE(Services.Messages.empty()); // decoded ahead
    Services.MessageAnswers = {TMessageAnswer::maOk};
    window.GoToPicture(1);
    ASSERT_EQ(Services.Messages.size(), 1u);
    EXPECT_EQ(Services.Messages[0].Text, "strip cut short");
    EXPECT_EQ(Services.Messages[0].Caption, "Warning");
    EXPECT_EQ(Services.Messages[0].Kind, TMessageKind::mkWarning);
    EXPECT_EQ(Services.Messages[0].Buttons, TMessageButtons::mbOk);
}

TEST_F(MainNavigation, AOnePictureListOnlyShowsTheFourNotices) {
    TfrmMain& window = Browse(1);
    const size_t lines = window.DebugLog.size();
    const std::pair<void (TfrmMain::*)(), const char*> cases[] = {
        {&TfrmMain::GoNext, "End of list"},
        {&TfrmMain::GoPrevious, "Beginning of list"},
        {&TfrmMain::actFirstPictureExecute, "Already at beginning of list"},
        {&TfrmMain::actLastPictureExecute, "Already at end of list"},
    };
    for (const auto& [command, notice] : cases) {
        (window.*command)();
        EXPECT_EQ(NoticeText(), notice);
        EXPECT_EQ(window.CurrentIndex, 0);
    }
    EXPECT_EQ(LoadsSince(lines), 0u);
}

TEST_F(MainNavigation, AnEmptyListOnlyShowsTheNotices) {
    TfrmMain& window = Browse(3);
    window.CurrentIndex = 2;
    window.FileList->clear();
    window.GoPrevious();
    EXPECT_EQ(NoticeText(), "Beginning of list");
    window.actFirstPictureExecute();
    EXPECT_EQ(NoticeText(), "Already at beginning of list");
    window.GoNext();
    EXPECT_EQ(NoticeText(), "End of list");
    window.actLastPictureExecute();
    EXPECT_EQ(NoticeText(), "Already at end of list");
}

TEST_F(MainNavigation, FromAnUnlistedStartNextShowsPositionZero) {
    WriteSample("zz.unknown");
    TfrmMain& window = Browse(3, PathOf("zz.unknown"));
    ASSERT_EQ(window.CurrentIndex, -1);
    window.GoPrevious();
    EXPECT_EQ(NoticeText(), "Beginning of list");
    window.actFirstPictureExecute();
    EXPECT_EQ(NoticeText(), "Already at beginning of list");
    window.GoNext();
    EXPECT_EQ(window.CurrentIndex, 0);
    EXPECT_EQ(Shown(), 0);
    EXPECT_EQ(NumberOf(window.NextBmp), 1);
}

TEST_F(MainNavigation, FromAnUnlistedStartLastJumpsToTheEnd) {
    WriteSample("zz.unknown");
    TfrmMain& window = Browse(3, PathOf("zz.unknown"));
    window.actLastPictureExecute();
    EXPECT_EQ(window.CurrentIndex, 2);
    EXPECT_EQ(Shown(), 2);
    EXPECT_EQ(NumberOf(window.PrevBmp), 1);
}

TEST_F(MainNavigation, StepsResetTheZoomUnlessLockedAndJumpsKeepIt) {
    TfrmMain& window = Browse(4);
    window.actZoomInExecute();
    window.GoNext();
    EXPECT_EQ(window.ZoomFactor, 1.0f);

    window.actZoomLockExecute();
    window.actZoomInExecute();
    window.GoNext();
    EXPECT_EQ(window.ZoomFactor, 1.5f);
    window.GoPrevious();
    EXPECT_EQ(window.ZoomFactor, 1.5f);
    // Shown at 1.5 times its size.
    EXPECT_EQ(window.WindowBounds().Width(), 6);

    window.actZoomLockExecute();
    window.actLastPictureExecute();
    EXPECT_EQ(window.ZoomFactor, 1.5f);
    window.actFirstPictureExecute();
    EXPECT_EQ(window.ZoomFactor, 1.5f);
}

TEST_F(MainNavigation, NextTwiceBeforeTheEndShowsTheLastThenTheNotice) {
    TfrmMain& window = Browse(4);
    window.GoToPicture(2);
    const TFastBMP* next = window.NextBmp.get();
    const size_t lines = window.DebugLog.size();
    window.GoNext();
    EXPECT_EQ(window.CurrentIndex, 3);
    EXPECT_EQ(Shown(), 3);
    EXPECT_EQ(NumberOf(window.CurrentBmp), 3);
    // No position after the last: the next slot keeps what it held.
    EXPECT_EQ(window.NextBmp.get(), next);
    EXPECT_EQ(NumberOf(window.NextBmp), 3);
    EXPECT_EQ(NumberOf(window.PrevBmp), 2);
    window.GoNext();
    EXPECT_EQ(window.CurrentIndex, 3);
    EXPECT_EQ(NoticeText(), "End of list");
    EXPECT_EQ(LoadsSince(lines), 0u);
}

TEST_F(MainNavigation, FirstAndLastDecodeTheTargetAndOneNeighbour) {
    TfrmMain& window = Browse(5);
    window.GoToPicture(2);
    const TFastBMP* previous = window.PrevBmp.get();
    size_t lines = window.DebugLog.size();
    window.actLastPictureExecute();
    EXPECT_EQ(window.CurrentIndex, 4);
    EXPECT_EQ(Shown(), 4);
    EXPECT_EQ(NumberOf(window.PrevBmp), 3);
    EXPECT_EQ(LoadsSince(lines), 2u);
    window.actLastPictureExecute();
    EXPECT_EQ(NoticeText(), "Already at end of list");

    lines = window.DebugLog.size();
    previous = window.PrevBmp.get();
    window.actFirstPictureExecute();
    EXPECT_EQ(window.CurrentIndex, 0);
    EXPECT_EQ(Shown(), 0);
    EXPECT_EQ(NumberOf(window.NextBmp), 1);
    // Nothing exists before position 0: that slot is left alone.
    EXPECT_EQ(window.PrevBmp.get(), previous);
    EXPECT_EQ(LoadsSince(lines), 2u);
}

TEST_F(MainNavigation, GoToPictureLoadsBothNeighbours) {
    TfrmMain& window = Browse(5);
    window.GoToPicture(3);
    EXPECT_EQ(window.CurrentIndex, 3);
    EXPECT_EQ(Shown(), 3);
    EXPECT_EQ(NumberOf(window.PrevBmp), 2);
    EXPECT_EQ(NumberOf(window.NextBmp), 4);
    window.GoToPicture(7);
    EXPECT_EQ(window.CurrentIndex, 3);
}

// A step started while the previous one processes pending events (a key held down) shows its
// own picture, and the cache ends up right for the final position.
TEST_F(MainNavigation, ANestedStepShowsItsOwnPictureAndLeavesTheCacheRight) {
    TfrmMain& window = Browse(6);
    int nested = 0;
    QTimer::singleShot(0, &window, [&] {
        ++nested;
        window.GoNext();
        EXPECT_EQ(Shown(), 2);
    });
    window.GoNext();
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(window.CurrentIndex, 2);
    EXPECT_EQ(Shown(), 2);
    EXPECT_EQ(window.windowTitle().toStdString(), "02.tbmp - Pelorama");
    EXPECT_EQ(NumberOf(window.PrevBmp), 1);
    EXPECT_EQ(NumberOf(window.CurrentBmp), 2);
    EXPECT_EQ(NumberOf(window.NextBmp), 3);
    window.GoNext();
    EXPECT_EQ(Shown(), 3);
    window.GoPrevious();
    window.GoPrevious();
    EXPECT_EQ(Shown(), 1);
    EXPECT_EQ(NumberOf(window.PrevBmp), 0);
}

TEST_F(MainNavigation, AfterTurningRecursionOnNextShowsTheCachedPictureAsPositionOne) {
    WriteNumbered(1);
    std::filesystem::create_directory(PathOf("sub"));
    WriteTestPicture(PathOf("sub/05.tbmp"), 4, 3, std::vector<TRgb>(12, TRgb{5, 0, 0}));
    WriteTestPicture(PathOf("sub/06.tbmp"), 4, 3, std::vector<TRgb>(12, TRgb{6, 0, 0}));
    TfrmMain& window = *Start({Directory});
    window.ApplicationActivate();
    // One picture: nothing cached as next.
    ASSERT_FALSE(window.NextBmp);
    window.actRecurseSubDir->trigger();
    EXPECT_TRUE(window.actRecurseSubDir->isChecked());
    ASSERT_EQ(window.FileList->size(), 3u);
    window.GoNext();
    EXPECT_EQ(window.CurrentIndex, 1);
    EXPECT_EQ(Shown(), 5);
    EXPECT_EQ(NumberOf(window.NextBmp), 6);
}

TEST_F(MainNavigation, AfterTurningRecursionOffUnderASubdirectoryPictureEveryStepWorks) {
    WriteNumbered(2);
    std::filesystem::create_directory(PathOf("sub"));
    WriteTestPicture(PathOf("sub/05.tbmp"), 4, 3, std::vector<TRgb>(12, TRgb{5, 0, 0}));
    TfrmMain& window = *Start({Directory});
    window.actRecurseSubDir->setChecked(true);
    window.ApplicationActivate();
    window.actLastPicture->trigger();
    ASSERT_EQ(Shown(), 5);
    window.actRecurseSubDir->trigger();
    ASSERT_EQ(window.FileList->size(), 2u);
    EXPECT_EQ(window.CurrentIndex, 0);
    EXPECT_EQ(Shown(), 0);
    window.GoNext();
    EXPECT_EQ(Shown(), 1);
    EXPECT_EQ(window.windowTitle().toStdString(), NameOf(1) + " - Pelorama");
    window.GoPrevious();
    EXPECT_EQ(Shown(), 0);
    window.actLastPicture->trigger();
    window.actFirstPicture->trigger();
    EXPECT_EQ(Shown(), 0);
    EXPECT_EQ(NumberOf(window.NextBmp), 1);
}

TEST_F(MainNavigation, StepsBackFromBeyondAListShortenedByARefresh) {
    TfrmMain& window = Browse(5);
    window.GoToPicture(4);
    for (const int number : {2, 3, 4})
        std::filesystem::remove(PathOf(NameOf(number)));
    window.actRefreshFileListExecute();
    ASSERT_EQ(window.CurrentIndex, 4);
    window.GoNext();
    EXPECT_EQ(NoticeText(), "End of list");
    window.GoPrevious();
    EXPECT_EQ(window.CurrentIndex, 1);
    EXPECT_EQ(Shown(), 1);
    EXPECT_EQ(window.windowTitle().toStdString(), NameOf(1) + " - Pelorama");
    EXPECT_EQ(NumberOf(window.PrevBmp), 0);
    window.actFirstPictureExecute();
    EXPECT_EQ(window.CurrentIndex, 0);
    EXPECT_EQ(Shown(), 0);
}

TEST_F(MainNavigation, TheNoticeIsCentredAndHidesAfterItsTime) {
    TfrmMain& window = Browse(2);
    window.SetWindowBounds({100, 100, 500, 400});
    window.GoPrevious();
    EXPECT_TRUE(window.panNotify->isVisibleTo(&window));
    const QRect panel = window.panNotify->geometry();
    EXPECT_EQ(panel.width(), window.lblNotify->sizeHint().width() + 6);
    EXPECT_LE(std::abs(panel.center().x() - 200), 1);
    EXPECT_LE(std::abs(panel.center().y() - 150), 1);
    EXPECT_TRUE(window.NoticeTimer.isActive());
    EXPECT_EQ(window.NoticeTimer.interval(), 1500);
    window.actFirstPictureExecute();
    EXPECT_EQ(window.NoticeTimer.interval(), 2000);
    EXPECT_TRUE(WaitFor([&] { return !window.panNotify->isVisibleTo(&window); }));
    EXPECT_FALSE(window.NoticeTimer.isActive());
}

TEST_F(MainNavigation, InAWindowNarrowerThanTheNoticeItStaysWhereItWasWithoutATimer) {
    TfrmMain& window = Browse(1);
    ASSERT_EQ(window.WindowBounds().Width(), 4);
    window.panNotify->move(7, 9);
    window.GoNext();
    EXPECT_EQ(NoticeText(), "End of list");
    EXPECT_TRUE(window.panNotify->isVisibleTo(&window));
    EXPECT_EQ(window.panNotify->pos(), QPoint(7, 9));
    EXPECT_FALSE(window.NoticeTimer.isActive());
}
} // namespace
