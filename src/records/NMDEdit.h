// The 8-bit Japanese name edit and combo box: Shift-JIS text, with the name-reading behaviour of
// TNameInputWatcher.
#pragma once

#include "records/NameInputWatcher.h"

#include <QComboBox>
#include <QLineEdit>

// Signals of all three name edits (the Unicode one included):
// - OnConvertNeed: the owner shows (Show) or hides its list of written forms for the reading Value (half-width
//   katakana, Shift-JIS) of a family or given name (Kind). It is raised from the destructor too, so a receiver
//   that dies before its edits disconnects first.
// - OnConvertKeyDown: during a composition, the owner may take the Enter, page and arrow keys (Key: the Windows
//   virtual-key code) by setting Result; a taken key does not reach the edit. Connect directly (the arguments
//   are references).

class TNMDEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TNMDEdit(QWidget *parent = nullptr);
    ~TNMDEdit() override;

    QByteArray GetText() const;
    void SetText(const QByteArray &text);

    TInputKind InputType() const { return watcher_->InputType(); }
    void SetInputType(TInputKind kind) { watcher_->SetInputType(kind); }
    // The partner edit (not owned); empty again when the partner is deleted.
    QLineEdit *Associate() const { return watcher_->Associate(); }
    void SetAssociate(QLineEdit *partner) { watcher_->SetAssociate(partner); }
    // Caret and selection in bytes of the Shift-JIS text.
    int XPSelStart() const;
    void SetXPSelStart(int bytes);
    int XPSelLength() const;
    void SetXPSelLength(int bytes);

signals:
    void OnConvertNeed(QObject *Sender, TNameDicKind Kind, bool Show, const QByteArray &Value);
    void OnConvertKeyDown(QObject *Sender, quint32 &Key, bool &Result);

protected:
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    TNameInputWatcher *watcher_;
};

// Editable on creation; while it is not editable it behaves as a plain combo box.
class TNMDComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TNMDComboBox(QWidget *parent = nullptr);
    ~TNMDComboBox() override;

    QByteArray GetText() const;
    void SetText(const QByteArray &text);

    TInputKind InputType() const { return watcher_->InputType(); }
    void SetInputType(TInputKind kind) { watcher_->SetInputType(kind); }
    QLineEdit *Associate() const { return watcher_->Associate(); }
    void SetAssociate(QLineEdit *partner) { watcher_->SetAssociate(partner); }
    // Caret and selection of the edit part in bytes; 0 while not editable.
    int XPSelStart() const;
    void SetXPSelStart(int bytes);
    int XPSelLength() const;
    void SetXPSelLength(int bytes);

signals:
    void OnConvertNeed(QObject *Sender, TNameDicKind Kind, bool Show, const QByteArray &Value);
    void OnConvertKeyDown(QObject *Sender, quint32 &Key, bool &Result);

protected:
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    TNameInputWatcher *watcher_;
};
