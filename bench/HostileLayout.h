// A layout document that carries a picture of the caller's bytes, for the bench of the picture decoder and the
// tests that open documents with hostile pictures (HostileJpegs.h).
#pragma once

#include <QByteArray>

// A postcard layout ("Mirzon Layout File") holding a text and a picture object of the given size (layout units,
// 1/96 inch) whose JPEG is illustration, with thumbnail as its stored thumbnail.
QByteArray LayoutWithPictures(const QByteArray &illustration, int objectWidth, int objectHeight,
                              const QByteArray &thumbnail);
