#include "widgets/ShiftJisValidator.h"

#include "base/SjisCodec.h"
#include "base/TextUtils.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStringList>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolTip>

#include <algorithm>

namespace {

// A control code as the user can see it in a hint: its control picture where Unicode has one.
QString visible(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x20)
        return QChar(char16_t(0x2400 + u));
    if (u == 0x7F)
        return QChar(char16_t(0x2421));
    if (IsControlChar(c))
        return QStringLiteral("U+%1").arg(unsigned(u), 4, 16, QLatin1Char('0')).toUpper();
    return c;
}

// What was refused, stored in another form or cut, said at the edit; a beep when something was not taken.
struct TNotice {
    QString refused;
    QStringList swapped;
    qsizetype cut = 0;

    void refuse(const QString &characters)
    {
        if (!refused.contains(characters))
            refused += characters;
    }

    void show(const QObject *owner) const
    {
        auto *widget = qobject_cast<const QWidget *>(owner);
        if (!widget || (refused.isEmpty() && swapped.isEmpty() && cut == 0))
            return;
        // A password's hint says what happened without showing a character of it.
        auto *edit = qobject_cast<const QLineEdit *>(widget);
        const bool hidden = edit && edit->echoMode() != QLineEdit::Normal;
        QStringList lines;
        if (!refused.isEmpty())
            lines << (hidden ? QStringLiteral("入力できない文字は入力されませんでした")
                             : QStringLiteral("「%1」は入力できない文字です").arg(refused));
        if (hidden && !swapped.isEmpty())
            lines << QStringLiteral("文字の一部を別の文字として入力しました");
        else
            lines << swapped;
        if (cut > 0)
            lines << QStringLiteral("欄に入りきらない%1文字は入力されませんでした").arg(cut);
        if (!refused.isEmpty() || cut > 0)
            QApplication::beep();
        QToolTip::showText(widget->mapToGlobal(QPoint(0, widget->height())), lines.join(u'\n'),
                           const_cast<QWidget *>(widget));
    }
};

// Puts in each character the one Shift-JIS keeps in its place (a sign's full-width form, the converter's
// look-alike for a character it lacks, as 剥 for 剝 or ～ for 〜), so the edit shows what will be kept.
void storeForms(QString &text, TNotice &notice)
{
    for (QChar &c : text) {
        const QChar stored = Sjis::readBack(c);
        if (stored == c)
            continue;
        const QString swap = QStringLiteral("「%1」は「%2」として入力しました").arg(c).arg(stored);
        if (!notice.swapped.contains(swap))
            notice.swapped << swap;
        c = stored;
    }
}

// A character of a half-width field as the input method gives it full width: the full-width forms of ASCII and
// the ideographic space are the characters they stand for, every dash and the long vowel mark a hyphen, and
// the full stop it gives for the "." key (either width) the point, so that 130。5 is a decimal number.
QChar halfWidthChar(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'！' && u <= u'～')
        return QChar(char16_t(u - (u'！' - u'!')));
    if (u == u'　')
        return QLatin1Char(' ');
    switch (u) {
    case u'‐': case u'‑': case u'‒': case u'–': case u'—': case u'―': case u'−': case u'ー': case u'ｰ':
        return QLatin1Char('-');
    case u'。': case u'｡':
        return QLatin1Char('.');
    default:
        return c;
    }
}

// True while the text being checked comes from the user: Qt counts an edit as modified from the first typed
// change until the program sets the text again.
bool userEdit(const QObject *owner)
{
    const QLineEdit *edit = qobject_cast<const QLineEdit *>(owner);
    if (auto *combo = qobject_cast<const QComboBox *>(owner))
        edit = combo->lineEdit();
    return edit && edit->isModified();
}

// The byte limit of a reading counts it as it is stored, in half width.
class TReadingValidator : public TShiftJisValidator {
public:
    using TShiftJisValidator::TShiftJisValidator;

protected:
    qsizetype storedSize(const QString &input) const override { return HalfKanaReading(input).size(); }
};

// An edit as the accessibility bus sees it. Qt's own interface puts a screen reader's text in with setText, which
// the edits take for the program's own (a stored record: neither cut nor remarked on by the validator, no
// textEdited for the handlers that follow the user's input), so a screen reader got past the limit, the check and
// the hint. Here the text arrives as keys and pastes do: the edit's own insert over the range it replaces, then
// the end of the entry, as Enter ends a typed one.
class TTypedTextAccessible : public QAccessibleWidget,
                             public QAccessibleTextInterface,
                             public QAccessibleEditableTextInterface {
public:
    explicit TTypedTextAccessible(QLineEdit *edit) : TTypedTextAccessible(edit, edit, QAccessible::EditableText)
    {
        addControllingSignal(QStringLiteral("textChanged(const QString&)"));
        addControllingSignal(QStringLiteral("returnPressed()"));
    }

    QString text(QAccessible::Text t) const override
    {
        QString s = t == QAccessible::Value ? edit()->displayText() : QString();
        if (s.isEmpty())
            s = QAccessibleWidget::text(t);
        if (s.isEmpty() && t == QAccessible::Description)
            s = edit()->placeholderText();
        return s;
    }
    void setText(QAccessible::Text t, const QString &text) override
    {
        if (t == QAccessible::Value)
            replaceText(0, characterCount(), text);
        else
            QAccessibleWidget::setText(t, text);
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = edit()->isReadOnly();
        s.editable = takesText();
        s.passwordEdit = edit()->echoMode() != QLineEdit::Normal;
        s.selectableText = true;
        return s;
    }
    void *interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        if (t == QAccessible::EditableTextInterface)
            return static_cast<QAccessibleEditableTextInterface *>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    // Reading and moving about.
    void selection(int index, int *start, int *end) const override
    {
        *start = *end = 0;
        if (index == 0 && edit()->hasSelectedText()) {
            *start = edit()->selectionStart();
            *end = edit()->selectionEnd();
        }
    }
    int selectionCount() const override { return edit()->hasSelectedText() ? 1 : 0; }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int index) override
    {
        if (index == 0)
            edit()->deselect();
    }
    void setSelection(int index, int start, int end) override
    {
        if (index == 0)
            edit()->setSelection(start, end - start);
    }
    int cursorPosition() const override { return edit()->cursorPosition(); }
    void setCursorPosition(int position) override { edit()->setCursorPosition(position); }
    QString text(int start, int end) const override
    {
        return start > end ? QString() : edit()->displayText().mid(start, end - start);
    }
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int *start, int *end) const override
    {
        return QAccessibleTextInterface::textBeforeOffset(caretOr(offset), type, start, end);
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType type, int *start, int *end) const override
    {
        return QAccessibleTextInterface::textAfterOffset(caretOr(offset), type, start, end);
    }
    QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int *start, int *end) const override
    {
        return QAccessibleTextInterface::textAtOffset(caretOr(offset), type, start, end);
    }
    int characterCount() const override { return int(edit()->displayText().size()); }
    // The edit's layout is not public, its hit test is: the caret position turns from 0 to 1 at the middle of
    // the first character, which tells where the text starts, the alignment and the scroll taken in.
    QRect characterRect(int offset) const override
    {
        const QString shown = edit()->displayText();
        if (offset < 0 || offset >= shown.size())
            return {};
        const QFontMetrics metrics(edit()->font());
        const int y = edit()->height() / 2;
        const int reach = edit()->width() + metrics.horizontalAdvance(shown);
        int low = -reach, high = reach;
        while (low < high) {
            const int mid = low + (high - low) / 2;
            if (edit()->cursorPositionAt(QPoint(mid, y)) >= 1)
                high = mid;
            else
                low = mid + 1;
        }
        const int left = low - metrics.horizontalAdvance(shown.left(1)) / 2;
        const QRect r(left + metrics.horizontalAdvance(shown.left(offset)), (edit()->height() - metrics.height()) / 2,
                      metrics.horizontalAdvance(shown.mid(offset, 1)), metrics.height());
        return r.translated(edit()->mapToGlobal(QPoint(0, 0)));
    }
    int offsetAtPoint(const QPoint &point) const override
    {
        return edit()->cursorPositionAt(edit()->mapFromGlobal(point));
    }
    void scrollToSubstring(int start, int end) override
    {
        edit()->setCursorPosition(end);
        edit()->setCursorPosition(start);
    }
    QString attributes(int offset, int *start, int *end) const override
    {
        *start = *end = offset;
        return {};
    }

    // Writing: as typed.
    void deleteText(int start, int end) override { replaceText(start, end, QString()); }
    void insertText(int offset, const QString &text) override { replaceText(offset, offset, text); }
    void replaceText(int start, int end, const QString &text) override
    {
        if (!takesText())
            return;
        QLineEdit *e = edit();
        e->setSelection(start, end - start);
        e->insert(text);
        emit e->editingFinished();
    }

protected:
    // A control whose text is that of an edit inside it.
    TTypedTextAccessible(QWidget *control, QLineEdit *edit, QAccessible::Role role)
        : QAccessibleWidget(control, role), edit_(edit)
    {
    }
    QLineEdit *edit() const { return edit_; }
    // What takes no key, read-only or disabled (itself or with its group or window), takes no text either.
    bool takesText() const { return !edit()->isReadOnly() && edit()->isEnabled(); }

private:
    QLineEdit *edit_;
    // -2 stands for the caret on the bus.
    int caretOr(int offset) const { return offset == -2 ? cursorPosition() : offset; }
};

// A spin box as the accessibility bus sees it. Qt's own interface puts a screen reader's text in the spin box's
// edit as it is, so "12a", or 99 where 30 is the most, stood in the box while the value stayed. Here a set takes
// what typing would take: the digits, full width as half width, the number held to the range and then taken as
// Enter takes it.
class TTypedSpinBoxAccessible : public TTypedTextAccessible, public QAccessibleValueInterface {
public:
    explicit TTypedSpinBoxAccessible(QSpinBox *box)
        : TTypedTextAccessible(box, box->findChild<QLineEdit *>(QStringLiteral("qt_spinbox_lineedit")),
                               QAccessible::SpinBox)
    {
        addControllingSignal(QStringLiteral("valueChanged(int)"));
        addControllingSignal(QStringLiteral("textChanged(QString)"));
    }

    void *interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface *>(this);
        return TTypedTextAccessible::interface_cast(t);
    }

    void replaceText(int start, int end, const QString &text) override
    {
        if (!takesText())
            return;
        QSpinBox *box = spinBox();
        QString typed = edit()->text();
        typed.replace(start, end - start, text);
        QString number;
        for (const QChar c : typed) {
            const QChar half = halfWidthChar(c);
            if ((half >= u'0' && half <= u'9') || (half == u'-' && number.isEmpty() && box->minimum() < 0))
                number += half;
        }
        // Beyond the range is the nearest end of it, however many digits came.
        bool isNumber = false;
        const double value = number.toDouble(&isNumber);
        if (isNumber) {
            const int held = int(std::clamp(value, double(box->minimum()), double(box->maximum())));
            edit()->setText(box->prefix() + QString::number(held) + box->suffix());
            box->interpretText();
        }
        emit box->editingFinished();
    }

    QVariant currentValue() const override { return spinBox()->value(); }
    void setCurrentValue(const QVariant &value) override
    {
        if (!takesText())
            return;
        spinBox()->setValue(value.toInt());
        emit spinBox()->editingFinished();
    }
    QVariant maximumValue() const override { return spinBox()->maximum(); }
    QVariant minimumValue() const override { return spinBox()->minimum(); }
    QVariant minimumStepSize() const override { return spinBox()->singleStep(); }

private:
    QSpinBox *spinBox() const { return static_cast<QSpinBox *>(object()); }
};

QAccessibleInterface *typedTextAccessible(const QString &, QObject *object)
{
    if (auto *box = qobject_cast<QSpinBox *>(object))
        return new TTypedSpinBoxAccessible(box);
    auto *edit = qobject_cast<QLineEdit *>(object);
    // A spin box's edit is read and written through the spin box, as Qt has it.
    if (!edit || edit->objectName() == QLatin1String("qt_spinbox_lineedit"))
        return nullptr;
    return new TTypedTextAccessible(edit);
}

}  // namespace

TShiftJisValidator::TShiftJisValidator(int maxBytes, QObject *parent, TStorage storage)
    : QValidator(parent), maxBytes_(maxBytes), storage_(storage)
{
}

qsizetype TShiftJisValidator::storedSize(const QString &input) const
{
    return storage_ == TStorage::AnyCharacter ? input.size() : Sjis::encode(input).size();
}

QValidator::State TShiftJisValidator::validate(QString &input, int &position) const
{
    if (halfWidthField_)
        for (QChar &c : input)
            c = halfWidthChar(c);
    TNotice notice;
    if (storage_ == TStorage::ShiftJis) {
        storeForms(input, notice);
        QString unmappable;
        Sjis::encode(input, &unmappable);
        notice.refuse(unmappable);
    }
    for (const QChar c : input)
        if (IsControlChar(c))
            notice.refuse(visible(c));
    // What the program puts in (a stored record) is neither cut nor remarked on here: the form's own checks
    // speak for it.
    const bool typed = userEdit(parent());
    if (!notice.refused.isEmpty()) {
        if (typed)
            notice.show(parent());
        return Invalid;
    }
    const bool tooLong = maxBytes_ > 0 && storedSize(input) > maxBytes_;
    if (!tooLong || !typed) {
        if (typed)
            notice.show(parent());
        return tooLong ? Invalid : Acceptable;
    }
    // Too long: what was just typed or pasted ends at the caret, so its end gives way; the text after the caret
    // is the user's earlier input and stays. The longest head that fits is found by halving, since a paste can
    // be long and each measure encodes the whole text.
    const qsizetype before = input.size();
    const int caret = std::clamp(position, 0, int(input.size()));
    const QString tail = input.mid(caret);
    const auto fits = [&](qsizetype head) { return storedSize(input.left(head) + tail) <= maxBytes_; };
    qsizetype low = 0, high = caret;  // fits(low) unless even the tail alone is too long
    while (low < high) {
        const qsizetype mid = (low + high + 1) / 2;
        if (fits(mid))
            low = mid;
        else
            high = mid - 1;
    }
    if (low > 0 && input[low - 1].isHighSurrogate())
        --low;
    input = input.left(low) + tail;
    position = int(low);
    notice.cut = before - input.size();
    notice.show(parent());
    return fits(low) ? Acceptable : Invalid;
}

QValidator::State TNumberSpinBox::validate(QString &input, int &position) const
{
    for (QChar &c : input)
        c = halfWidthChar(c);
    return QSpinBox::validate(input, position);
}

void LimitToWholeCharacters(QLineEdit *edit, int units)
{
    edit->setMaxLength(32767);
    edit->setValidator(new TShiftJisValidator(units, edit, TShiftJisValidator::TStorage::AnyCharacter));
}

void InstallTypedTextAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(typedTextAccessible);
        return true;
    }();
    (void)installed;
}

void MakeHalfWidthField(QLineEdit *edit, int maxBytes)
{
    // The validator cuts, and says so; Qt's own length limit would cut a paste or a set text without a word.
    edit->setMaxLength(32767);
    edit->setValidator(new TShiftJisValidator(maxBytes, edit));
    KeepHalfWidth(edit);
}

void KeepHalfWidth(QLineEdit *edit, bool on)
{
    auto *validator = dynamic_cast<TShiftJisValidator *>(const_cast<QValidator *>(edit->validator()));
    if (!validator && !on)
        return;
    if (!validator) {
        validator = new TShiftJisValidator(0, edit);
        edit->setValidator(validator);
    }
    validator->SetHalfWidthField(on);
}

void MakeReadingField(QLineEdit *edit, int maxBytes)
{
    // As in the half-width fields: the validator cuts and says so, a character limit would cut first in silence.
    edit->setMaxLength(32767);
    edit->setValidator(new TReadingValidator(maxBytes, edit));
    // Only what the user enters is converted: a reading stored before in full width is shown as it is.
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString &text) {
        const QString half = Sjis::decode(HalfKanaReading(text));
        if (half == text)
            return;
        // A voiced kana becomes two characters: the caret stays after what stood before it.
        const int caret = int(Sjis::decode(HalfKanaReading(text.left(edit->cursorPosition()))).size());
        edit->setText(half);
        edit->setCursorPosition(caret);
    });
}

void LimitToShiftJis(QLineEdit *edit, int maxBytes)
{
    // The validator cuts, and says so; Qt's own length limit counts characters, not the bytes kept.
    edit->setMaxLength(32767);
    edit->setValidator(new TShiftJisValidator(maxBytes, edit));
}

void LimitToShiftJis(QPlainTextEdit *edit)
{
    QObject::connect(edit->document(), &QTextDocument::contentsChange, edit,
                     [edit](int position, int, int added) {
                         if (added <= 0)
                             return;
                         // The count can take in the document's closing paragraph mark, which no cursor reaches.
                         QTextCursor cursor(edit->document());
                         const int end = std::min(position + added, edit->document()->characterCount() - 1);
                         cursor.setPosition(position);
                         cursor.setPosition(end, QTextCursor::KeepAnchor);
                         // A cursor hands line breaks out as paragraph separators, which Shift-JIS lacks.
                         const QString text =
                             cursor.selectedText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
                         TNotice notice;
                         QString kept = text;
                         storeForms(kept, notice);
                         QString unmappable;
                         Sjis::encode(kept, &unmappable);
                         const auto refused = [&unmappable](QChar c) {
                             return unmappable.contains(c) || (IsControlChar(c) && c != u'\n' && c != u'\t');
                         };
                         notice.refuse(unmappable);
                         for (const QChar c : kept)
                             if (IsControlChar(c) && refused(c))
                                 notice.refuse(visible(c));
                         kept.removeIf(refused);
                         if (kept == text)
                             return;
                         cursor.insertText(kept);
                         notice.show(edit);
                     });
}
