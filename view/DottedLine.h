#pragma once

class QPainter;

namespace daridez {

// One-pixel dotted lines in the painter's pen colour: the pixels whose x + y is even,
// so pieces drawn cell by cell join into one even pattern, corners included.
void DrawDottedHorizontal(QPainter& painter, int x1, int x2, int y);
void DrawDottedVertical(QPainter& painter, int x, int y1, int y2);

}  // namespace daridez
