#include "display/InfoLineOverlay.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace {
constexpr int Padding = 4;
// Dark enough for white text over any picture, light enough to see what lies beneath.
const QColor Band(0, 0, 0, 160);
} // namespace

void DrawInfoLine(QPainter& painter, const QRect& area, const QString& text) {
    const QFontMetrics metrics(painter.font());
    const int height = std::min(area.height(), metrics.height() + 2 * Padding);
    const QRect band(area.left(), area.bottom() + 1 - height, area.width(), height);
    painter.save();
    painter.fillRect(band, Band);
    painter.setPen(Qt::white);
    const QRect textArea = band.adjusted(Padding, 0, -Padding, 0);
    painter.drawText(textArea, Qt::AlignLeft | Qt::AlignVCenter,
                     metrics.elidedText(text, Qt::ElideMiddle, textArea.width()));
    painter.restore();
}
