#include "drawing/MetafileEx.h"

#include "drawing/GlyphRenderer.h"

#include <QPainter>

#include <cmath>

TMetafileEx::TMetafileEx() = default;

TMetafileEx::~TMetafileEx() { EndRecording(); }

TMetafileEx::TMetafileEx(const TMetafileEx &other) : items_(other.items_), width_(other.width_), height_(other.height_)
{
}

TMetafileEx &TMetafileEx::operator=(const TMetafileEx &other)
{
    if (this != &other) {
        EndRecording();
        items_ = other.items_;
        width_ = other.width_;
        height_ = other.height_;
    }
    return *this;
}

void TMetafileEx::Clear()
{
    EndRecording();
    items_.clear();
    width_ = height_ = 0;
}

void TMetafileEx::SetSize(int width, int height)
{
    width_ = width;
    height_ = height;
}

QPainter &TMetafileEx::ShapePainter(const std::optional<QRect> &clip)
{
    if (recorder_ && recorderClip_ == clip)
        return *recorder_;
    EndRecording();
    TItem item;
    item.Shapes = std::make_shared<QPicture>();
    if (clip)
        item.Clip = QRectF(*clip);
    items_.append(item);
    recorder_ = std::make_unique<QPainter>(item.Shapes.get());
    recorderClip_ = clip;
    return *recorder_;
}

void TMetafileEx::AddGlyphs(const QGlyphRun &run, const QStringList &texts, const QTransform &transform,
                            const QColor &colour, const std::optional<QRect> &clip)
{
    EndRecording();
    if (!items_.isEmpty() && joinGlyphs(items_.last(), run, texts, transform, colour, clip))
        return;
    TItem item;
    item.Glyphs = run;
    item.Texts = texts;
    item.Colour = colour;
    item.Frame = transform;
    if (clip)
        item.Clip = QRectF(*clip);
    items_.append(item);
}

bool TMetafileEx::joinGlyphs(TItem &last, const QGlyphRun &run, const QStringList &texts, const QTransform &transform,
                             const QColor &colour, const std::optional<QRect> &clip)
{
    // Every glyph item costs a printer or PDF page a state change, a matrix and a text object of its own,
    // and a layout draws a text in many pieces (columns, the parts of a name) in one font and frame turned
    // the same way. Such a piece joins the item before it, its glyphs moved by the step between the two
    // frames. Only frames turned by quarter turns without scaling join, so the step is taken back into the
    // item's own coordinates exactly: each row of the frame holds one 1 or -1 and a 0.
    const auto unitRow = [](qreal a, qreal b) {
        return (a == 0 && (b == 1 || b == -1)) || (b == 0 && (a == 1 || a == -1));
    };
    const QTransform &frame = last.Frame;
    if (last.Shapes || last.Colour != colour || last.Clip != (clip ? std::optional<QRectF>(QRectF(*clip)) : std::nullopt)
        || transform.m11() != frame.m11() || transform.m12() != frame.m12() || transform.m21() != frame.m21()
        || transform.m22() != frame.m22() || !unitRow(frame.m11(), frame.m12()) || !unitRow(frame.m21(), frame.m22())
        || std::abs(frame.determinant()) != 1 || frame.type() > QTransform::TxRotate
        || last.Glyphs.flags() != run.flags() || last.Glyphs.rawFont() != run.rawFont())
        return false;
    const qreal dx = transform.dx() - frame.dx();
    const qreal dy = transform.dy() - frame.dy();
    const QPointF step(frame.m11() * dx + frame.m12() * dy, frame.m21() * dx + frame.m22() * dy);
    QList<quint32> indexes = last.Glyphs.glyphIndexes();
    QList<QPointF> positions = last.Glyphs.positions();
    indexes.append(run.glyphIndexes());
    for (const QPointF &position : run.positions())
        positions.append(position + step);
    last.Glyphs.setGlyphIndexes(indexes);
    last.Glyphs.setPositions(positions);
    last.Texts.append(texts);
    return true;
}

void TMetafileEx::AddPicture(const TMetafileEx &picture, const QRectF &target, const std::optional<QRect> &clip)
{
    EndRecording();
    const QTransform placed = picture.placement(target);
    for (TItem item : picture.items_) {
        item.Frame = item.Frame * placed;
        if (item.Clip)
            item.Clip = placed.mapRect(*item.Clip);
        if (clip)
            item.Clip = item.Clip ? item.Clip->intersected(QRectF(*clip)) : QRectF(*clip);
        items_.append(item);
    }
}

void TMetafileEx::EndRecording()
{
    if (recorder_)
        recorder_->end();
    recorder_.reset();
    recorderClip_.reset();
}

QTransform TMetafileEx::placement(const QRectF &target) const
{
    if (width_ <= 0 || height_ <= 0)
        return QTransform::fromTranslate(target.left(), target.top());
    return QTransform::fromScale(target.width() / width_, target.height() / height_)
           * QTransform::fromTranslate(target.left(), target.top());
}

void TMetafileEx::Play(QPainter &painter, const QTransform &device, const QRectF &target,
                       const std::optional<QRect> &outerClip) const
{
    const QTransform placed = placement(target) * device;
    // The painter's state is kept once for the whole picture: each state change costs a printer or PDF page
    // an output of its own, so a glyph item sets only its transform and, when it differs, its colour. Items
    // of their own clip or of shapes keep theirs apart.
    painter.save();
    painter.setTransform(device);
    if (outerClip)
        painter.setClipRect(*outerClip, Qt::IntersectClip);
    std::optional<QColor> colour;
    for (const TItem &item : items_) {
        if (!item.Shapes && !item.Clip) {
            painter.setTransform(item.Frame * placed);
            if (colour != item.Colour) {
                painter.setPen(item.Colour);
                colour = item.Colour;
            }
            DrawGlyphRun(painter, QPointF(0, 0), item.Glyphs, item.Texts);
            continue;
        }
        painter.save();
        painter.setTransform(placed);
        if (item.Clip)
            painter.setClipRect(*item.Clip, Qt::IntersectClip);
        painter.setTransform(item.Frame * placed);
        if (item.Shapes) {
            // Playing a picture scales it by the device's resolution over the picture's own; the shapes are in
            // the picture's units already, so that scale is taken back out (it is 1 on images, not on PDF pages
            // and printers).
            if (const QPaintDevice *device = painter.device(); device && device->logicalDpiX() > 0 && device->logicalDpiY() > 0)
                painter.scale(qreal(item.Shapes->logicalDpiX()) / device->logicalDpiX(),
                              qreal(item.Shapes->logicalDpiY()) / device->logicalDpiY());
            painter.drawPicture(0, 0, *item.Shapes);
        } else {
            painter.setPen(item.Colour);
            DrawGlyphRun(painter, QPointF(0, 0), item.Glyphs, item.Texts);
        }
        painter.restore();  // the pen too, as it was before the item
    }
    painter.restore();
}
