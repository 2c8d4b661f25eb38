#include "imgview/Thumbnails.h"

#include "drawing/JpegImage.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QRunnable>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <functional>
#include <limits>
#include <optional>

QStringList PictureFiles(const QString &folder)
{
    static const QStringList extensions{QStringLiteral("bmp"), QStringLiteral("jpg"), QStringLiteral("jpeg"),
                                        QStringLiteral("png")};
    QStringList files;
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files | QDir::Readable, QDir::NoSort);
    for (const QFileInfo &entry : entries)
        if (extensions.contains(entry.suffix(), Qt::CaseInsensitive))
            files.append(entry.fileName());
    files.sort(Qt::CaseInsensitive);
    return files;
}

namespace {

// The thumbnail of a JPEG file through the program's own decoder, which bounds its scans and what it holds,
// decoded at the smallest scale that still covers box: null when it cannot be read or is refused (a file
// larger than a decoding may hold, unread); none for a file that is not a JPEG.
std::optional<QImage> jpegThumbnail(const QString &file, QSize box)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly) || in.peek(2) != QByteArrayLiteral("\xFF\xD8"))
        return std::nullopt;
    if (in.size() > MaxJpegDecodeBytes)
        return QImage();
    return JpegPixels(in.readAll(), std::numeric_limits<int>::max(), std::max(box.width(), box.height()));
}

}  // namespace

QImage LoadThumbnail(const QString &file, QSize box)
{
    QImage image;
    if (std::optional<QImage> jpeg = jpegThumbnail(file, box)) {
        image = *jpeg;
    } else {
        QImageReader reader(file);
        reader.setAutoTransform(true);
        const QSize size = reader.size();
        if (size.isValid() && (size.width() > box.width() || size.height() > box.height()))
            reader.setScaledSize(size.scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
        image = reader.read();
    }
    // Decoders reach box only in steps, or not at all: the rest is scaled here, so a thumbnail is never
    // larger than asked.
    if (!image.isNull() && (image.width() > box.width() || image.height() > box.height()))
        image = image.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

namespace {

// One worker of a folder's load: takes the next picture not yet taken until the folder is done or replaced.
class TThumbnailJob : public QRunnable {
public:
    TThumbnailJob(QStringList files, std::shared_ptr<std::atomic<int>> next,
                  std::shared_ptr<std::atomic<int>> generation, int myGeneration, TThumbnailModel *model,
                  std::function<void(int, int, const QImage &)> deliver)
        : files_(std::move(files)), next_(std::move(next)), generation_(std::move(generation)),
          myGeneration_(myGeneration), model_(model), deliver_(std::move(deliver))
    {
    }

    void run() override
    {
        for (;;) {
            if (generation_->load() != myGeneration_)
                return;
            const int row = next_->fetch_add(1);
            if (row >= files_.size())
                return;
            const QImage image = LoadThumbnail(files_[row], TThumbnailModel::ThumbnailSize());
            QMetaObject::invokeMethod(
                model_, [deliver = deliver_, generation = myGeneration_, row, image] { deliver(generation, row, image); },
                Qt::QueuedConnection);
        }
    }

private:
    QStringList files_;
    std::shared_ptr<std::atomic<int>> next_;
    std::shared_ptr<std::atomic<int>> generation_;
    int myGeneration_;
    TThumbnailModel *model_;
    std::function<void(int, int, const QImage &)> deliver_;
};

}  // namespace

TThumbnailModel::TThumbnailModel(QObject *parent)
    : QAbstractListModel(parent), generation_(std::make_shared<std::atomic<int>>(0)),
      pool_(std::make_unique<QThreadPool>())
{
    // Leave a core to the window, so it answers while a large folder loads.
    pool_->setMaxThreadCount(std::clamp(QThread::idealThreadCount() - 1, 1, 4));
    placeholder_ = QImage(ThumbnailSize(), QImage::Format_RGB32);
    placeholder_.fill(QColor(0xE8, 0xE8, 0xE8));
}

TThumbnailModel::~TThumbnailModel()
{
    ++*generation_;
    pool_->clear();
    pool_->waitForDone();
}

void TThumbnailModel::SetFolder(const QString &folder)
{
    const int generation = ++*generation_;
    pool_->clear();
    const QStringList names = PictureFiles(folder);
    beginResetModel();
    folder_ = folder;
    items_.clear();
    items_.reserve(names.size());
    for (const QString &name : names)
        items_.push_back({name, QImage(), false});
    loaded_ = 0;
    endResetModel();
    if (names.isEmpty()) {
        emit AllLoaded();
        return;
    }
    QStringList paths;
    const QDir dir(folder);
    for (const QString &name : names)
        paths.append(dir.filePath(name));
    auto next = std::make_shared<std::atomic<int>>(0);
    const auto deliver = [this](int g, int row, const QImage &image) { thumbnailReady(g, row, image); };
    for (int i = 0; i < pool_->maxThreadCount(); ++i)
        pool_->start(new TThumbnailJob(paths, next, generation_, generation, this, deliver));
}

void TThumbnailModel::thumbnailReady(int generation, int row, const QImage &image)
{
    if (generation != generation_->load() || row < 0 || row >= int(items_.size()) || items_[row].Loaded)
        return;
    items_[row].Thumbnail = image;
    items_[row].Loaded = true;
    ++loaded_;
    const QModelIndex at = index(row);
    emit dataChanged(at, at, {Qt::DecorationRole, LoadedRole});
    if (loaded_ == int(items_.size()))
        emit AllLoaded();
}

QString TThumbnailModel::FilePath(int row) const
{
    if (row < 0 || row >= int(items_.size()))
        return QString();
    return QDir(folder_).filePath(items_[row].Name);
}

int TThumbnailModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(items_.size());
}

QVariant TThumbnailModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= int(items_.size()))
        return QVariant();
    const TItem &item = items_[index.row()];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return item.Name;
    case Qt::DecorationRole:
        return item.Thumbnail.isNull() ? placeholder_ : item.Thumbnail;
    case PathRole:
        return FilePath(index.row());
    case LoadedRole:
        return item.Loaded;
    default:
        return QVariant();
    }
}
