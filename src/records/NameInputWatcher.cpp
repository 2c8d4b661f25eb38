#include "records/NameInputWatcher.h"

#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "platform/CustomEvents.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QTextFormat>

#include <algorithm>
#include <string_view>
#include <utility>

namespace {

// Characters an input method shows while the text is still the typed reading.
bool isReadingChar(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x21 && u <= 0x7E)         // romaji not yet turned into kana, digits, signs
           || u == u'、' || u == u'。'      // kana punctuation
           || (u >= 0x3041 && u <= 0x30FF)  // hiragana, katakana, sound marks, ー
           || (u >= 0xFF01 && u <= 0xFF5E)  // full-width letters, digits, signs
           || (u >= 0xFF61 && u <= 0xFF9F); // half-width katakana
}

// Per character of the pre-edit: converted text, or the clause the input method is converting (which it
// shows highlighted).
QList<bool> convertedChars(const QInputMethodEvent &event)
{
    const QString preedit = event.preeditString();
    QList<bool> converted(preedit.size());
    for (qsizetype i = 0; i < preedit.size(); ++i)
        converted[i] = !isReadingChar(preedit[i]);
    for (const QInputMethodEvent::Attribute &attribute : event.attributes()) {
        if (attribute.type != QInputMethodEvent::TextFormat
            || attribute.value.value<QTextFormat>().background().style() == Qt::NoBrush)
            continue;
        const qsizetype from = std::clamp<qsizetype>(attribute.start, 0, preedit.size());
        const qsizetype to = std::clamp<qsizetype>(qsizetype(attribute.start) + attribute.length, from, preedit.size());
        std::fill(converted.begin() + from, converted.begin() + to, true);
    }
    return converted;
}

bool isLatinLetter(uchar c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Whether the reading is complete enough to be looked up: Latin letters at its end are a romaji sequence
// still being typed ("k", "sh", "ky", "tt"), and a look-up waits for the kana they become.
bool readingRequest(const QByteArray &reading, bool &romajiPending)
{
    const qsizetype n = reading.size();
    const auto at = [&](qsizetype fromEnd) { return n >= fromEnd ? uchar(reading[n - fromEnd]) : uchar(0); };
    const uchar c1 = at(1), c2 = at(2), c3 = at(3);
    const auto oneOf = [](std::string_view set, uchar c) { return set.find(char(c)) != std::string_view::npos; };
    // A doubled last letter ("kk", "tt") is still an unfinished romaji sequence; a third one ends it.
    const bool tripled = n >= 3 && c3 == c2;
    bool request;
    if (!romajiPending || n < 2) {
        request = !isLatinLetter(c1);
    } else if (c1 == 'h') {
        request = c2 == 'h' ? tripled : !oneOf("cstw", c2);
    } else if (c1 == 't') {
        request = c2 == 't' ? tripled : c2 != 'l';
    } else if (c1 == 'y') {
        request = c2 == 'y' ? tripled : oneOf("aeiouvw", c2);
    } else if (c1 >= 0xAC && c1 <= 0xDF) {  // ｬ to ﾟ
        request = true;
    } else {
        request = c2 == c1 ? tripled : true;
    }
    romajiPending = !request;
    return request;
}

// The reading of a composition the input method committed as something else than its last pre-edit: romaji
// still pending at the pre-edit's end was finished by the commit, a lone "n" as ん and any other letters as
// nothing, so no Latin letter of unfinished romaji stays in the reading.
QString finishedReading(const QString &preedit)
{
    const auto latin = [](QChar c) {
        const char16_t u = c.unicode() >= 0xFF21 && c.unicode() <= 0xFF5A ? c.unicode() - 0xFEE0 : c.unicode();
        return u < 0x80 && isLatinLetter(uchar(u));
    };
    qsizetype end = preedit.size();
    while (end > 0 && latin(preedit[end - 1]))
        --end;
    const QString pending = preedit.mid(end);
    QString reading = preedit.left(end);
    if (!reading.isEmpty() && pending.size() == 1 && QStringLiteral("nNｎＮ").contains(pending[0]))
        reading += u'ん';
    return reading;
}

// The Windows virtual-key codes the owners expect, for the keys they may take during a composition.
quint32 virtualKey(int qtKey)
{
    static constexpr std::pair<int, quint32> Keys[] = {
        {Qt::Key_Return, 0x0D}, {Qt::Key_Enter, 0x0D}, {Qt::Key_PageUp, 0x21}, {Qt::Key_PageDown, 0x22},
        {Qt::Key_Left, 0x25},   {Qt::Key_Up, 0x26},    {Qt::Key_Right, 0x27},  {Qt::Key_Down, 0x28},
    };
    for (const auto &[key, code] : Keys) {
        if (key == qtKey)
            return code;
    }
    return 0;
}

// The blank an input method commits for the Space key.
bool isBlankText(const QString &text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c == u' ' || c == u'\u3000'; });
}

}  // namespace

int SelStartOf(const QLineEdit &edit) { return edit.hasSelectedText() ? edit.selectionStart() : edit.cursorPosition(); }

TNameInputWatcher::TNameInputWatcher(QWidget *control, const TRules &rules)
    : QObject(control), control_(control), rules_(rules)
{
}

QLineEdit *TNameInputWatcher::Edit() const
{
    if (auto *box = qobject_cast<QComboBox *>(control_))
        return box->lineEdit();
    return static_cast<QLineEdit *>(control_);
}

void TNameInputWatcher::SetAssociate(QLineEdit *partner)
{
    if (partner == control_ || (partner && partner == Edit()))
        return;
    partner_ = partner;
}

void TNameInputWatcher::Enter()
{
    QLineEdit *edit = Edit();
    if (!edit)
        return;
    // The control receives the input method's events and keys; its inner edit receives the posted request.
    control_->installEventFilter(this);
    edit->installEventFilter(this);
}

void TNameInputWatcher::Exit()
{
    QLineEdit *edit = Edit();
    if (!edit)
        return;
    listAfterCommit_ = false;
    emit ConvertNeed(control_, nameKind_, false, QByteArray());
    CancelComposition();
    control_->removeEventFilter(this);
    edit->removeEventFilter(this);
}

void TNameInputWatcher::Change()
{
    // Clearing a name clears its reading.
    const QLineEdit *edit = Edit();
    if (edit && edit->text().isEmpty() && inputType_ == itKanji && partner_)
        partner_->setText(QString());
}

void TNameInputWatcher::Destroying()
{
    // The control's base classes still send it events as they end (the focus leaving it), when it is no longer
    // the edit or box this watcher reads: it takes none of them.
    if (QLineEdit *edit = Edit())
        edit->removeEventFilter(this);
    control_->removeEventFilter(this);
    emit ConvertNeed(control_, nameKind_, false, QByteArray());
}

void TNameInputWatcher::CancelComposition()
{
    QLineEdit *edit = Edit();
    if (!edit || compositionEnded_)
        return;
    if (control_->hasFocus())
        QGuiApplication::inputMethod()->reset();
    // The edit keeps its own copy of the pre-edit; an empty one drops it without inserting anything, and it
    // is not a composition message of ours.
    const QScopedValueRollback guard(cancelling_, true);
    QInputMethodEvent drop;
    QCoreApplication::sendEvent(control_, &drop);
    compositionEnded_ = true;
}

bool TNameInputWatcher::eventFilter(QObject *watched, QEvent *event)
{
    QLineEdit *edit = Edit();
    if (cancelling_ || !edit)
        return false;
    switch (int(event->type())) {
    case QEvent::InputMethod:
        inputMethod(*static_cast<QInputMethodEvent *>(event));
        return false;
    case QEvent::KeyPress:
        return keyDown(*static_cast<QKeyEvent *>(event));
    case WM_NAMEREADING:
        if (watched != edit)
            return false;
        emit ConvertNeed(control_, nameKind_, showCandidates_, reading_);
        return true;
    default:
        return false;
    }
}

// Runs before the edit takes the event, so the text and selection are still those the composition replaces.
void TNameInputWatcher::inputMethod(const QInputMethodEvent &event)
{
    const QString preedit = event.preeditString();
    const QString commit = event.commitString();
    if (!compositionEnded_) {
        if (!commit.isEmpty() || preedit.isEmpty()) {
            const QString reading = commit == lastReading_ ? lastReading_ : finishedReading(lastReading_);
            endComposition(commit.isEmpty() ? QString() : reading, !commit.isEmpty() && commit == reading);
        }
    } else if (!commit.isEmpty() && isBlankText(commit)) {
        dropListAfterCommit();
        passSpace();
    }
    // The owner may have switched the edit off while it was told of the end.
    const QLineEdit *edit = Edit();
    if (preedit.isEmpty() || !edit)
        return;
    // A commit in the same event lands first, in place of the selection.
    if (compositionEnded_)
        startComposition(edit->text().left(SelStartOf(*edit)) + commit);
    composition(event);
}

bool TNameInputWatcher::keyDown(const QKeyEvent &event)
{
    if (compositionEnded_ && !listAfterCommit_)
        return false;
    quint32 key = virtualKey(event.key());
    if (!key) {
        // Typing on after a commit: the list was for the reading just committed.
        static constexpr int Modifiers[] = {Qt::Key_Shift, Qt::Key_Control, Qt::Key_Alt, Qt::Key_Meta};
        if (std::find(std::begin(Modifiers), std::end(Modifiers), event.key()) == std::end(Modifiers))
            dropListAfterCommit();
        return false;
    }
    bool consumed = false;
    emit ConvertKeyDown(control_, key, consumed);
    return consumed;
}

void TNameInputWatcher::startComposition(const QString &textBeforeCaret)
{
    listAfterCommit_ = false;
    nameKind_ = TrimBlanks(textBeforeCaret).isEmpty() ? nkLineage : nkFirst;
    romajiPending_ = false;
    compositionEnded_ = false;
    lastReading_.clear();
}

void TNameInputWatcher::composition(const QInputMethodEvent &event)
{
    const QList<bool> converted = convertedChars(event);
    const bool allInput = !converted.contains(true);
    if (allInput)
        lastReading_ = event.preeditString();
    // An empty reading (a composition converted from its first event on) asks for nothing: the passed
    // Space of the blank rule only happens while no composition runs.
    const qsizetype size = Sjis::encode(lastReading_).size();
    if (size < 1 || size >= rules_.ReadingLimit)
        return;
    showCandidates_ = rules_.ShowWhenAllInput ? allInput : !converted.first();
    reading_ = HalfKanaReading(lastReading_);
    if (readingRequest(reading_, romajiPending_))
        PostMessage(Edit(), WM_NAMEREADING);
}

void TNameInputWatcher::endComposition(const QString &committedReading, bool keepList)
{
    const QLineEdit *edit = Edit();
    const QByteArray committed = HalfKanaReading(committedReading);
    keepList = keepList && edit && committed.size() < rules_.ReadingLimit;
    if (keepList) {
        // Asked before the partner takes the reading, as during the composition.
        showCandidates_ = true;
        reading_ = committed;
        emit ConvertNeed(control_, nameKind_, true, reading_);
        const int at = SelStartOf(*edit);
        textBeforeCommit_ = edit->text().left(at);
        textAfterCommit_ = edit->text().mid(at + edit->selectedText().size());
        partnerBeforeCommit_ = partner_ ? partner_->text() : QString();
    } else {
        emit ConvertNeed(control_, nameKind_, false, QByteArray());
    }
    if (partner_ && inputType_ == itKanji && edit) {
        // The reading field takes single-byte characters only.
        const QByteArray half = HalfKanaReading(committedReading);
        QByteArray singleBytes;
        for (qsizetype i = 0; i < half.size(); ++i) {
            if (Sjis::isLeadByte(uchar(half[i])))
                ++i;
            else
                singleBytes += half[i];
        }
        // A composition over the whole text replaces the name, and so its reading.
        const QString text = edit->text();
        if (text.isEmpty() || text.size() <= edit->selectionLength())
            partner_->setText(QString());
        if (!singleBytes.isEmpty())
            setPartnerText(partner_->text() + Sjis::decode(singleBytes));
    }
    compositionEnded_ = true;
    listAfterCommit_ = keepList;
}

void TNameInputWatcher::dropListAfterCommit()
{
    if (!listAfterCommit_)
        return;
    listAfterCommit_ = false;
    emit ConvertNeed(control_, nameKind_, false, QByteArray());
}

bool TNameInputWatcher::TakeCommittedReading()
{
    QLineEdit *edit = Edit();
    if (!listAfterCommit_ || !edit)
        return false;
    listAfterCommit_ = false;
    const QString text = edit->text();
    const qsizetype length = text.size() - textBeforeCommit_.size() - textAfterCommit_.size();
    if (length < 0 || !text.startsWith(textBeforeCommit_) || !text.endsWith(textAfterCommit_))
        return false;
    edit->setSelection(int(textBeforeCommit_.size()), int(length));
    if (partner_ && inputType_ == itKanji)
        partner_->setText(partnerBeforeCommit_);
    return true;
}

void TNameInputWatcher::passSpace()
{
    if (partner_ && inputType_ == itKanji)
        setPartnerText(partner_->text() + u' ');
}

void TNameInputWatcher::setPartnerText(const QString &text)
{
    // QLineEdit cuts a text to MaxLength characters itself; an 8-bit field counts bytes.
    partner_->setText(rules_.PartnerLimitInBytes ? CopyLeftMbcsW(text, partner_->maxLength()) : text);
}
