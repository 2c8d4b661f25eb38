// Every window of the program, and every dialog its commands open, opens wholly inside the available area of the
// screen it opens on, its frame and title bar included, on whatever screen the test runs: the end-to-end runs
// give it the screens users have, a desktop panel and a window manager that frames the windows (tests/
// CMakeLists.txt). A window larger than the area, even shrunk as far as it can shrink, opens at the area's top
// left. So do the places the windows stored on a larger screen. A window whose least size does not fit the area
// scrolls: every button and field of it can be brought into view inside the area; on the screen the windows
// were designed for (1366×768) none scrolls.
#include "ProductWindows.h"

#include "exchange/Env.h"
#include "mainlist/AdrsCopy.h"
#include "platform/MemIniFile.h"
#include "platform/MessageBox.h"
#include "platform/WindowPlacement.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QScrollArea>
#include <QScopeGuard>
#include <QTimer>
#include <QWindow>

#include <xcb/xcb.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>

namespace {

// Where a window is on the screen: its frame as the window manager drew it round the window and the area the
// desktop leaves to windows, in the screen's own pixels on an X server, else in the program's. None while the
// window is not yet on the screen with its frame.
struct TPlaced {
    QRect Frame;
    QRect Area;
};

std::vector<uint32_t> cardinals(xcb_connection_t *connection, xcb_window_t window, const char *name)
{
    xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 1, uint16_t(std::strlen(name)), name), nullptr);
    std::vector<uint32_t> values;
    if (atom && atom->atom != XCB_ATOM_NONE) {
        xcb_get_property_reply_t *reply = xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, window, atom->atom, XCB_ATOM_ANY, 0, 64), nullptr);
        if (reply && reply->format == 32) {
            const auto *data = static_cast<const uint32_t *>(xcb_get_property_value(reply));
            values.assign(data, data + xcb_get_property_value_length(reply) / 4);
        }
        std::free(reply);
    }
    std::free(atom);
    return values;
}

// Tells the program the desktop leaves it area of every desktop's room, as a desktop tells it when its screen
// or its panels change; answers the area it told before.
std::vector<uint32_t> tellWorkArea(xcb_connection_t *connection, const std::function<QRect(QRect)> &area)
{
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const std::vector<uint32_t> before = cardinals(connection, root, "_NET_WORKAREA");
    std::vector<uint32_t> told = before;
    for (size_t at = 0; at + 4 <= told.size(); at += 4) {
        const QRect r = area(QRect(int(told[at]), int(told[at + 1]), int(told[at + 2]), int(told[at + 3])));
        told[at] = uint32_t(r.x()), told[at + 1] = uint32_t(r.y());
        told[at + 2] = uint32_t(r.width()), told[at + 3] = uint32_t(r.height());
    }
    const char name[] = "_NET_WORKAREA";
    xcb_intern_atom_reply_t *atom =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, sizeof name - 1, name), nullptr);
    if (atom)
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, root, atom->atom, XCB_ATOM_CARDINAL, 32,
                            uint32_t(told.size()), told.data());
    std::free(atom);
    xcb_flush(connection);
    return before;
}

std::optional<TPlaced> placedOf(QWidget *window)
{
    if (!window->isVisible())
        return std::nullopt;
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        return TPlaced{window->frameGeometry(), window->screen()->availableGeometry()};
    xcb_connection_t *connection = x11->connection();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const auto id = xcb_window_t(window->winId());
    xcb_get_window_attributes_reply_t *attributes =
        xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, id), nullptr);
    const bool viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(attributes);
    const bool managed = !cardinals(connection, root, "_NET_SUPPORTING_WM_CHECK").empty();
    const std::vector<uint32_t> frame = cardinals(connection, id, "_NET_FRAME_EXTENTS");  // left right top bottom
    if (!viewable || (managed && frame.size() != 4))
        return std::nullopt;
    xcb_translate_coordinates_reply_t *at = xcb_translate_coordinates_reply(
        connection, xcb_translate_coordinates(connection, id, root, 0, 0), nullptr);
    xcb_get_geometry_reply_t *size = xcb_get_geometry_reply(connection, xcb_get_geometry(connection, id), nullptr);
    std::optional<TPlaced> placed;
    if (at && size) {
        const QMargins m = frame.size() == 4 ? QMargins(int(frame[0]), int(frame[2]), int(frame[1]), int(frame[3]))
                                             : QMargins();
        const std::vector<uint32_t> work = cardinals(connection, root, "_NET_WORKAREA");
        const QRect screen(QPoint(), window->screen()->geometry().size() * window->screen()->devicePixelRatio());
        placed = TPlaced{QRect(at->dst_x, at->dst_y, size->width, size->height).marginsAdded(m),
                         work.size() >= 4 ? QRect(int(work[0]), int(work[1]), int(work[2]), int(work[3])) : screen};
    }
    std::free(at);
    std::free(size);
    return placed;
}

// What is wrong with where the window is; empty when nothing is. A window whose least size does not fit the area
// in a direction is at the area's start in that direction, its title bar on the screen.
std::string faultOf(QWidget *window, const TPlaced &placed)
{
    const QRect &f = placed.Frame, &a = placed.Area;
    const qreal ratio = window->screen()->devicePixelRatio();
    const QSize least = window->minimumSize().expandedTo(window->minimumSizeHint()) * ratio;
    const QSize frameExtra = f.size() - window->size() * ratio;
    const bool tooWide = least.width() + frameExtra.width() > a.width();
    const bool tooHigh = least.height() + frameExtra.height() > a.height();
    // A frame placed in the program's pixels may round to a screen pixel either way.
    const int rounding = ratio == std::floor(ratio) ? 0 : 1;
    const auto fits = [rounding](int from, int to, int areaFrom, int areaTo, bool tooLarge) {
        return from >= areaFrom && (tooLarge ? from <= areaFrom + rounding : to <= areaTo + rounding);
    };
    if (fits(f.left(), f.right(), a.left(), a.right(), tooWide) && fits(f.top(), f.bottom(), a.top(), a.bottom(), tooHigh))
        return {};
    return QStringLiteral("%1: frame %2,%3 %4x%5 outside the area %6,%7 %8x%9\n")
        .arg(window->windowTitle())
        .arg(f.x()).arg(f.y()).arg(f.width()).arg(f.height())
        .arg(a.x()).arg(a.y()).arg(a.width()).arg(a.height())
        .toStdString();
}

// What is wrong with where the window opened, once the window manager has framed it and the program has placed
// it with its frame.
std::string placementFault(QWidget *window)
{
    std::string fault = window->windowTitle().toStdString() + ": never shown\n";
    const bool inside = QTest::qWaitFor(
        [&] {
            const std::optional<TPlaced> placed = placedOf(window);
            if (placed)
                fault = faultOf(window, *placed);
            return placed && fault.empty();
        },
        5000);
    return inside ? std::string() : fault;
}

// Whether the user works the control: a button, a check box or a field; not a part Qt makes of a control.
bool isWorked(const QWidget *control)
{
    const QWidget *parent = control->parentWidget();
    if (control->objectName().startsWith(QLatin1String("qt_")) || qobject_cast<const QTabBar *>(parent))
        return false;
    if (qobject_cast<const QLineEdit *>(control))
        return !qobject_cast<const QComboBox *>(parent) && !qobject_cast<const QAbstractSpinBox *>(parent);
    return qobject_cast<const QAbstractButton *>(control) || qobject_cast<const QComboBox *>(control)
           || qobject_cast<const QAbstractSpinBox *>(control);
}

// What of the window the user cannot reach: a control that, scrolled into view, is not wholly shown inside the
// area. Empty when nothing.
std::string reachFault(QWidget *window)
{
    const QRect area = window->screen()->availableGeometry();
    // The program's pixels round to the screen's either way on a screen scaled by a fraction.
    const int rounding = window->devicePixelRatio() == std::floor(window->devicePixelRatio()) ? 0 : 1;
    const QRect within = area.adjusted(-rounding, -rounding, rounding, rounding);
    std::string fault;
    for (QWidget *control : window->findChildren<QWidget *>()) {
        // A control of no size is no more than a place kept in its layout.
        if (!isWorked(control) || !control->isVisibleTo(window) || control->size().isEmpty())
            continue;
        for (QWidget *w = control->parentWidget(); w && w != window; w = w->parentWidget())
            if (auto *scroll = qobject_cast<QScrollArea *>(w); scroll && scroll->widget()) {
                // Wholly: Qt's ensureWidgetVisible shows no more of a field than its cursor.
                const QPoint centre = control->mapTo(scroll->widget(), control->rect().center());
                scroll->ensureVisible(centre.x(), centre.y(), control->width() / 2 + 1, control->height() / 2 + 1);
            }
        const QRect rect(control->mapToGlobal(QPoint()), control->size());
        QRect shown = rect;
        for (QWidget *w = control->parentWidget(); w; w = w->isWindow() ? nullptr : w->parentWidget())
            shown &= QRect(w->mapToGlobal(QPoint()), w->size());
        if (shown != rect || !within.contains(rect))
            fault += QStringLiteral("%1: %2 %3 at %4,%5 %6x%7, %8x%9 of it shown, in the area %10,%11 %12x%13\n")
                         .arg(window->windowTitle(), control->objectName(), control->accessibleName())
                         .arg(rect.x()).arg(rect.y()).arg(rect.width()).arg(rect.height())
                         .arg(shown.width()).arg(shown.height())
                         .arg(area.x()).arg(area.y()).arg(area.width()).arg(area.height())
                         .toStdString();
    }
    return fault;
}

class WindowsOnScreen : public test::ProductWindows {
public:
    static void SetUpTestSuite()
    {
        ProductWindows::SetUpTestSuite();
        KeepWindowsOnScreen();  // as the program does at start
    }

    // Checks where the window opened and keeps its title for the test's record. Menus and tips, and the name
    // list that shows as a tip under its field, place themselves.
    void check(QWidget *window)
    {
        if (window->windowType() == Qt::ToolTip || window->windowType() == Qt::Popup)
            return;
        std::string fault = placementFault(window);
        // Where the program thinks the window is follows where the window manager put it.
        if (fault.empty())
            (void)QTest::qWaitFor([&] { return (fault = reachFault(window)).empty(); }, 3000);
        // On the screen the windows were designed for every one keeps its design, none scrolls.
        const QSize area = window->screen()->availableGeometry().size();
        if (area.width() >= 1366 && area.height() >= 768 - 32
            && window->findChild<QScrollArea *>(QStringLiteral("ScreenFit")))
            fault += window->windowTitle().toStdString() + ": scrolls on a screen that holds its design\n";
        faults += fault;
        checked << window->windowTitle();
    }
    // Checks and closes each modal dialog that opens while the timer runs.
    void checkDialogs(QTimer &dialogs)
    {
        QObject::connect(&dialogs, &QTimer::timeout, [this] {
            if (QWidget *dialog = QApplication::activeModalWidget()) {
                check(dialog);
                dialog->close();
            }
        });
        dialogs.start(10);
    }
    // The main list as the user has it under every other window, its book open (its start's steps left out).
    void showMainList()
    {
        list->show();
        QCoreApplication::removePostedEvents(list.get(), WM_AFTERSHOW);
        check(list.get());
    }
    void TearDown() override
    {
        RecordProperty("windows", checked.join(QStringLiteral(" | ")).toStdString());
        ProductWindows::TearDown();
    }

    std::string faults;
    QStringList checked;
};

class EveryWindow : public WindowsOnScreen, public ::testing::WithParamInterface<const char *> {};

}  // namespace

TEST_P(EveryWindow, AndEveryDialogOfItsCommandsOpensInsideTheAvailableArea)
{
    showMainList();
    QPointer<QWidget> window = test::OpenProgramWindow(*this, GetParam());
    ASSERT_NE(window, nullptr) << "the window did not open";
    if (window != list.get()) {
        window->show();
        check(window);
    }
    for (QWidget *opened : test::PressEveryCommand(window, [this](QWidget *dialog) { check(dialog); }))
        if (opened->isVisible())
            check(opened);
    EXPECT_EQ(faults, "");
}

INSTANTIATE_TEST_SUITE_P(Windows, EveryWindow, ::testing::ValuesIn(test::ProgramWindowNames()),
                         [](const ::testing::TestParamInfo<const char *> &info) { return std::string(info.param); });

// A place and size stored by a window on a larger screen (2560×1600) come back on this one.
TEST_F(WindowsOnScreen, PlacesStoredOnALargerScreenComeBackInsideTheArea)
{
    list.reset();  // it stores its own place as it goes, and lets go of the book
    ASSERT_TRUE(DMMirvale18->OpenAdrsTable());
    TMemIniFile ini(DataFolder + SettingsFileName);
    for (const char *section : {"ADRS LIST", "NAMEADRS SEARCH", "CATEGORY SEARCH", "DATA INQUIRY", "ADRS COPY", "SENDER",
                                "LAYOUT", "LABEL", "CARD", "DESIGN"}) {
        ini.WriteInteger(QString::fromLatin1(section), QStringLiteral("Left"), 1900);
        ini.WriteInteger(QString::fromLatin1(section), QStringLiteral("Top"), 1300);
        ini.WriteInteger(QString::fromLatin1(section), QStringLiteral("Width"), 1400);
        ini.WriteInteger(QString::fromLatin1(section), QStringLiteral("Height"), 1000);
    }
    ini.UpdateFile();
    list = std::make_unique<TAddressList>();
    AddressList = list.get();
    list->RefreshList(true, true, false);
    list->SelectItem(0, true, false);
    showMainList();
    // The label and letter designers keep their places as the postcard designer does.
    for (const char *name : {"RecordForm", "NameAdrsSearch", "CategorySearch", "LayoutForm"})
        if (QWidget *window = test::OpenProgramWindow(*this, name)) {
            window->show();
            check(window);
        }
    // The copy to another book, a window of the main list, and the sender list, a dialog of the postcard designer.
    list->actAdrsCopy->trigger();
    if (AddressCopy) {
        check(AddressCopy);
        delete AddressCopy;
    }
    QTimer dialogs;
    checkDialogs(dialogs);
    if (LayoutForm)
        LayoutForm->FormWindow()->findChild<QAction *>(QStringLiteral("actSenderEdit"))->trigger();
    dialogs.stop();
    EXPECT_EQ(checked.size(), 7) << checked.join(u'\n').toStdString();
    EXPECT_EQ(faults, "");
}

// The program's message box, at a point off the screen or centred on a window taller than the screen.
TEST_F(WindowsOnScreen, MessageBoxesOpenInsideTheArea)
{
    showMainList();
    const TMessageBoxHandler script = SetMessageBoxHandler({});
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [this] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            check(box);
            box->close();
        }
    });
    answer.start(10);
    const QRect area = list->screen()->availableGeometry();
    ShowMessageBoxAt(list.get(), QStringLiteral("印刷できませんでした  "), AppTitle, MB_ICONERROR, mbpAtPoint,
                     area.right() + 200, area.bottom() + 200);
    ShowMessageBoxAt(list.get(), QStringLiteral("印刷できませんでした  "), AppTitle, MB_ICONERROR, mbpAtPoint, -300, -300);
    // Taller than the screen whatever it is asked.
    QWidget tall;
    tall.setWindowTitle(QStringLiteral("高い窓"));
    tall.setFixedSize(300, area.height() + 800);
    tall.show();
    ShowMessageBoxAt(&tall, QStringLiteral("保存しますか？  "), AppTitle, MB_YESNO | MB_ICONQUESTION);
    answer.stop();
    SetMessageBoxHandler(script);
    EXPECT_EQ(checked.size(), 4);
    EXPECT_EQ(faults, "");
}

// The record form for the record in the list (照会) and for a new one (番号検索, with the number search it opens
// over the form), each page of it.
TEST_F(WindowsOnScreen, TheRecordFormShowsEveryControlOfEachPageInsideTheArea)
{
    showMainList();
    QTimer dialogs;
    checkDialogs(dialogs);
    for (QAction *command : {list->actInquiry, list->actNumerSearch}) {
        command->trigger();
        QCoreApplication::processEvents();
        ASSERT_TRUE(RecordForm) << command->objectName().toStdString();
        QWidget *form = RecordForm->FormWindow();
        auto *pages = form->findChild<QTabWidget *>(QStringLiteral("pgctlData"));
        ASSERT_NE(pages, nullptr);
        for (int page = 0; page < pages->count(); ++page) {
            pages->setCurrentIndex(page);
            check(form);
        }
        pages->setCurrentIndex(0);
        form->hide();
    }
    dialogs.stop();
    EXPECT_EQ(checked.size(), 10) << checked.join(u'\n').toStdString();
    EXPECT_EQ(faults, "");
}

// The screen becomes smaller while windows stand at its foot (a monitor unplugged, a mode changed, a panel grown
// on the desktop): the main list, the record form and a modal dialog (環境設定) come inside the smaller area, and
// every button and field of the dialog, its OK among them, can be reached there.
TEST_F(WindowsOnScreen, OpenWindowsComeInsideWhenTheScreenBecomesSmaller)
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        GTEST_SKIP() << "the area a desktop leaves to the windows changes on an X server";
    showMainList();
    QWidget *form = test::OpenProgramWindow(*this, "RecordForm");
    ASSERT_NE(form, nullptr);
    form->show();
    check(form);
    TEnvironment settings(list.get());
    settings.setWindowModality(Qt::ApplicationModal);
    settings.show();
    check(&settings);
    ASSERT_EQ(faults, "");
    const QRect area = list->screen()->availableGeometry();
    const std::vector<QWidget *> windows{list.get(), form, &settings};
    for (QWidget *window : windows) {
        const QSize outer = window->frameGeometry().size();
        window->move(area.right() + 1 - outer.width(), area.bottom() + 1 - outer.height());
    }
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return std::all_of(windows.begin(), windows.end(), [&](QWidget *w) {
            return (w->frameGeometry().bottomRight() - area.bottomRight()).manhattanLength() <= 2;
        });
    }));
    const std::vector<uint32_t> before =
        tellWorkArea(x11->connection(), [](QRect r) { return QRect(r.topLeft(), r.size() * 3 / 4); });
    const auto restore = qScopeGuard([&] {
        size_t at = 0;
        tellWorkArea(x11->connection(), [&](QRect) {
            const QRect told{int(before[at]), int(before[at + 1]), int(before[at + 2]), int(before[at + 3])};
            at += 4;
            return told;
        });
        (void)QTest::qWaitFor([&] { return list->screen()->availableGeometry() == area; });
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return list->screen()->availableGeometry() != area; }));
    for (QWidget *window : windows) {
        faults += placementFault(window);
        checked << window->windowTitle();
    }
    (void)QTest::qWaitFor([&] { return reachFault(&settings).empty(); }, 3000);
    faults += reachFault(&settings);
    EXPECT_EQ(faults, "");
}
