// Masked drawing of a page-size picture and an odd-angle gradient on an A4 page at 600 dpi, each beside the
// plain Qt operation that does the nearest thing, in the same run.
#include "BenchSupport.h"

#include "drawing/GradientFill.h"
#include "drawing/MaskedDraw.h"
#include "drawing/MetafileEx.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QSvgRenderer>

#include <cmath>
#include <cstdio>

namespace {

// A4 at 600 dpi.
constexpr int PageWidth = 4961;
constexpr int PageHeight = 7016;

// A photograph-like picture of a page at 300 dpi: smooth colours with fine detail.
QImage pagePicture()
{
    QImage picture(2480, 3508, QImage::Format_RGB888);
    for (int y = 0; y < picture.height(); ++y) {
        uchar *line = picture.scanLine(y);
        for (int x = 0; x < picture.width(); ++x) {
            line[3 * x] = uchar(x * 255 / picture.width());
            line[3 * x + 1] = uchar(y * 255 / picture.height());
            line[3 * x + 2] = uchar((x * 7 + y * 13) & 0xFF);
        }
    }
    return picture;
}

}  // namespace

int main(int argc, char **argv)
{
    UseOffscreenPlatform();
    QGuiApplication app(argc, argv);
    const QString maskFile = QStringLiteral(VELMORA_APP_DIR "/Common/Mask/Itm01.svg");
    TMetafileEx ellipse;
    if (!LoadMaskShape(maskFile, ellipse)) {
        std::fprintf(stderr, "no mask shape %s\n", qPrintable(maskFile));
        return 1;
    }
    const QImage picture = pagePicture();
    QImage page(PageWidth, PageHeight, QImage::Format_RGB32);
    const TRect target{0, 0, PageWidth, PageHeight};
    const QRect whole(0, 0, PageWidth, PageHeight);

    std::printf("Page %d x %d (A4 at 600 dpi), picture %d x %d\n\n", PageWidth, PageHeight, picture.width(),
                picture.height());
    printHeader("ours", "plain Qt");

    // Cut out by the ellipse, composed: our bands with alpha against a page-size layer of the shape with the
    // picture drawn into it by SourceIn.
    const double composed = perRun([&] {
        page.fill(Qt::white);
        QPainter painter(&page);
        TCanvas canvas(painter, 600, 600);
        DrawWithMask(canvas, picture, ellipse, target, target);
    });
    QSvgRenderer svg(maskFile);
    const double layered = perRun([&] {
        page.fill(Qt::white);
        QImage layer(PageWidth, PageHeight, QImage::Format_ARGB32_Premultiplied);
        layer.fill(Qt::transparent);
        {
            QPainter shape(&layer);
            svg.render(&shape, QRectF(whole));
            shape.setCompositionMode(QPainter::CompositionMode_SourceIn);
            shape.drawImage(whole, picture);
        }
        QPainter(&page).drawImage(0, 0, layer);
    });
    print({"cut-out, composed (DrawWithMask)", composed, layered, PageHeight});

    // Cut out by the ellipse through a clip: our region from the mask against a clip path of the ellipse.
    const double clipped = perRun([&] {
        page.fill(Qt::white);
        QPainter painter(&page);
        TCanvas canvas(painter, 600, 600);
        DrawClippedByMask(canvas, picture, ellipse, target, target);
    });
    const double clipPath = perRun([&] {
        page.fill(Qt::white);
        QPainter painter(&page);
        QPainterPath path;
        path.addEllipse(QRectF(whole));
        painter.setClipPath(path);
        painter.drawImage(whole, picture);
    });
    print({"cut-out, clipped (DrawClippedByMask)", clipped, clipPath, PageHeight});

    // A gradient at 30 degrees over the page: ours pixel by pixel against QLinearGradient along the same line.
    QImage bitmap(PageWidth, PageHeight, QImage::Format_RGB888);
    const QColor first(200, 40, 10);
    const QColor second(20, 240, 130);
    const double gradient = perRun([&] { FillGradient(bitmap, 30, first, second); });
    const double linear = perRun([&] {
        const double theta = 30 * M_PI / 180;
        QLinearGradient line(QPointF(0, 0), QPointF(PageWidth * std::cos(theta) * std::cos(theta),
                                                    PageWidth * std::cos(theta) * std::sin(theta)));
        line.setColorAt(0, first);
        line.setColorAt(1, second);
        QPainter(&bitmap).fillRect(whole, line);
    });
    print({"gradient at 30 degrees (FillGradient)", gradient, linear, PageHeight});
    return 0;
}
