#include "PdfSides.h"

#include "BenchSupport.h"

#include "base/Fonts.h"
#include "drawing/PrintJob.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

qint64 nowNs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

}  // namespace

TSideMeter::TSideMeter() : cpuBefore_(cpuSeconds()), startNs_(nowNs())
{
    result_.StartKb = statusKb("VmRSS:");
}

void TSideMeter::Page(int done, int total)
{
    if (done >= total && lastPageNs_ == 0)
        lastPageNs_ = nowNs();
    while (next_ < Checkpoints && total > 0 && done >= qint64(total) * (next_ + 1) / Checkpoints)
        result_.RssKb[size_t(next_++)] = statusKb("VmRSS:");
}

TSideResult TSideMeter::Finish(const QString &file)
{
    const qint64 end = nowNs();
    result_.Seconds = (end - startNs_) / 1e9;
    result_.EndSeconds = lastPageNs_ ? (end - lastPageNs_) / 1e9 : 0;
    result_.CpuSeconds = cpuSeconds() - cpuBefore_;
    result_.PeakKb = statusKb("VmHWM:");
    result_.FileBytes = QFileInfo(file).size();
    return result_;
}

TSideResult WritePostcardPdf(const QString &file, int pages, const std::function<void(QPainter &, int)> &drawPage,
                             TPdfText text)
{
    return WritePdfPages(file, QSizeF(100, 148), pages, drawPage, text);
}

TSideResult WritePdfPages(const QString &file, QSizeF pageMm, int pages,
                          const std::function<void(QPainter &, int)> &drawPage, TPdfText text)
{
    TSideMeter meter;
    {
        QPdfWriter writer(file);
        writer.setPageSize(QPageSize(pageMm, QPageSize::Millimeter));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(600);
        writer.setCreator(QStringLiteral("Velmora bench"));
        const auto draw = [&](QPainter &painter, const std::function<void()> &newPage) {
            for (int i = 0; i < pages; ++i) {
                if (i > 0)
                    newPage();
                drawPage(painter, i);
                meter.Page(i + 1, pages);
            }
        };
        if (text == TPdfText::Corrected) {
            TPrintJob job(writer, file);
            draw(job.Painter(), [&] { job.NewPage(); });
            job.End();  // the text maps corrected: part of writing the file
        } else {
            QPainter painter(&writer);
            draw(painter, [&] { writer.newPage(); });
        }
    }
    return meter.Finish(file);
}

void DrawTextLines(QPainter &painter, const QStringList &lines)
{
    static const QFont font = [] {
        QFont f(QStringLiteral("ＭＳ 明朝"));
        f.setPixelSize(100);
        return f;
    }();
    painter.setFont(font);
    QPointF at(60, 200);
    for (const QString &text : lines) {
        if (text.isEmpty())
            continue;
        painter.drawText(at, text);
        at.ry() += 130;
    }
}

TSideResult RunApart(int argc, char **argv, const std::function<TSideResult()> &side)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return {};
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        QGuiApplication app(argc, argv);
        InstallFontSubstitutions();
        const TSideResult result = side();
        const bool written = write(pipeEnds[1], &result, sizeof result) == ssize_t(sizeof result);
        std::fflush(stdout);
        _exit(written ? 0 : 1);
    }
    close(pipeEnds[1]);
    TSideResult result;
    if (child < 0 || read(pipeEnds[0], &result, sizeof result) != ssize_t(sizeof result))
        result = {};
    close(pipeEnds[0]);
    if (child > 0)
        waitpid(child, nullptr, 0);
    return result;
}

bool KeepFastest(TSideResult &best, const TSideResult &run)
{
    if (run.Seconds <= 0)
        return false;
    std::printf("  run: %.2f s (CPU %.2f s)\n", run.Seconds, run.CpuSeconds);
    std::fflush(stdout);
    if (best.Seconds <= 0 || run.Seconds < best.Seconds)
        best = run;
    return true;
}

void PrintSide(const char *what, const TSideResult &r, int pages)
{
    std::printf("  %-9s %6.2f s (CPU %.2f s) %6.3f ms/page  end %.3f s  start %3ld MB  at fifths", what, r.Seconds,
                r.CpuSeconds, r.Seconds * 1000 / pages, r.EndSeconds, r.StartKb / 1024);
    for (long kb : r.RssKb)
        std::printf(" %4ld", kb / 1024);
    std::printf(" MB  peak %4ld MB  file %.1f MB\n", r.PeakKb / 1024, r.FileBytes / 1048576.0);
}

void PrintSides(const char *ours, const TSideResult &objects, const TSideResult &baseline, int pages,
                const TSideResult *plain)
{
    std::printf("\n| pages | %s | drawText | ratio | %s per page | drawText per page |\n"
                "|---:|---:|---:|---:|---:|---:|\n", ours, ours);
    std::printf("| %d | %.2f s | %.2f s | %.2f | %.3f ms | %.3f ms |\n", pages, objects.Seconds, baseline.Seconds,
                objects.Seconds / baseline.Seconds, objects.Seconds * 1000 / pages, baseline.Seconds * 1000 / pages);
    if (plain)
        std::printf("| %d, drawText without the correction | %.2f s | %.2f s | %.2f | %.3f ms | %.3f ms |\n", pages,
                    objects.Seconds, plain->Seconds, objects.Seconds / plain->Seconds, objects.Seconds * 1000 / pages,
                    plain->Seconds * 1000 / pages);
    std::printf("\nFrom the last page to the file whole (the writer's end and the text maps' correction): %s %.3f s, "
                "drawText %.3f s", ours, objects.EndSeconds, baseline.EndSeconds);
    if (plain)
        std::printf(", drawText without the correction %.3f s", plain->EndSeconds);
    std::printf("\n\nResident memory of the fastest runs (start, after each fifth of the pages, peak VmHWM):\n");
    PrintSide(ours, objects, pages);
    PrintSide("drawText", baseline, pages);
    if (plain)
        PrintSide("plain", *plain, pages);
    std::printf("  growth from the first fifth to the end: %s %+ld MB, drawText %+ld MB\n\n", ours,
                (objects.RssKb.back() - objects.RssKb.front()) / 1024,
                (baseline.RssKb.back() - baseline.RssKb.front()) / 1024);
}
