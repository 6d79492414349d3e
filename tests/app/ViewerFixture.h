#pragma once

#include "FakePlatformServices.h"
#include "TestPictures.h"
#include "app/MainWindow.h"

#include <QAction>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMenu>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Runs pending events until the condition holds or half a minute has passed.
inline bool WaitFor(const std::function<bool()>& condition) {
    const QDeadlineTimer deadline(30000);
    while (!condition() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return condition();
}

// A scratch directory that stands for the executable's directory and holds the pictures,
// the scripted platform (clock step 5 ms) and the test picture classes.
class ViewerFixture : public testing::Test {
protected:
    ViewerFixture() {
        char pattern[] = "/tmp/pelorama-viewer-XXXXXX";
        Directory = mkdtemp(pattern);
        Services.ClockStep = 5;
    }
    ~ViewerFixture() override {
        Window.reset();
        std::error_code error;
        std::filesystem::remove_all(Directory, error);
    }

    std::string PathOf(const std::string& name) const { return Directory + "/" + name; }

    // Neighbours are decoded on a worker thread: runs events until both are in the cache.
    void SettleNeighbours() {
        ASSERT_TRUE(WaitFor([this] { return !Window->DecodingNeighbours(); }));
    }

    std::unique_ptr<TfrmMain>& Start(std::vector<std::string> arguments) {
        Window = std::make_unique<TfrmMain>(Services, std::move(arguments), PathOf("pelorama"));
        return Window;
    }

    // A 3 x 2 picture: red, green, blue over white, gray, black.
    std::string WriteSample(const std::string& name) {
        return WriteTestPicture(
            PathOf(name), 3, 2,
            {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}, {128, 128, 128}, {0, 0, 0}});
    }

    std::string Directory;
    FakePlatformServices Services;
    TTestPictureClasses Classes;
    std::unique_ptr<TfrmMain> Window;
};

// Colour at (X, Y) counted from the top of a pixel buffer.
inline TRgb TopDownPixel(const TFastBMP& buffer, int32_t x, int32_t y) {
    const uint8_t* p = buffer.RowTable[size_t(buffer.Height - 1 - y)] + x * 3;
    return {p[2], p[1], p[0]};
}

inline bool operator==(const TRgb& a, const TRgb& b) {
    return a.Red == b.Red && a.Green == b.Green && a.Blue == b.Blue;
}

// The item texts of the context menu's submenu with this title, "-" for a separator; empty
// when there is no such submenu.
inline std::vector<std::string> SubmenuItems(const QMenu& menu, const QString& title) {
    std::vector<std::string> items;
    for (const QAction* entry : menu.actions()) {
        if (!entry->menu() || entry->menu()->title() != title)
            continue;
        for (const QAction* item : entry->menu()->actions())
            items.push_back(item->isSeparator() ? "-" : item->text().toStdString());
    }
    return items;
}
