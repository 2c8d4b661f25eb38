#include "designers/OutlineRect.h"

#include <QPaintEngine>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

void DrawOutlineRect(QPainter &painter, const QRect &r)
{
    const QPen pen = painter.pen();
    const bool dotted = pen.style() == Qt::DotLine;
    const QPaintDevice *device = painter.paintEngine() ? painter.paintEngine()->paintDevice() : nullptr;
    const QTransform toDevice = painter.deviceTransform();
    const QRect drawn = r.adjusted(0, 0, 1, 1);  // drawRect covers the column and row after the corner
    const bool plain = device && (pen.style() == Qt::SolidLine || dotted) && pen.widthF() == 1 && !pen.isCosmetic()
                       && pen.dashOffset() == 0 && pen.capStyle() == Qt::SquareCap && pen.joinStyle() == Qt::BevelJoin
                       && painter.brush().style() == Qt::NoBrush && !painter.testRenderHint(QPainter::Antialiasing)
                       && toDevice.type() <= QTransform::TxTranslate && toDevice.dx() == std::trunc(toDevice.dx())
                       && toDevice.dy() == std::trunc(toDevice.dy());
    if (!plain || r.width() < 2 || r.height() < 2) {
        painter.drawRect(r);
        return;
    }
    if (!QRect(0, 0, device->width(), device->height()).contains(toDevice.mapRect(drawn))) {
        if (!dotted) {
            painter.drawRect(r);
            return;
        }
        // Dots are drawn by drawRect a band of rows at a time: a clip leaves their pattern as it is and keeps each
        // call below the threads' share-out.
        constexpr int band = 40;
        for (int y = r.top(); y <= r.top() + r.height(); y += band) {
            painter.save();
            painter.setClipRect(QRect(r.left(), y, r.width() + 1, band), Qt::IntersectClip);
            painter.drawRect(r);
            painter.restore();
        }
        return;
    }
    // Clockwise from the top left corner; a dotted pen sets every third pixel from the second on, and the corner
    // itself when the way round ends on a dot.
    const int left = r.left(), top = r.top(), right = left + r.width(), bottom = top + r.height();
    const int perimeter = 2 * (r.width() + r.height());
    std::vector<QPoint> points;
    points.reserve(size_t(dotted ? perimeter / 3 + 1 : perimeter));
    int along = 0;
    const auto add = [&](int x, int y) {
        if (!dotted || along % 3 == 1 || (along == 0 && perimeter % 3 == 1))
            points.emplace_back(x, y);
        ++along;
    };
    for (int x = left; x < right; ++x)
        add(x, top);
    for (int y = top; y < bottom; ++y)
        add(right, y);
    for (int x = right; x > left; --x)
        add(x, bottom);
    for (int y = bottom; y > top; --y)
        add(left, y);
    painter.setPen(QPen(pen.color(), 1));
    // Fewer than the 96 spans from which a call is shared out among threads.
    constexpr size_t batch = 64;
    for (size_t i = 0; i < points.size(); i += batch)
        painter.drawPoints(points.data() + i, int(std::min(batch, points.size() - i)));
    painter.setPen(pen);
}
