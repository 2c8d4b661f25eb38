// Copying a 100,000-record address book into an empty one through the copy window (every row of the main
// list, one transaction, progress shown), beside a raw SQLCipher copy of the same rows in the same run: one
// SELECT over the source and one prepared INSERT into an empty copy of the target.
// Usage: bench_adrscopy [records]   (default 100000; runs on the offscreen platform)
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "db/Sqlite.h"
#include "db/Table.h"
#include "db/TableSchemas.h"
#include "mainlist/AdrsCopy.h"
#include "mainlist/AdrsList.h"
#include "platform/MessageBox.h"

#include "BenchSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include <cstdio>

namespace {

// Makes the empty "Adrs.DB" of a book, as the data module makes it on the book's first open.
void makeEmptyBook(const QString &folder)
{
    QDir().mkpath(AdrsFolder + folder);
    TTable t;
    t.DatabaseName = AdrsFolder + folder + "/";
    t.TableName = "Adrs.DB";
    t.Schema = AdrsTableSchema();
    t.CreateTable();
}

int recordsIn(const QString &folder)
{
    TTable t;
    t.DatabaseName = AdrsFolder + folder + "/";
    t.TableName = "Adrs.DB";
    t.Open();
    return t.RecordCount();
}

// Copies every row with one SELECT and one prepared INSERT: the least any copy of the records must do.
double rawCopy(const QString &sourceFile, const QString &targetFile)
{
    QByteArrayList names;
    for (const TFieldDef &f : AdrsTableSchema().Fields)
        if (f.Name != "RecNo" && f.Name != "CodeGenre")
            names << '"' + f.Name.toUtf8() + '"';
    QByteArray marks;
    for (int i = 0; i < names.size(); ++i)
        marks += i ? ",?" : "?";
    TSqliteDatabase source, target;
    source.Open(sourceFile, TablePassword, false);
    source.Exec("PRAGMA cache_size = -32768");
    // Timed from the target's open, as the window's copy opens its target (the source is the open book).
    QElapsedTimer timer;
    timer.start();
    target.Open(targetFile, TablePassword, false);
    target.Exec("PRAGMA cache_size = -32768");
    target.Exec("BEGIN");
    TSqliteStatement read(source, "SELECT " + names.join(',') + " FROM \"Adrs\" ORDER BY rowid");
    TSqliteStatement insert(target, "INSERT INTO \"Adrs\" (" + names.join(',') + ") VALUES (" + marks + ")");
    while (read.Step()) {
        insert.Reset();
        for (int c = 0; c < read.ColumnCount(); ++c) {
            switch (read.ColumnType(c)) {
            case SQLITE_TEXT: insert.BindText(c + 1, read.ColumnText(c)); break;
            case SQLITE_FLOAT: insert.BindDouble(c + 1, read.ColumnDouble(c)); break;
            default: insert.BindInt(c + 1, read.ColumnInt(c)); break;
            }
        }
        insert.Step();
    }
    target.Exec("COMMIT");
    return seconds(timer);
}

// Runs one copy of every listed row through the window; the number-item boxes named are ticked and
// same-number records are left out.
double windowCopy(TAddressList &list, const QString &targetName, const QStringList &numberItems)
{
    ShowAddressCopy(&list);
    TAddressCopy *window = AddressCopy;
    window->findChild<QRadioButton *>("rbAll")->click();
    for (const QString &item : numberItems)
        window->findChild<QCheckBox *>("chk" + item)->setChecked(true);
    if (!numberItems.isEmpty())
        window->findChild<QRadioButton *>("rbNotAdd")->click();
    for (QListWidgetItem *row : window->lvAdrs->findItems(targetName, Qt::MatchExactly))
        window->lvAdrs->setCurrentItem(row);
    QElapsedTimer timer;
    timer.start();
    window->btnCopy->click();
    const double elapsed = seconds(timer);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return elapsed;
}

}  // namespace

int main(int argc, char **argv)
{
    UseOffscreenPlatform();
    QApplication app(argc, argv);
    const int records = argc > 1 ? std::atoi(argv[1]) : 100000;
    SampleBook book("Source", records);
    TDMMirvale18 &dm = book.dm;
    for (const char *book : {"Target", "Numbers", "Raw"})
        makeEmptyBook(book);
    AdrsBookList = {{"元", "Source", abReady}, {"先", "Target", abReady}, {"番号", "Numbers", abReady}};
    CurrentAdrsName = "元";

    QString summary;
    SetMessageBoxHandler([&](const TMessageBoxRequest &r) {
        summary = r.text;
        return DefaultButtonOf(r.flags);
    });
    TAddressList list;
    list.RefreshList(true, true, false);

    printHeader("copy window", "raw INSERT ... SELECT loop");
    const double raw = rawCopy(dm.AdrsTable->FileName(), AdrsFolder + "Raw/Adrs.DB");
    const double plain = windowCopy(list, "先", {});
    print({"copy every row, default rules", plain, raw, recordsIn("Target")});
    const double numbers = windowCopy(list, "番号", {"Tel", "Fax"});
    print({"same, with the Tel and Fax check", numbers, raw, recordsIn("Numbers")});
    if (recordsIn("Target") != records || recordsIn("Raw") != records)
        std::printf("mismatch: %s\n", summary.toUtf8().constData());
    DMMirvale18 = nullptr;
    return 0;
}
