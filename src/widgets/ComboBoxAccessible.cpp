#include "widgets/ComboBoxAccessible.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QKeySequence>
#include <QLineEdit>

namespace {

// Qt on Linux gives a combo box its current item as its name and reads the name the program gives it only while
// the box shows no item: a box with no label beside it (the designers' zoom, the filter's item) was read as its
// item alone, "100%". Here the name given is the name and the item is the value, and the box's text as well,
// which is where a screen reader looks for a combo box's item; a box given no name keeps Qt's way (its item as
// its name, its label through the relation). Children, states and actions are Qt's own.
class TComboBoxAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit TComboBoxAccessible(QComboBox *box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

    int childCount() const override { return box()->isEditable() ? 2 : 1; }
    QAccessibleInterface *child(int index) const override
    {
        if (index == 0)
            return QAccessible::queryAccessibleInterface(box()->view());
        if (index == 1 && box()->isEditable())
            return QAccessible::queryAccessibleInterface(box()->lineEdit());
        return nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        if (child->object() == box()->view())
            return 0;
        return box()->isEditable() && child->object() == box()->lineEdit() ? 1 : -1;
    }
    // An editable box passes its focus to its edit, which the bus reads as the box's focused part.
    QAccessibleInterface *focusChild() const override { return box()->isEditable() ? child(1) : nullptr; }

    QString text(QAccessible::Text t) const override
    {
        QString s;
        if (t == QAccessible::Name)
            s = box()->accessibleName();
        if (s.isEmpty() && (t == QAccessible::Name || t == QAccessible::Value))
            s = shown();
        if (t == QAccessible::Accelerator)
            s = QKeySequence(Qt::Key_Down).toString(QKeySequence::NativeText);
        return s.isEmpty() ? QAccessibleWidget::text(t) : s;
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.expandable = true;
        s.expanded = box()->view()->isVisible();
        s.editable = box()->isEditable();
        return s;
    }
    void *interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }
    QString localizedActionDescription(const QString &action) const override
    {
        return actionNames().contains(action) ? QComboBox::tr("Open the combo box selection popup") : QString();
    }
    void doAction(const QString &action) override
    {
        if (!actionNames().contains(action))
            return;
        if (box()->view()->isVisible())
            box()->hidePopup();
        else
            box()->showPopup();
    }
    QStringList keyBindingsForAction(const QString &) const override { return {}; }

    // The item shown, read only: the edit of an editable box takes what is written.
    QString text(int start, int end) const override { return shown().mid(start, end - start); }
    int characterCount() const override { return int(shown().size()); }
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    void selection(int, int *start, int *end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint &) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int *start, int *end) const override
    {
        *start = *end = offset;
        return {};
    }

private:
    QComboBox *box() const { return static_cast<QComboBox *>(object()); }
    QString shown() const { return box()->isEditable() ? box()->lineEdit()->text() : box()->currentText(); }
};

QAccessibleInterface *comboBoxAccessible(const QString &, QObject *object)
{
    auto *box = qobject_cast<QComboBox *>(object);
    return box ? new TComboBoxAccessible(box) : nullptr;
}

}  // namespace

void InstallComboBoxAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(comboBoxAccessible);
        return true;
    }();
    (void)installed;
}
