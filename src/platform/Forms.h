// Running a top-level window as a modal form: the caller waits until the window closes.
#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>

class QAbstractButton;
class QDialog;
class QKeyEvent;

// The results a modal form ends with.
inline constexpr int mrNone = 0;
inline constexpr int mrOk = 1;
inline constexpr int mrCancel = 2;

// Shows form and returns when it has been closed, with its "ModalResult" property (mrCancel when unset).
int ShowModal(QWidget *form);

// For a window that is not a dialog: Esc, wherever the focus is in it, presses its closing button — which does
// nothing while the button is disabled, as during a job the window runs. Answers whether the key was Esc.
bool EscPresses(QKeyEvent *event, QAbstractButton *close);

// How long the mouse rests before a hint shows, and how soon the next one shows while hints are up.
void SetHintPauses(int pauseMs, int shortPauseMs);

// One command of a window at a time. A command that asks, or runs any other event loop, still lets a screen
// reader press the window's buttons meanwhile; each command holds a TWindowCommand while it runs, so that a
// second command is refused until the first has returned, and a close asked meanwhile (the command's own
// included) is held back and carried out once the handler that ran it has returned to the event loop: no handler
// runs on a window that was changed, closed or freed under it, and the close asks about the window as the handler
// left it, what its dialogs and boxes were given applied. A close held back for another window's close question
// (the main list closing the windows beside it as the program ends) makes that close wait: it is asked again once
// the held close has closed the window, and dropped when the window stays. A command therefore never calls
// another command's handler itself.
class TWindowCommand {
public:
    // A null window holds nothing and is never refused.
    explicit TWindowCommand(QWidget *window);
    ~TWindowCommand();
    TWindowCommand(const TWindowCommand &) = delete;
    TWindowCommand &operator=(const TWindowCommand &) = delete;

    // False when another command of the window is running; the handler then returns at once.
    explicit operator bool() const { return entered_; }

    // Whether a close of the window asked while a command of it ran waits to be carried out (once the handler
    // has returned).
    bool CloseAsked() const;
    // Drops that close, and the closes that waited for it: the question the command asked has been answered for
    // it, and the window stays.
    void ForgetClose();

private:
    QPointer<QWidget> window_;
    bool entered_ = false;
};

// A long job of a window (an import or export, a backup or restore, a copy, a batch change, a print, a search),
// held from its start to its end. A close of the window asked meanwhile, the main list's end closing the windows
// beside it included, stops the job (as the window's 中止 does, but for what a 中止 keeps of an output cut short:
// no one asked the job for that part) and is held back as a command holds it
// (TWindowCommand): it is carried out once the job has ended and the handler that ran it has returned, and the
// end that waited for it is asked again, so the job has written its output whole or not at all and the end is
// never dropped. A close held back by a window whose modal dialog works (the import under the main list) closes
// that dialog the same way. A close already held when the job starts stops it at once, and so does one held by
// a window the job's modal dialog belongs to (the end asked while the import's question was still open).
class TWindowWork {
public:
    // stop: what a close does to the job: what the window's 中止 does, where that leaves no output cut short (the
    // directory search's file output keeps its lines so far on 中止, and on a close takes them back); it may be
    // called more than once.
    TWindowWork(QWidget *window, std::function<void()> stop);
    ~TWindowWork();
    TWindowWork(const TWindowWork &) = delete;
    TWindowWork &operator=(const TWindowWork &) = delete;

    // Whether a close of the window waits for the job: the user asked for the window to go, so the job says no
    // more than a failure.
    bool CloseAsked() const;

private:
    QPointer<QWidget> window_;
    std::function<void()> stop_;
};

// Held while a window asks (a message box or a dialog of it is open): its buttons and actions do nothing
// meanwhile. A modal box keeps the mouse and keyboard from the window, but not a screen reader, which presses its
// buttons over the accessibility bus; such a press is lost, and a checkable button or action keeps the state it
// had when the question began. Questions of one window may nest; the outermost one holds the window.
class TWindowQuestion {
public:
    // A null window holds nothing.
    explicit TWindowQuestion(QWidget *window);
    ~TWindowQuestion();
    TWindowQuestion(const TWindowQuestion &) = delete;
    TWindowQuestion &operator=(const TWindowQuestion &) = delete;

private:
    QPointer<QWidget> window_;
};

// Marks a window's control that only asks the window to close (the main list's 終了): unlike its other controls
// it works while the window asks, since the close is held back by the question's command and carried out once
// the handler has returned (TWindowCommand); an end asked under a question waits for it rather than being lost.
void CloseControl(QObject *control);

// Runs a dialog modally as a command of the window it belongs to (TWindowCommand): the window takes no other
// command and is not closed while the dialog is open, so a dialog on the handler's stack is never freed with
// its window; a close asked meanwhile waits until the handler has applied the result and returned. The dialog's
// result; QDialog::Rejected when another command of the window was running.
int ExecDialog(QDialog &dialog);

// Runs the question a window asks before it closes (from its closeEvent, whatever the question opens) and
// answers whether the window may close. A close of the window asked meanwhile, by the window manager or a
// screen reader, is part of the close under way: the answer decides it, and the window is neither taken off
// the screen under the question nor asked again. A window the question closes whose command holds the close back
// makes this close wait for it (TWindowCommand), and so does one asking about its own close meanwhile (the main
// list's end pressed under a window's close question): the close is asked again once that window has closed, and
// dropped when it stays.
bool AskBeforeClose(QWidget *window, const std::function<bool()> &question);

// Hands every window manager's close of a window that is no dialog to the window, where Qt would drop it when a
// modal dialog or box blocks the window by the time it is delivered: the close then waits like any other asked
// under a question (its window's command holds it until the dialog's handler has returned; the main list's end
// waits for the windows it closes). Called once at start; does nothing off X11.
void KeepClosesOfBlockedWindows();

// Runs what a handler of caller asks of another window (that window's action, or a service of it that may ask or
// open a dialog) as a command of caller's window as well, since the handler goes on after it: caller takes no
// other command and is not closed meanwhile. False when caller's window was running another command (nothing was
// run), or when a close of it waits (carried out once the handler has returned): the handler then stops.
bool RunAsCommandOf(QWidget *caller, const std::function<void()> &what);
