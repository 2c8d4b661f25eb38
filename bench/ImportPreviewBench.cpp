// The import window's preview (read, laid out and drawn) of a file as wide as a mail program's contacts (88
// columns), beside the same rows put into a plain table of text cells in the same run; the preview of a file as
// wide as the import takes (a spreadsheet's 16,384 columns); and how long a file of far more columns takes to be
// refused. With --field, instead: the preview of a file whose one field is that many megabytes of "あ" in
// UTF-8 (read, laid out, drawn), its time and the peak memory of the process, beside reading the whole file and
// decoding it.
// Usage: bench_importpreview [--field MB]
#include "exchange/FImport.h"
#include "platform/MessageBox.h"

#include "BenchSupport.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QTableWidget>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

void write(const QString &file, const QByteArray &bytes)
{
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "%s could not be written\n", qPrintable(file));
        std::exit(1);
    }
}

int hugeField(const QString &file, double megabytes)
{
    {
        // Written a megabyte at a time, so that making the file leaves the peak where it was.
        QFile out(file);
        out.open(QIODevice::WriteOnly);
        out.write(QStringLiteral("名前,メモ\r\n山田,").toUtf8());
        const QByteArray piece = QString(333'333, QChar(u'あ')).toUtf8();
        for (double written = 0; written < megabytes * 1e6; written += piece.size())
            out.write(piece);
        out.write("\r\n");
    }
    const long startKb = statusKb("VmHWM:");
    TFileImport dialog(nullptr);
    dialog.show();
    QElapsedTimer timer;
    timer.start();
    dialog.LoadFile(file);
    dialog.grdPreview->viewport()->repaint();
    const double preview = seconds(timer);
    const long peakKb = statusKb("VmHWM:");
    timer.restart();
    QFile in(file);
    in.open(QIODevice::ReadOnly);
    const qsizetype units = DecodeImportText(in.readAll(), TTextEncoding::Utf8).size();
    const double whole = seconds(timer);
    std::printf("| work | MB | import window | read and decode the whole file | ratio |\n|---|---:|---:|---:|---:|\n");
    std::printf("| preview of a field of %.0f MB | %.1f | %.1f ms | %.1f ms | %.2f |\n", megabytes,
                QFileInfo(file).size() / 1e6, preview * 1e3, whole * 1e3, preview / whole);
    std::printf("\npeak resident memory: %ld MB at the start, %ld MB after the preview\n", startKb / 1024, peakKb / 1024);
    return units > 0 && dialog.grdPreview->rowCount() == 3 ? 0 : 1;
}

}  // namespace

int main(int argc, char **argv)
{
    UseOffscreenPlatform();
    QApplication app(argc, argv);
    if (argc > 2 && QByteArray(argv[1]) == "--field") {
        QTemporaryDir dir;
        return hugeField(dir.path() + "/field.csv", std::atof(argv[2]));
    }
    int refusals = 0;
    SetMessageBoxHandler([&refusals](const TMessageBoxRequest &r) {
        ++refusals;
        return DefaultButtonOf(r.flags);
    });
    QTemporaryDir dir;
    constexpr int contactColumns = 88;
    const QString contacts = dir.path() + "/contacts.csv", atLimit = dir.path() + "/limit.csv",
                  beyond = dir.path() + "/commas.csv";
    // A header and the preview's rows.
    write(contacts, WideCsv(TFileImport::PreviewRows + 1, contactColumns));
    write(atLimit, WideCsv(TFileImport::PreviewRows + 1, TFileImport::MaxColumns));
    write(beyond, QByteArray(200000, ',') + "\r\n");

    TFileImport dialog(nullptr);
    dialog.show();
    const auto previewOf = [&dialog, &refusals](const QString &file, int columns) {
        const double preview = perRun([&] {
            dialog.LoadFile(file);
            dialog.grdPreview->viewport()->repaint();
        });
        if (dialog.grdPreview->columnCount() != columns || refusals != 0) {
            std::fprintf(stderr, "the file of %d columns was not previewed\n", columns);
            std::exit(1);
        }
        return preview;
    };
    const double preview = previewOf(contacts, contactColumns);
    // The baseline: the same rows as text cells of a plain table, sized to their contents.
    QTableWidget plain;
    plain.resize(dialog.grdPreview->size());
    plain.show();
    const double cells = perRun([&] {
        QFile in(contacts);
        in.open(QIODevice::ReadOnly);
        const QList<QByteArray> lines = in.readAll().split('\n');
        plain.clear();
        plain.setColumnCount(contactColumns);
        plain.setRowCount(TFileImport::PreviewRows + 2);
        for (int r = 0; r < lines.size(); ++r) {
            const QList<QByteArray> fields = lines[r].trimmed().split(',');
            for (int c = 0; c < fields.size() && !lines[r].trimmed().isEmpty(); ++c)
                plain.setItem(r + 1, c, new QTableWidgetItem(QString::fromLatin1(fields[c])));
        }
        plain.resizeColumnsToContents();
        plain.viewport()->repaint();
    });
    std::printf("| work | columns | import window | plain table of text cells | ratio |\n|---|---:|---:|---:|---:|\n");
    std::printf("| preview of %d rows of a mail program's contacts | %d | %.1f ms | %.1f ms | %.2f |\n",
                TFileImport::PreviewRows + 1, contactColumns, preview * 1e3, cells * 1e3, preview / cells);
    std::fflush(stdout);
    const double limit = previewOf(atLimit, TFileImport::MaxColumns);
    std::printf("| preview of %d rows at the limit | %d | %.1f ms | | |\n", TFileImport::PreviewRows + 1,
                TFileImport::MaxColumns, limit * 1e3);
    std::fflush(stdout);
    const double refusal = perRun([&] { dialog.LoadFile(beyond); });
    if (refusals == 0 || dialog.grdPreview->columnCount() != 0) {
        std::fprintf(stderr, "the file of 200,000 commas was not refused\n");
        return 1;
    }

    std::printf("| a line of 200,000 commas refused | 200001 | %.1f ms | | |\n", refusal * 1e3);
    // The limit's bound is loose: it catches a preview grown worse than linear in the columns, not a busy machine.
    std::printf("\npreview of the contacts: %.1f ms (allowed: 200 ms)%s; at the limit: %.1f ms (allowed: 10 s)%s\n",
                preview * 1e3, preview <= 0.2 ? "" : "  OVER", limit * 1e3, limit <= 10 ? "" : "  OVER");
    return preview <= 0.2 && limit <= 10 ? 0 : 1;
}
