// The worker threads of the two directory search windows: a page of hits (with paging and the resumption of a
// stopped search), the output of every hit to a comma-separated file, and the count of every hit, run off the
// main thread against the directory library. Each window owns one worker; the worker blocks between jobs and
// hands each result back on the main thread while it waits.
#pragma once

#include "Kvdir17/Kvdir17.h"
#include "core/StagedFile.h"
#include "directory/ItemChoice.h"

#include <QByteArray>
#include <QFile>
#include <QMutex>
#include <QString>
#include <QThread>
#include <QWaitCondition>

#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

class TSearchThread : public QThread {
    Q_OBJECT
public:
    // Jobs.
    static constexpr int modePageSearch = 0;
    static constexpr int modeFileOutput = 1;
    static constexpr int modeCount = 2;
    // Requests of a page search.
    static constexpr int requestNew = 0;
    static constexpr int requestNext = 1;
    static constexpr int requestPrior = 2;
    static constexpr int requestResume = 3;
    // Codes of a file output besides the library's.
    static constexpr int outputOpenFailed = 201;      // the file could not be opened
    // A write failed; the file is as it was before the output, appended to or overwritten.
    static constexpr int outputWriteFailed = 202;
    static constexpr int outputCategoryFailed = 203;  // the category tables could not be read

    // Loads the directory library from AppFolder; the thread itself starts with the first job.
    explicit TSearchThread(QObject *parent = nullptr);
    // Stops a running job, ends the thread, closes the output and releases the library.
    ~TSearchThread() override;

    // Everything below is called on the main thread while no job runs, except Stop.

    // The worker's own copies of the conditions (one per area) and of the name list and the exclusion list
    // ("name,...," each; empty for none), which it hands to the library with every call.
    void SetConditions(const std::vector<TDirectoryCondition> &conditions, const QByteArray &nameList,
                       const QByteArray &exclusionList);
    int Mode = modePageSearch;
    int RequestKind = requestNew;  // page searches only
    void SetOutput(bool append, const QString &fileName, bool headerPending);
    void SetOutputItems(const std::vector<TItemChoice> &items);
    // Starts the job of Mode; a file output opens its file here (append or create/overwrite).
    void StartJob();
    // Asks the running job to stop; the library's abort callback answers with it. A file output stopped so keeps
    // the lines written so far.
    void Stop();
    // Stops the running job as Stop does, for an end of the window that no one asked of the job (the program's
    // end): a file output it cuts short leaves the file as it was before the output, since a part of the lines
    // is no output anyone asked for. A new file is not left, one overwritten keeps its lines, and one appended
    // to is cut back to them.
    void Abandon();

    // Results, read in the hand-backs.
    int ResultCode() const { return resultCode_; }
    // The hits on the page shown (page search), of every call (file output) or of every area (count).
    int HitCount() const { return hitCount_; }
    int PageNo() const { return pageNo_; }
    bool FirstPage() const { return firstPage_; }
    bool LastPage() const { return lastPage_; }
    int LinesWritten() const { return linesWritten_; }
    // The errno of a file output's failed open or write, 0 when none failed.
    int OutputError() const { return outputError_; }
    // Copies hit index of the page shown; an index outside the page leaves hit as it is.
    void GetPageHit(int index, TDirectoryHit &hit) const;
    // Closes the output file of the last file output.
    void CloseOutput();

signals:
    // Each is emitted on the main thread while the worker waits for the connected handlers to return.
    void Progress();  // a library call returned hits
    void PageSearchDone();
    void OutputDone();
    void CountDone();

protected:
    // keepCategoryTablesOpen: the worker's category tables stay open from the first output to the worker's end
    // instead of being closed after each output.
    TSearchThread(bool keepCategoryTablesOpen, QObject *parent);
    void run() override;

private:
    class TCategoryNames;

    void pageSearch();
    void fetchPages(int pageSize);
    void keepHits(const TDirectoryHit *hits, int count, int pageSize);
    void showStoppedPage(int count, int pageSize);
    void showKeptPage(int pageSize);
    void fileOutput(TCategoryNames &categories);
    bool writeHits(int count, TCategoryNames &categories);
    void endOutput();
    void countHits();
    int searchArea(int32_t &count);
    void nextArea();
    void continueAfter(int count);
    int pageSizeOf() const;
    void handBack(void (TSearchThread::*signal)());

    const bool keepCategoryTablesOpen_;
    const QString categoryFolder_;

    // Job hand-over and blocking between jobs.
    QMutex mutex_;
    QWaitCondition wake_;
    bool startFlag_ = false;
    bool terminate_ = false;
    std::atomic<bool> terminating_{false};
    std::atomic<bool> stop_{false};
    std::atomic<bool> abandon_{false};

    std::vector<TDirectoryCondition> conditions_;
    QByteArray nameList_, exclusionList_;
    const char *names_[2] = {"", ""};

    int resultCode_ = 0;
    int hitCount_ = 0;
    int pageNo_ = 1;
    bool firstPage_ = true;
    bool lastPage_ = true;
    // Where the next library call goes on: the area and its resume context. Between calls this is always the
    // place right after the kept pages and the carried hits, so no hit is fetched twice.
    size_t areaIndex_ = 0;
    TDirectoryResume resume_{};
    std::vector<TDirectoryHit> page_;   // the buffer of each call; after a page search the page shown
    std::vector<TDirectoryHit> carry_;  // hits gathered for the page after the last kept one
    std::vector<std::vector<TDirectoryHit>> keptPages_;

    std::vector<TItemChoice> outputItems_;
    bool append_ = false;
    QString outputFileName_;
    QFile output_;
    // An output that overwrites goes to this file beside the user's until it has ended.
    std::optional<TStagedFile> staged_;
    bool outputOpen_ = false;
    int outputError_ = 0;
    qint64 outputStart_ = 0;  // the file's size before the output
    qint64 outputEnd_ = 0;    // the file's size after the last whole line
    int linesWritten_ = 0;
    bool headerPending_ = false;
};

// The worker of the category search window: the same jobs; its category tables stay open while it lives.
class TSearchCategoryThread : public TSearchThread {
    Q_OBJECT
public:
    explicit TSearchCategoryThread(QObject *parent = nullptr) : TSearchThread(true, parent) {}
};
