#include "widgets/WindowRole.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>

namespace {

// Qt describes a bare QWidget as a client area whether or not it is a window of its own, which the bus reads
// as a "filler" that screen readers do not announce as a window. Dialogs and main windows, answered by Qt
// for their own classes first, never reach here.
QAccessibleInterface *plainWindowInterface(const QString &className, QObject *object)
{
    if (className != QLatin1String("QWidget") || !object || !object->isWidgetType())
        return nullptr;
    auto *widget = static_cast<QWidget *>(object);
    if (widget->windowType() != Qt::Window)
        return nullptr;
    return new QAccessibleWidget(widget, QAccessible::Window);
}

}  // namespace

void UseWindowRoleForPlainWindows()
{
    static const bool installed = [] {
        QAccessible::installFactory(plainWindowInterface);
        return true;
    }();
    (void)installed;
}
