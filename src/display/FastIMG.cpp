#include "display/FastIMG.h"

#include "display/InfoLineOverlay.h"
#include "display/PhysicalPixels.h"
#include "display/QtDeviceContext.h"
#include "platform/Rounding.h"
#include "raster/FastBMP.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <exception>

TFastIMG::TFastIMG(QWidget* owner) : QWidget(owner) {
    // Every paint covers the whole client area itself.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
    SetBounds(BoundsRect().Left, BoundsRect().Top, 100, 100);
}

TFastIMG::~TFastIMG() {
    FBuffer = nullptr;
}

void TFastIMG::SetBuffer(TFastRGB* buffer) {
    FBuffer = buffer;
    if (FAutoSize && FBuffer)
        SetBounds(BoundsRect().Left, BoundsRect().Top, FBuffer->Width, FBuffer->Height);
}

void TFastIMG::SetAutoSize(bool autoSize) {
    FAutoSize = autoSize;
    if (FAutoSize && FBuffer)
        SetBounds(BoundsRect().Left, BoundsRect().Top, FBuffer->Width, FBuffer->Height);
}

void TFastIMG::SetBilinearResize(bool bilinear) {
    FBilinearResize = bilinear;
    repaint();
}

void TFastIMG::SetDrawStyle(TDrawStyle style) {
    FDrawStyle = style;
    repaint();
}

void TFastIMG::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
    setGeometry(LogicalRect({left, top, left + width, top + height}, devicePixelRatioF()));
}

TRect TFastIMG::BoundsRect() const {
    return PhysicalRect(geometry(), devicePixelRatioF());
}

int32_t TFastIMG::ClientWidth() const {
    return BoundsRect().Width();
}

int32_t TFastIMG::ClientHeight() const {
    return BoundsRect().Height();
}

void TFastIMG::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    // Only what the event exposes is drawn, and so only that is computed: a surface zoomed
    // far past the screen is mostly hidden by the window.
    painter.setClipRegion(event->region());
    // Draw in physical pixels: one picture pixel is one screen pixel at any scale factor.
    const qreal ratio = devicePixelRatioF();
    painter.scale(1.0 / ratio, 1.0 / ratio);
    {
        QtDeviceContext dc(painter);
        PaintTo(dc);
    }
    if (!FInfoLine.empty()) {
        // Text in logical pixels: as legible on a dense screen as on any other.
        painter.resetTransform();
        DrawInfoLine(painter, VisibleRect(), QString::fromStdString(FInfoLine));
    }
    ++FPaintCount;
}

void TFastIMG::SetInfoLine(const std::string& text) {
    if (text == FInfoLine)
        return;
    FInfoLine = text;
    update();
}

QRect TFastIMG::VisibleRect() const {
    const QWidget* parent = parentWidget();
    return parent ? rect() & QRect(mapFromParent(QPoint(0, 0)), parent->size()) : rect();
}

void TFastIMG::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (!FInfoLine.empty())
        update();
}

void TFastIMG::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!FInfoLine.empty())
        update();
}

void TFastIMG::FillOutside(TDeviceContext& dc, const TRect& inner) const {
    dc.FillRegion(XorRegion({0, 0, ClientWidth(), ClientHeight()}, inner), Color);
}

void TFastIMG::PaintTo(TDeviceContext& dc) const {
    const int32_t cw = ClientWidth();
    const int32_t ch = ClientHeight();
    if (!FBuffer) {
        dc.FillRegion({{0, 0, cw, ch}}, Color);
        return;
    }
    const int32_t width = FBuffer->Width;
    const int32_t height = FBuffer->Height;
    switch (FDrawStyle) {
    case dsDraw:
        if (width < cw || height < ch)
            FillOutside(dc, {0, 0, width, height});
        FBuffer->Draw(dc, 0, 0);
        break;
    case dsStretch:
        DrawScaled(dc, 0, 0, cw, ch);
        break;
    case dsResize:
        PaintResized(dc, cw, ch);
        break;
    case dsTile:
        FBuffer->DrawTiled(dc, 0, 0, cw, ch);
        break;
    case dsCenter: {
        const int32_t xo = (cw - width) / 2;
        const int32_t yo = (ch - height) / 2;
        if (width < cw || height < ch)
            FillOutside(dc, {xo, yo, xo + width, yo + height});
        FBuffer->Draw(dc, xo, yo);
        break;
    }
    }
}

void TFastIMG::PaintResized(TDeviceContext& dc, int32_t cw, int32_t ch) const {
    if (FBuffer->Width == 0 || FBuffer->Height == 0) {
        // Nothing to fit: the whole control shows its colour.
        dc.FillRegion({{0, 0, cw, ch}}, Color);
        return;
    }
    const float width = float(FBuffer->Width);
    const float height = float(FBuffer->Height);
    const float bw = FBuffer->Width != 0 ? width : 1.0f;
    const float bh = FBuffer->Height != 0 ? height : 1.0f;
    const float xr = float(cw) / bw;
    const float yr = float(ch) / bh;
    float fw = 0;
    float fh = 0;
    int32_t xo = 0;
    int32_t yo = 0;
    if (xr > yr) {
        fw = width * yr;
        fh = float(ch);
        xo = RoundEven((float(cw) - width * yr) / 2.0f);
    } else {
        fh = height * xr;
        fw = float(cw);
        yo = RoundEven((float(ch) - height * xr) / 2.0f);
    }
    const int32_t dw = RoundEven(fw);
    const int32_t dh = RoundEven(fh);
    if (xo != 0 || yo != 0)
        FillOutside(dc, {xo, yo, xo + dw, yo + dh});
    DrawScaled(dc, xo, yo, dw, dh);
}

void TFastIMG::DrawScaled(TDeviceContext& dc, int32_t x, int32_t y, int32_t w, int32_t h) const {
    if (w < 1 || h < 1 || FBuffer->Width < 1 || FBuffer->Height < 1)
        return;
    if (!FBilinearResize) {
        FBuffer->DrawStretched(dc, x, y, w, h);
        return;
    }
    // Only the part the device shows is resampled, so a paint costs about a screen's worth
    // of memory and time however far the picture is zoomed.
    const TRect box = dc.ClipBox();
    const int32_t left = std::max(x, box.Left);
    const int32_t top = std::max(y, box.Top);
    const int32_t right = std::min(x + w, box.Right);
    const int32_t bottom = std::min(y + h, box.Bottom);
    if (left >= right || top >= bottom)
        return;
    // Rows of the resampled picture count from its bottom, as stored.
    const TResampleWindow window{w, h, left - x, y + h - bottom};
    const bool copied = w == FBuffer->Width && h == FBuffer->Height;
    if (FBuffer->Width > 1 && !copied) {
        // Straight into the rows the device shows: no second pass to convert them.
        if (!dc.DrawFilled(left, top, right - left, bottom - top, [&](const TBgrxRows& rows) {
                ResizeBilinearPart(*FBuffer, rows, window);
            }))
            FBuffer->DrawStretched(dc, x, y, w, h); // a device larger than memory holds
        return;
    }
    TFastBMP part;
    try {
        part.SetSize(right - left, bottom - top);
    } catch (const std::exception&) {
        FBuffer->DrawStretched(dc, x, y, w, h);
        return;
    }
    ResizeBilinearPart(*FBuffer, part, window);
    part.Draw(dc, left, top);
}
