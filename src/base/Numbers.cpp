#include "base/Numbers.h"

#include <QLocale>

#include <cmath>

int64_t RoundHalfAway(long double x)
{
    return static_cast<int64_t>(x >= 0 ? std::trunc(x + 0.5L) : std::trunc(x - 0.5L));
}

QColor ColorFromBgr(int32_t bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

int32_t BgrFromColor(const QColor &color) { return color.red() | (color.green() << 8) | (color.blue() << 16); }

QString KilobyteText(qint64 bytes)
{
    // Rounded up without adding first: no size overflows.
    const qint64 kilobytes = bytes <= 0 ? 0 : bytes / 1024 + (bytes % 1024 != 0);
    return QLocale(QLocale::Japanese, QLocale::Japan).toString(kilobytes) + QStringLiteral(" KB");
}
