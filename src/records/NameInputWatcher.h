// The behaviour the Japanese name edits share: reading the input method's compositions, asking the owner for
// name candidates, passing keys to it and filling the partner reading field.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

class QEvent;
class QInputMethodEvent;
class QKeyEvent;
class QLineEdit;
class QWidget;

// Role of an edit in a name/reading pair: itKanji is the written name, whose readings go to the partner.
enum TInputKind : quint8 { itKana = 0, itKanji = 1 };
// The part of a personal name being typed.
enum TNameDicKind : quint8 { nkLineage = 0, nkFirst = 1 };

// Where a selection starts, or the caret when nothing is selected (a QLineEdit's SelStart).
int SelStartOf(const QLineEdit &edit);

// Owned by each name edit and hooked into it while it has the focus.
//
// How the input method is read: Qt hands the control QInputMethodEvents instead of the IME's messages.
// - A composition starts with the first event that carries a pre-edit string while none runs, and ends with
//   the first that carries a commit string or an empty pre-edit (cancelled).
// - A Linux input method keeps Enter and the arrow keys while it composes, and its Enter commits. A reading
//   committed as it was typed (not converted) therefore keeps the owner's list open for it: the owner is
//   offered the Enter, page and arrow keys until the user types on, and a name chosen then takes the place of
//   the committed reading (TakeCommittedReading).
// - The pre-edit string is the reading while it is still typed: kana, the romaji letters not yet turned into
//   kana, and the punctuation kana input produces. A character outside that set, or one the input method
//   highlights (the clause being converted), is converted text. The reading of a converted pre-edit is the last
//   wholly unconverted one, and that is also the reading of the commit that ends the composition.
// - Every pre-edit event is a composition message: the request rule decides whether its reading is stable
//   enough for a look-up (romaji still being typed is not).
// - A blank that the input method commits while no composition runs is the Space key it passed on.
// - Keys that the input method keeps for itself never reach the control on Linux; the owner is offered the
//   Enter, page and arrow keys that do arrive while a composition runs.
// Qt chains event filters by itself, so the hook has no previous handler to call.
// The forms give each edit an input-method mode with SetImeMode; a Linux input method cannot be switched by
// the program, so a hiragana or katakana mode stays a hint and only "disabled" takes effect.
class TNameInputWatcher : public QObject {
    Q_OBJECT
public:
    // What differs between the three edits.
    struct TRules {
        int ReadingLimit;          // a reading of this many Shift-JIS bytes or more is not looked up
        bool ShowWhenAllInput;     // Show needs every character unconverted, not only the first
        bool PartnerLimitInBytes;  // the partner's MaxLength counts Shift-JIS bytes (else characters)
    };

    // control: the name edit (a QLineEdit), or the combo box whose inner edit holds the text.
    TNameInputWatcher(QWidget *control, const TRules &rules);

    TInputKind InputType() const { return inputType_; }
    void SetInputType(TInputKind kind) { inputType_ = kind; }
    QLineEdit *Associate() const { return partner_; }
    // The control itself (or its inner edit) is not a partner and is ignored.
    void SetAssociate(QLineEdit *partner);
    // The edit whose text and caret count; null for a combo box that is not editable, which turns the
    // behaviour off.
    QLineEdit *Edit() const;

    // The control's focus-in, focus-out, text-change and destruction steps.
    void Enter();
    void Exit();
    void Change();
    void Destroying();
    // Drops the running composition without committing it.
    void CancelComposition();
    // While the owner's list is open for a reading just committed: selects that reading in the edit and puts
    // back the partner's text from before the commit, so that the name chosen for it replaces both. False
    // (and nothing changed) otherwise.
    bool TakeCommittedReading();

signals:
    void ConvertNeed(QObject *Sender, TNameDicKind Kind, bool Show, const QByteArray &Value);
    void ConvertKeyDown(QObject *Sender, quint32 &Key, bool &Result);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void inputMethod(const QInputMethodEvent &event);
    bool keyDown(const QKeyEvent &event);
    void startComposition(const QString &textBeforeCaret);
    void composition(const QInputMethodEvent &event);
    void endComposition(const QString &committedReading, bool keepList);
    void dropListAfterCommit();
    void passSpace();
    void setPartnerText(const QString &text);

    QWidget *control_;
    const TRules rules_;
    QPointer<QLineEdit> partner_;
    TInputKind inputType_ = itKanji;
    TNameDicKind nameKind_ = nkLineage;
    bool romajiPending_ = false;
    bool showCandidates_ = false;
    QByteArray reading_;         // the last composition reading in half width, sent as Value
    QString lastReading_;        // the last unconverted pre-edit of the running composition
    bool compositionEnded_ = true;
    bool cancelling_ = false;
    // The owner's list stays open for the reading just committed; the edit's text around that reading and
    // the partner's text before it.
    bool listAfterCommit_ = false;
    QString textBeforeCommit_;
    QString textAfterCommit_;
    QString partnerBeforeCommit_;
};
