#include "exchange/BkupDat.h"

#include "core/Globals.h"
#include "core/SharedHelpers.h"
#include "exchange/BackupStore.h"
#include "exchange/WorkProgress.h"
#include "platform/MessageBox.h"
#include "widgets/NamedControls.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TBackupData::TBackupData(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("BackupData"));
    setWindowTitle(QStringLiteral("バックアップ"));
    setProperty("HelpContext", 15);
    auto *lblInfo = Named<QLabel>("lblInfo",
                                  QStringLiteral("アドレス帳、差出人、レイアウトなどのデータと設定ファイルを\n"
                                                 "次のフォルダーに日付と時刻の名前でバックアップします。"),
                                  this);
    lblTarget = Named<QLabel>("lblTarget", QDir::toNativeSeparators(DataRootFolder), this);
    lblTarget->setTextInteractionFlags(Qt::TextSelectableByMouse);
    pgWork = new TWorkProgress(this);
    btnOK = Named<QPushButton>("btnOK", QStringLiteral("実行"), this);
    btnCancel = Named<QPushButton>("btnCancel", QStringLiteral("閉じる"), this);
    btnOK->setDefault(true);
    QHBoxLayout *buttons = MakeButtonRow({btnOK, btnCancel});
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblInfo);
    layout->addWidget(lblTarget);
    layout->addWidget(pgWork);
    layout->addLayout(buttons);
    setMinimumWidth(420);
    connect(btnOK, &QPushButton::clicked, this, [this] {
        if (Execute())
            accept();
    });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool TBackupData::Execute()
{
    btnOK->setEnabled(false);
    btnCancel->setEnabled(false);
    pgWork->Begin();
    QString error;
    const QString folder = MakeBackup(DataRootFolder, DataFolder,
                                      [this](qint64 done, qint64 total) { return pgWork->Step(done, total); }, &error);
    pgWork->End();
    btnOK->setEnabled(true);
    btnCancel->setEnabled(true);
    // Closed meanwhile, the dialog goes without the summary: only a failure is told.
    const bool told = !pgWork->CloseAsked();
    if (folder.isEmpty()) {
        if (told || !pgWork->Stopped())
            ShowMessageBoxAt(this, error, AppTitle, pgWork->Stopped() ? MB_ICONINFORMATION : MB_ICONERROR);
        return false;
    }
    if (told)
        ShowMessageBoxAt(this,
                         QStringLiteral("バックアップが完了しました  \r\n") + QDir::toNativeSeparators(folder),
                         AppTitle, MB_ICONINFORMATION);
    return true;
}
