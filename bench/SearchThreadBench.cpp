// The search workers of the directory windows (TSearchThread, TSearchCategoryThread) over the large sample
// directory, every job run as the windows run it: started from the main thread, its hand-backs answered in the
// main thread's event loop. Beside each, in the same run, the library called through the program's own
// wrappers in a plain loop on the main thread doing the same work: the first page, ten pages forward and ten
// back, a stop and the resumption to the last page, the count; and the CSV output of a prefecture's fax
// numbers (some 34,000 hits) from the hits alone and from the entry of every hit.
// Usage: bench_searchthread [listings]
#include "core/Globals.h"
#include "core/Hyphen.h"
#include "db/Session.h"
#include "db/Table.h"
#include "db/TableSchemas.h"
#include "directory/DirectoryCsv.h"
#include "directory/DirectoryDll.h"
#include "directory/SearchThread.h"
#include "platform/MessageBox.h"

#include "BenchSupport.h"
#include "LargeDirectory.h"
#include "NameKey.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace kvdir;

constexpr uint32_t kPageSize = 20;
constexpr int kPagesPaged = 10;

// A search as a window hands it over: one condition per area and the name list.
struct TQuery {
    std::string label;
    std::vector<TDirectoryCondition> areas;
    QByteArray names;  // "name," or empty
};

TQuery makeQuery(std::string label, const std::vector<std::string> &areaCodes, uint32_t mode, const std::string &name,
                 uint32_t kinds = 15)
{
    TQuery q{std::move(label), {}, name.empty() ? QByteArray() : QByteArray::fromStdString(name + ",")};
    for (const std::string &code : areaCodes) {
        TScanQuery area;
        area.area = code;
        area.mode = mode;
        area.kinds = kinds;
        q.areas.push_back(directoryCondition(area, LargeDirectoryFolder, kPageSize));
    }
    return q;
}

int32_t goOn(int32_t, int32_t) { return -1; }

// A query's hits straight from the library on the calling thread, area after area, as a program without a
// worker fetches them. It remembers where each call started, so any stretch of hits can be fetched again.
class TPlainSearch {
public:
    explicit TPlainSearch(const TQuery &q) : conditions_(q.areas), names_{q.names.constData(), ""}
    {
        place_.resume.Started = place_.resume.AreaDone = -1;
        for (const TDirectoryCondition &c : conditions_)
            page_.resize(std::max<size_t>(page_.size(), c.PageSize));
    }

    bool done() const { return place_.area >= conditions_.size(); }
    // One call where the search stands, its hits appended to into; the library's code.
    int next(std::vector<TDirectoryHit> &into) { return step(place_, into); }
    // Calls on until at least wanted hits are in or every area is done; false on a library error.
    bool fetch(size_t wanted)
    {
        while (hits.size() < wanted && !done()) {
            starts_.push_back({place_, hits.size()});
            const int code = next(hits);
            if (code != directoryFound && code != directoryNoMore)
                return false;
        }
        return true;
    }
    // Hits [first, first + count) fetched again from the place of the call that returned the first of them.
    std::vector<TDirectoryHit> refetch(size_t first, size_t count)
    {
        const auto start = std::prev(std::upper_bound(starts_.begin(), starts_.end(), first,
                                                      [](size_t at, const TStart &s) { return at < s.offset; }));
        TPlace place = start->place;
        std::vector<TDirectoryHit> got;
        while (start->offset + got.size() < first + count && place.area < conditions_.size())
            step(place, got);
        const size_t from = std::min(got.size(), first - start->offset);
        return {got.begin() + ptrdiff_t(from), got.begin() + ptrdiff_t(std::min(got.size(), from + count))};
    }
    int count()
    {
        int total = 0;
        for (TDirectoryCondition &c : conditions_) {
            int32_t found = 0;
            DirectorySearchAreaCount(c, found, directoryReserved, goOn, names_);
            total += found;
        }
        return total;
    }

    std::vector<TDirectoryHit> hits;  // what fetch gathered

private:
    struct TPlace {
        size_t area = 0;
        TDirectoryResume resume{};
        bool continuation = false;
    };
    struct TStart {
        TPlace place;
        size_t offset;  // hits before the call
    };

    int step(TPlace &place, std::vector<TDirectoryHit> &into)
    {
        TDirectoryCondition &c = conditions_[place.area];
        c.Continuation = place.continuation ? 1 : 0;
        int32_t count = 0;
        const int code = DirectorySearchArea(c, page_.data(), count, place.resume, directoryReserved, goOn, names_);
        if (code == directoryFound)
            into.insert(into.end(), page_.begin(), page_.begin() + count);
        if (code == directoryFound && place.resume.AreaDone == 0 && count > 0) {
            place.continuation = true;
        } else if (code == directoryFound || code == directoryNoMore) {
            ++place.area;
            place.resume = TDirectoryResume{};
            place.continuation = false;
        }
        return code;
    }

    std::vector<TDirectoryCondition> conditions_;
    const char *names_[2];
    TPlace place_;
    std::vector<TStart> starts_;
    std::vector<TDirectoryHit> page_;
};

std::vector<uint32_t> entriesOf(const std::vector<TDirectoryHit> &hits, size_t first = 0, size_t count = SIZE_MAX)
{
    std::vector<uint32_t> entries;
    for (size_t i = first; i < hits.size() && i - first < count; ++i)
        entries.push_back(hits[i].Entry);
    return entries;
}

// A worker driven as its window drives it.
class TWorkerRun {
public:
    explicit TWorkerRun(TSearchThread &worker) : worker_(worker)
    {
        QObject::connect(&worker_, &TSearchThread::Progress, [this] {
            if (++calls == stopAt) {
                worker_.Stop();
                stoppedAt_ = timer_.nsecsElapsed();
            }
        });
    }

    void setQuery(const TQuery &q) { worker_.SetConditions(q.areas, q.names, {}); }
    // Starts a job and answers its hand-backs until it is done; the seconds from the start to the done
    // hand-back.
    double run(int mode, int request = TSearchThread::requestNew)
    {
        const auto done = mode == TSearchThread::modePageSearch ? &TSearchThread::PageSearchDone
                          : mode == TSearchThread::modeCount    ? &TSearchThread::CountDone
                                                                : &TSearchThread::OutputDone;
        QEventLoop loop;
        qint64 doneAt = 0;
        const QMetaObject::Connection c = QObject::connect(&worker_, done, &loop, [&] {
            doneAt = timer_.nsecsElapsed();
            loop.quit();
        });
        worker_.Mode = mode;
        worker_.RequestKind = request;
        timer_.start();
        worker_.StartJob();
        loop.exec();
        QObject::disconnect(c);
        if (stoppedAt_ >= 0)
            stopLatency = (doneAt - stoppedAt_) / 1e9;
        stoppedAt_ = -1;
        return doneAt / 1e9;
    }
    double page(int request) { return run(TSearchThread::modePageSearch, request); }
    std::vector<uint32_t> shown() const
    {
        std::vector<uint32_t> entries;
        for (int i = 0; i < worker_.HitCount(); ++i) {
            TDirectoryHit hit{};
            worker_.GetPageHit(i, hit);
            entries.push_back(hit.Entry);
        }
        return entries;
    }
    TSearchThread &worker() { return worker_; }

    int calls = 0;      // the progress hand-backs: library calls that returned hits
    int stopAt = -1;    // the call after which the stop button is pressed
    double stopLatency = 0;  // seconds from the stop to the hand-back of the stopped job

private:
    TSearchThread &worker_;
    QElapsedTimer timer_;
    qint64 stoppedAt_ = -1;
};

struct TResult {
    std::string what;
    size_t hits;
    double worker, plain;
    std::string failed;  // what did not agree; empty when everything did
};

std::string duration(double s)
{
    char text[32];
    if (s < 1e-3)
        std::snprintf(text, sizeof text, "%7.1f µs", s * 1e6);
    else
        std::snprintf(text, sizeof text, "%7.2f ms", s * 1e3);
    return text;
}

void printRow(const TResult &r)
{
    std::printf("| %-62s | %6zu | %s | %s | %6.1f |%s\n", r.what.c_str(), r.hits, duration(r.worker).c_str(),
                duration(r.plain).c_str(), r.worker / r.plain,
                r.failed.empty() ? "" : (" CHECK FAILED: " + r.failed).c_str());
    std::fflush(stdout);
}

bool noEntryTwice(const std::vector<uint32_t> &entries)
{
    return std::set<uint32_t>(entries.begin(), entries.end()).size() == entries.size();
}

// Prints a row and keeps it for the verdict.
void add(std::vector<TResult> &results, TResult r)
{
    printRow(r);
    results.push_back(std::move(r));
}

// The rows of one query: pages, paging, stop and resumption, count.
void measureQuery(TWorkerRun &w, const TQuery &q, std::vector<TResult> &results)
{
    TPlainSearch all(q);
    all.fetch(SIZE_MAX);
    const std::vector<uint32_t> expected = entriesOf(all.hits);
    const int total = all.count();
    const size_t paged = size_t(kPagesPaged + 1) * kPageSize;
    std::printf("| **%s** | %d | | | |\n", q.label.c_str(), total);
    if (size_t(total) != expected.size() || expected.size() <= paged) {
        add(results, {"the pages", expected.size(), 1, 1, "fewer hits than paged, or pages unlike the count"});
        return;
    }

    // The first page: a new search.
    std::string failed;
    const double first = perRun([&] {
        w.setQuery(q);
        return w.page(TSearchThread::requestNew);
    });
    if (w.shown() != entriesOf(all.hits, 0, kPageSize) || !w.worker().FirstPage() || w.worker().LastPage())
        failed = "first page";
    const double plainFirst = perRun([&] { TPlainSearch(q).fetch(kPageSize); });
    add(results, {"first page", kPageSize, first, plainFirst, failed});

    // Ten pages forward, then ten back: back is shown from the kept pages.
    std::vector<uint32_t> forward, back;
    int forwardCalls = 0, backCalls = 0;
    const auto pageOnward = [&](int request, std::vector<uint32_t> &seen, int &calls) {
        seen.clear();
        const int before = w.calls;
        double elapsed = 0;
        for (int i = 0; i < kPagesPaged; ++i) {
            elapsed += w.page(request);
            const std::vector<uint32_t> page = w.shown();
            seen.insert(seen.end(), page.begin(), page.end());
        }
        calls = w.calls - before;
        return elapsed;
    };
    const double next = perRun([&] {
        w.setQuery(q);
        w.page(TSearchThread::requestNew);
        return pageOnward(TSearchThread::requestNext, forward, forwardCalls);
    });
    const double prior = perRun([&] {
        w.setQuery(q);
        w.page(TSearchThread::requestNew);
        pageOnward(TSearchThread::requestNext, forward, forwardCalls);
        return pageOnward(TSearchThread::requestPrior, back, backCalls);
    });
    std::vector<uint32_t> backExpected;
    for (int p = kPagesPaged; p >= 1; --p) {
        const std::vector<uint32_t> page = entriesOf(all.hits, size_t(p - 1) * kPageSize, kPageSize);
        backExpected.insert(backExpected.end(), page.begin(), page.end());
    }
    std::vector<uint32_t> plainForward, plainBack;
    const double plainNext = perRun([&] {
        TPlainSearch p(q);
        p.fetch(kPageSize);
        QElapsedTimer timer;
        timer.start();
        p.fetch(paged);
        const double elapsed = seconds(timer);
        plainForward = entriesOf(p.hits, kPageSize, paged - kPageSize);
        return elapsed;
    });
    const double plainPrior = perRun([&] {
        TPlainSearch p(q);
        p.fetch(paged);
        QElapsedTimer timer;
        timer.start();
        std::vector<std::vector<TDirectoryHit>> pages;
        for (int page = kPagesPaged; page >= 1; --page)
            pages.push_back(p.refetch(size_t(page - 1) * kPageSize, kPageSize));
        const double elapsed = seconds(timer);
        plainBack.clear();
        for (const auto &page : pages)
            for (const TDirectoryHit &hit : page)
                plainBack.push_back(hit.Entry);
        return elapsed;
    });
    const std::vector<uint32_t> forwardExpected = entriesOf(all.hits, kPageSize, paged - kPageSize);
    add(results, {std::to_string(kPagesPaged) + " pages forward (" + std::to_string(forwardCalls) + " calls)",
                    forward.size(), next, plainNext,
                    forward == forwardExpected && plainForward == forwardExpected ? "" : "pages forward"});
    add(results, {std::to_string(kPagesPaged) + " pages back (" + std::to_string(backCalls) + " calls)",
                    back.size(), prior, plainPrior,
                    back == backExpected && plainBack == backExpected && backCalls == 0 ? "" : "pages back"});

    // The window's stop and resumption: paged to page 2, stopped at the first call of the search for page 3
    // (the window then turns its next-page button into the resume button), resumed and paged to the last page.
    std::vector<uint32_t> seen;
    double latency = 0;
    int stoppedPage = 0;
    size_t stoppedHits = 0;
    const double resume = perRun([&] {
        w.setQuery(q);
        w.page(TSearchThread::requestNew);
        seen = w.shown();
        w.page(TSearchThread::requestNext);
        const std::vector<uint32_t> second = w.shown();
        seen.insert(seen.end(), second.begin(), second.end());
        w.stopAt = w.calls + 1;
        w.page(TSearchThread::requestNext);
        const bool stopped = w.calls >= w.stopAt && w.worker().ResultCode() == directoryStopped;
        w.stopAt = -1;
        latency = w.stopLatency;
        stoppedPage = w.worker().PageNo();
        stoppedHits = size_t(w.worker().HitCount());
        // The pages before the one stopped in; the resumed search shows that page again, whole.
        seen.resize(std::min(seen.size(), size_t(stoppedPage - 1) * kPageSize));
        double elapsed = w.page(TSearchThread::requestResume);
        for (;;) {
            const std::vector<uint32_t> page = w.shown();
            seen.insert(seen.end(), page.begin(), page.end());
            if (w.worker().ResultCode() != directoryFound || w.worker().LastPage())
                break;
            elapsed += w.page(TSearchThread::requestNext);
        }
        if (!stopped)
            seen.clear();
        return elapsed;
    });
    const double plainRest = perRun([&] {
        TPlainSearch p(q);
        p.fetch(2 * kPageSize);
        QElapsedTimer timer;
        timer.start();
        p.fetch(SIZE_MAX);
        return seconds(timer);
    });
    const bool resumeAgrees = int(seen.size()) == total && noEntryTwice(seen) && seen == expected;
    char stopWhat[128];
    std::snprintf(stopWhat, sizeof stopWhat, "stop on page %d (%zu hits shown in %.0f µs), resume to the end",
                  stoppedPage, stoppedHits, latency * 1e6);
    add(results, {stopWhat, seen.size(), resume, plainRest, resumeAgrees ? "" : "pages after the stop"});

    const double count = perRun([&] { return w.run(TSearchThread::modeCount); });
    const bool countAgrees = w.worker().ResultCode() == directoryFound && w.worker().HitCount() == total;
    const double plainCount = perRun([&] { TPlainSearch(q).count(); });
    add(results, {"count", size_t(total), count, plainCount, countAgrees ? "" : "count"});
}

using TCategoryNames = std::array<QHash<int32_t, QByteArray>, 2>;

// The names of one category table as a program without a worker reads them: the whole table at once.
QHash<int32_t, QByteArray> readCategoryNames(bool sub)
{
    TTable table;
    table.DatabaseName = CategoryFolder;
    table.TableName = sub ? QStringLiteral("OxaCats.DB") : QStringLiteral("OxaCatm.DB");
    table.Schema = sub ? OxaCatsTableSchema() : OxaCatmTableSchema();
    table.Open();
    QHash<int32_t, QByteArray> names;
    table.Scan({QStringLiteral("CatNo"), QStringLiteral("Name")}, true,
               [&](const QVariantList &row) { names.insert(row[0].toInt(), row[1].toByteArray()); });
    return names;
}

// The CSV of every hit of a query written by a plain loop: the library's pages, the entry of each hit when a
// column needs it, the same line builder, the category names read before, one buffered file.
int plainOutput(const TQuery &q, const std::vector<TItemChoice> &items, const TCategoryNames &names,
                const QString &fileName)
{
    const TCategoryNameLookup categoryName = [&](bool sub, int32_t catNo) { return names[sub].value(catNo); };
    const bool needsDetail = ChoiceNeedsDetail(items);
    QFile file(fileName);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(DirectoryCsvHeader(items) + "\r\n");
    TPlainSearch search(q);
    std::vector<TDirectoryHit> hits;
    int lines = 0;
    while (!search.done()) {
        hits.clear();
        const int code = search.next(hits);
        if (code != directoryFound && code != directoryNoMore)
            break;
        for (const TDirectoryHit &hit : hits) {
            TDirectoryDetail detail{};
            const bool fromDetail = needsDetail && FetchDirectoryDetail(hit, q.areas.front(), detail) == 0;
            file.write(DirectoryCsvLine(items, hit, fromDetail ? &detail : nullptr, categoryName) + "\r\n");
            ++lines;
        }
    }
    return lines;
}

QByteArray readAll(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TResult measureOutput(TWorkerRun &w, const TQuery &q, const std::vector<TItemChoice> &items,
                      const TCategoryNames &names, const QString &folder, std::string what)
{
    const QString ours = folder + "/worker.csv", plain = folder + "/plain.csv";
    const double worker = perRun([&] {
        w.setQuery(q);
        w.worker().SetOutput(false, ours, true);
        w.worker().SetOutputItems(items);
        const double elapsed = w.run(TSearchThread::modeFileOutput);
        w.worker().CloseOutput();
        return elapsed;
    });
    const int written = w.worker().LinesWritten();
    const bool succeeded = w.worker().ResultCode() == directoryFound;
    int plainLines = 0;
    const double plainTime = perRun([&] { plainLines = plainOutput(q, items, names, plain); });
    const bool agrees = succeeded && written == plainLines && readAll(ours) == readAll(plain);
    return {std::move(what), size_t(written), worker, plainTime, agrees ? "" : "CSV files"};
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    SetMessageBoxHandler([](const TMessageBoxRequest &r) {
        std::fprintf(stderr, "%s\n", qPrintable(r.text));
        return DefaultButtonOf(r.flags);
    });
    const uint32_t listings = argc > 1 ? uint32_t(std::atol(argv[1])) : 5'000'000;
    if (!ensureLargeSet(LargeDirectoryFolder, listings)) {
        std::fprintf(stderr, "the large sample directory could not be made\n");
        return 1;
    }
    AppFolder = QStringLiteral(VELMORA_APP_DIR);
    // The category tables are opened read-write; the program folder's own stay untouched.
    QTemporaryDir data;
    CategoryFolder = CopyOfFolder(AppFolder + "Category", data.path() + "/Category");
    Session().AddPassword(TablePassword);
    if (LoadDirectoryDll(AppFolder) != 0 || LoadHyphenDll(AppFolder, AppFolder + "Dic/") != 0)
        return 1;

    // The queries: the whole country by a name users look a business up by; 大阪府 by the commonest pair of
    // characters of its own listings' names; the district with the most listings without a name (a town
    // narrows enough for the windows to ask none, and no name of its own listings has the eleven pages paged
    // here); and every district of that district's municipality, each an area of its own as the window builds
    // them for a list of towns, by the municipality's commonest pair: a few hits per area, so that one page
    // takes many calls. The CSV output: 大阪府's fax numbers, which a prefecture may write without a name.
    const TDirectoryFile file(LargeDirectoryFolder);
    uint32_t townStart = 0, townSize = 0, prefectureStart = 0, prefectureSize = 0, cityStart = 0, citySize = 0;
    const std::string town = largestTown(file, townStart, townSize);
    const std::string city = town.substr(0, 5);
    if (!file.area("27", prefectureStart, prefectureSize) || !file.area(city, cityStart, citySize))
        return 1;
    const std::string prefectureName = townNames(file, prefectureStart, prefectureSize)[kFuzzy];
    const std::string cityName = townNames(file, cityStart, citySize)[kFuzzy];
    std::vector<std::string> districts;
    for (uint32_t id = cityStart; id < cityStart + citySize; ++id) {
        const std::string district(file.town(file.listing(id).Town)->District, 8);
        if (districts.empty() || districts.back() != district)
            districts.push_back(district);
    }
    const std::string cityLabel = utf8(ListingTexts(file, cityStart).city);
    const auto fuzzy = [](const std::string &name) { return ", fuzzy \"" + utf8(name) + "\""; };
    const TQuery queries[] = {
        makeQuery("whole country, prefix \"東洋建\"", {""}, kPrefix, sjis("東洋建")),
        makeQuery("prefecture 27" + fuzzy(prefectureName), {"27"}, kFuzzy, prefectureName),
        makeQuery("town " + town + ", no name", {town}, kFuzzy, ""),
        makeQuery(std::to_string(districts.size()) + " towns of " + cityLabel + fuzzy(cityName), districts, kFuzzy,
                  cityName),
    };

    std::printf("%u listings, page size %u\n\n", file.listingCount(), kPageSize);
    std::printf("| work | hits | worker | plain loop | worker / plain |\n|---|---:|---:|---:|---:|\n");
    std::vector<TResult> results;
    TSearchThread worker;
    TWorkerRun run(worker);
    for (const TQuery &q : queries)
        measureQuery(run, q, results);

    // The CSV: the columns of the hit alone, then all 18 (the entry of every hit); the plain loop reads the
    // category names once, before.
    QElapsedTimer timer;
    timer.start();
    const TCategoryNames names{readCategoryNames(false), readCategoryNames(true)};
    const double namesTime = seconds(timer);
    QTemporaryDir folder;
    std::vector<TItemChoice> hitColumns = DefaultItemChoice(SearchItemCount);
    for (TItemChoice &item : hitColumns)
        item.Chosen = !SearchItemTable()[item.TableRow].NeedsDetail;
    const std::vector<TItemChoice> allColumns = DefaultItemChoice(SearchItemCount);
    const TQuery csv = makeQuery("prefecture 27, FAX only, no name", {"27"}, kFuzzy, "", 2);
    TQuery csvLargePages = csv;
    for (TDirectoryCondition &c : csvLargePages.areas)
        c.PageSize = 200;
    std::printf("| **CSV output, %s** | | | | |\n", csv.label.c_str());
    add(results, measureOutput(run, csv, hitColumns, names, folder.path(), "8 columns of the hit"));
    add(results, measureOutput(run, csvLargePages, hitColumns, names, folder.path(), "same, page size 200"));
    {
        TSearchCategoryThread categoryWorker;
        TWorkerRun categoryRun(categoryWorker);
        add(results,
            measureOutput(categoryRun, csv, hitColumns, names, folder.path(), "same, the category search's worker"));
    }
    add(results, measureOutput(run, csv, allColumns, names, folder.path(), "all 18 columns (the entry of every hit)"));
    std::printf("\nopening and reading both category tables: %.1f ms\n", namesTime * 1e3);

    FreeHyphenDll();
    FreeDirectoryDll();
    const bool ok = std::all_of(results.begin(), results.end(), [](const TResult &r) { return r.failed.empty(); });
    return ok ? 0 : 1;
}
