// The numbers and colours that layouts, tables and windows share.
#pragma once

#include <QColor>

#include <cstdint>

// Nearest integer, halves away from zero.
int64_t RoundHalfAway(long double x);

// Colours as the tables and the layouts keep them: 0x00BBGGRR.
QColor ColorFromBgr(int32_t bgr);
int32_t BgrFromColor(const QColor &color);
