#include "geo/PaintPanel.h"

#include <QPainter>

namespace {

// width one-pixel outlines drawn inwards, the top and left edges in topLeft and the bottom and right ones
// (with the top-right and bottom-left corners) in bottomRight; rect is left inside them.
void frame3D(QPainter &painter, QRect &rect, const QColor &topLeft, const QColor &bottomRight, int width)
{
    for (int i = 0; i < width && !rect.isEmpty(); ++i) {
        painter.fillRect(rect.left(), rect.top(), rect.width(), 1, topLeft);
        painter.fillRect(rect.left(), rect.top(), 1, rect.height(), topLeft);
        painter.fillRect(rect.left(), rect.bottom(), rect.width(), 1, bottomRight);
        painter.fillRect(rect.right(), rect.top(), 1, rect.height(), bottomRight);
        rect.adjust(1, 1, -1, -1);
    }
}

}  // namespace

TPaintPanel::TPaintPanel(QWidget *parent) : QFrame(parent)
{
    setFrameShape(QFrame::NoFrame);
    // The role is fixed here: left unset, it follows a parent's, and a panel placed in a scroll box with a dark
    // background would paint that instead of its own colour.
    setBackgroundRole(QPalette::Window);
}

template <class T> void TPaintPanel::change(T &field, const T &value)
{
    if (field == value)
        return;
    field = value;
    update();
}

void TPaintPanel::SetImage(const QImage &image)
{
    Image_ = image;
    if (AutoSize_ && !Image_.isNull())
        FitToImage();
    updateGeometry();
    update();
}

void TPaintPanel::SetCenter(bool center) { change(Center_, center); }

void TPaintPanel::SetBevelOuter(TBevel bevel) { change(BevelOuter_, bevel); }

void TPaintPanel::SetBevelInner(TBevel bevel) { change(BevelInner_, bevel); }

void TPaintPanel::SetBevelWidth(int width) { change(BevelWidth_, width); }

void TPaintPanel::SetBorderWidth(int width) { change(BorderWidth_, width); }

void TPaintPanel::SetCaption(const QString &caption) { change(Caption_, caption); }

void TPaintPanel::SetAlignment(Qt::Alignment alignment) { change(Alignment_, alignment); }

QColor TPaintPanel::Color() const { return palette().color(backgroundRole()); }

void TPaintPanel::SetColor(const QColor &colour)
{
    QPalette colours = palette();
    colours.setColor(backgroundRole(), colour);
    setPalette(colours);
    update();
}

void TPaintPanel::SetAutoSize(bool autoSize)
{
    AutoSize_ = autoSize;
    if (AutoSize_ && !Image_.isNull())
        FitToImage();
}

int TPaintPanel::FrameSize() const
{
    return (BevelOuter_ != TBevel::None ? BevelWidth_ : 0) + (BevelInner_ != TBevel::None ? BevelWidth_ : 0)
           + BorderWidth_;
}

void TPaintPanel::FitToImage()
{
    resize(Image_.width() + 2 * FrameSize(), Image_.height() + 2 * FrameSize());
    update();
}

QRect TPaintPanel::InnerRect() const
{
    const int f = FrameSize();
    return rect().adjusted(f, f, -f, -f);
}

QSize TPaintPanel::sizeHint() const
{
    if (Image_.isNull())
        return QFrame::sizeHint();
    return Image_.size() + QSize(2 * FrameSize(), 2 * FrameSize());
}

void TPaintPanel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QRect inner = rect();
    const QColor panel = Color();
    painter.fillRect(inner, panel);
    const QColor light = palette().color(QPalette::Light);
    const QColor shadow = palette().color(QPalette::Dark);
    const auto bevel = [&](TBevel kind) {
        if (kind != TBevel::None)
            frame3D(painter, inner, kind == TBevel::Raised ? light : shadow, kind == TBevel::Raised ? shadow : light,
                    BevelWidth_);
    };
    bevel(BevelOuter_);
    frame3D(painter, inner, panel, panel, BorderWidth_);
    bevel(BevelInner_);

    if (!Image_.isNull()) {
        // Each side of the source is halved toward zero; a part beyond a smaller bitmap stays in the panel
        // colour.
        QRect source(0, 0, inner.width(), inner.height());
        if (Center_) {
            const int left = (Image_.width() - inner.width()) / 2;
            const int top = (Image_.height() - inner.height()) / 2;
            source = QRect(left, top, Image_.width() - 2 * left, Image_.height() - 2 * top);
        }
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.drawImage(inner, Image_, source);
    }
    if (OnPaint)
        OnPaint(*this, painter, inner);
    if (!Caption_.isEmpty()) {
        const int height = fontMetrics().height();
        const int top = (inner.top() + inner.top() + inner.height() - height) / 2;
        painter.setFont(font());
        painter.setPen(palette().color(foregroundRole()));
        painter.setBrush(Qt::NoBrush);
        painter.drawText(QRect(inner.left(), top, inner.width(), height),
                         int(Alignment_ | Qt::AlignTop | Qt::TextExpandTabs), Caption_);
    }
}
