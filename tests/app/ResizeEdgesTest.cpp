#include "app/ResizeEdges.h"

#include <gtest/gtest.h>

namespace {
struct TEdgeCase {
    QPoint Position;
    QSize Window;
    Qt::Edges Edges;
    Qt::CursorShape Cursor;
};

class ResizeEdges : public testing::TestWithParam<TEdgeCase> {};

TEST_P(ResizeEdges, FindsTheEdgesUnderThePointerAndTheirCursor) {
    const TEdgeCase& c = GetParam();
    EXPECT_EQ(ResizeEdgesAt(c.Position, c.Window), c.Edges);
    EXPECT_EQ(ResizeCursor(c.Edges), c.Cursor);
}

const QSize Window(200, 100);
INSTANTIATE_TEST_SUITE_P(
    Cases, ResizeEdges,
    testing::Values(TEdgeCase{{100, 50}, Window, {}, Qt::ArrowCursor},
                    TEdgeCase{{0, 50}, Window, Qt::LeftEdge, Qt::SizeHorCursor},
                    TEdgeCase{{3, 50}, Window, Qt::LeftEdge, Qt::SizeHorCursor},
                    TEdgeCase{{4, 50}, Window, {}, Qt::ArrowCursor},
                    TEdgeCase{{196, 50}, Window, Qt::RightEdge, Qt::SizeHorCursor},
                    TEdgeCase{{195, 50}, Window, {}, Qt::ArrowCursor},
                    TEdgeCase{{100, 0}, Window, Qt::TopEdge, Qt::SizeVerCursor},
                    TEdgeCase{{100, 99}, Window, Qt::BottomEdge, Qt::SizeVerCursor},
                    TEdgeCase{{1, 1}, Window, Qt::LeftEdge | Qt::TopEdge, Qt::SizeFDiagCursor},
                    TEdgeCase{
                        {199, 99}, Window, Qt::RightEdge | Qt::BottomEdge, Qt::SizeFDiagCursor},
                    TEdgeCase{{199, 0}, Window, Qt::RightEdge | Qt::TopEdge, Qt::SizeBDiagCursor},
                    TEdgeCase{{0, 99}, Window, Qt::LeftEdge | Qt::BottomEdge, Qt::SizeBDiagCursor},
                    // A tiny window keeps its middle for dragging; one of 3 pixels has no band.
                    TEdgeCase{{1, 1}, QSize(8, 8), Qt::LeftEdge | Qt::TopEdge, Qt::SizeFDiagCursor},
                    TEdgeCase{{0, 0}, QSize(3, 3), {}, Qt::ArrowCursor}));
} // namespace
