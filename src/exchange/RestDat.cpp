#include "exchange/RestDat.h"

#include "base/FileReplace.h"
#include "base/Folders.h"
#include "base/Numbers.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "core/Main.h"
#include "core/Settings.h"
#include "core/SharedHelpers.h"
#include "db/Table.h"
#include "exchange/BackupStore.h"
#include "exchange/WorkProgress.h"
#include "platform/MessageBox.h"
#include "widgets/NamedControls.h"

#include <QCheckBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// The tables the data module holds open on files a restore replaces; closed for the swap, reopened after it.
std::vector<TTable *> openDataTables()
{
    std::vector<TTable *> open;
    if (!DMMirvale18)
        return open;
    for (TTable *t : {DMMirvale18->AdrsTable.get(), DMMirvale18->SenderTable.get(), DMMirvale18->OriginalTable.get()})
        if (t && t->Active())
            open.push_back(t);
    return open;
}

}  // namespace

TRestoreData::TRestoreData(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("RestoreData"));
    setWindowTitle(QStringLiteral("復元"));
    setProperty("HelpContext", 16);
    auto *lblInfo = Named<QLabel>("lblInfo", QStringLiteral("復元するバックアップデータを選択してください。"), this);
    lvBackup = Named<QTreeWidget>("lvBackup", this);
    SetViewLabel(lblInfo, lvBackup);
    lvBackup->setHeaderLabels({QStringLiteral("バックアップ日時"), QStringLiteral("ファイル数"), QStringLiteral("サイズ")});
    lvBackup->setRootIsDecorated(false);
    lvBackup->header()->setStretchLastSection(false);
    lvBackup->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    ckbChangePath = Named<QCheckBox>("ckbChangePath", QStringLiteral("別のデータ保存フォルダーに復元する"), this);
    edtDataPath = Named<QLineEdit>("edtDataPath", this);
    edtDataPath->setAccessibleName(QStringLiteral("復元先のデータ保存フォルダー"));
    btnBrowse = Named<QPushButton>("btnBrowse", QStringLiteral("参照..."), this);
    // Enter in the list and the fields answers for 復元, never for the folder's chooser beside them.
    btnBrowse->setAutoDefault(false);
    edtDataPath->setEnabled(false);
    btnBrowse->setEnabled(false);
    pgWork = new TWorkProgress(this);
    btnOK = Named<QPushButton>("btnOK", QStringLiteral("復元"), this);
    btnCancel = Named<QPushButton>("btnCancel", QStringLiteral("キャンセル"), this);
    auto *path = new QHBoxLayout;
    path->addWidget(edtDataPath, 1);
    path->addWidget(btnBrowse);
    QHBoxLayout *buttons = MakeButtonRow({btnOK, btnCancel});
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblInfo);
    layout->addWidget(lvBackup, 1);
    layout->addWidget(ckbChangePath);
    layout->addLayout(path);
    layout->addWidget(pgWork);
    layout->addLayout(buttons);
    lvBackup->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    lvBackup->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    setMinimumSize(480, 360);
    connect(ckbChangePath, &QCheckBox::toggled, this, [this](bool on) {
        edtDataPath->setEnabled(on);
        btnBrowse->setEnabled(on);
    });
    connect(btnBrowse, &QPushButton::clicked, this, [this] {
        QString folder = QDir::fromNativeSeparators(edtDataPath->text().trimmed());
        if (BrowseForFolder(folder, this, QStringLiteral("データ保存フォルダーの選択"), true, false))
            edtDataPath->setText(QDir::toNativeSeparators(folder));
    });
    connect(btnOK, &QPushButton::clicked, this, &TRestoreData::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    fillList();
}

void TRestoreData::fillList()
{
    lvBackup->clear();
    backups_ = ListBackups(DataRootFolder);
    for (const TBackupInfo &b : backups_) {
        const bool unknown = b.Damaged || b.ReadError != 0;
        auto *item = new QTreeWidgetItem(lvBackup, {b.Made.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")),
                                                    unknown ? QStringLiteral("－") : QString::number(b.Files),
                                                    b.Damaged     ? QStringLiteral("破損")
                                                    : b.ReadError ? QStringLiteral("読込不可")
                                                                  : KilobyteText(b.Bytes)});
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    }
    if (!backups_.empty())
        lvBackup->setCurrentItem(lvBackup->topLevelItem(0));
    btnOK->setEnabled(!backups_.empty());
}

void TRestoreData::btnOKClick()
{
    const int row = lvBackup->indexOfTopLevelItem(lvBackup->currentItem());
    if (row < 0 || row >= static_cast<int>(backups_.size()))
        return;
    const TBackupInfo &chosen = backups_[static_cast<size_t>(row)];
    if (chosen.Damaged || chosen.ReadError != 0) {
        ShowMessageBoxAt(this,
                         chosen.Damaged ? QStringLiteral("バックアップデータが破損しているため復元できません  \r\n") + ManifestFileName
                                        : BackupUnreadableText(chosen.Folder + ManifestFileName, chosen.ReadError),
                         AppTitle, MB_ICONERROR);
        return;
    }
    QString target;
    if (ckbChangePath->isChecked()) {
        target = QDir::fromNativeSeparators(edtDataPath->text().trimmed());
        if (target.isEmpty() || !QDir::isAbsolutePath(target)) {
            ShowMessageBoxAt(this, QStringLiteral("復元先のフォルダーを指定してください  "), AppTitle, MB_ICONINFORMATION);
            return;
        }
    }
    if (ShowMessageBoxAt(this,
                         QStringLiteral("選択したバックアップデータを復元します  \r\n"
                                        "復元先の現在のデータは置き換えられます  \r\nよろしいですか？  "),
                         AppTitle, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2)
        != IDYES)
        return;
    if (Execute(row, target))
        accept();
}

bool TRestoreData::Execute(int row, const QString &targetRoot)
{
    if (row < 0 || row >= static_cast<int>(backups_.size()))
        return false;
    // A folder that leads to the books in use by another name is the data root itself.
    const bool change = !targetRoot.isEmpty() && !SameDataRoot(targetRoot, DataRootFolder);
    const QString root = change ? QDir::cleanPath(targetRoot) + QLatin1Char('/') : DataRootFolder;
    // Another running copy's books, or books inside or around them, are refused before anything is restored into
    // them; a restore that fails leaves nothing of the move there.
    TDataRootMove move;
    if (change && !move.Reserve(this, root))
        return false;
    if (!ForceDirectories(root)) {
        ShowMessageBoxAt(this,
                         QStringLiteral("復元先のフォルダーを作成できません  \r\n") + QDir::toNativeSeparators(root)
                             + WriteFailureReason(errno),
                         AppTitle, MB_ICONERROR);
        return false;
    }
    btnOK->setEnabled(false);
    btnCancel->setEnabled(false);
    pgWork->Begin();
    // The tables are closed only for the swap, so a refused backup leaves them as they were.
    const std::vector<TTable *> open = change ? std::vector<TTable *>() : openDataTables();
    for (TTable *t : open)
        t->Close();
    QString error;
    const bool restored = RestoreBackup(
        backups_[static_cast<size_t>(row)].Folder, root, DataFolder,
        [this](qint64 done, qint64 total) { return pgWork->Step(done, total); }, &error, change);
    // A table whose book the restored data do not have stays closed: the main window chooses a book again.
    for (TTable *t : open) {
        if (!QFileInfo::exists(t->FileName()))
            continue;
        try {
            t->Open();
        } catch (const EDatabaseError &e) {
            ShowMessageBoxAt(this, e.Message, AppTitle, MB_ICONERROR);
        }
    }
    pgWork->End();
    btnOK->setEnabled(true);
    btnCancel->setEnabled(true);
    // Closed meanwhile, the dialog goes without the summary: only a failure is told.
    const bool told = !pgWork->CloseAsked();
    if (!restored) {
        if (told || !pgWork->Stopped())
            ShowMessageBoxAt(this, error, AppTitle, pgWork->Stopped() ? MB_ICONINFORMATION : MB_ICONERROR);
        return false;
    }
    if (change) {
        // The program follows the new data folder, which the settings the restore swapped in name already.
        DataRootFolder = root;
        SetDataRootSubfolders();
        move.Complete();
        changeDataPath_ = true;
    }
    if (told)
        ShowMessageBoxAt(this, QStringLiteral("復元が完了しました  "), AppTitle, MB_ICONINFORMATION);
    return true;
}

TMessageBoxRequest RecoverInterruptedRestore()
{
    TMessageBoxRequest told;
    told.caption = AppTitle;
    told.flags = MB_ICONINFORMATION;
    told.placement = mbpSystem;
    QString stuck;
    switch (RecoverRestore(DataFolder, &stuck)) {
    case TRestoreRecovery::None:
        break;
    case TRestoreRecovery::NotStarted:
        told.text = QStringLiteral("前回の復元は途中で終了したため、データは復元前のままです  ");
        break;
    case TRestoreRecovery::Undone:
        told.text = QStringLiteral("前回の復元は途中で終了したため、復元前のデータに戻しました  ");
        break;
    case TRestoreRecovery::Completed:
        told.text = QStringLiteral("前回の復元は完了しています  ");
        break;
    case TRestoreRecovery::Failed:
        told.text = QStringLiteral("前回の途中で終了した復元で置き換えたデータを元に戻せません  \r\n") + QDir::toNativeSeparators(stuck);
        told.flags = MB_ICONERROR;
        break;
    }
    return told;
}
