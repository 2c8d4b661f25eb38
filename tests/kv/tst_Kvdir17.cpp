// Kvdir17.so as the program loads it, over the sample directory data the build makes (build/sample/Dt00/):
// every area search is checked against a plain scan of the same listings, page by page through the resume
// context; then the number look-ups, the codes for bad input and missing data, and two threads at once.
#include "GeoTest.h"

#include "DirectoryScan.h"
#include "Kvdir17/Kvdir17.h"
#include "NameKey.h"
#include "common/GeoDic.h"

#include <QDir>
#include <QTemporaryDir>

#include <atomic>
#include <cstring>
#include <map>
#include <set>
#include <thread>

namespace {

using namespace kvdir;

std::string sampleFolder()
{
    return QFile::encodeName(QDir::cleanPath(test::appDir() + QStringLiteral("../sample/Dt00")) + '/').toStdString();
}

std::string sjis(const QString &text) { return Sjis::encode(text).toStdString(); }

// One search: what the condition and the name lists carry, set step by step.
struct TSearch : TScanQuery {
    uint32_t pageSize = 20;

    TSearch &in(std::string code) { area = std::move(code); return *this; }
    TSearch &ofKinds(uint32_t bits) { kinds = bits; return *this; }
    TSearch &legal(uint32_t form) { legalForm = form; return *this; }
    TSearch &named(const std::string &list, uint32_t match = kFuzzy) { names = list; mode = match; return *this; }
    TSearch &excluding(const std::string &list) { exclusions = list; return *this; }
    TSearch &inCategory(std::string code) { category = std::move(code); return *this; }
    TSearch &page(uint32_t size) { pageSize = size; return *this; }
    TSearch &faxes() { faxOnly = true; return *this; }
};

// The calls of one area search: the codes, the hits of each call, and the resume context after each.
struct TCalls {
    std::vector<int32_t> codes;
    std::vector<std::vector<TDirectoryHit>> pages;
    std::vector<TDirectoryResume> contexts;
    std::vector<uint32_t> entries() const
    {
        std::vector<uint32_t> all;
        for (const auto &page : pages)
            for (const TDirectoryHit &h : page)
                all.push_back(h.Entry);
        return all;
    }
};

class Kvdir17 : public geotest::Library {
protected:
    Kvdir17() : geotest::Library("Kvdir17.dll") {}

    void SetUp() override
    {
        geotest::Library::SetUp();
        searchArea = entry<TKvdirSearchArea>("kvdir_search_area");
        searchAreaFax = entry<TKvdirSearchArea>("kvdir_search_area_fax");
        countArea = entry<TKvdirSearchAreaCount>("kvdir_search_area_count");
        countAreaFax = entry<TKvdirSearchAreaCount>("kvdir_search_area_count_fax");
        searchTel = entry<TKvdirSearchTel>("kvdir_search_tel");
        searchTelOne = entry<TKvdirSearchTelOne>("kvdir_search_tel_one");
        telMask = entry<TKvdirTelMask>("kvdir_tel_mask");
        ASSERT_TRUE(file.valid()) << "no sample directory in " << folder;
        ASSERT_GT(file.listingCount(), 10000u);
    }

    TDirectoryCondition condition(const TSearch &s, const std::string &dataFolder) const
    {
        TDirectoryCondition c;
        std::memset(&c, 0, sizeof c);
        std::memcpy(c.CategoryCode, s.category.data(), std::min<size_t>(s.category.size(), 4));
        std::memcpy(c.AreaCode, s.area.data(), s.area.size());
        c.One1 = c.One2 = 1;
        c.Kinds = s.kinds;
        c.LegalForm = s.legalForm;
        c.MatchMode = s.mode;
        c.PageSize = s.pageSize;
        std::strcpy(c.DataFolder, dataFolder.c_str());
        std::strcpy(c.DicFolder, geotest::dicFolder().constData());
        return c;
    }

    // Every call of an area search as the worker makes them, until the area reports its end; a call is
    // made again after AreaDone only to see that it answers 1.
    TCalls pages(const TSearch &s, TDirectoryAbort abort = nullptr)
    {
        TDirectoryCondition c = condition(s, folder);
        const char *names[2] = {s.names.c_str(), s.exclusions.c_str()};
        TDirectoryResume resume;
        std::memset(&resume, 0, sizeof resume);
        resume.Started = resume.AreaDone = -1;
        TCalls calls;
        for (int call = 0; call < 100000; ++call) {
            std::vector<TDirectoryHit> page(s.pageSize + 1);
            std::memset(page.data(), 0x7F, page.size() * sizeof(TDirectoryHit));
            int32_t count = -1;
            const int32_t code = (s.faxOnly ? searchAreaFax : searchArea)(&c, page.data(), &count, &resume, 10000,
                                                                           abort, names);
            calls.codes.push_back(code);
            calls.contexts.push_back(resume);
            EXPECT_TRUE(count >= 0 && uint32_t(count) <= s.pageSize) << count;
            EXPECT_EQ(page[s.pageSize].Entry, 0x7F7F7F7Fu) << "wrote past the page";
            page.resize(size_t(std::max(count, 0)));
            calls.pages.push_back(page);
            if (code != 0)
                break;
            c.Continuation = 1;
            if (resume.AreaDone != 0) {
                calls.codes.push_back((s.faxOnly ? searchAreaFax : searchArea)(&c, page.data(), &count, &resume,
                                                                               10000, abort, names));
                EXPECT_EQ(count, 0);
                break;
            }
        }
        return calls;
    }

    int32_t count(const TSearch &s, int32_t &hits, TDirectoryAbort abort = nullptr)
    {
        TDirectoryCondition c = condition(s, folder);
        const char *names[2] = {s.names.c_str(), s.exclusions.c_str()};
        hits = -1;
        return (s.faxOnly ? countAreaFax : countArea)(&c, &hits, 10000, abort, names);
    }

    // Pages, count and scan agree, no entry comes twice, and each page but the last is full.
    void expectAgreement(const TSearch &s, const char *what)
    {
        SCOPED_TRACE(what);
        const std::vector<uint32_t> expected = ScanListings(file, s);
        const TCalls calls = pages(s);
        const std::vector<uint32_t> got = calls.entries();
        EXPECT_EQ(got, expected);
        EXPECT_EQ(std::set<uint32_t>(got.begin(), got.end()).size(), got.size()) << "an entry came twice";
        for (size_t i = 0; i + 2 < calls.pages.size(); ++i)
            EXPECT_EQ(calls.pages[i].size(), s.pageSize);
        EXPECT_EQ(calls.codes.back(), 1);
        int32_t hits = 0;
        EXPECT_EQ(count(s, hits), expected.empty() ? 1 : 0);
        EXPECT_EQ(hits, int32_t(expected.size()));
    }

    // The listing's area codes of each level, by the number of listings they hold.
    std::map<std::string, uint32_t> areaSizes(size_t length)
    {
        std::map<std::string, uint32_t> sizes;
        for (uint32_t id = 0; id < file.listingCount(); ++id) {
            const TTownRecord *town = file.town(file.listing(id).Town);
            const std::string code = length == 8 ? std::string(town->District, 8)
                                                 : std::string(file.municipality(town->Municipality)->Jis, length);
            ++sizes[code];
        }
        return sizes;
    }

    std::string largestArea(size_t length)
    {
        const auto sizes = areaSizes(length);
        return std::max_element(sizes.begin(), sizes.end(),
                                [](auto &a, auto &b) { return a.second < b.second; })->first;
    }

    TKvdirSearchArea searchArea = nullptr, searchAreaFax = nullptr;
    TKvdirSearchAreaCount countArea = nullptr, countAreaFax = nullptr;
    TKvdirSearchTel searchTel = nullptr;
    TKvdirSearchTelOne searchTelOne = nullptr;
    TKvdirTelMask telMask = nullptr;
    const std::string folder = sampleFolder();
    const TDirectoryFile file{folder};
};

TEST_F(Kvdir17, APageOfTwentyThenTheRestThenTheEnd)
{
    std::string district;
    uint32_t size = 0;
    for (const auto &[code, n] : areaSizes(8))
        if (n > 20 && n < 40) {
            district = code;
            size = n;
            break;
        }
    ASSERT_FALSE(district.empty());
    const TCalls calls = pages(TSearch().in(district));
    ASSERT_EQ(calls.codes, (std::vector<int32_t>{0, 0, 1}));
    EXPECT_EQ(calls.pages[0].size(), 20u);
    EXPECT_EQ(calls.pages[1].size(), size - 20);
    // The word at offset 40: more to come after the first page, the area done after the second.
    int32_t areaDone[2];
    std::memcpy(&areaDone[0], reinterpret_cast<const char *>(&calls.contexts[0]) + 40, 4);
    std::memcpy(&areaDone[1], reinterpret_cast<const char *>(&calls.contexts[1]) + 40, 4);
    EXPECT_EQ(areaDone[0], 0);
    EXPECT_NE(areaDone[1], 0);
    EXPECT_EQ(calls.entries(), ScanListings(file, TSearch().in(district)));

    // A hit carries what the listing says.
    const TDirectoryHit &hit = calls.pages[0][3];
    const TListingTexts t = ListingTexts(file, hit.Entry);
    EXPECT_EQ(std::string(hit.Tel, strnlen(hit.Tel, sizeof hit.Tel)), t.tel);
    EXPECT_EQ(std::string(hit.Name, strnlen(hit.Name, sizeof hit.Name)), t.name);
    EXPECT_EQ(hit.Kind, file.listing(hit.Entry).Kind);
    EXPECT_EQ(std::string(hit.MainCategory, 2) + std::string(hit.SubCategory, 2),
              QByteArray::number(file.listing(hit.Entry).Category).rightJustified(4, '0').toStdString());
    // Its address is the listing's, the building set apart from the street number by a blank.
    int buildings = 0;
    for (const std::vector<TDirectoryHit> &page : calls.pages)
        for (const TDirectoryHit &h : page) {
            const TListingTexts texts = ListingTexts(file, h.Entry);
            const auto parts = texts.addressParts();
            std::string address;
            for (size_t k = 0; k + 1 < parts.size(); ++k)
                address += parts[k];
            if (!parts.back().empty()) {
                address += ' ';
                address += parts.back();
                ++buildings;
            }
            EXPECT_EQ(std::string(h.Address, strnlen(h.Address, sizeof h.Address)), address);
        }
    EXPECT_GT(buildings, 0) << "no listing of the district has a building";
}

TEST_F(Kvdir17, EveryMatchModeInAreasOfEveryLevel)
{
    const std::vector<std::string> areas = {"", "14", largestArea(5), "14100", "13100", largestArea(8)};
    for (const std::string &area : areas) {
        // Names taken from a listing of the area: a pair of its key's characters from the start, the end and
        // the middle, and the whole key.
        const std::vector<uint32_t> listed = ScanListings(file, TSearch().in(area));
        ASSERT_FALSE(listed.empty()) << area;
        std::vector<std::string> chars;
        const std::string_view key = file.key(listed[listed.size() / 2]);
        for (size_t at = 0; at < key.size(); at += CharLength(key, at))
            chars.emplace_back(key.substr(at, CharLength(key, at)));
        ASSERT_GE(chars.size(), 2u) << area;
        const std::string &c0 = chars[0], &c1 = chars[1], &c2 = chars[std::min<size_t>(2, chars.size() - 1)];
        for (const auto &[mode, name] : std::vector<std::pair<uint32_t, std::string>>{
                 {kPrefix, c0 + c1}, {kSuffix, chars[chars.size() - 2] + chars.back()},
                 {kFuzzy, chars.size() > 2 ? c1 + c2 : c0 + c1}, {kFuzzy, c1}, {kExact, std::string(key)},
                 {kPrefix, c0}, {kSuffix, chars.back()}}) {
            for (uint32_t pageSize : {20u, 200u})
                expectAgreement(TSearch().in(area).named(name + ",", mode).page(pageSize),
                                (area + " mode " + std::to_string(mode) + " " + name).c_str());
        }
    }
    // No name: every listing of the area, fifty at a time.
    expectAgreement(TSearch().in("47").page(50), "a prefecture without a name");
}

TEST_F(Kvdir17, KindsLegalFormsAndCategories)
{
    for (uint32_t kinds : {1u, 2u, 4u, 8u, 6u, 9u, 15u})
        expectAgreement(TSearch().in("27").ofKinds(kinds).page(100), ("kinds " + std::to_string(kinds)).c_str());
    for (uint32_t legal = 1; legal <= 7; ++legal)
        expectAgreement(TSearch().legal(legal).page(200), ("legal form " + std::to_string(legal)).c_str());
    // The legal form is a condition of its own: "株式会社東洋建設" and "東洋建設株式会社" are both "東洋建設".
    expectAgreement(TSearch().legal(1).named(sjis(QStringLiteral("株式会社東洋")) + ",", kPrefix),
                    "a legal form in the name");
    expectAgreement(TSearch().in("13").inCategory("1202"), "a sub category");
    expectAgreement(TSearch().in("13").inCategory("1200").page(100), "a main category");
    expectAgreement(TSearch().inCategory("1610").named(sjis(QStringLiteral("デンタル")) + ","),
                    "a category and a name");
    expectAgreement(TSearch().in("14").ofKinds(2).legal(2).inCategory("0200"), "everything at once");
    // Half-width, hiragana and full-width spellings find the same listings.
    const std::vector<uint32_t> katakana = ScanListings(file, TSearch().named(sjis(QStringLiteral("スシ")) + ","));
    ASSERT_FALSE(katakana.empty());
    EXPECT_EQ(pages(TSearch().named(sjis(QStringLiteral("ｽｼ")) + ",")).entries(), katakana);
    EXPECT_EQ(pages(TSearch().named(sjis(QStringLiteral("すし")) + ",")).entries(), katakana);
}

TEST_F(Kvdir17, TargetAndExclusionNames)
{
    const std::string sushi = sjis(QStringLiteral("寿司")), targets = sjis(QStringLiteral("寿司,鮨,すし,")),
                      rotating = sjis(QStringLiteral("回転寿司,"));
    const TSearch withNames = TSearch().named(targets).excluding(rotating).page(100);
    expectAgreement(withNames, "targets and exclusions");
    const std::vector<uint32_t> hits = pages(withNames).entries();
    const std::string sushiShop = sjis(QStringLiteral("鮨")), rotatingShop = sjis(QStringLiteral("回転寿司"));
    EXPECT_TRUE(std::any_of(hits.begin(), hits.end(), [&](uint32_t id) {
        return file.text(file.listing(id).Name).find(sushiShop) != std::string_view::npos;
    })) << "a target name found nothing";
    EXPECT_TRUE(std::none_of(hits.begin(), hits.end(), [&](uint32_t id) {
        return ContainsChars(file.key(id), NameKey(rotatingShop));
    })) << "an excluded listing was found";
    EXPECT_GT(ScanListings(file, TSearch().named(sushi + ",")).size(),
              ScanListings(file, TSearch().named(sushi + ",").excluding(rotating)).size());
    // Only a fuzzy search takes the target names.
    EXPECT_EQ(pages(TSearch().named(targets, kPrefix)).entries(),
              ScanListings(file, TSearch().named(sushi + ",", kPrefix)));
    // A search name of a legal form alone names nothing: the other conditions decide.
    expectAgreement(TSearch().in("47").legal(1).named(sjis(QStringLiteral("株式会社")) + ",", kExact),
                    "a legal form as the name");
}

TEST_F(Kvdir17, AStoppedSearchResumesWithoutAnEntryTwice)
{
    // A sparse search over every listing, so that the callback is asked again while hits are being gathered.
    const TSearch rare = TSearch().legal(5).page(200);
    const std::vector<uint32_t> expected = ScanListings(file, rare);
    ASSERT_GT(expected.size(), 5u);
    ASSERT_GT(file.listingCount(), 2 * 16384u);

    static std::atomic<int> asked;
    asked = 0;
    const TDirectoryAbort stopSecondTime = [](int32_t, int32_t) -> int32_t { return ++asked == 2 ? 0 : -1; };
    TDirectoryCondition c = condition(rare, folder);
    TDirectoryResume resume{};
    resume.Started = resume.AreaDone = -1;
    std::vector<TDirectoryHit> page(200);
    int32_t n = -1;
    ASSERT_EQ(searchArea(&c, page.data(), &n, &resume, 10000, stopSecondTime, nullptr), 100);
    EXPECT_EQ(resume.AreaDone, 0);
    ASSERT_GT(n, 0);
    ASSERT_LT(size_t(n), expected.size());
    std::vector<uint32_t> got;
    for (int i = 0; i < n; ++i)
        got.push_back(page[size_t(i)].Entry);
    const TDirectoryResume stopped = resume;

    // Going on from the context of the stopped call gives exactly the rest.
    c.Continuation = 1;
    ASSERT_EQ(searchArea(&c, page.data(), &n, &resume, 10000, nullptr, nullptr), 0);
    EXPECT_NE(resume.AreaDone, 0);
    for (int i = 0; i < n; ++i)
        got.push_back(page[size_t(i)].Entry);
    EXPECT_EQ(got, expected);

    // A context kept from before gives the same hits again, as many times as it is used.
    std::vector<uint32_t> again;
    resume = stopped;
    ASSERT_EQ(searchArea(&c, page.data(), &n, &resume, 10000, nullptr, nullptr), 0);
    for (int i = 0; i < n; ++i)
        again.push_back(page[size_t(i)].Entry);
    ASSERT_LE(again.size(), expected.size());
    EXPECT_EQ(again, std::vector<uint32_t>(expected.end() - ptrdiff_t(again.size()), expected.end()));

    // Stopped before any work: no hits, and the next call starts where nothing was taken.
    const TDirectoryAbort stopAtOnce = [](int32_t, int32_t) -> int32_t { return 0; };
    TDirectoryCondition fresh = condition(TSearch().in("13"), folder);
    TDirectoryResume first{};
    first.Started = first.AreaDone = -1;
    ASSERT_EQ(searchArea(&fresh, page.data(), &n, &first, 10000, stopAtOnce, nullptr), 100);
    EXPECT_EQ(n, 0);
    fresh.Continuation = 1;
    ASSERT_EQ(searchArea(&fresh, page.data(), &n, &first, 10000, nullptr, nullptr), 0);
    EXPECT_EQ(page[0].Entry, ScanListings(file, TSearch().in("13")).front());

    int32_t hits = 0;
    EXPECT_EQ(count(rare, hits, stopAtOnce), 100);
}

TEST_F(Kvdir17, NumbersAndTheirEntries)
{
    // Numbers shared by several listings, listings of every kind, a listing without a published number.
    std::map<std::string, std::vector<uint32_t>> byNumber;
    uint32_t unpublished = UINT32_MAX;
    for (uint32_t id = 0; id < file.listingCount(); ++id) {
        const std::string tel(ListingTexts(file, id).tel);
        if (tel.empty())
            unpublished = id;
        else
            byNumber[tel].push_back(id);
    }
    const auto shared = std::find_if(byNumber.begin(), byNumber.end(), [](auto &n) { return n.second.size() > 1; });
    ASSERT_NE(shared, byNumber.end());
    ASSERT_NE(unpublished, UINT32_MAX);

    TDirectoryTelRequest request{};
    request.One = 1;
    std::strcpy(request.DataFolder, folder.c_str());
    std::strcpy(request.DicFolder, geotest::dicFolder().constData());
    // Hyphens are left out of the number asked for.
    const std::string number = shared->first;
    const std::string hyphenated = number.substr(0, 2) + "-" + number.substr(2, 4) + "-" + number.substr(6);
    std::strcpy(request.Tel, hyphenated.c_str());
    TDirectoryDetail details[KVDIR_TEL_RESULTS];
    int32_t n = -1;
    ASSERT_EQ(searchTel(&request, details, &n), 0);
    ASSERT_EQ(size_t(n), shared->second.size());
    for (int i = 0; i < n; ++i) {
        const TDirectoryDetail &d = details[i];
        const uint32_t id = shared->second[size_t(i)];
        const TListingTexts t = ListingTexts(file, id);
        EXPECT_EQ(std::string(d.Name, strnlen(d.Name, sizeof d.Name)), t.name);
        EXPECT_EQ(std::string(d.Tel, strnlen(d.Tel, sizeof d.Tel)), number);
        EXPECT_EQ(std::string(d.AddressCode, 11), std::string(t.jis) + std::string(t.townCode));
        EXPECT_EQ(std::string(d.PostalCode, 7), kv::PostalDigits(t.postalCode));
        EXPECT_EQ(std::string(d.Address1, strnlen(d.Address1, sizeof d.Address1)), t.town);
        EXPECT_FALSE(std::string_view(d.NameReading, strnlen(d.NameReading, sizeof d.NameReading)).empty());
        EXPECT_EQ(d.Latitude, file.listing(id).Latitude);
        EXPECT_EQ(d.Person, file.listing(id).Person);
    }

    // The kinds a number is listed under, as the bits of the search condition.
    uint32_t kinds = 0;
    std::strcpy(request.Tel, number.c_str());
    ASSERT_EQ(telMask(&request, &kinds), 0);
    uint32_t expected = 0;
    for (uint32_t id : shared->second)
        expected |= 1u << file.listing(id).Kind;
    EXPECT_EQ(kinds, expected);

    // The entry of a hit, by its number and reference; a reference of another number finds nothing.
    TDirectoryDetail detail;
    EXPECT_EQ(searchTelOne(&request, &detail, shared->second.back()), 0);
    EXPECT_EQ(std::string(detail.Name, strnlen(detail.Name, sizeof detail.Name)),
              ListingTexts(file, shared->second.back()).name);
    EXPECT_EQ(searchTelOne(&request, &detail, unpublished), 8);
    EXPECT_EQ(searchTelOne(&request, &detail, file.listingCount()), 8);
    request.Tel[0] = '\0';
    EXPECT_EQ(searchTelOne(&request, &detail, unpublished), 0);
    EXPECT_EQ(detail.Tel[0], '\0');

    std::strcpy(request.Tel, "0111111111");
    EXPECT_EQ(searchTel(&request, details, &n), 8);
    EXPECT_EQ(telMask(&request, &kinds), 8);
}

TEST_F(Kvdir17, FaxVariantsSearchTheFaxKindsOnly)
{
    expectAgreement(TSearch().in("14").page(100).faxes(), "fax numbers of a prefecture");
    expectAgreement(TSearch().ofKinds(4 | 1).page(200).faxes(), "telephone and fax only");
    int32_t hits = -1;
    EXPECT_EQ(count(TSearch().in("13").ofKinds(1 | 8).faxes(), hits), 1);
    EXPECT_EQ(hits, 0);
    TDirectoryCondition c = condition(TSearch().in("13").ofKinds(8), folder);
    TDirectoryResume resume{};
    TDirectoryHit page[20];
    EXPECT_EQ(searchAreaFax(&c, page, &hits, &resume, 10000, nullptr, nullptr), 1);
}

TEST_F(Kvdir17, InvalidArgumentsAndMissingData)
{
    TDirectoryHit page[200];
    int32_t n = 0;
    const auto code = [&](const TSearch &s, const std::string &dataFolder = "") {
        TDirectoryCondition c = condition(s, dataFolder.empty() ? folder : dataFolder);
        TDirectoryResume resume{};
        return searchArea(&c, page, &n, &resume, 10000, nullptr, nullptr);
    };
    EXPECT_EQ(code(TSearch().in("1X")), 4);
    EXPECT_EQ(code(TSearch().in("131")), 4);
    EXPECT_EQ(code(TSearch().legal(8)), 4);
    EXPECT_EQ(code(TSearch().named("", 4)), 4);
    EXPECT_EQ(code(TSearch().page(0)), 4);
    EXPECT_EQ(code(TSearch().page(201)), 4);
    EXPECT_EQ(code(TSearch().inCategory("12AB")), 4);
    EXPECT_EQ(code(TSearch().inCategory("0012")), 4);
    EXPECT_EQ(code(TSearch().in("99999")), 1) << "a code no listing has is an empty area";
    EXPECT_EQ(code(TSearch().in("131015")), 0) << "a sixth character, the check digit, is ignored";
    TDirectoryCondition c = condition(TSearch(), folder);
    TDirectoryResume resume{};
    EXPECT_EQ(searchArea(nullptr, page, &n, &resume, 10000, nullptr, nullptr), 4);
    EXPECT_EQ(searchArea(&c, nullptr, &n, &resume, 10000, nullptr, nullptr), 4);
    EXPECT_EQ(searchArea(&c, page, &n, nullptr, 10000, nullptr, nullptr), 4);
    EXPECT_EQ(countArea(&c, nullptr, 10000, nullptr, nullptr), 4);

    // A context of another search is refused rather than followed into other listings.
    TDirectoryCondition prefecture = condition(TSearch().in("13"), folder),
                        other = condition(TSearch().in("14"), folder);
    ASSERT_EQ(searchArea(&prefecture, page, &n, &resume, 10000, nullptr, nullptr), 0);
    other.Continuation = 1;
    EXPECT_EQ(searchArea(&other, page, &n, &resume, 10000, nullptr, nullptr), 4);

    // Missing or damaged data.
    QTemporaryDir dir;
    const std::string empty = QFile::encodeName(dir.path()).toStdString() + "/";
    EXPECT_EQ(code(TSearch(), empty), 16);
    const QByteArray bytes = test::readFile(QString::fromStdString(folder) + kDirectoryFileName);
    test::writeFile(dir.path() + "/" + kDirectoryFileName, bytes.left(bytes.size() / 2));
    EXPECT_EQ(code(TSearch(), empty), 16);
    // The data replaced under the same name is read anew.
    test::replaceDictionary(dir.path() + "/" + kDirectoryFileName, bytes);
    EXPECT_EQ(code(TSearch(), empty), 0);
    // The string pool cut to its empty string: every text refers outside it. The listings still answer, with
    // blank texts (copied from nowhere).
    QByteArray noTexts = bytes;
    noTexts.replace(64 + 12, 4, QByteArray("\1\0\0\0", 4));
    test::replaceDictionary(dir.path() + "/" + kDirectoryFileName, noTexts);
    EXPECT_EQ(code(TSearch().in("13"), empty), 0);
    EXPECT_EQ(QByteArray(page[0].Address, sizeof page[0].Address), QByteArray(sizeof page[0].Address, '\0'));
    test::replaceDictionary(dir.path() + "/" + kDirectoryFileName, bytes.left(100));
    TDirectoryTelRequest request{};
    std::strcpy(request.Tel, "0312345678");
    std::strcpy(request.DataFolder, empty.c_str());
    TDirectoryDetail details[KVDIR_TEL_RESULTS];
    uint32_t kinds = 0;
    EXPECT_EQ(searchTel(&request, details, &n), 16);
    EXPECT_EQ(telMask(&request, &kinds), 16);
    std::strcpy(request.DataFolder, folder.c_str());
    std::strcpy(request.Tel, "03x1234");
    EXPECT_EQ(searchTel(&request, details, &n), 4);
    EXPECT_EQ(telMask(&request, &kinds), 4);
    request.Tel[0] = '\0';
    EXPECT_EQ(searchTel(&request, details, &n), 4);
}

TEST_F(Kvdir17, TwoThreadsSearchAtOnce)
{
    const TSearch a = TSearch().in("13").named(sjis(QStringLiteral("建設")) + ",");
    const TSearch b = TSearch().ofKinds(2).inCategory("1200").page(50);
    const std::vector<uint32_t> expectedA = ScanListings(file, a), expectedB = ScanListings(file, b);
    std::atomic<int> failures = 0;
    const auto run = [&](const TSearch &s, const std::vector<uint32_t> &expected) {
        for (int i = 0; i < 20; ++i)
            if (pages(s).entries() != expected)
                ++failures;
    };
    std::thread first(run, a, expectedA), second(run, b, expectedB);
    first.join();
    second.join();
    EXPECT_EQ(failures, 0);
}

}  // namespace
