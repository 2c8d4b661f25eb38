#include "exchange/Maintenance.h"

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
#include <memory>

#include "core/SharedHelpers.h"

namespace {

const QString UacNote = QStringLiteral("※Windows 8 / 7 / Vista の場合、アップデートの途中で  \r\n"
                                       "　ユーザーアカウント制御（UAC）のダイアログが表示される  \r\n　ことがあります  ");

// The start-up update check, driven without showing the dialog; failures to connect or check stay silent.
bool startupUpdateCheck(QWidget *owner)
{
    const std::unique_ptr<TUpdateDialog> dialog = std::make_unique<TUpdateDialog>(owner);
    UpdateDialog = dialog.get();
    if (!dialog->CanConnect() || !dialog->CheckUpdate() || !dialog->MarkNewerFiles())
        return false;
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

}  // namespace

void RegisterMaintenance()
{
    RemoveLeftoversAtStart = RemoveLeftoversOfKilledWork;
    RunStartupUpdateCheck = startupUpdateCheck;
    RunBackupData = [](QWidget *owner) {
        TBackupData dialog(owner);
        return dialog.exec() == QDialog::Accepted;
    };
    RunRestoreData = [](QWidget *owner, bool *changeDataPath) {
        TRestoreData dialog(owner);
        const bool ok = dialog.exec() == QDialog::Accepted;
        *changeDataPath = ok && dialog.GetChangeDataPath();
        return ok;
    };
    RunOptimizeData = [](QWidget *owner) {
        TOptimizeData dialog(owner);
        CenterFormOnOwner(&dialog, owner);
        return dialog.exec() == QDialog::Accepted;
    };
    RunConvertKykbn = [](QWidget *owner) {
        TConvertKykbn dialog(owner);
        CenterFormOnOwner(&dialog, owner);
        return dialog.exec() == QDialog::Accepted;
    };
    RunConvertAdrsPos = [](QWidget *owner) {
        TConvertAdrsPos dialog(owner);
        CenterFormOnOwner(&dialog, owner);
        return dialog.exec() == QDialog::Accepted;
    };
    RunRepairIndex = [](QWidget *owner, bool *repaired) {
        TRepairIndex dialog(owner);
        CenterFormOnOwner(&dialog, owner);
        const bool ok = dialog.exec() == QDialog::Accepted;
        *repaired = ok && dialog.Repaired;
        return ok;
    };
}
