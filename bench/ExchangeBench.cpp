// The text export and import of a 100,000-record address book, each beside a baseline in the same run:
// - export (every list item but the category names, Shift-JIS, quoted as spreadsheets need) against a raw
//   SELECT of the fields those items read, written to a file as comma-separated values;
// - import of that file into an empty book (read, measured, one transaction) against the sqlcipher shell's
//   .import of the same rows, as stored, into the same table (its indexes' SJISNOCASE collation, which the
//   shell does not have, taken as NOCASE);
// - the imported book exported again gives the same bytes (the round trip), or the program fails.
// Usage: bench_exchange [records]   (default 100000; needs the sqlcipher shell on the PATH)
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "db/Sqlite.h"
#include "db/Table.h"
#include "db/TableSchemas.h"
#include "exchange/TextExport.h"
#include "exchange/TextImport.h"

#include "BenchSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

std::unique_ptr<TTable> book(const QString &folder)
{
    QDir().mkpath(folder);
    auto t = std::make_unique<TTable>();
    t->DatabaseName = folder;
    t->TableName = "Adrs.DB";
    t->Schema = AdrsTableSchema();
    if (!QFile::exists(t->FileName()))
        t->CreateTable();
    t->Open();
    return t;
}

std::vector<int> exportItems()
{
    std::vector<int> items;
    for (int item = 1; item <= 41; ++item)
        items.push_back(item);
    return items;
}

// The fields the exported items read, in table order.
const char *const ItemFields =
    "\"Group\",CustomCode,Tel,TelDiv,Fax,Portable1,Portable2,Pos,Tdfkn,Adrs1,Adrs2,Adrs3,AdrsKana,PrivCorp,CorpKanji,"
    "CorpKana,Dptmnt,Post,NameKanji,NameKana,URL,EMail1,EMail2,Joint1,Joint2,Joint3,Joint4,Joint5,Keyword1,Keyword2,"
    "Keyword3,Keyword4,Keyword5,Keyword6,Keyword7,Keyword8,Note,SymbolMark,SymbolColor,AddDateTime,UpdDateTime";

QByteArray csvCell(const QByteArray &value)
{
    if (!value.contains(',') && !value.contains('"') && !value.contains('\n') && !value.contains('\r'))
        return value;
    QByteArray quoted = value;
    return '"' + quoted.replace("\"", "\"\"") + '"';
}

// Every selected row's values as text, comma-separated, into fileName: the least an export must do.
double rawSelect(const QString &bookFile, const QByteArray &columns, const QString &fileName, bool withRecNo)
{
    QElapsedTimer timer;
    timer.start();
    TSqliteDatabase db;
    db.Open(bookFile, TablePassword, false);
    TSqliteStatement read(db, "SELECT " + (withRecNo ? "RecNo," + columns : columns) + " FROM \"Adrs\" ORDER BY RecNo");
    QByteArray out;
    while (read.Step()) {
        for (int c = 0; c < read.ColumnCount(); ++c) {
            if (c)
                out += ',';
            switch (read.ColumnType(c)) {
            case SQLITE_TEXT: out += csvCell(read.ColumnText(c)); break;
            case SQLITE_FLOAT: out += QByteArray::number(read.ColumnDouble(c), 'g', 17); break;
            default: out += QByteArray::number(read.ColumnInt(c)); break;
            }
        }
        out += "\r\n";
    }
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size())
        return -1;
    file.close();
    return seconds(timer);
}

QByteArray tableColumns()
{
    QByteArrayList names;
    for (const TFieldDef &f : AdrsTableSchema().Fields)
        if (f.Name != "RecNo")
            names << '"' + f.Name.toUtf8() + '"';
    return names.join(',');
}

bool shell(const QString &database, const QByteArray &script, double *elapsed = nullptr)
{
    QProcess p;
    QElapsedTimer timer;
    p.start(QStringLiteral("sqlcipher"), {database});
    timer.start();
    if (!p.waitForStarted())
        return false;
    p.write("PRAGMA key = '" + TablePassword + "';\nPRAGMA cipher_page_size = 4096;\n" + script);
    p.closeWriteChannel();
    p.waitForFinished(-1);
    if (elapsed)
        *elapsed = seconds(timer);
    const QByteArray errors = p.readAllStandardError();
    if (!errors.isEmpty())
        std::fprintf(stderr, "sqlcipher: %s\n", errors.constData());
    return p.exitCode() == 0 && errors.isEmpty();
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int records = argc > 1 ? std::atoi(argv[1]) : 100000;
    QTemporaryDir dir;
    TDMMirvale18 dataModule;  // the table password
    const QString folder = dir.path() + "/";
    {
        auto source = book(folder + "source/");
        fillBook(*source, records);
    }
    {
        // The sample's postal codes have six digits, which the record form (and so the import) refuses.
        TSqliteDatabase db;
        db.Open(folder + "source/Adrs.DB", TablePassword, false);
        db.Exec("UPDATE \"Adrs\" SET Pos = Pos || '0'");
    }
    auto source = book(folder + "source/");
    std::vector<std::pair<int, int32_t>> rows;
    source->Scan({QStringLiteral("RecNo")}, true, [&](const QVariantList &v) {
        rows.emplace_back(static_cast<int>(rows.size()), static_cast<int32_t>(v[0].toLongLong()));
    });
    TExportOptions options;
    options.Items = exportItems();
    // BENCH_EXCHANGE_ITEMS=2,36: only these items (where the export's time goes, item by item).
    if (qEnvironmentVariableIsSet("BENCH_EXCHANGE_ITEMS")) {
        options.Items.clear();
        for (const QString &item : qEnvironmentVariable("BENCH_EXCHANGE_ITEMS").split(',', Qt::SkipEmptyParts))
            options.Items.push_back(item.toInt());
    }
    const TCategoryNameFn noCategories = [](int32_t, int32_t) { return QByteArray(); };

    // Export and raw SELECT, taking turns, the faster of two each.
    const QString exported = folder + "export.csv";
    double ours = 1e9, raw = 1e9;
    for (int run = 0; run < 2; ++run) {
        QElapsedTimer timer;
        timer.start();
        const TExportOutcome outcome = ExportRows(*source, rows, options, noCategories, exported, {});
        if (!outcome.Failure.isEmpty() || outcome.Written != records) {
            std::fprintf(stderr, "export failed\n");
            return 1;
        }
        ours = std::min(ours, seconds(timer));
        raw = std::min(raw, rawSelect(source->FileName(), ItemFields, folder + "raw.csv", false));
    }
    printHeader("Velmora", "baseline");
    print({"export (raw SELECT to a file)", ours, raw, records});

    // Import of the exported file into an empty book.
    auto target = book(folder + "target/");
    QElapsedTimer timer;
    timer.start();
    const QByteArray bytes = [&] {
        QFile f(exported);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    TCsvReader reader(DecodeImportText(bytes, DetectTextEncoding(bytes)), QLatin1Char(','));
    const TImportOutcome imported = ImportRows(*target, reader, TImportConverter(options.Items, 0), true, 1 << 30, {});
    const double importSeconds = seconds(timer);
    if (!imported.Failure.isEmpty() || imported.Added != records) {
        std::fprintf(stderr, "import failed: %d added %s %s\n", imported.Added, qPrintable(imported.Failure), imported.Problems.empty() ? "" : qPrintable(imported.Problems[0].Reason));
        return 1;
    }

    // The round trip: the imported book exports to the same bytes.
    {
        std::vector<std::pair<int, int32_t>> back;
        target->Scan({QStringLiteral("RecNo")}, true, [&](const QVariantList &v) {
            back.emplace_back(static_cast<int>(back.size()), static_cast<int32_t>(v[0].toLongLong()));
        });
        const QString again = folder + "again.csv";
        ExportRows(*target, back, options, noCategories, again, {});
        QFile a(exported), b(again);
        a.open(QIODevice::ReadOnly);
        b.open(QIODevice::ReadOnly);
        const bool same = a.readAll() == b.readAll();
        std::printf("round trip of %d records: %s\n", records, same ? "the same bytes" : "DIFFERENT");
        if (!same)
            return 1;
    }

    // The same rows as stored, every column, for the shell; the same table, indexes and page size.
    const QString stored = folder + "stored.csv";
    rawSelect(target->FileName(), tableColumns(), stored, true);
    QByteArray schema;
    {
        TSqliteDatabase db;
        db.Open(target->FileName(), TablePassword, false);
        TSqliteStatement st(db, "SELECT sql FROM sqlite_master WHERE tbl_name = 'Adrs' AND sql IS NOT NULL ORDER BY type DESC");
        while (st.Step())
            schema += st.ColumnText(0).replace("SJISNOCASE", "NOCASE") + ";\n";
    }
    const QString shellBook = folder + "shell.db";
    double shellSeconds = 0;
    if (!shell(shellBook, schema) || !shell(shellBook, ".mode csv\n.import '" + stored.toUtf8() + "' Adrs\n", &shellSeconds)) {
        std::fprintf(stderr, "the sqlcipher shell failed\n");
        return 1;
    }
    print({"import (sqlcipher shell .import)", importSeconds, shellSeconds, records});
    std::fflush(stdout);
    return 0;
}
