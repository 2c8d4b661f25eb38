// The image picker on a folder of photographs: how soon the first screenful of thumbnails shows after the
// folder is chosen, how long the window's event loop is ever kept waiting while the rest load, and the whole
// folder. Baseline, in the same run: the first screenful decoded at full size and scaled down, one after the
// other on the window's thread, as a plain viewer does.
// With --huge, the picker on copies of a grey picture of 65,500 pixels a side in one scan instead (with
// --huge-progressive, of 9,000 pixels a side in several scans, whose 162 MB of coefficients a decoding buffers):
// when each thumbnail and the preview show, how long the window waits, and the process's peak resident memory.
// Usage: bench_imgview [pictures [folder]]   (default 2000; the folder keeps the made photographs for reruns)
//        bench_imgview --huge|--huge-progressive [copies [folder]]   (default 4)
#include "imgview/ImgView.h"
#include "imgview/Thumbnails.h"

#include "HostileJpegs.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QListView>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

#include <sys/resource.h>

namespace {

constexpr int Screenful = 24;

// A photograph-like picture: a sky-to-ground gradient, shapes and sensor noise, so the JPEG carries as much
// detail as a camera's would.
void makePhotographs(const QString &folder, int count)
{
    QDir().mkpath(folder);
    QRandomGenerator random(2026);
    for (int i = 0; i < count; ++i) {
        const QString name = QDir(folder).filePath(QStringLiteral("IMG_%1.jpg").arg(i, 5, 10, QLatin1Char('0')));
        if (QFile::exists(name))
            continue;
        QImage image(2048, 1536, QImage::Format_RGB32);
        QPainter painter(&image);
        QLinearGradient sky(0, 0, 0, image.height());
        sky.setColorAt(0, QColor::fromHsv(int(random.bounded(360)), 120, 230));
        sky.setColorAt(1, QColor::fromHsv(int(random.bounded(360)), 160, 90));
        painter.fillRect(image.rect(), sky);
        for (int s = 0; s < 12; ++s) {
            painter.setBrush(QColor::fromHsv(int(random.bounded(360)), 200, 200));
            painter.drawEllipse(QPoint(int(random.bounded(2048)), int(random.bounded(1536))), 200, 140);
        }
        painter.end();
        for (int y = 0; y < image.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const int n = int(random.bounded(24)) - 12;
                const QRgb p = line[x];
                line[x] = qRgb(qBound(0, qRed(p) + n, 255), qBound(0, qGreen(p) + n, 255), qBound(0, qBlue(p) + n, 255));
            }
        }
        image.save(name, "JPG", 90);
    }
}

// The longest wait of the event loop: a timer due every 5 ms notes how late each tick comes.
class TLoopWatch {
public:
    TLoopWatch()
    {
        QObject::connect(&ticker_, &QTimer::timeout, [this] {
            const qint64 now = loop_.elapsed();
            longest_ = std::max(longest_, now - last_);
            last_ = now;
        });
        loop_.start();
        ticker_.start(5);
    }
    qint64 Longest() const { return longest_; }

private:
    QElapsedTimer loop_;
    QTimer ticker_;
    qint64 last_ = 0, longest_ = 0;
};

qint64 peakResidentMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// Copies of a grey picture of side pixels a side in folder; the picker's thumbnails, its preview of the first
// and then of the second picture chosen, each timed from the folder's choice or the choice of the picture, the
// window's longest wait throughout, and the peak resident memory of the process.
int huge(QApplication &app, int copies, const QString &folder, bool progressive)
{
    const int Side = progressive ? 9000 : 65500;
    QDir().mkpath(folder);
    QByteArray picture;
    for (int i = 0; i < copies; ++i) {
        const QString name = QDir(folder).filePath(QStringLiteral("huge_%1.jpg").arg(i));
        if (QFile::exists(name))
            continue;
        if (picture.isEmpty())
            picture = progressive ? ProgressiveJpeg(Side, Side, 5) : BaselineJpeg(Side, Side);
        QFile out(name);
        if (!out.open(QIODevice::WriteOnly) || out.write(picture) != picture.size())
            return 2;
    }
    picture = QByteArray();
    std::printf("%d pictures of %d x %d in %s, peak before the picker %lld MB\n", copies, Side, Side,
                qPrintable(folder), peakResidentMb());

    TImageViewForm form(nullptr);
    form.show();
    QApplication::processEvents();
    auto *info = form.findChild<QLabel *>("lblInfo");
    auto *list = form.findChild<QListView *>("lvPictures");
    TThumbnailModel *model = form.Thumbnails();
    QElapsedTimer timer;
    std::vector<double> arrived;
    int shown = 0;
    QObject::connect(model, &QAbstractItemModel::dataChanged, [&](const QModelIndex &at) {
        arrived.push_back(timer.nsecsElapsed() / 1e6);
        // A picture refused keeps the grey placeholder of the whole thumbnail's size.
        shown += model->data(at, Qt::DecorationRole).value<QImage>().size()
                 == QSize(Side, Side).scaled(TThumbnailModel::ThumbnailSize(), Qt::KeepAspectRatio);
    });
    double previewShown = -1;
    QTimer previewWatch;
    QObject::connect(&previewWatch, &QTimer::timeout, [&] {
        // Shown or refused: the preview's note no longer says it is loading.
        if (previewShown < 0 && !info->text().isEmpty() && !info->text().endsWith(QStringLiteral("読み込み中")))
            previewShown = timer.nsecsElapsed() / 1e6;
        if (previewShown >= 0 && model->LoadedCount() == model->rowCount())
            app.quit();
    });
    TLoopWatch watch;
    previewWatch.start(1);
    timer.start();
    form.SetFolder(folder);
    const double listed = timer.nsecsElapsed() / 1e6;
    app.exec();
    const qint64 loadingWait = watch.Longest();

    // A second picture chosen: the window's thread only starts its preview.
    previewShown = -1;
    timer.restart();
    list->setCurrentIndex(model->index(copies > 1 ? 1 : 0));
    const double chosen = timer.nsecsElapsed() / 1e6;
    app.exec();

    std::printf("%-48s %10.1f ms\n", "folder chosen: listed (window thread)", listed);
    for (size_t i = 0; i < arrived.size(); ++i)
        std::printf("%-48s %10.1f ms\n", QStringLiteral("thumbnail %1 arrived").arg(i + 1).toUtf8().constData(),
                    arrived[i]);
    std::printf("%-48s %7d of %d\n", "thumbnails shown (the rest refused)", shown, copies);
    std::printf("%-48s %10lld ms\n", "longest wait of the event loop while loading", loadingWait);
    std::printf("%-48s %10.1f ms\n", "second picture chosen: window thread", chosen);
    std::printf("%-48s %10.1f ms\n", "second picture's preview shown or refused", previewShown);
    std::printf("%-48s %10lld ms\n", "longest wait of the event loop, all told", watch.Longest());
    std::printf("%-48s %10lld MB\n", "peak resident memory of the process", peakResidentMb());
    return 0;
}

}  // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The picker keeps its last folder in the data location: a private one, so a run starts where a first
    // start does and leaves the user's settings alone.
    QTemporaryDir dataHome;
    qputenv("XDG_DATA_HOME", dataHome.path().toLocal8Bit());
    QApplication app(argc, argv);
    QTemporaryDir temporary;
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (mode == "--huge" || mode == "--huge-progressive")
        return huge(app, argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 4,
                    argc > 3 ? QString::fromLocal8Bit(argv[3]) : temporary.path(), mode == "--huge-progressive");
    const int count = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 2000;
    const QString folder = argc > 2 ? QString::fromLocal8Bit(argv[2]) : temporary.path();
    std::printf("making %d photographs of 2048 x 1536 in %s ...\n", count, qPrintable(folder));
    std::fflush(stdout);
    makePhotographs(folder, count);
    const QStringList files = PictureFiles(folder);

    // Baseline: the first screenful decoded whole and scaled, on the window's thread.
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < Screenful && i < files.size(); ++i) {
        [[maybe_unused]] const QImage thumbnail =
            QImage(QDir(folder).filePath(files[i])).scaled(TThumbnailModel::ThumbnailSize(), Qt::KeepAspectRatio);
    }
    const double baseline = timer.nsecsElapsed() / 1e6;

    TImageViewForm form(nullptr);
    form.show();
    QApplication::processEvents();
    double firstScreen = -1, whole = -1;
    TThumbnailModel *model = form.Thumbnails();
    QObject::connect(model, &QAbstractItemModel::dataChanged, [&] {
        if (firstScreen < 0) {
            for (int row = 0; row < Screenful && row < model->rowCount(); ++row)
                if (!model->data(model->index(row), TThumbnailModel::LoadedRole).toBool())
                    return;
            firstScreen = timer.nsecsElapsed() / 1e6;
        }
    });
    QObject::connect(model, &TThumbnailModel::AllLoaded, [&] {
        whole = timer.nsecsElapsed() / 1e6;
        app.quit();
    });
    timer.restart();
    const TLoopWatch watch;
    form.SetFolder(folder);
    const double listed = timer.nsecsElapsed() / 1e6;
    app.exec();

    std::printf("%-44s %10s %12s\n", "work", "picker", "baseline");
    std::printf("%-44s %8.1f ms %12s\n", "folder chosen: listed (window thread)", listed, "");
    std::printf("%-44s %8.1f ms %9.1f ms\n", "first screenful of thumbnails (24)", firstScreen, baseline);
    std::printf("%-44s %8.1f ms %12s\n", QStringLiteral("all %1 thumbnails").arg(files.size()).toUtf8().constData(), whole, "");
    std::printf("%-44s %8lld ms %12s\n", "longest wait of the event loop while loading", watch.Longest(), "");
    return firstScreen >= 0 ? 0 : 1;
}
