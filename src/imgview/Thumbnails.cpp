#include "imgview/Thumbnails.h"

#include "drawing/JpegImage.h"
#include "drawing/JpegOrientation.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QRunnable>
#include <QSemaphore>
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

// What the picker's decodings may hold at once, thumbnails and preview together, in KiB: as much as one
// decoding of the program may hold, so a folder of large pictures costs no more than the largest of them.
constexpr int BudgetKiB = int(MaxJpegDecodeBytes >> 10);

QSemaphore &decodeBudget()
{
    static QSemaphore budget(BudgetKiB);
    return budget;
}

// A decoding's share of the budget, taken before it starts (waiting while others hold too much) and given
// back with the decoding.
class TBudgetShare {
public:
    TBudgetShare() = default;
    TBudgetShare(const TBudgetShare &) = delete;
    TBudgetShare &operator=(const TBudgetShare &) = delete;
    ~TBudgetShare()
    {
        if (kib_ > 0)
            decodeBudget().release(kib_);
    }
    void Take(qint64 bytes)
    {
        kib_ = int(std::clamp<qint64>((bytes + 1023) >> 10, 1, BudgetKiB));
        decodeBudget().acquire(kib_);
    }

private:
    int kib_ = 0;
};

// Rows of a decoding averaged into a thumbnail as they come: each pixel of the thumbnail is the mean of the
// decoded pixels it covers, of at most RowsPerLine rows of them, evenly spread; the rest are skipped, so a
// picture of tens of thousands of rows costs a few hundred rows' colour work, and nothing but the thumbnail
// and a row is held.
class TThumbnailRows : public TJpegRows {
public:
    explicit TThumbnailRows(QSize box) : box_(box) {}

    QImage Thumbnail() const { return thumbnail_; }

    bool Start(QSize size, qint64 buffered) override
    {
        const QSize out = size.scaled(box_, Qt::KeepAspectRatio).boundedTo(size).expandedTo(QSize(1, 1));
        thumbnail_ = QImage(out, QImage::Format_RGB32);
        if (thumbnail_.isNull())
            return false;
        height_ = size.height();
        row_.assign(size_t(size.width()) * 3, 0);
        column_.resize(size_t(size.width()));
        across_.assign(size_t(out.width()), 0);
        for (int x = 0; x < size.width(); ++x) {
            column_[size_t(x)] = int(qint64(x) * out.width() / size.width());
            ++across_[size_t(column_[size_t(x)])];
        }
        sums_.assign(size_t(out.width()) * 3, 0);
        for (int line = 0; line < out.height(); ++line) {
            const int first = int(qint64(line) * size.height() / out.height());
            const int span = int(qint64(line + 1) * size.height() / out.height()) - first;
            const int taken = std::min(span, RowsPerLine);
            for (int i = 0; i < taken; ++i)
                wanted_.push_back({first + int((2 * qint64(i) + 1) * span / (2 * taken)), line, taken});
        }
        share_.Take(buffered + qint64(row_.size()) + qint64(thumbnail_.sizeInBytes()));
        return true;
    }

    int Unwanted(int y) override { return (next_ < wanted_.size() ? wanted_[next_].Row : height_) - y; }

    uchar *Row(int) override { return row_.data(); }

    void Took(int) override
    {
        for (size_t x = 0; x < column_.size(); ++x)
            for (int c = 0; c < 3; ++c)
                sums_[size_t(column_[x]) * 3 + size_t(c)] += row_[x * 3 + size_t(c)];
        const TWanted &taken = wanted_[next_++];
        if (next_ < wanted_.size() && wanted_[next_].Line == taken.Line)
            return;
        auto *line = reinterpret_cast<QRgb *>(thumbnail_.scanLine(taken.Line));
        for (int x = 0; x < thumbnail_.width(); ++x) {
            const quint32 count = quint32(across_[size_t(x)]) * quint32(taken.Of);
            const quint32 *sum = &sums_[size_t(x) * 3];
            line[x] = qRgb(int((sum[0] + count / 2) / count), int((sum[1] + count / 2) / count),
                           int((sum[2] + count / 2) / count));
        }
        std::fill(sums_.begin(), sums_.end(), 0);
    }

private:
    static constexpr int RowsPerLine = 8;
    struct TWanted {
        int Row;   // of the decoded picture
        int Line;  // of the thumbnail it goes into
        int Of;    // rows that go into that line
    };

    QSize box_;
    QImage thumbnail_;
    std::vector<uchar> row_;
    std::vector<int> column_;   // of the thumbnail, for each column of the decoded picture
    std::vector<int> across_;   // decoded columns in each column of the thumbnail
    std::vector<quint32> sums_;
    std::vector<TWanted> wanted_;
    size_t next_ = 0;
    int height_ = 0;
    TBudgetShare share_;
};

// The thumbnail of a JPEG file through the program's own decoder, which bounds its scans and what it holds,
// decoded at the smallest scale that still covers box: null when it cannot be read or is refused, *tooLarge
// then set for one refused for its size; none for a file that is not a JPEG. The file is read as it is
// decoded, never mapped: a mapped file cut short under the decoder (an editor saving over it) ends the
// process, and its pages count against the picker however large the file.
std::optional<QImage> jpegThumbnail(const QString &file, QSize box, QSize *tooLarge)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly) || in.peek(2) != QByteArrayLiteral("\xFF\xD8"))
        return std::nullopt;
    TThumbnailRows rows(box);
    try {
        JpegRows(in, std::max(box.width(), box.height()), rows);
    } catch (const EJpegTooLarge &e) {
        if (tooLarge)
            *tooLarge = e.PictureSize();
        return QImage();
    } catch (const EInvalidGraphic &) {
        return QImage();
    }
    return rows.Thumbnail();
}

}  // namespace

QImage LoadThumbnail(const QString &file, QSize box, QSize *tooLarge)
{
    // A photograph stored on its side is decoded into the box turned with it, then turned upright.
    const int orientation = JpegFileOrientation(file);
    if (std::optional<QImage> jpeg = jpegThumbnail(file, ExifUprightSize(box, orientation), tooLarge))
        return ExifUpright(*jpeg, orientation);
    QImageReader reader(file);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > box.width() || size.height() > box.height()))
        reader.setScaledSize(size.scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
    // Most readers decode the whole picture before they scale it.
    TBudgetShare share;
    share.Take(size.isValid() ? qint64(size.width()) * size.height() * 4 : 0);
    QImage image = reader.read();
    // A reader turns a picture its file says is turned after scaling it: the rest is scaled here, so a
    // thumbnail is never larger than asked.
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
