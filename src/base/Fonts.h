// The program's font value and its helpers for vertical, rotated and narrowed text, and the face list.
#pragma once

#include <QFont>
#include <QList>
#include <QString>

class QPaintDevice;
class QRawFont;

inline constexpr int ANSI_CHARSET = 0;
inline constexpr int SYMBOL_CHARSET = 2;
inline constexpr int SHIFTJIS_CHARSET = 128;

// A font as the layouts store it. Font's family is the face name exactly as stored ("ＭＳ 明朝"), a leading
// "@" marking a face for vertical writing. QFont carries none of escapement, orientation, width or the "@"
// meaning: the drawing code applies them (rotation, horizontal stretch, vertical shaping) when it draws.
struct TLogFont {
    QFont Font;
    int Charset = ANSI_CHARSET;
    int Escapement = 0;   // tenths of a degree, counter-clockwise
    int Orientation = 0;  // tenths of a degree
    int Width = 0;        // average character width in pixels of the device it was measured on; 0 = natural
};

// One entry of the face list: the face name with the charset it is offered in.
struct TFontFace {
    QString Name;
    int Charset = ANSI_CHARSET;
};

// The scalable faces installed, sorted, once each: Japanese faces as Shift-JIS, Latin faces as ANSI and,
// with moreCharsets, symbol faces as Symbol. Faces named with "@" and copies AddFaceCopy made are left out.
QList<TFontFace> ListFontNames(bool fixedPitchOnly, bool moreCharsets);

// The string of the face's naming table with the identifier (1 family, 2 style, 6 PostScript name), from its
// Windows or its Macintosh record; empty when the table has none.
QString FaceNameString(const QRawFont &face, int id);

// Registers a copy of face (any size) whose family and PostScript name are family, for drawing that needs the
// face under a name of its own: a PDF writer embeds a face once per name. The copy draws every glyph as the face
// does. False when it cannot be registered.
bool AddFaceCopy(const QRawFont &face, const QString &family);
// Whether AddFaceCopy registered family.
bool IsFaceCopy(const QString &family);

void MakeVerticalFont(TLogFont &font);
void MakeHorizontalFont(TLogFont &font);

// Narrows or widens the font to ratio times its natural average character width measured on device
// (the screen when null), so printing code passes the printer. Ratios 0 and 1 restore the natural width.
void SetFontWidthRatio(TLogFont &font, double ratio, const QPaintDevice *device = nullptr);

void RotateFont180(TLogFont &font);

// Style bits: 1 bold, 2 italic, 4 underline, 8 strike-out. size is in points.
bool SetFontSpec(TLogFont *font, int charset, const QString &face, int styleBits, int size);
int GetFontStyleBits(const TLogFont &font);

// Maps the program's mincho and gothic faces (and their "@" forms) onto the installed Japanese faces, so
// layouts made with them keep their look. Called once at start; calling again changes nothing.
void InstallFontSubstitutions();

// Makes the program's own Japanese gothic face the font of every window, keeping the desktop's size. Nothing
// changes when no such face is installed.
void InstallUiFont();
