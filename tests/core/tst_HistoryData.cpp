// Input history lists: the .mtd format, the cut and trim rules, and that a file is never lost to a bad read.
#include "core/HistoryData.h"
#include "platform/SjisCodec.h"

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

    THistoryData loaded(const QString &fileName, int maxLength = 100)
    {
        THistoryData h(fileName, maxLength, true);
        h.LoadFromFile();
        return h;
    }

    QTemporaryDir dir_;
};

QByteArray sjis(const QString &text) { return Sjis::encode(text); }

QByteArray record(const QByteArray &text, double dateTime = 45000.5)
{
    QByteArray r(1, static_cast<char>(text.size() + 8));
    char dt[8];
    qToLittleEndian<quint64>(std::bit_cast<quint64>(dateTime), dt);
    r.append(dt, 8);
    for (char c : text)
        r.append(static_cast<char>(~c));
    return r;
}

QByteArray countBytes(quint32 count)
{
    QByteArray b(4, Qt::Uninitialized);
    qToLittleEndian<quint32>(count, b.data());
    return b;
}

void expectReadError(THistoryData &h)
{
    try {
        h.LoadFromFile();
        FAIL() << "no read error";
    } catch (const EHistoryDataError &e) {
        EXPECT_EQ(e.Message, h.FileName() + QStringLiteral("\r\nデータが読み込めませんでした"));
    }
}

void expectWriteError(const THistoryData &h)
{
    try {
        h.SaveToFile();
        FAIL() << "no write error";
    } catch (const EHistoryDataError &e) {
        EXPECT_EQ(e.Message, h.FileName() + QStringLiteral("\r\nデータが書き込めませんでした"));
    }
}

}  // namespace

TEST_F(HistoryData, SavedItemHasDocumentedByteLayout)
{
    THistoryData h = loaded(path());
    EXPECT_EQ(h.Add("ABC", 46023.25), 0);
    h.SaveToFile();

    QByteArray expected("\x01\x00\x00\x00\x0B", 5);
    char dateTime[8];
    qToLittleEndian<quint64>(std::bit_cast<quint64>(46023.25), dateTime);
    expected += QByteArray(dateTime, 8) + "\xBE\xBD\xBC";
    EXPECT_EQ(test::readFile(path()), expected);

    THistoryData back = loaded(path());
    ASSERT_EQ(back.GetCount(), 1);
    EXPECT_EQ(back.GetText(0), "ABC");
    EXPECT_EQ(back.GetDateTime(0), 46023.25);
}

TEST_F(HistoryData, MissingAndEmptyFilesLoadAsEmptyLists)
{
    THistoryData missing = loaded(path(QStringLiteral("none.mtd")));
    EXPECT_TRUE(missing.IsLoaded());
    EXPECT_EQ(missing.GetCount(), 0);

    test::writeFile(path(), {});
    EXPECT_EQ(loaded(path()).GetCount(), 0);
}

TEST_F(HistoryData, TextsAreTrimmedOnLoad)
{
    THistoryData h = loaded(path());
    h.Add(" \t" + sjis(QStringLiteral("　営業部")) + "\r\n ", 1);
    h.SaveToFile();
    // Full-width blanks are text, not padding.
    EXPECT_EQ(loaded(path()).GetText(0), sjis(QStringLiteral("　営業部")));
}

TEST_F(HistoryData, LongTextIsCutWithoutSplittingACharacter)
{
    THistoryData h = loaded(path(), 100);
    h.Add(QByteArray(120, 'a'), 1);
    EXPECT_EQ(h.GetText(0), QByteArray(100, 'a'));

    // Byte 100 is the lead byte of 営.
    h.Add(QByteArray(99, 'a') + sjis(QStringLiteral("営業")), 1);
    EXPECT_EQ(h.GetText(1), QByteArray(99, 'a'));

    // ぁ is 0x82 0x9F: its trail byte has a lead byte's value, so only a walk from the start knows that
    // byte 100 ends a character.
    const QByteArray small = sjis(QString(60, QChar(0x3041)));
    ASSERT_EQ(small.size(), 120);
    h.Add(small, 1);
    EXPECT_EQ(h.GetText(2), small.left(100));
}

TEST_F(HistoryData, IndexOfIsCaseSensitive)
{
    THistoryData h = loaded(path());
    h.Add("ABC", 1);
    h.Add("abc", 1);
    EXPECT_EQ(h.IndexOf("abc"), 1);
    EXPECT_EQ(h.IndexOf("ABC"), 0);
    EXPECT_EQ(h.IndexOf("Abc"), -1);
}

TEST_F(HistoryData, IndexBoundsAreChecked)
{
    THistoryData h = loaded(path());
    h.Add("a", 1);
    h.Insert(1, "b", 1);
    EXPECT_EQ(h.GetText(1), "b");
    h.Insert(0, "c", 1);
    EXPECT_EQ(h.GetText(0), "c");
    EXPECT_THROW(h.Insert(4, "d", 1), EHistoryDataError);
    EXPECT_THROW(h.Insert(-1, "d", 1), EHistoryDataError);
    EXPECT_THROW(h.GetText(3), EHistoryDataError);
    EXPECT_THROW(h.Delete(3), EHistoryDataError);
    try {
        h.Delete(-1);
        FAIL();
    } catch (const EHistoryDataError &e) {
        EXPECT_EQ(e.Message, QStringLiteral("Indexが範囲外です"));
    }
    h.Delete(1);
    EXPECT_EQ(h.GetText(1), "b");
    h.Clear();
    EXPECT_TRUE(h.IsLoaded());
    EXPECT_EQ(h.GetCount(), 0);
}

TEST_F(HistoryData, ZeroOrNanDateTimeMeansNow)
{
    THistoryData h = loaded(path());
    const double before = DateTimeToDouble(QDateTime::currentDateTime());
    h.Add("a", 0);
    h.Add("b", std::nan(""));
    const double after = DateTimeToDouble(QDateTime::currentDateTime());
    for (int i = 0; i < 2; ++i) {
        EXPECT_GE(h.GetDateTime(i), before);
        EXPECT_LE(h.GetDateTime(i), after);
    }
}

TEST_F(HistoryData, DateTimeConversionCountsDaysFrom18991230)
{
    EXPECT_EQ(DateTimeToDouble(QDateTime(QDate(1899, 12, 30), QTime(0, 0))), 0.0);
    EXPECT_EQ(DateTimeToDouble(QDateTime(QDate(2026, 1, 1), QTime(18, 0))), 46023.75);
    EXPECT_EQ(DateTimeToDouble(QDateTime(QDate(1899, 12, 29), QTime(6, 0))), -1.25);
    EXPECT_EQ(DoubleToDateTime(-1.25), QDateTime(QDate(1899, 12, 29), QTime(6, 0)));
    EXPECT_EQ(DoubleToDateTime(46023.75), QDateTime(QDate(2026, 1, 1), QTime(18, 0)));
    // Rounding to the millisecond can reach midnight of the next day.
    EXPECT_EQ(DoubleToDateTime(46023.9999999999), QDateTime(QDate(2026, 1, 2), QTime(0, 0)));
    EXPECT_FALSE(DoubleToDateTime(std::nan("")).isValid());
    EXPECT_FALSE(DoubleToDateTime(1e300).isValid());
}

TEST_F(HistoryData, TruncatedFileKeepsItemsReadSoFar)
{
    const QByteArray whole = countBytes(3) + record("one") + record("two") + record("three");
    test::writeFile(path(), whole.left(whole.size() - 2));
    THistoryData h(path(), 100, true);
    expectReadError(h);
    ASSERT_EQ(h.GetCount(), 2);
    EXPECT_EQ(h.GetText(1), "two");

    test::writeFile(path(), QByteArray("\x01\x00", 2));
    expectReadError(h);
    EXPECT_EQ(h.GetCount(), 0);
}

TEST_F(HistoryData, LengthTooShortForDateTimeIsCorrupt)
{
    QByteArray bad = record("x");
    bad[0] = 7;
    test::writeFile(path(), countBytes(1) + bad + QByteArray(300, '\0'));
    THistoryData h(path(), 100, true);
    expectReadError(h);
    EXPECT_EQ(h.GetCount(), 0);
}

TEST_F(HistoryData, HugeCountInTinyFileFailsWithoutHugeReservation)
{
    test::writeFile(path(), countBytes(0xFFFFFFFF) + record("a"));
    THistoryData h(path(), 100, true);
    expectReadError(h);
    EXPECT_EQ(h.GetCount(), 1);
}

TEST_F(HistoryData, UnreadableFileIsNeverSavedOver)
{
    const QByteArray corrupt = countBytes(2) + record("kept");
    test::writeFile(path(), corrupt);
    THistoryData h(path(), 100, true);
    expectReadError(h);
    h.Add("new", 1);
    expectWriteError(h);
    EXPECT_EQ(test::readFile(path()), corrupt);
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);

    // Something at the path that cannot be opened as a file is reported, not taken for an empty list.
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("Folder.mtd")));
    THistoryData folder(path(QStringLiteral("Folder.mtd")), 100, true);
    expectReadError(folder);
    EXPECT_TRUE(folder.IsLoaded());
    expectWriteError(folder);

    // A new load of a file that has been mended makes the list writable again.
    test::writeFile(path(), countBytes(1) + record("kept"));
    h.LoadFromFile();
    h.Add("new", 1);
    h.SaveToFile();
    EXPECT_EQ(loaded(path()).GetCount(), 2);
}

TEST_F(HistoryData, FailedSaveIsReportedAndLeavesOldFile)
{
    test::writeFile(path(QStringLiteral("plain")), "not a folder");
    THistoryData blocked = loaded(path(QStringLiteral("plain/List.mtd")));
    blocked.Add("a", 1);
    expectWriteError(blocked);

    // A list that was never loaded has nothing to save; the file stays as it is.
    test::writeFile(path(), countBytes(1) + record("kept"));
    THistoryData unloaded(path(), 100, true);
    expectWriteError(unloaded);
    EXPECT_THROW(unloaded.Add("a", 1), EHistoryDataError);
    EXPECT_EQ(loaded(path()).GetText(0), "kept");

    // The save makes its folders.
    THistoryData nested = loaded(path(QStringLiteral("a/b/List.mtd")));
    nested.Add("a", 1);
    nested.SaveToFile();
    EXPECT_EQ(loaded(nested.FileName()).GetText(0), "a");
}

TEST_F(HistoryData, ConstructorChecksFileAndMaximum)
{
    try {
        THistoryData(path(QStringLiteral("none.mtd")), 100, false);
        FAIL();
    } catch (const EHistoryFileError &e) {
        EXPECT_EQ(e.Message, path(QStringLiteral("none.mtd")) + QStringLiteral("\r\nファイルが見つかりません"));
    }
    for (int bad : {0, 256}) {
        try {
            THistoryData(path(), bad, true);
            FAIL() << bad;
        } catch (const EHistoryRangeError &e) {
            EXPECT_EQ(e.Message, path() + QStringLiteral("\r\n項目サイズには1～255の値を指定してください"));
        }
    }
}

TEST_F(HistoryData, MaxLengthIsCappedToWhatTheLengthByteHolds)
{
    EXPECT_EQ(THistoryData(path(), 247, true).MaxLength(), 247);
    THistoryData h = loaded(path(), 255);
    EXPECT_EQ(h.MaxLength(), 247);
    h.Add(QByteArray(255, 'x'), 1);
    h.SaveToFile();
    const QByteArray bytes = test::readFile(path());
    EXPECT_EQ(static_cast<unsigned char>(bytes[4]), 255);
    EXPECT_EQ(loaded(path(), 255).GetText(0), QByteArray(247, 'x'));
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
    EXPECT_GE(honor.IndexOf(sjis(QStringLiteral("御中"))), 0);
    EXPECT_EQ(DoubleToDateTime(honor.GetDateTime(0)), QDateTime(QDate(2026, 1, 1), QTime(0, 0)));
}
