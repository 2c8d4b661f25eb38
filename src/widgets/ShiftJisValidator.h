// TShiftJisValidator: keeps an edit to what its field can hold, refusing as it is typed any character the
// field cannot store and keeping of a paste only what fits. Whatever is refused, cut or stored in another form
// is said beside the edit, so nothing the user typed changes or disappears unnoticed.
#pragma once

#include <QSpinBox>
#include <QValidator>

class QLineEdit;
class QPlainTextEdit;

class TShiftJisValidator : public QValidator {
public:
    // What the field stores: Shift-JIS text of at most `limit` bytes, or (a name field, which keeps any
    // character in its escaped form) at most `limit` UTF-16 units. limit 0: no limit, only the characters are
    // checked.
    enum class TStorage { ShiftJis, AnyCharacter };

    explicit TShiftJisValidator(int maxBytes, QObject *parent = nullptr, TStorage storage = TStorage::ShiftJis);

    int MaxBytes() const { return maxBytes_; }
    void SetMaxBytes(int maxBytes) { maxBytes_ = maxBytes; }
    // A field of single-byte characters (a number, a code): what the input method gives full width becomes
    // half-width as it arrives, since the input method cannot be switched off here.
    void SetHalfWidthField(bool on) { halfWidthField_ = on; }

    State validate(QString &input, int &position) const override;

protected:
    // The size of input as the field stores it.
    virtual qsizetype storedSize(const QString &input) const;

private:
    int maxBytes_;
    bool halfWidthField_ = false;
    TStorage storage_;
};

// Makes every line edit take the text a screen reader sets over the accessibility bus as typed text, so that it
// meets the same limit, check, conversion and hint as keys, the input method and pastes, and ends the entry as
// Enter does (editingFinished); a spin box takes of such a text the number typing could make, held to its
// range, and commits it as Enter does. Called at start, after
// the application object and before any window is made (an edit keeps the interface it was first given); the
// second and later calls do nothing.
void InstallTypedTextAccessibility();

// A field of at most maxBytes single-byte characters (telephone, fax, postal code, customer code, a count or a
// position): full-width letters, digits, signs, spaces and dashes, typed, committed by the input method, pasted or
// set over the accessibility bus, become half-width as they arrive (the input method's full stop "。" the point of
// a decimal number), and what does not fit is cut with a word at the edit.
void MakeHalfWidthField(QLineEdit *edit, int maxBytes);

// The same conversion for an edit that keeps its own limit: its Shift-JIS validator (one without a limit when it
// has none) makes full-width letters, digits and signs half-width as they arrive. on false takes that back.
void KeepHalfWidth(QLineEdit *edit, bool on = true);

// A reading field of at most maxBytes Shift-JIS bytes: kana and full-width forms the user enters become the
// half-width reading the name edits pass on, however they arrive (typed, committed by the input method,
// pasted, set over the accessibility bus), so that the readings sort alike.
void MakeReadingField(QLineEdit *edit, int maxBytes);

// A spin box that takes full-width digits as the half-width fields do, for the input method may be on in it: Qt's
// own check would refuse them without a word.
class TNumberSpinBox : public QSpinBox {
public:
    using QSpinBox::QSpinBox;

protected:
    QValidator::State validate(QString &input, int &position) const override;
};

// A Unicode name edit: any character but control codes, at most `units` UTF-16 units, never a character cut
// in half (Qt's own length limit counts units and would keep half of a pair).
void LimitToWholeCharacters(QLineEdit *edit, int units);

// A field the program keeps in Shift-JIS, of at most maxBytes bytes (0: no limit): a character Shift-JIS lacks is
// refused, one it keeps in another form is put in that form, and what does not fit is cut, each with a word at the
// edit, however it arrives.
void LimitToShiftJis(QLineEdit *edit, int maxBytes);

// The same refusal for a multi-line edit, which takes no validator: characters without a Shift-JIS form and
// control codes other than line breaks and tabs are taken out again as they arrive, and shown as refused.
void LimitToShiftJis(QPlainTextEdit *edit);
