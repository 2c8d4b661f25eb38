#include "KeyWalk.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QWidget>

namespace test {

namespace {

QRect placeIn(const QWidget *control, const QWidget *window)
{
    return {control->mapTo(window, QPoint()), control->size()};
}

QWidget *chainHead(QWidget *window)
{
    for (QWidget *w = window->nextInFocusChain(); w && w != window; w = w->nextInFocusChain())
        if ((w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && w->isVisible() && w->isEnabled() && !w->focusProxy()
            && w->window() == window)
            return w;
    return nullptr;
}

}  // namespace

QString controlName(const QWidget *control)
{
    if (!control)
        return QStringLiteral("(none)");
    if (!control->objectName().isEmpty())
        return control->objectName();
    QString text;
    if (auto *button = qobject_cast<const QAbstractButton *>(control))
        text = button->text();
    return QString::fromLatin1(control->metaObject()->className()) + QStringLiteral(" \"") + text + u'"';
}

QList<QWidget *> tabRound(QWidget *window)
{
    QList<QWidget *> round;
    QWidget *head = chainHead(window);
    window->activateWindow();
    if (!head || !QTest::qWaitFor([window] { return QApplication::activeWindow() == window; }))
        return round;
    head->setFocus(Qt::TabFocusReason);
    QWidget *at = QApplication::focusWidget();
    // A round ends back where it began, or where the focus leaves the window.
    for (int step = 0; at && at->window() == window && step < 300; ++step) {
        if (round.contains(at))
            break;
        round << at;
        QTest::keyClick(at, Qt::Key_Tab);
        // A date's Tab goes through its year, month and day before it leaves.
        for (int section = 0; section < 4 && QApplication::focusWidget() == at && qobject_cast<QAbstractSpinBox *>(at);
             ++section)
            QTest::keyClick(at, Qt::Key_Tab);
        if (QApplication::focusWidget() == at)
            QTest::keyClick(at, Qt::Key_Tab, Qt::ControlModifier);
        at = QApplication::focusWidget();
    }
    return round;
}

QStringList readingOrderFaults(const QList<QWidget *> &round, QWidget *window)
{
    QStringList faults;
    bool closed = false;
    for (qsizetype i = 1; i <= round.size() && round.size() > 1; ++i) {
        QWidget *from = round[i - 1], *to = round[i % round.size()];
        const QRect a = placeIn(from, window), b = placeIn(to, window);
        const bool backUp = b.bottom() < a.top() && b.left() < a.right() && b.right() > a.left();
        const bool backLeft = b.top() < a.bottom() && b.bottom() > a.top() && b.right() < a.left();
        // One step back up, from the window's end to its start, closes the round wherever it began; in a window
        // of one row the round closes back left.
        if ((backUp || (backLeft && i == round.size())) && !closed) {
            closed = true;
            continue;
        }
        if (backUp || backLeft)
            faults << controlName(from) + (backUp ? QStringLiteral(" back up to ") : QStringLiteral(" back left to "))
                          + controlName(to);
    }
    return faults;
}

}  // namespace test
