#pragma once

#include "ViewerFixture.h"

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QTest>

#include <algorithm>
#include <cstdio>

// A directory of numbered pictures to browse: picture N is 4 x 3 pixels of red N, so every
// buffer tells which picture it holds.
class BrowsingFixture : public ViewerFixture {
protected:
    static std::string NameOf(int number) {
        char name[16];
        std::snprintf(name, sizeof name, "%02d.tbmp", number);
        return name;
    }

    void WriteNumbered(int count) {
        for (int number = 0; number < count; ++number)
            WriteTestPicture(PathOf(NameOf(number)), 4, 3,
                             std::vector<TRgb>(12, TRgb{uint8_t(number), 0, 0}));
    }

    // Started on the directory (or the given argument) and through its first activation.
    TfrmMain& Browse(int count, const std::string& argument = "") {
        WriteNumbered(count);
        TfrmMain& window = *Start({argument.empty() ? Directory : argument});
        window.ApplicationActivate();
        SettleNeighbours();
        return window;
    }

    template <typename TPicturePointer>
    static int NumberOf(const TPicturePointer& picture) {
        return picture ? TopDownPixel(*picture, 0, 0).Red : -1;
    }
    int Shown() const { return NumberOf(Window->DisplayBuffer); }

    // Pictures decoded since the log had this many lines.
    size_t LoadsSince(size_t logLines) const {
        const auto& log = Window->DebugLog;
        return size_t(std::count_if(
            log.begin() + ptrdiff_t(logLines), log.end(), [](const std::string& line) {
                return line.rfind("===== ", 0) == 0 && line != "===== File list =====";
            }));
    }

    std::string NoticeText() const { return Window->lblNotify->text().toStdString(); }

    // Shortcuts need a shown, active window.
    void ShowActive() {
        Window->show();
        Window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Window.get()));
    }
};
