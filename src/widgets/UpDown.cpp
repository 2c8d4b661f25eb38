#include "widgets/UpDown.h"

#include "widgets/NamedControls.h"

#include <QToolButton>
#include <QVBoxLayout>

TUpDown::TUpDown(QWidget *parent, const std::function<void(int)> &onStep, QSize buttonSize) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    struct Arrow {
        const char *name;
        const char *caption;
        Qt::ArrowType arrow;
        int step;
    };
    for (const Arrow &a : {Arrow{"btnUp", "増やす", Qt::UpArrow, 1}, Arrow{"btnDown", "減らす", Qt::DownArrow, -1}}) {
        auto *button = Named<QToolButton>(a.name, this);
        button->setArrowType(a.arrow);
        button->setAccessibleName(QString::fromUtf8(a.caption));
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoRepeat(true);
        button->setFixedSize(buttonSize);
        connect(button, &QToolButton::clicked, this, [onStep, step = a.step] { onStep(step); });
        layout->addWidget(button);
    }
    // The arrows stay together beside their edit however tall the row they stand in.
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}
