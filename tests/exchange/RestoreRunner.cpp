// Restores a backup, or settles what a killed restore left, as the program does; the kill tests run it with the
// file-step library preloaded. Exit code 0 when the operation succeeded.
// Usage: tst_exchange_restorer restore <backup/> <data root/> <data folder/>
//        tst_exchange_restorer restore-into <backup/> <new data root/> <data folder/>
//        tst_exchange_restorer recover <data folder/>
#include "core/Globals.h"
#include "core/Main.h"
#include "exchange/BackupStore.h"
#include "platform/SingleInstance.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QThread>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 5 && (args[1] == QLatin1String("restore") || args[1] == QLatin1String("restore-into"))) {
        // Into another folder as the restore dialog does it: the new root's hold first, then the restore, which
        // swaps in settings naming it.
        const bool into = args[1] == QLatin1String("restore-into");
        DataFolder = args[4];
        TDataRootMove move;
        if (into && !move.Reserve(nullptr, args[3]))
            return 3;
        QString error;
        if (!RestoreBackup(args[2], args[3], args[4], [](qint64, qint64) { return true; }, &error, into))
            return 1;
        if (into)
            move.Complete();
        // The replaced data are removed in the background, their journal last: its steps are the restore's too.
        while (QFileInfo::exists(args[4] + QStringLiteral(".restore.journal")))
            QThread::msleep(1);
        return 0;
    }
    if (args.size() == 3 && args[1] == QLatin1String("recover")) {
        QString stuck;
        return RecoverRestore(args[2], &stuck) == TRestoreRecovery::Failed ? 1 : 0;
    }
    return 2;
}
