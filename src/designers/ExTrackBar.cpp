#include "designers/ExTrackBar.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>

TExTrackBar::TExTrackBar(QWidget *parent) : QSlider(Qt::Horizontal, parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setTickPosition(QSlider::TicksBelow);
    setTickInterval(1);
    setPageStep(1);
    connect(this, &QSlider::sliderReleased, this, &TExTrackBar::Changed);
}

void TExTrackBar::Changed() { emit OnChanged(this); }

QRect TExTrackBar::thumbRect() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
}

void TExTrackBar::keyPressEvent(QKeyEvent *event)
{
    // The bar's own way: Down toward the maximum unless DownIsLeft; Qt would always move it toward the minimum.
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
        const bool towardMinimum = (event->key() == Qt::Key_Down) == DownIsLeft_;
        triggerAction(towardMinimum ? SliderSingleStepSub : SliderSingleStepAdd);
        event->accept();
        return;
    }
    QSlider::keyPressEvent(event);
}

void TExTrackBar::keyReleaseEvent(QKeyEvent *event)
{
    QSlider::keyReleaseEvent(event);
    // A key move ends when the key is let go, as a held key repeats.
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        if (!event->isAutoRepeat())
            Changed();
        break;
    default:
        break;
    }
}

void TExTrackBar::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || thumbRect().contains(event->position().toPoint())) {
        QSlider::mousePressEvent(event);
        return;
    }
    // Beside the thumb: no page step; the owner decides what the click means.
    setFocus(Qt::MouseFocusReason);
    event->accept();
    emit OnMouseDown(this, event->button(), event->modifiers(), event->position().toPoint());
}
