// What the printing benches share: one side of a run (the objects, or the plain drawText baseline) measured in
// a process of its own for its time, CPU time and resident memory along the pages, the baseline's pages, and
// the printed figures.
#pragma once

#include <QSizeF>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>

class QPainter;

inline constexpr int Checkpoints = 5;

// What one side of the run measured, handed from its process to the parent.
struct TSideResult {
    double Seconds = 0;
    double CpuSeconds = 0;                   // user and system time of the process meanwhile
    long StartKb = 0;                        // resident before the first page (program, fonts, records)
    std::array<long, Checkpoints> RssKb{};   // resident after each fifth of the pages
    long PeakKb = 0;                         // VmHWM at the end
    qint64 FileBytes = 0;
    double EndSeconds = 0;                   // from the last page to the file whole: the writer's end, the text maps
};

// Measures one side from its construction: Page after each page, Finish once the file is written.
class TSideMeter {
public:
    TSideMeter();
    void Page(int done, int total);
    TSideResult Finish(const QString &file);

private:
    TSideResult result_;
    double cpuBefore_;
    qint64 startNs_;
    qint64 lastPageNs_ = 0;
    int next_ = 0;
};

// Whether a side's PDF goes through the program's print job, which corrects its text maps at the end, or is
// written by a plain painter on Qt's writer.
enum class TPdfText { Corrected, AsWritten };

// Writes pages of the size in millimetres at 600 dpi into file, drawing page i with drawPage, and measures it.
TSideResult WritePdfPages(const QString &file, QSizeF pageMm, int pages,
                          const std::function<void(QPainter &, int)> &drawPage, TPdfText text = TPdfText::Corrected);
// The same on postcards (100 x 148 mm).
TSideResult WritePostcardPdf(const QString &file, int pages, const std::function<void(QPainter &, int)> &drawPage,
                             TPdfText text = TPdfText::Corrected);
// The baseline page: the lines across the page with plain QPainter::drawText in the objects' face at the
// address's base size.
void DrawTextLines(QPainter &painter, const QStringList &lines);

// Runs side in a process of its own (with its GUI application and the program's font faces), so its peak
// memory is its own; a zero result when it did not finish.
TSideResult RunApart(int argc, char **argv, const std::function<TSideResult()> &side);
// Keeps the faster of best and run; false when run did not finish.
bool KeepFastest(TSideResult &best, const TSideResult &run);
void PrintSide(const char *what, const TSideResult &r, int pages);
// The table of both sides and their memory; with plain, also against the baseline that pays no correction.
void PrintSides(const char *ours, const TSideResult &objects, const TSideResult &baseline, int pages,
                const TSideResult *plain = nullptr);
