// TShiftJisValidator: keeps an edit to what a Shift-JIS field can hold, refusing as it is typed any character
// without a Shift-JIS form and any text longer than the field's bytes.
#pragma once

#include <QValidator>

class TShiftJisValidator : public QValidator {
public:
    // maxBytes 0: no byte limit, only the characters are checked.
    explicit TShiftJisValidator(int maxBytes, QObject *parent = nullptr);

    int MaxBytes() const { return maxBytes_; }
    void SetMaxBytes(int maxBytes) { maxBytes_ = maxBytes; }

    State validate(QString &input, int &position) const override;

private:
    int maxBytes_;
};
