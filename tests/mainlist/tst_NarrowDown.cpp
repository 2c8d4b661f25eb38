// The filter: its coding in Search.lst (round trip, short and damaged files) and the test of address rows.
#include "base/FileReplace.h"
#include "base/SjisCodec.h"
#include "core/Globals.h"
#include "db/Session.h"
#include "db/Table.h"
#include "db/TableSchemas.h"
#include "mainlist/NarrowDown.h"
#include "mainlist/RecordListing.h"

#include "TestSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray sjis(QStringView s) { return Sjis::encode(s); }

TNarrowDownItem textCondition(int item, const QByteArray &text, int mode)
{
    TNarrowDownItem c;
    c.Item = item;
    c.Text = text;
    c.MatchMode = mode;
    return c;
}

TNarrowDownItem choiceCondition(int item, int choice, bool negate = false)
{
    TNarrowDownItem c;
    c.Item = item;
    c.ValueKind = vkChoice;
    c.Choice = choice;
    c.Negate = negate;
    return c;
}

TNarrowDownCondition filterOf(std::vector<TNarrowDownItem> conditions, bool matchAll = true)
{
    return TNarrowDownCondition{std::move(conditions), matchAll};
}

class SearchList : public ::testing::Test {
protected:
    void SetUp() override { DataRootFolder = dir.path() + "/"; }
    QString file() const { return DataRootFolder + "Search.lst"; }

    QTemporaryDir dir;
    // One condition of each value kind, a Japanese text, a negated category and "any".
    const TNarrowDownCondition sample = filterOf(
        {textCondition(9, sjis(u"株式会社"), mmContains), choiceCondition(fiCategory, 1203, true)},
        false);
};

}  // namespace

TEST_F(SearchList, RoundTripAndDeletionWhenEmpty)
{
    SaveSearchList(sample);
    TNarrowDownCondition read;
    EXPECT_TRUE(LoadSearchList(read));
    EXPECT_EQ(read, sample);
    // The coding itself, as Search.ptn shares it: a negated "代表電話" choice under "any".
    QByteArray bytes;
    ASSERT_TRUE(AppendConditions(bytes, filterOf({choiceCondition(fiTelDiv, 0, true)}, false)));
    EXPECT_EQ(bytes.toHex().toStdString(), "0102010400000000000000ff0100");

    SaveSearchList(TNarrowDownCondition());
    EXPECT_FALSE(QFile::exists(file()));
    EXPECT_FALSE(LoadSearchList(read));
    EXPECT_EQ(read, TNarrowDownCondition());
    // A stored empty filter is whole: the caller enables its actions.
    test::writeFile(file(), QByteArray("\x00\x01", 2));
    EXPECT_TRUE(LoadSearchList(read));

    test::writeFile(dir.path() + "/plain", "x");
    DataRootFolder = dir.path() + "/plain/";
    try {
        SaveSearchList(sample);
        FAIL() << "no exception";
    } catch (const ENarrowDownError &e) {
        EXPECT_EQ(e.Message, QStringLiteral("絞り込み条件が保存できませんでした  "));
    }
}

TEST_F(SearchList, DamagedFileIsReportedAndKeptAndFullDiskKeepsTheOldFile)
{
    auto saveError = [](const auto &save) {
        try {
            save();
        } catch (const ENarrowDownError &e) {
            return e.Message;
        }
        return QString();
    };
    // Closing with no filter would delete the file; a damaged one stays and the user hears of it.
    test::writeFile(file(), "\x05garbage");
    TNarrowDownCondition read;
    EXPECT_FALSE(LoadSearchList(read));
    EXPECT_EQ(saveError([&] { SaveSearchList(read); }),
              file() + QStringLiteral("\r\nファイルが壊れているため削除せずに残しました  "));
    EXPECT_EQ(test::readFile(file()), "\x05garbage");
    // A filter set since then replaces it with a whole file.
    SaveSearchList(sample);
    EXPECT_TRUE(LoadSearchList(read));

    const QByteArray before = test::readFile(file());
    TNarrowDownCondition longer = sample;
    longer.Conditions.push_back(textCondition(29, QByteArray(200, 'x'), mmContains));
    const std::vector<TNarrowDownPattern> patterns = {{"p", longer}};
    SaveSearchPatterns({{"old", sample}});
    const QByteArray patternsBefore = test::readFile(DataRootFolder + "Search.ptn");
    QString listError, patternError;
    {
        test::FullDisk disk;
        listError = saveError([&] { SaveSearchList(longer); });
        patternError = saveError([&] { SaveSearchPatterns(patterns); });
    }
    const auto said = [&](const QString &reason) {
        return QStringList{QStringLiteral("絞り込み条件が保存できませんでした  \r\n") + file() + "\r\n\r\n" + reason,
                           QStringLiteral("パターンが保存できませんでした  \r\n") + DataRootFolder + "Search.ptn\r\n\r\n" + reason};
    };
    EXPECT_EQ((QStringList{listError, patternError}), said(DiskFullReason));
    {
        const test::ReadOnlyFolder locked(DataRootFolder);
        if (!locked.mounted())
            GTEST_SKIP() << locked.skipReason().toStdString();
        listError = saveError([&] { SaveSearchList(longer); });
        patternError = saveError([&] { SaveSearchPatterns(patterns); });
    }
    EXPECT_EQ((QStringList{listError, patternError}), said(NotWritableReason));
    EXPECT_EQ(test::readFile(file()), before);
    EXPECT_EQ(test::readFile(DataRootFolder + "Search.ptn"), patternsBefore);
}

TEST_F(SearchList, ShortOrDamagedFileLeavesFilterEmpty)
{
    QByteArray whole;
    ASSERT_TRUE(AppendConditions(whole, sample));
    auto expectRefused = [&](const QByteArray &bytes, const char *what) {
        test::writeFile(file(), bytes);
        TNarrowDownCondition filter = sample;
        EXPECT_FALSE(LoadSearchList(filter)) << what;
        EXPECT_EQ(filter, TNarrowDownCondition()) << what;
    };
    for (qsizetype n = 0; n < whole.size(); ++n)
        expectRefused(whole.left(n), "truncated");
    expectRefused(whole + 'x', "trailing byte");

    // Offsets in the coding: the count, then the text condition (8 bytes of text), then the choice condition.
    const qsizetype textMode = 1 + 6 + 8, choice = textMode + 2;
    // A category choice whose payload is not 4 bytes, in files that are otherwise whole.
    expectRefused(QByteArray::fromHex("011e01050000000102030405ff0001"), "choice payload of 5 bytes");
    expectRefused(QByteArray::fromHex("011e0100000000ff0001"), "choice payload of 0 bytes");
    QByteArray bad = whole;
    bad.replace(3, 4, QByteArray("\xff\xff\xff\xff", 4));
    expectRefused(bad, "text payload beyond the end");
    bad = whole;
    bad[choice] = char(9);
    expectRefused(bad, "choice value on a text item");
    bad = whole;
    bad[textMode] = char(3);
    expectRefused(bad, "unknown match mode");

    TNarrowDownCondition many;
    many.Conditions.assign(11, choiceCondition(fiPrivCorp, 0));
    QByteArray tooMany;
    EXPECT_FALSE(AppendConditions(tooMany, many));
    many.Conditions.pop_back();
    ASSERT_TRUE(AppendConditions(tooMany, many));
    tooMany[0] = char(11);
    tooMany.insert(1, tooMany.mid(1, 12));  // one more choice condition
    expectRefused(tooMany, "eleven conditions");
}

namespace {

// Rows of a small address book, walked with the filter as the list loader does.
class FilterMatch : public ::testing::Test {
protected:
    void SetUp() override
    {
        Session().AddPassword(TablePassword);
        adrs.DatabaseName = dir.path() + "/";
        adrs.TableName = "Adrs.DB";
        adrs.Schema = AdrsTableSchema();
        adrs.CreateTable();
        adrs.Open();
        // 1: a main number in Tokyo, an individual, category 5-2, a keyword that ends in a double-byte "イ".
        add({{"Tel", "0312345678"}, {"TelDiv", 3}, {"Tdfkn", sjis(u"東京都")}, {"Adrs1", sjis(u"千代田区 ")},
             {"PrivCorp", true}, {"CodeMain", 5}, {"CodeSub", 2}, {"Keyword1", sjis(u"アイ")}});
        // 2: a company in Osaka, category 5-3.
        add({{"Tel", "0612345678"}, {"Tdfkn", sjis(u"大阪府")}, {"Adrs1", sjis(u"大阪市")},
             {"CorpKanji", sjis(u"株式会社テスト")}, {"CodeMain", 5}, {"CodeSub", 3}, {"Keyword1", "C"}});
        // 3: a company name of blanks only, no category.
        add({{"Tel", "0455556666"}, {"CorpKanji", "   "}});
    }
    void TearDown() override { adrs.Close(); }

    void add(const std::vector<std::pair<const char *, QVariant>> &fields)
    {
        adrs.Append();
        for (const auto &[name, value] : fields) {
            TField &f = adrs.FieldByName(name);
            if (value.typeId() == QMetaType::Bool)
                f.SetAsBoolean(value.toBool());
            else if (value.typeId() == QMetaType::Int)
                f.SetAsInteger(value.toInt());
            else
                f.SetAsString(value.toByteArray());
        }
        adrs.Post();
    }
    std::vector<int> passing(const TNarrowDownCondition &filter)
    {
        const std::vector<int32_t> listed = ListRecordNumbers(adrs, QString(), true, 0, &filter);
        return std::vector<int>(listed.begin(), listed.end());
    }
    std::vector<int> passing(const TNarrowDownItem &c) { return passing(filterOf({c})); }

    QTemporaryDir dir;
    TTable adrs;
    using V = std::vector<int>;
};

}  // namespace

TEST_F(FilterMatch, TextModes)
{
    // An empty value finds empty or blank fields whatever the mode.
    TNarrowDownItem empty = textCondition(9, "", mmSuffix);
    EXPECT_EQ(passing(empty), (V{1, 3}));
    empty.Negate = true;  // left over from a choice item: no effect on text
    EXPECT_EQ(passing(empty), (V{1, 3}));

    EXPECT_EQ(passing(textCondition(1, "03", mmPrefix)), (V{1}));
    EXPECT_EQ(passing(textCondition(1, "1234", mmContains)), (V{1, 2}));
    EXPECT_EQ(passing(textCondition(1, "5678", mmSuffix)), (V{1, 2}));
    EXPECT_EQ(passing(textCondition(1, "000312345678", mmSuffix)), V{});
    // The address is the trimmed fields joined, so a value may span two of them.
    EXPECT_EQ(passing(textCondition(7, sjis(u"都千代"), mmContains)), (V{1}));
    EXPECT_EQ(passing(textCondition(7, sjis(u"田区"), mmSuffix)), (V{1}));
    // Bytes compare exactly, and never from the middle of a double-byte character: "イ" ends in the byte of "C".
    EXPECT_EQ(passing(textCondition(21, "C", mmSuffix)), (V{2}));
    EXPECT_EQ(passing(textCondition(21, "A", mmContains)), V{});
    EXPECT_EQ(passing(textCondition(21, sjis(u"イ"), mmSuffix)), (V{1}));
}

TEST_F(FilterMatch, ChoicesNegationAndAllOrAny)
{
    EXPECT_EQ(passing(choiceCondition(fiTelDiv, 0)), (V{1}));
    EXPECT_EQ(passing(choiceCondition(fiTelDiv, 0, true)), (V{2, 3}));
    EXPECT_EQ(passing(choiceCondition(fiPrivCorp, 1)), (V{2, 3}));
    EXPECT_EQ(passing(choiceCondition(fiCategory, 500)), (V{1, 2}));
    EXPECT_EQ(passing(choiceCondition(fiCategory, 503)), (V{2}));
    // Every other main category, and records without one.
    EXPECT_EQ(passing(choiceCondition(fiCategory, 500, true)), (V{3}));

    const TNarrowDownItem osaka = textCondition(7, sjis(u"大阪"), mmPrefix);
    const TNarrowDownItem tokyoNumber = textCondition(1, "03", mmPrefix);
    const TNarrowDownItem category5 = choiceCondition(fiCategory, 500);
    EXPECT_EQ(passing(filterOf({category5, osaka}, true)), (V{2}));
    EXPECT_EQ(passing(filterOf({osaka, tokyoNumber}, true)), V{});
    EXPECT_EQ(passing(filterOf({osaka, tokyoNumber}, false)), (V{1, 2}));
    EXPECT_EQ(passing(filterOf({textCondition(1, "09", mmPrefix)}, false)), V{});
    EXPECT_EQ(passing(filterOf({}, false)), (V{1, 2, 3}));
}
