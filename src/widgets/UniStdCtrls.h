// The Unicode edit box and combo box the forms are built from: thin layers over Qt's controls, which are
// Unicode throughout, keeping the operations and hooks the program's forms rely on.
#pragma once

#include <QComboBox>
#include <QLineEdit>

// Input-method modes, numbered as the settings files store them.
enum TImeMode : int {
    imDisable = 0,
    imClose = 1,
    imOpen = 2,
    imDontCare = 3,
    imSAlpha = 4,
    imAlpha = 5,
    imHira = 6,
    imSKata = 7,
    imKata = 8,
};

// Applies an input-method mode to a control. Linux input methods cannot be switched by the program, so
// only "disabled" and "closed" are enforced; the other modes are kept as the control's "ImeMode" property for the
// input method to read as a hint. A control cannot leave the input method closed for the user to open, so the
// input method engages in neither a disabled nor a closed control, which ask for Latin input: every focus starts
// with it off, and typing gives the keys' own letters. Such a line edit, and an editable combo box whose edit keeps
// Shift-JIS, makes what arrives full width half-width all the same (KeepHalfWidth: call this after setting the
// edit's validator); another mode given later takes that back.
void SetImeMode(QWidget *control, TImeMode mode);
TImeMode GetImeMode(const QWidget *control);

class TUniEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TUniEdit(QWidget *parent = nullptr);

    QString GetText() const { return text(); }
    void SetText(const QString &value) { setText(value); }
    int SelStart() const;
    void SetSelStart(int position);
    int SelLength() const { return selectedText().size(); }
    // 0 means no limit.
    int MaxLength() const;
    void SetMaxLength(int characters);
    void SelectAll() { selectAll(); }

protected:
    // Hooks that derived edits extend; each runs after the control's own handling.
    virtual void Change() {}
    virtual void DoEnter() {}
    virtual void DoExit() {}

    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
};

class TUniComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TUniComboBox(QWidget *parent = nullptr);

    void Clear() { clear(); }
    int AddObject(const QString &text, int number);
    void InsertObject(int position, const QString &text, int number);
    void Delete(int index) { removeItem(index); }
    QString ItemText(int index) const { return itemText(index); }
    void SetItemText(int index, const QString &text) { setItemText(index, text); }
    int ItemObject(int index) const;
    int ItemIndex() const { return currentIndex(); }
    void SetItemIndex(int index) { setCurrentIndex(index); }
    QString Text() const { return currentText(); }
};

// Cuts owner off from the signals of the controls on it, first thing in the destructor of a window that
// handles the end of an entry: the window is hidden only by QDialog's or QWidget's own destructor, after the
// window's part is gone, and the focus-out that follows ends the focused edit's entry, whose handler would then
// run on what is left of the window.
void DisconnectChildControls(QObject *owner);
