// Every command of every window either runs something or is disabled: no menu item, tool bar button or push
// button a user can press is left without a handler.
#include "ProductWindows.h"

#include <QAbstractButton>
#include <QActionGroup>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QMenu>
#include <QMetaMethod>
#include <QRadioButton>
#include <QTabBar>
#include <QToolButton>
#include <QWidgetAction>

#include <map>
#include <set>

namespace {

// QObject answers whether a signal has receivers only to itself and its subclasses; a pointer to the member
// taken through a subclass asks any object.
struct SignalProbe : QObject {
    static constexpr auto IsConnected = &SignalProbe::isSignalConnected;
};

template <class T, class Signal> bool connected(const T *sender, Signal signal)
{
    return sender && (sender->*SignalProbe::IsConnected)(QMetaMethod::fromSignal(signal));
}

QString nameOf(const QObject *object)
{
    QString name = object->objectName();
    if (auto *action = qobject_cast<const QAction *>(object); action && name.isEmpty())
        name = action->text();
    if (auto *button = qobject_cast<const QAbstractButton *>(object); button && name.isEmpty())
        name = button->text();
    return name.isEmpty() ? QString::fromLatin1(object->metaObject()->className()) : name;
}

// Checkable entries that are settings, read when the window needs them rather than acted on when pressed.
const std::set<QString> &Settings()
{
    // The designers' start menu is shown or not the next time a designer opens.
    static const std::set<QString> settings = {QStringLiteral("mmiShowMenu")};
    return settings;
}

// The commands each window offers disabled when it opens over a book of one record, by the rule that disables
// them.
// The commands of a new layout that choosing its address (one object, not a free one) enables: the submenus of
// moving and stacking, the font, and moving to the top or bottom.
QStringList AddressChosen(QStringList disabled)
{
    for (const char *enabled : {"actRectPos", "actPaperCenter", "actPaperCenterH", "actPaperCenterV", "actZOrder",
                                "actTop", "actUp", "actBottom", "actDown", "actFont"})
        disabled.removeAll(QLatin1String(enabled));
    return disabled;
}

const std::map<std::string, QStringList> &DisabledAtOpen()
{
    // A designer on a new layout over a main list of one record: nothing focused or selected to copy, delete,
    // set, align or move in the stacking order (the submenus of moving, aligning and stacking with it); nothing
    // to paste, undo or redo; no record before or after the one; no record form to show it in; no recent file.
    const QStringList newLayout = {
        "actAdrsView", "actBottom", "actCopy", "actDelete", "actDown", "actEqualEndsH", "actEqualEndsV",
        "actEqualPaperH", "actEqualPaperV", "actFigureSet", "actFirst", "actFont", "actIllustSet", "actLast",
        "actNext", "actPaperCenter", "actPaperCenterH", "actPaperCenterV", "actPaste", "actPrior", "actQRCodeSet",
        "actRecent", "actRectBottom", "actRectCenter", "actRectCenterH", "actRectCenterV", "actRectHeight",
        "actRectLeft", "actRectPos", "actRectRight", "actRectSize", "actRectTop", "actRectUnite", "actRectWidth",
        "actRedo", "actTop", "actUndo", "actUp", "actWordEdit", "actWordSet", "actZOrder", "pmiIllustDef",
        // The tool bar's buttons of the same commands.
        "やり直し", "元に戻す", "前へ", "最初", "最後", "次へ"};
    // Labels and cards place no sender (the record they show is edited as on a postcard); the letter side prints
    // no address data, and its blocks' part mode and default arrangement wait for a sender block to be chosen.
    const QStringList noSender = {"actSender"};
    const QStringList letter = {"actEditData", "actSender", "actBarcodeSet", "actSenderPartMode", "actDefaultLayout"};
    static const std::map<std::string, QStringList> disabled = {
        // No word searched yet; no filter or duplicate display to suspend or cancel.
        {"MainList", {"actWordNext", "actDisableSearch", "actCancelSearch"}},
        // The only record is first and last; no attached file, no joint name to give an honorific; a browser's
        // address cannot be read on this desktop.
        {"RecordForm",
         {"sbtnFirst", "sbtnPrior", "sbtnNext", "sbtnLast", "bbtnDelExtFile", "bbtnJointHonor", "bbtnGetURL"}},
        // No page of hits before or after, no job to stop; the target and exclusion names belong to a fuzzy
        // search of a name.
        {"NameAdrsSearch", {"bbtnPrior", "bbtnNext", "bbtnStop", "bbtnTargetException"}},
        {"CategorySearch", {"bbtnPrior", "bbtnNext", "bbtnStop"}},
        {"DicSearch", {}},
        {"UniNameDic", {}},
        {"MapView", {}},
        {"NorikaeMain", {}},
        {"ExpertMain", {}},
        {"WebSearch", {}},
        {"QRCodeMap", {}},
        {"LayoutForm", newLayout},
        {"LayoutFormAddressChosen", AddressChosen(newLayout)},
        {"LabelForm", newLayout + noSender},
        {"CardForm", newLayout + noSender},
        {"DesignForm", newLayout + letter},
        // No print running to stop; the preview has one page.
        {"ListPrint", {"btnStop", "sbtnPrevPage", "sbtnNextPage"}},
        // No export running to stop.
        {"FileExport", {"btnStop"}},
        {"MarkExport", {"btnStop"}},
        // The arrows of the range's two numbers wait for "数値で範囲を指定".
        {"AddressCopy", {"btnDown", "btnDown", "btnUp", "btnUp"}},
    };
    return disabled;
}

// Whether pressing the action runs something of the program's own. The menus, tool buttons and action group
// an action is shown in connect to it themselves; they are let go first so that only the program's handlers
// count, and a menu or group that handles its entries in one place counts for them.
bool ActionHasHandler(QAction *action)
{
    if (action->isSeparator() || action->menu() || qobject_cast<QWidgetAction *>(action)
        || Settings().count(action->objectName()))
        return true;
    for (QObject *shownIn : action->associatedObjects()) {
        if (auto *menu = qobject_cast<QMenu *>(shownIn); menu && connected(menu, &QMenu::triggered))
            return true;
        if (auto *widget = qobject_cast<QWidget *>(shownIn))
            widget->removeAction(action);
    }
    if (QActionGroup *group = action->actionGroup()) {
        if (connected(group, &QActionGroup::triggered))
            return true;
        group->removeAction(action);
    }
    return connected(action, &QAction::triggered) || connected(action, &QAction::toggled);
}

// Whether pressing the button runs something: its own signals, its group's, its button box's, or the action
// or menu it stands for.
bool ButtonHasHandler(QAbstractButton *button)
{
    if (auto *tool = qobject_cast<QToolButton *>(button); tool && (tool->defaultAction() || tool->menu()))
        return true;
    if (auto *box = qobject_cast<QDialogButtonBox *>(button->parentWidget()))
        if (connected(box, &QDialogButtonBox::accepted) || connected(box, &QDialogButtonBox::rejected)
            || connected(box, &QDialogButtonBox::clicked))
            return true;
    if (QButtonGroup *group = button->group())
        if (connected(group, &QButtonGroup::buttonClicked) || connected(group, &QButtonGroup::idClicked)
            || connected(group, &QButtonGroup::buttonToggled) || connected(group, &QButtonGroup::idToggled))
            return true;
    return connected(button, &QAbstractButton::clicked) || connected(button, &QAbstractButton::pressed)
           || connected(button, &QAbstractButton::released) || connected(button, &QAbstractButton::toggled);
}

// The enabled commands of a window that nothing would run.
QStringList IdleCommands(QWidget *window)
{
    QStringList idle;
    for (QAbstractButton *button : window->findChildren<QAbstractButton *>())
        if (test::ButtonIsCommand(button) && button->isEnabled() && !ButtonHasHandler(button))
            idle << nameOf(button);
    for (QAction *action : window->findChildren<QAction *>())
        if (test::Pressable(action) && action->isEnabled() && !ActionHasHandler(action))
            idle << nameOf(action);
    return idle;
}

class Commands : public test::ProductWindows, public ::testing::WithParamInterface<const char *> {};

}  // namespace

TEST_P(Commands, EveryEnabledCommandHasAHandler)
{
    QWidget *window = test::OpenProgramWindow(*this, GetParam());
    ASSERT_NE(window, nullptr) << "the window did not open";
    const QStringList idle = IdleCommands(window);
    EXPECT_TRUE(idle.isEmpty()) << idle.join(QLatin1String(", ")).toStdString();
}

// A window opens with just the commands its state rules disable greyed: nothing is disabled for want of a
// handler, and nothing the rules disable is offered.
TEST_P(Commands, DisabledCommandsAreTheOnesItsStateDisables)
{
    QWidget *window = test::OpenProgramWindow(*this, GetParam());
    ASSERT_NE(window, nullptr) << "the window did not open";
    QStringList disabled;
    for (QAbstractButton *button : window->findChildren<QAbstractButton *>())
        if (test::ButtonIsCommand(button) && !button->isEnabled())
            disabled << nameOf(button);
    for (QAction *action : window->findChildren<QAction *>())
        if (test::Pressable(action) && !action->isEnabled())
            disabled << nameOf(action);
    disabled.sort();
    QStringList expected = DisabledAtOpen().at(GetParam());
    expected.sort();
    EXPECT_EQ(disabled.join(QLatin1String(", ")).toStdString(), expected.join(QLatin1String(", ")).toStdString());
}

// The same for the dialogs and windows the window's commands open.
TEST_P(Commands, WhatItsCommandsOpenHasAHandlerForEveryEnabledCommand)
{
    QWidget *window = test::OpenProgramWindow(*this, GetParam());
    ASSERT_NE(window, nullptr) << "the window did not open";
    QStringList idle;
    const auto check = [&idle](QWidget *opened) {
        for (const QString &command : IdleCommands(opened))
            idle << nameOf(opened) + QLatin1Char('.') + command;
    };
    for (QWidget *opened : test::PressEveryCommand(window, check))
        check(opened);
    EXPECT_TRUE(idle.isEmpty()) << idle.join(QLatin1String(", ")).toStdString();
}

// Every command of a window pressed while a message box of it is open, as a screen reader can: none runs, so
// no second box, no dialog and no other window opens, and the window stays as it was.
TEST_P(Commands, NoCommandRunsWhileItsMessageBoxIsOpen)
{
    QPointer<QWidget> window = test::OpenProgramWindow(*this, GetParam());
    ASSERT_NE(window, nullptr) << "the window did not open";
    const bool shown = window->isVisible();
    QStringList dialogs, others;
    boxes.clear();
    boxes.answer(IDOK, [&] {
        const auto readDialog = [&dialogs](QWidget *dialog) { dialogs << nameOf(dialog); };
        for (QWidget *other : test::PressEveryCommand(window, readDialog))
            others << nameOf(other);
    });
    ShowMessageBoxAt(window, QStringLiteral("お知らせ"), AppTitle, MB_OK);
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("お知らせ")});
    EXPECT_TRUE(dialogs.isEmpty()) << dialogs.join(QLatin1String(", ")).toStdString();
    EXPECT_TRUE(others.isEmpty()) << others.join(QLatin1String(", ")).toStdString();
    ASSERT_FALSE(window.isNull());
    EXPECT_EQ(window->isVisible(), shown);
}

INSTANTIATE_TEST_SUITE_P(Windows, Commands, ::testing::ValuesIn(test::ProgramWindowNames()),
                         [](const ::testing::TestParamInfo<const char *> &info) { return std::string(info.param); });
