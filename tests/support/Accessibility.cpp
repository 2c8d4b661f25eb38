#include "Accessibility.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAction>
#include <QClipboard>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>
#include <QToolBar>
#include <QToolTip>
#include <QValidator>

#include <cxxabi.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <tuple>
#include <typeindex>
#include <typeinfo>
#include <unordered_set>

namespace test {
namespace {

bool isStandardControl(const QWidget *w)
{
    if (qobject_cast<const QHeaderView *>(w) || qobject_cast<const QScrollBar *>(w))
        return false;
    return qobject_cast<const QAbstractButton *>(w) || qobject_cast<const QLineEdit *>(w) ||
           qobject_cast<const QTextEdit *>(w) || qobject_cast<const QPlainTextEdit *>(w) ||
           qobject_cast<const QComboBox *>(w) || qobject_cast<const QAbstractSpinBox *>(w) ||
           qobject_cast<const QAbstractItemView *>(w) || qobject_cast<const QTabBar *>(w) ||
           qobject_cast<const QAbstractSlider *>(w);
}

// Qt's containers take the focus too (a scroll area does), but a user reaches the controls in them, not them.
bool isPlainContainer(const QWidget *w)
{
    static const std::unordered_set<std::type_index> containers = {
        typeid(QWidget),     typeid(QFrame),         typeid(QScrollArea), typeid(QAbstractScrollArea),
        typeid(QDialog),     typeid(QMainWindow),    typeid(QSplitter),   typeid(QStackedWidget),
        typeid(QTabWidget),  typeid(QMenuBar),      typeid(QMenu)};
    return containers.count(typeid(*w)) > 0;
}

// A control, or one of the program's own widgets that takes the keyboard focus (a painted view).
bool isControl(const QWidget *w)
{
    if (isStandardControl(w))
        return true;
    return (w->focusPolicy() & Qt::TabFocus) && !isPlainContainer(w);
}

// Shown with its tool bar: a tool bar keeps the widgets of its actions hidden until it is first laid out, so
// the action says; a widget of the bar's own (the arrow for the commands a narrow window cuts off) says itself.
bool shownInToolBar(const QWidget *w, const QToolBar *bar)
{
    const QList<QAction *> actions = bar->actions();
    const auto action = std::find_if(actions.begin(), actions.end(),
                                     [&](QAction *a) { return bar->widgetForAction(a) == w; });
    return action == actions.end() ? !w->isHidden() : (*action)->isVisible();
}

// Hidden by the program, as against lying on a page of a stack that is not the current one or waiting for its
// tool bar's first layout.
bool hiddenWithin(const QWidget *w, const QWidget *window)
{
    for (; w && w != window; w = w->parentWidget()) {
        if (auto *bar = qobject_cast<QToolBar *>(w->parentWidget())) {
            if (!shownInToolBar(w, bar))
                return true;
            continue;
        }
        if (w->isHidden() && !qobject_cast<QStackedWidget *>(w->parentWidget()))
            return true;
    }
    return false;
}

// Inside another control: a spin box's edit, a combo box's list, an item view's cell editor.
bool partOfControl(const QWidget *w, const QWidget *window)
{
    for (QWidget *p = w->parentWidget(); p && p != window; p = p->parentWidget()) {
        if (isControl(p))
            return true;
    }
    return false;
}

std::string className(const QObject *o)
{
    int status = 0;
    std::unique_ptr<char, void (*)(void *)> demangled(
        abi::__cxa_demangle(typeid(*o).name(), nullptr, nullptr, &status), std::free);
    return status == 0 ? demangled.get() : typeid(*o).name();
}

std::string describe(const QObject *o)
{
    QString where;
    for (QObject *p = o->parent(); p && where.isEmpty(); p = p->parent())
        where = p->objectName();
    return className(o) + " '" + o->objectName().toStdString() + "' in '" + where.toStdString() + "'";
}

// A caption as a screen reader says it: without its mnemonic, "(&N)" or "&".
QString spoken(QString caption)
{
    static const QRegularExpression mnemonic(QStringLiteral("\\(&.\\)$"));
    return caption.remove(mnemonic).remove(QLatin1Char('&')).trimmed();
}

// A label beside w whose buddy it is: the only label Qt reads as w's name or relates to it on the bus.
bool hasBuddyLabel(const QWidget *w)
{
    const QWidget *parent = w->parentWidget();
    if (!parent)
        return false;
    for (const QObject *o : parent->children())
        if (auto *label = qobject_cast<const QLabel *>(o); label && label->buddy() == w)
            return true;
    return false;
}

// Why a screen reader cannot tell the control by its name: empty when it has none, nothing when it can be told.
// A control nothing names takes the title of the group box it lies in, which its neighbours in the group take as
// well; a combo box nothing names is read by its current item (Qt on Linux gives it that as its name, and a screen
// reader leaves out the group's title as the name of an ancestor); a name of digits alone, or a tick's (a check
// box's, a toggle button's) of one character ("１", "本"), means nothing without the caption before it.
std::optional<std::string> whyUnnamed(QWidget *w)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(w);
    const QString name = iface ? spoken(iface->text(QAccessible::Name)) : QString();
    if (!iface || (name.isEmpty() && !(qobject_cast<QComboBox *>(w) && hasBuddyLabel(w))))
        return std::string();
    const bool namedByProgram = !w->accessibleName().trimmed().isEmpty() || hasBuddyLabel(w);
    if (qobject_cast<QComboBox *>(w)) {
        if (namedByProgram)
            return std::nullopt;
        return "named by its current item '" + name.toStdString() + "'";
    }
    auto *box = qobject_cast<QGroupBox *>(w->parentWidget());
    auto *button = qobject_cast<QAbstractButton *>(w);
    if (!namedByProgram && box && name == spoken(box->title()) && !(button && !spoken(button->text()).isEmpty()))
        return "named by its group '" + name.toStdString() + "'";
    static const QRegularExpression digits(QStringLiteral("^\\d+$"), QRegularExpression::UseUnicodePropertiesOption);
    const bool tick = button && button->isCheckable() && !qobject_cast<QRadioButton *>(button);
    if (digits.match(name).hasMatch() || (tick && name.size() == 1))
        return "named '" + name.toStdString() + "' alone";
    return std::nullopt;
}

// The visible entries of a menu or menu bar, as the accessibility bus lists them.
void collectUnnamedActions(QWidget *menu, std::vector<std::string> &unnamed)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(menu);
    if (!iface)
        return;
    for (int i = 0; i < iface->childCount(); ++i) {
        QAccessibleInterface *item = iface->child(i);
        if (!item || item->role() == QAccessible::Separator)
            continue;
        auto *action = qobject_cast<QAction *>(item->object());
        if (action && (!action->isVisible() || action->isSeparator()))
            continue;
        if (item->text(QAccessible::Name).trimmed().isEmpty())
            unnamed.push_back(describe(action ? static_cast<QObject *>(action) : menu));
    }
}

// The page of a tab or stack the control lies on (the window when none): what the user sees at once.
const QWidget *pageOf(const QWidget *w, const QWidget *window)
{
    for (; w && w != window; w = w->parentWidget())
        if (qobject_cast<QStackedWidget *>(w->parentWidget()))
            return w;
    return window;
}

}  // namespace

std::vector<std::string> unnamedControls(QWidget *window)
{
    std::vector<std::string> unnamed;
    // A combo box's pop-up list is a window of its own, read through the box.
    if (partOfControl(window, nullptr))
        return unnamed;
    const QList<QWidget *> widgets = window->findChildren<QWidget *>();
    for (QWidget *w : widgets) {
        if (qobject_cast<QMenu *>(w) || qobject_cast<QMenuBar *>(w)) {
            collectUnnamedActions(w, unnamed);
            continue;
        }
        if (w->isWindow() || !isControl(w) || hiddenWithin(w, window) || partOfControl(w, window))
            continue;
        if (const std::optional<std::string> why = whyUnnamed(w))
            unnamed.push_back(describe(w) + (why->empty() ? "" : ": " + *why));
    }
    return unnamed;
}

std::vector<std::string> controlsSharingANameWithAnother(QWidget *window)
{
    std::map<std::tuple<const QWidget *, QString, int, QString>, std::vector<std::string>> byName;
    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (w->isWindow() || !isControl(w) || hiddenWithin(w, window) || partOfControl(w, window))
            continue;
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(w);
        if (!iface)
            continue;
        // A combo box goes by the name given it, else by its label (its buddy before its group's title).
        QString name = iface->text(QAccessible::Name).trimmed();
        if (qobject_cast<QComboBox *>(w)) {
            const auto labels = iface->relations(QAccessible::Label);
            if (!w->accessibleName().isEmpty())
                name = w->accessibleName();
            else if (!labels.isEmpty())
                name = labels.first().first->text(QAccessible::Name).trimmed();
        }
        // The screen reader says the role, and the group a control lies in as the focus enters it.
        QString group;
        for (QWidget *p = w->parentWidget(); p && p != window && group.isEmpty(); p = p->parentWidget())
            if (auto *box = qobject_cast<QGroupBox *>(p))
                group = box->title();
        if (!name.isEmpty())
            byName[{pageOf(w, window), group, int(iface->role()), name}].push_back(describe(w));
    }
    std::vector<std::string> shared;
    for (const auto &[key, controls] : byName)
        if (controls.size() > 1)
            for (const std::string &control : controls)
                shared.push_back("'" + std::get<3>(key).toStdString() + "': " + control);
    return shared;
}

bool toggleOnTheBus(QAbstractButton *button)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(button);
    if (!iface || !iface->actionInterface()
        || !iface->actionInterface()->actionNames().contains(QAccessibleActionInterface::toggleAction()))
        return false;
    iface->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    return true;
}

bool setTextOnTheBus(QWidget *field, const QString &text)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(field);
    if (!iface || !iface->editableTextInterface() || !iface->textInterface())
        return false;
    iface->editableTextInterface()->replaceText(0, iface->textInterface()->characterCount(), text);
    return true;
}

bool pressOnTheBus(QAbstractButton *button)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(button);
    if (!iface || !iface->actionInterface()
        || !iface->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()))
        return false;
    const QPointer<QAbstractButton> pressed(button);
    iface->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    const bool landed = QTest::qWaitFor([&] { return !pressed || !pressed->isDown(); });
    QCoreApplication::processEvents();
    return landed;
}

void forgetToolTip()
{
    QToolTip::hideText();
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *tip = qobject_cast<QLabel *>(w); tip && w->objectName() == QLatin1String("qtooltip_label"))
            tip->clear();
}

std::string overlongInputFault(QLineEdit *edit, const QString &text)
{
    const auto put = [edit, &text](bool overTheBus) {
        edit->clear();
        forgetToolTip();
        if (overTheBus)
            return setTextOnTheBus(edit, text);
        QApplication::clipboard()->setText(text);
        edit->paste();
        return true;
    };
    std::string fault;
    for (const bool overTheBus : {false, true}) {
        const std::string way = overTheBus ? "set over the bus: " : "pasted: ";
        if (!put(overTheBus)) {
            fault += way + "no editable text interface; ";
            continue;
        }
        QString kept = edit->text();
        int caret = int(kept.size());
        const bool fits = !edit->validator()
                          || (edit->validator()->validate(kept, caret) == QValidator::Acceptable && kept == edit->text());
        if (edit->text().isEmpty() || !fits)
            fault += way + "kept \"" + edit->text().toStdString() + "\"; ";
        if (!QToolTip::text().contains(QStringLiteral("入りきらない")))
            fault += way + "no word of the cut (hint \"" + QToolTip::text().toStdString() + "\"); ";
    }
    return fault;
}

}  // namespace test
