// The printed list of a 100,000-record book written to one PDF (A4 landscape, 600 dpi) as the list-print window
// prints it: the table measured over every row first (its size, its columns, the rows' heights), then the rows
// read page by page from the book in list order, every cell wrapped into its column, the header and the grid,
// the text maps corrected at the end; beside it the same cell texts, read beforehand, drawn with plain
// QPainter::drawText at the cells' corners into the same kind of PDF. The resident memory of the list's run
// after each fifth of its pages shows whether it grows with the pages. The same list in the order of the name
// reading takes turns with them, written beside the list's PDF as <file.pdf>.byname.pdf.
// Usage: bench_listprint [records] [file.pdf]   (default 100000)
#include "base/Fonts.h"
#include "core/DBInfo.h"
#include "db/Table.h"
#include "db/TableSchemas.h"
#include "drawing/PrintJob.h"
#include "listprint/ListPage.h"

#include "BenchSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int Dpi = 600;
constexpr int Checkpoints = 5;
constexpr int Rounds = 2;
const QSize A4Landscape(2970, 2100);

struct TSideResult {
    double Seconds = 0;
    int Pages = 0;
    std::array<long, Checkpoints> RssKb{};
    qint64 FileBytes = 0;
    int ReadByKey = 0;  // rows the walks of the list's order did not meet
};

// The main list's default columns.
TListTemplate defaultTemplate()
{
    std::array<TColumnDef, ListItemCount> defs;
    std::vector<int> visible;
    for (int i = 0; i < ListItemCount; ++i) {
        const TListItem &item = ListItemTable()[i];
        defs[i] = {item.ItemNo, i, item.Width, item.Shown};
        if (item.Shown)
            visible.push_back(i);
    }
    return AddressListTemplate(defs, visible);
}

// Writes the pages through a job on a 600-dpi A4 landscape PDF; draw(job, checkpoint) paints every page and
// calls checkpoint(page, pages) after each.
TSideResult writePdf(const QString &file, const std::function<int(TPrintJob &, const std::function<void(int, int)> &)> &draw)
{
    TSideResult result;
    QElapsedTimer timer;
    timer.start();
    {
        QPdfWriter writer(file);
        writer.setPageSize(QPageSize(QSizeF(297, 210), QPageSize::Millimeter));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(Dpi);
        TPrintJob job(writer, file);
        size_t next = 0;
        result.Pages = draw(job, [&](int page, int pages) {
            while (next < Checkpoints && page == pages * int(next + 1) / Checkpoints)
                result.RssKb[next++] = statusKb("VmRSS:");
        });
        job.End();
    }
    result.Seconds = seconds(timer);
    result.FileBytes = QFileInfo(file).size();
    return result;
}

}  // namespace

int main(int argc, char **argv)
{
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
    UseOffscreenPlatform();
    QGuiApplication app(argc, argv);
    InstallFontSubstitutions();
    QTemporaryDir dir;
    TDMMirvale18 dataModule;  // the table password
    QString file = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    if (file.isEmpty())
        file = QDir::temp().filePath(QStringLiteral("bench_listprint-%1.pdf").arg(getpid()));
    const QString baselineFile = file + QStringLiteral(".drawtext.pdf");
    const QString byNameFile = file + QStringLiteral(".byname.pdf");

    TTable table;
    table.DatabaseName = dir.path() + "/";
    table.TableName = QStringLiteral("Adrs.DB");
    table.Schema = AdrsTableSchema();
    table.CreateTable();
    table.Open();
    fillBook(table, count);
    // The order the printed rows are listed in, as the main list tells the window.
    TListOrder order;
    std::vector<std::pair<int, int32_t>> rows;
    for (const int32_t recNo : ListRecordNumbers(table, QString(), true, 0))
        rows.emplace_back(static_cast<int>(rows.size()), recNo);

    TListPage page(defaultTemplate(), A4Landscape, QRect(QPoint(0, 0), A4Landscape));
    const std::vector<int> items = page.Template().Items();
    const TCategoryNameFn noCategories = [](int32_t, int32_t) { return QByteArray(); };
    const auto measure = [&](const std::vector<std::pair<int, int32_t>> &listed, const std::optional<TListOrder> &o) {
        page.Measure(count, [&](int first, int n) { return ReadListRows(table, listed, first, n, o, items, noCategories); });
    };
    QElapsedTimer measuring;
    measuring.start();
    measure(rows, order);
    const double measured = seconds(measuring);
    std::printf("%d records, %d columns, %d rows on the first page, %d dpi, fastest of %d runs each; the list's PDF: "
                "%s\nThe table measured over every row (the book's rows read, the pages laid out) in %.2f s\n",
                count, int(items.size()), page.RowCount(0), Dpi, Rounds, qPrintable(file), measured);
    std::fflush(stdout);

    // The table is measured for the list's rows, in its order, as the window does before it prints.
    const auto printList = [&](const QString &output) {
        int byKey = 0;
        TSideResult result = writePdf(output, [&](TPrintJob &job, const std::function<void(int, int)> &checkpoint) {
            measure(rows, order);
            const TListRowsFn read = [&](int first, int n) {
                int missed = 0;
                std::vector<QStringList> texts = ReadListRows(table, rows, first, n, order, items, noCategories, &missed);
                byKey += missed;
                return texts;
            };
            return PrintListPages(job, Dpi, QPoint(0, 0), page, read, [&](int done, int pages) {
                checkpoint(done, pages);
                return true;
            });
        });
        result.ReadByKey = byKey;
        return result;
    };
    // The same list in the order of the name reading: a page's rows lie all over the book's record numbers.
    std::vector<std::pair<int, int32_t>> byName;
    for (const int32_t recNo : ListRecordNumbers(table, QStringLiteral("NameKana"), true, 0))
        byName.emplace_back(static_cast<int>(byName.size()), recNo);
    TSideResult list, baseline, sorted;
    long listPeakKb = 0;
    // The baseline's texts are read before its clock starts: it measures drawing alone.
    std::vector<QStringList> texts;
    for (int round = 0; round < Rounds; ++round) {
        const TSideResult run = printList(file);
        std::printf("  list run: %.2f s (%d rows read by key)\n", run.Seconds, run.ReadByKey);
        std::fflush(stdout);
        if (list.Seconds <= 0 || run.Seconds < list.Seconds)
            list = run;
        if (round == 0)
            listPeakKb = statusKb("VmHWM:");
        if (texts.empty())
            texts = ReadListRows(table, rows, 0, count, order, items, noCategories);
        const TSideResult plain = writePdf(baselineFile, [&](TPrintJob &job, const std::function<void(int, int)> &checkpoint) {
            QPainter &painter = job.Painter();
            QFont font(QStringLiteral("ＭＳ ゴシック"));
            font.setPixelSize(30 * Dpi / 254);
            painter.setFont(font);
            const auto px = [](int tenth) { return tenth * Dpi / 254; };
            const int pages = page.PageCount();
            for (int p = 0; p < pages; ++p) {
                if (p > 0)
                    job.NewPage();
                for (int r = 0; r < page.RowCount(p); ++r) {
                    const QStringList &cells = texts[page.FirstRow(p) + r];
                    // The columns in equal shares: the baseline measures no text.
                    const int share = page.Content().width() / std::max<int>(1, cells.size());
                    for (int c = 0; c < cells.size(); ++c)
                        painter.drawText(QPoint(px(page.Content().left() + c * share + 10), px(page.RowTop(p, r) + 45)),
                                         cells[c]);
                }
                checkpoint(p + 1, pages);
            }
            return pages;
        });
        std::printf("  drawText run: %.2f s\n", plain.Seconds);
        std::fflush(stdout);
        if (baseline.Seconds <= 0 || plain.Seconds < baseline.Seconds)
            baseline = plain;
        rows.swap(byName);
        order.IndexName = QStringLiteral("NameKana");
        const TSideResult named = printList(byNameFile);
        rows.swap(byName);
        order.IndexName.clear();
        std::printf("  list run by name reading: %.2f s (%d rows read by key)\n", named.Seconds, named.ReadByKey);
        std::fflush(stdout);
        if (sorted.Seconds <= 0 || named.Seconds < sorted.Seconds)
            sorted = named;
    }
    QFile::remove(baselineFile);
    measure(rows, order);
    // The pages' rows read alone, without drawing, in turns: each page in one walk of the list's order, and the
    // same pages read as rows in no index's order are (by key, or over the primary key where their numbers lie
    // close together).
    const auto readPages = [&](const std::vector<std::pair<int, int32_t>> &list, const std::optional<TListOrder> &o) {
        QElapsedTimer timer;
        timer.start();
        for (int p = 0; p < page.PageCount(); ++p)
            ReadListRows(table, list, page.FirstRow(p), page.RowCount(p), o, items, noCategories);
        return seconds(timer);
    };
    std::array<double, 4> reading{};
    for (int round = 0; round < 3; ++round) {
        const std::array<double, 4> run = {readPages(rows, TListOrder{}), readPages(rows, std::nullopt),
                                           readPages(byName, TListOrder{QStringLiteral("NameKana"), true}),
                                           readPages(byName, std::nullopt)};
        for (size_t i = 0; i < run.size(); ++i)
            reading[i] = round == 0 ? run[i] : std::min(reading[i], run[i]);
    }

    std::printf("\n| records | pages | list | drawText | ratio | list per page | drawText per page |\n"
                "|---:|---:|---:|---:|---:|---:|---:|\n");
    std::printf("| %d | %d | %.2f s | %.2f s | %.2f | %.2f ms | %.2f ms |\n", count, list.Pages, list.Seconds,
                baseline.Seconds, list.Seconds / baseline.Seconds, list.Seconds * 1000 / list.Pages,
                baseline.Seconds * 1000 / baseline.Pages);
    std::printf("| %d by name reading | %d | %.2f s | %.2f s | %.2f | %.2f ms | %.2f ms |\n\n", count,
                sorted.Pages, sorted.Seconds, baseline.Seconds, sorted.Seconds / baseline.Seconds,
                sorted.Seconds * 1000 / sorted.Pages, baseline.Seconds * 1000 / baseline.Pages);
    std::printf("The pages' rows read alone, fastest of 3 in turns: registration order %.2f s in walks, %.2f s in no "
                "order; by name reading %.2f s in walks, %.2f s in no order\n",
                reading[0], reading[1], reading[2], reading[3]);
    std::printf("Resident memory of the list's fastest run after each fifth of the pages:");
    for (const long kb : list.RssKb)
        std::printf(" %ld", kb / 1024);
    std::printf(" MB (growth %+ld MB); peak of the process after the first list run (book made, no baseline "
                "texts yet): %ld MB; the list's PDF %.1f MB\n",
                (list.RssKb.back() - list.RssKb.front()) / 1024, listPeakKb / 1024, list.FileBytes / 1048576.0);
    return 0;
}
