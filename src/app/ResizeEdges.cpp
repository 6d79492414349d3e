#include "app/ResizeEdges.h"

#include <algorithm>

namespace {
constexpr int BandWidth = 4;

int Band(int length) {
    return std::min(BandWidth, length / 4);
}
} // namespace

Qt::Edges ResizeEdgesAt(QPoint position, QSize windowSize) {
    const int horizontal = Band(windowSize.width());
    const int vertical = Band(windowSize.height());
    Qt::Edges edges;
    if (position.x() < horizontal)
        edges |= Qt::LeftEdge;
    else if (position.x() >= windowSize.width() - horizontal)
        edges |= Qt::RightEdge;
    if (position.y() < vertical)
        edges |= Qt::TopEdge;
    else if (position.y() >= windowSize.height() - vertical)
        edges |= Qt::BottomEdge;
    return edges;
}

Qt::CursorShape ResizeCursor(Qt::Edges edges) {
    const bool horizontal = edges & (Qt::LeftEdge | Qt::RightEdge);
    const bool vertical = edges & (Qt::TopEdge | Qt::BottomEdge);
    if (horizontal && vertical) {
        const bool falling = bool(edges & Qt::LeftEdge) == bool(edges & Qt::TopEdge);
        return falling ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor;
    }
    if (horizontal)
        return Qt::SizeHorCursor;
    if (vertical)
        return Qt::SizeVerCursor;
    return Qt::ArrowCursor;
}
