// Linear two-colour gradients for the fills of the figure objects and the page background of the designers.
#pragma once

#include <QColor>
#include <QImage>

// Paints the whole bitmap with a gradient from first to second at angle degrees (0: first at the top,
// 90: at the left, 180: at the bottom, 270: at the right; between those the first colour starts in the
// corner the angle turns from). The bitmap becomes 24 bits per pixel at its size and resolution. Angles
// count modulo 360.
void FillGradient(QImage &bitmap, int angle, const QColor &first, const QColor &second);
