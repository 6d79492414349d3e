#include "metafile/PathClipping.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

// Paths reaching up to ten times past a 100 x 100 picture, still cheap enough to draw uncut,
// are drawn cut to a rectangle 40 pixels out and uncut: the pictures must be the same.
QImage Drawn(const QPainterPath& path, const QPen& pen, bool fill) {
    QImage image(100, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    if (fill)
        painter.fillPath(path, Qt::red);
    if (pen.style() != Qt::NoPen)
        painter.strokePath(path, pen);
    return image;
}

QPainterPath Polyline(std::initializer_list<QPointF> points, bool closed) {
    QPainterPath path;
    path.addPolygon(QPolygonF(points));
    if (closed)
        path.closeSubpath();
    return path;
}

TEST(PathClipping, CutPathsDrawAsTheWholeOnes) {
    QPen miter(Qt::black, 9);
    miter.setJoinStyle(Qt::MiterJoin);
    QPen dotted(Qt::blue, 3, Qt::SolidLine, Qt::FlatCap);
    const QPainterPath star =
        Polyline({{50, -900}, {700, 900}, {-900, -300}, {1000, -300}, {-600, 900}}, true);
    struct TCase {
        const char* Name;
        QPainterPath Path;
        QPen Pen;
        bool Fill;
        Qt::FillRule Rule;
    };
    const TCase cases[] = {
        {"star, odd-even", star, QPen(Qt::NoPen), true, Qt::OddEvenFill},
        {"star, winding", star, QPen(Qt::NoPen), true, Qt::WindingFill},
        {"star, outlined", star, miter, true, Qt::WindingFill},
        {"corner poking in", Polyline({{-500, -500}, {60, 20}, {-500, 900}}, true), miter, true,
         Qt::OddEvenFill},
        {"line out and back in",
         Polyline({{10, 10}, {900, 40}, {90, 90}, {-800, 95}, {5, 50}}, false), dotted, false,
         Qt::OddEvenFill},
        {"line passing by", Polyline({{-300, -300}, {300, -300}, {50, 50}}, false), miter, false,
         Qt::OddEvenFill},
        {"ellipse",
         [] {
             QPainterPath p;
             p.addEllipse(QPointF(50, 50), 700, 45);
             return p;
         }(),
         miter, true, Qt::OddEvenFill},
    };
    const QRectF reach(-40, -40, 180, 180);
    for (const TCase& c : cases) {
        QPainterPath path = c.Path;
        path.setFillRule(c.Rule);
        const QPainterPath cut = ClipPathToRect(path, reach);
        EXPECT_TRUE(reach.adjusted(-1e-6, -1e-6, 1e-6, 1e-6).contains(cut.controlPointRect()))
            << c.Name;
        EXPECT_EQ(Drawn(cut, c.Pen, c.Fill), Drawn(path, c.Pen, c.Fill)) << c.Name;
    }
}

TEST(PathClipping, FiguresWhollyOutsideVanish) {
    const QPainterPath beyond = Polyline({{200, 200}, {300, 200}, {250, 300}}, true);
    EXPECT_TRUE(ClipPathToRect(beyond, QRectF(0, 0, 100, 100)).isEmpty());
    const QPainterPath passing = Polyline({{-10, -20}, {150, -20}, {150, 200}}, false);
    EXPECT_TRUE(ClipPathToRect(passing, QRectF(0, 0, 100, 100)).isEmpty());
}

} // namespace
