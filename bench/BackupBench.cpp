// Backup and restore of the data of a 100,000-record address book (the book, the senders, histories,
// documents and settings), beside a plain `cp -r` of the same folders in the same run.
// Usage: bench_backup [records]   (default 100000)
#include "core/Globals.h"
#include "db/Session.h"
#include "db/Table.h"
#include "db/TableSchemas.h"
#include "exchange/BackupStore.h"

#include "BenchSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

qint64 bytesBelow(const QString &folder)
{
    qint64 total = 0;
    for (const QString &rel : FilesBelow(folder))
        total += QFileInfo(folder + rel).size();
    return total;
}

// The same folders copied by cp -r into a fresh folder.
double plainCopy(const QString &root, const QString &target)
{
    QDir(target).removeRecursively();
    QDir().mkpath(target);
    QStringList args{QStringLiteral("-r")};
    for (const QString &sub : BackupDataFolders)
        if (QFileInfo::exists(root + sub))
            args << root + sub;
    args << target;
    QElapsedTimer t;
    t.start();
    QProcess::execute(QStringLiteral("cp"), args);
    return seconds(t);
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int records = argc > 1 ? atoi(argv[1]) : 100000;
    QTemporaryDir dir, copies;
    DataFolder = DataRootFolder = dir.path() + "/";
    const QString book = DataRootFolder + "Adrs/Book/";
    QDir().mkpath(book);
    QDir().mkpath(DataRootFolder + "Other");
    QDir().mkpath(DataRootFolder + "Layout");
    Session().AddPassword(TablePassword);
    {
        TTable t;
        t.DatabaseName = book;
        t.TableName = "Adrs.DB";
        t.Schema = AdrsTableSchema();
        t.CreateTable();
        t.Open();
        fillBook(t, records);
    }
    QFile settings(DataFolder + SettingsFileName);
    settings.open(QIODevice::WriteOnly);
    settings.write("[BASE]\r\nAdrsName=Book\r\n");
    settings.close();
    QFile layout(DataRootFolder + "Layout/Postcard.lay");
    layout.open(QIODevice::WriteOnly);
    layout.write(QByteArray(200000, 'L'));
    layout.close();

    const auto noStop = [](qint64, qint64) { return true; };
    double backup = 1e9, restore = 1e9, copy = 1e9;
    for (int run = 0; run < 3; ++run) {
        copy = std::min(copy, plainCopy(DataRootFolder, copies.path() + "/cp/"));
        QString error;
        QElapsedTimer t;
        t.start();
        const QString folder = MakeBackup(DataRootFolder, DataFolder, noStop, &error);
        backup = std::min(backup, seconds(t));
        t.restart();
        if (folder.isEmpty() || !RestoreBackup(folder, DataRootFolder, DataFolder, noStop, &error)) {
            std::printf("failed: %s\n", qPrintable(error));
            return 1;
        }
        restore = std::min(restore, seconds(t));
        QDir(folder).removeRecursively();
    }
    std::printf("data: %d records, %.1f MB\n", records, bytesBelow(DataRootFolder) / 1e6);
    printHeader("Velmora", "cp -r");
    print({"backup (copy, SHA-256, manifest)", backup, copy, records});
    print({"restore (check, stage, swap)", restore, copy, records});
    return 0;
}
