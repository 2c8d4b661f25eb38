#include "platform/Forms.h"

#include <QAbstractButton>
#include <QAbstractNativeEventFilter>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDialog>
#include <QEvent>
#include <QProxyStyle>
#include <QScopeGuard>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

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

bool EscPresses(QKeyEvent *event, QAbstractButton *close)
{
    if (event->key() != Qt::Key_Escape || event->modifiers() != Qt::NoModifier)
        return false;
    event->accept();
    close->click();
    return true;
}

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

// Whether a button or action is one of window's own: the first widget it lies in, the popup menus it may sit in
// left aside, is window and not a dialog or box of it.
bool ownControlOf(QObject *control, QWidget *window)
{
    for (QObject *o = control; o; o = o->parent())
        if (auto *widget = qobject_cast<QWidget *>(o); widget && !qobject_cast<QMenu *>(widget))
            return widget->window() == window;
    return false;
}

// Marks the controls that only ask their window to close (CloseControl).
constexpr const char *closeControlProperty = "velmoraClosesItsWindow";

// The windows whose close question runs (AskBeforeClose), the innermost last.
std::vector<QPointer<QWidget>> &closesUnderWay()
{
    static std::vector<QPointer<QWidget>> windows;
    return windows;
}

QWidget *closeUnderWay() { return closesUnderWay().empty() ? nullptr : closesUnderWay().back().data(); }

void stopWorkOf(QWidget *window);

// The window's command and jobs in progress, a child of the window; it holds back the window's closes while a
// command or a job runs. While the window asks, it holds the window's buttons and actions.
class TCommandGate : public QObject {
public:
    explicit TCommandGate(QWidget *window) : QObject(window) { window->installEventFilter(this); }

    // The window's gate; null when it has none yet.
    static TCommandGate *find(const QWidget *window)
    {
        for (QObject *child : window->children())
            if (auto *gate = dynamic_cast<TCommandGate *>(child))
                return gate;
        return nullptr;
    }

    static TCommandGate *of(QWidget *window)
    {
        TCommandGate *gate = find(window);
        return gate ? gate : new TCommandGate(window);
    }

    bool running = false;
    // What the 中止 of each job running does (TWindowWork).
    std::vector<const std::function<void()> *> stops;
    bool holds() const { return running || !stops.empty(); }
    // A close asked while a command ran, not yet carried out or dropped.
    bool closeHeld = false;
    // Its carrying out is on its way (THeldClose).
    bool closePosted = false;
    // The windows whose close asked this one's and was refused for it: asked again once this one has closed.
    std::vector<QPointer<QWidget>> waiting;
    // How many questions of the window are open.
    int asking = 0;

    // Their signals blocked, a press emits nothing and runs no handler.
    void holdControls()
    {
        auto *window = static_cast<QWidget *>(parent());
        held_.clear();
        hold<QAbstractButton>(window);
        hold<QAction>(window);
        // A group tells of its buttons' clicks and ticks itself.
        hold<QButtonGroup>(window);
    }

    void releaseControls()
    {
        restoreTicks();
        for (const THeld &h : held_)
            if (h.control)
                h.control->blockSignals(h.wasBlocked);
        held_.clear();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != parent())
            return false;
        // A press still ticks or unticks a checkable control, silently: the tick goes back before it is shown.
        if (event->type() == QEvent::UpdateRequest && asking > 0)
            restoreTicks();
        if (event->type() != QEvent::Close)
            return false;
        if (!holds()) {
            // A close that asks now answers for one held before.
            closeHeld = false;
            return false;
        }
        closeHeld = true;
        // Asked by the question of another window's close (the main list's end closing the windows beside it):
        // that close waits for this one.
        if (QWidget *closing = closeUnderWay(); closing && closing != parent() && !event->spontaneous()
            && std::find(waiting.begin(), waiting.end(), closing) == waiting.end())
            waiting.emplace_back(closing);
        event->ignore();
        stopWorkOf(static_cast<QWidget *>(parent()));
        return true;
    }

private:
    struct THeld {
        QPointer<QObject> control;
        bool wasBlocked;
        std::optional<bool> tick;
    };

    template <typename T>
    void hold(QWidget *window)
    {
        for (T *control : window->findChildren<T *>())
            if (ownControlOf(control, window) && !control->property(closeControlProperty).toBool()) {
                held_.push_back({control, control->signalsBlocked(), tickOf(control)});
                control->blockSignals(true);
            }
    }

    // Whether a checkable control is ticked; nothing for one that is not.
    template <typename T>
    static std::optional<bool> tickOf(const T *control)
    {
        if constexpr (std::is_same_v<T, QButtonGroup>)
            return std::nullopt;
        else
            return control->isCheckable() ? std::optional<bool>(control->isChecked()) : std::nullopt;
    }

    template <typename T>
    static void restoreTick(const THeld &h)
    {
        if (auto *control = qobject_cast<T *>(h.control.data()); control && control->isChecked() != *h.tick)
            control->setChecked(*h.tick);
    }

    void restoreTicks()
    {
        for (const THeld &h : held_)
            if (h.tick) {
                restoreTick<QAbstractButton>(h);
                restoreTick<QAction>(h);
            }
    }

    std::vector<THeld> held_;
};

// Whether dialog is a modal dialog of owner's, or of one of its dialogs, open: owner's command waits for it.
bool modalDialogOf(const QWidget *dialog, const QWidget *owner)
{
    if (dialog == owner || !dialog->isModal() || !dialog->isVisible())
        return false;
    for (const QWidget *w = dialog->parentWidget(); w; w = w->parentWidget())
        if (w->window() == owner)
            return true;
    return false;
}

// A close of window held back: its jobs stop as their 中止 stops them. A modal dialog of it (the import under
// the main list) keeps the window's command until it has closed: one whose job runs is closed too, so that the
// job stops and the close goes on once the dialog has gone.
void stopWorkOf(QWidget *window)
{
    const TCommandGate *gate = TCommandGate::find(window);
    if (gate)
        for (const std::function<void()> *stop : std::vector(gate->stops))
            (*stop)();
    for (QWidget *dialog : QApplication::topLevelWidgets())
        if (const TCommandGate *working = TCommandGate::find(dialog);
            working && !working->stops.empty() && modalDialogOf(dialog, window))
            dialog->close();
}

// Whether a window that dialog is a modal dialog of holds a close back: a job of the dialog starting now is
// stopped as one running when the close came.
bool ownerCloseHeld(const QWidget *dialog)
{
    for (const QWidget *w = dialog->parentWidget(); w; w = w->parentWidget())
        if (const TCommandGate *gate = TCommandGate::find(w->window());
            gate && gate->closeHeld && modalDialogOf(dialog, w->window()))
            return true;
    return false;
}

// Carries out the close a window's commands held back.
void carryOutHeldClose(const QPointer<QWidget> &window)
{
    if (!window)
        return;
    TCommandGate *gate = TCommandGate::of(window);
    gate->closePosted = false;
    // A command or a job running again carries it out when it has returned.
    if (gate->holds())
        return;
    // Not when it was dropped, or answered by a close asked since.
    const bool held = std::exchange(gate->closeHeld, false);
    const std::vector<QPointer<QWidget>> waiting = std::exchange(gate->waiting, {});
    if (held && window->isVisible())
        window->close();
    // The window stays: what waited for its close is dropped.
    if (window && window->isVisible())
        return;
    for (const QPointer<QWidget> &closing : waiting)
        if (closing && closing->isVisible())
            closing->close();
}

// Carries out a window's held close once the handler whose commands held it has returned: Qt deletes an object
// deleted later only when control is back in the event loop that ran the handler, not in a loop the handler
// runs meanwhile (a dialog, a box, a wait), so the handler applies what its dialogs and boxes answered first.
class THeldClose : public QObject {
public:
    explicit THeldClose(QWidget *window) : window_(window) { deleteLater(); }

protected:
    bool event(QEvent *event) override
    {
        if (event->type() == QEvent::DeferredDelete)
            carryOutHeldClose(window_);
        return QObject::event(event);
    }

private:
    QPointer<QWidget> window_;
};

// Carries out what waits for a window's close (its own held close, the closes waiting for it) once the handler
// running now has returned, unless a command or a job of the window still runs: its end does that.
void postHeldClose(QWidget *window)
{
    TCommandGate *gate = TCommandGate::of(window);
    if (gate->holds() || gate->closePosted || (!gate->closeHeld && gate->waiting.empty()))
        return;
    gate->closePosted = true;
    new THeldClose(window);
}

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
    entered_ = true;
}

TWindowCommand::~TWindowCommand()
{
    if (!entered_ || !window_)
        return;
    TCommandGate::of(window_)->running = false;
    postHeldClose(window_);
}

bool TWindowCommand::CloseAsked() const
{
    return window_ && TCommandGate::of(window_)->closeHeld;
}

void TWindowCommand::ForgetClose()
{
    if (!window_)
        return;
    TCommandGate *gate = TCommandGate::of(window_);
    gate->closeHeld = false;
    gate->waiting.clear();
}

TWindowWork::TWindowWork(QWidget *window, std::function<void()> stop) : window_(window), stop_(std::move(stop))
{
    if (!window)
        return;
    TCommandGate *gate = TCommandGate::of(window);
    gate->stops.push_back(&stop_);
    if (gate->closeHeld)
        stop_();
    else if (ownerCloseHeld(window))
        window->close();
}

TWindowWork::~TWindowWork()
{
    TCommandGate *gate = window_ ? TCommandGate::find(window_) : nullptr;
    if (!gate)
        return;
    std::erase(gate->stops, &stop_);
    postHeldClose(window_);
}

bool TWindowWork::CloseAsked() const
{
    const TCommandGate *gate = window_ ? TCommandGate::find(window_) : nullptr;
    return gate && gate->closeHeld;
}

TWindowQuestion::TWindowQuestion(QWidget *window) : window_(window)
{
    if (window && TCommandGate::of(window)->asking++ == 0)
        TCommandGate::of(window)->holdControls();
}

TWindowQuestion::~TWindowQuestion()
{
    if (window_ && --TCommandGate::of(window_)->asking == 0)
        TCommandGate::of(window_)->releaseControls();
}

int ExecDialog(QDialog &dialog)
{
    QWidget *window = dialog.parentWidget() ? dialog.parentWidget()->window() : nullptr;
    const TWindowCommand command(window);
    if (!command)
        return QDialog::Rejected;
    const TWindowQuestion asking(window);
    return dialog.exec();
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

// How many close questions have kept their window open.
unsigned closesRefused = 0;

}  // namespace

bool AskBeforeClose(QWidget *window, const std::function<bool()> &question)
{
    TCloseUnderWay underWay;
    const QPointer<QWindow> handle = window->windowHandle();
    if (handle)
        handle->installEventFilter(&underWay);
    closesUnderWay().emplace_back(window);
    const QPointer<QWidget> guard(window);
    const auto ended = qScopeGuard([&handle, &underWay, &guard] {
        closesUnderWay().pop_back();
        if (handle)
            handle->removeEventFilter(&underWay);
        // The closes that waited for the answer go on once the window has closed, and are dropped when it stays.
        if (guard)
            postHeldClose(guard);
    });
    const unsigned refusedBefore = closesRefused;
    if (question())
        return true;
    // Refused with no window saying so: a window this one closes was asking about its own close (this close was
    // asked under its question), and Qt took the request without a word. This close waits for their answers.
    if (closesRefused == refusedBefore)
        for (const QPointer<QWidget> &asking : closesUnderWay())
            if (asking && asking != window) {
                std::vector<QPointer<QWidget>> &waiting = TCommandGate::of(asking)->waiting;
                if (std::find(waiting.begin(), waiting.end(), window) == waiting.end())
                    waiting.emplace_back(window);
            }
    ++closesRefused;
    return false;
}

bool RunAsCommandOf(QWidget *caller, const std::function<void()> &what)
{
    const TWindowCommand command(caller ? caller->window() : nullptr);
    if (!command)
        return false;
    what();
    return !command.CloseAsked();
}

void CloseControl(QObject *control) { control->setProperty(closeControlProperty, true); }

namespace {

// The window manager asks a window to close with a WM_DELETE_WINDOW message. Qt drops one for a window a modal
// window blocks when it delivers it, which is later than it is read: a close asked just as a dialog's button was
// pressed over the accessibility bus (which presses it a moment later), or just as the dialog went, was lost that
// way, as the blocking seen when the message was read need not be the one met when it is delivered. Every such
// close of a window that is no dialog is posted to the window instead, to be held or asked when it arrives; so is
// one of a dialog whose job runs under its progress box (the batch change), which the close stops as its 中止
// does.
class TBlockedWindowCloses : public QAbstractNativeEventFilter {
public:
    explicit TBlockedWindowCloses(xcb_connection_t *connection)
        : protocols_(atom(connection, "WM_PROTOCOLS")), deleteWindow_(atom(connection, "WM_DELETE_WINDOW"))
    {
    }

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override
    {
        if (eventType != "xcb_generic_event_t"
            || (static_cast<const xcb_generic_event_t *>(message)->response_type & 0x7f) != XCB_CLIENT_MESSAGE)
            return false;
        const auto *client = static_cast<const xcb_client_message_event_t *>(message);
        if (client->format != 32 || client->type != protocols_ || client->data.data32[0] != deleteWindow_)
            return false;
        // Any other dialog keeps Qt's way: it is closed by its own handler, never under a box it waits for.
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            QWindow *window = widget->windowHandle();
            if (!window || !window->handle() || window->winId() != client->window)
                continue;
            const TCommandGate *gate = TCommandGate::find(widget);
            if (window->modality() != Qt::NonModal && !(gate && !gate->stops.empty()))
                return false;
            QCoreApplication::postEvent(window, new QCloseEvent);
            return true;
        }
        return false;
    }

private:
    static xcb_atom_t atom(xcb_connection_t *connection, const char *name)
    {
        xcb_intern_atom_reply_t *reply =
            xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t found = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return found;
    }

    const xcb_atom_t protocols_, deleteWindow_;
};

}  // namespace

void KeepClosesOfBlockedWindows()
{
    // The offscreen platform answers for X11 too, with no connection behind it.
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return;
    static TBlockedWindowCloses filter(x11->connection());
    QCoreApplication::instance()->installNativeEventFilter(&filter);
}
