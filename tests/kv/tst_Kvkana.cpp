// Kvkana.so as the program loads it, over the built Dic/Geo.dic: the six regions, municipalities in reading
// order, districts with their blocks marked or listed, and the codes for bad arguments.
#include "GeoTest.h"

#include "Kvkana/Kvkana.h"

#include <QSet>

#include <cstring>
#include <vector>

namespace {

using geotest::text;

class Kvkana : public geotest::Library {
protected:
    Kvkana() : Library("Kvkana.dll") {}

    void SetUp() override
    {
        Library::SetUp();
        all = entry<TKVKanaTdfkn>("KVKanaTdfkn");
        part = entry<TKVKanaTdfknPart>("KVKanaTdfknPart");
        cityAll = entry<TKVKanaCityAll>("KVKanaCityAll");
        ohaza = entry<TKVKanaOhazaAll>("KVKanaOhazaAll");
        chome = entry<TKVKanaOhazaAll>("KVKanaOhazaAll_Chome");
        aza = entry<TKVKanaOhazaAll>("KVKanaAzaAll");
    }

    std::vector<TKanaCityEntry> cities(int prefecture)
    {
        TKanaPrefEntry prefectures[KVKANA_PREFECTURES];
        EXPECT_EQ(all(prefectures, folder.constData()), 0);
        std::vector<TKanaCityEntry> list(prefectures[prefecture - 1].CityCount);
        EXPECT_EQ(cityAll(prefecture, list.data(), int32_t(list.size()), folder.constData()), 0);
        return list;
    }

    QStringList districts(TKVKanaOhazaAll f, const char *code, int count, std::vector<TKanaOazaEntry> *out = nullptr)
    {
        std::vector<TKanaOazaEntry> list(static_cast<size_t>(count));
        const int rc = f(code, list.data(), count, folder.constData());
        if (rc != 0)
            return {QString::number(rc)};
        QStringList names;
        for (const TKanaOazaEntry &e : list)
            if (e.Name[0])
                names << text(e.Name);
        if (out)
            *out = list;
        return names;
    }

    const QByteArray folder = geotest::dicFolder();
    TKVKanaTdfkn all = nullptr;
    TKVKanaTdfknPart part = nullptr;
    TKVKanaCityAll cityAll = nullptr;
    TKVKanaOhazaAll ohaza = nullptr, chome = nullptr, aza = nullptr;
};

TEST_F(Kvkana, SixRegionsCoverEveryPrefectureOnce)
{
    TKanaPrefEntry prefectures[KVKANA_PREFECTURES];
    ASSERT_EQ(all(prefectures, folder.constData()), 0);
    EXPECT_EQ(prefectures[0].Number, 1u);
    EXPECT_EQ(text(prefectures[12].Name), QStringLiteral("東京都"));
    EXPECT_EQ(text(prefectures[46].Name), QStringLiteral("沖縄県"));

    QSet<uint32_t> seen;
    for (int region = 0; region <= 5; ++region) {
        TKanaPrefEntry entries[KVKANA_REGION_SIZE];
        std::memset(entries, 0x55, sizeof entries);
        ASSERT_EQ(part(region, entries, folder.constData()), 0) << region;
        int n = 0;
        for (; n < KVKANA_REGION_SIZE && entries[n].Number != 0; ++n) {
            EXPECT_FALSE(seen.contains(entries[n].Number));
            seen.insert(entries[n].Number);
            EXPECT_EQ(std::memcmp(&entries[n], &prefectures[entries[n].Number - 1], sizeof(TKanaPrefEntry)), 0);
        }
        for (int rest = n; rest < KVKANA_REGION_SIZE; ++rest)
            EXPECT_EQ(entries[rest].Name[0], 0) << "the entries after the region's last are zeroed";
    }
    EXPECT_EQ(seen.size(), KVKANA_PREFECTURES);

    TKanaPrefEntry kanto[KVKANA_REGION_SIZE];
    part(1, kanto, folder.constData());
    EXPECT_EQ(text(kanto[0].Name), QStringLiteral("茨城県"));
    EXPECT_EQ(text(kanto[6].Name), QStringLiteral("神奈川県"));
    EXPECT_EQ(part(6, kanto, folder.constData()), 4);
    EXPECT_EQ(part(-1, kanto, folder.constData()), 4);
}

TEST_F(Kvkana, MunicipalitiesInReadingOrder)
{
    const std::vector<TKanaCityEntry> tokyo = cities(13);
    ASSERT_EQ(tokyo.size(), 62u);
    const QString order = QStringLiteral("ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓﾔﾕﾖﾗﾘﾙﾚﾛﾜｦﾝ");
    for (size_t i = 1; i < tokyo.size(); ++i)
        EXPECT_LE(order.indexOf(text(tokyo[i - 1].Initial)), order.indexOf(text(tokyo[i].Initial)))
            << text(tokyo[i].Name).toStdString();
    const auto chiyoda = std::find_if(tokyo.begin(), tokyo.end(), [](const TKanaCityEntry &c) {
        return text(c.Name) == QStringLiteral("千代田区");
    });
    ASSERT_NE(chiyoda, tokyo.end());
    EXPECT_EQ(QByteArray(chiyoda->Code, 6), QByteArray("13101\0", 6));
    EXPECT_EQ(text(chiyoda->Initial), QStringLiteral("ﾁ"));
    EXPECT_GT(chiyoda->DistrictCount, 50);

    // A buffer smaller than the list gets its first entries, the rest of memory untouched.
    TKanaCityEntry two[3];
    std::memset(two, 0x7F, sizeof two);
    EXPECT_EQ(cityAll(13, two, 2, folder.constData()), 0);
    EXPECT_EQ(std::memcmp(two, tokyo.data(), 2 * sizeof(TKanaCityEntry)), 0);
    EXPECT_EQ(two[2].Code[0], 0x7F);
}

TEST_F(Kvkana, DistrictsWithTheirBlocksMarkedOrListed)
{
    // 伊達市 (07213) has 保原町 with twelve blocks.
    const std::vector<TKanaCityEntry> fukushima = cities(7);
    const auto date = std::find_if(fukushima.begin(), fukushima.end(), [](const TKanaCityEntry &c) {
        return QByteArray(c.Code) == "07213";
    });
    ASSERT_NE(date, fukushima.end());
    const int count = date->DistrictCount;
    std::vector<TKanaOazaEntry> plain;
    const QStringList names = districts(ohaza, "07213", count, &plain);
    ASSERT_EQ(names.size(), count);
    const int hobara = names.indexOf(QStringLiteral("保原町"));
    ASSERT_GE(hobara, 0);
    EXPECT_FALSE(names.contains(QStringLiteral("保原町１丁目")));
    EXPECT_EQ(plain[hobara].Number, hobara + 1);
    EXPECT_EQ(QByteArray(plain[hobara].Code, 8), QByteArray("07213") + QByteArray::number(hobara + 1).rightJustified(3, '0'));

    // The marked list is the same list, as long (so DistrictCount is still the size of its buffer): only a
    // district with blocks, and every such district, carries the mark.
    std::vector<TKanaOazaEntry> marked(size_t(count) + 1);
    std::memset(marked.data(), 0x7F, marked.size() * sizeof(TKanaOazaEntry));
    ASSERT_EQ(chome("07213", marked.data(), count, folder.constData()), 0);
    EXPECT_EQ(marked[count].Code[0], 0x7F) << "nothing written past the district count";
    EXPECT_EQ(text(marked[hobara].Name), QStringLiteral("保原町（丁目）"));
    int withBlocks = 0;
    for (int i = 0; i < count; ++i) {
        const QByteArray code(plain[i].Code, 8);
        EXPECT_EQ(QByteArray(marked[i].Code, 8), code);
        EXPECT_EQ(marked[i].Number, plain[i].Number);
        EXPECT_EQ(text(marked[i].Initial), text(plain[i].Initial));
        const bool hasBlocks = districts(aza, code.constData(), 100).first() != QStringLiteral("8");
        EXPECT_EQ(text(marked[i].Name), hasBlocks ? names[i] + QStringLiteral("（丁目）") : names[i]) << i;
        withBlocks += hasBlocks;
    }
    EXPECT_GT(withBlocks, 0);
    EXPECT_LT(withBlocks, count);

    const QByteArray code(plain[hobara].Code, 8);
    const QStringList blocks = districts(aza, code.constData(), 20);
    ASSERT_EQ(blocks.size(), 12);
    EXPECT_EQ(blocks.first(), QStringLiteral("保原町１丁目"));
    EXPECT_EQ(blocks.at(9), QStringLiteral("保原町１０丁目")) << "blocks in number order";
    // A district without blocks has none to list.
    EXPECT_EQ(districts(aza, QByteArray(plain[0].Code, 8).constData(), 20), QStringList{QStringLiteral("8")});
}

TEST_F(Kvkana, DistrictCodesBeyondNineHundredNinetyNine)
{
    // 富山市 has more districts than three digits number; the thousandth is "A00".
    std::vector<TKanaOazaEntry> list;
    districts(ohaza, "16201", 1200, &list);
    ASSERT_GT(list.size(), 1000u);
    EXPECT_EQ(QByteArray(list[998].Code, 8), QByteArray("16201999"));
    EXPECT_EQ(QByteArray(list[999].Code, 8), QByteArray("16201A00"));
    EXPECT_EQ(list[999].Number, 1000);
}

TEST_F(Kvkana, InvalidAndUnknownCodes)
{
    TKanaCityEntry city[1];
    EXPECT_EQ(cityAll(0, city, 1, folder.constData()), 4);
    EXPECT_EQ(cityAll(48, city, 1, folder.constData()), 4);
    EXPECT_EQ(districts(ohaza, "1310", 5), QStringList{QStringLiteral("4")});
    EXPECT_EQ(districts(ohaza, "1310x", 5), QStringList{QStringLiteral("4")});
    EXPECT_EQ(districts(ohaza, "99999", 5), QStringList{QStringLiteral("8")});
    EXPECT_EQ(districts(aza, "13101", 5), QStringList{QStringLiteral("4")});
    EXPECT_EQ(districts(aza, "13101999", 5), QStringList{QStringLiteral("8")});
    EXPECT_EQ(all(nullptr, folder.constData()), 4);
}

}  // namespace
