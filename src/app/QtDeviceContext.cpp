#include "app/QtDeviceContext.h"

#include <QImage>
#include <QPainter>

#include <cstdlib>

int QtDeviceContext::SetStretchBltMode(int mode) {
    const int previous = StretchMode;
    StretchMode = mode;
    return previous;
}

void QtDeviceContext::StretchDIBits(int32_t x, int32_t y, int32_t dw, int32_t dh, int32_t sx,
                                    int32_t sy, int32_t sw, int32_t sh, const uint8_t* bits,
                                    const TBitmapInfoHeader& info) {
    if (!bits || dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0 || info.biBitCount != 24)
        return;
    const int width = info.biWidth;
    const int height = std::abs(info.biHeight);
    const qsizetype stride = ((qsizetype(width) * 3 + 3) / 4) * 4;
    // Wraps the bits without copying. For a bottom-up DIB, image row r is DIB row r counted
    // from the bottom, so the source rectangle keeps its coordinates and the picture is
    // flipped while drawing.
    const QImage image(bits, width, height, stride, QImage::Format_BGR888);
    const bool bottomUp = info.biHeight > 0;
    Painter.save();
    Painter.setRenderHint(QPainter::SmoothPixmapTransform, StretchMode == HALFTONE);
    if (bottomUp) {
        Painter.translate(x, y + dh);
        Painter.scale(1, -1);
    } else {
        Painter.translate(x, y);
    }
    Painter.drawImage(QRect(0, 0, dw, dh), image, QRect(sx, sy, sw, sh));
    Painter.restore();
}

void QtDeviceContext::FillRegion(const TRegion& region, TColorRGB color) {
    const QColor fill(color.Red, color.Green, color.Blue);
    for (const TRect& rect : region)
        Painter.fillRect(QRect(rect.Left, rect.Top, rect.Width(), rect.Height()), fill);
}
