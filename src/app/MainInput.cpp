#include "app/MainWindow.h"

#include "app/ResizeEdges.h"
#include "display/FastIMG.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QMenu>
#include <QWheelEvent>
#include <QWindow>

#include <cmath>

namespace {
// One notch of an ordinary wheel; high-resolution wheels report fractions of it.
constexpr int WheelNotch = 120;
} // namespace

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
    // Shortcuts have run before a key press is delivered; every other key of this window
    // reaches FormKeyDown first, whatever child has the focus.
    if (event->type() == QEvent::KeyPress) {
        const auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || widget->window() != this)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        FormKeyDown(key->key(), key->modifiers());
        return true;
    }
    if (watched == this || watched == DisplaySurface)
        return FilterMouse(watched, event);
    return false;
}

bool TfrmMain::FilterMouse(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Wheel:
        TurnWheel(static_cast<QWheelEvent*>(event)->angleDelta().y());
        return true;
    case QEvent::MouseButtonDblClick:
        if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
            return false;
        actFullScreenExecute();
        return true;
    case QEvent::ContextMenu:
        popMain->popup(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
        // Only the picture drags; the black around it does not.
        break;
    default:
        return false;
    }
    if (watched != DisplaySurface)
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint position = mouse->position().toPoint();
    const Qt::Edges edges = SizingBorderApplied
                                ? ResizeEdgesAt(DisplaySurface->mapTo(this, position), size())
                                : Qt::Edges();
    if (event->type() == QEvent::MouseButtonPress) {
        // A press on the sizing border resizes instead of dragging.
        return mouse->button() == Qt::LeftButton && edges && windowHandle() &&
               windowHandle()->startSystemResize(edges);
    }
    if (mouse->buttons() == Qt::NoButton) {
        if (edges)
            DisplaySurface->setCursor(ResizeCursor(edges));
        else if (DisplaySurface->testAttribute(Qt::WA_SetCursor))
            DisplaySurface->unsetCursor();
    }
    // Relative to where the surface was last put, not to where the window system has it yet:
    // while the window is dragged, its moves lag behind the pointer's events.
    const qreal ratio = devicePixelRatioF();
    const TRect window = WindowBounds();
    const TRect surface = DisplaySurface->BoundsRect();
    const QPointF global = mouse->globalPosition();
    FormMouseMove(mouse->buttons(),
                  int32_t(std::lround(global.x() * ratio)) - window.Left - surface.Left,
                  int32_t(std::lround(global.y() * ratio)) - window.Top - surface.Top);
    return false;
}

void TfrmMain::FormKeyDown(int key, Qt::KeyboardModifiers shift) {
    // X11 leaves the keypad modifier out when it matches shortcuts, so keypad shortcuts arrive
    // here as key presses: they run their action as a matched shortcut would.
    if (RunShortcut(QKeySequence(QKeyCombination(shift, Qt::Key(key)))))
        return;
    // A visible notice leaves sight at the first key press.
    panNotify->lower();
    RunKeyCommand(key, shift);
}

void TfrmMain::MoveByArrow(int32_t arrow) {
    const int32_t step = int32_t(std::trunc(10.0 * double(ZoomFactor)));
    // Full screen pans over the picture; window mode moves the window the arrow's way.
    const int32_t sign = actFullScreen->isChecked() ? -1 : 1;
    switch (arrow) {
    case arLeft:
        MovePictureOrWindow(-sign * step, 0);
        break;
    case arRight:
        MovePictureOrWindow(sign * step, 0);
        break;
    case arUp:
        MovePictureOrWindow(0, -sign * step);
        break;
    case arDown:
        MovePictureOrWindow(0, sign * step);
        break;
    default:
        break;
    }
}

void TfrmMain::MovePictureOrWindow(int32_t dx, int32_t dy) {
    if (dx == 0 && dy == 0)
        return;
    if (actFullScreen->isChecked()) {
        const TRect bounds = DisplaySurface->BoundsRect();
        DisplaySurface->SetBounds(bounds.Left + dx, bounds.Top + dy, bounds.Width(),
                                  bounds.Height());
    } else {
        const TRect bounds = WindowBounds();
        SetWindowBounds({bounds.Left + dx, bounds.Top + dy, bounds.Right + dx, bounds.Bottom + dy});
    }
}

void TfrmMain::FormMouseMove(Qt::MouseButtons buttons, int32_t x, int32_t y) {
    // The drag origin stays where it was: the moved object follows the pointer, so the
    // pointer keeps its place relative to it.
    if ((buttons & Qt::LeftButton) && !PopupShown)
        MovePictureOrWindow(x - LastMouseX, y - LastMouseY);
    else {
        LastMouseX = x;
        LastMouseY = y;
    }
    PopupShown = false;
}

void TfrmMain::FormMouseWheelUp() {
    GoPrevious();
}

void TfrmMain::FormMouseWheelDown() {
    GoNext();
}

void TfrmMain::TurnWheel(int angleDelta) {
    // Turning the other way starts a new notch.
    if ((angleDelta > 0 && WheelRemainder < 0) || (angleDelta < 0 && WheelRemainder > 0))
        WheelRemainder = 0;
    WheelRemainder += angleDelta;
    // Counted before stepping: a step processes pending events, which may turn the wheel again.
    const int notches = WheelRemainder / WheelNotch;
    WheelRemainder -= notches * WheelNotch;
    for (int i = 0; i < notches; ++i)
        FormMouseWheelUp();
    for (int i = 0; i < -notches; ++i)
        FormMouseWheelDown();
}
