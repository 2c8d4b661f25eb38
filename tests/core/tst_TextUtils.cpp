// Japanese text helpers: width mapping, the "@" escape, Shift-JIS-safe cutting and splitting, word tables.
#include "base/SjisCodec.h"
#include "base/TextUtils.h"

#include <gtest/gtest.h>

#include <string>

using namespace Qt::StringLiterals;

namespace {

QByteArray sjis(const QString &text)
{
    return Sjis::encode(text);
}

// Texts compared as UTF-8 so a failure prints readable Japanese.
std::string u8(const QString &text)
{
    return text.toStdString();
}

std::string u8(const QByteArray &sjisText)
{
    return Sjis::decode(sjisText).toStdString();
}

std::string u8(const QList<QByteArray> &parts)
{
    std::string joined;
    for (const QByteArray &part : parts)
        joined.append(1, '[').append(u8(part)).append(1, ']');
    return joined;
}

}  // namespace

TEST(TextWidth, FullWidthFollowsJapaneseLocaleForAscii)
{
    EXPECT_EQ(u8(ToFullWidthW(u"Az09 !\"'~\\"_s)), "Ａｚ０９　！＂＇～\\");
    EXPECT_EQ(u8(ToFullWidth(sjis(u"Az09 !\"'~\\"_s))), "Ａｚ０９　！＂＇～\\");
    EXPECT_EQ(u8(ToFullWidthW(u"¥12"_s)), "￥１２");
    // Quotes land on the IBM-extension codes, as the Windows code page writes them.
    EXPECT_EQ(ToFullWidth("\"'"), QByteArray("\xFA\x57\xFA\x56"));
}

TEST(TextWidth, HalfWidthKanaTakeTheirSoundMarksAlong)
{
    const QString half = u"ｶﾞﾊﾟｳﾞﾎﾟｱﾞﾟ｡｢｣､･ｰｦｯ"_s;
    const std::string full = "ガパヴポア゛゜。「」、・ーヲッ";
    EXPECT_EQ(u8(ToFullWidthW(half)), full);
    EXPECT_EQ(u8(ToFullWidth(sjis(half))), full);
    EXPECT_EQ(u8(ToHalfWidth(sjis(QString::fromStdString(full)))), u8(half));
    // ヷ has no Shift-JIS form: 8-bit text keeps both characters rather than losing the syllable.
    EXPECT_EQ(u8(ToFullWidthW(u"ﾜﾞ"_s)), "ヷ");
    EXPECT_EQ(u8(ToFullWidth(sjis(u"ﾜﾞ"_s))), "ワ゛");
}

TEST(TextWidth, EveryHalfWidthKanaSequenceRoundTrips)
{
    for (int b = 0xA1; b <= 0xDF; ++b) {
        for (const QByteArray &mark : {QByteArray(), QByteArray("\xDE"), QByteArray("\xDF")}) {
            const QByteArray half = char(b) + mark;
            EXPECT_EQ(ToHalfWidth(ToFullWidth(half)), half) << std::hex << b;
        }
    }
    const QByteArray voiced = sjis(u"ガギグゲゴザジズゼゾダヂヅデドバビブベボパピプペポヴ"_s);
    EXPECT_EQ(ToFullWidth(ToHalfWidth(voiced)), voiced);
}

TEST(TextWidth, HalfWidthOnlyWhereShiftJisHasASingleByteForm)
{
    EXPECT_EQ(ToHalfWidth(sjis(u"ＡＢ　１’”＇＂～"_s)), QByteArray("AB 1'\"'\"~"));
    // The NEC-selected duplicate of ＂ narrows like the IBM code.
    EXPECT_EQ(ToHalfWidth("\xEE\xFC"), QByteArray("\""));
    const QByteArray unchanged = sjis(u"＼￥ヰヵ漢あ①"_s);
    EXPECT_EQ(ToHalfWidth(unchanged), unchanged);
    // A reading: the hiragana half-width kana can write narrow, the others stay as typed, never as katakana.
    EXPECT_EQ(u8(HalfKanaReading(u"ぢゃっこ・ヴぁー、ゎゐゑゝ"_s)), u8(sjis(u"ﾁﾞｬｯｺ･ｳﾞｧｰ､ゎゐゑゝ"_s)));
}

TEST(TextWidth, TrailBytesAreNeverMappedAsCharacters)
{
    // 表 and 十 end in byte 5C, 怖 in 7C, 日 in FA (a lead-byte value).
    const QByteArray text = sjis(u"表十怖日"_s);
    EXPECT_EQ(ToFullWidth(text + "A"), text + sjis(u"Ａ"_s));
    EXPECT_EQ(ToHalfWidth(text + sjis(u"Ａ"_s)), text + "A");
    // A lead byte cut off at the end stays as it is.
    EXPECT_EQ(ToFullWidth("A\x83"), sjis(u"Ａ"_s) + "\x83");
    EXPECT_EQ(ToHalfWidth("\x82\x60\x82"), QByteArray("A\x82"));
}

TEST(EscapedText, EveryUtf16UnitBecomesAnAtGroup)
{
    EXPECT_EQ(WideToEscapedAnsi(u"東京"_s), QByteArray("@6771@4EAC"));
    EXPECT_EQ(EscapedAnsiToWide("@6771@4EAC"), u"東京"_s);
    EXPECT_EQ(WideToEscapedAnsi(QString()), QByteArray());
    EXPECT_EQ(EscapedAnsiToWide(QByteArray()), QString());
    // Surrogate pairs, and characters Shift-JIS cannot hold, come back unit for unit.
    const QString wide = u"𠮷野家 髙橋 한국 €😀 a"_s;
    const QByteArray escaped = WideToEscapedAnsi(wide);
    EXPECT_TRUE(escaped.startsWith("@D842@DFB7@91CE"));
    EXPECT_EQ(escaped.size(), wide.size() * 5);
    EXPECT_EQ(EscapedAnsiToWide(escaped), wide);
}

TEST(EscapedText, PlainShiftJisReadsUnchanged)
{
    EXPECT_EQ(EscapedAnsiToWide("ABC"), u"ABC"_s);
    EXPECT_EQ(EscapedAnsiToWide(sjis(u"山田 太郎"_s)), u"山田 太郎"_s);
}

TEST(EscapedText, TextStartingWithAtButNotEscapedReadsAsPlain)
{
    for (const char *plain : {"@abc", "@677", "@6771@4E", "@6771#4EAC", "@67G1", "@user@example.jp", "@ 12@"})
        EXPECT_EQ(EscapedAnsiToWide(plain), QString::fromLatin1(plain)) << plain;
    EXPECT_EQ(EscapedAnsiToWide(sjis(u"@東京"_s)), u"@東京"_s);
}

TEST(MbcsText, KeepNumberCharsDropsDoubleByteCharacters)
{
    const QByteArray tel = sjis(u"03-1234-5678（代）"_s);
    EXPECT_EQ(KeepNumberChars(tel, NumberChars::Digits), QByteArray("0312345678"));
    EXPECT_EQ(KeepNumberChars(tel, NumberChars::Digits | NumberChars::Minus), QByteArray("03-1234-5678"));
    EXPECT_EQ(KeepNumberChars("1.5-2a", NumberChars::Digits | NumberChars::Point), QByteArray("1.52"));
    EXPECT_EQ(KeepNumberChars(sjis(u"１２-3"_s), 7), QByteArray("-3"));
}

TEST(MbcsText, CopyLeftNeverSplitsACharacter)
{
    EXPECT_EQ(CopyLeftMbcs(sjis(u"aあ"_s), 2), QByteArray("a"));
    // 日 is 93 FA: its trail byte has a lead byte's value and must not count as one.
    const QByteArray nihon = sjis(u"日本"_s);
    EXPECT_EQ(u8(CopyLeftMbcs(nihon, 2)), "日");
    EXPECT_EQ(u8(CopyLeftMbcs(nihon, 3)), "日");
    EXPECT_EQ(CopyLeftMbcs(nihon, 4), nihon);
    EXPECT_EQ(CopyLeftMbcs("ab", 5), QByteArray("ab"));
    EXPECT_EQ(CopyLeftMbcs("ab", 0), QByteArray());
}

TEST(MbcsText, ReverseKeepsEachDoubleByteCharacterInOrder)
{
    EXPECT_EQ(u8(ReverseMbcsString(sjis(u"ab日本ｱ表"_s))), "表ｱ本日ba");
    EXPECT_EQ(ReverseMbcsString("a\x93"), QByteArray("\x93" "a"));
}

TEST(MbcsText, CountSubstringCountsWholeCharactersOnly)
{
    EXPECT_EQ(CountSubstring("aaaa", "aa"), 2);
    EXPECT_EQ(CountSubstring(sjis(u"ソ\\表\\"_s), "\\"), 2);
    EXPECT_EQ(CountSubstring("abc", ""), 0);
}

TEST(MbcsText, StripSpacesToAnsiRemovesBothWidthsOfSpace)
{
    EXPECT_EQ(u8(StripSpacesToAnsi(u" 山田　太郎 様　"_s)), "山田太郎様");
}

TEST(SplitFields, CsvModesCutOnlyOutsideQuotes)
{
    EXPECT_EQ(u8(SplitFields("a,\"b,c\",d", 2, TSplitMode::CsvUnquoted, ",")), "[a][b,c][d]");
    EXPECT_EQ(u8(SplitFields("a,\"b,c\",d", 2, TSplitMode::CsvQuoted, ",")), "[a][\"b,c\"][d]");
    // Doubled quotes stay as they are; an unclosed quote runs to the end of the line.
    EXPECT_EQ(u8(SplitFields("\"x\"\"y\",z", 1, TSplitMode::CsvUnquoted, ",")), "[x\"\"y][z]");
    EXPECT_EQ(u8(SplitFields("a,\"b,c", 3, TSplitMode::CsvUnquoted, ",")), "[a][\"b,c][][]");
    EXPECT_EQ(u8(SplitFields("\",\"", 0, TSplitMode::CsvUnquoted, ",")), "[,]");
}

TEST(SplitFields, RemainderAfterTheLastCutIsTheLastPart)
{
    EXPECT_EQ(u8(SplitFields("a,b,c,d", 2, TSplitMode::Plain, ",")), "[a][b][c,d]");
    EXPECT_EQ(u8(SplitFields("a,\"b,c\",d,e", 1, TSplitMode::CsvQuoted, ",")), "[a][\"b,c\",d,e]");
    EXPECT_EQ(u8(SplitFields("a::b", 3, TSplitMode::Plain, "::")), "[a][b][][]");
    EXPECT_EQ(u8(SplitFields("a,b", 2, TSplitMode::Plain, "")), "[a,b][][]");
}

TEST(SplitFields, SeparatorBytesInsideACharacterDoNotCut)
{
    // ポ is 83 7C: its trail byte is "|".
    EXPECT_EQ(u8(SplitFields(sjis(u"ポ|x"_s), 1, TSplitMode::Plain, "|")), "[ポ][x]");
}

TEST(SplitFields, FixedWidthMovesACutCharacterWholeToTheRest)
{
    const QByteArray text = sjis(u"ab日本"_s);
    EXPECT_EQ(u8(SplitFields(text, 1, TSplitMode::FixedWidth, {}, 3)), "[ab ][日本]");
    EXPECT_EQ(u8(SplitFields(text, 1, TSplitMode::FixedWidth, {}, 4)), "[ab日][本]");
    EXPECT_EQ(u8(SplitFields(sjis(u"日本"_s), 1, TSplitMode::FixedWidth, {}, 2)), "[日][本]");
    EXPECT_EQ(u8(SplitFields(text, 1, TSplitMode::FixedWidth, {}, 6)), "[ab日本][]");
    // Even with no second part asked for, the rest is not thrown away.
    EXPECT_EQ(SplitFields("abcd", 0, TSplitMode::FixedWidth, {}, 2).value(1), QByteArray("cd"));
}

TEST(CsvFields, QuotedOnlyWhenTheLineWouldLoseItsColumns)
{
    EXPECT_EQ(CsvField(u"東京 a;b"_s), u"東京 a;b"_s);
    EXPECT_EQ(CsvField(u"a,b"_s), u"\"a,b\""_s);
    EXPECT_EQ(CsvField(u"say \"hi\""_s), u"\"say \"\"hi\"\"\""_s);
    EXPECT_EQ(CsvField(u"1\r\n2"_s), u"\"1\r\n2\""_s);
    EXPECT_EQ(CsvField(u"1\n2"_s), u"\"1\n2\""_s);
    // The separator decides: a comma is plain text between tabs, a tab is not.
    EXPECT_EQ(CsvField(u"a,b"_s, '\t'), u"a,b"_s);
    EXPECT_EQ(CsvField(u"a\tb"_s, '\t'), u"\"a\tb\""_s);
    EXPECT_TRUE(CsvField(QString()).isEmpty());
    // Shift-JIS bytes: high bytes never count as a separator or a quote.
    const QByteArray sjis = Sjis::encode(u"表\"ソ"_s);
    EXPECT_EQ(CsvField(sjis), "\"" + Sjis::encode(u"表\"\"ソ"_s) + "\"");
    QByteArray line = "x,";
    AppendCsvField(line, QByteArray("y,z"));
    EXPECT_EQ(line, "x,\"y,z\"");
}

TEST(WordTables, SplitPrefectureByNameAndByReading)
{
    QByteArray prefecture = "x", rest;
    EXPECT_TRUE(SplitPrefecture(sjis(u"神奈川県横浜市"_s), prefecture, rest));
    EXPECT_EQ(u8(prefecture), "神奈川県");
    EXPECT_EQ(u8(rest), "横浜市");
    EXPECT_FALSE(SplitPrefecture(sjis(u"横浜市"_s), prefecture, rest));
    EXPECT_TRUE(prefecture.isEmpty());
    EXPECT_EQ(u8(rest), "横浜市");

    EXPECT_TRUE(SplitPrefectureKana(sjis(u"ﾄｳｷﾖｳﾄﾁﾖﾀﾞｸ"_s), prefecture, rest));
    EXPECT_EQ(u8(prefecture), "ﾄｳｷﾖｳﾄ");
    EXPECT_EQ(u8(rest), "ﾁﾖﾀﾞｸ");
    for (int i = 0; i < PrefectureCount; ++i) {
        const QByteArray &reading = PrefectureReadings()[i];
        EXPECT_EQ(reading.size(), Sjis::decode(reading).size()) << "not all half-width: " << i;
        EXPECT_EQ(Sjis::decode(PrefectureNames()[i]), PrefectureNamesW[i].toString());
    }
}

TEST(WordTables, ReplacementsApplyEveryEntryInTableOrder)
{
    EXPECT_EQ(u8(ExpandCorpAbbreviations(u"（株）山田"_s)), "株式会社山田");
    EXPECT_EQ(u8(ExpandCorpAbbreviations(u"山田(有"_s)), "山田有限会社");
    EXPECT_EQ(u8(ExpandCorpAbbreviations(u"学）東西(財)"_s)), "学校法人東西財団法人");
    EXPECT_EQ(u8(AbbreviateCorpTypes(u"株式会社山田と宗教法人光"_s, true)), "（株）山田と（宗）光");
    EXPECT_EQ(u8(AbbreviateCorpTypes(u"株式会社山田"_s, false)), "(株)山田");
    // A removal that brings a name together is removed as well.
    EXPECT_EQ(u8(RemovePrefectureNames(u"東京東京都都港区と大阪府"_s)), "港区と");
    EXPECT_EQ(u8(DigitsToKanjiNumerals(u"１０２番地3"_s)), "一〇二番地3");
    EXPECT_EQ(u8(ReplaceDashes(u"１－２―３‐４"_s, 1)), "１の２の３の４");
    EXPECT_EQ(u8(ReplaceDashes(u"１－２"_s, 0)), "１ー２");
}

TEST(DateTimes, TruncateToSecondsDropsOnlyTheMilliseconds)
{
    const QDateTime moment(QDate(2024, 2, 29), QTime(23, 59, 59, 999));
    EXPECT_EQ(TruncateToSeconds(moment), QDateTime(QDate(2024, 2, 29), QTime(23, 59, 59)));
}
