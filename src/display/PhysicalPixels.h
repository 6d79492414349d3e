#pragma once

#include "platform/Graphics.h"

#include <QRect>

// The viewer measures in physical screen pixels, Qt in device-independent ones: at zoom 1.0
// one picture pixel is one screen pixel, also on a high-density screen.
TRect PhysicalRect(const QRect& logical, qreal pixelRatio);
QRect LogicalRect(const TRect& physical, qreal pixelRatio);
