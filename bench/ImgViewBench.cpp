// The image picker on a folder of photographs: how soon the first screenful of thumbnails shows after the
// folder is chosen, how long the window's event loop is ever kept waiting while the rest load, and the whole
// folder. Baseline, in the same run: the first screenful decoded at full size and scaled down, one after the
// other on the window's thread, as a plain viewer does.
// Usage: bench_imgview [pictures [folder]]   (default 2000; the folder keeps the made photographs for reruns)
#include "imgview/ImgView.h"
#include "imgview/Thumbnails.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

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
    const int count = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 2000;
    QTemporaryDir temporary;
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
    // The event loop's longest wait: a timer due every 5 ms notes how late each tick comes.
    qint64 lastTick = 0, longestGap = 0;
    QElapsedTimer loop;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = loop.elapsed();
        longestGap = std::max(longestGap, now - lastTick);
        lastTick = now;
    });
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
    loop.start();
    ticker.start(5);
    form.SetFolder(folder);
    const double listed = timer.nsecsElapsed() / 1e6;
    app.exec();

    std::printf("%-44s %10s %12s\n", "work", "picker", "baseline");
    std::printf("%-44s %8.1f ms %12s\n", "folder chosen: listed (window thread)", listed, "");
    std::printf("%-44s %8.1f ms %9.1f ms\n", "first screenful of thumbnails (24)", firstScreen, baseline);
    std::printf("%-44s %8.1f ms %12s\n", QStringLiteral("all %1 thumbnails").arg(files.size()).toUtf8().constData(), whole, "");
    std::printf("%-44s %8lld ms %12s\n", "longest wait of the event loop while loading", longestGap, "");
    return firstScreen >= 0 ? 0 : 1;
}
