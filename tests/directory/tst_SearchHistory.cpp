// The remembered searches of the two directory search windows: "NmAd.shc" and "Ctgry.shc" written and read
// back, short and damaged files, the most-recent-first list and its limit, and the name cut to its 34 bytes.
#include "directory/SearchHistory.h"

#include "base/SjisCodec.h"

#include "TestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TSearchHistoryEntry entry(const char *name, int level, QList<QByteArray> codes, int main = -1, int sub = -1)
{
    TSearchHistoryEntry e;
    e.SetName(Sjis::encode(QString::fromUtf8(name)));
    e.MatchMode = 1;
    e.TelKinds = 5;
    e.LegalForm = 2;
    e.PageSize = 50;
    e.Region = 2;
    e.Level = level;
    e.Codes = std::move(codes);
    e.MainIndex = main;
    e.SubIndex = sub;
    return e;
}

class SearchHistoryTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString file(const char *name) const { return dir.path() + "/" + name; }
};

TEST_F(SearchHistoryTest, NameAndCategoryFilesReadBackWhatWasWritten)
{
    for (bool category : {false, true}) {
        TSearchHistory written(category);
        written.Remember(entry("東洋建設", areaLevelNone, {QByteArray()}, 3, 4), 10);
        written.Remember(entry("鈴木内科", areaLevelPrefecture, {"13", "14"}, 5, 0), 10);
        written.Remember(entry("山田", areaLevelTown, {"13101001"}, 1, 2), 10);
        const QString path = file(category ? "Ctgry.shc" : "NmAd.shc");
        ASSERT_TRUE(written.Save(path));
        TSearchHistory read(category);
        read.Load(path, 10);
        ASSERT_EQ(read.Saved.size(), 3u);
        for (size_t i = 0; i < 3; ++i)
            EXPECT_TRUE(read.Saved[i].SameSearch(written.Saved[i], category)) << i;
        EXPECT_TRUE(read.Current.SameSearch(written.Saved[0], category));
        // The whole country is one empty code without code bytes.
        EXPECT_EQ(read.Saved[2].Codes, QList<QByteArray>{QByteArray()});
        EXPECT_EQ(read.Saved[1].Codes, (QList<QByteArray>{"13", "14"}));
        EXPECT_EQ(read.Saved[2].MainIndex, category ? 3 : -1);
    }
    // 85 bytes before the codes, (level + 1) per code, two more words in the category file.
    EXPECT_EQ(test::readFile(file("NmAd.shc")).size(), 4 + (85 + 9) + (85 + 6) + 85);
    EXPECT_EQ(test::readFile(file("Ctgry.shc")).size(), 4 + (85 + 9 + 8) + (85 + 6 + 8) + (85 + 8));
}

TEST_F(SearchHistoryTest, ShortAndDamagedFilesKeepTheEntriesBeforeTheDamage)
{
    TSearchHistory written(false);
    written.Remember(entry("一", areaLevelCity, {"13101"}), 10);
    written.Remember(entry("二", areaLevelPrefecture, {"27"}), 10);
    ASSERT_TRUE(written.Save(file("NmAd.shc")));
    const QByteArray whole = test::readFile(file("NmAd.shc"));

    TSearchHistory read(false);
    // Cut inside the second entry: the first stays.
    test::writeFile(file("cut.shc"), whole.left(whole.size() - 3));
    read.Load(file("cut.shc"), 10);
    ASSERT_EQ(read.Saved.size(), 1u);
    EXPECT_EQ(read.Current.Codes, QList<QByteArray>{"27"});
    // A count word alone, an empty file, no file: the defaults.
    for (const QByteArray &bytes : {whole.left(4), QByteArray(), QByteArray("\x01\x00", 2)}) {
        test::writeFile(file("short.shc"), bytes);
        read.Load(file("short.shc"), 10);
        EXPECT_TRUE(read.Saved.empty());
        EXPECT_EQ(read.Current.PageSize, 20);
        EXPECT_TRUE(read.Current.Codes.isEmpty());
    }
    read.Load(file("missing.shc"), 10);
    EXPECT_EQ(read.Current.PageSize, 20);
    // A code count of 0 ends the reading there.
    QByteArray zero = whole;
    zero[4 + 77] = 0;
    test::writeFile(file("zero.shc"), zero);
    read.Load(file("zero.shc"), 10);
    EXPECT_TRUE(read.Saved.empty());
    // A count larger than the entries that follow reads what is there.
    QByteArray more = whole;
    more[0] = 9;
    test::writeFile(file("more.shc"), more);
    read.Load(file("more.shc"), 10);
    EXPECT_EQ(read.Saved.size(), 2u);
}

TEST_F(SearchHistoryTest, RecentSearchesComeFirstUpToTheLimit)
{
    TSearchHistory h(false);
    for (const char *name : {"一", "二", "三", "四"})
        h.Remember(entry(name, areaLevelNone, {QByteArray()}), 3);
    ASSERT_EQ(h.Saved.size(), 3u);
    EXPECT_EQ(h.Saved[0].Name, Sjis::encode(QStringLiteral("四")));
    EXPECT_EQ(h.Saved[2].Name, Sjis::encode(QStringLiteral("二")));
    // The same search again moves to the front without a new entry.
    h.Remember(entry("三", areaLevelNone, {QByteArray()}), 3);
    EXPECT_EQ(h.Saved.size(), 3u);
    EXPECT_EQ(h.Saved[0].Name, Sjis::encode(QStringLiteral("三")));
    // With no history the file still holds the current conditions, read back as the current ones.
    TSearchHistory none(false);
    none.Remember(entry("五", areaLevelPrefecture, {"13"}), 0);
    EXPECT_TRUE(none.Saved.empty());
    ASSERT_TRUE(none.Save(file("none.shc")));
    TSearchHistory read(false);
    read.Load(file("none.shc"), 0);
    EXPECT_TRUE(read.Saved.empty());
    EXPECT_EQ(read.Current.Name, Sjis::encode(QStringLiteral("五")));
    // Only the chosen sub category differs: another search of the category window.
    TSearchHistory c(true);
    c.Remember(entry("六", areaLevelNone, {QByteArray()}, 2, 1), 10);
    c.Remember(entry("六", areaLevelNone, {QByteArray()}, 2, 3), 10);
    EXPECT_EQ(c.Saved.size(), 2u);
    h.ApplyLimit(1);
    EXPECT_EQ(h.Saved.size(), 1u);
}

// A name cut to its 34 bytes ends before a double-byte character that would be split.
TEST_F(SearchHistoryTest, NameCutNeverSplitsADoubleByteCharacter)
{
    TSearchHistoryEntry e;
    e.SetName(QByteArray(33, 'A') + Sjis::encode(QStringLiteral("東京")));
    EXPECT_EQ(e.Name, QByteArray(33, 'A'));
    e.SetName(QByteArray(32, 'A') + Sjis::encode(QStringLiteral("東京")));
    EXPECT_EQ(e.Name, QByteArray(32, 'A') + Sjis::encode(QStringLiteral("東")));
    // Half-width katakana are single bytes and are kept up to the 34th.
    e.SetName(QByteArray(40, '\xB1'));
    EXPECT_EQ(e.Name.size(), 34);
}

}  // namespace
