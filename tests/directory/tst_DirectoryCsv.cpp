// The CSV columns of directory hits, from a hit alone and from its whole entry.
#include "directory/DirectoryCsv.h"

#include "base/SjisCodec.h"
#include "geo/DicLibraries.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

QByteArray sj(const char16_t *text) { return Sjis::encode(QStringView(text)); }
QString un(const QByteArray &bytes) { return Sjis::decode(bytes); }

TDirectoryHit makeHit(uint32_t kind, const char16_t *name = u"北斗商事株式会社")
{
    TDirectoryHit hit{};
    PutText(hit.Tel, "0312345678  ");
    hit.Kind = kind;
    PutText(hit.Name, sj(name));
    PutText(hit.Address, sj(u"東京都千代田区丸の内１－２－３"));
    std::memcpy(hit.MainCategory, "05", 2);
    std::memcpy(hit.SubCategory, "12", 2);
    return hit;
}

TDirectoryDetail makeDetail(uint32_t person)
{
    TDirectoryDetail d{};
    PutText(d.Tel, "03-1234-5678");
    d.Kind = 0;
    PutText(d.PostalCode, "1000005");
    PutText(d.Name, sj(u"北斗商事株式会社"));
    PutText(d.NameReading, sj(u"ﾎｸﾄｼﾖｳｼﾞ"));
    PutText(d.Prefecture, sj(u"東京都"));
    PutText(d.City, sj(u"千代田区"));
    PutText(d.Address1, sj(u"丸の内"));
    PutText(d.Address2, sj(u"１－２－３ "));
    PutText(d.Address3, sj(u"北斗ビル"));
    PutText(d.PrefectureReading, sj(u"ﾄｳｷﾖｳﾄ"));
    PutText(d.CityReading, sj(u"ﾁﾖﾀﾞｸ"));
    PutText(d.Address1Reading, sj(u"ﾏﾙﾉｳﾁ"));
    PutText(d.AddressCode, "13101000123");
    d.Person = person;
    std::memcpy(d.MainCategory, "05", 2);
    std::memcpy(d.SubCategory, "12", 2);
    return d;
}

// Category names that tell what was asked for.
QByteArray categoryName(bool sub, int32_t catNo)
{
    return (sub ? "sub" : "main") + QByteArray::number(catNo);
}

std::vector<TItemChoice> chosen(std::initializer_list<uint32_t> rows)
{
    std::vector<TItemChoice> items;
    for (uint32_t row : rows)
        items.push_back({row, row, true});
    return items;
}

QString line(const std::vector<TItemChoice> &items, const TDirectoryHit &hit, const TDirectoryDetail *detail = nullptr)
{
    return un(DirectoryCsvLine(items, hit, detail, categoryName));
}

}  // namespace

TEST(DirectoryCsv, HeaderAndLineFollowTheChoiceAndSkipUnchosenAndUnknownRows)
{
    std::vector<TItemChoice> items = chosen({15, 0, 14});
    items.insert(items.begin() + 1, {3, 3, false});
    items.push_back({18, 18, true});
    EXPECT_EQ(un(DirectoryCsvHeader(items)), QStringLiteral("大分類コード,電話番号,大分類名"));
    EXPECT_EQ(line(items, makeHit(0)), QStringLiteral("05,0312345678,main5"));
    EXPECT_FALSE(ChoiceNeedsDetail(items));
    items[1].Chosen = true;  // 郵便番号 needs the entry
    EXPECT_TRUE(ChoiceNeedsDetail(items));
    EXPECT_TRUE(DirectoryCsvLine({}, makeHit(0), nullptr, categoryName).isEmpty());
}

TEST(DirectoryCsv, TelephoneColumnsByKind)
{
    const auto items = chosen({0, 1, 2});
    // Only a fax line lacks a number to call; normal, combined, main and unknown kinds all have one.
    EXPECT_EQ(line(items, makeHit(0)), QStringLiteral("0312345678,,"));
    EXPECT_EQ(line(items, makeHit(1)), QStringLiteral(",,0312345678"));
    EXPECT_EQ(line(items, makeHit(2)), QStringLiteral("0312345678,,0312345678"));
    EXPECT_EQ(line(items, makeHit(3)), QStringLiteral("0312345678,代表,"));
    EXPECT_EQ(line(items, makeHit(4)), QStringLiteral("0312345678,,"));
}

TEST(DirectoryCsv, LineFromTheHitAlone)
{
    const std::vector<TItemChoice> all = DefaultItemChoice(SearchItemCount);
    EXPECT_EQ(line(all, makeHit(0)),
              QStringLiteral("0312345678,,,,,東京都,,,,,北斗商事株式会社,,北斗商事株式会社,,main5,05,sub512,12"));
    TDirectoryHit blankCodes = makeHit(0);
    std::memcpy(blankCodes.MainCategory, "  ", 2);
    std::memcpy(blankCodes.SubCategory, "  ", 2);
    EXPECT_EQ(line(chosen({14, 16}), blankCodes), QStringLiteral("main0,sub0"));
}

TEST(DirectoryCsv, LineFromTheEntry)
{
    const std::vector<TItemChoice> all = DefaultItemChoice(SearchItemCount);
    const TDirectoryDetail company = makeDetail(0);
    EXPECT_EQ(line(all, makeHit(0), &company),
              QStringLiteral("03-1234-5678,,,100-0005,ﾄｳｷﾖｳﾄﾁﾖﾀﾞｸﾏﾙﾉｳﾁ,東京都,千代田区,丸の内１－２－３ 北斗ビル,13101,"
                             "ﾎｸﾄｼﾖｳｼﾞ,北斗商事株式会社,,,会社,main5,05,sub512,12"));
    TDirectoryDetail person = makeDetail(99);
    PutText(person.PostalCode, "100000");  // neither 5 nor 7 digits: as it stands
    EXPECT_EQ(line(chosen({3, 9, 10, 11, 12, 13}), makeHit(0), &person),
              QStringLiteral("100000,,,ﾎｸﾄｼﾖｳｼﾞ,北斗商事株式会社,個人"));
}

TEST(DirectoryCsv, ValuesWithCommasQuotesOrLineBreaksKeepTheirColumn)
{
    const auto items = chosen({10, 15});
    EXPECT_EQ(line(items, makeHit(0, u"有限会社\"一,二\"")), QStringLiteral("\"有限会社\"\"一,二\"\"\",05"));
    EXPECT_EQ(line(items, makeHit(0, u"上\r\n下")), QStringLiteral("\"上\r\n下\",05"));
    // 0x5C and other second bytes of double-byte characters are no reason to quote.
    EXPECT_EQ(line(items, makeHit(0, u"ソフト表示")), QStringLiteral("ソフト表示,05"));
}
