// TImageViewForm ("画像参照ツール"): the image picker's window. The folder tree on the left, the thumbnails of
// the folder's pictures (loaded in the background), the preview of the chosen one, and in selection mode the
// button that hands it to the designer that asked.
#pragma once

#include <QMainWindow>

#include <memory>

class QFileSystemModel;
class QLabel;
class QListView;
class QPushButton;
class QThreadPool;
class QTreeView;
class TPickerServer;
class TThumbnailModel;

class TImageViewForm : public QMainWindow {
    Q_OBJECT
public:
    // server may be null (a picker that hands nothing over). The folder shown first is the one of the last
    // run ("ImgView.ini"), else the user's pictures folder, else the home folder.
    explicit TImageViewForm(TPickerServer *server, QWidget *parent = nullptr);
    ~TImageViewForm() override;

    void SetSelectMode(bool select);
    bool SelectMode() const { return selectMode_; }
    void SetFolder(const QString &folder);
    QString Folder() const;
    // The picture chosen in the thumbnails, empty for none.
    QString ChosenFile() const;
    TThumbnailModel *Thumbnails() const { return thumbnails_; }

    // The settings file of the picker, in the program's data location.
    static QString SettingsFile();

signals:
    // A picture was handed over (also when no designer was there to take it: Handed is then false).
    void FileHandedOver(const QString &file, bool handed);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void tvFolderChanged();
    void pictureChanged();
    // size is the picture's own; tooLarge when the decoder refused it for that size.
    void previewReady(int request, const QString &file, const QImage &preview, QSize size, bool tooLarge);
    void btnSelectClick();
    void updateStatus();

    TPickerServer *server_;
    bool selectMode_ = false;
    bool closing_ = false;
    QFileSystemModel *folders_ = nullptr;
    TThumbnailModel *thumbnails_ = nullptr;
    QTreeView *tvFolder = nullptr;
    QListView *lvPictures = nullptr;
    QLabel *lblPreview = nullptr;
    QLabel *lblInfo = nullptr;
    QLabel *lblStatus = nullptr;
    QPushButton *btnSelect = nullptr;
    QPushButton *btnClose = nullptr;
    // The preview decodes away from the window, so a large picture does not hold it; a newer choice
    // supersedes the one still decoding.
    QString previewFile_;
    int previewRequest_ = 0;
    std::unique_ptr<QThreadPool> previewPool_;
};
