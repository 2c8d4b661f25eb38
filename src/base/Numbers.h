// The numbers and colours that layouts, tables and windows share.
#pragma once

#include <QColor>
#include <QString>

#include <cstdint>

// Nearest integer, halves away from zero.
int64_t RoundHalfAway(long double x);
// The same as an int, for pixel and layout-unit values.
inline int RoundToInt(long double x) { return static_cast<int>(RoundHalfAway(x)); }

// Colours as the tables and the layouts keep them: 0x00BBGGRR.
QColor ColorFromBgr(int32_t bgr);
int32_t BgrFromColor(const QColor &color);

// More bytes than any disk holds: a file or a set of files said to be larger is no real one (a damaged or
// hostile list), and is refused where its size is read.
inline constexpr qint64 MaxDiskBytes = qint64(1) << 50;

// A file's size as the desktop's file lists show it: whole kilobytes rounded up, thousands separated ("1,234 KB").
QString KilobyteText(qint64 bytes);
