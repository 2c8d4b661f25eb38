#include "records/NMDEdit.h"

#include "base/SjisCodec.h"

#include <algorithm>

namespace {

constexpr TNameInputWatcher::TRules EditRules{
    .ReadingLimit = 30, .ShowWhenAllInput = false, .PartnerLimitInBytes = true};
constexpr TNameInputWatcher::TRules ComboRules{
    .ReadingLimit = 20, .ShowWhenAllInput = false, .PartnerLimitInBytes = true};

// Qt counts positions in UTF-16 characters on every platform, so byte positions are always converted.

int charsToBytes(const QString &text, int start, int count)
{
    return int(Sjis::encode(QStringView(text).mid(start, count)).size());
}

// Characters covered by `length` bytes from character `start`; a lead byte in the last position counts as one
// character.
int bytesToChars(const QString &text, int start, int length)
{
    const QByteArray bytes = Sjis::encode(text);
    const int from = charsToBytes(text, 0, start);
    length = std::min(length, int(bytes.size()) - from);
    if (length < 1)
        return 0;
    int leadBytes = 0;
    for (int i = from; i < from + length - 1; ++i) {
        if (Sjis::isLeadByte(uchar(bytes[i]))) {
            ++leadBytes;
            ++i;
        }
    }
    return length - leadBytes;
}

int xpSelStart(const QLineEdit &edit) { return charsToBytes(edit.text(), 0, SelStartOf(edit)); }

int xpSelLength(const QLineEdit &edit)
{
    return charsToBytes(edit.text(), SelStartOf(edit), int(edit.selectionLength()));
}

void setXPSelStart(QLineEdit &edit, int bytes) { edit.setCursorPosition(bytesToChars(edit.text(), 0, bytes)); }

void setXPSelLength(QLineEdit &edit, int bytes)
{
    const int start = SelStartOf(edit);
    edit.setSelection(start, bytesToChars(edit.text(), start, bytes));
}

}  // namespace

// ---- TNMDEdit ----

TNMDEdit::TNMDEdit(QWidget *parent) : QLineEdit(parent), watcher_(new TNameInputWatcher(this, EditRules))
{
    connect(watcher_, &TNameInputWatcher::ConvertNeed, this, &TNMDEdit::OnConvertNeed);
    connect(watcher_, &TNameInputWatcher::ConvertKeyDown, this, &TNMDEdit::OnConvertKeyDown);
    connect(this, &QLineEdit::textChanged, watcher_, &TNameInputWatcher::Change);
}

TNMDEdit::~TNMDEdit() { watcher_->Destroying(); }

QByteArray TNMDEdit::GetText() const { return Sjis::encode(text()); }

void TNMDEdit::SetText(const QByteArray &text) { setText(Sjis::decode(text)); }

int TNMDEdit::XPSelStart() const { return xpSelStart(*this); }

void TNMDEdit::SetXPSelStart(int bytes) { setXPSelStart(*this, bytes); }

int TNMDEdit::XPSelLength() const { return xpSelLength(*this); }

void TNMDEdit::SetXPSelLength(int bytes) { setXPSelLength(*this, bytes); }

void TNMDEdit::focusInEvent(QFocusEvent *event)
{
    watcher_->Enter();
    QLineEdit::focusInEvent(event);
}

void TNMDEdit::focusOutEvent(QFocusEvent *event)
{
    watcher_->Exit();
    QLineEdit::focusOutEvent(event);
}

// ---- TNMDComboBox ----

TNMDComboBox::TNMDComboBox(QWidget *parent) : QComboBox(parent), watcher_(new TNameInputWatcher(this, ComboRules))
{
    setEditable(true);
    connect(watcher_, &TNameInputWatcher::ConvertNeed, this, &TNMDComboBox::OnConvertNeed);
    connect(watcher_, &TNameInputWatcher::ConvertKeyDown, this, &TNMDComboBox::OnConvertKeyDown);
    connect(this, &QComboBox::editTextChanged, watcher_, &TNameInputWatcher::Change);
}

TNMDComboBox::~TNMDComboBox() { watcher_->Destroying(); }

QByteArray TNMDComboBox::GetText() const { return Sjis::encode(currentText()); }

void TNMDComboBox::SetText(const QByteArray &text) { setCurrentText(Sjis::decode(text)); }

int TNMDComboBox::XPSelStart() const { return lineEdit() ? xpSelStart(*lineEdit()) : 0; }

void TNMDComboBox::SetXPSelStart(int bytes)
{
    if (lineEdit())
        setXPSelStart(*lineEdit(), bytes);
}

int TNMDComboBox::XPSelLength() const { return lineEdit() ? xpSelLength(*lineEdit()) : 0; }

void TNMDComboBox::SetXPSelLength(int bytes)
{
    if (lineEdit())
        setXPSelLength(*lineEdit(), bytes);
}

void TNMDComboBox::focusInEvent(QFocusEvent *event)
{
    watcher_->Enter();
    QComboBox::focusInEvent(event);
}

void TNMDComboBox::focusOutEvent(QFocusEvent *event)
{
    watcher_->Exit();
    QComboBox::focusOutEvent(event);
}
