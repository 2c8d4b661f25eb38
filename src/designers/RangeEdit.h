// A number edit with its up-down arrows, kept within a range: the arrows step by one, Page Up and Page Down
// by ten, Up and Down by one, and a typed number is taken when the entry ends (Enter, leaving the edit, a text
// a screen reader sets); a text that is no non-negative number shows the value again. The object settings dialogs' ratio, width, angle and size.
#pragma once

#include <QObject>

#include <functional>

class QLabel;
class QLineEdit;
class QWidget;
class TUpDown;

class TRangeEdit : public QObject {
public:
    // The edit and the arrows are made in parent under their names; maxChars limits the edit.
    TRangeEdit(QWidget *parent, const char *editName, const char *upDownName, int low, int high, int maxChars);

    // The label shown beside the edit names it, and its arrows after it.
    void SetLabel(QLabel *label);

    // Called with the new value whenever the user changes it (not by SetPosition).
    std::function<void(int)> OnChange;

    int Position() const { return position_; }
    // Kept within the range; the edit shows the result.
    void SetPosition(int value);

    QLineEdit *Edit = nullptr;
    TUpDown *UpDown = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void step(int delta);
    // The edit's text taken as the value when it is a non-negative number, else shown again.
    void leave();

    int low_, high_, position_;
};
