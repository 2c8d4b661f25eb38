// The cached picture of the text and figure objects: drawing recorded at the printer's resolution and played
// into a rectangle grown by one unit to the right and bottom.
#pragma once

#include <QColor>
#include <QGlyphRun>
#include <QList>
#include <QPicture>
#include <QRect>
#include <QStringList>
#include <QTransform>

#include <memory>
#include <optional>

class QPainter;

// Shapes are kept as QPicture recordings; text is kept as glyph runs beside them, in drawing order, since a
// QPicture turns glyph runs into outlines and the printed or PDF page must keep real text.
class TMetafileEx {
public:
    TMetafileEx();
    ~TMetafileEx();
    TMetafileEx(const TMetafileEx &other);
    TMetafileEx &operator=(const TMetafileEx &other);

    void Clear();
    bool Empty() const { return items_.isEmpty(); }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetSize(int width, int height);

    // ---- Recording, used by a canvas that records into this picture ----
    // A painter for shapes under clip (picture coordinates); it stays open until the next call of another
    // kind or a different clip.
    QPainter &ShapePainter(const std::optional<QRect> &clip);
    // texts: what each glyph stands for, as TPlacedRun holds it; the play draws the run with DrawGlyphRun.
    void AddGlyphs(const QGlyphRun &run, const QStringList &texts, const QTransform &transform, const QColor &colour,
                   const std::optional<QRect> &clip);
    // Appends every item of picture as played into target under clip (coordinates of this picture).
    void AddPicture(const TMetafileEx &picture, const QRectF &target, const std::optional<QRect> &clip);
    void EndRecording();

    // Plays the items on painter, the picture's (0, 0, Width, Height) mapped onto target in the painter's
    // space (device), each item also clipped to outerClip when given.
    void Play(QPainter &painter, const QTransform &device, const QRectF &target,
              const std::optional<QRect> &outerClip) const;

private:
    struct TItem {
        std::shared_ptr<QPicture> Shapes;   // null for a glyph item
        QGlyphRun Glyphs;
        QStringList Texts;                  // what each glyph stands for
        QColor Colour;
        QTransform Frame;                   // item coordinates to picture coordinates
        std::optional<QRectF> Clip;         // picture coordinates
    };
    QTransform placement(const QRectF &target) const;
    // Adds a glyph run to last when it can be drawn as a part of it; false when it cannot.
    static bool joinGlyphs(TItem &last, const QGlyphRun &run, const QStringList &texts, const QTransform &transform,
                           const QColor &colour, const std::optional<QRect> &clip);

    QList<TItem> items_;
    int width_ = 0;
    int height_ = 0;
    std::unique_ptr<QPainter> recorder_;
    std::optional<QRect> recorderClip_;
};
