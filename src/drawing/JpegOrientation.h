// The orientation a JPEG's EXIF gives its picture (how cameras and phones mark a portrait shot stored on its
// side), and the mirror and turn that bring the stored pixels upright.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

// The mirror and turn of one EXIF orientation: the stored pixels mirrored left to right first when
// Mirrored, then turned clockwise by Quarters quarter turns (0 to 3).
struct TExifTurn {
    bool Mirrored = false;
    int Quarters = 0;
    // The turn as the image routines and the picture object take it: 0 a quarter turn anticlockwise, 1
    // clockwise, 2 a half turn; -1 for none.
    int TurnMode() const
    {
        static constexpr int Modes[] = {-1, 1, 2, 0};
        return Modes[Quarters & 3];
    }
};

// The orientation (1 to 8) the EXIF of JPEG data gives its picture; 1, as stored, when the data holds no
// EXIF before its first scan, or one that cannot be read or gives no valid orientation.
int JpegOrientation(const QByteArray &data);
// The same for the head of a JPEG file; 1 for a file that cannot be read or is not a JPEG.
int JpegFileOrientation(const QString &fileName);
TExifTurn ExifTurn(int orientation);
// The size of a picture stored at size once upright: its sides swapped by the orientations of a quarter turn
// (5 to 8).
QSize ExifUprightSize(QSize size, int orientation);
// image mirrored and turned upright as orientation says; image itself for 1 or one the image routines
// cannot turn.
QImage ExifUpright(const QImage &image, int orientation);
