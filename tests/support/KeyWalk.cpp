#include "KeyWalk.h"

#include <QAbstractButton>
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
    if (!head)
        return round;
    head->setFocus(Qt::TabFocusReason);
    QWidget *at = QApplication::focusWidget();
    for (int step = 0; at && step < 300; ++step) {
        if (round.contains(at))
            break;
        round << at;
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
    for (qsizetype i = 1; i < round.size(); ++i) {
        const QRect a = placeIn(round[i - 1], window), b = placeIn(round[i], window);
        const bool sameColumn = b.left() < a.right() && b.right() > a.left();
        const bool sameRow = b.top() < a.bottom() && b.bottom() > a.top();
        const char *fault = b.bottom() < a.top() && sameColumn ? "back up to"
                            : sameRow && b.right() < a.left()  ? "back left to"
                                                               : nullptr;
        if (fault)
            faults << controlName(round[i - 1]) + u' ' + QLatin1String(fault) + u' ' + controlName(round[i]);
    }
    return faults;
}

}  // namespace test
