#include "display/QtDeviceContext.h"
#include "platform/MemoryDeviceContext.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <array>

namespace {
// A 2 x 2 bottom-up DIB: bottom row red, green; top row blue, white.
struct TTinyDib {
    TTinyDib() {
        Info.biWidth = 2;
        Info.biHeight = 2;
        const uint8_t bottom[] = {0, 0, 255, 0, 255, 0};
        const uint8_t top[] = {255, 0, 0, 255, 255, 255};
        std::copy(std::begin(bottom), std::end(bottom), Bits.begin());
        std::copy(std::begin(top), std::end(top), Bits.begin() + 8);
    }
    TBitmapInfoHeader Info;
    std::array<uint8_t, 16> Bits{}; // two rows of 8 bytes (6 + padding)
};

QRgb At(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0xFFFFFF;
}

TEST(QtDeviceContext, DrawsABottomUpDibUprightWithNearestSamples) {
    QImage target(6, 6, QImage::Format_RGB32);
    target.fill(Qt::black);
    {
        QPainter painter(&target);
        QtDeviceContext dc(painter);
        dc.SetStretchBltMode(COLORONCOLOR);
        const TTinyDib dib;
        dc.StretchDIBits(1, 1, 4, 4, 0, 0, 2, 2, dib.Bits.data(), dib.Info);
    }
    EXPECT_EQ(At(target, 0, 0), 0x000000u);
    EXPECT_EQ(At(target, 1, 1), 0x0000FFu); // top left: blue
    EXPECT_EQ(At(target, 2, 2), 0x0000FFu);
    EXPECT_EQ(At(target, 3, 1), 0xFFFFFFu); // top right: white
    EXPECT_EQ(At(target, 1, 4), 0xFF0000u); // bottom left: red
    EXPECT_EQ(At(target, 4, 4), 0x00FF00u); // bottom right: green
    EXPECT_EQ(At(target, 5, 5), 0x000000u);
}

TEST(QtDeviceContext, TakesTheSourceRectangleCountedFromTheBottom) {
    QImage target(2, 1, QImage::Format_RGB32);
    target.fill(Qt::black);
    {
        QPainter painter(&target);
        QtDeviceContext dc(painter);
        const TTinyDib dib;
        dc.StretchDIBits(0, 0, 2, 1, 0, 1, 2, 1, dib.Bits.data(), dib.Info); // the top row
    }
    EXPECT_EQ(At(target, 0, 0), 0x0000FFu);
    EXPECT_EQ(At(target, 1, 0), 0xFFFFFFu);
}

TEST(QtDeviceContext, SamplesOnlyTheVisiblePartOfALargeTarget) {
    QImage target(4, 4, QImage::Format_RGB32);
    target.fill(Qt::black);
    {
        QPainter painter(&target);
        QtDeviceContext dc(painter);
        const TTinyDib dib;
        dc.StretchDIBits(-2, -2, 8, 8, 0, 0, 2, 2, dib.Bits.data(), dib.Info);
    }
    EXPECT_EQ(At(target, 0, 0), 0x0000FFu);
    EXPECT_EQ(At(target, 1, 1), 0x0000FFu);
    EXPECT_EQ(At(target, 2, 0), 0xFFFFFFu);
    EXPECT_EQ(At(target, 0, 2), 0xFF0000u);
    EXPECT_EQ(At(target, 3, 3), 0x00FF00u);
}

TEST(QtDeviceContext, TheClipBoxIsTheDeviceNarrowedByTheClipInDrawingCoordinates) {
    QImage target(8, 6, QImage::Format_RGB32);
    QPainter painter(&target);
    QtDeviceContext dc(painter);
    EXPECT_EQ(dc.ClipBox(), (TRect{0, 0, 8, 6}));
    painter.setClipRect(QRect(2, 1, 3, 4));
    EXPECT_EQ(dc.ClipBox(), (TRect{2, 1, 5, 5}));
    painter.translate(-2, -1);
    EXPECT_EQ(dc.ClipBox(), (TRect{4, 2, 7, 6}));
}

TEST(QtDeviceContext, ReadsATopDownDibFromTheTop) {
    TTinyDib dib;
    dib.Info.biHeight = -2; // now the blue, white row is the bottom one
    QImage target(2, 2, QImage::Format_RGB32);
    target.fill(Qt::black);
    {
        QPainter painter(&target);
        QtDeviceContext dc(painter);
        dc.StretchDIBits(0, 0, 2, 2, 0, 0, 2, 2, dib.Bits.data(), dib.Info);
    }
    EXPECT_EQ(At(target, 0, 0), 0xFF0000u);
    EXPECT_EQ(At(target, 1, 1), 0xFFFFFFu);
}

TEST(QtDeviceContext, ASourceRectanglePastTheDibDrawsOnlyWhatExists) {
    QImage target(2, 2, QImage::Format_RGB32);
    target.fill(Qt::black);
    {
        QPainter painter(&target);
        QtDeviceContext dc(painter);
        const TTinyDib dib;
        dc.StretchDIBits(0, 0, 2, 2, 1, 0, 2, 2, dib.Bits.data(), dib.Info);
    }
    EXPECT_EQ(At(target, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(At(target, 0, 1), 0x00FF00u);
}

// Filled rows land unscaled at their place, top row first, on the screen's device and on
// the memory one (which packs them into a DIB).
TEST(DeviceContext, FilledRowsLandUnscaledTopRowFirst) {
    const auto fill = [](const TBgrxRows& rows) {
        for (int32_t y = 0; y < rows.Height; ++y)
            for (int32_t x = 0; x < rows.Width; ++x) {
                uint8_t* p = rows.Top + y * rows.Stride + x * 4;
                p[0] = uint8_t(10 * x);  // blue
                p[1] = uint8_t(100 + y); // green
                p[2] = 7;                // red
                p[3] = 255;
            }
    };
    QImage screen(6, 5, QImage::Format_RGB32);
    screen.fill(Qt::black);
    TMemoryDeviceContext memory(6, 5);
    {
        QPainter painter(&screen);
        QtDeviceContext dc(painter);
        EXPECT_TRUE(dc.DrawFilled(2, 1, 3, 2, fill));
    }
    EXPECT_TRUE(memory.DrawFilled(2, 1, 3, 2, fill));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) {
            const bool inside = x >= 2 && x < 5 && y >= 1 && y < 3;
            const QRgb expected = inside ? qRgb(7, 100 + (y - 1), 10 * (x - 2)) : qRgb(0, 0, 0);
            EXPECT_EQ(At(screen, x, y), expected & 0xFFFFFF) << x << "," << y;
            const TColorRGB m = memory.Pixel(x, y);
            EXPECT_EQ(qRgb(m.Red, m.Green, m.Blue) & 0xFFFFFF, expected & 0xFFFFFF)
                << x << "," << y;
        }
}

TEST(QtDeviceContext, FillsEveryRectangleOfARegion) {
    QImage target(4, 1, QImage::Format_RGB32);
    target.fill(Qt::black);
    {
        QPainter painter(&target);
        QtDeviceContext dc(painter);
        dc.FillRegion({{0, 0, 1, 1}, {3, 0, 4, 1}}, {10, 20, 30});
    }
    EXPECT_EQ(At(target, 0, 0), 0x0A141Eu);
    EXPECT_EQ(At(target, 1, 0), 0x000000u);
    EXPECT_EQ(At(target, 3, 0), 0x0A141Eu);
}
} // namespace
