#include "display/PhysicalPixels.h"

#include <cmath>

TRect PhysicalRect(const QRect& logical, qreal pixelRatio) {
    const auto scale = [pixelRatio](int value) { return int32_t(std::lround(value * pixelRatio)); };
    return {scale(logical.x()), scale(logical.y()), scale(logical.x() + logical.width()),
            scale(logical.y() + logical.height())};
}

QRect LogicalRect(const TRect& physical, qreal pixelRatio) {
    const auto scale = [pixelRatio](int32_t value) { return int(std::lround(value / pixelRatio)); };
    const int left = scale(physical.Left);
    const int top = scale(physical.Top);
    return QRect(left, top, scale(physical.Right) - left, scale(physical.Bottom) - top);
}
