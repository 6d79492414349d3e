#pragma once

#include "platform/DeviceContext.h"
#include "raster/FastRGB.h"

#include <QWidget>

#include <cstdint>
#include <string>

enum TDrawStyle { dsDraw, dsStretch, dsResize, dsTile, dsCenter };

// The control that puts the display buffer on the screen, scaled into its own rectangle.
// It paints the buffer it is given but never owns it, keeps no scaled copy between paints,
// and fills only the margins around the picture (no separate background erase).
// Bounds and client sizes are in physical pixels.
class TFastIMG : public QWidget {
public:
    explicit TFastIMG(QWidget* owner);
    ~TFastIMG() override;

    TFastRGB* Buffer() const { return FBuffer; }
    // Does not repaint: the owner changes the buffer underneath and repaints when it is done.
    void SetBuffer(TFastRGB* buffer);

    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool autoSize);
    bool BilinearResize() const { return FBilinearResize; }
    void SetBilinearResize(bool bilinear);
    TDrawStyle DrawStyle() const { return FDrawStyle; }
    void SetDrawStyle(TDrawStyle style);

    TColorRGB Color; // black, the main window's colour

    void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height);
    TRect BoundsRect() const;
    int32_t ClientWidth() const;
    int32_t ClientHeight() const;

    // One paint of the whole client area onto a device context.
    void PaintTo(TDeviceContext& dc) const;
    // A line of text the screen shows over the bottom of the visible picture; the buffer
    // never sees it. Empty: none.
    const std::string& InfoLine() const { return FInfoLine; }
    void SetInfoLine(const std::string& text);
    // Counts paints that reached the screen; lets callers check when the surface was drawn.
    int64_t PaintCount() const { return FPaintCount; }

protected:
    void paintEvent(QPaintEvent* event) override;
    // The line keeps to the visible part: a surface that moved or changed size repaints whole
    // rather than carrying the line along.
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void FillOutside(TDeviceContext& dc, const TRect& inner) const;
    void PaintResized(TDeviceContext& dc, int32_t cw, int32_t ch) const;
    void DrawScaled(TDeviceContext& dc, int32_t x, int32_t y, int32_t w, int32_t h) const;
    // The part of the surface inside its parent, in logical pixels.
    QRect VisibleRect() const;

    TFastRGB* FBuffer = nullptr;
    TDrawStyle FDrawStyle = dsDraw;
    bool FBilinearResize = false;
    bool FAutoSize = false;
    int64_t FPaintCount = 0;
    std::string FInfoLine;
};
