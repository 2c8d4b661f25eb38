// A morning by keyboard: in every window of the program Tab reaches each control a user sets, or the control has
// an accelerator; Tab goes in the order the window is read; Esc closes each window that has 閉じる or キャンセル.
#include "ProductWindows.h"

#include "KeyWalk.h"

#include "core/InputPW.h"
#include "designers/IlstSet.h"
#include "designers/LytFont.h"
#include "designers/LytPrt.h"
#include "designers/PrtMenu.h"
#include "designers/WordSet.h"
#include "directory/OrgEdit.h"
#include "directory/TgtExcpt.h"
#include "imgview/ImgView.h"

#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QButtonGroup>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QScrollBar>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>

namespace {

bool hasAccelerator(const QString &caption)
{
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != u'&')
            continue;
        if (caption[i + 1] != u'&')
            return true;
        ++i;
    }
    return false;
}

// Whether the control is one a user sets or presses in the window itself. Commands of a tool bar are reached
// through the menu bar, a list's header sorts it by the menu, a table's corner selects it as Ctrl+A does; the
// arrows beside a number are its Up and Down keys; a scroll area's own bars follow its view; a read-only text is
// shown, not set. A view of the program's own that a click gives the keys (a designer's paper) is set there too.
bool setByUser(QWidget *w)
{
    if (w->objectName().startsWith(QLatin1String("qt_")) || qobject_cast<QHeaderView *>(w) || qobject_cast<QToolBar *>(w->parentWidget())
        || qobject_cast<QTabBar *>(w->parentWidget()) || qobject_cast<QAbstractItemView *>(w->parentWidget()))
        return false;
    if (auto *edit = qobject_cast<QLineEdit *>(w))
        return !edit->isReadOnly() && !qobject_cast<QComboBox *>(w->parentWidget())
               && !qobject_cast<QAbstractSpinBox *>(w->parentWidget());
    if (auto *text = qobject_cast<QTextEdit *>(w))
        return !text->isReadOnly();
    if (auto *text = qobject_cast<QPlainTextEdit *>(w))
        return !text->isReadOnly();
    if (qobject_cast<QScrollBar *>(w))
        return !w->parentWidget()->objectName().startsWith(QLatin1String("qt_scrollarea"));
    if (qobject_cast<QToolButton *>(w) && w->parentWidget()->objectName().startsWith(QLatin1String("ud")))
        return false;
    return qobject_cast<QComboBox *>(w) || qobject_cast<QAbstractSpinBox *>(w) || qobject_cast<QAbstractButton *>(w)
           || qobject_cast<QAbstractItemView *>(w) || qobject_cast<QAbstractSlider *>(w) || qobject_cast<QTabBar *>(w)
           || ((w->focusPolicy() & Qt::ClickFocus) && !qobject_cast<QAbstractScrollArea *>(w)
               && !qobject_cast<QLabel *>(w));
}

// The controls of the same exclusive choice: Tab stops at the checked one, the arrows move between them.
QList<QAbstractButton *> choiceOf(QAbstractButton *button)
{
    if (QButtonGroup *group = button->group(); group && group->exclusive())
        return group->buttons();
    QList<QAbstractButton *> siblings;
    if (button->autoExclusive() && button->parentWidget())
        for (QAbstractButton *other : button->parentWidget()->findChildren<QAbstractButton *>(Qt::FindDirectChildrenOnly))
            if (other->autoExclusive())
                siblings << other;
    return siblings.isEmpty() ? QList<QAbstractButton *>{button} : siblings;
}

bool reached(QWidget *control, const QList<QWidget *> &round)
{
    for (QWidget *stop : round)
        if (stop == control || control->isAncestorOf(stop) || stop->focusProxy() == control
            || control->focusProxy() == stop)
            return true;
    if (auto *button = qobject_cast<QAbstractButton *>(control))
        for (QAbstractButton *other : choiceOf(button))
            if (other != button && round.contains(other))
                return true;
    return false;
}

bool acceleratorOf(QWidget *control, QWidget *window)
{
    if (auto *button = qobject_cast<QAbstractButton *>(control); button && hasAccelerator(button->text()))
        return true;
    for (QLabel *label : window->findChildren<QLabel *>())
        if (label->buddy() == control && label->isVisibleTo(window) && hasAccelerator(label->text()))
            return true;
    return false;
}

// The controls the keys cannot reach, by name.
QStringList unreached(QWidget *window, const QList<QWidget *> &round)
{
    QStringList names;
    for (QWidget *w : window->findChildren<QWidget *>())
        if (w->window() == window && w->isVisibleTo(window) && w->isEnabled() && setByUser(w) && !reached(w, round)
            && !acceleratorOf(w, window))
            names << test::controlName(w);
    return names;
}

QAbstractButton *closeButton(QWidget *window)
{
    for (QAbstractButton *button : window->findChildren<QAbstractButton *>()) {
        const QString caption = QString(button->text()).remove(u'&');
        if (button->window() == window && button->isVisibleTo(window) && !qobject_cast<QToolBar *>(button->parentWidget())
            && (caption.startsWith(QStringLiteral("閉じる")) || caption.startsWith(QStringLiteral("キャンセル"))))
            return button;
    }
    return nullptr;
}

// The name dictionary's list is a tip under the edit that asks it: it never takes the focus, the keys stay in
// that edit.
std::vector<const char *> WalkedWindows()
{
    std::vector<const char *> names = test::ProgramWindowNames();
    std::erase_if(names, [](const char *name) {
        return qstrcmp(name, "UniNameDic") == 0;
    });
    return names;
}

// What keeps the keys from the shown, active window: a control Tab does not reach and that has no accelerator,
// a step of Tab against the reading order, an Esc that leaves the window open though it has 閉じる or キャンセル.
// Before the Esc, thenInside runs in the window walked.
QStringList keyFaults(QPointer<QWidget> window, const std::function<void()> &thenInside = {})
{
    const QList<QWidget *> round = test::tabRound(window);
    QStringList stops;
    for (QWidget *stop : round)
        stops << test::controlName(stop);
    QStringList faults;
    if (const QStringList missed = unreached(window, round); !missed.isEmpty())
        faults << QStringLiteral("not reached: ") + missed.join(QStringLiteral(", "));
    faults << test::readingOrderFaults(round, window);
    if (thenInside && window && window->isVisible()) {
        thenInside();
        window->activateWindow();
        (void)QTest::qWaitForWindowActive(window);
    }
    if (QAbstractButton *button = window ? closeButton(window) : nullptr; button && window->isVisible()) {
        QWidget *at = QApplication::focusWidget() ? QApplication::focusWidget() : window.data();
        // A list's name being edited (its 名前の変更 pressed) takes the first Esc itself.
        for (QWidget *w = at->parentWidget(); w && w != window; w = w->parentWidget())
            if (qobject_cast<QAbstractItemView *>(w)) {
                QTest::keyClick(at, Qt::Key_Escape);
                at = QApplication::focusWidget() ? QApplication::focusWidget() : window.data();
                break;
            }
        QTest::keyClick(at, Qt::Key_Escape);
        if (!QTest::qWaitFor([&window] { return !window || !window->isVisible(); }, 2000))
            faults << QStringLiteral("Esc left it open (") + test::controlName(button) + u')';
    }
    if (!faults.isEmpty())
        faults.prepend(QStringLiteral("Tab: ") + stops.join(QStringLiteral(" → ")));
    return faults;
}

// Qt's own dialogs (files, colours, printers) are walked by Qt's own tests.
bool programDialog(const QWidget *dialog)
{
    return !qobject_cast<const QFileDialog *>(dialog) && !qobject_cast<const QColorDialog *>(dialog)
           && !qobject_cast<const QPrintDialog *>(dialog) && !qobject_cast<const QFontDialog *>(dialog);
}

class Keyboard : public test::ProductWindows, public ::testing::WithParamInterface<const char *> {
public:
    // The window of the test's parameter, shown over the main list.
    QPointer<QWidget> openOverTheList()
    {
        list->show();
        QCoreApplication::removePostedEvents(list.get(), WM_AFTERSHOW);
        QPointer<QWidget> window = test::OpenProgramWindow(*this, GetParam());
        if (window)
            window->show();
        return window;
    }
};

class DesignerObjectDialogs : public test::ProductWindows {};

}  // namespace

TEST_P(Keyboard, TabReachesEveryControlInReadingOrderAndEscCloses)
{
    QPointer<QWidget> window = openOverTheList();
    ASSERT_NE(window, nullptr) << "the window did not open";
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    const QStringList faults = keyFaults(window);
    EXPECT_TRUE(faults.isEmpty()) << faults.join(u'\n').toStdString();
}

// The dialogs the window's commands open, each walked as it waits for the user.
TEST_P(Keyboard, AndInEveryDialogOfItsCommands)
{
    QPointer<QWidget> window = openOverTheList();
    ASSERT_NE(window, nullptr) << "the window did not open";
    QStringList faults, walked;
    // The dialogs those dialogs open in turn, their commands that take or carry out what the dialog is for left
    // alone.
    static const QString taking =
        QStringLiteral("OK|Ok|Yes|Exec|Start|Run|Del|Restore|Backup|Optimi|Repair|Conv|Import|Export|Save|Search|Print");
    const std::function<void(QWidget *, bool)> walk = [&](QWidget *dialog, bool opensMore) {
        if (!programDialog(dialog))
            return;
        const QString name = dialog->windowTitle() + u'(' + test::controlName(dialog) + u')';
        walked << name;
        std::function<void()> nested;
        if (opensMore)
            nested = [&] { test::PressEveryCommand(dialog, [&](QWidget *inner) { walk(inner, false); }, taking); };
        for (const QString &fault : keyFaults(dialog, nested))
            faults << name + QStringLiteral(": ") + fault;
    };
    test::PressEveryCommand(window, [&](QWidget *dialog) { walk(dialog, true); });
    RecordProperty("walked", walked.join(QStringLiteral(" | ")).toStdString());
    EXPECT_TRUE(faults.isEmpty()) << faults.join(u'\n').toStdString();
}

namespace {

class WindowsNoWalkedCommandOpens : public test::ProductWindows {};

}  // namespace

// The windows with 閉じる or キャンセル that no command of a walked window opens here, each made by the test: the
// password asked at start, a designer's start menu, its print wizard on either page, the target and exclusion
// names of a fuzzy name search with its own-name editor, and the image picker, a program of its own.
TEST_F(WindowsNoWalkedCommandOpens, AreWalkedAsTheOthers)
{
    TWizardPrinter printer;
    printer.Device = QStringLiteral("PDF出力");
    printer.Paper = QStringLiteral("はがき");
    printer.Printable = QRect(94, 94, 2174, 3308);
    std::vector<std::unique_ptr<QWidget>> windows;
    windows.push_back(std::make_unique<TInputPassword>(nullptr));
    windows.push_back(std::make_unique<TPrintMenuDialog>(nullptr));
    for (const bool data : {true, false}) {
        auto wizard = std::make_unique<TLayoutPrintDialog>(nullptr, printer);
        wizard->SetDataPrint(data);
        windows.push_back(std::move(wizard));
    }
    windows.push_back(std::make_unique<TTargetException>(nullptr));
    windows.push_back(std::make_unique<TOriginalEdit>(nullptr));
    windows.push_back(std::make_unique<TImageViewForm>(nullptr));
    boxes.answer(IDYES);  // the password's question before the start is given up
    QStringList faults;
    for (const std::unique_ptr<QWidget> &window : windows) {
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get())) << window->windowTitle().toStdString();
        for (const QString &fault : keyFaults(window.get()))
            faults << window->windowTitle() + QStringLiteral(": ") + fault;
    }
    EXPECT_TRUE(faults.isEmpty()) << faults.join(u'\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Windows, Keyboard, ::testing::ValuesIn(WalkedWindows()),
                         [](const ::testing::TestParamInfo<const char *> &info) { return std::string(info.param); });

// The dialogs an object on a designer's paper opens: its font, its text's display, its picture.
TEST_F(DesignerObjectDialogs, AreWalkedAsTheOthers)
{
    const std::vector<std::unique_ptr<QDialog>> dialogs = [] {
        std::vector<std::unique_ptr<QDialog>> made;
        made.push_back(std::make_unique<TLayoutFontDialog>(nullptr));
        made.push_back(std::make_unique<TWordSettingDialog>(nullptr));
        made.push_back(std::make_unique<TIllustSettingDialog>(nullptr));
        return made;
    }();
    QStringList faults;
    for (const std::unique_ptr<QDialog> &dialog : dialogs) {
        dialog->show();
        dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get())) << dialog->windowTitle().toStdString();
        for (const QString &fault : keyFaults(dialog.get()))
            faults << dialog->windowTitle() + QStringLiteral(": ") + fault;
    }
    EXPECT_TRUE(faults.isEmpty()) << faults.join(u'\n').toStdString();
}
