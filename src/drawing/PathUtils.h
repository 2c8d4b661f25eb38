// Outlines built as paths on the canvas (rectangles, rounded rectangles, ellipses, pies, elliptic arcs, all
// made of lines and cubic curves only), read back as point lists, and stroked with thick dashed lines whose
// dashes scale with the line width, so figures look alike on the screen, the printer and in PDF.
#pragma once

#include "drawing/Canvas.h"

#include <QColor>
#include <QList>
#include <QPoint>

#include <cstdint>
#include <stdexcept>

class EPathError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A point of a path: Kind 0 move, 1 line, 2 curve; Closed when it closes its figure.
struct TPathPoint {
    int X = 0;
    int Y = 0;
    uint8_t Kind = 0;
    bool Closed = false;
};

// A path as the canvas reports it: points and their kinds (PT_MOVETO, PT_LINETO, PT_BEZIERTO, with
// PT_CLOSEFIGURE on the last point of a closed figure).
class TPath {
public:
    int Count = 0;
    QList<QPoint> Points;
    QList<uint8_t> Types;

    void Assign(const TPath &source);
    // Throws EPathError for an index outside 0 .. Count - 1.
    void GetPoint(int index, TPathPoint &point) const;
    // Takes the canvas's ended path; without one Count becomes -1 and the points stay as they were.
    void LoadFromCanvas(const TCanvas &canvas);
};

// Angles are radians anticlockwise from the positive X axis, Y pointing down: the point at angle a lies at
// (cx + cos a * rx, cy - sin a * ry).

// One arc of at most a quarter turn as one cubic curve (a sweep of 0: a line to its own start).
void PathArcSegment(TCanvas &canvas, bool moveFirst, double sweep, double start, double ry, double rx, double cy,
                    double cx);
// The elliptic arc inside (x1, y1, x2, y2), anticlockwise from the radial through (x3, y3) to the radial
// through (x4, y4); startPoint receives where it begins.
void PathArc(TCanvas &canvas, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4, QPoint &startPoint);
// The elliptic arc by angles; a negative sweep runs clockwise.
void PathArcAngles(TCanvas &canvas, QPoint &startPoint, double sweep, double start, double ry, double rx, double cy,
                   double cx);
// The arc, a line to the centre and back to the arc's start, closed.
void PathPie(TCanvas &canvas, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
// The closed outlines; right and bottom are outside the shape, as with the canvas's own rectangle.
void PathRectangle(TCanvas &canvas, int x1, int y1, int x2, int y2);
void PathRoundRect(TCanvas &canvas, int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight);
void PathEllipse(TCanvas &canvas, int x1, int y1, int x2, int y2);

// Strokes each dash of the polyline as an open polyline of its own with a pen of the given width, round
// joins and flat or round ends. pattern holds drawn and skipped lengths in line widths, starting with a
// drawn one, and repeats; a pattern whose lengths do not add up to more than 0 (or a width below 1, which
// makes every dash vanish) throws EPathError. The canvas's pen is kept.
void StrokePolylineDashed(const QList<QPoint> &points, TCanvas &canvas, bool flatCaps, const QList<double> &pattern,
                          int width, const QColor &colour);
// Every figure of the (flattened) path stroked dashed; a closed figure runs back to its first point.
void StrokePathDashed(const TPath &path, TCanvas &canvas, int width, bool flatCaps, const QList<double> &pattern,
                      const QColor &colour);
