#pragma once

#include <QPainterPath>
#include <QRectF>

// Qt strokes and rasterises a path at a cost that grows with its size, however little of it
// shows: a hostile metafile can scale a small polygon to hundreds of thousands of pixels and
// a wide pen. This cuts a path to a rectangle that lies well outside the picture, so that
// nothing visible changes: closed figures (end point equal to start, as Qt's stroker decides)
// keep the winding number of every point inside the rectangle, so both fill rules fill alike;
// open figures are cut into runs whose new ends lie on the rectangle. Curves are flattened, so
// callers should clip only paths that reach beyond the rectangle.
QPainterPath ClipPathToRect(const QPainterPath& path, const QRectF& rect);
