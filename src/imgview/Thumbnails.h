// The pictures of a folder and their thumbnails: the listing, the decoding at thumbnail size, the background
// loader that keeps the window free while a folder of thousands of photographs loads, and the list model the
// thumbnail view shows.
#pragma once

#include <QAbstractListModel>
#include <QImage>
#include <QSize>
#include <QStringList>

#include <atomic>
#include <memory>
#include <vector>

class QThreadPool;

// The BMP, JPEG and PNG files of folder (by their extension, any case), sorted by name, without folders.
QStringList PictureFiles(const QString &folder);

// The picture of file decoded at most box large, its proportions kept and upright as its EXIF orientation says
// (a JPEG, known by its content, is decoded by the program's own decoder at the reduced size directly, read as
// it is decoded); a null image when it cannot be read or the decoder refuses it, and then *tooLarge, when given,
// set to the picture's own size if it was refused for that size (EJpegTooLarge). Never larger than the picture
// itself.
QImage LoadThumbnail(const QString &file, QSize box, QSize *tooLarge = nullptr);

// The list of a folder's pictures with their thumbnails as they arrive.
class TThumbnailModel : public QAbstractListModel {
    Q_OBJECT
public:
    static constexpr int PathRole = Qt::UserRole + 1;
    // Set for a picture whose thumbnail has been tried (a picture that cannot be read stays without one).
    static constexpr int LoadedRole = Qt::UserRole + 2;

    explicit TThumbnailModel(QObject *parent = nullptr);
    ~TThumbnailModel() override;

    // Lists folder at once and starts loading its thumbnails in the background, in list order; a load still
    // running for the folder before is abandoned.
    void SetFolder(const QString &folder);
    QString Folder() const { return folder_; }
    // How many thumbnails have arrived for the current folder.
    int LoadedCount() const { return loaded_; }
    QString FilePath(int row) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;

    static QSize ThumbnailSize() { return {112, 84}; }

signals:
    // Every thumbnail of the folder has been tried.
    void AllLoaded();

private:
    struct TItem {
        QString Name;
        QImage Thumbnail;
        bool Loaded = false;
    };
    void thumbnailReady(int generation, int row, const QImage &image);

    QString folder_;
    std::vector<TItem> items_;
    int loaded_ = 0;
    QImage placeholder_;
    // Each folder is one generation; workers of an older one stop at their next picture.
    std::shared_ptr<std::atomic<int>> generation_;
    std::unique_ptr<QThreadPool> pool_;
};
