#pragma once

#include <QWidget>

#include <string>
#include <vector>

class QPlainTextEdit;

// A tool window that shows the debug log as it was when the window opened. Closing it only
// hides it; it lives as long as its owner.
class TfrmDebug : public QWidget {
public:
    TfrmDebug(QWidget* owner, const std::vector<std::string>& lines);

    QPlainTextEdit* memDebug = nullptr;

    // Shows the window, scrolled to the newest line.
    void ShowAtEnd();
};
