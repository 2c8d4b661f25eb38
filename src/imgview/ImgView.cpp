#include "imgview/ImgView.h"

#include "base/Folders.h"
#include "drawing/JpegOrientation.h"
#include "imgview/PickerServer.h"
#include "imgview/Thumbnails.h"
#include "platform/Forms.h"
#include "platform/MemIniFile.h"
#include "platform/SingleInstance.h"
#include "widgets/NamedControls.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QSplitter>
#include <QStandardPaths>
#include <QStatusBar>
#include <QThreadPool>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

const QString Section = QStringLiteral("IMGVIEW");
const QString FolderKey = QStringLiteral("Folder");
constexpr QSize PreviewSize(240, 240);

QString startFolder()
{
    const QString saved = TMemIniFile(TImageViewForm::SettingsFile()).ReadString(Section, FolderKey, QString());
    if (!saved.isEmpty() && QDir(saved).exists())
        return saved;
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return QDir(pictures).exists() ? pictures : QDir::homePath();
}

}  // namespace

QString TImageViewForm::SettingsFile()
{
    return GetAllUsersDataFolder() + QStringLiteral("Oxa/Mirvale18/ImgView.ini");
}

TImageViewForm::TImageViewForm(TPickerServer *server, QWidget *parent)
    : QMainWindow(parent), server_(server), previewPool_(std::make_unique<QThreadPool>())
{
    previewPool_->setMaxThreadCount(1);
    setObjectName(QStringLiteral("ImageViewForm"));
    setWindowTitle(QStringLiteral("画像参照ツール"));
    resize(980, 620);

    folders_ = new QFileSystemModel(this);
    folders_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    folders_->setRootPath(QStringLiteral("/"));
    tvFolder = Named<QTreeView>("tvFolder");
    tvFolder->setModel(folders_);
    for (int column = 1; column < folders_->columnCount(); ++column)
        tvFolder->hideColumn(column);
    tvFolder->header()->hide();
    tvFolder->setAccessibleName(QStringLiteral("フォルダ"));

    thumbnails_ = new TThumbnailModel(this);
    lvPictures = Named<QListView>("lvPictures");
    lvPictures->setModel(thumbnails_);
    lvPictures->setViewMode(QListView::IconMode);
    lvPictures->setResizeMode(QListView::Adjust);
    lvPictures->setMovement(QListView::Static);
    lvPictures->setUniformItemSizes(true);
    lvPictures->setIconSize(TThumbnailModel::ThumbnailSize());
    lvPictures->setGridSize(TThumbnailModel::ThumbnailSize() + QSize(24, 36));
    lvPictures->setWordWrap(true);
    lvPictures->setTextElideMode(Qt::ElideMiddle);
    lvPictures->setAccessibleName(QStringLiteral("画像"));
    lvPictures->installEventFilter(this);

    lblPreview = Named<QLabel>("lblPreview");
    lblPreview->setFixedSize(PreviewSize + QSize(4, 4));
    lblPreview->setAlignment(Qt::AlignCenter);
    lblPreview->setFrameShape(QFrame::StyledPanel);
    lblPreview->setStyleSheet(QStringLiteral("background: white"));
    lblInfo = Named<QLabel>("lblInfo");
    lblInfo->setWordWrap(true);
    lblInfo->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    btnSelect = Named<QPushButton>("btnSelect", QStringLiteral("この画像を使う(&S)"));
    btnClose = Named<QPushButton>("btnClose", QStringLiteral("閉じる"));

    auto *previewPane = new QWidget;
    auto *previewLayout = new QVBoxLayout(previewPane);
    previewLayout->addWidget(Named<QLabel>("lblPreviewTitle", QStringLiteral("プレビュー")));
    previewLayout->addWidget(lblPreview);
    previewLayout->addWidget(lblInfo, 1);
    previewLayout->addWidget(btnSelect);
    previewLayout->addWidget(btnClose);

    auto *splitter = Named<QSplitter>("splFolders", Qt::Horizontal);
    splitter->addWidget(tvFolder);
    splitter->addWidget(lvPictures);
    splitter->addWidget(previewPane);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({230, 480, 260});
    setCentralWidget(splitter);
    lblStatus = Named<QLabel>("lblStatus");
    statusBar()->addWidget(lblStatus, 1);

    // The tree reads folders as it goes: the chosen one is scrolled into view once its parents are read.
    connect(folders_, &QFileSystemModel::directoryLoaded, this,
            [this] { tvFolder->scrollTo(tvFolder->currentIndex(), QAbstractItemView::PositionAtCenter); });
    connect(tvFolder->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TImageViewForm::tvFolderChanged);
    connect(lvPictures->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TImageViewForm::pictureChanged);
    connect(lvPictures, &QListView::doubleClicked, this, &TImageViewForm::btnSelectClick);
    connect(thumbnails_, &QAbstractItemModel::dataChanged, this, &TImageViewForm::updateStatus);
    connect(thumbnails_, &QAbstractItemModel::modelReset, this, [this] {
        updateStatus();
        // The first picture is chosen at once, so Enter hands it over without a click.
        if (thumbnails_->rowCount() > 0)
            lvPictures->setCurrentIndex(thumbnails_->index(0));
        pictureChanged();
    });
    connect(btnSelect, &QPushButton::clicked, this, &TImageViewForm::btnSelectClick);
    connect(btnClose, &QPushButton::clicked, this, &QWidget::close);
    if (server_) {
        connect(server_, &TPickerServer::ActivateRequested, this, [this] {
            // A designer may ask it forward just as another closes it: closed is final.
            if (closing_)
                return;
            SetSelectMode(true);
            ForceForegroundWindow(this);
        });
        connect(server_, &TPickerServer::CloseRequested, this, &QWidget::close);
    }

    SetSelectMode(false);
    SetFolder(startFolder());
    lvPictures->setFocus();
}

TImageViewForm::~TImageViewForm() = default;

void TImageViewForm::SetSelectMode(bool select)
{
    selectMode_ = select;
    btnSelect->setVisible(select);
    pictureChanged();
}

void TImageViewForm::SetFolder(const QString &folder)
{
    const QModelIndex at = folders_->index(QDir(folder).absolutePath());
    if (at.isValid()) {
        tvFolder->setCurrentIndex(at);
        tvFolder->scrollTo(at, QAbstractItemView::PositionAtCenter);
    }
    // The tree may not know the folder yet (or it is the current one already): list it all the same.
    if (thumbnails_->Folder() != QDir(folder).absolutePath())
        thumbnails_->SetFolder(QDir(folder).absolutePath());
}

QString TImageViewForm::Folder() const
{
    return thumbnails_->Folder();
}

QString TImageViewForm::ChosenFile() const
{
    const QModelIndex current = lvPictures->currentIndex();
    return current.isValid() ? thumbnails_->FilePath(current.row()) : QString();
}

void TImageViewForm::tvFolderChanged()
{
    const QString folder = folders_->filePath(tvFolder->currentIndex());
    if (!folder.isEmpty() && folder != thumbnails_->Folder())
        thumbnails_->SetFolder(folder);
}

void TImageViewForm::pictureChanged()
{
    const QString file = ChosenFile();
    btnSelect->setEnabled(selectMode_ && !file.isEmpty());
    if (file == previewFile_)
        return;
    previewFile_ = file;
    const int request = ++previewRequest_;
    previewPool_->clear();
    lblPreview->clear();
    if (file.isEmpty()) {
        lblInfo->clear();
        return;
    }
    lblInfo->setText(QFileInfo(file).fileName() + QStringLiteral("\n読み込み中"));
    previewPool_->start([this, request, file] {
        const QSize size = ExifUprightSize(QImageReader(file).size(), JpegFileOrientation(file));
        QSize tooLarge;
        const QImage preview = LoadThumbnail(file, PreviewSize, &tooLarge);
        QMetaObject::invokeMethod(
            this, [=, this] { previewReady(request, file, preview, tooLarge.isValid() ? tooLarge : size, tooLarge.isValid()); },
            Qt::QueuedConnection);
    });
}

void TImageViewForm::previewReady(int request, const QString &file, const QImage &preview, QSize size, bool tooLarge)
{
    if (request != previewRequest_)
        return;
    lblPreview->setPixmap(QPixmap::fromImage(preview));
    const QString pixels = QStringLiteral("\n%1 × %2 ピクセル").arg(size.width()).arg(size.height());
    // A picture too large to decode is not damaged: the user is told its size, not that it cannot be read.
    lblInfo->setText(QFileInfo(file).fileName()
                     + (tooLarge            ? pixels + QStringLiteral("\n大きすぎるため扱えません")
                        : preview.isNull() ? QStringLiteral("\n画像を読み込めません")
                                           : pixels));
}

void TImageViewForm::btnSelectClick()
{
    const QString file = ChosenFile();
    if (!selectMode_ || file.isEmpty())
        return;
    const bool handed = server_ && server_->SendChosenFile(QFile::encodeName(file));
    lblStatus->setText(handed ? QStringLiteral("画像を渡しました: ") + QFileInfo(file).fileName()
                              : QStringLiteral("画像を受け取る画面がありません"));
    emit FileHandedOver(file, handed);
}

void TImageViewForm::updateStatus()
{
    const int count = thumbnails_->rowCount();
    const int loaded = thumbnails_->LoadedCount();
    lblStatus->setText(loaded < count ? QStringLiteral("%1 枚の画像 (読み込み中 %2/%1)").arg(count).arg(loaded)
                                      : QStringLiteral("%1 枚の画像").arg(count));
}

bool TImageViewForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lvPictures && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            btnSelectClick();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// Esc is 閉じる, as in the program's windows.
void TImageViewForm::keyPressEvent(QKeyEvent *event)
{
    if (!EscPresses(event, btnClose))
        QMainWindow::keyPressEvent(event);
}

void TImageViewForm::closeEvent(QCloseEvent *event)
{
    closing_ = true;
    if (!Folder().isEmpty()) {
        TMemIniFile ini(SettingsFile());
        ini.WriteString(Section, FolderKey, Folder());
        try {
            ForceDirectories(QFileInfo(SettingsFile()).path());
            ini.UpdateFile();
        } catch (const EIniFileError &) {
            // The folder of the next start is a convenience; the picker closes all the same.
        }
    }
    QMainWindow::closeEvent(event);
}
