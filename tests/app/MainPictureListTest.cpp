#include "BrowsingFixture.h"

#include "app/PictureList.h"

#include <QMouseEvent>
#include <QScrollBar>

namespace {
class MainPictureList : public BrowsingFixture {
protected:
    // Browsing sixty pictures (more than the window's rows), at the given one, with the list
    // opened by its action.
    TfrmMain& OpenAt(int32_t position) {
        TfrmMain& window = Browse(60);
        window.GoToPicture(position);
        window.actPictureList->trigger();
        SettleNeighbours();
        return window;
    }

    TPictureListBox& List() const { return *Window->PictureList->lstPictureList; }

    int TopItem() const { return List().indexAt(QPoint(2, 2)).row(); }

    // A press, then the double-click event the window system makes of the second press.
    void DoubleClick(int row) {
        QListWidget& list = List();
        const QPoint centre = list.visualItemRect(list.item(row)).center();
        QTest::mousePress(list.viewport(), Qt::LeftButton, {}, centre);
        QMouseEvent doubleClick(QEvent::MouseButtonDblClick, centre,
                                list.viewport()->mapToGlobal(centre), Qt::LeftButton,
                                Qt::LeftButton, {});
        QCoreApplication::sendEvent(list.viewport(), &doubleClick);
        QTest::mouseRelease(list.viewport(), Qt::LeftButton, {}, centre);
        SettleNeighbours();
    }
};

TEST_F(MainPictureList, OpensAToolWindowOnTopListingThePicturesByName) {
    TfrmMain& window = OpenAt(3);
    EXPECT_TRUE(window.actPictureList->isChecked());
    ASSERT_TRUE(window.PictureList);
    TfrmPictureList& frame = *window.PictureList;
    EXPECT_TRUE(frame.isVisible());
    EXPECT_EQ(frame.windowTitle().toStdString(), "Picture List");
    EXPECT_TRUE(frame.windowFlags() & Qt::Tool);
    EXPECT_TRUE(frame.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(frame.pos(), QPoint(0, 0));
    EXPECT_EQ(frame.size(), QSize(193, 371));
    ASSERT_EQ(List().count(), 60);
    EXPECT_EQ(List().item(0)->text().toStdString(), "00.tbmp");
    EXPECT_EQ(List().item(59)->text().toStdString(), "59.tbmp");
    EXPECT_EQ(List().visualItemRect(List().item(1)).height(), 13);
    EXPECT_EQ(List().currentRow(), 3);
    EXPECT_EQ(TopItem(), 0);
}

TEST_F(MainPictureList, TheFifteenthPictureScrollsTheFifthItemToTheTop) {
    OpenAt(14);
    EXPECT_EQ(List().currentRow(), 14);
    EXPECT_EQ(List().verticalScrollBar()->value(), 4);
    EXPECT_EQ(TopItem(), 4);
}

TEST_F(MainPictureList, UpToTheEleventhPictureNothingScrolls) {
    OpenAt(10);
    EXPECT_EQ(List().currentRow(), 10);
    EXPECT_EQ(TopItem(), 0);
}

TEST_F(MainPictureList, DoubleClickingANeighbourStepsThroughTheCache) {
    TfrmMain& window = OpenAt(5);
    size_t logged = window.DebugLog.size();
    DoubleClick(6);
    EXPECT_EQ(window.CurrentIndex, 6);
    EXPECT_EQ(Shown(), 6);
    // Only the new next neighbour is decoded.
    EXPECT_EQ(LoadsSince(logged), 1u);
    logged = window.DebugLog.size();
    DoubleClick(5);
    EXPECT_EQ(window.CurrentIndex, 5);
    EXPECT_EQ(LoadsSince(logged), 1u);
    // A farther item is loaded with both its neighbours.
    logged = window.DebugLog.size();
    DoubleClick(12);
    EXPECT_EQ(window.CurrentIndex, 12);
    EXPECT_EQ(Shown(), 12);
    EXPECT_EQ(NumberOf(window.PrevBmp), 11);
    EXPECT_EQ(NumberOf(window.NextBmp), 13);
    EXPECT_EQ(LoadsSince(logged), 3u);
    // The item on display: nothing.
    logged = window.DebugLog.size();
    DoubleClick(12);
    EXPECT_EQ(LoadsSince(logged), 0u);
}

TEST_F(MainPictureList, EnterChoosesTheSelectedItem) {
    TfrmMain& window = OpenAt(2);
    List().setCurrentRow(9);
    QTest::keyClick(&List(), Qt::Key_Return);
    EXPECT_EQ(window.CurrentIndex, 9);
    EXPECT_EQ(Shown(), 9);
    // The viewer stays in its mode: Enter is the list's while it is open.
    EXPECT_FALSE(window.actFullScreen->isChecked());
}

TEST_F(MainPictureList, EscapeClosesTheWindowAndUnchecksTheCommand) {
    TfrmMain& window = OpenAt(2);
    QPointer<TfrmPictureList> frame = window.PictureList;
    QTest::keyClick(&List(), Qt::Key_Escape);
    EXPECT_FALSE(window.actPictureList->isChecked());
    EXPECT_FALSE(window.PictureList);
    // Destroyed once control is back in the event loop.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(frame.isNull());
    // The viewer itself goes on.
    EXPECT_TRUE(Services.ExitCodes.empty());
}

TEST_F(MainPictureList, OtherKeysReachTheMainWindowsKeyHandler) {
    TfrmMain& window = OpenAt(2);
    const TRect bounds = window.WindowBounds();
    // Keypad 6 is Next picture there.
    QTest::keyClick(&List(), Qt::Key_6, Qt::KeypadModifier);
    EXPECT_EQ(window.CurrentIndex, 3);
    EXPECT_EQ(List().currentRow(), 3);
    // Arrows move the list's selection, not the window.
    QTest::keyClick(&List(), Qt::Key_Down);
    EXPECT_EQ(List().currentRow(), 4);
    EXPECT_EQ(window.WindowBounds(), bounds);
    // Keypad 0 takes the list's shortcut over and closes it.
    QTest::keyClick(&List(), Qt::Key_0, Qt::KeypadModifier);
    EXPECT_FALSE(window.actPictureList->isChecked());
    EXPECT_EQ(window.actPictureList->shortcut(), QKeySequence(Qt::KeypadModifier | Qt::Key_0));
}

TEST_F(MainPictureList, TheSelectionFollowsEveryStepAndEndJump) {
    TfrmMain& window = OpenAt(2);
    window.GoNext();
    EXPECT_EQ(List().currentRow(), 3);
    window.GoPrevious();
    window.GoPrevious();
    EXPECT_EQ(List().currentRow(), 1);
    window.actLastPictureExecute();
    EXPECT_EQ(List().currentRow(), 59);
    window.actFirstPictureExecute();
    EXPECT_EQ(List().currentRow(), 0);
}

TEST_F(MainPictureList, ItsOwnCloseButtonOnlyHidesItUntilTheNextTwoToggles) {
    TfrmMain& window = OpenAt(2);
    QPointer<TfrmPictureList> first = window.PictureList;
    first->close();
    EXPECT_FALSE(first->isVisible());
    EXPECT_TRUE(window.actPictureList->isChecked());
    window.actPictureListExecute();
    EXPECT_FALSE(window.actPictureList->isChecked());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    window.actPictureListExecute();
    ASSERT_TRUE(window.PictureList);
    EXPECT_TRUE(window.PictureList->isVisible());
}

TEST_F(MainPictureList, ItemsOfAShortenedListAndAMissingListChooseNothing) {
    TfrmMain& window = OpenAt(2);
    // The list is rebuilt without the last pictures while the window shows the old items.
    window.FileList->resize(10);
    const size_t logged = window.DebugLog.size();
    List().setCurrentRow(45);
    window.PictureListSelect();
    SettleNeighbours();
    EXPECT_EQ(window.CurrentIndex, 2);
    EXPECT_EQ(LoadsSince(logged), 0u);
    window.actPictureListExecute();

    // Before the first activation there is no list at all.
    TfrmMain& fresh = *Start({});
    fresh.actPictureListExecute();
    ASSERT_TRUE(fresh.PictureList);
    EXPECT_EQ(fresh.PictureList->lstPictureList->count(), 0);
    fresh.PictureListSelect();
    EXPECT_EQ(fresh.CurrentIndex, -1);
}
} // namespace
