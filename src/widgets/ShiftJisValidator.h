// TShiftJisValidator: keeps an edit to what a Shift-JIS field can hold, refusing as it is typed any character
// without a Shift-JIS form and any text longer than the field's bytes. A refused character is shown to the
// user beside the edit, with a beep, so nothing the user typed disappears unnoticed.
#pragma once

#include <QValidator>

class QPlainTextEdit;

class TShiftJisValidator : public QValidator {
public:
    // maxBytes 0: no byte limit, only the characters are checked.
    explicit TShiftJisValidator(int maxBytes, QObject *parent = nullptr);

    int MaxBytes() const { return maxBytes_; }
    void SetMaxBytes(int maxBytes) { maxBytes_ = maxBytes; }
    // A number field (telephone, fax, mobile, postal code): full-width digits and dashes become half-width as
    // they arrive, typed or committed by the input method, since the input method cannot be switched off here.
    void SetNumberField(bool on) { numberField_ = on; }

    State validate(QString &input, int &position) const override;

private:
    int maxBytes_;
    bool numberField_ = false;
};

// The same refusal for a multi-line edit, which takes no validator: characters without a Shift-JIS form are
// taken out again as they arrive, and shown as refused.
void LimitToShiftJis(QPlainTextEdit *edit);
