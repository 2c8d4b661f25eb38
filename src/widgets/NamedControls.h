// Controls made under the name they are known by, which tests, screenshots and the accessibility bus find them by.
#pragma once

#include <QAbstractItemView>
#include <QLabel>
#include <QLatin1String>
#include <QToolBar>
#include <QToolButton>
#include <QWidget>

#include <utility>

// A new T built from args (the parent among them, as T's constructor takes it), named name.
template <class T, class... Args>
T *Named(const char *name, Args &&...args)
{
    auto *control = new T(std::forward<Args>(args)...);
    control->setObjectName(QLatin1String(name));
    return control;
}

// An edit names itself after the label it is the buddy of, but a list, table or tree does not: it takes the
// label's caption as its accessible name as well, so a screen reader says what the list holds.
inline void SetViewLabel(QLabel *label, QAbstractItemView *view)
{
    label->setBuddy(view);
    view->setAccessibleName(QString(label->text()).remove(QLatin1Char('&')));
}

// The button a tool bar shows for the commands a narrow window cuts off carries only an arrow.
inline void NameToolBarExtension(QToolBar *bar)
{
    if (auto *more = bar->findChild<QToolButton *>(QStringLiteral("qt_toolbar_ext_button")))
        more->setAccessibleName(QStringLiteral("その他のコマンド"));
}
