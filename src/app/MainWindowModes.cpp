#include "app/MainWindow.h"

#include <QAction>
#include <QWindow>

namespace {
void Flip(QAction* action) {
    action->setChecked(!action->isChecked());
}
} // namespace

void TfrmMain::actFullScreenExecute() {
    Flip(actFullScreen);
    const bool fullScreen = actFullScreen->isChecked();
    if (!fullScreen && actSizingBorder->isChecked())
        SizingBorderApplied = true;
    FitPicture();
    if (fullScreen) {
        // Full screen never has a sizing border; leaving it brings the border back.
        SizingBorderApplied = false;
        RaiseAboveOthers();
    } else {
        CentreParkedCursor();
    }
}

void TfrmMain::RaiseAboveOthers() {
    // Toggling the stay-on-top hint once lifts the window above panels and other windows,
    // without leaving it on top for good.
    if (QWindow* handle = windowHandle()) {
        handle->setFlag(Qt::WindowStaysOnTopHint, true);
        handle->setFlag(Qt::WindowStaysOnTopHint, false);
    }
    raise();
    activateWindow();
}

void TfrmMain::actSizingBorderExecute() {
    Flip(actSizingBorder);
    // In full screen the state waits until full screen is left.
    if (actFullScreen->isChecked())
        return;
    // The window stays frameless; the border is a band along its edges (ResizeEdges), so no
    // frame has to be recomputed.
    SizingBorderApplied = actSizingBorder->isChecked();
}

void TfrmMain::actHideCursorExecute() {
    Flip(actHideCursor);
}

void TfrmMain::CentreParkedCursor() {
    const TRect screen = WindowScreen().Geometry;
    const TPoint cursor = Services.CursorPos();
    // Within the last ten pixels of this screen; a cursor beyond its edge is on another one.
    const auto nearEnd = [](int32_t position, int32_t end) {
        return position > end - 10 && position < end;
    };
    if (actHideCursor->isChecked() && nearEnd(cursor.X, screen.Right) &&
        nearEnd(cursor.Y, screen.Bottom))
        Services.SetCursorPos({screen.Left + screen.Width() / 2, screen.Top + screen.Height() / 2});
}
