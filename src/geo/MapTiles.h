// What the map window draws: raster tiles of the usual web tile scheme from the tile server of the settings,
// cached on disk, over the offline base map shipped in "Dic/BaseMap.dat" (coastline, prefecture borders and
// municipalities).
#pragma once

#include <QColor>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QPointF>
#include <QSet>
#include <QString>

#include <cstdint>
#include <vector>

class QNetworkAccessManager;
class QNetworkReply;
class QPainter;
class TMemIniFile;

inline constexpr int mapTileSize = 256;

// A position (1/1000 second of arc) as a pixel of the whole world at a zoom level (spherical Mercator), and
// back.
QPointF WorldPixel(int32_t latitude, int32_t longitude, int zoom);
void PositionOfWorldPixel(const QPointF &pixel, int zoom, int32_t &latitude, int32_t &longitude);

// The tile server: [MAP] TileUrl ({z}, {x}, {y}), Attribution, MaxZoom; the cache folder is
// [MAP] TileCache, else the user's cache folder.
struct TTileSettings {
    QString UrlTemplate;
    QString Attribution;
    QString CacheFolder;
    int MaxZoom = 18;
};
TTileSettings ReadTileSettings(const TMemIniFile &ini);

// Tiles as they arrive: from memory, else from the disk cache, else asked of the server once per run (a tile
// that failed stays missing until the next run).
class TTileCache : public QObject {
    Q_OBJECT
public:
    TTileCache(const TTileSettings &settings, QObject *parent);
    // The tile, or a null image while it is not there (it is then asked for, and TileArrived follows).
    QImage Tile(int zoom, int x, int y);
    int Pending() const { return int(pending_.size()); }

signals:
    void TileArrived();

private:
    QString fileOf(int zoom, int x, int y) const;
    void received(QNetworkReply *reply, const QString &key, const QString &file);

    TTileSettings settings_;
    QString folder_;
    QNetworkAccessManager *network_;
    QHash<QString, QImage> memory_;
    QSet<QString> pending_, failed_;
};

// The offline base map.
inline const QColor BaseMapBorderColour{0xA0, 0x50, 0xA0};
class TBaseMap {
public:
    struct Point {
        int32_t Latitude, Longitude;
        QString Name;
    };
    // False when the file is missing or damaged (the map window then counts as not installed).
    bool Load(const QString &file);
    const std::vector<std::vector<QPointF>> &Rings() const { return rings_; }  // (longitude, latitude) degrees
    const std::vector<Point> &Points() const { return points_; }
    // Draws sea, land, up to zoom 9 the prefecture borders and from zoom 9 on the municipalities, for a view
    // whose top-left world pixel is origin.
    void Draw(QPainter &painter, const QSize &size, const QPointF &origin, int zoom) const;

private:
    std::vector<std::vector<QPointF>> rings_, borders_;
    std::vector<Point> points_;
};
