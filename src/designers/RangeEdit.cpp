#include "designers/RangeEdit.h"

#include "core/SharedHelpers.h"
#include "widgets/NamedControls.h"
#include "widgets/ShiftJisValidator.h"
#include "widgets/UniStdCtrls.h"
#include "widgets/UpDown.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>

TRangeEdit::TRangeEdit(QWidget *parent, const char *editName, const char *upDownName, int low, int high,
                       int maxChars)
    : QObject(parent), low_(low), high_(high), position_(low)
{
    Edit = Named<QLineEdit>(editName, parent);
    MakeHalfWidthField(Edit, maxChars);
    Edit->setAlignment(Qt::AlignRight);
    SetImeMode(Edit, imDisable);
    Edit->setFixedWidth(Edit->fontMetrics().horizontalAdvance(QLatin1Char('0')) * (maxChars + 1) + 12);
    Edit->installEventFilter(this);
    // Enter, leaving the edit and a text a screen reader sets all end the entry with this signal.
    connect(Edit, &QLineEdit::editingFinished, this, &TRangeEdit::leave);
    UpDown = Named<TUpDown>(upDownName, parent, [this](int delta) { step(delta); },
                            QSize(ScaleByDpi(16, true), ScaleByDpi(11, true)));
    SetPosition(low);
}

void TRangeEdit::SetLabel(QLabel *label)
{
    label->setBuddy(Edit);
    UpDown->NameAfter(label->text());
}

void TRangeEdit::SetPosition(int value)
{
    position_ = std::clamp(value, low_, high_);
    Edit->setText(QString::number(position_));
}

void TRangeEdit::step(int delta)
{
    SetPosition(position_ + delta);
    if (OnChange)
        OnChange(position_);
}

void TRangeEdit::leave()
{
    bool ok = false;
    const int typed = Edit->text().trimmed().toInt(&ok);
    if (!ok || typed < 0) {
        SetPosition(position_);
        return;
    }
    step(typed - position_);
}

bool TRangeEdit::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Edit && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const int delta = key == Qt::Key_PageUp ? 10 : key == Qt::Key_PageDown ? -10 : key == Qt::Key_Up ? 1
                          : key == Qt::Key_Down ? -1 : 0;
        if (delta != 0) {
            step(delta);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
