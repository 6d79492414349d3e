#include "BrowsingFixture.h"

#include "display/FastIMG.h"

#include <QMenu>
#include <QMouseEvent>
#include <QWheelEvent>

namespace {
class MainInput : public BrowsingFixture {
protected:
    TfrmMain& BrowseActive(int count) {
        TfrmMain& window = Browse(count);
        ShowActive();
        return window;
    }

    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(Window.get(), Qt::Key(key), modifiers);
    }

    int Triggers(QAction* action) {
        auto count = std::make_shared<int>(0);
        QObject::connect(action, &QAction::triggered, [count] { ++*count; });
        Counters.push_back(count);
        return int(Counters.size()) - 1;
    }
    std::vector<std::shared_ptr<int>> Counters;

    void Wheel(int angleDelta) {
        QWheelEvent wheel(QPointF(1, 1), QPointF(1, 1), QPoint(), QPoint(0, angleDelta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(Window->DisplaySurface, &wheel);
    }

    void MouseMove(int x, int y, Qt::MouseButtons buttons) {
        QMouseEvent move(QEvent::MouseMove, QPointF(x, y),
                         Window->DisplaySurface->mapToGlobal(QPointF(x, y)), Qt::NoButton, buttons,
                         Qt::NoModifier);
        QApplication::sendEvent(Window->DisplaySurface, &move);
    }
};

TEST_F(MainInput, EveryOptionShortcutFlipsItsStateExactlyOnce) {
    TfrmMain& window = BrowseActive(3);
    const std::pair<int, QAction*> cases[] = {
        {Qt::Key_F, window.actFullScreen},   {Qt::Key_S, window.actShrink},
        {Qt::Key_B, window.actFiltering},    {Qt::Key_R, window.actRecurseSubDir},
        {Qt::Key_E, window.actEnlarge},      {Qt::Key_L, window.actZoomLock},
        {Qt::Key_Z, window.actSizingBorder},
    };
    for (const auto& [key, action] : cases) {
        const bool before = action->isChecked();
        Key(key);
        EXPECT_NE(action->isChecked(), before) << action->text().toStdString();
        Key(key);
        EXPECT_EQ(action->isChecked(), before) << action->text().toStdString();
    }
}

TEST_F(MainInput, PageKeysHomeAndEndStepAndJump) {
    TfrmMain& window = BrowseActive(4);
    Key(Qt::Key_PageDown);
    EXPECT_EQ(window.CurrentIndex, 1);
    Key(Qt::Key_End);
    EXPECT_EQ(window.CurrentIndex, 3);
    EXPECT_EQ(Shown(), 3);
    Key(Qt::Key_PageUp);
    EXPECT_EQ(window.CurrentIndex, 2);
    Key(Qt::Key_Home);
    EXPECT_EQ(window.CurrentIndex, 0);
    EXPECT_EQ(Shown(), 0);
}

TEST_F(MainInput, TheKeypadWithNumLockOnHasItsOwnLayout) {
    TfrmMain& window = BrowseActive(4);
    const int rotations = Triggers(window.actRotate90ccw);
    const int grayscale = Triggers(window.actGrayscale);
    Key(Qt::Key_3, Qt::KeypadModifier);
    EXPECT_EQ(window.CurrentIndex, 3);
    Key(Qt::Key_4, Qt::KeypadModifier);
    EXPECT_EQ(window.CurrentIndex, 2);
    Key(Qt::Key_1, Qt::KeypadModifier);
    EXPECT_EQ(window.CurrentIndex, 0);
    Key(Qt::Key_6, Qt::KeypadModifier);
    EXPECT_EQ(window.CurrentIndex, 1);
    Key(Qt::Key_7, Qt::KeypadModifier);
    EXPECT_EQ(window.CurrentIndex, 1);
    EXPECT_EQ(*Counters[size_t(rotations)], 1);
    Key(Qt::Key_2, Qt::KeypadModifier);
    EXPECT_EQ(*Counters[size_t(grayscale)], 1);
    // The digits of the main keyboard are no keypad keys.
    Key(Qt::Key_1);
    Key(Qt::Key_7);
    EXPECT_EQ(window.CurrentIndex, 1);
    EXPECT_EQ(*Counters[size_t(rotations)], 1);
}

TEST_F(MainInput, TheKeypadWithNumLockOffActsAsHomeEndAndPageKeys) {
    TfrmMain& window = BrowseActive(4);
    const int rotations = Triggers(window.actRotate90ccw);
    Key(Qt::Key_End, Qt::KeypadModifier); // keypad 1
    EXPECT_EQ(window.CurrentIndex, 3);
    Key(Qt::Key_Home, Qt::KeypadModifier); // keypad 7
    EXPECT_EQ(window.CurrentIndex, 0);
    EXPECT_EQ(*Counters[size_t(rotations)], 0);
    Key(Qt::Key_PageDown, Qt::KeypadModifier); // keypad 3
    EXPECT_EQ(window.CurrentIndex, 1);
    Key(Qt::Key_PageUp, Qt::KeypadModifier); // keypad 9
    EXPECT_EQ(window.CurrentIndex, 0);
}

TEST_F(MainInput, KeypadOperatorsZoomShrinkEnlargeAndChangeDirectory) {
    TfrmMain& window = BrowseActive(2);
    Key(Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(window.ZoomFactor, 1.5f);
    Key(Qt::Key_Minus, Qt::KeypadModifier);
    EXPECT_EQ(window.ZoomFactor, 1.0f);
    // The main keyboard's minus is no zoom key.
    Key(Qt::Key_Minus);
    EXPECT_EQ(window.ZoomFactor, 1.0f);
    Key(Qt::Key_Asterisk, Qt::KeypadModifier);
    EXPECT_TRUE(window.actEnlarge->isChecked());
    Key(Qt::Key_Slash, Qt::KeypadModifier);
    EXPECT_FALSE(window.actShrink->isChecked());
    Services.FolderAnswers = {std::nullopt};
    Key(Qt::Key_Period, Qt::KeypadModifier);
    EXPECT_EQ(Services.FolderPromptTitles,
              (std::vector<std::string>{"Choose a new directory to browse"}));
}

// On X11 Qt leaves the keypad modifier out when it matches shortcuts, so the keypad's
// shortcuts reach FormKeyDown as key presses, and must still run their action there.
TEST_F(MainInput, KeypadShortcutsThatReachFormKeyDownRunTheirAction) {
    TfrmMain& window = BrowseActive(2);
    const std::pair<int, QAction*> cases[] = {
        {Qt::Key_Plus, window.actZoomIn},  {Qt::Key_Minus, window.actZoomOut},
        {Qt::Key_5, window.actHFlip},      {Qt::Key_8, window.actVFlip},
        {Qt::Key_9, window.actRotate90cw}, {Qt::Key_7, window.actRotate90ccw},
    };
    for (const auto& [key, action] : cases) {
        const int triggers = Triggers(action);
        window.FormKeyDown(key, Qt::KeypadModifier);
        EXPECT_EQ(*Counters[size_t(triggers)], 1) << action->text().toStdString();
    }
    EXPECT_EQ(window.ZoomFactor, 1.0f);
    // Keypad 0 as the picture list's shortcut toggles it too.
    window.actPictureList->setShortcut(QKeySequence(Qt::KeypadModifier | Qt::Key_0));
    window.FormKeyDown(Qt::Key_0, Qt::KeypadModifier);
    EXPECT_TRUE(window.actPictureList->isChecked());
}

// T and keypad 0 both toggle the picture list: the one pressed last is the shortcut, the other
// reaches FormKeyDown and takes the shortcut over. Each press toggles exactly once.
TEST_F(MainInput, TThenKeypadZeroThenTEachToggleThePictureListOnce) {
    TfrmMain& window = BrowseActive(2);
    const int toggles = Triggers(window.actPictureList);
    const QKeySequence t(Qt::Key_T);
    const QKeySequence keypadZero(Qt::KeypadModifier | Qt::Key_0);
    Key(Qt::Key_T);
    EXPECT_EQ(*Counters[size_t(toggles)], 1);
    EXPECT_EQ(window.actPictureList->shortcut(), t);
    Key(Qt::Key_0, Qt::KeypadModifier);
    EXPECT_EQ(*Counters[size_t(toggles)], 2);
    EXPECT_EQ(window.actPictureList->shortcut(), keypadZero);
    Key(Qt::Key_0, Qt::KeypadModifier);
    EXPECT_EQ(*Counters[size_t(toggles)], 3);
    Key(Qt::Key_T);
    EXPECT_EQ(*Counters[size_t(toggles)], 4);
    EXPECT_EQ(window.actPictureList->shortcut(), t);
    // The main keyboard's 0 is neither.
    Key(Qt::Key_0);
    EXPECT_EQ(*Counters[size_t(toggles)], 4);
}

TEST_F(MainInput, ArrowsMoveByTenTimesTheZoomTruncated) {
    TfrmMain& window = BrowseActive(2);
    const TRect start = window.WindowBounds();
    Key(Qt::Key_Right);
    Key(Qt::Key_Down);
    EXPECT_EQ(window.WindowBounds().Left, start.Left + 10);
    EXPECT_EQ(window.WindowBounds().Top, start.Top + 10);
    Key(Qt::Key_Left);
    Key(Qt::Key_Up);
    EXPECT_EQ(window.WindowBounds(), start);

    // Five steps out: 0.13168724, one pixel per press.
    for (int i = 0; i < 5; ++i)
        Key(Qt::Key_Minus, Qt::KeypadModifier);
    const TRect zoomed = window.WindowBounds();
    Key(Qt::Key_Left);
    EXPECT_EQ(window.WindowBounds().Left, zoomed.Left - 1);
    // Six: 0.08779149, nothing moves.
    Key(Qt::Key_Minus, Qt::KeypadModifier);
    const TRect smaller = window.WindowBounds();
    Key(Qt::Key_Left);
    Key(Qt::Key_Down);
    EXPECT_EQ(window.WindowBounds(), smaller);
}

TEST_F(MainInput, InFullScreenArrowsPanThePictureTheOtherWay) {
    TfrmMain& window = BrowseActive(2);
    Key(Qt::Key_F);
    const TRect start = window.DisplaySurface->BoundsRect();
    Key(Qt::Key_Left);
    Key(Qt::Key_Up);
    EXPECT_EQ(window.DisplaySurface->BoundsRect().Left, start.Left + 10);
    EXPECT_EQ(window.DisplaySurface->BoundsRect().Top, start.Top + 10);
    EXPECT_EQ(window.WindowBounds(), (TRect{0, 0, 1280, 1024}));
}

TEST_F(MainInput, WithThePictureListOpenEnterAndArrowsDoNothing) {
    TfrmMain& window = BrowseActive(2);
    window.actPictureList->setChecked(true);
    const TRect start = window.WindowBounds();
    Key(Qt::Key_Return);
    Key(Qt::Key_Right);
    EXPECT_FALSE(window.actFullScreen->isChecked());
    EXPECT_EQ(window.WindowBounds(), start);
    window.actPictureList->setChecked(false);
    Key(Qt::Key_Return);
    EXPECT_TRUE(window.actFullScreen->isChecked());
    Key(Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_FALSE(window.actFullScreen->isChecked());
}

TEST_F(MainInput, EscapeQuitsWithExitCodeZeroAfterCentringAParkedCursor) {
    TfrmMain& window = BrowseActive(2);
    window.actHideCursorExecute();
    Key(Qt::Key_F);
    ASSERT_EQ(Services.Cursor, (TPoint{1279, 1023}));
    Key(Qt::Key_Escape);
    EXPECT_EQ(Services.ExitCodes, (std::vector<int32_t>{0}));
    EXPECT_EQ(Services.Cursor, (TPoint{640, 512}));
    EXPECT_TRUE(window.Terminated);
}

TEST_F(MainInput, KeysSentToAFocusedChildAreDispatchedTheSameWay) {
    TfrmMain& window = BrowseActive(3);
    window.DisplaySurface->setFocusPolicy(Qt::StrongFocus);
    window.DisplaySurface->setFocus();
    ASSERT_TRUE(WaitFor([&] { return window.DisplaySurface->hasFocus(); }));
    QTest::keyClick(window.DisplaySurface, Qt::Key_F);
    EXPECT_TRUE(window.actFullScreen->isChecked());
    QTest::keyClick(window.DisplaySurface, Qt::Key_6, Qt::KeypadModifier);
    EXPECT_EQ(window.CurrentIndex, 1);
    QTest::keyClick(window.DisplaySurface, Qt::Key_Escape);
    EXPECT_EQ(Services.ExitCodes, (std::vector<int32_t>{0}));
}

TEST_F(MainInput, AKeyPressSendsTheNoticeBehindThePicture) {
    TfrmMain& window = BrowseActive(2);
    window.SetWindowBounds({100, 100, 500, 400});
    window.GoPrevious();
    const QObjectList& children = window.children();
    const auto stackPosition = [&](QObject* child) {
        return std::find(children.begin(), children.end(), child) - children.begin();
    };
    ASSERT_GT(stackPosition(window.panNotify), stackPosition(window.DisplaySurface));
    Key(Qt::Key_Shift);
    EXPECT_LT(stackPosition(window.panNotify), stackPosition(window.DisplaySurface));
    EXPECT_TRUE(window.panNotify->isVisibleTo(&window));
}

TEST_F(MainInput, EachWheelNotchStepsOnceAlsoInSmallIncrements) {
    TfrmMain& window = Browse(6);
    Wheel(-120);
    EXPECT_EQ(window.CurrentIndex, 1);
    Wheel(-240);
    EXPECT_EQ(window.CurrentIndex, 3);
    for (int i = 0; i < 3; ++i)
        Wheel(-40);
    EXPECT_EQ(window.CurrentIndex, 4);
    Wheel(-60);
    // Turning back forgets the half notch the other way.
    Wheel(60);
    EXPECT_EQ(window.CurrentIndex, 4);
    Wheel(60);
    EXPECT_EQ(window.CurrentIndex, 3);
    Wheel(120);
    EXPECT_EQ(window.CurrentIndex, 2);
}

TEST_F(MainInput, DraggingMovesTheWindowOrInFullScreenThePicture) {
    TfrmMain& window = Browse(2);
    const TRect window0 = window.WindowBounds();
    MouseMove(1, 1, Qt::NoButton);
    MouseMove(3, 2, Qt::LeftButton);
    EXPECT_EQ(window.WindowBounds().Left, window0.Left + 2);
    EXPECT_EQ(window.WindowBounds().Top, window0.Top + 1);
    EXPECT_EQ(window.LastMouseX, 1);
    MouseMove(2, 2, Qt::NoButton);

    window.actFullScreenExecute();
    const TRect surface0 = window.DisplaySurface->BoundsRect();
    MouseMove(-5, 4, Qt::LeftButton);
    EXPECT_EQ(window.DisplaySurface->BoundsRect().Left, surface0.Left - 7);
    EXPECT_EQ(window.DisplaySurface->BoundsRect().Top, surface0.Top + 2);
    EXPECT_EQ(window.WindowBounds(), (TRect{0, 0, 1280, 1024}));
}

TEST_F(MainInput, AfterTheMenuTheFirstMoveOnlyRecordsThePosition) {
    TfrmMain& window = Browse(2);
    MouseMove(1, 1, Qt::NoButton);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(1, 1),
                           window.DisplaySurface->mapToGlobal(QPoint(1, 1)));
    QApplication::sendEvent(window.DisplaySurface, &menu);
    EXPECT_TRUE(window.popMain->isVisible());
    EXPECT_TRUE(window.PopupShown);
    window.popMain->close();
    const TRect before = window.WindowBounds();
    MouseMove(3, 3, Qt::LeftButton);
    EXPECT_EQ(window.WindowBounds(), before);
    EXPECT_EQ(window.LastMouseX, 3);
    EXPECT_FALSE(window.PopupShown);
    MouseMove(4, 3, Qt::LeftButton);
    EXPECT_EQ(window.WindowBounds().Left, before.Left + 1);
}

// Items by caption, "-" for a separator, submenus in braces.
std::string Describe(const QMenu& menu) {
    std::string text;
    for (const QAction* action : menu.actions()) {
        if (!text.empty())
            text += "|";
        if (action->isSeparator())
            text += "-";
        else if (action->menu())
            text += action->text().toStdString() + "{" + Describe(*action->menu()) + "}";
        else
            text += action->text().toStdString();
    }
    return text;
}

TEST_F(MainInput, TheContextMenuListsEveryCommandInItsOrder) {
    TfrmMain& window = *Start({});
    EXPECT_EQ(Describe(*window.popMain),
              "First picture|Previous picture|Next picture|Last picture|-|"
              "Full screen|Zoom in|Zoom out|Zoom lock|Shrink|Enlarge|Filtering|Info line|-|"
              "Delete file|Undo delete|"
              "Custom commands{Custom command 1|Custom command 2|Custom command 3|"
              "Custom command 4}|-|"
              "Picture list|Change directory|Recurse subdirectories|Refresh file list|"
              "Image Processing{Grayscale|Invert|Emboss|-|Horizontal flip|Vertical flip|"
              "Rotate 90\u00b0 CW|Rotate 90\u00b0 CCW|Rotate arbitrary...|-|Revert}|"
              "Options{Hide mouse cursor in full screen|Sizing border}|"
              "-|Debug console|-|Save settings|-|Quit");
}

TEST_F(MainInput, MenuCommandsRunThroughTheirActions) {
    TfrmMain& window = Browse(3);
    window.actNextPicture->trigger();
    EXPECT_EQ(window.CurrentIndex, 1);
    window.actLastPicture->trigger();
    EXPECT_EQ(window.CurrentIndex, 2);
    window.actZoomIn->trigger();
    EXPECT_EQ(window.ZoomFactor, 1.5f);
    window.actHideCursor->trigger();
    EXPECT_TRUE(window.actHideCursor->isChecked());
    window.actQuit->trigger();
    EXPECT_EQ(Services.ExitCodes, (std::vector<int32_t>{0}));
}
} // namespace
