#include "view/DottedLine.h"

#include <QPainter>
#include <QPoint>
#include <QVarLengthArray>

namespace daridez {

namespace {

// The first position from `from` on where position + other is even.
int firstDot(int from, int other) {
    return ((from + other) & 1) ? from + 1 : from;
}

}  // namespace

void DrawDottedHorizontal(QPainter& painter, int x1, int x2, int y) {
    QVarLengthArray<QPoint, 256> dots;
    for (int x = firstDot(x1, y); x <= x2; x += 2) {
        dots.append(QPoint(x, y));
    }
    painter.drawPoints(dots.constData(), static_cast<int>(dots.size()));
}

void DrawDottedVertical(QPainter& painter, int x, int y1, int y2) {
    QVarLengthArray<QPoint, 512> dots;
    for (int y = firstDot(y1, x); y <= y2; y += 2) {
        dots.append(QPoint(x, y));
    }
    painter.drawPoints(dots.constData(), static_cast<int>(dots.size()));
}

}  // namespace daridez
