// Area searches and number look-ups of Kvdir17.so over the large sample directory (5,000,000 listings over all
// 47 prefectures, made on first use with data/directory's generator into build/sample-large/Dt00/), beside a
// linear scan of the same listings in the same run: the first page (20 hits) and the count of each match mode
// for a whole-country, a prefecture and a town query, and numbers to their listings.
// Usage: bench_directory [listings]
#include "base/RuntimeLibrary.h"

#include "BenchSupport.h"
#include "LargeDirectory.h"
#include "NameKey.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace kvdir;

constexpr uint32_t kPageSize = 20;
// The first page must come at least this many times faster than the scan finds it.
constexpr double kRequiredRatio = 100;

struct TLibrary {
    TKvdirSearchArea searchArea = nullptr;
    TKvdirSearchAreaCount countArea = nullptr;
    TKvdirSearchTel searchTel = nullptr;
};

// The first page as the worker asks for it: a fresh context, page size 20. Its entries and whether the area
// has more.
std::vector<uint32_t> firstPage(const TLibrary &lib, const TScanQuery &q, const std::string &folder, bool &more)
{
    TDirectoryCondition c = directoryCondition(q, folder, kPageSize);
    const char *names[2] = {q.names.c_str(), q.exclusions.c_str()};
    TDirectoryResume resume;
    std::memset(&resume, 0, sizeof resume);
    resume.Started = resume.AreaDone = -1;
    TDirectoryHit page[kPageSize];
    int32_t count = 0;
    const int32_t code = lib.searchArea(&c, page, &count, &resume, 10000, nullptr, names);
    std::vector<uint32_t> entries;
    for (int32_t i = 0; code == 0 && i < count; ++i)
        entries.push_back(page[i].Entry);
    more = code == 0 && resume.AreaDone == 0;
    return entries;
}

int32_t countHits(const TLibrary &lib, const TScanQuery &q, const std::string &folder)
{
    TDirectoryCondition c = directoryCondition(q, folder, kPageSize);
    const char *names[2] = {q.names.c_str(), q.exclusions.c_str()};
    int32_t count = 0;
    lib.countArea(&c, &count, 10000, nullptr, names);
    return count;
}

struct TResult {
    std::string what;
    size_t hits;
    double ours, scan;
    bool agrees;
};

void printRow(const TResult &r)
{
    std::printf("| %-52s | %9zu | %7.1f µs | %8.2f ms | %6.0f |%s\n", r.what.c_str(), r.hits, r.ours * 1e6,
                r.scan * 1000, r.scan / r.ours, r.agrees ? "" : " ANSWERS DIFFER");
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char **argv)
{
    const uint32_t listings = argc > 1 ? uint32_t(std::atol(argv[1])) : 5'000'000;
    const std::string &folder = LargeDirectoryFolder;
    if (!ensureLargeSet(folder, listings)) {
        std::fprintf(stderr, "the large sample directory could not be made\n");
        return 1;
    }
    TRuntimeLibrary dll;
    if (!dll.Load(QStringLiteral(VELMORA_APP_DIR), QStringLiteral("Kvdir17.dll"))) {
        std::fprintf(stderr, "%s\n", qPrintable(dll.ErrorString()));
        return 1;
    }
    TLibrary lib;
    lib.searchArea = reinterpret_cast<TKvdirSearchArea>(dll.GetProcAddress("kvdir_search_area"));
    lib.countArea = reinterpret_cast<TKvdirSearchAreaCount>(dll.GetProcAddress("kvdir_search_area_count"));
    lib.searchTel = reinterpret_cast<TKvdirSearchTel>(dll.GetProcAddress("kvdir_search_tel"));
    const TDirectoryFile file(folder);
    if (!lib.searchArea || !lib.countArea || !lib.searchTel || !file.valid()) {
        std::fprintf(stderr, "Kvdir17.so or the directory data is not usable\n");
        return 1;
    }

    // The queries: names a user looks a business up by, over the whole country and 大阪府; in the town (the
    // district with the most listings) the commonest names of its own listings, so that every mode finds some.
    uint32_t townStart = 0, townSize = 0;
    const std::string town = largestTown(file, townStart, townSize);
    const std::vector<std::string> own = townNames(file, townStart, townSize);
    const std::string common[4] = {sjis("東洋建"), sjis("鈴木内科"), sjis("田中歯科医院"), sjis("東洋建設")};
    struct TArea {
        const char *label;
        std::string code;
        const std::string *names;
    } areas[] = {{"whole country", "", common}, {"prefecture 27", "27", common}, {"town", town, own.data()}};
    const char *modes[4] = {"prefix", "fuzzy", "suffix", "exact"};
    const uint32_t modeCodes[4] = {kPrefix, kFuzzy, kSuffix, kExact};

    std::printf("%u listings; the town is district %s, %u listings from listing %u on\n\n", file.listingCount(),
                town.c_str(), townSize, townStart);
    std::printf("| work | hits | Kvdir17 | linear scan | scan / Kvdir17 |\n|---|---:|---:|---:|---:|\n");
    std::vector<TResult> pages, counts;
    for (const TArea &area : areas)
        for (int m = 0; m < 4; ++m) {
            TScanQuery q;
            q.area = area.code;
            q.mode = modeCodes[m];
            q.names = area.names[m] + ",";
            const std::string what = std::string(area.label) + ", " + modes[m] + " \"" + utf8(area.names[m]) + "\"";

            // The first page: the library looks for one hit more than the page to tell whether more follow,
            // and so does the scan.
            bool more = false;
            std::vector<uint32_t> ours;
            const double oursTime = perRun([&] { ours = firstPage(lib, q, folder, more); });
            std::vector<uint32_t> scanned;
            const double scanTime = perRun([&] { scanned = ScanListings(file, q, kPageSize + 1); });
            const bool scanMore = scanned.size() > kPageSize;
            scanned.resize(std::min<size_t>(scanned.size(), kPageSize));
            pages.push_back(
                {"first page, " + what, ours.size(), oursTime, scanTime, ours == scanned && more == scanMore});
            printRow(pages.back());

            int32_t total = 0;
            const double countTime = perRun([&] { total = countHits(lib, q, folder); });
            size_t all = 0;
            const double scanCountTime = perRun([&] { all = ScanListings(file, q).size(); });
            counts.push_back({"count, " + what, size_t(total), countTime, scanCountTime, size_t(total) == all});
            printRow(counts.back());
        }

    // Numbers: every listed number of a spread sample of listings, looked up through the library, and a few
    // of them through a walk over every listing's number.
    std::vector<std::string> numbers;
    for (uint32_t id = 0; id < file.listingCount() && numbers.size() < 2000; id += file.listingCount() / 2000 + 1)
        if (const std::string_view tel = ListingTexts(file, id).tel; !tel.empty())
            numbers.emplace_back(tel);
    TDirectoryTelRequest request;
    std::memset(&request, 0, sizeof request);
    request.One = 1;
    std::strcpy(request.DataFolder, folder.c_str());
    std::strcpy(request.DicFolder, DirectoryDicFolder);
    TDirectoryDetail details[KVDIR_TEL_RESULTS];
    std::vector<int32_t> found(numbers.size());
    const double telTime = perRun([&] {
                               for (size_t i = 0; i < numbers.size(); ++i) {
                                   std::strcpy(request.Tel, numbers[i].c_str());
                                   found[i] = 0;
                                   lib.searchTel(&request, details, &found[i]);
                               }
                           })
                           / double(numbers.size());
    const size_t scanned = 10;
    bool telAgrees = true;
    const double telScanTime = perRun([&] {
                                   for (size_t i = 0; i < scanned; ++i) {
                                       int32_t n = 0;
                                       for (uint32_t id = 0; id < file.listingCount(); ++id)
                                           n += std::strncmp(file.listing(id).Tel, numbers[i].c_str(), 14) == 0;
                                       telAgrees = telAgrees && n == found[i];
                                   }
                               })
                               / double(scanned);
    const TResult tel{"number look-up (per number)", numbers.size(), telTime, telScanTime, telAgrees};
    printRow(tel);

    bool ok = tel.agrees;
    for (const TResult &r : counts)
        ok = ok && r.agrees;
    for (const TResult &r : pages) {
        ok = ok && r.agrees;
        if (r.scan / r.ours < kRequiredRatio) {
            std::printf("| FIRST PAGE BELOW %.0f TIMES THE SCAN: %s\n", kRequiredRatio, r.what.c_str());
            ok = false;
        }
    }
    return ok ? 0 : 1;
}
