#include "app/MainWindow.h"

#include "display/FastIMG.h"
#include "display/PhysicalPixels.h"
#include "platform/Rounding.h"

#include <QAction>

#include <algorithm>
#include <cmath>

namespace {
int32_t Ceil(double value) {
    return int32_t(std::ceil(value));
}
} // namespace

TRect TfrmMain::WindowBounds() const {
    return PhysicalRect(geometry(), devicePixelRatioF());
}

void TfrmMain::SetWindowBounds(const TRect& bounds) {
    setGeometry(LogicalRect(bounds, devicePixelRatioF()));
}

TScreenArea TfrmMain::WindowScreen() {
    const TRect window = WindowBounds();
    const std::vector<TScreenArea> screens = Services.Screens();
    const TScreenArea* screen = NearestScreen(
        screens, {window.Left + window.Width() / 2, window.Top + window.Height() / 2});
    return screen ? *screen : TScreenArea{};
}

void TfrmMain::FitPicture() {
    const int32_t start = Services.MillisecondsSinceMidnight();
    PlacePicture();
    const int32_t end = Services.MillisecondsSinceMidnight();
    Log("Resize: " + std::to_string(end - start) + " ms");
}

TfrmMain::TPictureSize TfrmMain::PictureSize() const {
    return FirstViewSize ? *FirstViewSize
                         : TPictureSize{DisplayBuffer->Width, DisplayBuffer->Height};
}

void TfrmMain::PlacePicture() {
    const TRect old = WindowBounds();
    const TScreenArea area = WindowScreen();
    const TRect& screen = area.Geometry;
    const TRect& work = area.WorkArea;
    const int32_t screenWidth = screen.Width();
    const int32_t screenHeight = screen.Height();
    const bool fullScreen = actFullScreen->isChecked();

    const auto [width, height] = PictureSize();
    const float ratio = height != 0 ? float(width) / float(height) : 1.0f;
    const int32_t boundsWidth = fullScreen ? screenWidth : work.Width();
    const int32_t boundsHeight = fullScreen ? screenHeight : work.Height();
    const float boundsRatio = boundsHeight != 0 ? float(boundsWidth) / float(boundsHeight) : 1.0f;
    const bool wide = width > boundsWidth;
    const bool tall = height > boundsHeight;
    const bool zoomNeutral = ZoomFactor == 1.0f;

    int32_t w = 0;
    int32_t h = 0;
    // Shrink and Enlarge fit the picture's ratio to the bounds, limited one way or the other.
    const auto fitToBounds = [&](bool shrink) {
        const auto limit = [shrink](int32_t bound, int32_t size) {
            return shrink ? std::min(bound, size) : std::max(bound, size);
        };
        if (ratio > boundsRatio) {
            w = limit(boundsWidth, width);
            h = Ceil(w / double(ratio));
        } else {
            h = limit(boundsHeight, height);
            w = Ceil(h * double(ratio));
        }
    };
    if (actShrink->isChecked() && (wide || tall) && zoomNeutral) {
        fitToBounds(true);
    } else if (actEnlarge->isChecked() && !wide && !tall && zoomNeutral) {
        fitToBounds(false);
    } else {
        w = RoundEven(double(width) * ZoomFactor);
        h = RoundEven(double(height) * ZoomFactor);
    }

    TRect window;
    TRect surface;
    if (fullScreen) {
        window = screen;
        const int32_t left = RoundEven(screenWidth / 2.0) - RoundEven(w / 2.0);
        const int32_t top = RoundEven(screenHeight / 2.0) - RoundEven(h / 2.0);
        surface = {left, top, left + w, top + h};
    } else {
        surface = {0, 0, w, h};
        int32_t left = old.Left + RoundEven(old.Width() / 2.0) - RoundEven(w / 2.0);
        int32_t top = old.Top + RoundEven(old.Height() / 2.0) - RoundEven(h / 2.0);
        if (wide) {
            left = work.Left + RoundEven(work.Width() / 2.0) - RoundEven(w / 2.0);
        } else {
            left = std::max(left, work.Left);
            if (left + w > work.Right)
                left = work.Right - w;
        }
        if (tall) {
            top = work.Top + RoundEven(work.Height() / 2.0) - RoundEven(h / 2.0);
        } else {
            top = std::max(top, work.Top);
            if (top + h > work.Bottom)
                top = work.Bottom - h;
        }
        window = {left, top, left + w, top + h};
    }

    DisplaySurface->SetBounds(surface.Left, surface.Top, surface.Width(), surface.Height());
    UpdateInfoLine();
    DisplaySurface->repaint();
    SetWindowBounds(window);

    // The screen's last pixel: one further could be on the neighbouring screen.
    if (fullScreen && actHideCursor->isChecked())
        Services.SetCursorPos({screen.Right - 1, screen.Bottom - 1});
}

void TfrmMain::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FormResize();
}

void TfrmMain::FormResize() {
    if (actFullScreen->isChecked() || FirstActivation)
        return;
    const TRect bounds = WindowBounds();
    DisplaySurface->SetBounds(0, 0, bounds.Width(), bounds.Height());
    UpdateInfoLine(); // the zoom changed
}
