// Input history lists: the .mtd format, the cut and trim rules, and that a file is never lost to a bad read.
#include "base/FileReplace.h"
#include "base/SjisCodec.h"
#include "core/HistoryData.h"

#include "TestSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <bit>
#include <cmath>

namespace {

class HistoryData : public ::testing::Test {
protected:
    QString path(const QString &name = QStringLiteral("List.mtd")) const { return dir_.path() + '/' + name; }
    static THistoryData loaded(const QString &fileName, int maxLength = 100)
    {
        THistoryData h(fileName, maxLength, true);
        h.LoadFromFile();
        return h;
    }
    QTemporaryDir dir_;
};

QByteArray sjis(const QString &text) { return Sjis::encode(text); }

QByteArray le(quint32 count)
{
    QByteArray b(4, Qt::Uninitialized);
    qToLittleEndian<quint32>(count, b.data());
    return b;
}

QByteArray le(double dateTime)
{
    QByteArray b(8, Qt::Uninitialized);
    qToLittleEndian<quint64>(std::bit_cast<quint64>(dateTime), b.data());
    return b;
}

// A record as another writer would have stored it: length byte, date-time, complemented text.
QByteArray record(const QByteArray &text)
{
    QByteArray r = char(text.size() + 8) + le(1.0);
    for (char c : text)
        r.append(char(~c));
    return r;
}

template <class E = EHistoryDataError, class F>
void expectError(F &&call, const QString &message)
{
    try {
        call();
        ADD_FAILURE() << "no error: " << message.toStdString();
    } catch (const E &e) {
        EXPECT_EQ(e.Message, message);
    }
}

QString readError(const THistoryData &h) { return h.FileName() + QStringLiteral("\r\nデータが読み込めませんでした"); }
QString writeError(const THistoryData &h) { return h.FileName() + QStringLiteral("\r\nデータが書き込めませんでした"); }

}  // namespace

TEST_F(HistoryData, SavedItemHasDocumentedByteLayoutAndLoadsTrimmed)
{
    THistoryData h = loaded(path());
    EXPECT_EQ(h.Add("ABC", 46023.25), 0);
    h.SaveToFile();
    EXPECT_EQ(test::readFile(path()), QByteArray("\x01\x00\x00\x00\x0B", 5) + le(46023.25) + "\xBE\xBD\xBC");

    // Full-width blanks are text, not padding.
    h.Add(" \t" + sjis(QStringLiteral("　営業部")) + "\r\n ", 1);
    h.SaveToFile();
    THistoryData back = loaded(path());
    ASSERT_EQ(back.GetCount(), 2);
    EXPECT_EQ(back.GetDateTime(0), 46023.25);
    EXPECT_EQ(back.GetText(1), sjis(QStringLiteral("　営業部")));

    test::writeFile(path(), {});
    EXPECT_EQ(loaded(path()).GetCount(), 0);
}

TEST_F(HistoryData, LongTextIsCutWithoutSplittingACharacter)
{
    THistoryData h = loaded(path(), 100);
    h.Add(QByteArray(120, 'a'), 1);
    EXPECT_EQ(h.GetText(0), QByteArray(100, 'a'));
    // Byte 100 is the lead byte of 営.
    h.Add(QByteArray(99, 'a') + sjis(QStringLiteral("営業")), 1);
    EXPECT_EQ(h.GetText(1), QByteArray(99, 'a'));
    // ぁ is 0x82 0x9F: its trail byte has a lead byte's value, so only a walk from the start knows that byte
    // 100 ends a character.
    const QByteArray small = sjis(QString(60, QChar(0x3041)));
    h.Add(small, 1);
    EXPECT_EQ(h.GetText(2), small.left(100));
}

TEST_F(HistoryData, IndexOfIsCaseSensitiveAndIndexesAreChecked)
{
    THistoryData h = loaded(path());
    h.Add("ABC", 1);
    h.Insert(1, "abc", 1);
    EXPECT_EQ(h.IndexOf("abc"), 1);
    EXPECT_EQ(h.IndexOf("Abc"), -1);
    const QString indexError = QStringLiteral("Indexが範囲外です");
    expectError([&] { h.Insert(3, "x", 1); }, indexError);
    expectError([&] { h.GetText(2); }, indexError);
    expectError([&] { h.Delete(-1); }, indexError);
    h.Delete(0);
    EXPECT_EQ(h.GetText(0), "abc");
}

TEST_F(HistoryData, DateTimesCountDaysFrom18991230AndZeroMeansNow)
{
    EXPECT_EQ(DateTimeToDouble(QDateTime(QDate(2026, 1, 1), QTime(18, 0))), 46023.75);
    EXPECT_EQ(DateTimeToDouble(QDateTime(QDate(1899, 12, 29), QTime(6, 0))), -1.25);
    EXPECT_EQ(DoubleToDateTime(-1.25), QDateTime(QDate(1899, 12, 29), QTime(6, 0)));
    // Rounding to the millisecond can reach midnight of the next day.
    EXPECT_EQ(DoubleToDateTime(46023.9999999999), QDateTime(QDate(2026, 1, 2), QTime(0, 0)));
    EXPECT_FALSE(DoubleToDateTime(1e300).isValid());

    THistoryData h = loaded(path());
    const double before = DateTimeToDouble(QDateTime::currentDateTime());
    h.Add("a", 0);
    h.Add("b", std::nan(""));
    EXPECT_GE(h.GetDateTime(0), before);
    EXPECT_GE(h.GetDateTime(1), before);
}

TEST_F(HistoryData, TruncatedOrCorruptFileLeavesTheListEmpty)
{
    const QByteArray whole = le(3u) + record("one") + record("two") + record("three");
    test::writeFile(path(), whole.left(whole.size() - 2));
    THistoryData h(path(), 100, true);
    expectError([&] { h.LoadFromFile(); }, readError(h));
    EXPECT_TRUE(h.IsLoaded());
    EXPECT_EQ(h.GetCount(), 0);
    EXPECT_EQ(h.IndexOf("one"), -1);

    // A length below 8 cannot hold the date-time.
    QByteArray bad = record("x");
    bad[0] = 7;
    test::writeFile(path(), le(1u) + bad + QByteArray(300, '\0'));
    expectError([&] { h.LoadFromFile(); }, readError(h));
    EXPECT_EQ(h.GetCount(), 0);
}

TEST_F(HistoryData, HugeCountInTinyFileFailsWithoutHugeReservation)
{
    test::writeFile(path(), le(0xFFFFFFFFu) + record("a"));
    THistoryData h(path(), 100, true);
    expectError([&] { h.LoadFromFile(); }, readError(h));
    EXPECT_EQ(h.GetCount(), 0);
}

TEST_F(HistoryData, UnreadableFileIsNeverSavedOver)
{
    const QByteArray corrupt = le(2u) + record("kept");
    test::writeFile(path(), corrupt);
    THistoryData h(path(), 100, true);
    expectError([&] { h.LoadFromFile(); }, readError(h));
    h.Add("new", 1);
    expectError([&] { h.SaveToFile(); }, writeError(h));
    EXPECT_EQ(test::readFile(path()), corrupt);

    // Something at the path that cannot be opened as a file is reported, not taken for an empty list.
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("Folder.mtd")));
    THistoryData folder(path(QStringLiteral("Folder.mtd")), 100, true);
    expectError([&] { folder.LoadFromFile(); }, readError(folder));

    // Once the file is mended, a new load makes the list writable again.
    test::writeFile(path(), le(1u) + record("kept"));
    h.LoadFromFile();
    h.Add("new", 1);
    h.SaveToFile();
    EXPECT_EQ(loaded(path()).GetCount(), 2);
}

TEST_F(HistoryData, FailedSaveIsReportedAndLeavesOldFile)
{
    const QByteArray old = le(1u) + record("old");
    test::writeFile(path(), old);
    THistoryData full = loaded(path());
    for (int i = 0; i < 10; ++i)
        full.Add("an entry longer than the room left on the disk", 1);
    {
        test::FullDisk disk;
        // The file is named, and so is the full disk.
        expectError([&] { full.SaveToFile(); }, writeError(full) + "\r\n\r\n" + DiskFullReason);
    }
    EXPECT_EQ(test::readFile(path()), old);
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"List.mtd"});

    test::writeFile(path(QStringLiteral("plain")), "not a folder");
    THistoryData blocked = loaded(path(QStringLiteral("plain/List.mtd")));
    blocked.Add("a", 1);
    expectError([&] { blocked.SaveToFile(); }, writeError(blocked));

    // A list never loaded has nothing to save and no place to insert.
    test::writeFile(path(), le(1u) + record("kept"));
    THistoryData unloaded(path(), 100, true);
    expectError([&] { unloaded.SaveToFile(); }, writeError(unloaded));
    EXPECT_THROW(unloaded.Add("a", 1), EHistoryDataError);
    EXPECT_EQ(loaded(path()).GetText(0), "kept");
}

TEST_F(HistoryData, ConstructorChecksFileAndMaximumAndCapsIt)
{
    const QString missing = path(QStringLiteral("none.mtd"));
    expectError<EHistoryFileError>([&] { THistoryData(missing, 100, false); },
                                   missing + QStringLiteral("\r\nファイルが見つかりません"));
    for (int bad : {0, 256})
        expectError<EHistoryRangeError>([&] { THistoryData(path(), bad, true); },
                                        path() + QStringLiteral("\r\n項目サイズには1～255の値を指定してください"));

    THistoryData h = loaded(path(), 255);
    EXPECT_EQ(h.MaxLength(), 247);
    h.Add(QByteArray(255, 'x'), 1);
    h.SaveToFile();
    EXPECT_EQ(static_cast<unsigned char>(test::readFile(path())[4]), 255);
    EXPECT_EQ(loaded(path()).GetText(0), QByteArray(247, 'x'));
}

TEST_F(HistoryData, ShippedDefaultsLoad)
{
    const QString folder = test::appDir() + QStringLiteral("Common/History/");
    THistoryData post(folder + QStringLiteral("Post.mtd"), 50, false);
    post.LoadFromFile();
    EXPECT_GE(post.IndexOf(sjis(QStringLiteral("部長"))), 0);
    EXPECT_GE(post.IndexOf(sjis(QStringLiteral("代表取締役社長"))), 0);
    THistoryData honor(folder + QStringLiteral("Honor.mtd"), 10, false);
    honor.LoadFromFile();
    EXPECT_EQ(honor.GetText(0), sjis(QStringLiteral("様")));
    EXPECT_EQ(DoubleToDateTime(honor.GetDateTime(0)), QDateTime(QDate(2026, 1, 1), QTime(0, 0)));
}
