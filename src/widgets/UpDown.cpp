#include "widgets/UpDown.h"

#include "widgets/NamedControls.h"

#include <QToolButton>
#include <QVBoxLayout>

namespace {

struct Arrow {
    const char *name;
    const char *caption;
    Qt::ArrowType arrow;
    int step;
};
constexpr Arrow Arrows[] = {{"btnUp", "増やす", Qt::UpArrow, 1}, {"btnDown", "減らす", Qt::DownArrow, -1}};

}  // namespace

TUpDown::TUpDown(QWidget *parent, const std::function<void(int)> &onStep, QSize buttonSize) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (const Arrow &a : Arrows) {
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

void TUpDown::NameAfter(QString field)
{
    field.remove(QLatin1Char('&'));
    while (field.endsWith(u'：') || field.endsWith(u':'))
        field.chop(1);
    for (const Arrow &a : Arrows)
        findChild<QToolButton *>(QLatin1String(a.name))
            ->setAccessibleName(field + QLatin1Char(' ') + QString::fromUtf8(a.caption));
}
