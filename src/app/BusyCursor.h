#pragma once

#include <QWidget>

// The hourglass while the window's thread loads or waits for a decode, in window mode only:
// full screen keeps its cursor (hidden, say).
class TBusyCursor {
public:
    TBusyCursor(QWidget& window, bool windowMode) : Window(windowMode ? &window : nullptr) {
        if (Window)
            Window->setCursor(Qt::WaitCursor);
    }
    ~TBusyCursor() {
        if (Window)
            Window->unsetCursor();
    }
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;

private:
    QWidget* Window;
};
