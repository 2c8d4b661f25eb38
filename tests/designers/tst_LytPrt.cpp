// The print wizard: settings in, choices shown, records and choices read back; the messages of an empty list;
// Cancel writes nothing.
#include "designers/LytPrt.h"

#include "Accessibility.h"
#include "KeyWalk.h"
#include "TestSupport.h"
#include "core/Globals.h"
#include "platform/MemIniFile.h"
#include "widgets/ShiftJisValidator.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class Rows : public TPrintRows {
public:
    int GetRecordCount() const override { return 5; }
    int GetSelectedIndex() const override { return selected; }
    bool IsSelected(int row) const override { return row == selected; }
    int32_t GetRecNoAt(int row) const override { return 10 + row; }
    QHash<int32_t, int32_t> PrintTargets() const override { return {{10, 1}, {12, 1}, {13, 2}}; }
    int selected = -1;
};

template <class T> T *control(QWidget *in, const char *name)
{
    T *c = in->findChild<T *>(QLatin1String(name));
    EXPECT_TRUE(c) << name;
    return c;
}

void type(QLineEdit *edit, const QString &text)
{
    edit->setFocus();
    edit->setText(text);
    QTest::keyClick(edit, Qt::Key_Return);
}

class WizardTest : public ::testing::Test {
protected:
    void SetUp() override { DataFolder = dir.path() + "/"; }
    TWizardPrinter printer()
    {
        TWizardPrinter p;
        p.Device = QStringLiteral("PDF出力");
        p.Paper = QStringLiteral("はがき");
        p.Printable = QRect(94, 94, 2174, 3308);
        return p;
    }
    // The wizard printing the records of rows on the kind of layout given (0 postcard, 1 envelope, 2 labels, 3 cards).
    static void forRecords(TLayoutPrintDialog &wizard, Rows &rows, int kind)
    {
        wizard.SetRows(&rows);
        wizard.SetDataPrint(true);
        wizard.SetPrintKind(kind);
    }
    QTemporaryDir dir;
    test::MessageBoxScript boxes;
};

}  // namespace

// A screen reader checks a radio button through its toggle action, which sends no click.
TEST_F(WizardTest, RadioButtonsToggledByAScreenReaderChooseTheRecords)
{
    Rows rows;
    TLayoutPrintDialog wizard(nullptr, printer());
    forRecords(wizard, rows, 0);
    rows.selected = 1;
    wizard.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&wizard));
    ASSERT_TRUE(control<QRadioButton>(&wizard, "rbViewData")->isChecked());
    ASSERT_EQ(wizard.RecordList, std::vector<int32_t>{11});
    const auto toggle = [&](const char *name) { ASSERT_TRUE(test::toggleOnTheBus(control<QRadioButton>(&wizard, name))); };
    toggle("rbAll");
    EXPECT_TRUE(control<QRadioButton>(&wizard, "rbAll")->isChecked());
    EXPECT_EQ(wizard.RecordList, (std::vector<int32_t>{10, 11, 12, 13, 14}));
    EXPECT_EQ(control<QLabel>(&wizard, "lblDataNum")->text(), QStringLiteral("5 件"));
    toggle("rbExcept");
    EXPECT_EQ(wizard.RecordList, (std::vector<int32_t>{10, 11, 12, 14}));
}

TEST_F(WizardTest, MultiUpSheetsFromTheStartPosition)
{
    {
        TMemIniFile ini(DataFolder + SettingsFileName);
        ini.WriteInteger("LAYOUT PRINT", "Range", 3);
        ini.WriteInteger("LAYOUT PRINT", "Limit", 2);
        ini.WriteInteger("LAYOUT PRINT", "OffsetY", 480);
        ini.UpdateFile();
    }
    Rows rows;
    TLayoutPrintDialog wizard(nullptr, printer());
    forRecords(wizard, rows, 0);
    wizard.SetSheetCount(10);
    wizard.SetContentRect(QRect(20, 20, 300, 500));
    wizard.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&wizard));
    EXPECT_TRUE(control<QRadioButton>(&wizard, "rbAll")->isChecked());
    EXPECT_TRUE(control<QRadioButton>(&wizard, "rbExcept")->isChecked());
    EXPECT_EQ(wizard.RecordList, (std::vector<int32_t>{10, 11, 12, 14}));
    EXPECT_EQ(control<QLabel>(&wizard, "lblDataNum")->text(), QStringLiteral("4 件"));
    control<QRadioButton>(&wizard, "rbPrint")->click();
    EXPECT_EQ(wizard.RecordList, (std::vector<int32_t>{10, 12}));
    control<QRadioButton>(&wizard, "rbNone")->click();
    control<QRadioButton>(&wizard, "rbRange")->click();
    type(control<QLineEdit>(&wizard, "edStartRange"), "３");  // the input method's digits are digits
    type(control<QLineEdit>(&wizard, "edEndRange"), "99");
    EXPECT_EQ(control<QLineEdit>(&wizard, "edEndRange")->text(), QStringLiteral("5"));
    EXPECT_EQ(wizard.RecordList, (std::vector<int32_t>{12, 13, 14}));

    control<QPushButton>(&wizard, "btnNext")->click();
    EXPECT_EQ(control<QStackedWidget>(&wizard, "pgcWizard")->currentIndex(), 1);
    EXPECT_EQ(control<QLabel>(&wizard, "lblVert")->text() + control<QLabel>(&wizard, "lblOffsetV")->text(),
              QStringLiteral("上：2.0 mm"));
    EXPECT_EQ(control<QWidget>(&wizard, "gbxLabel")->property("title").toString(), QStringLiteral("面付用紙"));
    type(control<QLineEdit>(&wizard, "edLabelCount"), "2");
    type(control<QLineEdit>(&wizard, "edLabelStart"), "5");
    EXPECT_EQ(control<QLabel>(&wizard, "lblCopy")->text(), QStringLiteral("1 枚"));
    type(control<QLineEdit>(&wizard, "edLabelStart"), "６");
    EXPECT_EQ(control<QLabel>(&wizard, "lblCopy")->text(), QStringLiteral("2 枚"));
    type(control<QLineEdit>(&wizard, "edLabelStart"), "77");
    EXPECT_EQ(wizard.GetLabelStart(), 10) << "no place beyond the sheet";
    type(control<QLineEdit>(&wizard, "edCopy"), "x");
    EXPECT_EQ(control<QLineEdit>(&wizard, "edCopy")->text(), QStringLiteral("1"));

    control<QScrollBar>(&wizard, "scbHorz")->setValue(400);  // 10 mm to the left: off the printable area
    EXPECT_TRUE(control<QLabel>(&wizard, "lblRangeInfo")->isVisible());
    boxes.answer(IDYES);
    control<QPushButton>(&wizard, "btnPrint")->click();
    EXPECT_EQ(wizard.result(), QDialog::Accepted);
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("宛名レイアウトを印刷します  \r\nよろしいですか？")});
    EXPECT_EQ(wizard.GetOffset(), QPoint(-100, -20));
    EXPECT_EQ(wizard.GetLabelCount(), 2);
    const TMemIniFile ini(DataFolder + SettingsFileName);
    EXPECT_EQ(ini.ReadInteger("LAYOUT PRINT", "Range", -1), 2);
    EXPECT_EQ(ini.ReadInteger("LAYOUT PRINT", "StartRange", -1), 3);
    EXPECT_EQ(ini.ReadInteger("LAYOUT PRINT", "LabelStart", -1), 10);
    EXPECT_EQ(ini.ReadInteger("LAYOUT PRINT", "OffsetX", -1), 400);
}

TEST_F(WizardTest, ShownRecordWithoutSelectionIsNoRecord)
{
    {
        TMemIniFile ini(DataFolder + SettingsFileName);
        ini.WriteInteger("LAYOUT PRINT", "Limit", 1);  // not restored for the shown record
        ini.UpdateFile();
    }
    const QByteArray before = test::readFile(DataFolder + SettingsFileName);
    Rows rows;
    TLayoutPrintDialog wizard(nullptr, printer());
    forRecords(wizard, rows, 1);
    wizard.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&wizard));
    EXPECT_TRUE(control<QRadioButton>(&wizard, "rbNone")->isChecked());
    EXPECT_TRUE(wizard.RecordList.empty());
    EXPECT_FALSE(control<QPushButton>(&wizard, "btnPreview1")->isVisible()) << "a single paper has no preview";
    EXPECT_FALSE(control<QWidget>(&wizard, "gbxLabel")->isVisible());
    control<QPushButton>(&wizard, "btnNext")->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("印刷するデータがありません  ")});
    EXPECT_EQ(control<QStackedWidget>(&wizard, "pgcWizard")->currentIndex(), 0);

    rows.selected = 3;
    control<QRadioButton>(&wizard, "rbAll")->click();
    control<QRadioButton>(&wizard, "rbViewData")->click();
    EXPECT_EQ(wizard.RecordList, std::vector<int32_t>{13});
    control<QPushButton>(&wizard, "btnNext")->click();
    ASSERT_TRUE(control<QWidget>(&wizard, "gbxEnvelope")->isVisible());
    type(control<QLineEdit>(&wizard, "edFlap"), "12.3");
    EXPECT_EQ(wizard.GetFlap(), 123);
    type(control<QLineEdit>(&wizard, "edFlap"), "1.2.3");
    EXPECT_EQ(control<QLineEdit>(&wizard, "edFlap")->text(), QStringLiteral("12.3"));
    control<QPushButton>(&wizard, "btnCancel2")->click();
    EXPECT_EQ(wizard.result(), QDialog::Rejected);
    EXPECT_EQ(test::readFile(DataFolder + SettingsFileName), before) << "Cancel writes nothing";
}

// The envelope's flap in tenths of a millimetre: the input method's "。" is its decimal point, as "." is.
TEST_F(WizardTest, TheInputMethodsFullStopIsTheFlapsDecimalPoint)
{
    Rows rows;
    TLayoutPrintDialog wizard(nullptr, printer());
    forRecords(wizard, rows, 1);
    wizard.show();
    wizard.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&wizard));
    control<QRadioButton>(&wizard, "rbAll")->click();
    control<QPushButton>(&wizard, "btnNext")->click();
    ASSERT_TRUE(control<QWidget>(&wizard, "gbxEnvelope")->isVisible());
    auto *flap = control<QLineEdit>(&wizard, "edFlap");
    flap->setFocus();
    flap->selectAll();
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("１２。３"));
    QApplication::sendEvent(flap, &commit);
    QTest::keyClick(flap, Qt::Key_Return);
    EXPECT_EQ(flap->text(), QStringLiteral("12.3"));
    EXPECT_EQ(wizard.GetFlap(), 123);
}

// Settings that cannot be kept are named in a message; the print still goes ahead with the choices made.
TEST_F(WizardTest, SettingsThatCannotBeWrittenAreNamedAndThePrintGoesOn)
{
    const QString settings = DataFolder + SettingsFileName;
    ASSERT_TRUE(QDir().mkpath(settings));
    Rows rows;
    rows.selected = 2;
    TLayoutPrintDialog wizard(nullptr, printer());
    forRecords(wizard, rows, 0);
    wizard.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&wizard));
    control<QPushButton>(&wizard, "btnNext")->click();
    boxes.answer(IDYES);
    control<QPushButton>(&wizard, "btnPrint")->click();
    EXPECT_EQ(wizard.result(), QDialog::Accepted);
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_TRUE(boxes.shown()[1].text.startsWith(settings)) << boxes.shown()[1].text.toStdString();
    EXPECT_EQ(wizard.RecordList, std::vector<int32_t>{12});
}

TEST_F(WizardTest, EveryNumberFieldHasItsArrowsRightBesideIt)
{
    // A postcard (the copies alone beside the offset bars), an envelope and a label sheet.
    for (uint8_t kind : {0, 1, 2}) {
        SCOPED_TRACE(int(kind));
        TLayoutPrintDialog wizard(nullptr, printer());
        wizard.SetDataPrint(false);
        wizard.SetPrintKind(kind);
        wizard.SetSheetCount(kind == 2 ? 12 : 1);
        wizard.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&wizard));
        QStringList pairs{QStringLiteral("Copy")};
        if (kind == 1)
            pairs << QStringLiteral("Flap");
        if (kind == 2)
            pairs << QStringLiteral("LabelStart") << QStringLiteral("LabelCount");
        for (const QString &pair : pairs) {
            SCOPED_TRACE(pair.toStdString());
            const QWidget *edit = wizard.findChild<QLineEdit *>(QStringLiteral("ed") + pair);
            const QWidget *arrows = wizard.findChild<QWidget *>(QStringLiteral("ud") + pair);
            ASSERT_TRUE(edit && arrows);
            const QRect e(edit->mapTo(&wizard, QPoint()), edit->size());
            const QRect a(arrows->mapTo(&wizard, QPoint()), arrows->size());
            EXPECT_LE(a.height(), e.height() + 2) << a.height();
            EXPECT_NEAR(a.center().y(), e.center().y(), 2);
            EXPECT_GE(a.left(), e.right());
            EXPECT_LE(a.left() - e.right(), 8);
        }
    }
}

// A screen reader sets a number's text over the accessibility bus, with no key and no leaving: each number is
// taken as it is at Enter, kept in its range, and what depends on it follows.
TEST_F(WizardTest, NumbersSetOverTheAccessibilityBusAreTakenAsAtEnter)
{
    InstallTypedTextAccessibility();  // as the program does at start
    Rows rows;
    TLayoutPrintDialog wizard(nullptr, printer());
    forRecords(wizard, rows, 0);
    wizard.SetSheetCount(10);
    wizard.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&wizard));
    const auto set = [&](const char *name, const QString &text) {
        auto *edit = control<QLineEdit>(&wizard, name);
        ASSERT_TRUE(test::setTextOnTheBus(edit, text)) << name;
        EXPECT_FALSE(edit->hasFocus());
    };
    ASSERT_TRUE(test::toggleOnTheBus(control<QRadioButton>(&wizard, "rbRange")));
    set("edStartRange", "3");
    set("edEndRange", "3");
    EXPECT_EQ(wizard.RecordList, std::vector<int32_t>{12});
    EXPECT_EQ(control<QLabel>(&wizard, "lblDataNum")->text(), QStringLiteral("1 件"));
    set("edEndRange", "99");
    EXPECT_EQ(control<QLineEdit>(&wizard, "edEndRange")->text(), QStringLiteral("5"));
    EXPECT_EQ(control<QLabel>(&wizard, "lblDataNum")->text(), QStringLiteral("3 件"));

    control<QPushButton>(&wizard, "btnNext")->click();
    set("edCopy", "2");
    set("edCopy", "1");
    EXPECT_EQ(wizard.GetCopies(), 1);
    set("edFlap", "12.5");
    EXPECT_EQ(wizard.GetFlap(), 125);
    EXPECT_EQ(control<QLineEdit>(&wizard, "edFlap")->text(), QStringLiteral("12.5"));
    set("edLabelCount", "2");
    set("edLabelStart", "77");
    EXPECT_EQ(wizard.GetLabelCount(), 2);
    EXPECT_EQ(wizard.GetLabelStart(), 10) << "no place beyond the sheet";
    EXPECT_EQ(control<QLineEdit>(&wizard, "edLabelStart")->text(), QStringLiteral("10"));
    // A text that is no number shows the number before again.
    set("edCopy", "x");
    EXPECT_EQ(control<QLineEdit>(&wizard, "edCopy")->text(), QStringLiteral("1"));
}

// By keys alone: Tab goes from 設定 to the two offset bars and on to the copies, Shift+Tab back, and the arrows
// move the print position of the bar Tab reached the way they point (Down lower, Left further left).
TEST_F(WizardTest, TabReachesTheOffsetBarsBetweenThePrinterAndTheCopies)
{
    TLayoutPrintDialog wizard(nullptr, printer());
    wizard.SetDataPrint(false);
    wizard.SetPrintKind(0);
    wizard.show();
    wizard.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&wizard));
    auto *printers = control<QPushButton>(&wizard, "bbtnPrinters");
    auto *vert = control<QScrollBar>(&wizard, "scbVert");
    auto *horz = control<QScrollBar>(&wizard, "scbHorz");
    auto *copies = control<QLineEdit>(&wizard, "edCopy");
    printers->setFocus(Qt::TabFocusReason);
    const auto press = [&wizard](Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &wizard, key, modifiers);
    };
    press(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), vert);
    press(Qt::Key_Down);
    press(Qt::Key_Down);
    press(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), horz);
    press(Qt::Key_Left);
    press(Qt::Key_Left);
    press(Qt::Key_Right);
    press(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), copies);
    EXPECT_EQ(wizard.GetOffset(), QPoint(-1, 2));
    press(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), horz);
    press(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), vert);
    press(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), printers);
    const QStringList faults = test::readingOrderFaults(test::tabRound(&wizard), &wizard);
    EXPECT_TRUE(faults.isEmpty()) << faults.join(u'\n').toStdString();
}

// A screen reader reads each field of the wizard by the caption beside it, not by its group's title, and each
// offset bar by its side with the distance the window shows, in mm; a distance it sets lands on that side.
TEST_F(WizardTest, EachFieldAndOffsetBarIsReadAsTheWindowShowsIt)
{
    Rows rows;
    TLayoutPrintDialog wizard(nullptr, printer());
    forRecords(wizard, rows, 1);
    wizard.SetSheetCount(12);
    wizard.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&wizard));
    const auto read = [&wizard](const char *name, QAccessible::Text what = QAccessible::Name) {
        return QAccessible::queryAccessibleInterface(control<QWidget>(&wizard, name))->text(what);
    };
    EXPECT_EQ(read("edStartRange"), QStringLiteral("件目から"));
    EXPECT_EQ(read("edEndRange"), QStringLiteral("件目まで"));
    EXPECT_EQ(read("edCopy"), QStringLiteral("部数"));
    EXPECT_EQ(read("edFlap"), QStringLiteral("ふたの長さ"));
    EXPECT_EQ(read("edLabelStart"), QStringLiteral("印刷開始位置"));
    EXPECT_EQ(read("edLabelCount"), QStringLiteral("1件の印刷回数"));

    auto *horz = control<QScrollBar>(&wizard, "scbHorz");
    QAccessibleInterface *bar = QAccessible::queryAccessibleInterface(horz);
    QAccessibleValueInterface *value = bar->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(read("scbVert"), QStringLiteral("上："));
    EXPECT_EQ(read("scbHorz"), QStringLiteral("左："));
    EXPECT_DOUBLE_EQ(value->currentValue().toDouble(), 0.0);
    EXPECT_EQ(read("scbHorz", QAccessible::Value), QStringLiteral("0.0 mm"));
    horz->setFocus();
    QTest::keyClick(horz, Qt::Key_Right);
    EXPECT_EQ(read("scbHorz"), QStringLiteral("右："));
    EXPECT_DOUBLE_EQ(value->currentValue().toDouble(), 0.1);
    EXPECT_EQ(read("scbHorz", QAccessible::Value), control<QLabel>(&wizard, "lblOffsetH")->text());
    EXPECT_DOUBLE_EQ(value->minimumStepSize().toDouble(), 0.1);
    EXPECT_DOUBLE_EQ(value->maximumValue().toDouble(), 50.0);

    value->setCurrentValue(2.5);
    EXPECT_EQ(wizard.GetOffset().x(), 25);
    EXPECT_EQ(control<QLabel>(&wizard, "lblOffsetH")->text(), QStringLiteral("2.5 mm"));
    QAccessibleInterface *vert = QAccessible::queryAccessibleInterface(control<QScrollBar>(&wizard, "scbVert"));
    vert->valueInterface()->setCurrentValue(99.0);
    EXPECT_EQ(wizard.GetOffset().y(), -500) << "the upper side is held at its end";
}
