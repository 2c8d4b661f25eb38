#include "DialogWatch.h"

#include "TestSupport.h"

#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QWidget>

#include <gtest/gtest.h>

namespace test {

namespace {

int stayOpenHolders = 0;

// What a reader of the failure needs to find the dialog in the code: its name, and what it showed the user (a
// box's text, a dialog's labels and buttons).
QString describe(const QWidget &dialog)
{
    QStringList texts;
    for (const QLabel *label : dialog.findChildren<QLabel *>())
        texts << label->text().simplified();
    for (const QAbstractButton *button : dialog.findChildren<QAbstractButton *>())
        texts << button->text().simplified();
    texts.removeAll(QString());
    return QStringLiteral("%1 showing \"%2\"").arg(windowName(dialog), texts.join(QStringLiteral(" | ")));
}

}  // namespace

UnansweredDialogWatch::UnansweredDialogWatch(std::chrono::milliseconds bound) : bound_(bound)
{
    // A loop is about to sleep until its next event: the time until then is time it waits, under the dialog on
    // top now. Work done inside a dialog's loop (a handler the answer ran, a job with its progress) is no wait.
    connect(QAbstractEventDispatcher::instance(thread()), &QAbstractEventDispatcher::aboutToBlock, this, [this] {
        blockedUnder_ = QApplication::activeModalWidget();
        blockedSince_.start();
    });
    qApp->installEventFilter(this);
    connect(&tick_, &QTimer::timeout, this, &UnansweredDialogWatch::check);
    tick_.start(250);
}

UnansweredDialogWatch::~UnansweredDialogWatch() { qApp->removeEventFilter(this); }

bool UnansweredDialogWatch::eventFilter(QObject *, QEvent *)
{
    // The first event after the loop slept ends the wait.
    if (blockedSince_.isValid()) {
        const qint64 waited = blockedSince_.elapsed();
        blockedSince_.invalidate();
        if (!blockedUnder_ || stayOpenHolders > 0) {
            watched_ = nullptr;
            waitedMs_ = 0;
        } else if (blockedUnder_ == watched_) {
            waitedMs_ += waited;
        } else {
            watched_ = blockedUnder_;
            waitedMs_ = waited;
        }
    }
    return false;
}

void UnansweredDialogWatch::check()
{
    QPointer<QWidget> dialog = watched_;
    if (!dialog || waitedMs_ < bound_.count() || dialog != QApplication::activeModalWidget())
        return;
    ADD_FAILURE() << "A modal " << qUtf8Printable(describe(*dialog)) << " waited "
                  << qUtf8Printable(QString::number(waitedMs_ / 1000.0, 'f', 1))
                  << " s for an answer no test gave; it is closed as rejected";
    watched_ = nullptr;
    waitedMs_ = 0;
    if (auto *box = qobject_cast<QDialog *>(dialog))
        box->done(QDialog::Rejected);
    else
        dialog->close();
    if (dialog && dialog->isVisible())
        dialog->hide();
}

DialogMayStayOpen::DialogMayStayOpen() { ++stayOpenHolders; }

DialogMayStayOpen::~DialogMayStayOpen() { --stayOpenHolders; }

}  // namespace test
