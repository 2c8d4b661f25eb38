// The table engine: files, orders, keys, ranges, filters, edit states and errors.
#include "base/SjisCodec.h"
#include "db/Collation.h"
#include "db/Session.h"
#include "db/Table.h"
#include "db/TableSchemas.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <thread>

#include <grp.h>
#include <unistd.h>

namespace {

QByteArray sjis(const QString &s) { return Sjis::encode(s); }

const TTableSchema &testSchema()
{
    static const TTableSchema schema{
        {{"RecNo", TFieldType::AutoInc, 0}, {"Name", TFieldType::String, 10}, {"Kana", TFieldType::String, 10},
         {"Value", TFieldType::Integer, 0}, {"Flag", TFieldType::Boolean, 0}, {"When", TFieldType::DateTime, 0},
         {"Memo", TFieldType::Memo, 100}},
        {{"", "RecNo", ixPrimary | ixUnique}, {"Name", "Name", 0}, {"Kana", "Kana", ixCaseInsensitive},
         {"Combo", "Value;Kana", ixCaseInsensitive}}};
    return schema;
}

class TableTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Session().AddPassword(TablePassword);
        table.DatabaseName = dir.path() + "/";
        table.TableName = "Test.DB";
        table.Schema = testSchema();
    }
    void TearDown() override { table.Close(); }

    void create()
    {
        table.CreateTable();
        table.Open();
    }
    // The table created and held exclusively; other names the same file, not yet open.
    void holdExclusivelyBeside(TTable &other)
    {
        create();
        table.Close();
        table.Exclusive = true;
        table.Open();
        other.DatabaseName = table.DatabaseName;
        other.TableName = table.TableName;
    }
    void add(const QByteArray &name, const QByteArray &kana, int value)
    {
        table.Append();
        table.FieldByName("Name").SetAsString(name);
        table.FieldByName("Kana").SetAsString(kana);
        table.FieldByName("Value").SetAsInteger(value);
        table.Post();
    }
    // The Name column in the order of the current index, read forward or backward.
    QList<QByteArray> names(bool backward = false)
    {
        QList<QByteArray> out;
        if (!backward) {
            for (table.First(); !table.Eof(); table.Next())
                out << table.FieldByName("Name").AsString();
        } else {
            for (table.Last(); !table.Bof(); table.Prior())
                out.prepend(table.FieldByName("Name").AsString());
        }
        return out;
    }

    QTemporaryDir dir;
    TTable table;
};

}  // namespace

TEST_F(TableTest, CreatedFileIsEncryptedAndOpensOnlyWithThePassword)
{
    create();
    add("a", "x", 1);
    table.Close();
    const QByteArray raw = test::readFile(table.FileName());
    EXPECT_FALSE(raw.startsWith("SQLite format 3"));
    EXPECT_FALSE(raw.contains("RecNo"));

    Session().RemovePassword(TablePassword);
    Session().AddPassword("other");
    EXPECT_THROW(table.Open(), EDatabaseError);
    Session().RemovePassword("other");
    EXPECT_THROW(table.Open(), EDatabaseError);  // no password registered at all
    Session().AddPassword(TablePassword);
    table.Open();
    EXPECT_EQ(table.RecordCount(), 1);
    EXPECT_EQ(table.FieldCount(), 7);
    EXPECT_EQ(table.FieldDef(2).Name, "Kana");
    EXPECT_THROW(table.CreateTable(), EDatabaseError);  // never made over an existing file
}

// A new book's table survives a power loss right after it was made: the file is on the disk before it takes its
// name, the name after.
TEST_F(TableTest, ANewTableIsOnTheDiskBeforeItTakesItsName)
{
    const QString folder = QDir(dir.path()).canonicalPath();
    const std::vector<test::TFileStep> steps = test::FileStepsOf(folder, [this] { table.CreateTable(); });
    EXPECT_TRUE(QFileInfo::exists(table.FileName()));
    EXPECT_EQ(test::DurableRenameFault(steps, folder + "/Test.DB.creating", folder + "/Test.DB").toStdString(), "");
}

TEST_F(TableTest, AppendNumbersRowsAndNeverReusesNumbers)
{
    create();
    add("a", "", 0);
    add("b", "", 0);
    EXPECT_EQ(table.FieldByName("RecNo").AsInteger(), 2);
    table.Delete();
    add("c", "", 0);
    EXPECT_EQ(table.FieldByName("RecNo").AsInteger(), 3);
}

TEST_F(TableTest, IndexesOrderByTheirCaseRuleThenByRecordNumber)
{
    create();
    add("b", "b", 2);
    add("B", "B", 1);
    add("a", "A", 2);
    add("", "", 3);
    add("c", "b", 1);
    table.SetIndexName("Name");  // case-sensitive: bytes
    EXPECT_EQ(names(), (QList<QByteArray>{"", "B", "a", "b", "c"}));
    table.SetIndexName("Kana");  // letters folded; equal keys keep record order
    EXPECT_EQ(names(), (QList<QByteArray>{"", "a", "b", "B", "c"}));
    EXPECT_EQ(names(true), names());
    table.SetIndexName("Combo");
    EXPECT_EQ(names(), (QList<QByteArray>{"B", "c", "a", "b", ""}));
    table.SetIndexName("");
    EXPECT_EQ(names(), (QList<QByteArray>{"b", "B", "a", "", "c"}));
    EXPECT_THROW(table.SetIndexName("Nothing"), EDatabaseError);
}

TEST(SjisNoCase, FoldsOnlySingleByteLetters)
{
    EXPECT_EQ(SjisNoCaseCompare("abc", "ABC"), 0);
    EXPECT_LT(SjisNoCaseCompare("abc", "ABD"), 0);
    EXPECT_LT(SjisNoCaseCompare("ab", "ABC"), 0);
    // ヂ is 0x83 0x61 and ア 0x83 0x41: a trail byte that looks like "a" is not folded to "A".
    EXPECT_NE(SjisNoCaseCompare(sjis(QStringLiteral("ヂ")), sjis(QStringLiteral("ア"))), 0);
    EXPECT_GT(SjisNoCaseCompare(sjis(QStringLiteral("ア")), "z"), 0);
}

TEST_F(TableTest, ScansAcrossReadAheadPagesInBothDirections)
{
    create();
    table.StartTransaction();
    // Long runs of equal keys (equal but for case in the case-insensitive index) span many pages.
    const QByteArray kanas[] = {"ab", "AB", "aB", "c"};
    for (int i = 0; i < 3000; ++i)
        add(QByteArray::number((i * 7919) % 3000).rightJustified(4, '0'), kanas[i % 7 % 4], i % 3);
    table.Commit();
    table.SetIndexName("Name");
    const QList<QByteArray> forward = names();
    ASSERT_EQ(forward.size(), 3000);
    EXPECT_TRUE(std::is_sorted(forward.begin(), forward.end()));
    EXPECT_EQ(names(true), forward);
    table.SetIndexName("Combo");
    QList<std::tuple<int, QByteArray, int>> keys;
    for (table.First(); !table.Eof(); table.Next())
        keys.append({table.FieldByName("Value").AsInteger(), table.FieldByName("Kana").AsString().toUpper(),
                     table.FieldByName("RecNo").AsInteger()});
    ASSERT_EQ(keys.size(), 3000);
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
    EXPECT_EQ(names(true), names());
    // Turning back in the middle of a page returns the rows just passed.
    table.First();
    for (int i = 0; i < 100; ++i)
        table.Next();
    const QByteArray at100 = table.FieldByName("Name").AsString();
    table.Next();
    table.Prior();
    EXPECT_EQ(table.FieldByName("Name").AsString(), at100);
}

TEST_F(TableTest, EofAndBofFollowTheUsualLoop)
{
    create();
    EXPECT_TRUE(table.Eof());
    EXPECT_TRUE(table.Bof());
    EXPECT_TRUE(table.IsEmpty());
    EXPECT_EQ(table.FieldByName("Name").AsString(), QByteArray());
    add("only", "", 0);
    table.First();
    EXPECT_TRUE(table.Bof());
    EXPECT_FALSE(table.Eof());
    table.Next();
    EXPECT_TRUE(table.Eof());
    EXPECT_EQ(table.FieldByName("Name").AsString(), "only");
    table.Last();
    EXPECT_TRUE(table.Eof());
}

TEST_F(TableTest, KeyLookupsExactAndNearest)
{
    create();
    add("a", "ab", 1);
    add("b", "AC", 1);
    add("c", "ba", 2);
    table.SetIndexName("Kana");
    EXPECT_TRUE(table.FindKey({QByteArray("AB")}));
    EXPECT_EQ(table.FieldByName("Name").AsString(), "a");
    EXPECT_FALSE(table.FindKey({QByteArray("abc")}));
    EXPECT_EQ(table.FieldByName("Name").AsString(), "a");  // a failed look-up leaves the row alone
    table.FindNearest({QByteArray("AD")});
    EXPECT_EQ(table.FieldByName("Name").AsString(), "c");
    table.FindNearest({QByteArray("zz")});
    EXPECT_TRUE(table.Eof());

    table.SetIndexName("Combo");  // a partial key matches on its leading field
    table.SetKey();
    table.FieldByName("Value").SetAsInteger(2);
    EXPECT_TRUE(table.GotoKey());
    EXPECT_EQ(table.FieldByName("Name").AsString(), "c");

    table.SetIndexName("");
    EXPECT_TRUE(table.FindKey({2}));
    EXPECT_EQ(table.FieldByName("Name").AsString(), "b");
    EXPECT_FALSE(table.FindKey({9}));
}

TEST_F(TableTest, RangesAndFiltersLimitRowsAndCount)
{
    create();
    for (int i = 1; i <= 10; ++i)
        add(QByteArray::number(i), "", i % 3);
    table.SetIndexName("Combo");
    table.SetRange({1}, {1});
    EXPECT_EQ(table.RecordCount(), 4);
    EXPECT_EQ(names(), (QList<QByteArray>{"1", "4", "7", "10"}));
    table.CancelRange();
    EXPECT_EQ(table.RecordCount(), 10);
    table.SetFilter("Value=2");
    table.SetFiltered(true);
    EXPECT_EQ(table.RecordCount(), 3);
    EXPECT_EQ(names(), (QList<QByteArray>{"2", "5", "8"}));
    table.SetFilter("Name='10'");
    EXPECT_EQ(names(), (QList<QByteArray>{"10"}));
    table.SetFiltered(false);
    EXPECT_EQ(table.RecordCount(), 10);
}

TEST_F(TableTest, EditPostCancelAndDeleteKeepAPlace)
{
    create();
    add("a", "", 1);
    add("b", "", 2);
    add("c", "", 3);
    table.FindKey({2});
    table.Edit();
    table.FieldByName("Name").SetAsString("B");
    table.Cancel();
    EXPECT_EQ(table.FieldByName("Name").AsString(), "b");
    table.Edit();
    table.FieldByName("Name").SetAsString("B");
    table.FieldByName("Flag").SetAsBoolean(true);
    table.FieldByName("When").SetAsDateTime(46000.25);
    table.FieldByName("Memo").SetAsString(QByteArray(500, 'm'));
    table.Post();
    EXPECT_EQ(table.FieldByName("RecNo").AsInteger(), 2);
    EXPECT_TRUE(table.FieldByName("Flag").AsBoolean());
    EXPECT_DOUBLE_EQ(table.FieldByName("When").AsDateTime(), 46000.25);
    EXPECT_EQ(table.FieldByName("Memo").AsString().size(), 500);
    table.Delete();
    EXPECT_EQ(table.FieldByName("Name").AsString(), "c");  // the next row takes its place
    table.Delete();
    EXPECT_EQ(table.FieldByName("Name").AsString(), "a");  // at the end, the one before
    EXPECT_EQ(table.RecordCount(), 1);
    EXPECT_THROW(table.FieldByName("Name").SetAsString("x"), EDatabaseError);  // not in edit mode
    EXPECT_THROW(table.FieldByName("Missing"), EDatabaseError);
}

TEST_F(TableTest, TextIsCutToItsSizeWithoutSplittingACharacter)
{
    create();
    table.Append();
    // Nine single bytes and then a double-byte character: ten bytes fit nine plus nothing of the last.
    table.FieldByName("Name").SetAsString(sjis(QStringLiteral("123456789あ")));
    table.FieldByName("Kana").SetAsString(sjis(QStringLiteral("あいうえお")));  // exactly 10 bytes
    table.Post();
    EXPECT_EQ(table.FieldByName("Name").AsString(), "123456789");
    EXPECT_EQ(table.FieldByName("Kana").AsString(), sjis(QStringLiteral("あいうえお")));
}

TEST_F(TableTest, TransactionsCommitOrLeaveNothing)
{
    create();
    table.StartTransaction();
    add("a", "", 1);
    add("b", "", 2);
    table.Rollback();
    EXPECT_EQ(table.RecordCount(), 0);
    table.StartTransaction();
    add("a", "", 1);
    table.Commit();
    table.Close();
    table.Open();
    EXPECT_EQ(table.RecordCount(), 1);
}

// A table file the program makes, and the journal of a write to it, are the user's alone under the usual umask:
// the engine would make both open to every local user.
TEST_F(TableTest, ATableFileAndItsJournalAreTheUsersAlone)
{
    const test::UsualUmask umask;
    create();
    EXPECT_EQ(test::modeOf(table.FileName()), 0600u);
    table.StartTransaction();
    add(sjis(QStringLiteral("鷗外商事")), "", 1);
    ASSERT_TRUE(QFileInfo::exists(table.FileName() + "-journal"));
    EXPECT_EQ(test::modeOf(table.FileName() + "-journal"), 0600u);
    table.Commit();
}

TEST_F(TableTest, ExclusiveOpenKeepsOthersOut)
{
    TTable other;
    holdExclusivelyBeside(other);
    EXPECT_THROW(other.Open(), EDatabaseError);
    table.Close();
    other.Open();
    EXPECT_TRUE(other.Active());
}

// A window shows a failure's Message: the user's words, never the engine's English; the engine's account stays in
// what() for whoever looks into it.
TEST_F(TableTest, AFailureSpeaksJapaneseToTheUserAndKeepsTheEnginesAccount)
{
    const auto failure = [](const std::function<void()> &run) {
        try {
            run();
        } catch (const EDatabaseError &e) {
            return std::make_pair(e.Message, QString::fromStdString(e.what()));
        }
        return std::make_pair(QString(), QString());
    };
    const auto [missing, missingDetail] = failure([this] { table.Open(); });
    EXPECT_EQ(missing, QStringLiteral("データベースのファイルを読み書きできませんでした  "));
    EXPECT_TRUE(missingDetail.contains("Test.DB")) << missingDetail.toStdString();

    TTable other;
    holdExclusivelyBeside(other);
    const auto [locked, lockedDetail] = failure([&other] { other.Open(); });
    EXPECT_EQ(locked, QStringLiteral("データベースのファイルを読み書きできませんでした  \r\n\r\n"
                                     "ファイルが他のプログラムで使用されています  \r\n"
                                     "しばらくしてからもう一度お試しください  "));
    EXPECT_FALSE(lockedDetail.isEmpty());
}

TEST_F(TableTest, FilesThatAreNotOurTablesAreRefusedAndLeftAsTheyAre)
{
    const QString file = table.FileName();
    EXPECT_THROW(table.Open(), EDatabaseError);  // missing

    test::writeFile(file, QByteArray(8192, 'x'));
    EXPECT_THROW(table.Open(), EDatabaseError);
    EXPECT_EQ(test::readFile(file), QByteArray(8192, 'x'));
    QFile::remove(file);

    // A table of the right password but not of this program's making.
    TTable made;
    made.DatabaseName = table.DatabaseName;
    made.TableName = "Made.DB";
    made.Schema = testSchema();
    made.CreateTable();
    table.CreateTable();
    table.Open();
    for (int i = 0; i < 200; ++i)
        add(QByteArray::number(i), "", i);
    table.Close();
    // Truncated: the first page alone.
    const QByteArray whole = test::readFile(file);
    test::writeFile(file, whole.left(4096));
    EXPECT_THROW(table.Open(), EDatabaseError);
    EXPECT_EQ(test::readFile(file), whole.left(4096));

    // Another table's fields under the expected name.
    QFile::remove(file);
    QFile::copy(made.FileName(), file);
    table.Schema = AdrsTableSchema();
    EXPECT_THROW(table.Open(), EDatabaseError);
}

TEST_F(TableTest, AdrsSchemaHasItsFieldsAndIndexesInOrder)
{
    table.TableName = "Adrs.DB";
    table.Schema = AdrsTableSchema();
    create();
    ASSERT_EQ(table.FieldCount(), 66);
    EXPECT_EQ(table.FieldDef(0).Name, "RecNo");
    EXPECT_EQ(table.FieldDef(57).Name, "Note");
    EXPECT_EQ(table.FieldDef(65).Name, "CodeGenre");
    EXPECT_EQ(table.FieldDef(11).Size, 100);
    for (const char *index : {"Group", "CustomCode", "Tel", "Fax", "Portable1", "Portable2", "Pos", "Adrs", "CorpKana",
                              "NameKana", "Keyword1", "Keyword8", "Category"})
        EXPECT_NO_THROW(table.SetIndexName(index)) << index;
    table.SetIndexName("Adrs");
    EXPECT_EQ(table.IndexFieldNames(), (QStringList{"JisCode", "Adrs2", "Adrs3"}));
    table.Append();
    table.FieldByName("Adrs2").SetAsString(sjis(QString(51, QChar(0x3042))));
    table.Post();
    EXPECT_EQ(table.FieldByName("Adrs2").AsString().size(), 100);
    EXPECT_EQ(table.FieldByName("RecNo").AsInteger(), 1);
}

TEST_F(TableTest, KilledWriterLeavesEveryCommittedRowAndNothingElse)
{
    table.TableName = "Crash.DB";
    table.Schema = {{{"RecNo", TFieldType::AutoInc, 0}, {"Name", TFieldType::String, 255}, {"Value", TFieldType::Integer, 0}},
                    {{"", "RecNo", ixPrimary | ixUnique}}};
    table.CreateTable();
    QProcess writer;
    writer.start(TABLE_WRITER, {table.DatabaseName, "0"});
    ASSERT_TRUE(writer.waitForStarted());
    int committed = 0;
    while (committed < 150 && writer.waitForReadyRead(10000))
        while (writer.canReadLine())
            committed = writer.readLine().trimmed().toInt();
    writer.kill();  // SIGKILL in the middle of the next write
    writer.waitForFinished();
    ASSERT_GE(committed, 150);
    table.Open();
    const int rows = table.RecordCount();
    EXPECT_GE(rows, committed);
    EXPECT_LE(rows, committed + 1);  // the row being committed at the kill may or may not have made it
    table.Last();
    EXPECT_EQ(table.FieldByName("Value").AsInteger(), rows);
}

TEST_F(TableTest, FullDiskLeavesTheTableAsItWas)
{
    table.TableName = "Crash.DB";
    table.Schema = {{{"RecNo", TFieldType::AutoInc, 0}, {"Name", TFieldType::String, 255}, {"Value", TFieldType::Integer, 0}},
                    {{"", "RecNo", ixPrimary | ixUnique}}};
    table.CreateTable();
    QProcess writer;
    writer.start(TABLE_WRITER, {table.DatabaseName, QString::number(64 * 1024)});
    ASSERT_TRUE(writer.waitForFinished(60000));
    const QList<QByteArray> lines = writer.readAllStandardOutput().trimmed().split('\n');
    ASSERT_GE(lines.size(), 2);
    ASSERT_TRUE(lines.last().startsWith("error")) << lines.last().constData();
    const int committed = lines[lines.size() - 2].toInt();
    EXPECT_GT(committed, 10);
    table.Open();
    EXPECT_EQ(table.RecordCount(), committed);
    table.Last();
    EXPECT_EQ(table.FieldByName("Value").AsInteger(), committed);
    // And the table still takes rows once there is room again.
    table.Append();
    table.FieldByName("Value").SetAsInteger(committed + 1);
    table.Post();
    EXPECT_EQ(table.RecordCount(), committed + 1);
}

// A book whose folder the user cannot write, its file writable: a change cannot make the journal it keeps beside
// the file, and the failure names the folder and why, as one of a file that cannot be written does. File modes
// count for an ordinary user only, so the writer runs as one.
TEST_F(TableTest, AChangeInAFolderTheUserCannotWriteNamesTheFolderAndWhy)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "only root can run the writer as another user";
    table.TableName = "Crash.DB";
    table.Schema = {{{"RecNo", TFieldType::AutoInc, 0}, {"Name", TFieldType::String, 255}, {"Value", TFieldType::Integer, 0}},
                    {{"", "RecNo", ixPrimary | ixUnique}}};
    table.CreateTable();
    const QString folder = table.DatabaseName;
    const QFile::Permissions readable = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
    ASSERT_TRUE(QFile::setPermissions(table.FileName(), readable | QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther));
    ASSERT_TRUE(QFile::setPermissions(folder, readable | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther));
    const auto writable = qScopeGuard([&folder] {
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    });
    // The build may lie in a folder only its owner enters (a checkout in root's home): the user runs a copy.
    QTemporaryDir reachable;
    const QString program = reachable.filePath(QStringLiteral("writer"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(TABLE_WRITER), program));
    const QFile::Permissions runnable = readable | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
    ASSERT_TRUE(QFile::setPermissions(reachable.path(), runnable) && QFile::setPermissions(program, runnable));
    QProcess writer;
    writer.setChildProcessModifier([] {
        if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)
            _exit(3);
    });
    writer.start(program, {folder, "0"});
    ASSERT_TRUE(writer.waitForFinished(60000));
    EXPECT_EQ(writer.exitCode(), 1) << "the first row fails";
    // The table opened, and its first row found no place for the journal.
    const QByteArray account = writer.readAllStandardOutput();
    EXPECT_TRUE(account.startsWith("error") && account.contains("INSERT")) << account.constData();
    const QString said = QString::fromUtf8(writer.readAllStandardError());
    EXPECT_TRUE(said.contains(QStringLiteral("データベースのファイルを読み書きできませんでした  \r\n\r\n")
                              + QDir::toNativeSeparators(folder) + "\r\n" + NotWritableReason))
        << said.toStdString();
    table.Open();
    EXPECT_EQ(table.RecordCount(), 0);
}

TEST_F(TableTest, ScanReadsChosenFieldsInIndexOrderWithinRangeAndFilter)
{
    create();
    for (int i = 1; i <= 6; ++i)
        add(QByteArray::number(7 - i), "", i % 2);
    table.SetIndexName("Name");
    table.FindKey({QByteArray("3")});
    auto scan = [&](bool ascending) {
        QList<QByteArray> names;
        table.Scan({"Name", "Value"}, ascending, [&](const QVariantList &v) {
            EXPECT_EQ(v.size(), 2);
            names << v[0].toByteArray();
        });
        return names;
    };
    EXPECT_EQ(scan(true), (QList<QByteArray>{"1", "2", "3", "4", "5", "6"}));
    EXPECT_EQ(scan(false), (QList<QByteArray>{"6", "5", "4", "3", "2", "1"}));
    EXPECT_EQ(table.FieldByName("Name").AsString(), "3");  // the cursor did not move
    table.SetFilter("Value=1");
    table.SetFiltered(true);
    EXPECT_EQ(scan(true), (QList<QByteArray>{"2", "4", "6"}));
    table.SetFiltered(false);
    table.SetRange({QByteArray("2")}, {QByteArray("4")});
    EXPECT_EQ(scan(false), (QList<QByteArray>{"4", "3", "2"}));
    // The order in use asked for again drops the range as another order does, and keeps the row.
    ASSERT_TRUE(table.FindKey({QByteArray("3")}));
    table.SetIndexName("name");
    EXPECT_EQ(table.IndexName(), "name");
    EXPECT_EQ(scan(true), (QList<QByteArray>{"1", "2", "3", "4", "5", "6"}));
    EXPECT_EQ(table.FieldByName("Name").AsString(), "3");
}

TEST_F(TableTest, ReadScopeSeesWhatOutsideSeesAndLetsItsOwnWritesThroughAtOnce)
{
    create();
    for (int i = 1; i <= 40; ++i)
        add(QByteArray("n") + QByteArray::number(i), "", i);
    TTable other;
    other.DatabaseName = table.DatabaseName;
    other.TableName = table.TableName;
    other.Open();
    const auto valueOf = [&](int recNo) { return table.FindKey({recNo}) ? table.FieldByName("Value").AsInteger() : -1; };
    QList<int> outside;
    for (int recNo : {1, 17, 40, 41, 3})
        outside << valueOf(recNo);
    {
        const TTableReadScope held(&table);
        const TTableReadScope nested(&table);
        QList<int> inside;
        for (int recNo : {1, 17, 40, 41, 3})
            inside << valueOf(recNo);
        EXPECT_EQ(inside, outside);
        EXPECT_FALSE(table.InTransaction());

        // A post and a delete through the held table are in the file when they return, and read back in it.
        ASSERT_TRUE(table.FindKey({17}));
        table.Edit();
        table.FieldByName("Value").SetAsInteger(170);
        table.Post();
        ASSERT_TRUE(table.FindKey({3}));
        table.Delete();
        add("new", "", 41);
        ASSERT_TRUE(other.FindKey({17}));
        EXPECT_EQ(other.FieldByName("Value").AsInteger(), 170);
        EXPECT_FALSE(other.FindKey({3}));
        EXPECT_EQ(other.RecordCount(), 40);
        EXPECT_EQ(valueOf(17), 170);
        EXPECT_EQ(valueOf(3), -1);

        // The caller's own transactions work inside as outside.
        table.StartTransaction();
        EXPECT_TRUE(table.InTransaction());
        add("gone", "", 99);
        table.Rollback();
        EXPECT_FALSE(table.InTransaction());
        EXPECT_EQ(table.RecordCount(), 40);
        EXPECT_THROW(table.Commit(), EDatabaseError);  // none open, as outside
        EXPECT_EQ(valueOf(41), 41);

        // A table closed and opened again inside a scope reads as before.
        table.Close();
        table.Open();
        EXPECT_EQ(valueOf(40), 40);
    }
    // Another connection writes at once once the scope is over.
    other.Append();
    other.FieldByName("Value").SetAsInteger(7);
    other.Post();
    EXPECT_EQ(table.RecordCount(), 41);
}

TEST_F(TableTest, ReadScopeHoldsOtherWritersOnlyUntilItEnds)
{
    create();
    add("a", "", 1);
    TTable other;
    other.DatabaseName = table.DatabaseName;
    other.TableName = table.TableName;
    other.Open();
    const auto otherWrites = [&](int value) {
        other.Append();
        other.FieldByName("Value").SetAsInteger(value);
        other.Post();
    };

    // A writer of another thread waits for the held read and then commits; the reads inside are unaffected.
    std::atomic<bool> written = false;
    std::string failure;
    std::thread writer;
    {
        const TTableReadScope held(&table);
        ASSERT_TRUE(table.FindKey({1}));
        writer = std::thread([&] {
            try {
                otherWrites(2);
                written = true;
            } catch (const EDatabaseError &e) {
                failure = e.what();
            }
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_FALSE(written);
        EXPECT_EQ(table.RecordCount(), 1);
        EXPECT_TRUE(table.FindKey({1}));
    }
    writer.join();
    EXPECT_TRUE(written) << failure;
    EXPECT_EQ(table.RecordCount(), 2);

    // A scope left by an exception lets writers in as well.
    try {
        const TTableReadScope held(&table);
        table.FindKey({1});
        throw std::runtime_error("stopped");
    } catch (const std::runtime_error &) {
    }
    otherWrites(3);
    EXPECT_EQ(table.RecordCount(), 3);
    const TTableReadScope none(nullptr);
}

TEST_F(TableTest, LookUpsInTurnReadEachRowWholeAndLeaveTextsTakenBeforeAlone)
{
    create();
    const QByteArray memo(90, 'm');
    add(sjis(QStringLiteral("長い名前")), "kana", 1);
    table.Edit();
    table.FieldByName("Memo").SetAsString(memo);
    table.Post();
    add("b", "", 2);
    add("", "k", 3);
    ASSERT_TRUE(table.FindKey({1}));
    const QByteArray taken = table.FieldByName("Name").AsString();
    const QByteArray takenMemo = table.FieldByName("Memo").AsString();
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(table.FindKey({2}));
        EXPECT_EQ(table.FieldByName("Name").AsString(), "b");
        EXPECT_EQ(table.FieldByName("Memo").AsString(), "");
        ASSERT_TRUE(table.FindKey({3}));
        EXPECT_EQ(table.FieldByName("Name").AsString(), "");
        EXPECT_EQ(table.FieldByName("Kana").AsString(), "k");
        EXPECT_EQ(table.FieldByName("Value").AsInteger(), 3);
        ASSERT_TRUE(table.FindKey({1}));
        EXPECT_EQ(table.FieldByName("Name").AsString(), sjis(QStringLiteral("長い名前")));
        EXPECT_EQ(table.FieldByName("Memo").AsString(), memo);
        EXPECT_FALSE(table.FindKey({9}));
        EXPECT_EQ(table.FieldByName("Kana").AsString(), "kana");  // a miss leaves the row where it was
    }
    EXPECT_EQ(taken, sjis(QStringLiteral("長い名前")));
    EXPECT_EQ(takenMemo, memo);
    EXPECT_EQ(names(), QList<QByteArray>({sjis(QStringLiteral("長い名前")), "b", ""}));
}

TEST_F(TableTest, ReadAheadThenWalkMeetsEveryRowOnceInBothDirections)
{
    create();
    table.StartTransaction();
    // Runs of equal keys (equal but for case in the case-insensitive indexes, or empty) longer than a page.
    const QByteArray kanas[] = {"ab", "", "AB", "c", "aB"};
    for (int i = 0; i < 300; ++i)
        add(QByteArray::number(i), kanas[i * 7 % 11 % 5], i % 2);
    table.Commit();
    for (const QString &index : {QString(), QStringLiteral("Kana"), QStringLiteral("Combo")}) {
        table.SetIndexName(index);
        std::vector<int> order;
        for (table.First(); !table.Eof(); table.Next())
            order.push_back(table.FieldByName("RecNo").AsInteger());
        ASSERT_EQ(order.size(), 300U);
        for (const bool forward : {true, false}) {
            for (const int start : {0, 1, 62, 150, 298, 299}) {
                for (const int count : {1, 5, 29, 100, 400}) {
                    SCOPED_TRACE(QStringLiteral("%1 %2 from %3, %4 ahead").arg(index).arg(forward).arg(start).arg(count).toStdString());
                    // Placed by record number, as a list page's walk begins.
                    table.SetIndexName(QString());
                    ASSERT_TRUE(table.FindKey({order[start]}));
                    table.SetIndexName(index);
                    // Read ahead before every step, less each time, as a walk that meets its rows does; then on
                    // past what was read ahead, to the end.
                    std::vector<int> met{table.FieldByName("RecNo").AsInteger()};
                    for (int step = 0;; ++step) {
                        table.ReadAhead(count - step, forward);
                        EXPECT_EQ(table.FieldByName("RecNo").AsInteger(), met.back());  // the cursor stays
                        if (forward ? (table.Next(), table.Eof()) : (table.Prior(), table.Bof()))
                            break;
                        met.push_back(table.FieldByName("RecNo").AsInteger());
                    }
                    std::vector<int> expected(order.begin() + (forward ? start : 0),
                                              order.begin() + (forward ? order.size() : start + 1));
                    if (!forward)
                        std::reverse(expected.begin(), expected.end());
                    ASSERT_EQ(met, expected);
                    // Turning back after the walk meets the rows just passed.
                    const int back = std::min<int>(count, static_cast<int>(met.size()) - 1);
                    table.ReadAhead(back, !forward);
                    for (int i = 1; i <= back; ++i) {
                        forward ? table.Prior() : table.Next();
                        ASSERT_EQ(table.FieldByName("RecNo").AsInteger(), met[met.size() - 1 - i]);
                    }
                }
            }
        }
    }
    // Within a range the rows read ahead stop at its end.
    table.SetIndexName(QString());
    table.SetRange({10}, {20});
    table.ReadAhead(50);
    int rows = 1;
    for (table.Next(); !table.Eof(); table.Next())
        ++rows;
    EXPECT_EQ(rows, 11);
    EXPECT_EQ(table.FieldByName("RecNo").AsInteger(), 20);
}
