#include "metafile/GdiCanvas.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

// A canvas on a white 100 x 100 image whose device units are its pixels, at 10 pixels
// per millimetre.
class GdiCanvas : public ::testing::Test {
protected:
    GdiCanvas() : Image(100, 100, QImage::Format_RGB32) {
        Image.fill(Qt::white);
        Painter.begin(&Image);
        Canvas.emplace(Painter, QTransform(), QSizeF(10, 10));
        Canvas->State().Pen.Style = psNull;
        Canvas->State().Brush = {bsSolid, Qt::red, 0, {}};
    }
    QRgb Pixel(int x, int y) {
        Painter.end();
        const QRgb p = Image.pixel(x, y) & 0xFFFFFF;
        Painter.begin(&Image);
        return p;
    }

    QImage Image;
    QPainter Painter;
    std::optional<TGdiCanvas> Canvas;
};

constexpr QRgb Red = 0xFF0000, White = 0xFFFFFF;

TEST_F(GdiCanvas, MetricMappingTurnsYUpward) {
    TDcState& s = Canvas->State();
    s.MapMode = mmLoMetric; // tenths of a millimetre
    s.ViewportOrg = QPointF(0, 100);
    EXPECT_EQ(Canvas->LogicalToDevice().map(QPointF(100, 50)), QPointF(100, 50));
    s.MapMode = mmHiMetric;
    EXPECT_EQ(Canvas->LogicalToDevice().map(QPointF(1000, 0)), QPointF(100, 100));
}

TEST_F(GdiCanvas, IsotropicMappingKeepsTheAspect) {
    TDcState& s = Canvas->State();
    s.MapMode = mmIsotropic;
    s.WindowExt = QSizeF(10, 10);
    s.ViewportExt = QSizeF(100, -50);
    // The smaller scale wins on both axes, each keeping its own sign.
    EXPECT_EQ(Canvas->LogicalToDevice().map(QPointF(10, 10)), QPointF(50, -50));
    s.MapMode = mmAnisotropic;
    EXPECT_EQ(Canvas->LogicalToDevice().map(QPointF(10, 10)), QPointF(100, -50));
}

TEST_F(GdiCanvas, WorldTransformAppliesBeforeTheMapping) {
    TDcState& s = Canvas->State();
    s.World = QTransform::fromTranslate(5, 0);
    s.MapMode = mmAnisotropic;
    s.WindowExt = QSizeF(1, 1);
    s.ViewportExt = QSizeF(2, 2);
    EXPECT_EQ(Canvas->LogicalToDevice().map(QPointF(1, 1)), QPointF(12, 2));
}

TEST_F(GdiCanvas, RestoreTakesRelativeAndAbsoluteLevels) {
    TDcState& s = Canvas->State();
    s.TextAlign = 1;
    Canvas->SaveDC(); // level 1 keeps 1
    s.TextAlign = 2;
    Canvas->SaveDC(); // level 2 keeps 2
    s.TextAlign = 3;
    Canvas->RestoreDC(-1);
    EXPECT_EQ(Canvas->State().TextAlign, 2u);
    Canvas->SaveDC();
    Canvas->State().TextAlign = 4;
    Canvas->RestoreDC(1);
    EXPECT_EQ(Canvas->State().TextAlign, 1u);
    // Levels that were never saved change nothing.
    Canvas->RestoreDC(-5);
    Canvas->RestoreDC(7);
    EXPECT_EQ(Canvas->State().TextAlign, 1u);
}

TEST_F(GdiCanvas, ObjectTableIsBounded) {
    Canvas->SetObjectTableSize(2);
    EXPECT_TRUE(Canvas->AddObject(TGdiPen{}));
    EXPECT_TRUE(Canvas->AddObject(TGdiBrush{bsSolid, Qt::blue, 0, {}}));
    EXPECT_FALSE(Canvas->AddObject(TGdiFont{}));
    Canvas->DeleteObject(0);
    EXPECT_TRUE(Canvas->AddObject(TGdiBrush{bsSolid, Qt::green, 0, {}})); // takes slot 0
    Canvas->SetObject(5, TGdiPen{});                                      // ignored
    Canvas->SelectObject(9);                                              // ignored
    Canvas->SelectObject(0);
    EXPECT_EQ(Canvas->State().Brush.Color, QColor(Qt::green));
    EXPECT_EQ(Canvas->ObjectTableSize(), 2u);
}

// Lines and pens reaching far past the picture are cut before Qt strokes them: what shows
// must be what the whole stroke covers.
TEST_F(GdiCanvas, WidePensFarPastThePictureCoverWhatTheirWholeStrokeCovers) {
    struct TCase {
        const char* Name;
        double Width;
        QPolygonF Line;
        int Top, Bottom; // the rows the stroke covers at x = 50
    };
    const TCase cases[] = {
        {"long line", 40, QPolygonF({QPointF(-5000, 50), QPointF(6000, 50)}), 30, 70},
        {"pen wider than the picture", 150, QPolygonF({QPointF(-900, 140), QPointF(900, 140)}), 65,
         100},
        {"corner far outside", 20,
         QPolygonF({QPointF(50, -3000), QPointF(50, 20), QPointF(4000, 20)}), -5, 30},
    };
    for (const TCase& c : cases) {
        Painter.fillRect(0, 0, 100, 100, Qt::white);
        Canvas->State().Pen = {psSolid | psEndcapFlat | psJoinMiter, c.Width, Qt::red};
        Canvas->Polyline(c.Line);
        for (int y : {c.Top - 1, c.Top + 1, c.Bottom - 1, c.Bottom + 1}) {
            if (y < 0 || y > 99)
                continue;
            const bool covered = y > c.Top && y < c.Bottom;
            EXPECT_EQ(Pixel(50, y), covered ? Red : White) << c.Name << " row " << y;
        }
    }
}

TEST_F(GdiCanvas, PieFillsItsQuadrantOnly) {
    // From 3 o'clock counter-clockwise to 12 o'clock: the upper right quarter.
    Canvas->Arc(QRectF(10, 10, 80, 80), QPointF(90, 50), QPointF(50, 10), TArcKind::akPie);
    EXPECT_EQ(Pixel(65, 35), Red);
    EXPECT_EQ(Pixel(35, 35), White);
    EXPECT_EQ(Pixel(65, 65), White);
    EXPECT_EQ(Pixel(35, 65), White);
}

TEST_F(GdiCanvas, ClockwiseArcDirectionTakesTheOtherThreeQuarters) {
    Canvas->State().ArcClockwise = true;
    Canvas->Arc(QRectF(10, 10, 80, 80), QPointF(90, 50), QPointF(50, 10), TArcKind::akPie);
    EXPECT_EQ(Pixel(65, 35), White);
    EXPECT_EQ(Pixel(35, 35), Red);
    EXPECT_EQ(Pixel(65, 65), Red);
}

TEST_F(GdiCanvas, PathIsDrawnOnlyWhenFilled) {
    Canvas->BeginPath();
    Canvas->Rectangle(QRectF(20, 20, 40, 40));
    Canvas->EndPath();
    EXPECT_EQ(Pixel(40, 40), White);
    Canvas->FillPath();
    EXPECT_EQ(Pixel(40, 40), Red);
    EXPECT_EQ(Pixel(70, 70), White);
}

TEST_F(GdiCanvas, ExcludedRectangleStaysUntouched) {
    Canvas->ExcludeClipRect(QRectF(40, 40, 20, 20));
    Canvas->Rectangle(QRectF(0, 0, 100, 100));
    EXPECT_EQ(Pixel(50, 50), White);
    EXPECT_EQ(Pixel(20, 20), Red);
}

TEST_F(GdiCanvas, FillModeDecidesTheInsideOfSelfOverlappingPolygons) {
    // Two nested squares drawn the same way round: alternate leaves a hole, winding not.
    const QPolygonF outer({{10, 10}, {90, 10}, {90, 90}, {10, 90}});
    const QPolygonF inner({{30, 30}, {70, 30}, {70, 70}, {30, 70}});
    Canvas->PolyPolygon({outer, inner});
    EXPECT_EQ(Pixel(50, 50), White);
    EXPECT_EQ(Pixel(20, 20), Red);
    Canvas->State().Winding = true;
    Canvas->State().Brush.Color = Qt::blue;
    Canvas->PolyPolygon({outer, inner});
    EXPECT_EQ(Pixel(50, 50), 0x0000FFu);
}

TEST_F(GdiCanvas, HatchedBrushPaintsTheBackgroundWhenOpaque) {
    Canvas->State().Brush = {bsHatched, Qt::black, 0, {}};
    Canvas->State().BkColor = Qt::yellow;
    Canvas->Rectangle(QRectF(0, 0, 100, 100));
    int yellow = 0, black = 0;
    for (int y = 0; y < 16; ++y) {
        yellow += Pixel(50, y) == 0xFFFF00;
        black += Pixel(50, y) == 0;
    }
    EXPECT_GT(yellow, 8);
    EXPECT_GT(black, 0);
}

} // namespace
