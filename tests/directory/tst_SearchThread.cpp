// The directory search worker against the real Kvdir17.so and the small sample directory: paging, kept pages,
// stop and resume, counts and the CSV output. Areas are chosen by asking the library for counts. What the real
// library never does (hits from a stopped call, an endless empty answer) and failing outputs are played by a
// scripted fake library.
#include "directory/SearchThread.h"

#include "base/SjisCodec.h"
#include "core/Globals.h"
#include "core/Hyphen.h"
#include "db/Session.h"
#include "db/TableSchemas.h"
#include "directory/DirectoryDll.h"
#include "geo/DicLibraries.h"

#include "TestSupport.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <functional>
#include <optional>

#include <sys/resource.h>
#include <sys/stat.h>

namespace {

const char *const noNames[2] = {"", ""};

TDirectoryCondition makeCondition(const QByteArray &area, uint32_t kinds, uint32_t pageSize)
{
    TDirectoryCondition c{};
    PutText(c.AreaCode, area);
    c.One1 = 1;
    c.Kinds = kinds;
    c.One2 = 1;
    c.PageSize = pageSize;
    PutText(c.DataFolder, QByteArray(VELMORA_SAMPLE_DT00));
    PutText(c.DicFolder, QFile::encodeName(test::appDir() + "Dic/"));
    return c;
}

int libraryCount(TDirectoryCondition c)
{
    int32_t count = 0;
    const int code = DirectorySearchAreaCount(c, count, directoryReserved, nullptr, noNames);
    EXPECT_TRUE(code == directoryFound || code == directoryNoMore) << code;
    return count;
}

// The entries of every hit of an area, straight from the library: what the pages must add up to.
std::vector<uint32_t> libraryEntries(TDirectoryCondition c)
{
    c.PageSize = 200;
    std::vector<TDirectoryHit> page(200);
    TDirectoryResume resume{};
    resume.Started = resume.AreaDone = -1;
    std::vector<uint32_t> entries;
    for (;;) {
        int32_t count = 0;
        if (DirectorySearchArea(c, page.data(), count, resume, directoryReserved, nullptr, noNames) != directoryFound)
            break;
        for (int i = 0; i < count; ++i)
            entries.push_back(page[size_t(i)].Entry);
        if (resume.AreaDone != 0)
            break;
        c.Continuation = 1;
    }
    return entries;
}

// The wards of the sample's cities, by every single kind and by all kinds together.
std::vector<TDirectoryCondition> candidates(uint32_t pageSize)
{
    std::vector<TDirectoryCondition> out;
    for (const auto &[first, last] : {std::pair{13101, 13123}, {14101, 14118}, {27102, 27128}})
        for (int code = first; code <= last; ++code)
            for (uint32_t kinds : {15u, 1u, 2u, 4u, 8u})
                out.push_back(makeCondition(QByteArray::number(code), kinds, pageSize));
    return out;
}

// Areas whose hit counts meet the predicates in turn, each a different area.
std::vector<TDirectoryCondition> findAreas(uint32_t pageSize, const std::vector<std::function<bool(int)>> &wanted)
{
    std::vector<TDirectoryCondition> found;
    QList<QByteArray> used;
    for (const auto &fits : wanted) {
        for (const TDirectoryCondition &c : candidates(pageSize)) {
            const QByteArray area = FieldText(c.AreaCode);
            if (!used.contains(area) && fits(libraryCount(c))) {
                found.push_back(c);
                used.push_back(area);
                break;
            }
        }
    }
    EXPECT_EQ(found.size(), wanted.size()) << "the sample lacks areas of the counts asked for";
    return found;
}

class SearchThreadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        AppFolder = libraryFolder();
        CategoryFolder = test::appDir() + "Category/";
        Session().AddPassword(TablePassword);
        ASSERT_EQ(LoadDirectoryDll(AppFolder), 0);  // the test's own calls
        ASSERT_EQ(LoadHyphenDll(test::appDir(), test::appDir() + "Dic/"), 0);
        useWorker(std::make_unique<TSearchThread>());
    }
    // The folder of the directory library that the test and the worker load.
    virtual QString libraryFolder() const { return test::appDir(); }
    // The worker, stopped by the progress hand-back numbered stopAtProgress.
    void useWorker(std::unique_ptr<TSearchThread> w)
    {
        worker = std::move(w);
        QObject::connect(worker.get(), &TSearchThread::Progress, [this] {
            if (++progress == stopAtProgress)
                worker->Stop();
        });
    }
    void TearDown() override
    {
        worker.reset();
        FreeHyphenDll();
        FreeDirectoryDll();
        Session().RemovePassword(TablePassword);
    }

    // Runs one job and waits for its hand-back.
    void run(int mode, void (TSearchThread::*done)(), int request = TSearchThread::requestNew)
    {
        QSignalSpy spy(worker.get(), done);
        worker->Mode = mode;
        worker->RequestKind = request;
        worker->StartJob();
        ASSERT_TRUE(spy.wait(60000));
    }
    void page(int request) { run(TSearchThread::modePageSearch, &TSearchThread::PageSearchDone, request); }

    std::vector<uint32_t> shownEntries() const
    {
        std::vector<uint32_t> entries;
        for (int i = 0; i < worker->HitCount(); ++i) {
            TDirectoryHit hit{};
            worker->GetPageHit(i, hit);
            entries.push_back(hit.Entry);
        }
        return entries;
    }

    void output(const std::vector<TDirectoryCondition> &areas, const std::vector<TItemChoice> &items,
                const QString &file, bool append)
    {
        worker->SetConditions(areas, {}, {});
        worker->SetOutput(append, file, !append);
        worker->SetOutputItems(items);
        run(TSearchThread::modeFileOutput, &TSearchThread::OutputDone);
        worker->CloseOutput();
    }

    std::unique_ptr<TSearchThread> worker;
    int progress = 0;
    int stopAtProgress = -1;
};

std::vector<uint32_t> joined(std::vector<uint32_t> a, const std::vector<uint32_t> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

TEST_F(SearchThreadTest, AnAreaOfExactlyOnePageHasNoNextPage)
{
    const auto areas = findAreas(20, {[](int n) { return n >= 5 && n <= 200; }});
    ASSERT_EQ(areas.size(), 1u);
    TDirectoryCondition area = areas[0];
    area.PageSize = uint32_t(libraryCount(area));
    worker->SetConditions({area}, {}, {});
    page(TSearchThread::requestNew);
    EXPECT_EQ(worker->ResultCode(), 0);
    EXPECT_EQ(worker->HitCount(), int(area.PageSize));
    EXPECT_EQ(shownEntries(), libraryEntries(area));
    EXPECT_TRUE(worker->FirstPage());
    EXPECT_TRUE(worker->LastPage());
}

TEST_F(SearchThreadTest, PagesRunOnAcrossAreasAndPagingBackCallsNothing)
{
    const auto areas = findAreas(20, {[](int n) { return n >= 2 && n < 100; }, [](int n) { return n >= 2 && n < 100; }});
    ASSERT_EQ(areas.size(), 2u);
    const auto first = libraryEntries(areas[0]), second = libraryEntries(areas[1]);
    // A page larger than either area and smaller than both: page 1 ends inside the second area.
    const uint32_t pageSize = uint32_t(std::max(first.size(), second.size()) + 1);
    std::vector<TDirectoryCondition> conditions = areas;
    for (TDirectoryCondition &c : conditions)
        c.PageSize = pageSize;
    const auto all = joined(first, second);

    worker->SetConditions(conditions, {}, {});
    page(TSearchThread::requestNew);
    ASSERT_EQ(worker->ResultCode(), 0);
    EXPECT_EQ(shownEntries(), std::vector<uint32_t>(all.begin(), all.begin() + pageSize));
    EXPECT_FALSE(worker->LastPage());
    page(TSearchThread::requestNext);
    EXPECT_EQ(shownEntries(), std::vector<uint32_t>(all.begin() + pageSize, all.end()));
    EXPECT_EQ(worker->PageNo(), 2);
    EXPECT_TRUE(worker->LastPage());

    const int calls = progress;
    page(TSearchThread::requestPrior);
    EXPECT_EQ(shownEntries(), std::vector<uint32_t>(all.begin(), all.begin() + pageSize));
    EXPECT_TRUE(worker->FirstPage());
    EXPECT_FALSE(worker->LastPage());
    page(TSearchThread::requestNext);
    EXPECT_EQ(shownEntries(), std::vector<uint32_t>(all.begin() + pageSize, all.end()));
    EXPECT_TRUE(worker->LastPage());
    EXPECT_EQ(progress, calls);
}

// Stopped while page 1 is gathered from small areas: the page shows the hits gathered so far, and the resumed
// search goes on from exactly there, so the pages add up to the whole result.
TEST_F(SearchThreadTest, AStoppedSearchResumesWithoutRepeatingAHit)
{
    const auto small = [](int n) { return n >= 2 && n <= 6; };
    const auto areas = findAreas(20, {small, small, small, [](int n) { return n > 60 && n < 400; }});
    ASSERT_EQ(areas.size(), 4u);
    std::vector<uint32_t> all;
    std::vector<size_t> ends;
    for (const TDirectoryCondition &area : areas) {
        all = joined(all, libraryEntries(area));
        ends.push_back(all.size());
    }
    for (int stopAt : {1, 3}) {
        SCOPED_TRACE(stopAt);
        progress = 0;
        stopAtProgress = stopAt;
        worker->SetConditions(areas, {}, {});
        page(TSearchThread::requestNew);
        ASSERT_EQ(worker->ResultCode(), directoryStopped);
        EXPECT_EQ(worker->PageNo(), 1);
        EXPECT_EQ(shownEntries(), std::vector<uint32_t>(all.begin(), all.begin() + ends[size_t(stopAt - 1)]));

        page(TSearchThread::requestResume);
        std::vector<uint32_t> pages;
        for (;;) {
            ASSERT_EQ(worker->ResultCode(), 0);
            pages = joined(pages, shownEntries());
            if (worker->LastPage())
                break;
            page(TSearchThread::requestNext);
        }
        EXPECT_EQ(pages, all);
    }
}

TEST_F(SearchThreadTest, ACountAddsUpTheAreasAndAnEmptyLastAreaIsNoFailure)
{
    auto areas = findAreas(20, {[](int n) { return n > 0; }, [](int n) { return n > 0; }});
    ASSERT_EQ(areas.size(), 2u);
    const int total = libraryCount(areas[0]) + libraryCount(areas[1]);
    areas.push_back(makeCondition("99999", 15, 20));
    worker->SetConditions(areas, {}, {});
    run(TSearchThread::modeCount, &TSearchThread::CountDone);
    EXPECT_EQ(worker->ResultCode(), 0);
    EXPECT_EQ(worker->HitCount(), total);

    // A failing area is no success, whatever the areas after it answer.
    TDirectoryCondition broken = areas[0];
    broken.MatchMode = 9;
    worker->SetConditions({areas[0], broken, areas[1]}, {}, {});
    run(TSearchThread::modeCount, &TSearchThread::CountDone);
    EXPECT_EQ(worker->ResultCode(), 4);
}

TEST_F(SearchThreadTest, OutputFromHitsAloneOrFromEntriesAndAppending)
{
    const auto areas = findAreas(20, {[](int n) { return n >= 5 && n <= 60; }});
    ASSERT_EQ(areas.size(), 1u);
    const int hits = libraryCount(areas[0]);
    QTemporaryDir dir;
    const QString file = dir.path() + "/out.csv";

    std::vector<TItemChoice> hitItems{{0, 0, true}, {5, 5, true}, {14, 14, true}};
    output(areas, hitItems, file, false);
    const QByteArray plain = test::readFile(file);
    ASSERT_EQ(worker->ResultCode(), 0);
    EXPECT_EQ(worker->LinesWritten(), hits);
    QList<QByteArray> lines = plain.split('\n');
    ASSERT_EQ(lines.size(), hits + 2);  // header, the lines, and nothing after the last CR LF
    EXPECT_EQ(Sjis::decode(lines[0]), QStringLiteral("電話番号,都道府県,大分類名\r"));
    EXPECT_TRUE(lines.last().isEmpty());
    // Numbers from the hits stand as listed, digits only; category names come from the worker's own tables.
    for (int i = 1; i <= hits; ++i) {
        EXPECT_FALSE(lines[i].split(',')[0].contains('-')) << lines[i].constData();
        EXPECT_FALSE(lines[i].split(',')[2].trimmed().isEmpty()) << lines[i].constData();
    }
    // The category search's worker, whose tables stay open between jobs, writes the same file twice over.
    useWorker(std::make_unique<TSearchCategoryThread>());
    for (int job = 0; job < 2; ++job) {
        output(areas, hitItems, file, false);
        EXPECT_EQ(worker->ResultCode(), 0);
        EXPECT_EQ(test::readFile(file), plain);
    }
    useWorker(std::make_unique<TSearchThread>());

    // Adding a column of the entry fetches every entry: the numbers come hyphenated.
    std::vector<TItemChoice> withPostal = hitItems;
    withPostal.push_back({3, 3, true});
    output(areas, withPostal, file, true);
    const QByteArray detailed = test::readFile(file);
    ASSERT_EQ(worker->ResultCode(), 0);
    ASSERT_TRUE(detailed.startsWith(plain));
    lines = detailed.mid(plain.size()).split('\n');
    ASSERT_EQ(lines.size(), hits + 1);  // appended without a header
    int hyphenated = 0;
    for (int i = 0; i < hits; ++i)
        hyphenated += lines[i].split(',')[0].contains('-');
    EXPECT_GT(hyphenated, 0);
}

// An output over a file the user keeps elsewhere behind a link writes where the link leads: the link stays one,
// the file it leads to takes the lines and keeps its permissions (0600), and nothing is left beside either.
TEST_F(SearchThreadTest, AnOutputOverALinkWritesWhereItLeadsAndKeepsTheFilesMode)
{
    const auto areas = findAreas(20, {[](int n) { return n >= 5 && n <= 60; }});
    ASSERT_EQ(areas.size(), 1u);
    QTemporaryDir dir;
    const QString kept = dir.path() + "/共有 鷗外/電話帳.csv", link = dir.path() + "/out.csv";
    test::writeFile(kept, "the old lines");
    ASSERT_EQ(::chmod(QFile::encodeName(kept).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(kept, link));
    output(areas, {{0, 0, true}, {5, 5, true}}, link, false);
    ASSERT_EQ(worker->ResultCode(), 0);
    EXPECT_EQ(QFileInfo(link).symLinkTarget().toStdString(), kept.toStdString());
    EXPECT_TRUE(test::readFile(kept).startsWith(Sjis::encode(QStringLiteral("電話番号,都道府県\r\n"))));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(kept).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(test::entriesBelow(dir.path()), (QStringList{"out.csv", "共有 鷗外/", "共有 鷗外/電話帳.csv"}));
}

TEST_F(SearchThreadTest, AnOutputThatCannotBeWrittenEndsWithAnError)
{
    const auto areas = findAreas(20, {[](int n) { return n >= 1; }});
    ASSERT_EQ(areas.size(), 1u);
    output(areas, DefaultItemChoice(SearchItemCount), "/nonexistent-folder/out.csv", false);
    EXPECT_EQ(worker->ResultCode(), TSearchThread::outputOpenFailed);
    output(areas, DefaultItemChoice(SearchItemCount), "/dev/full", true);
    EXPECT_EQ(worker->ResultCode(), TSearchThread::outputWriteFailed);
    EXPECT_EQ(worker->LinesWritten(), 0);
}

TEST_F(SearchThreadTest, AWorkerClosedDuringItsJobStopsWithoutHandingBack)
{
    QTemporaryDir dir;
    worker->SetConditions({makeCondition("27", 15, 200)}, {}, {});
    worker->SetOutput(false, dir.path() + "/all.csv", true);
    worker->SetOutputItems(DefaultItemChoice(SearchItemCount));
    worker->Mode = TSearchThread::modeFileOutput;
    QSignalSpy done(worker.get(), &TSearchThread::OutputDone);
    worker->StartJob();
    QThread::msleep(50);
    worker.reset();
    EXPECT_EQ(done.count(), 0);
    // No one asked for part of the output: nothing is left of it.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

namespace {

// One area of the scripted library (tests/directory/FakeKvdir17.cpp): hits entries, per of them a call,
// per 0 an area that answers 0 with no hits and no end.
struct TScriptedArea {
    int id, hits, per;
};

constexpr uint32_t scriptedPageSize = 5;

// The process's file size limit while the object lives; a write beyond it fails (EFBIG) instead of raising a
// signal.
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t bytes) : handler_(std::signal(SIGXFSZ, SIG_IGN))
    {
        getrlimit(RLIMIT_FSIZE, &before_);
        rlimit limit = before_;
        limit.rlim_cur = bytes;
        EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    }
    ~TFileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &before_);
        std::signal(SIGXFSZ, handler_);
    }

private:
    rlimit before_{};
    void (*handler_)(int);
};

// The worker against the scripted library: stopped calls that still return hits, areas that answer with
// nothing, and outputs that fail.
class ScriptedSearchTest : public SearchThreadTest {
protected:
    QString libraryFolder() const override { return QStringLiteral(SCRIPTED_KVDIR17_DIR); }
    void SetUp() override
    {
        SearchThreadTest::SetUp();
        ASSERT_EQ(libraryCount(conditions({{1, 7, 3}})[0]), 7) << "not the scripted library";
    }

    static std::vector<TDirectoryCondition> conditions(const std::vector<TScriptedArea> &areas)
    {
        std::vector<TDirectoryCondition> out;
        for (const TScriptedArea &a : areas)
            out.push_back(makeCondition(QByteArray::number(a.id) + ',' + QByteArray::number(a.hits) + ',' +
                                            QByteArray::number(a.per),
                                        15, scriptedPageSize));
        return out;
    }
    static std::vector<uint32_t> entries(const std::vector<TScriptedArea> &areas)
    {
        std::vector<uint32_t> out;
        for (const TScriptedArea &a : areas)
            for (int n = 0; a.per > 0 && n < a.hits; ++n)
                out.push_back(uint32_t(a.id * 1000 + n));
        return out;
    }

    const std::vector<TItemChoice> telOnly{{0, 0, true}};
};

}  // namespace

// A stop lands in each call in turn, among them calls made after the page asked for was complete, and the
// stopped call still returns its hits: the page shown is the page asked for, from its first hit, and paging on
// after the resume gives every hit exactly once.
TEST_F(ScriptedSearchTest, AStopInACallThatReturnsHitsShowsThePageAskedForAndRepeatsNoHit)
{
    // The first area fills a whole page with each call, the others leave hits carried from call to call.
    const std::vector<TScriptedArea> script{{1, 10, 5}, {2, 7, 3}, {3, 9, 4}};
    const auto all = entries(script);
    for (int stopAt = 1; stopAt <= 8; ++stopAt) {
        SCOPED_TRACE(stopAt);
        progress = 0;
        stopAtProgress = stopAt;
        worker->SetConditions(conditions(script), {}, {});
        page(TSearchThread::requestNew);
        int asked = 1;
        std::vector<uint32_t> pages;
        for (int jobs = 0; jobs < 20; ++jobs) {
            ASSERT_EQ(worker->PageNo(), asked);
            if (worker->ResultCode() == directoryStopped) {
                const auto shown = shownEntries();
                const size_t from = size_t(asked - 1) * scriptedPageSize;
                ASSERT_LE(from + shown.size(), all.size());
                EXPECT_EQ(shown, std::vector<uint32_t>(all.begin() + from, all.begin() + from + shown.size()));
                page(TSearchThread::requestResume);
                continue;
            }
            ASSERT_EQ(worker->ResultCode(), 0);
            pages = joined(pages, shownEntries());
            if (worker->LastPage())
                break;
            page(TSearchThread::requestNext);
            ++asked;
        }
        EXPECT_EQ(pages, all);
    }
}

// An area answering 0 with no hits and no end is passed over instead of being asked forever.
TEST_F(ScriptedSearchTest, AnAreaAnsweringFoundWithoutHitsIsPassedOver)
{
    worker->SetConditions(conditions({{1, 0, 0}}), {}, {});
    page(TSearchThread::requestNew);
    EXPECT_EQ(worker->ResultCode(), 0);
    EXPECT_EQ(worker->HitCount(), 0);
    EXPECT_TRUE(worker->LastPage());

    const std::vector<TScriptedArea> script{{1, 0, 0}, {2, 3, 3}};
    worker->SetConditions(conditions(script), {}, {});
    page(TSearchThread::requestNew);
    EXPECT_EQ(worker->ResultCode(), 0);
    EXPECT_EQ(shownEntries(), entries(script));
    EXPECT_TRUE(worker->LastPage());

    QTemporaryDir dir;
    output(conditions(script), telOnly, dir.path() + "/out.csv", false);
    EXPECT_EQ(worker->ResultCode(), 0);
    EXPECT_EQ(worker->LinesWritten(), 3);
}

// Category tables that cannot be read end an output with their own code, in both workers.
TEST_F(ScriptedSearchTest, UnreadableCategoryTablesEndAnOutputWithTheirCode)
{
    QTemporaryDir dir;
    for (const char *table : {"/OxaCatm.DB", "/OxaCats.DB"}) {
        QFile damaged(dir.path() + table);
        ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
        damaged.write(QByteArray(8192, 'x'));
    }
    CategoryFolder = dir.path() + "/";
    const std::vector<TItemChoice> withCategories{{0, 0, true}, {14, 14, true}, {16, 16, true}};
    for (bool categoryWorker : {false, true}) {
        SCOPED_TRACE(categoryWorker);
        useWorker(categoryWorker ? std::make_unique<TSearchCategoryThread>() : std::make_unique<TSearchThread>());
        output(conditions({{1, 7, 3}}), withCategories, dir.path() + "/out.csv", false);
        EXPECT_EQ(worker->ResultCode(), TSearchThread::outputCategoryFailed);
        EXPECT_EQ(worker->LinesWritten(), 0);
    }
}

// A file that stops taking bytes in the middle of the output (here at the process's file size limit) is as it was
// before the output, overwritten or appended to: lines a failed output added would be added again by its retry.
TEST_F(ScriptedSearchTest, AnOutputFailingMidwayLeavesTheFileAsItWas)
{
    const auto areas = conditions({{1, 10, 5}, {2, 7, 3}});
    QTemporaryDir dir;
    const QString file = dir.path() + "/out.csv";
    output(areas, telOnly, file, false);
    const QByteArray whole = test::readFile(file);
    ASSERT_EQ(worker->ResultCode(), 0);
    ASSERT_EQ(worker->LinesWritten(), 17);
    const QByteArray lines = whole.mid(whole.indexOf('\n') + 1);  // appended without the header
    for (const bool append : {false, true}) {
        {
            // Room for the first batches of the lines, not the last.
            const TFileSizeLimit limit(rlim_t((append ? whole.size() : 0) + lines.size() - 3));
            output(areas, telOnly, file, append);
        }
        EXPECT_EQ(worker->ResultCode(), TSearchThread::outputWriteFailed) << append;
        EXPECT_EQ(worker->OutputError(), EFBIG);
        EXPECT_EQ(test::readFile(file), whole) << append;
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.csv"});
    }
}
