#pragma once

class QPainter;
class QRect;
class QString;

// One line of text on a dark band along the bottom of the area, over whatever is drawn
// there; a text wider than the area loses its middle.
void DrawInfoLine(QPainter& painter, const QRect& area, const QString& text);
