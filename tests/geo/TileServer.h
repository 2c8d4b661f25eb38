// A tile server of the test on 127.0.0.1: every tile a plain PNG whose colour tells its zoom level, so that a
// picture of the map shows which tiles it was drawn from; it counts the requests it answered.
#pragma once

#include <QColor>
#include <QTcpServer>

class TileServer : public QTcpServer {
public:
    TileServer();
    // "http://127.0.0.1:port/{z}/{x}/{y}.png"
    QString urlTemplate() const;
    static QColor colourOf(int zoom) { return QColor(20 * (zoom % 12), 200, 60); }
    int requests = 0;
};
