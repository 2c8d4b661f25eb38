// The main window's saved settings: defaults, corrections of damaged values, design units and captions.
#include "base/SjisCodec.h"
#include "core/Globals.h"
#include "mainlist/AdrsListSettings.h"
#include "platform/MemIniFile.h"

#include "TestSupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class AdrsListSettings : public ::testing::Test {
protected:
    void SetUp() override
    {
        DataFolder = dir.path() + "/data/";
        DataRootFolder = dir.path() + "/root/";
        QDir().mkpath(DataFolder);
        QDir().mkpath(DataRootFolder);
    }
    void TearDown() override
    {
        KeywordNames = savedNames;
        KeywordModes = savedModes;
        GroupNames = savedGroups;
    }
    void writeIni(const QString &file, const QString &text) { test::writeFile(file, Sjis::encode(text)); }
    // A reversed column order of indexCount items, each column 10 units wide and shown.
    void writeHeader(int indexCount, const QString &from = {}, const QString &to = {})
    {
        QStringList order;
        for (int i = indexCount - 1; i >= 0; --i)
            order << QString::number(i);
        QString text = "[HEADER]\r\nHeaderIndex=" + order.join(',') + "\r\nHeaderWidth=" +
                       QStringList(44, "10").join(',') + "\r\nHeaderView=" + QStringList(44, "1").join(',');
        writeIni(DataRootFolder + "AdrsList.ini", from.isEmpty() ? text : text.replace(from, to));
    }
    static void expectDefaultColumns(const TListSettings &s)
    {
        for (int i = 0; i < ListItemCount; ++i) {
            EXPECT_EQ(s.ColumnDefs[i].ItemNo, i);
            EXPECT_EQ(s.ColumnDefs[i].Width, ListItemTable()[i].Width) << i;
            EXPECT_EQ(s.ColumnDefs[i].Visible, ListItemTable()[i].Shown) << i;
        }
    }

    QTemporaryDir dir;
    const std::array<QString, 8> savedNames = KeywordNames;
    const std::array<uint8_t, 8> savedModes = KeywordModes;
    const std::array<QString, 11> savedGroups = GroupNames;
};

}  // namespace

TEST_F(AdrsListSettings, MissingFilesGiveDefaults)
{
    KeywordNames[0] = "stale";
    const TListSettings s = LoadListSettings(96);
    expectDefaultColumns(s);
    EXPECT_EQ(std::tuple(s.ViewGroup, s.SortType, s.SortDir), std::tuple(0, 0, true));
    EXPECT_EQ(KeywordNames[0], QStringLiteral("キーワード１"));
    EXPECT_TRUE(LoadStartFlags());
    // Centred in 96-dpi units, truncated: (1366 - 960) / 2, (769 - 572) / 2; then scaled to 144 dpi.
    EXPECT_EQ(LoadWindowPlacement(QSize(1366, 769), 96), QRect(203, 98, 960, 572));
    EXPECT_EQ(LoadWindowPlacement(QSize(2049, 1153), 144), QRect(305, 147, 1440, 858));
}

TEST_F(AdrsListSettings, DamagedHeaderListsFallBackToDefaults)
{
    writeHeader(43);
    expectDefaultColumns(LoadListSettings(96));
    // An order that is not each item once cannot place the other lists either.
    for (const char *bad : {"x,", "44,", "1,"}) {
        writeHeader(44, "HeaderIndex=43,", QStringLiteral("HeaderIndex=") + bad);
        expectDefaultColumns(LoadListSettings(96));
    }
    // A width that is not a number: each column takes its own item's default width; order and flags stay.
    writeHeader(44, "HeaderWidth=10,", "HeaderWidth=wide,");
    const TListSettings s = LoadListSettings(96);
    EXPECT_EQ(std::tuple(s.ColumnDefs[0].ItemNo, s.ColumnDefs[0].ItemRow, s.ColumnDefs[0].Width),
              std::tuple(43, 43, 210));
    EXPECT_TRUE(s.ColumnDefs[0].Visible);
}

TEST_F(AdrsListSettings, OutOfRangeValuesReadAsDefaults)
{
    for (const auto &[group, sort, readGroup, readSort] : {std::tuple(-1, 16, 0, 0), std::tuple(12, -1, 0, 0),
                                                            std::tuple(11, 15, 11, 15)}) {
        writeIni(DataRootFolder + "AdrsList.ini",
                 QString("[GROUP]\r\nViewGroup=%1\r\n[SORT]\r\nSortType=%2\r\n").arg(group).arg(sort));
        const TListSettings s = LoadListSettings(96);
        EXPECT_EQ(std::pair(s.ViewGroup, s.SortType), std::pair(readGroup, readSort));
    }
    writeIni(DataRootFolder + "AdrsList.ini", "[KEYWORD]\r\nName1=\r\nName2=担当\r\nMode1=2\r\nMode2=8\r\n");
    LoadListSettings(96);
    EXPECT_EQ(KeywordNames[0], QStringLiteral("キーワード１"));
    EXPECT_EQ(KeywordNames[1], QStringLiteral("担当"));
    EXPECT_EQ(KeywordModes[0], 6);
    EXPECT_EQ(KeywordModes[1], 8);

    for (const auto &[ini, items] : {std::pair("Item1=0\r\nItem2=3", TDuplicateItems{0, 0}),
                                     std::pair("Item1=5\r\nItem2=3", TDuplicateItems{0, 0}),
                                     std::pair("Item1=4\r\nItem2=1", TDuplicateItems{4, 1})}) {
        writeIni(DataFolder + "Mirvale18.ini", QString("[DUPLI SEARCH]\r\n") + ini);
        EXPECT_EQ(LoadDuplicateItem(), items) << ini;
    }
}

TEST_F(AdrsListSettings, SavedInDesignUnitsAndReadBackAtAnotherDpi)
{
    SaveWindowPlacement(QRect(150, 75, 1440, 858), 144);
    EXPECT_EQ(LoadWindowPlacement(QSize(), 96), QRect(100, 50, 960, 572));
    EXPECT_EQ(LoadWindowPlacement(QSize(), 144), QRect(150, 75, 1440, 858));

    TListSettings s = LoadListSettings(144);
    std::swap(s.ColumnDefs[0], s.ColumnDefs[9]);
    s.ColumnDefs[0].Width = 300;
    s.ColumnDefs[1].Visible = false;
    s.ViewGroup = 3;
    s.SortType = 9;
    s.SortDir = false;
    SaveListSettings(s, 144);
    const TMemIniFile ini(DataRootFolder + "AdrsList.ini");
    EXPECT_TRUE(ini.ReadString("HEADER", "HeaderIndex", {}).startsWith("9,1,2,3,4,5,6,7,8,0,10,"));
    EXPECT_TRUE(ini.ReadString("HEADER", "HeaderWidth", {}).startsWith("200,120,112,"));
    EXPECT_TRUE(ini.ReadString("HEADER", "HeaderView", {}).startsWith("1,0,0,1,"));
    const TListSettings back = LoadListSettings(144);
    EXPECT_EQ(back.ColumnDefs, s.ColumnDefs);
    EXPECT_EQ(std::tuple(back.ViewGroup, back.SortType, back.SortDir), std::tuple(3, 9, false));

    SaveDuplicateItem({3, 1});
    EXPECT_EQ(LoadDuplicateItem(), (TDuplicateItems{3, 1}));
    EXPECT_EQ(LoadWindowPlacement(QSize(), 96), QRect(100, 50, 960, 572));  // each save keeps the other keys

    test::writeFile(dir.path() + "/plain", "x");
    DataRootFolder = dir.path() + "/plain/";
    EXPECT_THROW(SaveListSettings(s, 144), EIniFileError);
}

TEST_F(AdrsListSettings, GroupAndSortCaptions)
{
    GroupNames[1] = QStringLiteral("得意先");
    GroupNames[10] = QStringLiteral("その他");
    const QStringList groups = GroupComboItems();
    ASSERT_EQ(groups.size(), 12);
    EXPECT_EQ(groups[1], QStringLiteral("未指定のみ"));
    EXPECT_EQ(groups[2], QStringLiteral(" 1： 得意先"));
    EXPECT_EQ(groups[11], QStringLiteral("10： その他"));

    KeywordNames[0] = QStringLiteral("担当");
    const QStringList sorts = SortComboItems();
    ASSERT_EQ(sorts.size(), 16);
    EXPECT_EQ(sorts[7], QStringLiteral("担当順"));
    EXPECT_EQ(sorts[14], QStringLiteral("キーワード８順"));
    EXPECT_EQ(sorts[15], QStringLiteral("カテゴリ順"));
}
