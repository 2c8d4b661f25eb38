// The program's windows as a user opens them: every window registered as the program does at its start, a book
// with one record, the main list over it, and each other window opened from there (or made as its opener
// makes it). The checks of the whole product walk the windows named here.
#pragma once

#include "app/Windows.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "designers/Design.h"
#include "designers/Label.h"
#include "designers/Layout.h"
#include "directory/CtgrySch.h"
#include "directory/DirectoryDll.h"
#include "directory/NmAdSch.h"
#include "drawing/Canvas.h"
#include "exchange/ExchangeDialogs.h"
#include "exchange/Maintenance.h"
#include "geo/DicSch.h"
#include "geo/ExpMain.h"
#include "geo/MapView.h"
#include "geo/NoriMain.h"
#include "geo/QRMap.h"
#include "geo/UniNMDic.h"
#include "geo/WebSch.h"
#include "listprint/ListPrint.h"
#include "mainlist/AdrsCopy.h"
#include "mainlist/AdrsList.h"
#include "mainlist/LayoutServices.h"
#include "mainlist/ListPrintServices.h"
#include "mainlist/RecordFormServices.h"
#include "platform/CustomEvents.h"
#include "platform/MemIniFile.h"
#include "platform/Translation.h"
#include "records/BatchChg.h"
#include "records/DtInqiry.h"

#include "base/SjisCodec.h"

#include "TestBook.h"
#include "TestSupport.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QRadioButton>
#include <QTabBar>
#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QPointer>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace test {

class ProductWindows : public ::testing::Test {
public:
    static void SetUpTestSuite()
    {
        static bool once = false;
        if (once)
            return;
        once = true;
        // As the program's start: its fonts, Qt's own texts in Japanese, every window's maker.
        InstallFontSubstitutions();
        InstallQtTranslation();
        RegisterWindows();
    }
    void SetUp() override
    {
        book.Open(QStringLiteral("Book"), true);
        AppFolder = appDir();
        LayoutFolder = book.Dir.path() + "/Layout/";
        LabelFolder = book.Dir.path() + "/Label/";
        CardFolder = book.Dir.path() + "/Card/";
        DesignFolder = book.Dir.path() + "/Design/";
        AdrsBookList = {{QStringLiteral("取引先"), QStringLiteral("Book"), abReady}};
        CurrentAdrsName = QStringLiteral("取引先");
        CurrentAdrsIndex = 0;
        ASSERT_TRUE(DMMirvale18->OpenSenderTable());
        // The designers' start menu waits for the user: it is a dialog of its own, not the window.
        TMemIniFile ini(DataFolder + SettingsFileName);
        for (const char *section : {"LAYOUT", "LABEL", "CARD", "DESIGN"})
            ini.WriteBool(QString::fromLatin1(section), QStringLiteral("Menu"), false);
        ini.UpdateFile();
        TTable &t = *DMMirvale18->AdrsTable;
        t.Append();
        t.FieldByName("NameKanji").SetAsString(Sjis::encode(QStringLiteral("山田太郎")));
        t.FieldByName("Tel").SetAsString("0312345678");
        t.Post();
        list = std::make_unique<TAddressList>();
        AddressList = list.get();
        list->RefreshList(true, true, false);
        list->SelectItem(0, true, false);
    }
    void TearDown() override
    {
        for (TLayoutServices *designer : {LayoutForm, LabelForm, DesignForm})
            if (auto *form = designer ? dynamic_cast<TLayoutForm *>(designer->FormWindow()) : nullptr) {
                form->Modified = 0;
                delete form;
            }
        for (QWidget *window : opened)
            delete window;
        if (RecordForm)
            delete RecordForm->FormWindow();
        if (ListPrint)
            delete ListPrint->Window();
        delete NameAdrsSearch;
        delete CategorySearch;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        DMMirvale18->CloseSenderTable();
        list.reset();
        AddressList = nullptr;
        AdrsBookList.clear();
        CurrentAdrsName.clear();
        CurrentAdrsIndex = -1;
    }

    // A window the test made itself, deleted with the fixture.
    template <class T, class... Args> QWidget *make(Args &&...args)
    {
        auto *window = new T(std::forward<Args>(args)...);
        opened.push_back(window);
        return window;
    }
    // The window a command of the main list opens.
    QWidget *fromMainList(QAction *command, const std::function<QWidget *()> &window)
    {
        EXPECT_TRUE(command->isEnabled()) << command->objectName().toStdString();
        command->trigger();
        QCoreApplication::removePostedEvents(nullptr, WM_STARTMENU);
        return window();
    }

    // A designer from the main list with a new layout on the paper its paper dialog offers first, as a user
    // starts one.
    QWidget *designer(QAction *command, TLayoutServices *const &form)
    {
        QWidget *window = fromMainList(command, [&form] { return form ? form->FormWindow() : nullptr; });
        if (!window)
            return nullptr;
        QTimer accept;
        QObject::connect(&accept, &QTimer::timeout, [] {
            if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
                dialog->accept();
        });
        accept.start(10);
        window->findChild<QAction *>(QStringLiteral("actNew"))->trigger();
        return window;
    }

    MessageBoxScript boxes;
    TestBook book;
    std::unique_ptr<TAddressList> list;
    std::vector<QPointer<QWidget>> opened;
};

// An action no menu, tool bar or window of the program shows (a menu's own entry before it is put anywhere, the
// entries of Qt's tool bar extension) cannot be pressed.
inline bool Pressable(const QAction *action)
{
    if (action->isSeparator())
        return false;
    for (const QObject *shownIn : action->associatedObjects())
        if (!shownIn->objectName().startsWith(QLatin1String("qt_")))
            return true;
    return false;
}

// Whether a button is a command. Check boxes and option buttons are settings the window reads, not commands.
inline bool ButtonIsCommand(QAbstractButton *button)
{
    if (qobject_cast<QCheckBox *>(button) || qobject_cast<QRadioButton *>(button))
        return false;
    // Qt's own parts of a composite control (a tab bar's scroll arrows, a tool bar's extension).
    return !button->objectName().startsWith(QLatin1String("qt_")) && !qobject_cast<QTabBar *>(button->parentWidget());
}

// Presses every enabled command of a window, as a user trying each would. Each modal dialog a command opens is
// handed to readDialog while it waits for the user and is then closed; pop-up menus are closed unread (their
// entries are the window's own actions). Commands that end the window or a job, or print without a dialog,
// are left alone. Answers the other windows the commands opened.
// Inside a dialog, alsoLeftAlone names the commands that take or carry out what it was opened for.
inline QWidgetList PressEveryCommand(QPointer<QWidget> window, const std::function<void(QWidget *)> &readDialog,
                                     const QString &alsoLeftAlone = {})
{
    const QWidgetList shownBefore = QApplication::topLevelWidgets();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (QWidget *popup = QApplication::activePopupWidget())
            popup->close();
        else if (QWidget *modal = QApplication::activeModalWidget()) {
            readDialog(modal);
            modal->close();
        }
    });
    poll.start(10);
    static const QRegularExpression leftAlone(QStringLiteral("Exit|Close|Stop|Cancel|^btnPrint$|^actPrint$"),
                                              QRegularExpression::CaseInsensitiveOption);
    std::vector<QPointer<QObject>> commands;
    for (QAction *action : window->findChildren<QAction *>())
        if (Pressable(action) && !action->menu())
            commands.emplace_back(action);
    for (QAbstractButton *button : window->findChildren<QAbstractButton *>())
        if (ButtonIsCommand(button))
            commands.emplace_back(button);
    for (const QPointer<QObject> &command : commands) {
        if (!window || !command || leftAlone.match(command->objectName()).hasMatch()
            || (!alsoLeftAlone.isEmpty() && command->objectName().contains(QRegularExpression(alsoLeftAlone))))
            continue;
        if (auto *action = qobject_cast<QAction *>(command.data()); action && action->isEnabled())
            action->trigger();
        else if (auto *button = qobject_cast<QAbstractButton *>(command.data());
                 button && button->isEnabled() && button->isVisibleTo(window))
            button->click();
        QCoreApplication::processEvents();
    }
    poll.stop();
    QWidgetList opened;
    for (QWidget *other : QApplication::topLevelWidgets())
        if (!shownBefore.contains(other) && !other->inherits("QMenu"))
            opened << other;
    return opened;
}

// One window of the program: its name in the test's output and how a user comes to it.
struct TWindowCase {
    const char *Name;
    std::function<QWidget *(ProductWindows &)> Open;
};

inline const std::vector<TWindowCase> &ProgramWindows()
{
    static const std::vector<TWindowCase> windows = {
        {"MainList", [](ProductWindows &f) -> QWidget * { return f.list.get(); }},
        {"RecordForm", [](ProductWindows &f) {
             return f.fromMainList(f.list->actInquiry, [] { return RecordForm ? RecordForm->FormWindow() : nullptr; });
         }},
        {"NameAdrsSearch", [](ProductWindows &f) {
             return f.fromMainList(f.list->actNameAdrsSearch, []() -> QWidget * { return NameAdrsSearch; });
         }},
        {"CategorySearch", [](ProductWindows &f) {
             return f.fromMainList(f.list->actCategorySearch, []() -> QWidget * { return CategorySearch; });
         }},
        {"DicSearch", [](ProductWindows &f) { return f.make<TDicSearch>(f.list.get()); }},
        {"UniNameDic", [](ProductWindows &f) { return f.make<TUniNameDic>(f.list.get()); }},
        {"MapView", [](ProductWindows &f) { return f.make<TMapView>(f.list.get(), 5); }},
        // With its rail library, as the record form opens it.
        {"NorikaeMain", [](ProductWindows &f) {
             QWidget *window = f.make<TNorikaeMain>(f.list.get());
             static_cast<TNorikaeMain *>(window)->OpenRailServ(AppFolder);
             return window;
         }},
        {"ExpertMain", [](ProductWindows &f) { return f.make<TExpertMain>(f.list.get()); }},
        {"WebSearch", [](ProductWindows &f) { return f.make<TWebSearch>(f.list.get()); }},
        {"QRCodeMap", [](ProductWindows &f) { return f.make<TQRCodeMap>(f.list.get()); }},
        {"LayoutForm", [](ProductWindows &f) { return f.designer(f.list->actLayoutPrint, LayoutForm); }},
        // With the address chosen, as a user clicks it to change its font, place or order.
        {"LayoutFormAddressChosen", [](ProductWindows &f) -> QWidget * {
             auto *form = dynamic_cast<TLayoutForm *>(f.designer(f.list->actLayoutPrint, LayoutForm));
             if (form) {
                 form->SelectedList = {form->CombinedObjects[1].get()};
                 form->FocusedIndex = 0;
             }
             return form;
         }},
        {"LabelForm", [](ProductWindows &f) { return f.designer(f.list->actLabelPrint, LabelForm); }},
        {"CardForm", [](ProductWindows &f) { return f.designer(f.list->actCardPrint, LabelForm); }},
        {"DesignForm", [](ProductWindows &f) { return f.designer(f.list->actDesignPrint, DesignForm); }},
        {"ListPrint", [](ProductWindows &f) {
             return f.fromMainList(f.list->actListPrint, [] { return ListPrint ? ListPrint->Window() : nullptr; });
         }},
        {"FileExport", [](ProductWindows &f) {
             return f.fromMainList(f.list->actExportFile, [] { return FileExport ? FileExport->Window() : nullptr; });
         }},
        {"MarkExport", [](ProductWindows &f) {
             return f.fromMainList(f.list->actMarkExport, [] { return MarkExport ? MarkExport->Window() : nullptr; });
         }},
        {"AddressCopy", [](ProductWindows &f) {
             return f.fromMainList(f.list->actAdrsCopy, []() -> QWidget * { return AddressCopy; });
         }},
    };
    return windows;
}

// The window cases by name, for parameterised tests.
inline std::vector<const char *> ProgramWindowNames()
{
    std::vector<const char *> names;
    for (const TWindowCase &w : ProgramWindows())
        names.push_back(w.Name);
    return names;
}

// Opens the window and lets it settle as a user sees it: the commands that follow its state while it is idle
// have followed it.
inline QWidget *OpenProgramWindow(ProductWindows &fixture, const char *name)
{
    for (const TWindowCase &w : ProgramWindows())
        if (qstrcmp(w.Name, name) == 0) {
            QPointer<QWidget> window = w.Open(fixture);
            QTest::qWait(250);
            return window;
        }
    return nullptr;
}

}  // namespace test
