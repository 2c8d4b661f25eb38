#include "exchange/Maintenance.h"

#include "core/Globals.h"
#include "core/Main.h"
#include "exchange/BackupStore.h"
#include "exchange/BkupDat.h"
#include "exchange/CnvAdPos.h"
#include "exchange/CnvKykbn.h"
#include "exchange/OptDat.h"
#include "exchange/ReprIdx.h"
#include "exchange/RestDat.h"
#include "exchange/TableMaintenance.h"
#include "exchange/UpdDlg.h"
#include "core/Main.h"
#include "mainlist/MaintenanceServices.h"
#include "platform/Forms.h"
#include "platform/MessageBox.h"

#include <QApplication>
#include <QTimer>

#include "core/SharedHelpers.h"

namespace {

const QString UacNote = QStringLiteral("※Windows 8 / 7 / Vista の場合、アップデートの途中で  \r\n"
                                       "　ユーザーアカウント制御（UAC）のダイアログが表示される  \r\n　ことがあります  ");

// The start-up update found newer files: asks, downloads and applies them; true when an update that restarts
// the program was started.
bool applyStartupUpdate(TUpdateDialog *dialog, QWidget *owner)
{
    const QString question = QStringLiteral("最新のアップデートが見つかりました  \r\nこのアップデートを適用してもよろしいですか？  \r\n\r\n")
                             + (dialog->Restart ? QStringLiteral("※自動的にアプリケーションが再起動されます  \r\n\r\n") : QString())
                             + UacNote;
    if (ShowMessageBoxAt(owner, question, AppTitle, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return false;
    if (!dialog->DownloadFiles()) {
        ShowMessageBoxAt(owner,
                         QStringLiteral("アップデートファイルがダウンロードできませんでした  \r\n接続先が混み合っている可能性があります  \r\n\r\n"
                                        "しばらくしてからお試しいただくか  \r\nOxaのWebサイトから直接ダウンロードしてください  "),
                         AppTitle, MB_ICONWARNING);
        return false;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const int result = dialog->RunUpdater();
    QApplication::restoreOverrideCursor();
    if (result == 1)
        ShowMessageBoxAt(owner,
                         QStringLiteral("アップデートプログラムが起動できませんでした  \r\n\r\n再度アップデートの確認をお試しいただくか  \r\n"
                                        "OxaのWebサイトから直接ダウンロードしてください  "),
                         AppTitle, MB_ICONERROR);
    else if (result == 9)
        ShowMessageBoxAt(owner, QStringLiteral("アップデートを中止しました  "), AppTitle, MB_ICONINFORMATION);
    else
        return dialog->Restart;
    return false;
}

// The question waits while the user answers another window (the book choice at start), so it never comes up in
// the middle of one and the main window never closes under it.
void finishStartupUpdate(TUpdateDialog *dialog, QWidget *owner, const std::function<void()> &restartStarted)
{
    if (QApplication::activeModalWidget()) {
        QTimer::singleShot(200, dialog, [=] { finishStartupUpdate(dialog, owner, restartStarted); });
        return;
    }
    const bool restarting = applyStartupUpdate(dialog, owner);
    dialog->deleteLater();
    if (restarting)
        restartStarted();
}

// The start-up update check, driven in the background without showing the dialog; failures to connect or check
// stay silent.
void startupUpdateCheck(QWidget *owner, std::function<void()> restartStarted)
{
    auto *dialog = new TUpdateDialog(owner);
    UpdateDialog = dialog;
    dialog->CheckInBackground([dialog, owner, restartStarted](bool found) {
        if (found)
            finishStartupUpdate(dialog, owner, restartStarted);
        else
            dialog->deleteLater();
    });
}

}  // namespace

void RegisterMaintenance()
{
    RunStartupUpdateCheck = startupUpdateCheck;
    RecoverInterruptedWork = RecoverInterruptedRestore;
    RemoveWorkLeftovers = [] {
        RemoveBackupLeftovers(DataRootFolder, DataFolder);
        NarrowDataRoot(DataRootFolder);
        RemoveLeftoversOfKilledWork();
        RemoveUpdateLeftovers();
    };
    RunBackupData = [](QWidget *owner) {
        TBackupData dialog(owner);
        return ExecDialog(dialog) == QDialog::Accepted;
    };
    RunRestoreData = [](QWidget *owner, bool *changeDataPath) {
        TRestoreData dialog(owner);
        const bool ok = ExecDialog(dialog) == QDialog::Accepted;
        *changeDataPath = ok && dialog.GetChangeDataPath();
        return ok;
    };
    RunOptimizeData = [](QWidget *owner) {
        TOptimizeData dialog(owner);
        CenterFormOnOwner(&dialog, owner);
        return ExecDialog(dialog) == QDialog::Accepted;
    };
    RunConvertKykbn = [](QWidget *owner) {
        TConvertKykbn dialog(owner);
        CenterFormOnOwner(&dialog, owner);
        return ExecDialog(dialog) == QDialog::Accepted;
    };
    RunConvertAdrsPos = [](QWidget *owner) {
        TConvertAdrsPos dialog(owner);
        CenterFormOnOwner(&dialog, owner);
        return ExecDialog(dialog) == QDialog::Accepted;
    };
    RunRepairIndex = [](QWidget *owner, bool *repaired) {
        TRepairIndex dialog(owner);
        CenterFormOnOwner(&dialog, owner);
        const bool ok = ExecDialog(dialog) == QDialog::Accepted;
        *repaired = ok && dialog.Repaired;
        return ok;
    };
}
