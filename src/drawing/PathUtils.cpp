#include "drawing/PathUtils.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>

namespace {

constexpr double HalfPi = std::numbers::pi / 2;

// Path coordinates round to nearest with halves to even.
int roundEven(double value) { return static_cast<int>(std::lrint(value)); }

QPoint onEllipse(double angle, double rx, double ry, double cx, double cy)
{
    return QPoint(roundEven(std::cos(angle) * rx + cx), roundEven(cy - std::sin(angle) * ry));
}

// Restores the canvas's pen however the stroking ends.
class TKeptPen {
public:
    explicit TKeptPen(TCanvas &canvas) : canvas_(canvas) { canvas_.SaveDC(); }
    ~TKeptPen() { canvas_.RestoreDC(); }
    TKeptPen(const TKeptPen &) = delete;
    TKeptPen &operator=(const TKeptPen &) = delete;

private:
    TCanvas &canvas_;
};

}  // namespace

// ---- TPath ----

void TPath::Assign(const TPath &source)
{
    Count = source.Count;
    Points = source.Points;
    Types = source.Types;
}

void TPath::GetPoint(int index, TPathPoint &point) const
{
    if (index < 0 || index >= Count || index >= Points.size())
        throw EPathError("TPath.GetPoint: Index is Out of Range");
    point.X = Points[index].x();
    point.Y = Points[index].y();
    switch (Types[index] & (PT_LINETO | PT_BEZIERTO)) {
    case PT_MOVETO: point.Kind = 0; break;
    case PT_LINETO: point.Kind = 1; break;
    case PT_BEZIERTO: point.Kind = 2; break;
    default: break;
    }
    point.Closed = (Types[index] & PT_CLOSEFIGURE) != 0;
}

void TPath::LoadFromCanvas(const TCanvas &canvas)
{
    Count = canvas.GetPath(nullptr, nullptr);
    if (Count > 0)
        canvas.GetPath(&Points, &Types);
}

// ---- Outline builders ----

void PathArcSegment(TCanvas &canvas, bool moveFirst, double sweep, double start, double ry, double rx, double cy,
                    double cx)
{
    if (sweep == 0) {
        const QPoint at = onEllipse(start, rx, ry, cx, cy);
        if (moveFirst)
            canvas.MoveTo(at.x(), at.y());
        canvas.LineTo(at.x(), at.y());
        return;
    }
    // The unit-circle curve symmetric about the X axis, turned into place and scaled onto the ellipse.
    const double h = sweep / 2;
    const double s = std::sin(h);
    const double c = std::cos(h);
    const double k = (1 - c) * 4 / 3;
    const double lift = s - k * c / s;
    const double unit[4][2] = {{c, s}, {c + k, lift}, {c + k, -lift}, {c, -s}};
    const double phi = h + start;
    const double sn = std::sin(phi);
    const double cs = std::cos(phi);
    QPoint p[4];
    for (int i = 0; i < 4; ++i) {
        const double x = unit[i][0];
        const double y = unit[i][1];
        p[i] = QPoint(roundEven((x * cs + y * sn) * rx + cx - 0.0001), roundEven((-x * sn + y * cs) * ry + cy - 0.0001));
    }
    if (moveFirst)
        canvas.MoveTo(p[0].x(), p[0].y());
    canvas.PolyBezierTo(p[1], p[2], p[3]);
}

namespace {

struct TEllipse {
    double Cx, Cy, Rx, Ry;
};

TEllipse ellipseIn(int x1, int y1, int x2, int y2)
{
    return {(x1 + x2) / 2.0, (y1 + y2) / 2.0, std::max(0.0, (std::abs(x1 - x2) - 1) / 2.0),
            std::max(0.0, (std::abs(y1 - y2) - 1) / 2.0)};
}

}  // namespace

void PathArc(TCanvas &canvas, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4, QPoint &startPoint)
{
    const TEllipse e = ellipseIn(x1, y1, x2, y2);
    double start = std::atan2(-(y3 - e.Cy) * e.Rx, (x3 - e.Cx) * e.Ry);
    const double end = std::atan2(-(y4 - e.Cy) * e.Rx, (x4 - e.Cx) * e.Ry);
    double sweep = end - start;
    if (sweep < 0)
        sweep += 2 * std::numbers::pi;
    startPoint = onEllipse(start, e.Rx, e.Ry, e.Cx, e.Cy);
    bool first = true;
    while (sweep > HalfPi) {
        PathArcSegment(canvas, first, HalfPi, start, e.Ry, e.Rx, e.Cy, e.Cx);
        first = false;
        start += HalfPi;
        sweep -= HalfPi;
    }
    if (sweep >= 0)
        PathArcSegment(canvas, first, sweep, start, e.Ry, e.Rx, e.Cy, e.Cx);
}

void PathArcAngles(TCanvas &canvas, QPoint &startPoint, double sweep, double start, double ry, double rx, double cy,
                   double cx)
{
    startPoint = onEllipse(start, rx, ry, cx, cy);
    bool first = true;
    while (sweep > HalfPi) {
        PathArcSegment(canvas, first, HalfPi, start, ry, rx, cy, cx);
        first = false;
        start += HalfPi;
        sweep -= HalfPi;
    }
    while (sweep < -HalfPi) {
        PathArcSegment(canvas, first, -HalfPi, start, ry, rx, cy, cx);
        first = false;
        start -= HalfPi;
        sweep += HalfPi;
    }
    PathArcSegment(canvas, first, sweep, start, ry, rx, cy, cx);
}

void PathPie(TCanvas &canvas, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    QPoint start;
    PathArc(canvas, x1, y1, x2, y2, x3, y3, x4, y4, start);
    canvas.LineTo(roundEven((x1 + x2) / 2.0), roundEven((y1 + y2) / 2.0));
    canvas.LineTo(start.x(), start.y());
    canvas.CloseFigure();
}

void PathRectangle(TCanvas &canvas, int x1, int y1, int x2, int y2)
{
    const int left = std::min(x1, x2);
    const int right = std::max(x1, x2);
    const int top = std::min(y1, y2);
    const int bottom = std::max(y1, y2);
    canvas.MoveTo(left, top);
    canvas.LineTo(right - 1, top);
    canvas.LineTo(right - 1, bottom - 1);
    canvas.LineTo(left, bottom - 1);
    canvas.CloseFigure();
}

void PathRoundRect(TCanvas &canvas, int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight)
{
    const int left = std::min(x1, x2);
    const int right = std::max(x1, x2);
    const int top = std::min(y1, y2);
    const int bottom = std::max(y1, y2);
    const int w = std::min(right - left, std::max(cornerWidth, 0));
    const int e = std::min(bottom - top, std::max(cornerHeight, 0));
    const double rx = (w - 1) / 2.0;
    const double ry = (e - 1) / 2.0;
    const double pi = std::numbers::pi;
    PathArcSegment(canvas, true, HalfPi, HalfPi, ry, rx, top + e / 2.0, left + w / 2.0);
    canvas.LineTo(left, bottom - e / 2);
    PathArcSegment(canvas, false, HalfPi, pi, ry, rx, bottom - e / 2.0, left + w / 2.0);
    canvas.LineTo(right - w / 2, bottom - 1);
    PathArcSegment(canvas, false, HalfPi, 3 * HalfPi, ry, rx, bottom - e / 2.0, right - w / 2.0);
    canvas.LineTo(right - 1, top + e / 2);
    PathArcSegment(canvas, false, HalfPi, 0, ry, rx, top + e / 2.0, right - w / 2.0);
    canvas.CloseFigure();
}

void PathEllipse(TCanvas &canvas, int x1, int y1, int x2, int y2)
{
    const TEllipse e = ellipseIn(x1, y1, x2, y2);
    QPoint start;
    PathArcAngles(canvas, start, 2 * std::numbers::pi, 0, e.Ry, e.Rx, e.Cy, e.Cx);
    canvas.CloseFigure();
}

// ---- Dashed strokes ----

void StrokePolylineDashed(const QList<QPoint> &points, TCanvas &canvas, bool flatCaps, const QList<double> &pattern,
                          int width, const QColor &colour)
{
    // A cycle of no length would never get past the first vertex.
    const double cycle = std::accumulate(pattern.begin(), pattern.end(), 0.0);
    if (!(cycle > 0) || width < 1)
        throw EPathError("アサートの?");

    // A vertex repeated in place adds a step of no length and no direction: it is left out.
    QList<QPoint> vertices;
    for (const QPoint &p : points) {
        if (vertices.isEmpty() || p != vertices.last())
            vertices.append(p);
    }
    if (vertices.size() < 2)
        return;
    QList<double> reach{0};  // distance of each vertex from the first
    for (qsizetype i = 1; i < vertices.size(); ++i) {
        const QPoint step = vertices[i] - vertices[i - 1];
        reach.append(reach.last() + std::sqrt(double(step.x()) * step.x() + double(step.y()) * step.y()));
    }
    const auto at = [&](qsizetype segment, double distance) {
        const QPoint p = vertices[segment];
        const QPoint q = vertices[segment + 1];
        const double t = (distance - reach[segment]) / (reach[segment + 1] - reach[segment]);
        return QPoint(roundEven(p.x() + (q.x() - p.x()) * t), roundEven(p.y() + (q.y() - p.y()) * t));
    };

    TKeptPen kept(canvas);
    canvas.SetGeometricPen(colour, width, flatCaps);
    const qsizetype last = vertices.size() - 1;
    qsizetype segment = 0;  // the segment in which the dash starts
    qsizetype entry = 0;
    double a = 0;
    double b = pattern[0] * width;
    for (;;) {
        while (segment < last && a > reach[segment + 1])
            ++segment;
        if (segment == last || a >= reach[last])
            break;
        QList<QPoint> dash{a == reach[segment] ? vertices[segment] : at(segment, a)};
        qsizetype k = segment + 1;
        for (; k <= last && reach[k] <= b; ++k)
            dash.append(vertices[k]);
        if (k <= last && b > reach[k - 1])
            dash.append(at(k - 1, b));
        canvas.Polyline(dash);
        entry = (entry + 1) % pattern.size();
        a = b + pattern[entry] * width;
        entry = (entry + 1) % pattern.size();
        b = a + pattern[entry] * width;
    }
}

void StrokePathDashed(const TPath &path, TCanvas &canvas, int width, bool flatCaps, const QList<double> &pattern,
                      const QColor &colour)
{
    const qsizetype count = std::min<qsizetype>(std::max(path.Count, 0), path.Points.size());
    qsizetype first = 0;
    while (first < count) {
        qsizetype end = first + 1;
        while (end < count && (path.Types[end] & PT_MOVETO) != PT_MOVETO)
            ++end;
        if (end - first >= 2) {
            QList<QPoint> figure = path.Points.mid(first, end - first);
            if (path.Types[end - 1] & PT_CLOSEFIGURE)
                figure.append(path.Points[first]);
            StrokePolylineDashed(figure, canvas, flatCaps, pattern, width, colour);
        }
        first = end;
    }
}
