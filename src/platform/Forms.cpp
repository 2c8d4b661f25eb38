#include "platform/Forms.h"

#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QWidget>

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
