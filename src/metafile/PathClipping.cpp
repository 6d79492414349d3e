#include "metafile/PathClipping.h"

#include <QPolygonF>

#include <algorithm>

namespace {

enum TSide { sLeft, sRight, sTop, sBottom };

bool Inside(const QPointF& p, const QRectF& r, TSide side) {
    switch (side) {
    case sLeft:
        return p.x() >= r.left();
    case sRight:
        return p.x() <= r.right();
    case sTop:
        return p.y() >= r.top();
    default:
        return p.y() <= r.bottom();
    }
}

// Where segment a-b, which has one end on each side of the line, crosses it.
QPointF Crossing(const QPointF& a, const QPointF& b, const QRectF& r, TSide side) {
    if (side == sLeft || side == sRight) {
        const double x = side == sLeft ? r.left() : r.right();
        return {x, a.y() + (b.y() - a.y()) * (x - a.x()) / (b.x() - a.x())};
    }
    const double y = side == sTop ? r.top() : r.bottom();
    return {a.x() + (b.x() - a.x()) * (y - a.y()) / (b.y() - a.y()), y};
}

// Sutherland and Hodgman: each side in turn replaces what lies beyond it by a run along it.
QPolygonF ClipClosed(QPolygonF polygon, const QRectF& r) {
    polygon.removeLast(); // the closing point repeats the first
    for (const TSide side : {sLeft, sRight, sTop, sBottom}) {
        QPolygonF kept;
        for (qsizetype i = 0; i < polygon.size(); ++i) {
            const QPointF& from = polygon[(i + polygon.size() - 1) % polygon.size()];
            const QPointF& to = polygon[i];
            const bool fromIn = Inside(from, r, side), toIn = Inside(to, r, side);
            if (fromIn != toIn)
                kept << Crossing(from, to, r, side);
            if (toIn)
                kept << to;
        }
        polygon = std::move(kept);
        if (polygon.isEmpty())
            return polygon;
    }
    polygon << polygon.first();
    return polygon;
}

// Liang and Barsky: the part of segment a-b inside r as parameters t0 <= t1, or false.
bool ClipSegment(const QPointF& a, const QPointF& b, const QRectF& r, double& t0, double& t1) {
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    const double p[] = {-dx, dx, -dy, dy};
    const double q[] = {a.x() - r.left(), r.right() - a.x(), a.y() - r.top(), r.bottom() - a.y()};
    t0 = 0;
    t1 = 1;
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
    }
    return t0 <= t1;
}

void AddOpen(QPainterPath& out, const QPolygonF& line, const QRectF& r) {
    bool running = false;
    for (qsizetype i = 1; i < line.size(); ++i) {
        const QPointF &a = line[i - 1], &b = line[i];
        double t0, t1;
        if (!ClipSegment(a, b, r, t0, t1)) {
            running = false;
            continue;
        }
        const QPointF from = a + (b - a) * t0, to = a + (b - a) * t1;
        if (!running || t0 > 0)
            out.moveTo(from);
        out.lineTo(to);
        running = t1 == 1;
    }
}

} // namespace

QPainterPath ClipPathToRect(const QPainterPath& path, const QRectF& rect) {
    QPainterPath out;
    out.setFillRule(path.fillRule());
    for (const QPolygonF& figure : path.toSubpathPolygons()) {
        if (figure.size() < 2)
            continue;
        if (figure.first() == figure.last()) {
            const QPolygonF clipped = ClipClosed(figure, rect);
            if (!clipped.isEmpty())
                out.addPolygon(clipped);
        } else {
            AddOpen(out, figure, rect);
        }
    }
    return out;
}
