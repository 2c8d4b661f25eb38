#include "widgets/ShiftJisValidator.h"

#include "base/SjisCodec.h"
#include "base/TextUtils.h"

#include <QApplication>
#include <QComboBox>
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
        QStringList lines;
        if (!refused.isEmpty())
            lines << QStringLiteral("「%1」は入力できない文字です").arg(refused);
        for (const QString &swap : swapped)
            lines << swap;
        if (cut > 0)
            lines << QStringLiteral("欄に入りきらない%1文字は入力されませんでした").arg(cut);
        if (!refused.isEmpty() || cut > 0)
            QApplication::beep();
        QToolTip::showText(widget->mapToGlobal(QPoint(0, widget->height())), lines.join(u'\n'),
                           const_cast<QWidget *>(widget));
    }
};

// Puts in each sign the form Shift-JIS stores it in, so the edit shows what will be kept.
void storeForms(QString &text, TNotice &notice)
{
    for (QChar &c : text) {
        const QChar stored = Sjis::storedForm(c);
        if (stored == c)
            continue;
        const QString swap = QStringLiteral("「%1」は「%2」として入力しました").arg(c).arg(stored);
        if (!notice.swapped.contains(swap))
            notice.swapped << swap;
        c = stored;
    }
}

QChar halfWidthNumberChar(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'０' && u <= u'９')
        return QChar(u'0' + (u - u'０'));
    switch (u) {
    case u'－': case u'‐': case u'‑': case u'‒': case u'–': case u'—': case u'―': case u'−': case u'ー': case u'ｰ':
        return QLatin1Char('-');
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
    if (numberField_)
        for (QChar &c : input)
            c = halfWidthNumberChar(c);
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

void LimitToWholeCharacters(QLineEdit *edit, int units)
{
    edit->setMaxLength(32767);
    edit->setValidator(new TShiftJisValidator(units, edit, TShiftJisValidator::TStorage::AnyCharacter));
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
