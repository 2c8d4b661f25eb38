#include "widgets/ShiftJisValidator.h"

#include "base/SjisCodec.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolTip>

#include <algorithm>

namespace {

// Tells the user, at the edit, which characters were not taken.
void showRefused(const QObject *owner, const QString &characters)
{
    auto *widget = qobject_cast<const QWidget *>(owner);
    if (!widget)
        return;
    QApplication::beep();
    QToolTip::showText(widget->mapToGlobal(QPoint(0, widget->height())),
                       QStringLiteral("「%1」は入力できない文字です").arg(characters), const_cast<QWidget *>(widget));
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

}  // namespace

TShiftJisValidator::TShiftJisValidator(int maxBytes, QObject *parent) : QValidator(parent), maxBytes_(maxBytes) {}

QValidator::State TShiftJisValidator::validate(QString &input, int &) const
{
    if (numberField_)
        for (QChar &c : input)
            c = halfWidthNumberChar(c);
    QString unmappable;
    const QByteArray bytes = Sjis::encode(input, &unmappable);
    if (!unmappable.isEmpty()) {
        showRefused(parent(), unmappable);
        return Invalid;
    }
    return maxBytes_ <= 0 || bytes.size() <= maxBytes_ ? Acceptable : Invalid;
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
                         QString unmappable;
                         Sjis::encode(text, &unmappable);
                         if (unmappable.isEmpty())
                             return;
                         QString kept;
                         for (const QChar c : text)
                             if (!unmappable.contains(c))
                                 kept += c;
                         cursor.insertText(kept);
                         showRefused(edit, unmappable);
                     });
}
