// A modal dialog or box that no test answers: the test that left it fails, naming it, and it is closed so the
// run goes on rather than waiting for its time limit.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <chrono>

class QWidget;

namespace test {

// How long a modal dialog or box may wait for an answer. Only time the program spends waiting counts, not time it
// spends working while the dialog is open, so a test that answers through a timer or handler stays far below this
// on a busy machine as well.
inline constexpr std::chrono::milliseconds kUnansweredDialogBound{15000};

// Watches the modal dialog on top while this object lives (the shared test main keeps one over the whole run,
// with kUnansweredDialogBound): once its event loop has waited bound in all for an input that did not come, the
// current test fails naming the dialog (class, object name, window title, text) and the dialog is closed as
// rejected. Lives on the thread of the application's widgets.
class UnansweredDialogWatch : public QObject {
public:
    explicit UnansweredDialogWatch(std::chrono::milliseconds bound);
    ~UnansweredDialogWatch() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void check();

    std::chrono::milliseconds bound_;
    QTimer tick_;
    QElapsedTimer blockedSince_;
    QPointer<QWidget> blockedUnder_;
    QPointer<QWidget> watched_;
    qint64 waitedMs_ = 0;
};

// Held by a test that keeps a modal dialog open on purpose for longer than the bound while its loop waits (a
// dialog it looks at over several steps, one a job works under): no dialog is failed or closed while one lives.
class DialogMayStayOpen {
public:
    DialogMayStayOpen();
    ~DialogMayStayOpen();
    DialogMayStayOpen(const DialogMayStayOpen &) = delete;
    DialogMayStayOpen &operator=(const DialogMayStayOpen &) = delete;
};

}  // namespace test
