#include "drawing/BitmapHelpers.h"

#include "base/Units.h"
#include "drawing/JpegImage.h"
#include "drawing/JpegOrientation.h"

#include <QFile>
#include <QPainter>
#include <QtEndian>

#include <cstring>
#include <limits>

namespace {

constexpr int UnknownResolution = 72;

int bigEndian16(const uchar *bytes) { return bytes[0] << 8 | bytes[1]; }

// Dots per inch from the pixels per metre of a bitmap file's info header (every header from the 40-byte one
// on carries them at the same place), 0 when the file gives none.
int bitmapResolution(QFile &file)
{
    uchar field[4];
    if (!file.seek(14) || file.read(reinterpret_cast<char *>(field), 4) != 4
        || qFromLittleEndian<quint32>(field) < 40 || !file.seek(38)
        || file.read(reinterpret_cast<char *>(field), 4) != 4)
        return 0;
    return int(RoundHalfAway(qFromLittleEndian<qint32>(field) / 1000.0L * 25.4L));
}

// Dots per inch from the JFIF segment, found by walking the segments that precede it; 0 when the file has
// none before its image data, or gives no density in absolute units. The walk stops at anything that cannot
// be a segment, so a damaged file cannot send it backwards or past the end.
int jfifResolution(QFile &file)
{
    if (!file.seek(2))
        return 0;
    for (;;) {
        uchar head[4];
        if (file.read(reinterpret_cast<char *>(head), 4) != 4 || head[0] != 0xFF)
            return 0;
        const int marker = bigEndian16(head);
        const int length = bigEndian16(head + 2);
        if (marker == 0xFFDA || marker == 0xFFD9 || length < 2)
            return 0;
        if (marker == 0xFFE0 && length >= 14) {
            // identifier (5), version (2), units (1), horizontal density (2)
            uchar jfif[10];
            if (file.read(reinterpret_cast<char *>(jfif), 10) != 10)
                return 0;
            if (std::memcmp(jfif, "JFIF", 5) == 0) {
                const int density = bigEndian16(jfif + 8);
                switch (jfif[7]) {
                case 1: return density;
                case 2: return int(RoundHalfAway(density * 2.54L));
                default: return 0;  // only an aspect ratio
                }
            }
            if (!file.seek(file.pos() + length - 12))
                return 0;
        } else if (!file.seek(file.pos() + length - 2)) {
            return 0;
        }
    }
}

QSize physicalSize(const QImage &picture, int resolution, double scale)
{
    const long double dpi = resolution > 0 ? resolution : UnknownResolution;
    return QSize(PixelsToLayout(picture.width() * scale, dpi), PixelsToLayout(picture.height() * scale, dpi));
}

// A plain copy without smoothing: scan lines are dropped or repeated, as colour-on-colour stretching does.
void preparePainter(QPainter &painter)
{
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
}

}  // namespace

int PictureKindOfFile(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    if (dot < 0 || dot < fileName.lastIndexOf(u'/'))
        return -1;
    const QString extension = fileName.mid(dot).toUpper();
    if (extension == u".BMP")
        return 1;
    if (extension == u".JPG" || extension == u".JPEG")
        return 2;
    if (extension == u".PNG")
        return 3;
    return -1;
}

std::unique_ptr<TGraphic> LoadPictureFile(const QString &fileName, int &resolution,
                                          const std::function<int(QSize)> &jpegCover)
{
    if (PictureKindOfFile(fileName) < 0)
        return nullptr;
    resolution = UnknownResolution;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EStreamError(
            QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, file.errorString()).toStdString());
    uchar signature[2];
    if (file.read(reinterpret_cast<char *>(signature), 2) != 2)
        return nullptr;
    std::unique_ptr<TGraphic> graphic;
    try {
        if (bigEndian16(signature) == 0x424D) {
            if (const int dpi = bitmapResolution(file); dpi > 0)
                resolution = dpi;
            file.seek(0);
            graphic = std::make_unique<TBitmapGraphic>(ToBitmap24(ReadBitmapImage(file)));
        } else if (bigEndian16(signature) == 0xFFD8) {
            if (const int dpi = jfifResolution(file); dpi > 0)
                resolution = dpi;
            file.seek(0);
            const QByteArray data = file.readAll();
            auto jpeg = std::make_unique<TJpegImage>();
            const QSize upright = ExifUprightSize(JpegPictureSize(data), JpegOrientation(data));
            jpeg->LoadFromData(data, std::numeric_limits<int>::max(), jpegCover ? jpegCover(upright) : 0);
            graphic = std::move(jpeg);
        } else if (bigEndian16(signature) == 0x8950) {
            // The objects keep bitmaps and JPEGs only: a PNG becomes a bitmap, its transparent parts white as
            // the paper they would have shown.
            file.seek(0);
            const QImage png = QImage::fromData(file.readAll(), "PNG");
            if (!png.isNull()) {
                if (png.dotsPerMeterX() > 0)
                    resolution = int(RoundHalfAway(png.dotsPerMeterX() / 1000.0L * 25.4L));
                QImage flat(png.size(), Bitmap24Format);
                flat.fill(Qt::white);
                QPainter(&flat).drawImage(0, 0, png);
                graphic = std::make_unique<TBitmapGraphic>(flat);
            }
        }
    } catch (const EJpegTooLarge &) {
        throw;
    } catch (const EStreamError &) {
        // A picture that cannot be decoded is no picture; the caller says so.
    }
    if (graphic && graphic->Empty())
        graphic.reset();
    return graphic;
}

void DrawPictureCentred(const QImage &picture, int resolution, QImage &target, double scale)
{
    const QSize size = physicalSize(picture, resolution, scale);
    QPainter painter(&target);
    preparePainter(painter);
    painter.drawImage(QRect((target.width() - size.width()) / 2, (target.height() - size.height()) / 2,
                            size.width(), size.height()),
                      picture);
}

void DrawPictureTiled(const QImage &picture, int resolution, QImage &target, bool fromBottomRight, double scale)
{
    const QSize tile = physicalSize(picture, resolution, scale);
    if (tile.width() < 1 || tile.height() < 1)
        return;
    const int columns = (target.width() + tile.width() - 1) / tile.width();
    const int rows = (target.height() + tile.height() - 1) / tile.height();
    QPainter painter(&target);
    preparePainter(painter);
    for (int i = 0; i < columns; ++i) {
        for (int j = 0; j < rows; ++j) {
            const QPoint at = fromBottomRight ? QPoint(target.width() - (i + 1) * tile.width(),
                                                       target.height() - (j + 1) * tile.height())
                                              : QPoint(i * tile.width(), j * tile.height());
            painter.drawImage(QRect(at, tile), picture);
        }
    }
}

void PrintBitmap(TCanvas &canvas, const QImage &bitmap, const TRect &rect, unsigned rop)
{
    canvas.StretchDIBits(rect, bitmap, rop);
}
