// Copying records to another address book: the range controls, what is copied, the duplicate rules, the
// record limit, stopping and failing runs, and the stored choices.
#include "base/FileReplace.h"
#include "base/SjisCodec.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "db/Sqlite.h"
#include "db/Table.h"
#include "db/TableSchemas.h"
#include "mainlist/AdrsCopy.h"
#include "mainlist/AdrsList.h"
#include "platform/MemIniFile.h"
#include "widgets/ShiftJisValidator.h"
#include "widgets/UniStdCtrls.h"

#include "TestSupport.h"

#include <QAccessible>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QToolTip>

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct Rec {
    QByteArray code, tel, fax;
};

std::unique_ptr<TTable> openBook(const QString &folder)
{
    auto t = std::make_unique<TTable>();
    t->DatabaseName = AdrsFolder + folder + "/";
    t->TableName = "Adrs.DB";
    t->Schema = AdrsTableSchema();
    if (!QFileInfo::exists(t->FileName()))
        t->CreateTable();
    t->Open();
    return t;
}

void add(TTable &t, const Rec &r)
{
    t.Append();
    t.FieldByName("CustomCode").SetAsString(r.code);
    t.FieldByName("Tel").SetAsString(r.tel);
    t.FieldByName("Fax").SetAsString(r.fax);
    t.Post();
}

// Every column of every row, in record-number order.
std::vector<QVariantList> rowsOf(const QString &folder)
{
    auto t = openBook(folder);
    QStringList names;
    for (int c = 0; c < t->FieldCount(); ++c)
        names << t->FieldDef(c).Name;
    std::vector<QVariantList> rows;
    t->Scan(names, true, [&](const QVariantList &row) { rows.push_back(row); });
    return rows;
}

class AddressCopyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DataFolder = DataRootFolder = dir.path() + "/";
        AdrsFolder = dir.path() + "/Adrs/";
        OtherFolder = dir.path() + "/Other/";
        CategoryFolder = test::appDir() + "Category/";
        for (const QString &f : {AdrsFolder + "Source", AdrsFolder + "Target", AdrsFolder + "Empty", OtherFolder})
            QDir().mkpath(f);
        AdrsBookList = {{"元", "Source", abReady}, {"先", "Target", abReady}, {"空", "Empty", abReady},
                        {QString(), "Gone", abDeletePending}};
        CurrentAdrsName = "元";
        dm = std::make_unique<TDMMirvale18>();
        DMMirvale18 = dm.get();
        dm->CreateAdrsTableObject("Source");
        ASSERT_TRUE(dm->OpenAdrsTable());
        dm->CreateSenderTableObject();
        dm->CreateSharedTableObjects();
        openBook("Target");
        list = std::make_unique<TAddressList>();
    }
    void TearDown() override
    {
        delete AddressCopy;
        list.reset();
        DMMirvale18 = nullptr;
        AdrsBookList.clear();
        CurrentAdrsName.clear();
    }
    TAddressCopy *open()
    {
        list->RefreshList(true, true, false);
        ShowAddressCopy(list.get());
        return AddressCopy;
    }
    template <class T> T *ctl(const char *name) { return AddressCopy->findChild<T *>(QLatin1String(name)); }
    void type(const char *edit, const QString &text)
    {
        ctl<TUniEdit>(edit)->setText(text);
        QTest::keyClick(ctl<TUniEdit>(edit), Qt::Key_Return);
    }
    QString range() { return ctl<TUniEdit>("edtRangeBegin")->text() + "-" + ctl<TUniEdit>("edtRangeEnd")->text(); }
    static void flushDeletes() { test::handlerReturned(); }

    QTemporaryDir dir;
    std::unique_ptr<TDMMirvale18> dm;
    std::unique_ptr<TAddressList> list;
    test::MessageBoxScript boxes;
};

}  // namespace

TEST_F(AddressCopyTest, RangeEditsFollowTypingKeysAndTheList)
{
    open();
    EXPECT_EQ(ctl<QListWidget>("lvAdrs")->count(), 2);  // neither the open book nor a deleted one
    EXPECT_EQ(range(), "0-0");
    EXPECT_EQ(ctl<QLabel>("lblDataCount")->text(), QStringLiteral("0 件"));
    EXPECT_FALSE(ctl<QPushButton>("btnCopy")->isEnabled());

    for (int i = 0; i < 12; ++i)
        add(*dm->AdrsTable, {});
    list->RefreshList(false, true, false);
    AddressCopy->ListCountChanged();
    EXPECT_EQ(range(), "1-12");
    ctl<QRadioButton>("rbRange")->click();
    EXPECT_TRUE(ctl<TUniEdit>("edtRangeBegin")->isEnabled());
    type("edtRangeBegin", "3");
    type("edtRangeEnd", "7");
    EXPECT_EQ(ctl<QLabel>("lblDataCount")->text(), QStringLiteral("5 件"));
    type("edtRangeBegin", "9");  // the end follows
    EXPECT_EQ(range(), "9-9");
    EXPECT_EQ(ctl<QLabel>("lblDataCount")->text(), QStringLiteral("1 件"));
    for (const QString &refused : {QStringLiteral("12a"), QStringLiteral("   "), QStringLiteral("13")}) {
        type("edtRangeBegin", refused);
        EXPECT_EQ(range(), "9-9") << refused.toStdString();
    }
    type("edtRangeBegin", " 12 ");
    EXPECT_EQ(range(), "12-12");
    type("edtRangeBegin", QStringLiteral("１１"));  // the input method's digits are digits
    EXPECT_EQ(range(), "11-12");

    type("edtRangeBegin", "3");
    QTest::keyClick(ctl<TUniEdit>("edtRangeBegin"), Qt::Key_PageUp);  // clamped to the rows, not 13
    EXPECT_EQ(range(), "12-12");
    QTest::keyClick(ctl<TUniEdit>("edtRangeEnd"), Qt::Key_PageDown);  // the begin follows down
    EXPECT_EQ(range(), "2-2");
    QTest::mouseClick(ctl<QWidget>("udRangeEnd")->findChild<QToolButton *>("btnUp"), Qt::LeftButton);
    EXPECT_EQ(range(), "2-3");
    EXPECT_EQ(ctl<QLabel>("lblDataCount")->text(), QStringLiteral("2 件"));

    // A list of another length resets the range to the whole list.
    add(*dm->AdrsTable, {});
    list->RefreshList(false, true, false);
    AddressCopy->ListCountChanged();
    EXPECT_EQ(range(), "1-13");
}

// A screen reader sets a range edit's text over the accessibility bus, with no key to end it: the text is taken
// as a typed one is on leaving the edit, and the count follows, or it is refused and the value shown before
// comes back.
TEST_F(AddressCopyTest, ARangeSetOverTheAccessibilityBusIsAppliedAsATypedOne)
{
    InstallTypedTextAccessibility();  // as the program does at start
    for (int i = 0; i < 12; ++i)
        add(*dm->AdrsTable, {});
    open();
    ctl<QRadioButton>("rbRange")->click();
    const auto setOverTheBus = [this](const char *edit, const QString &text) {
        QAccessibleInterface *field = QAccessible::queryAccessibleInterface(ctl<TUniEdit>(edit));
        ASSERT_NE(field->editableTextInterface(), nullptr);
        field->editableTextInterface()->replaceText(0, field->textInterface()->characterCount(), text);
    };
    setOverTheBus("edtRangeBegin", QStringLiteral("6"));
    EXPECT_EQ(range(), "6-12");
    EXPECT_EQ(ctl<QLabel>("lblDataCount")->text(), QStringLiteral("7 件"));
    for (const QString &refused : {QStringLiteral("12a"), QStringLiteral("0"), QString()}) {
        setOverTheBus("edtRangeEnd", refused);
        EXPECT_EQ(range(), "6-12") << refused.toStdString();
        EXPECT_EQ(ctl<QLabel>("lblDataCount")->text(), QStringLiteral("7 件"));
    }
    setOverTheBus("edtRangeEnd", QStringLiteral("８"));
    EXPECT_EQ(range(), "6-8");
    EXPECT_EQ(ctl<QLabel>("lblDataCount")->text(), QStringLiteral("3 件"));
    // More than the edit's six characters is cut with a word, as a paste is.
    QToolTip::hideText();
    setOverTheBus("edtRangeBegin", QStringLiteral("0000007"));
    EXPECT_TRUE(QToolTip::text().contains(QStringLiteral("入りきらない1文字"))) << QToolTip::text().toStdString();
    EXPECT_EQ(range(), "6-8");
}

TEST_F(AddressCopyTest, CopiesChosenRowsWithEveryFieldThenFollowsTheCustomerCodeRule)
{
    TTable &source = *dm->AdrsTable;
    for (int r = 1; r <= 3; ++r) {
        source.Append();
        for (int c = 1; c < source.FieldCount(); ++c) {
            const TFieldDef &f = source.FieldDef(c);
            TField &field = source.FieldByName(f.Name);
            if (f.Type == TFieldType::String || f.Type == TFieldType::Memo)
                field.SetAsString(Sjis::encode(QStringLiteral("値%1").arg(r * 100 + c)));
            else if (f.Type == TFieldType::DateTime)
                field.SetAsDateTime(45000.25 + r + c / 1000.0);
            else
                field.SetAsInteger(f.Type == TFieldType::Boolean ? 1 : r * 100 + c);
        }
        source.Post();
    }
    open();
    list->SetSelected(0, true);
    list->SetSelected(2, true);
    AddressCopy->ListCountChanged();
    EXPECT_EQ(ctl<QLabel>("lblDataCount")->text(), QStringLiteral("2 件"));
    ctl<QPushButton>("btnCopy")->click();
    EXPECT_EQ(boxes.texts().last(), QStringLiteral("アドレス帳のコピーが完了しました  \r\n\r\n対象件数 : \t2 件  \r\n登録件数 : \t2 件  "));
    flushDeletes();
    EXPECT_EQ(AddressCopy, nullptr);  // the window closed itself

    const std::vector<QVariantList> from = rowsOf("Source"), to = rowsOf("Target");
    ASSERT_EQ(to.size(), 2u);
    const int codeGenre = static_cast<int>(AdrsTableSchema().Fields.size()) - 1;
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(to[i][0].toInt(), i + 1);
        EXPECT_EQ(to[i][codeGenre].toInt(), 0);
        for (int c = 1; c < codeGenre; ++c)
            EXPECT_EQ(to[i][c], from[i * 2][c]) << AdrsTableSchema().Fields[c].Name.toStdString();
    }
    const TMemIniFile ini(DataFolder + SettingsFileName);
    EXPECT_EQ(ini.ReadSection("ADRS COPY").size(), 14);

    // Every row again: the two already there are left out by their customer codes, then overwritten.
    open();
    ctl<QRadioButton>("rbAll")->click();
    boxes.clear();
    ctl<QPushButton>("btnCopy")->click();
    EXPECT_EQ(boxes.texts().last(),
              QStringLiteral("アドレス帳のコピーが完了しました  \r\n\r\n対象件数 : \t3 件  \r\n登録件数 : \t1 件  \r\n未処理件数 : \t2 件  "));
    flushDeletes();
    dm->AdrsTable->FindKey({1});
    dm->AdrsTable->Edit();
    dm->AdrsTable->FieldByName("NameKanji").SetAsString("changed");
    dm->AdrsTable->Post();
    open();
    ctl<QRadioButton>("rbDestUpdate")->click();
    boxes.clear();
    ctl<QPushButton>("btnCopy")->click();  // the overwrite warning defaults to No
    EXPECT_EQ(boxes.shown().back().flags, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2);
    ASSERT_NE(AddressCopy, nullptr);
    boxes.answer(IDYES);
    boxes.answer(IDYES);
    ctl<QPushButton>("btnCopy")->click();
    EXPECT_EQ(boxes.texts().last(),
              QStringLiteral("アドレス帳のコピーが完了しました  \r\n\r\n対象件数 : \t3 件  \r\n登録件数 : \t0 件  \r\n上書き件数 : \t3 件  "));
    const auto after = rowsOf("Target");
    ASSERT_EQ(after.size(), 3u);
    EXPECT_EQ(after[0][0].toInt(), 1);  // the record number is kept
    const auto &fields = AdrsTableSchema().Fields;
    const auto nameKanji = std::find_if(fields.begin(), fields.end(), [](const TFieldDef &f) { return f.Name == "NameKanji"; });
    EXPECT_EQ(after[0][int(nameKanji - fields.begin())].toByteArray(), "changed");
}

// A screen reader presses コピー and キャンセル while the summary is open: neither runs, so the copy is not run
// again; the window, closed meanwhile by the window manager, closes once the run that shows the summary has
// returned, never under it.
TEST_F(AddressCopyTest, ButtonsPressedWhileTheSummaryIsOpenWaitForTheRunToReturn)
{
    add(*dm->AdrsTable, {"C1", "0311112222", ""});
    add(*dm->AdrsTable, {"C2", "0322223333", ""});
    QPointer<TAddressCopy> window = open();
    ctl<QRadioButton>("rbAll")->click();
    boxes.answer(IDYES);
    bool openDuringSummary = false;
    boxes.answer(IDOK, [&] {
        window->btnCopy->click();
        window->btnCancel->click();
        window->close();
        openDuringSummary = !window.isNull();
    });
    window->btnCopy->click();
    EXPECT_TRUE(openDuringSummary);
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_TRUE(boxes.texts()[1].startsWith(QStringLiteral("アドレス帳のコピーが完了しました  ")));
    flushDeletes();
    EXPECT_TRUE(window.isNull());
    EXPECT_EQ(AddressCopy, nullptr);
    EXPECT_EQ(rowsOf("Target").size(), 2u);
}

TEST_F(AddressCopyTest, StopRollsBackEverythingCopiedSoFar)
{
    auto target = openBook("Target");
    add(*target, {"T1", "0311112222", ""});
    target.reset();
    for (int i = 0; i < 300; ++i)
        add(*dm->AdrsTable, {QByteArray::number(i), "0399990000", ""});
    open();
    ctl<QRadioButton>("rbAll")->click();
    // The stop lands before the sixth record: five copies wait in the run's transaction.
    AddressCopy->EventIntervalMs = 0;
    int furthest = 0;
    QObject::connect(ctl<QProgressBar>("pgbarAdrsCopy"), &QProgressBar::valueChanged, [this, &furthest](int value) {
        furthest = std::max(furthest, value);
        if (value == 5)
            AddressCopy->findChild<QProgressDialog *>()->cancel();
    });
    ctl<QPushButton>("btnCopy")->click();
    EXPECT_EQ(furthest, 5) << "stopped in the middle of the run";
    EXPECT_EQ(boxes.texts().last(), QStringLiteral("コピーを中止しました  \r\nコピー先のアドレス帳は変更されていません  "));
    ASSERT_NE(AddressCopy, nullptr);  // the window stays with its choices
    EXPECT_EQ(rowsOf("Target").size(), 1u);
    EXPECT_FALSE(TMemIniFile(DataFolder + SettingsFileName).SectionExists("ADRS COPY"));
}

TEST_F(AddressCopyTest, FailedRecordsAreCountedAndALostTransactionUndoesTheRun)
{
    for (const QByteArray code : {"A", "BAD", "C"})
        add(*dm->AdrsTable, {code, "", ""});
    auto refuse = [this](const QByteArray &how) {
        TSqliteDatabase db;
        db.Open(AdrsFolder + "Target/Adrs.DB", TablePassword, false);
        db.Exec("DROP TRIGGER IF EXISTS refuse");
        db.Exec("CREATE TRIGGER refuse BEFORE INSERT ON \"Adrs\" WHEN NEW.\"CustomCode\" = 'BAD' "
                "BEGIN SELECT RAISE(" + how + ", 'refused'); END");
    };
    refuse("ROLLBACK");  // the engine drops the whole transaction, as on a full disk
    open();
    ctl<QRadioButton>("rbAll")->click();
    ctl<QPushButton>("btnCopy")->click();
    EXPECT_EQ(boxes.texts().last(),
              QStringLiteral("コピー中にエラーが発生したため、コピーを取り消しました  \r\nコピー先のアドレス帳は変更されていません  "));
    EXPECT_TRUE(rowsOf("Target").empty());

    refuse("ABORT");  // only the one record fails
    ctl<QPushButton>("btnCopy")->click();
    EXPECT_EQ(boxes.shown().back().flags, MB_ICONWARNING);
    EXPECT_EQ(boxes.texts().last(),
              QStringLiteral("アドレス帳のコピーが終了しました  \r\nコピーできなかったデータがあります  \r\n\r\n"
                             "対象件数 : \t3 件  \r\n登録件数 : \t2 件  \r\nエラー件数 : \t1 件  "));
    EXPECT_EQ(rowsOf("Target").size(), 2u);
}

// The other book without room for what the copy writes there: the run is taken back, and the message says why,
// naming that book's folder.
TEST_F(AddressCopyTest, ACopyTheOtherBookHasNoRoomForIsTakenBackAndSaysWhy)
{
    for (const QByteArray code : {"A-1", "B-2"})
        add(*dm->AdrsTable, {code, "0312345678", ""});
    const QString journal = AdrsFolder + "Target/Adrs.DB-journal";
    ASSERT_TRUE(QFile::link("/dev/full", journal));  // the journal of the copy's changes finds no room
    const auto room = qScopeGuard([&journal] { QFile::remove(journal); });
    open();
    ctl<QRadioButton>("rbAll")->click();
    ctl<QPushButton>("btnCopy")->click();
    EXPECT_EQ(boxes.texts().last(),
              QStringLiteral("コピー中にエラーが発生したため、コピーを取り消しました  \r\nコピー先のアドレス帳は変更されていません  "
                             "\r\n\r\n")
                  + QDir::toNativeSeparators(AdrsFolder + "Target/") + "\r\n" + DiskFullReason);
    EXPECT_TRUE(rowsOf("Target").empty());
}

TEST_F(AddressCopyTest, StoredChoicesAreCorrectedAndOnlyACopyWritesThem)
{
    const QByteArray stored = "[ADRS COPY]\r\nDataSelect=7\r\nTel=1\r\nFax=1\r\nBothType=1\r\nSameNumCheck=5\r\n"
                              "SameCustomCheck=3\r\nSameAddDateTime=0\r\n";
    test::writeFile(DataFolder + SettingsFileName, stored);
    add(*dm->AdrsTable, {});
    open();
    EXPECT_TRUE(ctl<QRadioButton>("rbList")->isChecked());
    EXPECT_EQ(AddressCopy->TickedNumberItems, 2);
    EXPECT_TRUE(ctl<QRadioButton>("rbOr")->isChecked() && ctl<QRadioButton>("rbOr")->isEnabled());
    EXPECT_TRUE(ctl<QRadioButton>("rbNewAdd")->isChecked());
    EXPECT_TRUE(ctl<QRadioButton>("rbNotUpdate")->isChecked());
    EXPECT_FALSE(ctl<QCheckBox>("chkSameUpdDateTime")->isEnabled());
    ctl<QCheckBox>("chkTel")->click();
    EXPECT_FALSE(ctl<QRadioButton>("rbOr")->isEnabled());
    EXPECT_TRUE(ctl<QRadioButton>("rbNewAdd")->isEnabled());

    // No book chosen; then a book whose table was never made: nothing is copied, the window stays.
    ctl<QRadioButton>("rbAll")->click();
    ctl<QListWidget>("lvAdrs")->clearSelection();
    ctl<QPushButton>("btnCopy")->click();
    EXPECT_EQ(boxes.texts().last(), QStringLiteral("コピー先のアドレス帳を選択してください  "));
    ctl<QListWidget>("lvAdrs")->setCurrentRow(1);
    ctl<QPushButton>("btnCopy")->click();
    EXPECT_EQ(boxes.texts().last(), QStringLiteral("アドレス帳ファイルがオープンできませんでした（サブ）  "));
    EXPECT_FALSE(QFileInfo::exists(AdrsFolder + "Empty/Adrs.DB"));
    ASSERT_NE(AddressCopy, nullptr);

    ctl<QPushButton>("btnCancel")->click();
    flushDeletes();
    const TMemIniFile ini(DataFolder + SettingsFileName);
    EXPECT_EQ(ini.ReadSection("ADRS COPY"),
              QStringList({"DataSelect", "Tel", "Fax", "BothType", "SameNumCheck", "SameCustomCheck", "SameAddDateTime",
                           "Left", "Top"}));
    EXPECT_EQ(ini.ReadInteger("ADRS COPY", "DataSelect", 0), 7);
}

// The duplicate rules and the limit, on two tables without any window.
class RecordCopierTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        AdrsFolder = dir.path() + "/";
        QDir().mkpath(AdrsFolder + "S");
        QDir().mkpath(AdrsFolder + "T");
        source = openBook("S");
        target = openBook("T");
    }
    // Copies every source record with the rules; the outcomes in order.
    std::vector<int> copyAll(const TAdrsCopyRules &rules, int targetCount = 0)
    {
        TAdrsRecordCopier copier(*source, *target, rules, targetCount);
        std::vector<int> outcomes;
        source->SetIndexName(QString());
        for (int recNo = 1; source->FindKey({recNo}); ++recNo)
            outcomes.push_back(copier.CopyRecord());
        return outcomes;
    }
    static TAdrsCopyRules numbers(bool tel, bool fax, int bothType)
    {
        TAdrsCopyRules r;
        r.NumberItems = {tel, fax, false, false};
        r.BothType = bothType;
        r.SameNumCheck = 1;
        return r;
    }

    TDMMirvale18 dm;  // registers the table password
    QTemporaryDir dir;
    std::unique_ptr<TTable> source, target;
};

TEST_F(RecordCopierTest, SameNumberTestsCompareStoredTextsExactly)
{
    add(*target, {"", "0311112222", "0399990000"});
    add(*target, {"", "0311112222", "0355556666"});
    add(*source, {"", "0322223333", ""});            // new
    add(*source, {"", "0322223333", ""});            // same as the one just registered
    add(*source, {"", "0311112222", ""});            // empty Fax is not compared
    add(*source, {"", "0311112222", "0355556666"});  // matches the second of the run of equal Tels
    add(*source, {"", "0311112222", "0300000000"});  // Tel matches, Fax does not
    add(*source, {"", "03-1111-2222", ""});          // hyphens make another number
    add(*source, {"", "", ""});                      // nothing to compare
    EXPECT_EQ(copyAll(numbers(true, true, 0)),
              (std::vector<int>{coAdded, coSkipped, coSkipped, coSkipped, coAdded, coAdded, coAdded}));

    target = nullptr;
    QFile::remove(AdrsFolder + "T/Adrs.DB");
    target = openBook("T");
    add(*target, {"", "", "0399990000"});
    source = nullptr;
    QFile::remove(AdrsFolder + "S/Adrs.DB");
    source = openBook("S");
    add(*source, {"", "0311112222", "0399990000"});  // the Fax alone is enough
    add(*source, {"", "0311112222", "0388880000"});  // neither
    EXPECT_EQ(copyAll(numbers(true, true, 1)), (std::vector<int>{coSkipped, coAdded}));
    TAdrsCopyRules registerAnyway = numbers(true, true, 1);
    registerAnyway.SameNumCheck = 0;
    EXPECT_EQ(copyAll(registerAnyway), (std::vector<int>{coAdded, coAdded}));
}

TEST_F(RecordCopierTest, LimitComesBeforeEveryOtherRuleAndTimesFollowTheTicks)
{
    add(*target, {"X", "", ""});
    for (const QByteArray code : {"A", "B", "C"})
        add(*source, {code, "", ""});
    EXPECT_EQ(copyAll({}, MaxAdrsRecords - 2), (std::vector<int>{coAdded, coAdded, coLimitReached}));
    source->FindKey({1});
    source->Edit();
    source->FieldByName("CustomCode").SetAsString("X");
    source->Post();
    TAdrsCopyRules overwrite;
    overwrite.SameCustomCheck = 0;
    EXPECT_EQ(copyAll(overwrite, MaxAdrsRecords).front(), coLimitReached);
    EXPECT_EQ(target->RecordCount(), 3);

    TAdrsCopyRules fresh;
    fresh.SameCustomCheck = 0;
    fresh.SameAddDateTime = false;
    const std::vector<int> outcomes = copyAll(fresh);
    EXPECT_EQ(outcomes.front(), coOverwritten);
    target->SetIndexName(QString());
    target->FindKey({1});
    const double added = target->FieldByName("AddDateTime").AsDateTime();
    const double updated = target->FieldByName("UpdDateTime").AsDateTime();
    EXPECT_NEAR(added * 86400, std::round(added * 86400), 1e-3);  // whole seconds
    EXPECT_GE(updated, added);
    EXPECT_LT((updated - added) * 86400, 2.0);
}
