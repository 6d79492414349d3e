#include "display/QtDeviceContext.h"

#include <QImage>
#include <QPainter>

#include <cstdlib>
#include <vector>

namespace {
qsizetype DibStride(int32_t width) {
    return ((qsizetype(width) * 3 + 3) / 4) * 4;
}
} // namespace

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
    const int32_t height = std::abs(info.biHeight);
    const bool inside =
        sx >= 0 && sy >= 0 && int64_t(sx) + sw <= info.biWidth && int64_t(sy) + sh <= height;
    if (StretchMode == HALFTONE || !inside)
        DrawThroughQt(x, y, dw, dh, sx, sy, sw, sh, bits, info);
    else
        DrawNearest(x, y, dw, dh, sx, sy, sw, sh, bits, info);
}

void QtDeviceContext::DrawThroughQt(int32_t x, int32_t y, int32_t dw, int32_t dh, int32_t sx,
                                    int32_t sy, int32_t sw, int32_t sh, const uint8_t* bits,
                                    const TBitmapInfoHeader& info) {
    // Wraps the bits without copying. For a bottom-up DIB, image row r is DIB row r counted
    // from the bottom, so the source rectangle keeps its coordinates and the picture is
    // flipped while drawing.
    const QImage image(bits, info.biWidth, std::abs(info.biHeight), DibStride(info.biWidth),
                       QImage::Format_BGR888);
    Painter.save();
    Painter.setRenderHint(QPainter::SmoothPixmapTransform, StretchMode == HALFTONE);
    if (info.biHeight > 0) {
        Painter.translate(x, y + dh);
        Painter.scale(1, -1);
    } else {
        Painter.translate(x, y);
    }
    Painter.drawImage(QRect(0, 0, dw, dh), image, QRect(sx, sy, sw, sh));
    Painter.restore();
}

void QtDeviceContext::DrawNearest(int32_t x, int32_t y, int32_t dw, int32_t dh, int32_t sx,
                                  int32_t sy, int32_t sw, int32_t sh, const uint8_t* bits,
                                  const TBitmapInfoHeader& info) {
    // Samples only the part of the target that the device shows: a picture zoomed far past
    // the screen costs no more than the screen, and a large source is never converted whole.
    const TRect box = ClipBox();
    const QRect visible =
        QRect(x, y, dw, dh).intersected(QRect(box.Left, box.Top, box.Width(), box.Height()));
    if (visible.isEmpty())
        return;
    const qsizetype stride = DibStride(info.biWidth);
    std::vector<int32_t> columnOffsets(size_t(visible.width()));
    for (int i = 0; i < visible.width(); ++i) {
        const int64_t column = int64_t(visible.left() - x + i) * sw / dw;
        columnOffsets[size_t(i)] = int32_t((sx + column) * 3);
    }
    QImage sampled(visible.size(), QImage::Format_RGB32);
    for (int row = 0; row < visible.height(); ++row) {
        const int64_t fromTop = int64_t(visible.top() - y + row) * sh / dh;
        // DIB rows count from the bottom unless the height is negative.
        const int64_t dibRow = info.biHeight > 0 ? sy + sh - 1 - fromTop : sy + fromTop;
        const uint8_t* source = bits + dibRow * stride;
        auto* target = reinterpret_cast<QRgb*>(sampled.scanLine(row));
        for (int i = 0; i < visible.width(); ++i) {
            const uint8_t* bgr = source + columnOffsets[size_t(i)];
            target[i] = qRgb(bgr[2], bgr[1], bgr[0]);
        }
    }
    Painter.drawImage(visible.topLeft(), sampled);
}

bool QtDeviceContext::DrawFilled(int32_t x, int32_t y, int32_t w, int32_t h,
                                 const std::function<void(const TBgrxRows&)>& fill) {
    if (w <= 0 || h <= 0)
        return true;
    // RGB32 is blue, green, red, 255 in memory: the format the screen's backing store holds.
    QImage image(w, h, QImage::Format_RGB32);
    if (image.isNull())
        return false;
    fill({image.bits(), image.bytesPerLine(), w, h});
    Painter.drawImage(QPoint(x, y), image);
    return true;
}

TRect QtDeviceContext::ClipBox() const {
    const QPaintDevice* device = Painter.device();
    QRectF area = Painter.worldTransform().inverted().mapRect(
        QRectF(0, 0, device->width(), device->height()));
    // A widget's paint clips to what its paint event exposes: for a surface far larger than
    // the screen, the part on the screen.
    if (Painter.hasClipping())
        area = area.intersected(Painter.clipBoundingRect());
    const QRect aligned = area.toAlignedRect();
    return {aligned.left(), aligned.top(), aligned.left() + aligned.width(),
            aligned.top() + aligned.height()};
}

void QtDeviceContext::FillRegion(const TRegion& region, TColorRGB color) {
    const QColor fill(color.Red, color.Green, color.Blue);
    for (const TRect& rect : region)
        Painter.fillRect(QRect(rect.Left, rect.Top, rect.Width(), rect.Height()), fill);
}
