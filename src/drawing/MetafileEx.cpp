#include "drawing/MetafileEx.h"


#include <QPainter>

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

void TMetafileEx::AddGlyphs(const QGlyphRun &run, const QTransform &transform, const QColor &colour,
                            const std::optional<QRect> &clip)
{
    EndRecording();
    TItem item;
    item.Glyphs = run;
    item.Colour = colour;
    item.Frame = transform;
    if (clip)
        item.Clip = QRectF(*clip);
    items_.append(item);
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
    for (const TItem &item : items_) {
        painter.save();
        painter.setTransform(device);
        if (outerClip)
            painter.setClipRect(*outerClip, Qt::IntersectClip);
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
            painter.drawGlyphRun(QPointF(0, 0), item.Glyphs);
        }
        painter.restore();
    }
}
