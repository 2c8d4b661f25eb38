// Controls made under the name they are known by, which tests, screenshots and the accessibility bus find them by.
#pragma once

#include <QLatin1String>
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
