#include "widgets/UniStdCtrls.h"

#include "widgets/ShiftJisValidator.h"

#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodQueryEvent>
#include <QKeyEvent>
#include <QVariant>

namespace {

// The keys a Japanese keyboard and the input methods switch kana input on with.
bool IsInputMethodKey(const QKeyEvent *key)
{
    switch (key->key()) {
    case Qt::Key_Zenkaku_Hankaku:
    case Qt::Key_Kanji:
    case Qt::Key_Henkan:
    case Qt::Key_Hiragana_Katakana:
    case Qt::Key_Hiragana:
    case Qt::Key_Katakana: return true;
    case Qt::Key_Space: return key->modifiers() == Qt::ControlModifier;
    default: return false;
    }
}

// Answers the platform input method's question whether the control takes input-method text with no. A line edit
// answers it from its enabled and read-only states alone, leaving Qt::WA_InputMethodEnabled aside, so the input
// method would engage in it all the same and turn the keys into kana. A closed control (imClose) starts every
// focus so, and the user may still open the input method there with its own key, as on a keyboard without one
// switched on; a disabled control never takes it.
class TInputMethodRefusal : public QObject {
public:
    explicit TInputMethodRefusal(QObject *control) : QObject(control)
    {
        setObjectName(QStringLiteral("inputMethodRefusal"));
        control->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *control = static_cast<QWidget *>(watched);
        if (event->type() == QEvent::FocusIn) {
            opened_ = false;
            control->setAttribute(Qt::WA_InputMethodEnabled, false);
            return false;
        }
        if (event->type() == QEvent::KeyPress && !opened_ && GetImeMode(control) == imClose
            && IsInputMethodKey(static_cast<QKeyEvent *>(event))) {
            opened_ = true;
            control->setAttribute(Qt::WA_InputMethodEnabled, true);
            QGuiApplication::inputMethod()->update(Qt::ImEnabled);
            return true;
        }
        if (event->type() != QEvent::InputMethodQuery || opened_)
            return false;
        auto *query = static_cast<QInputMethodQueryEvent *>(event);
        if (!(query->queries() & Qt::ImEnabled))
            return false;
        // The control answers the other questions of the same event itself.
        watched->event(event);
        query->setValue(Qt::ImEnabled, false);
        return true;
    }

private:
    bool opened_ = false;
};

}  // namespace

void SetImeMode(QWidget *control, TImeMode mode)
{
    const auto refused = [](TImeMode m) { return m == imDisable || m == imClose; };
    const bool wasOff = refused(GetImeMode(control));
    control->setProperty("ImeMode", static_cast<int>(mode));
    const bool off = refused(mode);
    control->setAttribute(Qt::WA_InputMethodEnabled, !off);
    QObject *refusal = control->findChild<QObject *>(QStringLiteral("inputMethodRefusal"), Qt::FindDirectChildrenOnly);
    if (off && !refusal)
        new TInputMethodRefusal(control);
    else if (!off)
        delete refusal;
    // An on-screen keyboard or an input method that engages anyway reads the hints: Latin letters only here.
    const Qt::InputMethodHints latin = Qt::ImhLatinOnly | Qt::ImhPreferLatin;
    control->setInputMethodHints(off ? control->inputMethodHints() | latin : control->inputMethodHints() & ~latin);
    // What still arrives full width (a paste, a text set over the accessibility bus, a commit of an input method
    // that ignores the field's wish) becomes the half-width characters it stands for. A combo box's edit without
    // a Shift-JIS check keeps any character (a layout's own text), full width too.
    QLineEdit *edit = qobject_cast<QLineEdit *>(control);
    if (auto *combo = qobject_cast<QComboBox *>(control); combo && combo->lineEdit() &&
                                                          dynamic_cast<const TShiftJisValidator *>(combo->lineEdit()->validator()))
        edit = combo->lineEdit();
    if (edit && off)
        KeepHalfWidth(edit);
    else if (edit && wasOff)
        KeepHalfWidth(edit, false);
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

void DisconnectChildControls(QObject *owner)
{
    for (QObject *child : owner->findChildren<QObject *>())
        QObject::disconnect(child, nullptr, owner, nullptr);
}
