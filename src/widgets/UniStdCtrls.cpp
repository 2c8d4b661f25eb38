#include "widgets/UniStdCtrls.h"

#include "widgets/ShiftJisValidator.h"

#include <QVariant>

void SetImeMode(QWidget *control, TImeMode mode)
{
    control->setProperty("ImeMode", static_cast<int>(mode));
    const bool off = mode == imDisable;
    control->setAttribute(Qt::WA_InputMethodEnabled, !off);
    // An on-screen keyboard or an input method that engages anyway reads the hints: Latin letters only here.
    const Qt::InputMethodHints latin = Qt::ImhLatinOnly | Qt::ImhPreferLatin;
    control->setInputMethodHints(off ? control->inputMethodHints() | latin : control->inputMethodHints() & ~latin);
    // What still arrives full width (a paste, a text set over the accessibility bus, a commit of an input method
    // that ignores the field's wish) becomes the half-width characters it stands for.
    if (auto *edit = qobject_cast<QLineEdit *>(control); edit && off)
        KeepHalfWidth(edit);
}

TImeMode GetImeMode(const QWidget *control)
{
    const QVariant mode = control->property("ImeMode");
    return mode.isValid() ? static_cast<TImeMode>(mode.toInt()) : imDontCare;
}

TUniEdit::TUniEdit(QWidget *parent) : QLineEdit(parent)
{
    connect(this, &QLineEdit::textChanged, this, [this] { Change(); });
}

int TUniEdit::SelStart() const { return hasSelectedText() ? selectionStart() : cursorPosition(); }

void TUniEdit::SetSelStart(int position) { setCursorPosition(position); }

int TUniEdit::MaxLength() const
{
    // Qt's own "no limit" is its largest length.
    return maxLength() == 32767 ? 0 : maxLength();
}

void TUniEdit::SetMaxLength(int characters) { setMaxLength(characters <= 0 ? 32767 : characters); }

void TUniEdit::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    DoEnter();
}

void TUniEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    DoExit();
}

TUniComboBox::TUniComboBox(QWidget *parent) : QComboBox(parent) {}

int TUniComboBox::AddObject(const QString &text, int number)
{
    addItem(text, number);
    return count() - 1;
}

void TUniComboBox::InsertObject(int position, const QString &text, int number) { insertItem(position, text, number); }

int TUniComboBox::ItemObject(int index) const { return itemData(index).toInt(); }
