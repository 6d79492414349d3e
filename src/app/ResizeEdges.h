#pragma once

#include <QPoint>
#include <QSize>
#include <Qt>

// A frameless window resizes from a thin band along its sides while its sizing border is on.
// The band is narrower on a tiny window, so that some of it is still left for dragging.
Qt::Edges ResizeEdgesAt(QPoint position, QSize windowSize);
// The cursor that shows which way the edges resize.
Qt::CursorShape ResizeCursor(Qt::Edges edges);
