// The libraries over Dic/Geo.dic when the dictionary is missing or damaged, when two threads call them, and the
// mappings of it each thread keeps.
#include "GeoTest.h"

#include "Kvaddr/Kvaddr.h"
#include "common/MappedFile.h"
#include "Kvkana/Kvkana.h"
#include "Kvmatch/Kvmatch.h"
#include "Kvpost/Kvpost.h"

#include <QTemporaryDir>

#include <cstdio>

#include <functional>
#include <thread>
#include <utility>
#include <vector>

namespace {

using geotest::kDictionaryError;

// How many mappings of a file this process holds; /proc/self/maps names a replaced file "... (deleted)".
int mappingsOf(const QByteArray &name)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return -1;
    int n = 0;
    for (const QByteArray &line : maps.readAll().split('\n'))
        n += line.endsWith(' ' + name);
    return n;
}

class GeoDictionary : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (auto [library, name] : {std::pair{&post, "Kvpost.dll"}, std::pair{&addr, "Kvaddr.dll"},
                                     std::pair{&kana, "Kvkana.dll"}, std::pair{&match, "Kvmatch.dll"}})
            ASSERT_TRUE(library->Load(test::appDir(), QString::fromLatin1(name))) << name;
        first = reinterpret_cast<TKVPostFirst>(post.GetProcAddress("KVPostFirst"));
        cityList = reinterpret_cast<TKVPostCityList>(post.GetProcAddress("KVPostCityList"));
        close = reinterpret_cast<TKVPostClose>(post.GetProcAddress("KVPostClose"));
        jisCount = reinterpret_cast<TKVAddrJisCount>(addr.GetProcAddress("KVAddrJisCount"));
        cityAll = reinterpret_cast<TKVKanaCityAll>(kana.GetProcAddress("KVKanaCityAll"));
        matchAdrs = reinterpret_cast<TKVMatchAdrs>(match.GetProcAddress("KVMatchAdrs"));
    }

    // The code of one call of each library with the dictionary folder given.
    std::vector<int> codes(const QByteArray &folder)
    {
        int32_t count = 0;
        int16_t code = -1;
        void *handle = first("1000001", &count, &code, folder.constData());
        if (handle)
            close(handle);
        TKanaCityEntry cities[80];
        TMatchAdrsRecord record;
        return {code, jisCount(Sjis::encode(QStringLiteral("千代田区")).constData(), &count, folder.constData()),
                cityAll(13, cities, 80, folder.constData()), matchAdrs("13101000001", &record, folder.constData())};
    }

    TRuntimeLibrary post, addr, kana, match;
    TKVPostFirst first = nullptr;
    TKVPostCityList cityList = nullptr;
    TKVPostClose close = nullptr;
    TKVAddrJisCount jisCount = nullptr;
    TKVKanaCityAll cityAll = nullptr;
    TKVMatchAdrs matchAdrs = nullptr;
};

TEST_F(GeoDictionary, MissingOrDamagedDictionaryIsAnErrorNotAnEmptyResult)
{
    const std::vector<int> errors(4, kDictionaryError);
    EXPECT_EQ(codes(geotest::dicFolder()), std::vector<int>(4, 0));

    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/");
    const QByteArray folder8 = QFile::encodeName(folder);
    EXPECT_EQ(codes(folder8), errors) << "no Geo.dic";
    EXPECT_EQ(codes(QByteArray()), errors) << "no folder";

    const QByteArray good = test::readFile(test::appDir() + QStringLiteral("Dic/Geo.dic"));
    ASSERT_GT(good.size(), 1000000);
    auto changed = [&](int at, char value) {
        QByteArray bytes = good;
        bytes[at] = value;
        return bytes;
    };
    const std::vector<std::pair<const char *, QByteArray>> damaged = {
        {"empty", QByteArray()},
        {"header cut", good.left(24)},
        {"tables cut", good.left(good.size() - 100)},
        {"wrong magic", changed(0, 'X')},
        {"an older version", changed(8, 1)},
        {"a table beyond the end", changed(32 + 12 * 4 + 3, 0x7F)},
        {"a wrong record size", changed(32 + 12 * 2 + 4, 60)},
    };
    for (const auto &[what, bytes] : damaged) {
        test::replaceDictionary(folder + QStringLiteral("Geo.dic"), bytes);
        EXPECT_EQ(codes(folder8), errors) << what;
    }
    test::replaceDictionary(folder + QStringLiteral("Geo.dic"), good);
    EXPECT_EQ(codes(folder8), std::vector<int>(4, 0));
}

TEST_F(GeoDictionary, ScrambledTablesNeverReadOutsideTheFile)
{
    // Header and directory intact, every table byte after the string pool's start overwritten: the indexes
    // and string references point anywhere. The calls answer something; they must not crash.
    QByteArray bytes = test::readFile(test::appDir() + QStringLiteral("Dic/Geo.dic"));
    const int tablesStart = 32 + 12 * 13 + 8;
    for (qsizetype i = tablesStart; i < bytes.size(); ++i)
        bytes[i] = char((i * 7919) >> 3);
    QTemporaryDir dir;
    test::writeFile(dir.path() + QStringLiteral("/Geo.dic"), bytes);
    const std::vector<int> answered = codes(QFile::encodeName(dir.path() + QStringLiteral("/")));
    EXPECT_EQ(answered.size(), 4u);
}

TEST_F(GeoDictionary, TextsOutsideTheStringPoolAreBlankFields)
{
    // The string pool cut to its first, empty string: every name and reading refers outside it, and the
    // records otherwise hold. The libraries answer with blank texts (and copy nothing from nowhere).
    QByteArray bytes = test::readFile(test::appDir() + QStringLiteral("Dic/Geo.dic"));
    bytes.replace(32 + 8, 4, QByteArray("\1\0\0\0", 4));
    QTemporaryDir dir;
    test::writeFile(dir.path() + QStringLiteral("/Geo.dic"), bytes);
    const QByteArray folder = QFile::encodeName(dir.path() + QStringLiteral("/"));
    TKanaCityEntry cities[80];
    ASSERT_EQ(cityAll(13, cities, 80, folder.constData()), 0);
    EXPECT_EQ(QByteArray(cities[0].Code, 6), QByteArray("13402\0", 6)) << "青ヶ島村, first in reading order";
    EXPECT_EQ(QByteArray(cities[0].Name, sizeof cities[0].Name), QByteArray(sizeof cities[0].Name, ' '));
    TMatchAdrsRecord record;
    ASSERT_EQ(matchAdrs("13101000001", &record, folder.constData()), 0);
    EXPECT_EQ(QByteArray(record.City, sizeof record.City), QByteArray(sizeof record.City, ' '));
    EXPECT_EQ(QByteArray(record.Town1, sizeof record.Town1), QByteArray(sizeof record.Town1, ' '));
}

TEST_F(GeoDictionary, TwoThreadsSearchAtOnce)
{
    const std::vector<int> expected = codes(geotest::dicFolder());
    std::vector<int> failures(2, 0);
    auto work = [&](int id) {
        for (int i = 0; i < 300; ++i)
            if (codes(geotest::dicFolder()) != expected)
                ++failures[id];
    };
    std::thread a(work, 0), b(work, 1);
    a.join();
    b.join();
    EXPECT_EQ(failures, std::vector<int>({0, 0}));
}

// A thread maps the dictionary once and keeps it while it stays the same file: no look-up maps and touches its
// pages afresh. Each thread has its own mapping, let go when the thread ends; a replaced file is read anew,
// while an open search handle goes on reading the file it was opened on.
TEST_F(GeoDictionary, EachThreadKeepsOneMappingOfTheDictionaryUntilItIsReplaced)
{
    QTemporaryDir dir;
    const QByteArray folder = QFile::encodeName(dir.path() + QStringLiteral("/"));
    const QByteArray path = folder + "Geo.dic", replaced = path + " (deleted)";
    const QByteArray good = test::readFile(test::appDir() + QStringLiteral("Dic/Geo.dic"));
    test::writeFile(QFile::decodeName(path), good);
    for (int i = 0; i < 20; ++i)
        ASSERT_EQ(codes(folder), std::vector<int>(4, 0));
    EXPECT_EQ(mappingsOf(path), 4) << "one for each of the four libraries";
    std::thread other([&] {
        codes(folder);
        EXPECT_EQ(mappingsOf(path), 8);
    });
    other.join();
    EXPECT_EQ(mappingsOf(path), 4);

    int32_t count = 0;
    int16_t code = -1;
    void *handle = first("1000001", &count, &code, folder.constData());
    ASSERT_NE(handle, nullptr);
    test::replaceDictionary(QFile::decodeName(path), good.left(24));
    EXPECT_EQ(codes(folder), std::vector<int>(4, kDictionaryError));
    EXPECT_EQ(mappingsOf(replaced), 1) << "the handle's";
    TPostCityEntry city;
    EXPECT_EQ(cityList(handle, &city, 0, 1), 0);
    EXPECT_EQ(geotest::text(city.Name), QStringLiteral("東京都千代田区"));
    close(handle);
    EXPECT_EQ(mappingsOf(replaced), 0);

    test::replaceDictionary(QFile::decodeName(path), good);
    EXPECT_EQ(codes(folder), std::vector<int>(4, 0));
    EXPECT_EQ(mappingsOf(path), 4);
}

// A look-up does not ask the file system whether the dictionary is still the same on every call, only once
// the stamp interval has passed since the thread last asked: until then a replacement is not looked at (the
// mapping of the file it replaced stays readable), after it the replacement is read, and a damaged one is
// reported rather than read.
TEST_F(GeoDictionary, AReplacedDictionaryIsReadOnceTheStampIntervalHasPassed)
{
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/Geo.dic");
    const QByteArray folder = QFile::encodeName(dir.path() + QStringLiteral("/"));
    const QByteArray good = test::readFile(test::appDir() + QStringLiteral("Dic/Geo.dic"));
    test::writeFile(path, good);
    ASSERT_EQ(codes(folder), std::vector<int>(4, 0));

    test::writeFile(path + ".new", good.left(good.size() / 2));
    ASSERT_EQ(std::rename(QFile::encodeName(path + ".new").constData(), QFile::encodeName(path).constData()), 0);
    EXPECT_EQ(codes(folder), std::vector<int>(4, 0)) << "within the interval: the mapping already made";
    std::this_thread::sleep_for(kv::kStampInterval + std::chrono::milliseconds(50));
    EXPECT_EQ(codes(folder), std::vector<int>(4, kDictionaryError)) << "the damaged replacement";
    EXPECT_EQ(codes(folder), std::vector<int>(4, kDictionaryError)) << "and again, with no second look";

    test::replaceDictionary(path, good);
    EXPECT_EQ(codes(folder), std::vector<int>(4, 0)) << "the sound one";
}

}  // namespace
