// Shapes a line of text with HarfBuzz over the font's own tables, horizontally or down a vertical column, and
// places its glyphs as glyph runs, so every output (screen, printer, PDF, recorded picture) gets real text.
#pragma once

#include <QGlyphRun>
#include <QHash>
#include <QList>
#include <QPointF>
#include <QRawFont>
#include <QStringList>
#include <QStringView>
#include <QTransform>

class QPaintDevice;
class QPainter;

// One glyph of a shaped line. Pen is where the glyph's cluster starts along the line, plus the advances of
// the glyphs before it in the same cluster; Offset is the glyph's origin relative to that pen, in the glyph's
// own frame (x along its baseline, y down) in pixels of the font's size.
struct TShapedGlyph {
    quint32 Index = 0;
    int Cluster = 0;          // the first UTF-16 unit of the glyph's cluster
    double InCluster = 0;     // advance of the earlier glyphs of the same cluster
    QPointF Offset;
    bool Upright = false;     // in a vertical line: stands upright (else lies sideways like horizontal text)
    int Fallback = -1;        // the line's fallback face that drew it, or -1 for the line's own
};

struct TShapedLine {
    QRawFont Font;
    // Faces that drew the characters Font lacks, at its size: what fontconfig offers for each character.
    QList<QRawFont> Fallbacks;
    bool Vertical = false;
    QList<TShapedGlyph> Glyphs;
    QList<double> Advances;   // per UTF-16 unit along the line; 0 for the later units of a cluster
    int Ascent = 0;           // whole pixels, as the device reports them
    int Descent = 0;
    int CellHeight() const { return Ascent + Descent; }
    double Length() const;
};

// Vertical lines set kanji, kana and the characters with vertical forms (ー, 、。, brackets, small kana)
// upright, taking the forms through the vert/vrt2 features; characters the Unicode vertical orientation calls
// rotated (Latin letters, half-width digits) lie sideways unless uprightAll is set. A transformed character
// the font has no vertical form for lies sideways like a rotated one. A character the font lacks (𠮷 in most
// Japanese faces, an emoji) is drawn from the installed face fontconfig offers for it, as screen text is;
// only a character no installed face has is left to the font's empty box. The line's metrics stay the font's.
TShapedLine ShapeLine(const QRawFont &font, QStringView text, bool vertical, bool uprightAll = false);

// What each of the glyphs a cluster of text is drawn with stands for: a character each where there are as many
// glyphs as characters (ｶﾞ drawn as ｶ and ﾞ), else the whole text on the first glyph and nothing on the others
// (a ligature, が composed from か and a combining mark).
QStringList ClusterGlyphTexts(QStringView cluster, qsizetype glyphs);

// A glyph run with the transform that takes its coordinates to those of the line's frame, and what each of its
// glyphs stands for (ClusterGlyphTexts).
struct TPlacedRun {
    QGlyphRun Run;
    QTransform Transform;
    QStringList Texts;
};

// The glyphs of line, shaped from text, placed with the top of the line's cell at the origin of the line frame
// (x along the line). starts holds each unit's start along the line in pixels; widthScale narrows or widens the
// glyphs along the line without moving those starts. A vertical line's column lies across y in [0, CellHeight()].
QList<TPlacedRun> PlaceLine(const TShapedLine &line, QStringView text, const QList<double> &starts, double widthScale);

// A PDF writer names each glyph of a font by one character its face maps to it, where a glyph shared by a radical
// or a compatibility ideograph and an ideograph (⻑ and 長, 〜 and ～) answers the lowest and a vertical form
// answers nothing; a PDF's text is corrected from a record of what the glyphs drawn stand for (texts as
// TPlacedRun holds them). A font names each glyph once, so where one document draws a glyph for two texts, the
// glyph stands for the first in the face and for each other in a copy of the face (AddFaceCopy): the writer
// embeds each copy as a font of its own, which draws the glyph as the face does.

// What the glyphs of one font of a PDF stand for.
struct TFaceText {
    QRawFont Font;                   // the face or the copy (any size); empty when nothing was drawn with it
    QHash<quint32, QString> Texts;   // by glyph index
};

// The record of what the glyphs drawn on one device stand for: every glyph run DrawGlyphRun draws there while the
// record lives, which is within the device's life.
class TDrawnText {
public:
    explicit TDrawnText(const QPaintDevice &device);
    ~TDrawnText();
    TDrawnText(const TDrawnText &) = delete;
    TDrawnText &operator=(const TDrawnText &) = delete;

    // The font named postScriptName (as a PDF's BaseFont names it): a face drawn with, or a copy of one.
    TFaceText Face(const QString &postScriptName) const;

private:
    friend void DrawGlyphRun(QPainter &painter, const QPointF &position, const QGlyphRun &run, const QStringList &texts);
    // Records what the glyphs stand for in the face named name; returns for each glyph the font of the face it is
    // to be drawn with (0 the face, n its n-th copy).
    QList<int> record(const QRawFont &font, const QString &name, const QList<quint32> &glyphs, const QStringList &texts);

    const QPaintDevice *device_;
    QHash<QString, QList<TFaceText>> faces_;  // by the face's PostScript name: the face, then its copies
};

// Draws run at position as QPainter::drawGlyphRun does; texts: what each glyph stands for. On a device a
// TDrawnText records, the glyphs are recorded, and a glyph the face already stands for another text with is drawn
// with a copy of the face; each stretch of one font is drawn in turn, so a PDF's text keeps the run's order.
void DrawGlyphRun(QPainter &painter, const QPointF &position, const QGlyphRun &run, const QStringList &texts);
