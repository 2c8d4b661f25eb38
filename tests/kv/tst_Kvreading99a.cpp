// Kvreading99a.so as the program loads it, over the built Dic/NameReading.dic: the common spellings first,
// family and given names apart, prefix look-ups that agree with a plain scan of the file, and the result codes
// for bad input, unknown readings and missing or damaged lists.
#include "DamagedDictionary.h"
#include "TestSupport.h"

#include "base/RuntimeLibrary.h"
#include "base/SjisCodec.h"
#include "Kvreading99a/Kvreading99a.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <utility>
#include <vector>

namespace {

QByteArray sjis(const QString &text) { return Sjis::encode(text); }
QByteArray field(const char (&bytes)[KVREADING_FIELD_SIZE]) { return QByteArray(bytes, qstrnlen(bytes, sizeof bytes)); }

class Kvreading99a : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(library.Load(test::appDir(), QStringLiteral("Kvreading99a.dll")))
            << library.ErrorString().toStdString();
        for (const auto &[slot, name] : {std::pair{&counts[0], "KVReadingSeiCount"}, {&counts[1], "KVReadingMeiCount"}})
            ASSERT_NE(*slot = reinterpret_cast<TKVReadingCountFunc>(library.GetProcAddress(name)), nullptr) << name;
        for (const auto &[slot, name] : {std::pair{&lists[0], "KVReadingSeiList"}, {&lists[1], "KVReadingMeiList"}})
            ASSERT_NE(*slot = reinterpret_cast<TKVReadingListFunc>(library.GetProcAddress(name)), nullptr) << name;
    }

    static QByteArray dicFolder() { return QFile::encodeName(test::appDir() + QStringLiteral("Dic/")); }
    static QByteArray dictionary() { return test::readFile(test::appDir() + QStringLiteral("Dic/NameReading.dic")); }

    // given: 0 family names, 1 given names.
    std::pair<int, uint32_t> count(int given, const char *reading, const QByteArray &folder = dicFolder())
    {
        uint32_t n = 77;
        const int result = counts[given](reading, 0, &n, folder.constData());
        return {result, n};
    }

    // Every candidate, fetched with the count the library gave; checks that nothing past them was written.
    std::pair<int, std::vector<TReadingEntry>> list(int given, const QByteArray &reading, int room = -1)
    {
        const auto [counted, n] = count(given, reading.constData());
        if (room < 0)
            room = counted == KVREADING_FOUND ? int(n) : 1;
        std::vector<TReadingEntry> entries(size_t(room) + 2);
        std::memset(entries.data(), 0x7F, entries.size() * sizeof(TReadingEntry));
        const int result = lists[given](reading.constData(), 0, entries.data(), room, dicFolder().constData());
        const size_t written = result == KVREADING_FOUND ? std::min<size_t>(size_t(room), n) : 0;
        for (size_t i = written; i < entries.size(); ++i)
            EXPECT_EQ(QByteArray(entries[i].Reading, 24), QByteArray(24, 0x7F)) << "entry " << i << " overwritten";
        entries.resize(written);
        return {result, entries};
    }

    // The written forms listed for exactly this reading, in order.
    std::vector<QString> writtenForms(int given, const QString &reading)
    {
        std::vector<QString> forms;
        for (const TReadingEntry &e : list(given, sjis(reading)).second)
            if (field(e.Reading) == sjis(reading))
                forms.push_back(Sjis::decode(field(e.Written)));
        return forms;
    }

    TRuntimeLibrary library;
    TKVReadingCountFunc counts[2] = {};
    TKVReadingListFunc lists[2] = {};
};

TEST_F(Kvreading99a, CommonSpellingsComeFirstAndTheKanaSpellingLast)
{
    const std::vector<std::pair<const char16_t *, const char16_t *>> family = {
        {u"ｻﾄｳ", u"佐藤"}, {u"ｽｽﾞｷ", u"鈴木"}, {u"ﾀｶﾊｼ", u"高橋"}, {u"ﾀﾅｶ", u"田中"}, {u"ﾜﾀﾅﾍﾞ", u"渡辺"}};
    for (const auto &[reading, first] : family) {
        const std::vector<QString> forms = writtenForms(0, QString::fromUtf16(reading));
        ASSERT_FALSE(forms.empty()) << QString::fromUtf16(reading).toStdString();
        EXPECT_EQ(forms.front(), QString::fromUtf16(first));
    }
    const std::vector<QString> sato = writtenForms(0, QStringLiteral("ｻﾄｳ"));
    EXPECT_EQ(sato.back(), QStringLiteral("サトウ"));
    EXPECT_EQ(std::count(sato.begin(), sato.end(), QStringLiteral("佐藤")), 1);
}

TEST_F(Kvreading99a, FamilyAndGivenNamesAreSeparateLists)
{
    EXPECT_EQ(count(0, sjis(QStringLiteral("ﾋﾛｺ")).constData()), std::make_pair(KVREADING_NOT_FOUND, 0u));
    EXPECT_EQ(count(1, sjis(QStringLiteral("ﾜﾀﾅﾍﾞ")).constData()), std::make_pair(KVREADING_NOT_FOUND, 0u));
    // 田老 is a family name read as 太郎 is.
    const std::vector<QString> taroFamily = writtenForms(0, QStringLiteral("ﾀﾛｳ"));
    const std::vector<QString> taroGiven = writtenForms(1, QStringLiteral("ﾀﾛｳ"));
    EXPECT_NE(std::find(taroGiven.begin(), taroGiven.end(), QStringLiteral("太郎")), taroGiven.end());
    EXPECT_EQ(std::find(taroFamily.begin(), taroFamily.end(), QStringLiteral("太郎")), taroFamily.end());
    EXPECT_NE(std::find(taroFamily.begin(), taroFamily.end(), QStringLiteral("田老")), taroFamily.end());
}

TEST_F(Kvreading99a, ManyCandidatesAndAShortBuffer)
{
    // More than twelve spellings of one reading: the reading itself first, then its continuations.
    const auto [result, all] = list(1, sjis(QStringLiteral("ﾋﾛｼ")));
    ASSERT_EQ(result, KVREADING_FOUND);
    ASSERT_GT(writtenForms(1, QStringLiteral("ﾋﾛｼ")).size(), 12u);
    ASSERT_GT(all.size(), writtenForms(1, QStringLiteral("ﾋﾛｼ")).size());
    EXPECT_EQ(field(all.front().Reading), sjis(QStringLiteral("ﾋﾛｼ")));

    // A buffer of twelve gets the first twelve, and nothing beyond them is touched.
    const auto [shortResult, first12] = list(1, sjis(QStringLiteral("ﾋﾛｼ")), 12);
    ASSERT_EQ(shortResult, KVREADING_FOUND);
    ASSERT_EQ(first12.size(), 12u);
    EXPECT_EQ(std::memcmp(first12.data(), all.data(), 12 * sizeof(TReadingEntry)), 0);
}

// The library's answer for every prefix of a sample of readings equals a plain scan of the file's records:
// a record matches when its reading begins with the prefix and the next byte is no sound mark.
TEST_F(Kvreading99a, PrefixLookUpsAgreeWithAPlainScan)
{
    const QByteArray file = dictionary();
    ASSERT_GT(file.size(), 32);
    uint32_t sizes[2];
    std::memcpy(sizes, file.constData() + 20, sizeof sizes);
    const auto *records = reinterpret_cast<const TReadingEntry *>(file.constData() + 32);
    ASSERT_EQ(qsizetype(32 + (sizes[0] + sizes[1]) * sizeof(TReadingEntry)), file.size());
    for (int given = 0; given < 2; ++given) {
        const TReadingEntry *part = records + (given ? sizes[0] : 0);
        QSet<QByteArray> prefixes;
        for (uint32_t i = 0; i < sizes[given]; i += 97) {
            const QByteArray reading = field(part[i].Reading);
            for (qsizetype n = 1; n <= reading.size(); ++n)
                if (!Sjis::isLeadByte(uchar(reading[n - 1])) || (n >= 2 && Sjis::isLeadByte(uchar(reading[n - 2]))))
                    prefixes.insert(reading.left(n));
        }
        ASSERT_GT(prefixes.size(), 300);
        for (const QByteArray &prefix : prefixes) {
            std::vector<QByteArray> expected;
            for (uint32_t i = 0; i < sizes[given]; ++i) {
                const QByteArray reading = field(part[i].Reading);
                const uchar next = reading.size() > prefix.size() ? uchar(reading[prefix.size()]) : 0;
                if (reading.startsWith(prefix) && next != 0xDE && next != 0xDF)
                    expected.push_back(QByteArray(part[i].Reading, sizeof(TReadingEntry)));
            }
            const auto [result, entries] = list(given, prefix);
            std::vector<QByteArray> actual;
            for (const TReadingEntry &e : entries)
                actual.push_back(QByteArray(e.Reading, sizeof(TReadingEntry)));
            EXPECT_EQ(result, expected.empty() ? KVREADING_NOT_FOUND : KVREADING_FOUND);
            EXPECT_EQ(actual, expected) << given << " " << Sjis::decode(prefix).toStdString();
        }
    }
}

TEST_F(Kvreading99a, ASoundMarkBelongsToTheKanaBeforeIt)
{
    for (const TReadingEntry &e : list(0, sjis(QStringLiteral("ｶ"))).second)
        EXPECT_NE(uchar(e.Reading[1]), 0xDE) << Sjis::decode(field(e.Reading)).toStdString();
    const std::vector<QString> gamo = writtenForms(0, QStringLiteral("ｶﾞﾓｳ"));
    EXPECT_NE(std::find(gamo.begin(), gamo.end(), QStringLiteral("蒲生")), gamo.end());
    // Long marks, voiced and small kana as the name edits send them.
    EXPECT_EQ(writtenForms(0, QStringLiteral("ｱﾝﾀﾞｰｿﾝ")), std::vector<QString>{QStringLiteral("アンダーソン")});
}

TEST_F(Kvreading99a, InvalidInputAndUnknownReadings)
{
    const QByteArray folder = dicFolder();
    TReadingEntry entry{};
    for (int given = 0; given < 2; ++given) {
        // Null, empty, or cut inside a double-byte character: the count is left alone.
        for (const char *reading : {static_cast<const char *>(nullptr), "", "\xBB\x83"})
            EXPECT_EQ(count(given, reading), std::make_pair(KVREADING_INVALID_INPUT, 77u));
        EXPECT_EQ(counts[given]("\xBB", 0, nullptr, folder.constData()), KVREADING_INVALID_INPUT);
        EXPECT_EQ(lists[given]("\xBB", 0, nullptr, 1, folder.constData()), KVREADING_INVALID_INPUT);
        for (int room : {0, -1})
            EXPECT_EQ(lists[given]("\xBB", 0, &entry, room, folder.constData()), KVREADING_INVALID_INPUT);

        // Readings no name has, one longer than the field, one in full-width kana: nothing found, count 0.
        for (const QString &reading : {QStringLiteral("ﾝﾝﾝ"), QStringLiteral("ABC"), QStringLiteral("ｻﾄｳｻﾄｳｻﾄｳｻﾄｳｻ"),
                                       QStringLiteral("サトウ")})
            EXPECT_EQ(count(given, sjis(reading).constData()), std::make_pair(KVREADING_NOT_FOUND, 0u));
        EXPECT_EQ(lists[given]("\xDD\xDD\xDD", 0, &entry, 1, folder.constData()), KVREADING_NOT_FOUND);
    }
    EXPECT_EQ(QByteArray(entry.Reading, sizeof entry), QByteArray(sizeof entry, '\0'));
}

TEST_F(Kvreading99a, MissingOrDamagedDictionaryIsReported)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/辞書 データ/");
    const QByteArray folder8 = QFile::encodeName(folder);
    const char *sato = "\xBB\xC4\xB3";  // ｻﾄｳ
    EXPECT_EQ(count(0, sato, folder8).first, KVREADING_DICTIONARY_ERROR);
    uint32_t n = 0;
    EXPECT_EQ(counts[0](sato, 0, &n, nullptr), KVREADING_DICTIONARY_ERROR);

    const QByteArray good = dictionary();
    test::TDamagedFiles damaged = test::DamagedDictionaries(good, 24, 24);
    QByteArray wrongRecordSize = good;
    wrongRecordSize[16] = 16;
    damaged.emplace_back("wrong record size", wrongRecordSize);
    for (const auto &[what, bytes] : damaged) {
        test::replaceDictionary(folder + QStringLiteral("NameReading.dic"), bytes);
        EXPECT_EQ(count(1, sato, folder8).first, KVREADING_DICTIONARY_ERROR) << what;
    }
    test::replaceDictionary(folder + QStringLiteral("NameReading.dic"), good);
    EXPECT_EQ(count(0, sato, folder8).first, KVREADING_FOUND);
}

TEST_F(Kvreading99a, TwoThreadsLookUpAtOnce)
{
    const QByteArray folder = dicFolder();
    const std::vector<std::pair<int, QByteArray>> readings = {
        {0, sjis(QStringLiteral("ｻﾄｳ"))}, {1, sjis(QStringLiteral("ﾋﾛｼ"))},
        {0, sjis(QStringLiteral("ｽｽﾞｷ"))}, {1, sjis(QStringLiteral("ﾖｳｺ"))}};
    std::vector<int> failures(2, 0);
    auto work = [&](int id) {
        for (int i = 0; i < 2000; ++i) {
            const auto &[given, reading] = readings[(i + id) % readings.size()];
            uint32_t n = 0;
            TReadingEntry first{};
            if (counts[given](reading.constData(), 0, &n, folder.constData()) != KVREADING_FOUND
                || lists[given](reading.constData(), 0, &first, 1, folder.constData()) != KVREADING_FOUND
                || field(first.Reading) != reading)
                ++failures[id];
        }
    };
    std::thread first(work, 0), second(work, 1);
    first.join();
    second.join();
    EXPECT_EQ(failures, std::vector<int>({0, 0}));
}

}  // namespace
