// Kvdash.so as the program loads it: real numbers of every kind hyphenated from the built Dic/Dash.dic, and
// the error codes for unknown numbers, bad input and damaged dictionaries.
#include "DamagedDictionary.h"
#include "TestSupport.h"

#include "base/RuntimeLibrary.h"
#include "Kvdash/Kvdash.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <utility>
#include <vector>

namespace {

struct TCase {
    const char *number;
    const char *hyphenated;
};

// What the numbering plan makes of domestic numbers, one or more of each kind.
const std::vector<TCase> RealNumbers = {
    {"0312345678", "03-1234-5678"},    {"0666661234", "06-6666-1234"},    {"0451234567", "045-123-4567"},
    {"0112345678", "011-234-5678"},    {"0422512345", "0422-51-2345"},    {"0466123456", "0466-12-3456"},
    {"0126723456", "01267-2-3456"},    {"09012345678", "090-1234-5678"},  {"08012345678", "080-1234-5678"},
    {"07012345678", "070-1234-5678"},  {"05012345678", "050-1234-5678"},  {"0120123456", "0120-123-456"},
    {"08001234567", "0800-123-4567"},  {"0570123456", "0570-123-456"},    {"02012345678", "020-1234-5678"},
    {"0990123456", "0990-123-456"},    {"0601234567", "060-123-4567"},    {"00777012", "0077-7012"},
    {"0037612345", "0037-612-345"},    {"003712345678", "0037-1234-5678"},
};

class Kvdash : public ::testing::Test {
protected:
    // Loaded per test, so a library that cannot be loaded fails every test instead of skipping them.
    void SetUp() override
    {
        ASSERT_TRUE(library.Load(test::appDir(), QStringLiteral("Kvdash.dll"))) << library.ErrorString().toStdString();
        getHyphen = reinterpret_cast<TGetHyphenFunc>(library.GetProcAddress("GetHyphen"));
        ASSERT_NE(getHyphen, nullptr);
    }

    static QByteArray dicFolder() { return QFile::encodeName(test::appDir() + QStringLiteral("Dic/")); }

    // The result code and the 14 bytes written, checking that nothing beyond them was touched.
    std::pair<int, QByteArray> hyphen(const char *number, const QByteArray &folder = dicFolder())
    {
        char out[KVDASH_OUT_SIZE + 4];
        std::memset(out, 0, KVDASH_OUT_SIZE);
        std::memset(out + KVDASH_OUT_SIZE, 0x7F, 4);
        const TSystemTime utc{2024, 4, 1, 1, 3, 0, 0, 0};
        const int result = getHyphen(number, out, folder.constData(), &utc);
        EXPECT_EQ(QByteArray(out + KVDASH_OUT_SIZE, 4), QByteArray(4, 0x7F)) << number;
        return {result, QByteArray(out, qstrnlen(out, KVDASH_OUT_SIZE))};
    }

    // A copy of the built dictionary in a folder of its own, changed by the caller.
    static QByteArray dictionaryCopy() { return test::readFile(test::appDir() + QStringLiteral("Dic/Dash.dic")); }

    TRuntimeLibrary library;
    TGetHyphenFunc getHyphen = nullptr;
};

TEST_F(Kvdash, HyphenatesEveryKindOfNumber)
{
    for (const TCase &c : RealNumbers)
        EXPECT_EQ(hyphen(c.number), std::make_pair(KVDASH_OK, QByteArray(c.hyphenated))) << c.number;
}

TEST_F(Kvdash, IgnoresBlanksAndHyphensOfTheInput)
{
    EXPECT_EQ(hyphen(" 03 1234 5678 "), std::make_pair(KVDASH_OK, QByteArray("03-1234-5678")));
    EXPECT_EQ(hyphen("0-3-1234-5678-"), std::make_pair(KVDASH_OK, QByteArray("03-1234-5678")));
    EXPECT_EQ(hyphen("0312-34-5678"), std::make_pair(KVDASH_OK, QByteArray("03-1234-5678")));
}

TEST_F(Kvdash, FillsAllFourteenBytesWithoutTerminator)
{
    char out[KVDASH_OUT_SIZE + 1];
    std::memset(out, 0, KVDASH_OUT_SIZE);
    out[KVDASH_OUT_SIZE] = 'X';
    ASSERT_EQ(getHyphen("003712345678", out, dicFolder().constData(), nullptr), KVDASH_OK);
    EXPECT_EQ(QByteArray(out, sizeof out), QByteArray("0037-1234-5678X"));
}

TEST_F(Kvdash, UnknownNumbersLeaveTheBufferAlone)
{
    // Too short, too long, outside the plan, a mobile block that does not exist, without the leading 0,
    // and a valid carrier number whose hyphenated form would not fit 14 bytes.
    for (const char *number : {"0312345", "031234567890", "0180991234", "09001234567", "0312345678901234567890",
                               "312345678", "1234567890", "0037123456789"}) {
        char out[KVDASH_OUT_SIZE] = {};
        EXPECT_EQ(getHyphen(number, out, dicFolder().constData(), nullptr), KVDASH_UNKNOWN_NUMBER) << number;
        EXPECT_EQ(QByteArray(out, sizeof out), QByteArray(KVDASH_OUT_SIZE, '\0')) << number;
    }
}

TEST_F(Kvdash, RejectsInputThatIsNoNumber)
{
    for (const char *number : {"", "   ", "--", "03(1234)5678", "+81312345678", "03-1234-567X", "\x82\x4f\x82\x52"})
        EXPECT_EQ(hyphen(number).first, KVDASH_INVALID_NUMBER) << number;
    char out[KVDASH_OUT_SIZE] = {};
    EXPECT_EQ(getHyphen(nullptr, out, dicFolder().constData(), nullptr), KVDASH_INVALID_NUMBER);
    EXPECT_EQ(getHyphen("0312345678", nullptr, dicFolder().constData(), nullptr), KVDASH_INVALID_NUMBER);
}

TEST_F(Kvdash, MissingOrDamagedDictionaryIsReported)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/");
    const QByteArray good = dictionaryCopy();
    ASSERT_GT(good.size(), 64);
    const QByteArray folder8 = QFile::encodeName(folder);

    EXPECT_EQ(hyphen("0312345678", folder8).first, KVDASH_DICTIONARY_ERROR);
    char out[KVDASH_OUT_SIZE] = {};
    EXPECT_EQ(getHyphen("0312345678", out, nullptr, nullptr), KVDASH_DICTIONARY_ERROR);

    test::TDamagedFiles damaged = test::DamagedDictionaries(good, 16, 20);
    QByteArray wrongVersion = good;
    wrongVersion[8] = 2;
    damaged.emplace_back("wrong version", wrongVersion);
    for (const auto &[what, bytes] : damaged) {
        test::replaceDictionary(folder + QStringLiteral("Dash.dic"), bytes);
        EXPECT_EQ(hyphen("0312345678", folder8).first, KVDASH_DICTIONARY_ERROR) << what;
    }

    // Every record whose groups no longer add up to its length: a number that reaches one gets the error,
    // never digits from beyond the number.
    QByteArray badGroups = good;
    for (qsizetype r = 32; r + 16 <= badGroups.size(); r += 16)
        if (badGroups[r + 2] != 0)
            badGroups[r + 3] = char(badGroups[r + 3] + 1);
    test::replaceDictionary(folder + QStringLiteral("Dash.dic"), badGroups);
    EXPECT_EQ(hyphen("0312345678", folder8).first, KVDASH_DICTIONARY_ERROR);

    test::replaceDictionary(folder + QStringLiteral("Dash.dic"), good);
    EXPECT_EQ(hyphen("0312345678", folder8), std::make_pair(KVDASH_OK, QByteArray("03-1234-5678")));
}

TEST_F(Kvdash, DictionaryFolderWithJapaneseName)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/辞書 データ/");
    test::writeFile(folder + QStringLiteral("Dash.dic"), dictionaryCopy());
    EXPECT_EQ(hyphen("09012345678", QFile::encodeName(folder)), std::make_pair(KVDASH_OK, QByteArray("090-1234-5678")));
}

TEST_F(Kvdash, TwoThreadsHyphenateAtOnce)
{
    const QByteArray folder = dicFolder();
    std::vector<int> failures(2, 0);
    auto work = [&](int id) {
        for (int i = 0; i < 3000; ++i) {
            const TCase &c = RealNumbers[(i + id * 7) % RealNumbers.size()];
            char out[KVDASH_OUT_SIZE] = {};
            if (getHyphen(c.number, out, folder.constData(), nullptr) != KVDASH_OK
                || QByteArray(out, qstrnlen(out, sizeof out)) != c.hyphenated)
                ++failures[id];
        }
    };
    std::thread first(work, 0), second(work, 1);
    first.join();
    second.join();
    EXPECT_EQ(failures, std::vector<int>({0, 0}));
}

}  // namespace
