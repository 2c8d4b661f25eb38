#include "exchange/HDDInst.h"

#include "base/FileReplace.h"
#include "base/Folders.h"
#include "core/Globals.h"
#include "core/Settings.h"
#include "core/SharedHelpers.h"
#include "exchange/WorkProgress.h"
#include "platform/MemIniFile.h"
#include "platform/MessageBox.h"
#include "widgets/NamedControls.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString InstallSection = QStringLiteral("HDD");

QString recordFileName() { return DataFolder + QStringLiteral("HddInst.ini"); }

// False, with *error saying that the place could not be recorded and why, when the record cannot be written.
bool record(bool installed, const QString &folder, QString *error)
{
    TMemIniFile ini(recordFileName());
    ini.WriteBool(InstallSection, QStringLiteral("Installed"), installed);
    ini.WriteString(InstallSection, QStringLiteral("Folder"), folder);
    try {
        ini.UpdateFile();
        return true;
    } catch (const EIniFileError &e) {
        *error = QStringLiteral("インストール先を記録できません  \r\n") + e.Message;
        return false;
    }
}

}  // namespace

bool InstallDirectoryData(const QString &discData, const QString &folder, const TStepFn &step, QString *error)
{
    const QString root = QDir::cleanPath(folder) + QLatin1Char('/');
    const QString target = root + QStringLiteral("Dt00/");
    const QString partial = root + QStringLiteral("Dt00.installing/");
    const QStringList files = FilesBelow(discData);
    if (files.isEmpty()) {
        *error = QStringLiteral("Velmora のディスクを入れてください  ");
        return false;
    }
    qint64 total = 0, done = 0;
    for (const QString &rel : files)
        total += QFileInfo(discData + rel).size();
    QDir(partial).removeRecursively();
    auto fail = [&](const QString &why) {
        QDir(partial).removeRecursively();
        *error = why;
        return false;
    };
    for (const QString &rel : files) {
        ForceDirectories(QFileInfo(partial + rel).path());
        QByteArray sum;
        bool stopped = false;
        int writeError = 0;
        const bool copied = CopyFileSummed(
            discData + rel, partial + rel, &sum,
            [&](qint64 piece) {
                done += piece;
                stopped = !step(done, total);
                return !stopped;
            },
            &writeError);
        if (stopped)
            return fail(QStringLiteral("インストールを中止しました  "));
        // The copy is read back: what lies on the disk must be what was read from the disc.
        if (!copied || FileSum(partial + rel) != sum)
            return fail(QStringLiteral("電話帳データをコピーできません  \r\n") + QDir::toNativeSeparators(partial + rel)
                        + WriteFailureReason(writeError));
    }
    // The old data go only once the new ones are there to stay.
    const QString old = root + QStringLiteral("Dt00.old/");
    QDir(old).removeRecursively();
    if (!ReplaceTreeDurably(partial, target, old))
        return fail(QStringLiteral("電話帳データをコピーできません  \r\n") + QDir::toNativeSeparators(target));
    QDir(old).removeRecursively();
    if (!record(true, root, error))
        return false;
    HddInstalled = 1;
    HddDataFolder = root;
    return true;
}

bool UninstallDirectoryData(QString *error)
{
    if (HddInstalled && !HddDataFolder.isEmpty() && !QDir(HddDataFolder + QStringLiteral("Dt00/")).removeRecursively()) {
        *error = QStringLiteral("電話帳データを削除できません  \r\n") + QDir::toNativeSeparators(HddDataFolder + QStringLiteral("Dt00/"));
        return false;
    }
    if (!record(false, QString(), error))
        return false;
    HddInstalled = 0;
    HddDataFolder.clear();
    return true;
}

THddInstall::THddInstall(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("HddInstall"));
    setWindowTitle(QStringLiteral("電話帳データのHDDインストール"));
    setProperty("HelpContext", 24);
    auto *lblInfo = Named<QLabel>("lblInfo",
                                  QStringLiteral("ディスクの電話帳データをハードディスクにコピーすると、\n"
                                                 "ディスクを入れずに電話帳を検索できます。"),
                                  this);
    lblState = Named<QLabel>("lblState", this);
    auto *lblFolder = Named<QLabel>("lblFolder", QStringLiteral("インストール先："), this);
    edtFolder = Named<QLineEdit>("edtFolder", QDir::toNativeSeparators(DataFolder), this);
    lblFolder->setBuddy(edtFolder);
    btnBrowse = Named<QPushButton>("btnBrowse", QStringLiteral("参照..."), this);
    pgWork = new TWorkProgress(this);
    btnInstall = Named<QPushButton>("btnInstall", QStringLiteral("インストール"), this);
    btnUninstall = Named<QPushButton>("btnUninstall", QStringLiteral("アンインストール"), this);
    btnClose = Named<QPushButton>("btnClose", QStringLiteral("閉じる"), this);
    auto *folderRow = new QHBoxLayout;
    folderRow->addWidget(lblFolder);
    folderRow->addWidget(edtFolder, 1);
    folderRow->addWidget(btnBrowse);
    QHBoxLayout *buttons = MakeButtonRow({btnInstall, btnUninstall, btnClose});
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblInfo);
    layout->addWidget(lblState);
    layout->addLayout(folderRow);
    layout->addWidget(pgWork);
    layout->addLayout(buttons);
    setMinimumWidth(460);
    connect(btnBrowse, &QPushButton::clicked, this, [this] {
        QString folder = QDir::fromNativeSeparators(edtFolder->text().trimmed());
        if (BrowseForFolder(folder, this, QStringLiteral("インストール先の選択"), true, false))
            edtFolder->setText(QDir::toNativeSeparators(folder));
    });
    connect(btnInstall, &QPushButton::clicked, this, &THddInstall::btnInstallClick);
    connect(btnUninstall, &QPushButton::clicked, this, &THddInstall::btnUninstallClick);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
    updateState();
}

void THddInstall::updateState()
{
    lblState->setText(HddInstalled ? QStringLiteral("インストール済み：") + QDir::toNativeSeparators(HddDataFolder + QStringLiteral("Dt00"))
                                   : QStringLiteral("インストールされていません"));
    btnUninstall->setEnabled(HddInstalled != 0);
}

void THddInstall::btnInstallClick()
{
    const QString folder = QDir::fromNativeSeparators(edtFolder->text().trimmed());
    if (folder.isEmpty() || !QDir::isAbsolutePath(folder)) {
        ShowMessageBoxAt(this, QStringLiteral("インストール先のフォルダーを指定してください  "), AppTitle, MB_ICONINFORMATION);
        return;
    }
    btnInstall->setEnabled(false);
    btnClose->setEnabled(false);
    FindDiscData();
    pgWork->Begin();
    QString error;
    const bool done = InstallDirectoryData(DiscPath + QStringLiteral("/Mirvale18/"), folder,
                                           [this](qint64 d, qint64 t) { return pgWork->Step(d, t); }, &error);
    pgWork->End();
    btnInstall->setEnabled(true);
    btnClose->setEnabled(true);
    updateState();
    // Closed meanwhile, the dialog goes without the summary: only a failure is told.
    if (!pgWork->CloseAsked() || !(done || pgWork->Stopped()))
        ShowMessageBoxAt(this, done ? QStringLiteral("電話帳データのインストールが完了しました  ") : error, AppTitle,
                         done || pgWork->Stopped() ? MB_ICONINFORMATION : MB_ICONERROR);
}

void THddInstall::btnUninstallClick()
{
    if (ShowMessageBoxAt(this, QStringLiteral("HDDにインストールした電話帳データを削除します  \r\nよろしいですか？  "),
                         AppTitle, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2)
        != IDYES)
        return;
    QString error;
    const bool done = UninstallDirectoryData(&error);
    updateState();
    ShowMessageBoxAt(this, done ? QStringLiteral("電話帳データを削除しました  ") : error, AppTitle,
                     done ? MB_ICONINFORMATION : MB_ICONERROR);
}
