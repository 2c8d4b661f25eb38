#include "platform/Forms.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QProxyStyle>
#include <QEventLoop>
#include <QPointer>
#include <QWidget>
#include <QWindow>

namespace {

class CloseWatcher : public QObject {
public:
    explicit CloseWatcher(QEventLoop &loop) : loop_(loop) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Hide && static_cast<QWidget *>(watched)->isHidden())
            loop_.quit();
        return false;
    }

private:
    QEventLoop &loop_;
};

}  // namespace

int ShowModal(QWidget *form)
{
    QEventLoop loop;
    CloseWatcher watcher(loop);
    QPointer<QWidget> guard(form);
    form->installEventFilter(&watcher);
    QObject::connect(form, &QObject::destroyed, &loop, &QEventLoop::quit);
    form->show();
    loop.exec(QEventLoop::DialogExec);
    if (!guard)
        return mrCancel;
    form->removeEventFilter(&watcher);
    const QVariant result = form->property("ModalResult");
    return result.isValid() && result.toInt() != mrNone ? result.toInt() : mrCancel;
}

namespace {

class THintStyle : public QProxyStyle {
public:
    THintStyle(int pause, int shortPause) : pause_(pause), shortPause_(shortPause) {}
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == SH_ToolTip_WakeUpDelay)
            return pause_;
        if (hint == SH_ToolTip_FallAsleepDelay)
            return shortPause_;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }

private:
    int pause_, shortPause_;
};

}  // namespace

void SetHintPauses(int pauseMs, int shortPauseMs)
{
    QApplication::setStyle(new THintStyle(pauseMs, shortPauseMs));
}

namespace {

// The window's command in progress, a child of the window; it holds back the window's
// closes while the command runs.
class TCommandGate : public QObject {
public:
    explicit TCommandGate(QWidget *window) : QObject(window) { window->installEventFilter(this); }

    static TCommandGate *of(QWidget *window)
    {
        for (QObject *child : window->children())
            if (auto *gate = dynamic_cast<TCommandGate *>(child))
                return gate;
        return new TCommandGate(window);
    }

    bool running = false;
    bool closeHeld = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != parent() || event->type() != QEvent::Close || !running)
            return false;
        closeHeld = true;
        event->ignore();
        return true;
    }
};

}  // namespace

TWindowCommand::TWindowCommand(QWidget *window) : window_(window)
{
    if (!window) {
        entered_ = true;
        return;
    }
    TCommandGate *gate = TCommandGate::of(window);
    if (gate->running)
        return;
    gate->running = true;
    gate->closeHeld = false;
    entered_ = true;
}

TWindowCommand::~TWindowCommand()
{
    if (!entered_ || !window_)
        return;
    TCommandGate *gate = TCommandGate::of(window_);
    gate->running = false;
    if (gate->closeHeld && window_->isVisible())
        window_->close();
}

bool TWindowCommand::CloseAsked() const
{
    if (!window_)
        return false;
    const TCommandGate *gate = TCommandGate::of(window_);
    return gate->running && gate->closeHeld;
}

void TWindowCommand::ForgetClose()
{
    if (window_)
        TCommandGate::of(window_)->closeHeld = false;
}

int ExecDialog(QDialog &dialog)
{
    QWidget *window = dialog.parentWidget() ? dialog.parentWidget()->window() : nullptr;
    const bool shown = window && window->isVisible();
    int result = QDialog::Rejected;
    {
        const TWindowCommand command(window);
        if (!command)
            return QDialog::Rejected;
        result = dialog.exec();
    }
    // A close asked while the dialog was open has been carried out now.
    return shown && !window->isVisible() ? int(QDialog::Rejected) : result;
}

namespace {

// Turns away the closes of a window whose close is under way. Qt sends a widget that is closing no second
// close event; it reports such a close done to the widget's platform window, which is then destroyed while
// the widget, still asking, stays: a question answered Cancel would leave a window no one can show or close.
class TCloseUnderWay : public QObject {
protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::Close)
            return false;
        event->ignore();
        return true;
    }
};

}  // namespace

bool AskBeforeClose(QWidget *window, const std::function<bool()> &question)
{
    TCloseUnderWay underWay;
    const QPointer<QWindow> handle = window->windowHandle();
    if (handle)
        handle->installEventFilter(&underWay);
    const bool mayClose = question();
    if (handle)
        handle->removeEventFilter(&underWay);
    return mayClose;
}

bool RunAsCommandOf(QWidget *caller, const std::function<void()> &what)
{
    bool closeAsked = false;
    {
        const TWindowCommand command(caller ? caller->window() : nullptr);
        if (!command)
            return false;
        what();
        closeAsked = command.CloseAsked();
    }
    return !closeAsked;
}
