#include "directory/SearchThread.h"

#include "base/FileReplace.h"
#include "core/Globals.h"
#include "db/Table.h"
#include "db/TableSchemas.h"
#include "directory/DirectoryCsv.h"
#include "directory/DirectoryDll.h"
#include "platform/EndReport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QHash>
#include <QMutexLocker>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace {

// The library calls the abort callback on the thread that called it, so each worker points its own thread at
// its own stop flag and the two searches never stop each other.
thread_local const std::atomic<bool> *threadStopFlag = nullptr;

int32_t abortCallback(int32_t, int32_t)
{
    return threadStopFlag && threadStopFlag->load(std::memory_order_relaxed) ? 0 : -1;
}

// The context of the first call of a search; moving on to another area zero-fills it instead.
TDirectoryResume firstResume()
{
    TDirectoryResume resume{};
    resume.Started = -1;
    resume.AreaDone = -1;
    return resume;
}

}  // namespace

// The category names of the output lines, read through table objects of the worker's own, created, opened and
// closed on the worker thread: the data module's tables belong to the main thread. A table is opened when a
// job first needs it (opening an encrypted table costs milliseconds), and names are remembered for the job,
// since every line asks for two.
class TSearchThread::TCategoryNames {
public:
    TCategoryNames(const QString &folder, bool keepOpen) : keepOpen_(keepOpen)
    {
        main_.DatabaseName = sub_.DatabaseName = folder;
        main_.TableName = QStringLiteral("OxaCatm.DB");
        sub_.TableName = QStringLiteral("OxaCats.DB");
        main_.Schema = OxaCatmTableSchema();
        sub_.Schema = OxaCatsTableSchema();
    }

    void BeginJob()
    {
        names_[0].clear();
        names_[1].clear();
    }

    // Raises EDatabaseError when a table cannot be read.
    QByteArray Name(bool sub, int32_t catNo)
    {
        QHash<int32_t, QByteArray> &known = names_[sub ? 1 : 0];
        const auto it = known.constFind(catNo);
        if (it != known.constEnd())
            return *it;
        TTable &table = sub ? sub_ : main_;
        table.Open();
        const QByteArray name =
            table.FindKey({catNo}) ? table.FieldByName(QStringLiteral("Name")).AsString() : QByteArray();
        known.insert(catNo, name);
        return name;
    }

    void EndJob()
    {
        if (!keepOpen_) {
            main_.Close();
            sub_.Close();
        }
    }

private:
    const bool keepOpen_;
    TTable main_, sub_;
    QHash<int32_t, QByteArray> names_[2];
};

TSearchThread::TSearchThread(QObject *parent) : TSearchThread(false, parent) {}

TSearchThread::TSearchThread(bool keepCategoryTablesOpen, QObject *parent)
    : QThread(parent), keepCategoryTablesOpen_(keepCategoryTablesOpen), categoryFolder_(CategoryFolder)
{
    LoadDirectoryDll(AppFolder);
    keptPages_.reserve(100);
}

TSearchThread::~TSearchThread()
{
    terminating_ = true;
    abandon_ = true;
    stop_ = true;
    {
        QMutexLocker lock(&mutex_);
        terminate_ = true;
        wake_.wakeAll();
    }
    // A hand-back the worker is waiting in is answered here (without reaching the handlers, whose window is
    // going), so the worker can finish.
    while (!wait(QDeadlineTimer(20)))
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    CloseOutput();
    FreeDirectoryDll();
}

void TSearchThread::SetConditions(const std::vector<TDirectoryCondition> &conditions, const QByteArray &nameList,
                                  const QByteArray &exclusionList)
{
    conditions_ = conditions;
    nameList_ = nameList;
    exclusionList_ = exclusionList;
    names_[0] = nameList_.constData();
    names_[1] = exclusionList_.constData();
}

void TSearchThread::SetOutput(bool append, const QString &fileName, bool headerPending)
{
    append_ = append;
    outputFileName_ = fileName;
    headerPending_ = headerPending;
}

void TSearchThread::SetOutputItems(const std::vector<TItemChoice> &items) { outputItems_ = items; }

void TSearchThread::StartJob()
{
    hitCount_ = 0;
    abandon_ = false;
    stop_ = false;
    if (Mode == modeFileOutput) {
        linesWritten_ = 0;
        CloseOutput();
        // A file overwritten keeps its lines until the new ones are all written: they go to a file beside it. A
        // file that cannot be written is not replaced either.
        const QFileInfo destination(outputFileName_);
        const int refused = destination.isDir() ? EISDIR : destination.exists() ? WriteAccessError(outputFileName_) : 0;
        bool ready = refused == 0;
        errno = 0;
        if (append_) {
            output_.setFileName(outputFileName_);
        } else if (ready) {
            staged_.emplace(outputFileName_);
            ready = staged_->Open();
            output_.setFileName(staged_->FileName());
        }
        // Unbuffered, so a failed write is seen at the batch that failed and the file can be cut back to
        // its last whole line.
        const QIODevice::OpenMode how = QIODevice::WriteOnly | QIODevice::Unbuffered |
                                        (append_ ? QIODevice::Append : QIODevice::Truncate);
        outputOpen_ = ready && output_.open(how);
        outputError_ = outputOpen_ ? 0 : refused != 0 ? refused : errno != 0 ? errno : EIO;
        outputStart_ = outputEnd_ = outputOpen_ ? output_.size() : 0;
    }
    QMutexLocker lock(&mutex_);
    startFlag_ = true;
    wake_.wakeOne();
    lock.unlock();
    if (!isRunning())
        start();
}

void TSearchThread::Stop() { stop_ = true; }

void TSearchThread::Abandon()
{
    abandon_ = true;
    stop_ = true;
}

void TSearchThread::GetPageHit(int index, TDirectoryHit &hit) const
{
    if (index >= 0 && index < hitCount_ && static_cast<size_t>(index) < page_.size())
        hit = page_[static_cast<size_t>(index)];
}

void TSearchThread::CloseOutput()
{
    if (outputOpen_) {
        output_.close();
        outputOpen_ = false;
    }
    staged_.reset();
}

void TSearchThread::run()
{
    InstallThreadEndReports();
    threadStopFlag = &stop_;
    TCategoryNames categories(categoryFolder_, keepCategoryTablesOpen_);
    for (;;) {
        {
            QMutexLocker lock(&mutex_);
            while (!startFlag_ && !terminate_)
                wake_.wait(&mutex_);
            if (terminate_)
                break;
            startFlag_ = false;
        }
        switch (Mode) {
        case modePageSearch:
            pageSearch();
            break;
        case modeFileOutput:
            fileOutput(categories);
            break;
        case modeCount:
            countHits();
            break;
        default:
            break;
        }
    }
    threadStopFlag = nullptr;
}

void TSearchThread::handBack(void (TSearchThread::*signal)())
{
    QMetaObject::invokeMethod(
        this,
        [this, signal] {
            if (!terminating_)
                (this->*signal)();
        },
        Qt::BlockingQueuedConnection);
}

int TSearchThread::searchArea(int32_t &count)
{
    TDirectoryCondition &condition = conditions_[areaIndex_];
    // The library fills as many slots as the condition asks for.
    if (page_.size() < condition.PageSize)
        page_.resize(condition.PageSize);
    int code = DirectorySearchArea(condition, page_.data(), count, resume_, directoryReserved, abortCallback, names_);
    if (stop_)
        code = directoryStopped;
    count = std::clamp<int32_t>(count, 0, static_cast<int32_t>(page_.size()));
    return code;
}

int TSearchThread::pageSizeOf() const
{
    return conditions_.empty() ? 1 : std::max<int>(1, static_cast<int>(conditions_.front().PageSize));
}

void TSearchThread::nextArea()
{
    ++areaIndex_;
    resume_ = TDirectoryResume{};
}

// After a call that returned hits: the next area when this one is done, else go on from the resume context.
// An area that answers with nothing and no end would be asked forever, so it counts as done.
void TSearchThread::continueAfter(int count)
{
    if (resume_.AreaDone != 0 || count == 0)
        nextArea();
    else
        conditions_[areaIndex_].Continuation = 1;
}

// ---- page search ----

void TSearchThread::pageSearch()
{
    const int pageSize = pageSizeOf();
    page_.resize(static_cast<size_t>(pageSize));
    switch (RequestKind) {
    case requestNew:
        pageNo_ = 1;
        firstPage_ = lastPage_ = true;
        areaIndex_ = 0;
        for (TDirectoryCondition &c : conditions_)
            c.Continuation = 0;
        resume_ = firstResume();
        carry_.clear();
        keptPages_.clear();
        break;
    case requestNext:
        ++pageNo_;
        break;
    case requestPrior:
        pageNo_ = std::max(1, pageNo_ - 1);
        break;
    default:  // resume a stopped search: the page asked for stays
        break;
    }

    // A page kept before is shown without asking the library.
    const size_t wanted = static_cast<size_t>(pageNo_);
    resultCode_ = directoryFound;
    if (keptPages_.size() < wanted) {
        resultCode_ = directoryNoMore;
        fetchPages(pageSize);
        if (resultCode_ == directoryNoMore && keptPages_.size() >= wanted)
            resultCode_ = directoryFound;
    }
    if (resultCode_ == directoryFound)
        showKeptPage(pageSize);
    handBack(&TSearchThread::PageSearchDone);
}

// Fetches until the page asked for is kept and it is known whether another one follows: one more hit has been
// fetched beyond it, or every area is exhausted.
void TSearchThread::fetchPages(int pageSize)
{
    const size_t wanted = static_cast<size_t>(pageNo_);
    while (areaIndex_ < conditions_.size()) {
        if (keptPages_.size() > wanted || (keptPages_.size() == wanted && !carry_.empty()))
            return;
        const size_t areaBefore = areaIndex_;
        const TDirectoryResume resumeBefore = resume_;
        int32_t count = 0;
        resultCode_ = searchArea(count);
        if (resultCode_ == directoryFound) {
            keepHits(page_.data(), count, pageSize);
            handBack(&TSearchThread::Progress);
            continueAfter(count);
        } else if (resultCode_ == directoryNoMore) {
            nextArea();
        } else {
            // A stopped or failed call moves nothing: the search goes on from where the kept pages and the
            // carried hits end, so a resumed search fetches each hit once.
            areaIndex_ = areaBefore;
            resume_ = resumeBefore;
            if (resultCode_ == directoryStopped)
                showStoppedPage(count, pageSize);
            return;
        }
    }
    if (!carry_.empty()) {
        keptPages_.push_back(carry_);
        carry_.clear();
    }
}

// Adds hits to the carried ones and keeps every full page.
void TSearchThread::keepHits(const TDirectoryHit *hits, int count, int pageSize)
{
    carry_.insert(carry_.end(), hits, hits + count);
    while (carry_.size() >= static_cast<size_t>(pageSize)) {
        keptPages_.emplace_back(carry_.begin(), carry_.begin() + pageSize);
        carry_.erase(carry_.begin(), carry_.begin() + pageSize);
    }
}

// The page shown after a stop: the page asked for when it was completed before the stop, else the hits
// gathered for the page being filled followed by those of the stopped call. The stopped call's hits are not
// carried: the resumed search fetches them again.
void TSearchThread::showStoppedPage(int count, int pageSize)
{
    if (keptPages_.size() >= static_cast<size_t>(pageNo_)) {
        showKeptPage(pageSize);
    } else {
        std::vector<TDirectoryHit> shown = carry_;
        shown.insert(shown.end(), page_.begin(), page_.begin() + count);
        shown.resize(std::min(shown.size(), static_cast<size_t>(pageSize)));
        pageNo_ = static_cast<int>(keptPages_.size()) + 1;
        page_.assign(static_cast<size_t>(pageSize), TDirectoryHit{});
        std::copy(shown.begin(), shown.end(), page_.begin());
        hitCount_ = static_cast<int>(shown.size());
    }
    firstPage_ = pageNo_ == 1;
}

// Shows the kept page asked for, or an empty page when the library found nothing for it.
void TSearchThread::showKeptPage(int pageSize)
{
    const size_t index = static_cast<size_t>(pageNo_ - 1);
    page_.assign(static_cast<size_t>(pageSize), TDirectoryHit{});
    hitCount_ = 0;
    if (index < keptPages_.size()) {
        std::copy(keptPages_[index].begin(), keptPages_[index].end(), page_.begin());
        hitCount_ = static_cast<int>(keptPages_[index].size());
    }
    firstPage_ = pageNo_ == 1;
    lastPage_ = areaIndex_ >= conditions_.size() && keptPages_.size() <= static_cast<size_t>(pageNo_);
}

// ---- file output ----

void TSearchThread::fileOutput(TCategoryNames &categories)
{
    if (!outputOpen_) {
        resultCode_ = outputOpenFailed;
        endOutput();
        handBack(&TSearchThread::OutputDone);
        return;
    }
    const int pageSize = pageSizeOf();
    areaIndex_ = 0;
    for (TDirectoryCondition &c : conditions_)
        c.Continuation = 0;
    page_.assign(static_cast<size_t>(pageSize), TDirectoryHit{});
    resume_ = firstResume();
    categories.BeginJob();
    resultCode_ = directoryNoMore;
    try {
        while (areaIndex_ < conditions_.size()) {
            int32_t count = 0;
            resultCode_ = searchArea(count);
            hitCount_ += count;
            if (resultCode_ == directoryFound) {
                handBack(&TSearchThread::Progress);
                if (!writeHits(count, categories)) {
                    resultCode_ = outputWriteFailed;
                    break;
                }
                continueAfter(count);
            } else if (resultCode_ == directoryNoMore) {
                nextArea();
            } else {
                if (resultCode_ == directoryStopped && !writeHits(count, categories))
                    resultCode_ = outputWriteFailed;
                break;
            }
        }
    } catch (const EDatabaseError &) {
        resultCode_ = outputCategoryFailed;
    }
    categories.EndJob();
    if (resultCode_ == directoryNoMore && hitCount_ > 0)
        resultCode_ = directoryFound;
    endOutput();
    handBack(&TSearchThread::OutputDone);
}

// The file written beside the one overwritten takes its place when the output has ended, stopped by 中止
// included, as the lines written so far did when they went straight to it. An output that failed or was cut
// short by Abandon is taken back whole, appended to as overwritten: the file beside goes, and a file appended to
// loses the lines added, since a retry would add them again (should the file refuse to be cut, it keeps whole
// lines: batches are written whole).
void TSearchThread::endOutput()
{
    const bool ended = resultCode_ == directoryFound || resultCode_ == directoryNoMore || resultCode_ == directoryStopped;
    const bool dropped = !ended || (abandon_ && resultCode_ == directoryStopped);
    if (dropped) {
        if (outputOpen_ && !staged_)
            output_.resize(outputStart_);
        linesWritten_ = 0;
    }
    if (!staged_)
        return;
    if (outputOpen_) {
        output_.close();
        outputOpen_ = false;
    }
    errno = 0;
    if (!dropped && !staged_->Commit()) {
        outputError_ = errno != 0 ? errno : EIO;
        resultCode_ = outputWriteFailed;
    }
    staged_.reset();
}

// Writes the lines of the hits of the last call, preceded by the header when it is still to come. The batch
// is written whole or not at all: after a failed write the file is cut back to its last whole line.
bool TSearchThread::writeHits(int count, TCategoryNames &categories)
{
    QByteArray batch;
    if (headerPending_)
        batch = DirectoryCsvHeader(outputItems_) + "\r\n";
    const bool needsDetail = ChoiceNeedsDetail(outputItems_);
    const TCategoryNameLookup categoryName = [&categories](bool sub, int32_t catNo) {
        return categories.Name(sub, catNo);
    };
    int lines = 0;
    for (int i = 0; i < count; ++i) {
        const TDirectoryHit &hit = page_[static_cast<size_t>(i)];
        TDirectoryDetail detail{};
        const bool fromDetail = needsDetail && FetchDirectoryDetail(hit, conditions_.front(), detail) == 0;
        const QByteArray line = DirectoryCsvLine(outputItems_, hit, fromDetail ? &detail : nullptr, categoryName);
        if (!line.isEmpty()) {
            batch += line + "\r\n";
            ++lines;
        }
    }
    outputError_ = WriteInPlace(output_, outputEnd_, batch);
    if (outputError_ != 0)
        return false;
    outputEnd_ += batch.size();
    headerPending_ = false;
    linesWritten_ += lines;
    return true;
}

// ---- count ----

void TSearchThread::countHits()
{
    resultCode_ = directoryNoMore;
    int failure = 0;
    for (areaIndex_ = 0; areaIndex_ < conditions_.size(); ++areaIndex_) {
        int32_t found = 0;
        resultCode_ = DirectorySearchAreaCount(conditions_[areaIndex_], found, directoryReserved, abortCallback, names_);
        if (stop_)
            resultCode_ = directoryStopped;
        hitCount_ += std::max<int32_t>(0, found);
        // Every area is counted, but a total that misses a failed area is no success.
        if (resultCode_ != directoryFound && resultCode_ != directoryNoMore && failure == 0)
            failure = resultCode_;
    }
    if (failure != 0)
        resultCode_ = failure;
    else if (resultCode_ == directoryNoMore && hitCount_ >= 1)
        resultCode_ = directoryFound;
    handBack(&TSearchThread::CountDone);
}
