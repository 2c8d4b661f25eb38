#include "exchange/UpdDlg.h"

#include "base/FileReplace.h"
#include "base/Folders.h"
#include "base/SjisCodec.h"
#include "base/Numbers.h"
#include "core/Globals.h"
#include "core/SharedHelpers.h"
#include "core/StagedFile.h"
#include "exchange/WorkProgress.h"
#include "platform/MemIniFile.h"
#include "platform/MessageBox.h"
#include "platform/Process.h"
#include "widgets/NamedControls.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHostInfo>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <QXmlStreamReader>

#include <cerrno>
#include <filesystem>
#include <memory>
#include <optional>
#include <utility>

namespace {

const QString ListFileName = QStringLiteral("update.xml");
const QString InstalledSection = QStringLiteral("FILES");
constexpr int TransferTimeoutMs = 30000;

QString installedFileName() { return DataFolder + QStringLiteral("update/Installed.ini"); }

QString stagingFolder() { return DataFolder + QStringLiteral("update/staging/"); }

QByteArray sha256Of(const QString &file)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash sum(QCryptographicHash::Sha256);
    sum.addData(&in);
    return sum.result().toHex();
}


}  // namespace

TUpdateDialog::TUpdateDialog(QWidget *owner) : QDialog(owner), network_(new QNetworkAccessManager(this))
{
    setObjectName(QStringLiteral("UpdateDialog"));
    setWindowTitle(QStringLiteral("アップデートの確認"));
    setProperty("HelpContext", 18);
    lblStatus = Named<QLabel>("lblStatus", QStringLiteral("最新のアップデートを確認します。"), this);
    lvFiles = Named<QTreeWidget>("lvFiles", this);
    lvFiles->setAccessibleName(QStringLiteral("アップデートするファイル"));
    lvFiles->setHeaderLabels({QStringLiteral("ファイル"), QStringLiteral("バージョン"), QStringLiteral("サイズ")});
    lvFiles->setRootIsDecorated(false);
    lvFiles->header()->setStretchLastSection(false);
    lvFiles->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    pgWork = new TWorkProgress(this);
    btnCheck = Named<QPushButton>("btnCheck", QStringLiteral("確認"), this);
    btnUpdate = Named<QPushButton>("btnUpdate", QStringLiteral("アップデート"), this);
    btnClose = Named<QPushButton>("btnClose", QStringLiteral("閉じる"), this);
    btnUpdate->setEnabled(false);
    QHBoxLayout *buttons = MakeButtonRow({btnCheck, btnUpdate, btnClose});
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblStatus);
    layout->addWidget(lvFiles, 1);
    layout->addWidget(pgWork);
    layout->addLayout(buttons);
    lvFiles->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    lvFiles->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    setMinimumSize(460, 320);
    connect(btnCheck, &QPushButton::clicked, this, &TUpdateDialog::btnCheckClick);
    connect(btnUpdate, &QPushButton::clicked, this, &TUpdateDialog::btnUpdateClick);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
}

TUpdateDialog::~TUpdateDialog()
{
    if (UpdateDialog == this)
        UpdateDialog = nullptr;
}

QString TUpdateDialog::StagingFolder() const { return stagingFolder(); }

QString TUpdateDialog::BaseUrl(const QString &path) const
{
    // The domain may name its scheme and port; plain HTTPS otherwise.
    const QString domain = UpdateDomain.contains(QStringLiteral("://")) ? UpdateDomain : QStringLiteral("https://") + UpdateDomain;
    return domain + path;
}

TUpdateDialog::THostLookup TUpdateDialog::LookUpHost = [](const QString &host, QObject *context,
                                                          std::function<void(const QHostInfo &)> done) {
    return QHostInfo::lookupHost(host, context, std::move(done));
};

bool TUpdateDialog::serverNamed()
{
    const QUrl url(BaseUrl(UpdateCheckPath));
    if (UpdateDomain.trimmed().isEmpty() || !url.isValid() || url.host().isEmpty()) {
        error_ = QStringLiteral("アップデートの接続先が設定されていません  ");
        return false;
    }
    return true;
}

void TUpdateDialog::lookUp(std::function<void(bool found)> done)
{
    // Whichever comes first, the answer or the time-out, decides; the other is ignored.
    auto finish = [this, answered = std::make_shared<bool>(false), done = std::move(done)](bool found) {
        if (std::exchange(*answered, true))
            return;
        if (!found)
            error_ = QStringLiteral("アップデートの接続先に接続できません  ");
        done(found);
    };
    const int id = LookUpHost(QUrl(BaseUrl(UpdateCheckPath)).host(), this,
                              [finish](const QHostInfo &host) { finish(host.error() == QHostInfo::NoError); });
    QTimer::singleShot(LookupTimeoutMs, this, [finish, id] {
        QHostInfo::abortHostLookup(id);
        finish(false);
    });
}

bool TUpdateDialog::CanConnect()
{
    if (!serverNamed())
        return false;
    std::optional<bool> found;
    QEventLoop loop;
    lookUp([&](bool answer) {
        found = answer;
        loop.quit();
    });
    if (!found)
        loop.exec();
    return *found;
}

void TUpdateDialog::CheckInBackground(std::function<void(bool found)> done)
{
    if (!serverNamed()) {
        done(false);
        return;
    }
    lookUp([this, done](bool found) {
        if (!found) {
            done(false);
            return;
        }
        files_.clear();
        fetchInBackground(BaseUrl(UpdateCheckPath) + ListFileName, QString(), [this, done](const QByteArray &list) {
            done(readList(list) && MarkNewerFiles());
        });
    });
}

void TUpdateDialog::fetchInBackground(const QString &url, const QString &saveTo,
                                      std::function<void(const QByteArray &)> done)
{
    struct TTransfer {
        QFile Out;
        QByteArray Body;
        int WriteError = 0;  // the errno of the write that failed
    };
    auto transfer = std::make_shared<TTransfer>();
    transfer->Out.setFileName(saveTo);
    // The system's and the network's own words are English: the user is told what failed in ours.
    const QString cannotSave = QStringLiteral("ダウンロードしたファイルを保存できません  \r\n") + QDir::toNativeSeparators(saveTo);
    // Unbuffered, so a write the disk does not take fails where it is made, with its reason. A file fetched is the
    // program's own until it takes its place among the program's files.
    errno = 0;
    if (!saveTo.isEmpty())
        CreatePrivateFile(saveTo);
    if (!saveTo.isEmpty() && !transfer->Out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        error_ = cannotSave + WriteFailureReason(errno);
        done(QByteArray());
        return;
    }
    QNetworkRequest request{QUrl(url)};
    request.setTransferTimeout(TransferTimeoutMs);
    QNetworkReply *reply = network_->get(request);
    const auto take = [transfer, saveTo](const QByteArray &piece) {
        if (saveTo.isEmpty()) {
            transfer->Body += piece;
        } else if (transfer->WriteError == 0) {
            errno = 0;
            // A write the disk took only part of is a full disk.
            if (transfer->Out.write(piece) != piece.size())
                transfer->WriteError = errno != 0 ? errno : ENOSPC;
        }
    };
    connect(reply, &QNetworkReply::readyRead, this, [reply, transfer, take] {
        take(reply->readAll());
        if (transfer->WriteError != 0)
            reply->abort();
    });
    connect(reply, &QNetworkReply::downloadProgress, this, [this, reply](qint64 received, qint64 total) {
        if (!pgWork->Step(received, total))
            reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, transfer, take, saveTo, done, cannotSave] {
        take(reply->readAll());
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const bool ok = reply->error() == QNetworkReply::NoError && transfer->WriteError == 0 && (status == 0 || status == 200);
        if (!ok)
            error_ = transfer->WriteError != 0 ? cannotSave + WriteFailureReason(transfer->WriteError)
                                               : QStringLiteral("アップデートの接続先からファイルを受け取れませんでした  ");
        reply->deleteLater();
        transfer->Out.close();
        if (!ok && !saveTo.isEmpty())
            transfer->Out.remove();
        done(!ok ? QByteArray() : saveTo.isEmpty() ? transfer->Body : QByteArray("ok"));
    });
}

QByteArray TUpdateDialog::fetch(const QString &url, const QString &saveTo)
{
    std::optional<QByteArray> result;
    QEventLoop loop;
    fetchInBackground(url, saveTo, [&](const QByteArray &answer) {
        result = answer;
        loop.quit();
    });
    if (!result)
        loop.exec();
    return *result;
}

bool TUpdateDialog::CheckUpdate()
{
    files_.clear();
    return readList(fetch(BaseUrl(UpdateCheckPath) + ListFileName, QString()));
}

namespace {

// A file the list may name: one below the program folder, and a key "update/Installed.ini" can keep its version
// under (in Shift-JIS, without the "=" that ends a key or the ";" that starts a comment); any other would be
// offered again at every check.
bool installableName(const QString &name)
{
    return IsPlainRelativePath(name) && !name.contains(QLatin1Char('=')) && !name.contains(QLatin1Char(';'))
           && Sjis::canEncode(name);
}

}  // namespace

bool TUpdateDialog::readList(const QByteArray &list)
{
    if (list.isEmpty())
        return false;
    QXmlStreamReader xml(list);
    bool inUpdate = false;
    while (xml.readNextStartElement()) {
        if (!inUpdate) {
            if (xml.name() != QLatin1String("update"))
                break;
            inUpdate = true;
            continue;
        }
        if (xml.name() != QLatin1String("file")) {
            xml.skipCurrentElement();
            continue;
        }
        const QXmlStreamAttributes a = xml.attributes();
        TUpdateFile f;
        bool versionOk = false, sizeOk = false;
        f.Name = a.value(QLatin1String("name")).toString();
        f.Version = a.value(QLatin1String("version")).toLongLong(&versionOk);
        f.Size = a.value(QLatin1String("size")).toLongLong(&sizeOk);
        f.Sha256 = a.value(QLatin1String("sha256")).toString().toLower().toLatin1();
        f.Restart = a.value(QLatin1String("restart")) == QLatin1String("1");
        xml.skipCurrentElement();
        if (!installableName(f.Name) || !versionOk || !sizeOk || f.Size < 0 || f.Size > MaxDiskBytes
            || f.Sha256.size() != 64) {
            error_ = QStringLiteral("アップデート情報が正しくありません  ");
            files_.clear();
            return false;
        }
        files_.push_back(f);
    }
    if (!inUpdate || xml.hasError()) {
        error_ = QStringLiteral("アップデート情報が正しくありません  ");
        files_.clear();
        return false;
    }
    fillList();
    return true;
}

bool TUpdateDialog::MarkNewerFiles()
{
    const TMemIniFile installed(installedFileName());
    const QString self = QDir(AppFolder).relativeFilePath(QCoreApplication::applicationFilePath());
    Restart = false;
    bool any = false;
    for (TUpdateFile &f : files_) {
        const qint64 have = installed.ReadString(InstalledSection, f.Name, QStringLiteral("0")).toLongLong();
        const QString target = AppFolder + f.Name;
        f.Marked = f.Version > have && (!QFileInfo::exists(target) || sha256Of(target) != f.Sha256);
        if (f.Marked) {
            any = true;
            Restart = Restart || f.Restart || f.Name == self;
        }
    }
    fillList();
    return any;
}

bool TUpdateDialog::DownloadFiles()
{
    const QString staging = StagingFolder();
    QDir(staging).removeRecursively();
    pgWork->Begin();
    errno = 0;
    bool ok = ForceDirectories(staging);
    if (!ok)
        error_ = QDir::toNativeSeparators(staging) + WriteFailureReason(errno);
    for (const TUpdateFile &f : files_) {
        if (!ok || !f.Marked)
            continue;
        const QString target = staging + f.Name;
        ForceDirectories(QFileInfo(target).path());
        ok = !fetch(BaseUrl(UpdateAppPath) + f.Name, target).isEmpty();
        if (ok && (QFileInfo(target).size() != f.Size || sha256Of(target) != f.Sha256)) {
            error_ = QStringLiteral("ダウンロードしたファイルが壊れています  \r\n") + f.Name;
            ok = false;
        }
    }
    pgWork->End();
    if (!ok)
        QDir(staging).removeRecursively();
    return ok;
}

int TUpdateDialog::RunUpdater()
{
    const QString staging = StagingFolder();
    std::vector<const TUpdateFile *> marked;
    for (const TUpdateFile &f : files_)
        if (f.Marked)
            marked.push_back(&f);
    // Every staged file is checked again, and every place it goes must be writable, before one is replaced.
    for (const TUpdateFile *f : marked) {
        const QFileInfo folder(QFileInfo(AppFolder + f->Name).path());
        if (sha256Of(staging + f->Name) != f->Sha256) {
            error_ = QStringLiteral("ダウンロードしたファイルが壊れています  \r\n") + f->Name;
            return 1;
        }
        if ((folder.exists() && !folder.isWritable()) || (!folder.exists() && !QFileInfo(AppFolder).isWritable())) {
            error_ = QStringLiteral("プログラムのフォルダーに書き込めないため  \r\nアップデートを適用できません  \r\n")
                     + QDir::toNativeSeparators(AppFolder);
            ShowMessageBoxAt(this, error_, AppTitle, MB_ICONWARNING);
            return 1;
        }
    }
    // Every file is copied beside its place before one is replaced, so a disk without room for them all leaves
    // the program as it was rather than half new; each replacement is then one rename. A kill meanwhile leaves
    // the copies to the next start.
    std::vector<std::unique_ptr<TStagedFile>> besides;
    for (const TUpdateFile *f : marked) {
        const QString target = AppFolder + f->Name;
        // The program's folders are not its data: a new one is made as any folder of the user.
        ForceDirectories(QFileInfo(target).path(), TFileAccess::UsersDefault);
        auto beside = std::make_unique<TStagedFile>(target);
        std::error_code ec;
        if (!beside->Open()
            || !std::filesystem::copy_file(QFile::encodeName(staging + f->Name).toStdString(),
                                           QFile::encodeName(beside->FileName()).toStdString(),
                                           std::filesystem::copy_options::overwrite_existing, ec)) {
            error_ = QStringLiteral("ファイルを置き換えられません  \r\n") + f->Name;
            return 1;
        }
        besides.push_back(std::move(beside));
    }
    TMemIniFile installed(installedFileName());
    for (size_t i = 0; i < marked.size(); ++i) {
        const TUpdateFile &f = *marked[i];
        const QString target = AppFolder + f.Name;
        // A program file keeps the mode of the one it replaces, which the user updating it may read and write; a
        // new one gets what any new file of the user gets.
        const std::optional<QFileDevice::Permissions> mode =
            QFileInfo::exists(target) ? std::optional(QFileInfo(target).permissions() | QFileDevice::ReadOwner
                                                      | QFileDevice::WriteOwner)
                                      : std::nullopt;
        if (!besides[i]->Commit(mode)) {
            error_ = QStringLiteral("ファイルを置き換えられません  \r\n") + f.Name;
            return 1;
        }
        installed.WriteString(InstalledSection, f.Name, QString::number(f.Version));
    }
    ForceDirectories(QFileInfo(installedFileName()).path());
    try {
        installed.UpdateFile();
    } catch (const EIniFileError &) {
        // The files are in place; at worst they are offered again by the next check.
    }
    QDir(staging).removeRecursively();
    if (Restart)
        RestartAfterEnd();
    return 0;
}

void TUpdateDialog::fillList()
{
    lvFiles->clear();
    for (const TUpdateFile &f : files_) {
        auto *item = new QTreeWidgetItem(lvFiles, {f.Name, QString::number(f.Version), KilobyteText(f.Size)});
        item->setCheckState(0, f.Marked ? Qt::Checked : Qt::Unchecked);
        item->setFlags(item->flags() & ~Qt::ItemIsUserCheckable);
    }
}

void TUpdateDialog::btnCheckClick()
{
    error_.clear();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool found = CanConnect() && CheckUpdate() && MarkNewerFiles();
    QApplication::restoreOverrideCursor();
    btnUpdate->setEnabled(found);
    if (found)
        lblStatus->setText(QStringLiteral("最新のアップデートが見つかりました。"));
    else if (error_.isEmpty())
        lblStatus->setText(QStringLiteral("お使いのプログラムとデータは最新です。"));
    else
        lblStatus->setText(error_.trimmed());
}

void TUpdateDialog::btnUpdateClick()
{
    btnUpdate->setEnabled(false);
    if (!DownloadFiles()) {
        ShowMessageBoxAt(this,
                         QStringLiteral("アップデートファイルがダウンロードできませんでした  \r\n") + error_, AppTitle,
                         MB_ICONWARNING);
        return;
    }
    const int result = RunUpdater();
    if (result == 1) {
        ShowMessageBoxAt(this, error_, AppTitle, MB_ICONERROR);
        return;
    }
    ShowMessageBoxAt(this, QStringLiteral("アップデートを適用しました  "), AppTitle, MB_ICONINFORMATION);
    accept();
}

void RemoveUpdateLeftovers()
{
    // The data folder is this copy's alone: no download of another copy is under way in it.
    QDir(stagingFolder()).removeRecursively();
    RemoveKilledWrites(QFileInfo(installedFileName()).path());
}
