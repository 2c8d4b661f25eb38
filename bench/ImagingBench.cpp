// Resampling, mirroring and turning a 24-megapixel photograph (6000 × 4000, made the same for every run) with
// the picture helpers, beside Qt's own scaling and transformations of the same picture in the same run.
// Usage: bench_imaging [width height]
#include "drawing/BitmapTransform.h"
#include "drawing/Graphic.h"

#include "BenchSupport.h"

#include <QGuiApplication>
#include <QTransform>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>

namespace {

// Smooth shading, sharp edges and grain, as a photograph has.
QImage photograph(int width, int height)
{
    QImage image(width, height, Bitmap24Format);
    std::mt19937 grain(20261206);
    for (int y = 0; y < height; ++y) {
        uchar *row = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const double shade = 0.5 + 0.5 * std::sin(x * 0.002) * std::cos(y * 0.003);
            const bool edge = ((x / 400) + (y / 300)) % 2 == 0;
            const int noise = int(grain() % 17) - 8;
            row[3 * x] = uchar(std::clamp(int(shade * 220) + (edge ? 30 : 0) + noise, 0, 255));
            row[3 * x + 1] = uchar(std::clamp(int((1 - shade) * 200) + noise, 0, 255));
            row[3 * x + 2] = uchar(std::clamp(int(x * 255 / width) + noise, 0, 255));
        }
    }
    return image;
}

void line(const char *what, QSize size, double ours, double qtSmooth, double qtFast)
{
    std::printf("| %-30s | %5d × %-5d | %8.1f ms | %8.1f ms | %5.2f | %8.1f ms |\n", what, size.width(), size.height(),
                ours * 1000, qtSmooth * 1000, ours / qtSmooth, qtFast * 1000);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char **argv)
{
    UseOffscreenPlatform();
    QGuiApplication app(argc, argv);
    const int width = argc > 2 ? std::atoi(argv[1]) : 6000;
    const int height = argc > 2 ? std::atoi(argv[2]) : 4000;
    const QImage photo = photograph(width, height);
    std::printf("| work | result | helpers | QImage smooth | ratio | QImage fast |\n"
                "|---|---|---:|---:|---:|---:|\n");
    const auto scaling = [&](const char *what, QSize size, TResampleMode mode) {
        const double ours = perRun([&] {
            QImage target(size, Bitmap24Format);
            QImage source = photo;
            ResampleBitmap(source, &target, size.width(), size.height(), mode);
        });
        const double smooth =
            perRun([&] { (void)photo.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation); });
        const double fast = perRun([&] { (void)photo.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation); });
        line(what, size, ours, smooth, fast);
    };
    for (const QSize size : {QSize(width / 4, height / 4), QSize(width / 10, height / 10)}) {
        scaling("shrink, bilinear (mode 0)", size, TResampleMode::Bilinear);
        scaling("shrink, bicubic (mode 1)", size, TResampleMode::Bicubic);
        scaling("shrink, automatic: area (mode 2)", size, TResampleMode::Automatic);
    }
    const QSize larger(width * 6 / 5, height * 6 / 5);
    scaling("enlarge, bilinear (mode 0)", larger, TResampleMode::Bilinear);
    scaling("enlarge, automatic: bicubic (2)", larger, TResampleMode::Automatic);

    const double mirror = perRun([&] { MirrorBitmap(photo, true); });
    const double qtMirror = perRun([&] { (void)photo.mirrored(true, false); });
    line("mirror left to right", photo.size(), mirror, qtMirror, qtMirror);
    const double turn = perRun([&] { RotateBitmap(photo, 1); });
    const double qtTurn = perRun([&] { (void)photo.transformed(QTransform().rotate(90)); });
    line("quarter turn clockwise", photo.size().transposed(), turn, qtTurn, qtTurn);
}
