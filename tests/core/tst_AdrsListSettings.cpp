// The main window's saved settings: defaults, corrections of damaged values, design units and captions.
#include "core/AdrsListSettings.h"
#include "core/Globals.h"
#include "platform/MemIniFile.h"
#include "platform/SjisCodec.h"

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
    void writeListIni(const QString &text) { test::writeFile(DataRootFolder + "AdrsList.ini", Sjis::encode(text)); }
    void writeSettingsIni(const QString &text) { test::writeFile(DataFolder + "Mirvale18.ini", Sjis::encode(text)); }
    static QString repeated(const QString &value, int count) { return QStringList(count, value).join(','); }
    // The columns of a reversed item order, each 10 units wide and shown.
    static QString reversedHeader(int indexCount)
    {
        QStringList order;
        for (int i = indexCount - 1; i >= 0; --i)
            order << QString::number(i);
        return "[HEADER]\r\nHeaderIndex=" + order.join(',') + "\r\nHeaderWidth=" + repeated("10", 44) +
               "\r\nHeaderView=" + repeated("1", 44) + "\r\n";
    }
    static void expectDefaultColumns(const TListSettings &s, double ppi)
    {
        for (int i = 0; i < ListItemCount; ++i) {
            const TListItem &item = ListItemTable()[i];
            EXPECT_EQ(s.ColumnDefs[i].ItemNo, i);
            EXPECT_EQ(s.ColumnDefs[i].ItemRow, i);
            EXPECT_EQ(s.ColumnDefs[i].Width, qRound(item.Width * ppi / 96.0));
            EXPECT_EQ(s.ColumnDefs[i].Visible, item.Shown) << i;
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
    expectDefaultColumns(s, 96);
    EXPECT_EQ(s.ViewGroup, 0);
    EXPECT_EQ(s.SortType, 0);
    EXPECT_TRUE(s.SortDir);
    EXPECT_EQ(KeywordNames[0], QStringLiteral("キーワード１"));
    EXPECT_EQ(KeywordNames[7], QStringLiteral("キーワード８"));
    EXPECT_EQ(KeywordModes[3], 6);
    EXPECT_TRUE(LoadStartFlags());
    EXPECT_EQ(LoadDuplicateItem(), TDuplicateItems{});
    // Centred in 96-dpi units, truncated: (1366 - 960) / 2 = 203, (769 - 572) / 2 = 98.
    EXPECT_EQ(LoadWindowPlacement(QSize(1366, 769), 96), QRect(203, 98, 960, 572));
    // The same screen at 144 dpi: 2049 x 1153 pixels are 1366 x 769 units.
    EXPECT_EQ(LoadWindowPlacement(QSize(2049, 1153), 144), QRect(305, 147, 1440, 858));
}

TEST_F(AdrsListSettings, HeaderIndexOfWrongLengthDefaultsAllThreeLists)
{
    writeListIni(reversedHeader(43));
    expectDefaultColumns(LoadListSettings(96), 96);
}

TEST_F(AdrsListSettings, SavedColumnOrderKeepsItsWidthsAndFlags)
{
    writeListIni(reversedHeader(44));
    const TListSettings s = LoadListSettings(144);
    EXPECT_EQ(s.ColumnDefs[0].ItemNo, 43);
    EXPECT_EQ(s.ColumnDefs[0].ItemRow, 43);
    EXPECT_EQ(s.ColumnDefs[0].Width, 15);
    EXPECT_TRUE(s.ColumnDefs[0].Visible);
    EXPECT_EQ(s.ColumnDefs[43].ItemNo, 0);
}

TEST_F(AdrsListSettings, DamagedHeaderEntriesFallBackToDefaults)
{
    // A width that is not a number: every column takes its own item's default width, order and flags stay.
    QString ini = reversedHeader(44);
    writeListIni(ini.replace("HeaderWidth=10,", "HeaderWidth=wide,"));
    TListSettings s = LoadListSettings(96);
    EXPECT_EQ(s.ColumnDefs[0].ItemNo, 43);
    EXPECT_EQ(s.ColumnDefs[0].Width, 210);
    EXPECT_EQ(s.ColumnDefs[43].Width, 56);
    EXPECT_TRUE(s.ColumnDefs[1].Visible);

    // Flags of the wrong length: each item's default flag.
    ini = reversedHeader(44);
    writeListIni(ini.replace("HeaderView=1,", "HeaderView="));
    s = LoadListSettings(96);
    EXPECT_EQ(s.ColumnDefs[0].Width, 10);
    EXPECT_FALSE(s.ColumnDefs[0].Visible);  // item 43
    EXPECT_TRUE(s.ColumnDefs[43].Visible);  // item 0

    // An order that is not each item once (not a number, an unknown item, an item twice) cannot place the
    // other lists either.
    for (const QString &bad : {"x", "44", "-1", "1"}) {
        ini = reversedHeader(44);
        writeListIni(ini.replace("HeaderIndex=43,", "HeaderIndex=" + bad + ","));
        expectDefaultColumns(LoadListSettings(96), 96);
    }
}

TEST_F(AdrsListSettings, OutOfRangeValuesReadAsDefaults)
{
    const struct {
        int value;
        int viewGroup;
    } groups[] = {{-1, 0}, {12, 0}, {11, 11}, {1, 1}};
    for (const auto &g : groups) {
        writeListIni(QString("[GROUP]\r\nViewGroup=%1\r\n[SORT]\r\nSortType=16\r\nSortDir=0\r\n").arg(g.value));
        const TListSettings s = LoadListSettings(96);
        EXPECT_EQ(s.ViewGroup, g.viewGroup) << g.value;
        EXPECT_EQ(s.SortType, 0);
        EXPECT_FALSE(s.SortDir);
    }
    writeListIni("[SORT]\r\nSortType=15\r\n[KEYWORD]\r\nName1=\r\nName2=担当\r\nMode1=2\r\nMode2=8\r\nMode3=1\r\n"
                 "Mode4=0\r\n");
    EXPECT_EQ(LoadListSettings(96).SortType, 15);
    EXPECT_EQ(KeywordNames[0], QStringLiteral("キーワード１"));
    EXPECT_EQ(KeywordNames[1], QStringLiteral("担当"));
    EXPECT_EQ(KeywordModes[0], 6);
    EXPECT_EQ(KeywordModes[1], 8);
    EXPECT_EQ(KeywordModes[2], 1);
    EXPECT_EQ(KeywordModes[3], 6);

    const struct {
        const char *ini;
        TDuplicateItems items;
    } duplicates[] = {{"Item1=0\r\nItem2=3", {0, 0}},
                      {"Item1=5\r\nItem2=3", {0, 0}},
                      {"Item1=2\r\nItem2=-1", {2, 0}},
                      {"Item1=4\r\nItem2=1", {4, 1}}};
    for (const auto &d : duplicates) {
        writeSettingsIni(QString("[DUPLI SEARCH]\r\n") + d.ini + "\r\n");
        EXPECT_EQ(LoadDuplicateItem(), d.items) << d.ini;
    }
}

TEST_F(AdrsListSettings, SavedValuesAreDesignUnitsAndReadBackAtAnotherDpi)
{
    const QRect bounds(150, 75, 1440, 858);
    SaveWindowPlacement(bounds, 144);
    const TMemIniFile ini(DataFolder + "Mirvale18.ini");
    EXPECT_EQ(ini.ReadInteger("ADRS LIST", "Left", 0), 100);
    EXPECT_EQ(ini.ReadInteger("ADRS LIST", "Top", 0), 50);
    EXPECT_EQ(ini.ReadInteger("ADRS LIST", "Width", 0), 960);
    EXPECT_EQ(ini.ReadInteger("ADRS LIST", "Height", 0), 572);
    EXPECT_EQ(LoadWindowPlacement(QSize(100, 100), 144), bounds);
    EXPECT_EQ(LoadWindowPlacement(QSize(100, 100), 96), QRect(100, 50, 960, 572));

    TListSettings s = LoadListSettings(144);
    std::swap(s.ColumnDefs[0], s.ColumnDefs[9]);
    s.ColumnDefs[0].Width = 300;
    s.ColumnDefs[1].Visible = false;
    s.ViewGroup = 3;
    s.SortType = 9;
    s.SortDir = false;
    SaveListSettings(s, 144);
    const TMemIniFile list(DataRootFolder + "AdrsList.ini");
    EXPECT_TRUE(list.ReadString("HEADER", "HeaderIndex", {}).startsWith("9,1,2,3,4,5,6,7,8,0,10,"));
    EXPECT_TRUE(list.ReadString("HEADER", "HeaderWidth", {}).startsWith("200,120,112,"));
    EXPECT_TRUE(list.ReadString("HEADER", "HeaderView", {}).startsWith("1,0,0,1,"));
    EXPECT_EQ(LoadListSettings(144).ColumnDefs, s.ColumnDefs);
    const TListSettings back = LoadListSettings(144);
    EXPECT_EQ(back.ViewGroup, 3);
    EXPECT_EQ(back.SortType, 9);
    EXPECT_FALSE(back.SortDir);

    UpdateCheckAtStart = 0;
    SaveStartFlags(false);
    UpdateCheckAtStart = 1;
    EXPECT_FALSE(LoadStartFlags());
    EXPECT_EQ(TMemIniFile(DataFolder + "Mirvale18.ini").ReadString("UPDATE", "UpdateCheck", {}), "0");
    SaveDuplicateItem({3, 1});
    EXPECT_EQ(LoadDuplicateItem(), (TDuplicateItems{3, 1}));
    // The placement written first is still there: each save changes only its own keys.
    EXPECT_EQ(LoadWindowPlacement(QSize(100, 100), 96), QRect(100, 50, 960, 572));
}

TEST_F(AdrsListSettings, FailedSaveIsReported)
{
    test::writeFile(dir.path() + "/plain", "x");
    DataRootFolder = dir.path() + "/plain/";
    EXPECT_THROW(SaveListSettings(LoadListSettings(96), 96), EIniFileError);
}

TEST_F(AdrsListSettings, GroupAndSortCaptions)
{
    GroupNames[1] = QStringLiteral("得意先");
    GroupNames[10] = QStringLiteral("その他");
    const QStringList groups = GroupComboItems();
    ASSERT_EQ(groups.size(), 12);
    EXPECT_EQ(groups[0], QStringLiteral("すべて"));
    EXPECT_EQ(groups[1], QStringLiteral("未指定のみ"));
    EXPECT_EQ(groups[2], QStringLiteral(" 1： 得意先"));
    EXPECT_EQ(groups[11], QStringLiteral("10： その他"));

    KeywordNames[0] = QStringLiteral("担当");
    const QStringList sorts = SortComboItems();
    ASSERT_EQ(sorts.size(), 16);
    EXPECT_EQ(sorts[6], QStringLiteral("名前順"));
    EXPECT_EQ(sorts[7], QStringLiteral("担当順"));
    EXPECT_EQ(sorts[14], QStringLiteral("キーワード８順"));
    EXPECT_EQ(sorts[15], QStringLiteral("カテゴリ順"));
    EXPECT_EQ(SortTypeTable()[7].IndexName, "Keyword1");
    EXPECT_EQ(SortTypeTable()[0].IndexName, "");
}
