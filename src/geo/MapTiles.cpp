#include "geo/MapTiles.h"

#include "base/FileReplace.h"
#include "base/Folders.h"
#include "base/Trim.h"
#include "drawing/JpegImage.h"
#include "geo/MapRequest.h"
#include "platform/MemIniFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPainter>
#include <QPainterPath>
#include <QStandardPaths>
#include <QtEndian>

#include <cmath>
#include <numbers>

namespace {

constexpr double pi = std::numbers::pi;

double WorldSize(int zoom) { return double(mapTileSize) * std::ldexp(1.0, zoom); }

QPointF PixelOfDegrees(double latitude, double longitude, int zoom)
{
    const double size = WorldSize(zoom);
    const double phi = std::clamp(latitude, -85.05112878, 85.05112878) * pi / 180;
    return {(longitude + 180) / 360 * size, (1 - std::log(std::tan(phi) + 1 / std::cos(phi)) / pi) / 2 * size};
}

// A tile as the server sent it, null when it cannot be read. A JPEG goes through the program's own decoder,
// whose bounds keep a tile of endless scans from holding the window for seconds; no tile is larger than four
// times a tile's size.
QImage tileImage(const QByteArray &bytes)
{
    if (bytes.startsWith("\xFF\xD8"))
        return JpegPixels(bytes, 4 * mapTileSize);
    return QImage::fromData(bytes);
}

}  // namespace

QPointF WorldPixel(int32_t latitude, int32_t longitude, int zoom)
{
    return PixelOfDegrees(DegreesOf(latitude), DegreesOf(longitude), zoom);
}

void PositionOfWorldPixel(const QPointF &pixel, int zoom, int32_t &latitude, int32_t &longitude)
{
    const double size = WorldSize(zoom);
    longitude = ThousandthsOf(pixel.x() / size * 360 - 180);
    const double n = pi * (1 - 2 * pixel.y() / size);
    latitude = ThousandthsOf(std::atan(std::sinh(n)) * 180 / pi);
}

TTileSettings ReadTileSettings(const TMemIniFile &ini)
{
    const QString section = QStringLiteral("MAP");
    TTileSettings s;
    s.UrlTemplate = TrimBlanks(ini.ReadString(section, QStringLiteral("TileUrl"),
                                              QStringLiteral("https://cyberjapandata.gsi.go.jp/xyz/std/{z}/{x}/{y}.png")));
    s.Attribution = ini.ReadString(section, QStringLiteral("Attribution"), QStringLiteral("出典：地理院タイル"));
    s.MaxZoom = std::clamp(ini.ReadInteger(section, QStringLiteral("MaxZoom"), 18), 5, 20);
    s.CacheFolder = TrimBlanks(ini.ReadString(section, QStringLiteral("TileCache"), QString()));
    if (s.CacheFolder.isEmpty())
        s.CacheFolder = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)
                        + QStringLiteral("/Oxa/Mirvale18/Tiles");
    return s;
}

TTileCache::TTileCache(const TTileSettings &settings, QObject *parent)
    : QObject(parent), settings_(settings), network_(new QNetworkAccessManager(this))
{
    // One folder per server, so that another server's tiles are never shown for this one.
    const QByteArray server = QCryptographicHash::hash(settings.UrlTemplate.toUtf8(), QCryptographicHash::Sha1);
    folder_ = settings.CacheFolder + QLatin1Char('/') + QString::fromLatin1(server.toHex().left(16));
}

QString TTileCache::fileOf(int zoom, int x, int y) const
{
    return QStringLiteral("%1/%2/%3/%4.png").arg(folder_).arg(zoom).arg(x).arg(y);
}

QImage TTileCache::Tile(int zoom, int x, int y)
{
    const QString key = QStringLiteral("%1/%2/%3").arg(zoom).arg(x).arg(y);
    if (auto it = memory_.constFind(key); it != memory_.constEnd())
        return *it;
    if (zoom > settings_.MaxZoom || settings_.UrlTemplate.isEmpty() || pending_.contains(key) || failed_.contains(key))
        return {};
    const QString file = fileOf(zoom, x, y);
    QFile cached(file);
    if (const QImage image = cached.open(QIODevice::ReadOnly) ? tileImage(cached.readAll()) : QImage();
        !image.isNull()) {
        memory_.insert(key, image);
        return image;
    }
    QString url = settings_.UrlTemplate;
    url.replace(QStringLiteral("{z}"), QString::number(zoom))
        .replace(QStringLiteral("{x}"), QString::number(x))
        .replace(QStringLiteral("{y}"), QString::number(y));
    QNetworkRequest request{QUrl(url)};
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArrayLiteral("Velmora"));
    request.setTransferTimeout(15000);
    pending_.insert(key);
    QNetworkReply *reply = network_->get(request);
    connect(reply, &QNetworkReply::finished, this, [this, reply, key, file] { received(reply, key, file); });
    return {};
}

void TTileCache::received(QNetworkReply *reply, const QString &key, const QString &file)
{
    reply->deleteLater();
    pending_.remove(key);
    const QByteArray bytes = reply->readAll();
    const QImage image = reply->error() == QNetworkReply::NoError ? tileImage(bytes) : QImage();
    if (image.isNull()) {
        failed_.insert(key);
        return;
    }
    memory_.insert(key, image);
    // A tile that cannot be cached is still shown; it is asked for again next run. The places looked at are the
    // user's own affair: the cache is as private as the data.
    if (ForceDirectories(QFileInfo(file).path()))
        ReplaceFileWhole(file, bytes);
    emit TileArrived();
}

bool TBaseMap::Load(const QString &file)
{
    rings_.clear();
    borders_.clear();
    points_.clear();
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = f.readAll();
    qsizetype at = 0;
    auto need = [&](qsizetype n) { return at + n <= data.size(); };
    auto u32 = [&] { const auto v = qFromLittleEndian<quint32>(data.constData() + at); at += 4; return v; };
    auto i32 = [&] { const auto v = qFromLittleEndian<qint32>(data.constData() + at); at += 4; return v; };
    if (!need(24) || !data.startsWith("VMBASEMP"))
        return false;
    at = 8;
    if (u32() != 2)
        return false;
    const quint32 ringCount = u32(), borderCount = u32(), pointCount = u32();
    auto readLines = [&](quint32 count, std::vector<std::vector<QPointF>> &lines) {
        for (quint32 r = 0; r < count; ++r) {
            if (!need(4))
                return false;
            const quint32 n = u32();
            if (!need(qsizetype(n) * 8))
                return false;
            std::vector<QPointF> line;
            line.reserve(n);
            for (quint32 i = 0; i < n; ++i) {
                const int32_t lat = i32();
                line.emplace_back(DegreesOf(i32()), DegreesOf(lat));
            }
            lines.push_back(std::move(line));
        }
        return true;
    };
    if (!readLines(ringCount, rings_) || !readLines(borderCount, borders_))
        return false;
    for (quint32 p = 0; p < pointCount; ++p) {
        if (!need(10))
            return false;
        Point point;
        point.Latitude = i32();
        point.Longitude = i32();
        const quint16 length = qFromLittleEndian<quint16>(data.constData() + at);
        at += 2;
        if (!need(length))
            return false;
        point.Name = QString::fromUtf8(data.constData() + at, length);
        at += length;
        points_.push_back(std::move(point));
    }
    return at == data.size();
}

void TBaseMap::Draw(QPainter &painter, const QSize &size, const QPointF &origin, int zoom) const
{
    painter.fillRect(QRect(QPoint(0, 0), size), QColor(0xAA, 0xD3, 0xDF));
    QPainterPath land;
    for (const auto &ring : rings_) {
        QPolygonF polygon;
        polygon.reserve(qsizetype(ring.size()));
        for (const QPointF &p : ring)
            polygon << PixelOfDegrees(p.y(), p.x(), zoom) - origin;
        land.addPolygon(polygon);
    }
    painter.setPen(QPen(QColor(0x80, 0x80, 0x80), 1));
    painter.setBrush(QColor(0xF2, 0xEF, 0xE9));
    painter.drawPath(land);
    // The borders are right to a few kilometres, up to some ten pixels at zoom 9: nearer the ground they would
    // stray from their rivers and ridges by tens of pixels.
    if (zoom <= 9) {
        QPainterPath borders;
        for (const auto &line : borders_) {
            QPolygonF polyline;
            polyline.reserve(qsizetype(line.size()));
            for (const QPointF &p : line)
                polyline << PixelOfDegrees(p.y(), p.x(), zoom) - origin;
            borders.addPolygon(polyline);
        }
        painter.setPen(QPen(BaseMapBorderColour, 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(borders);
    }
    if (zoom < 9)
        return;
    painter.setPen(QColor(0x40, 0x40, 0x40));
    painter.setBrush(QColor(0x40, 0x40, 0x40));
    const QRectF view(QPointF(0, 0), QSizeF(size));
    // A name that would cover one already written is left out; its point stays.
    std::vector<QRectF> written;
    for (const Point &p : points_) {
        const QPointF at = WorldPixel(p.Latitude, p.Longitude, zoom) - origin;
        if (!view.adjusted(-100, -20, 100, 20).contains(at))
            continue;
        painter.drawEllipse(at, 2.5, 2.5);
        const QRectF label = painter.fontMetrics().boundingRect(p.Name).translated((at + QPointF(5, -3)).toPoint());
        if (std::any_of(written.begin(), written.end(), [&](const QRectF &r) { return r.intersects(label); }))
            continue;
        written.push_back(label);
        painter.drawText(at + QPointF(5, -3), p.Name);
    }
}
