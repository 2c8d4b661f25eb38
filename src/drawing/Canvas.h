// The device context the drawing objects draw through: a font with escapement, text measured from the real
// font and drawn as glyph runs, pens, brushes and rectangles, a clip rectangle and the device's resolution.
// It draws on a QPainter (QImage, QPrinter, QPdfWriter, the screen) or records into a TMetafileEx.
#pragma once

#include "base/Fonts.h"
#include "drawing/Rect.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QPoint>
#include <QPen>
#include <QRect>
#include <QRectF>
#include <QRegion>
#include <QSize>
#include <QStringView>
#include <QTransform>

#include <array>
#include <memory>
#include <optional>

class QImage;
class QPainter;
class QPaintDevice;
class QRawFont;
class TMetafileEx;
struct TPlacedRun;

// The largest font size in points the canvas draws and a stream may give (what the font dialogs offer).
inline constexpr int MaxFontPoints = 1638;

// A font as the objects hold it and the canvas selects it: the font value (face, style, escapement, width),
// its colour and, on a canvas, its height in device pixels (negative: the character height; positive: the
// cell height, internal leading included). The point size stays in Log.Font.
struct TFont {
    TLogFont Log;
    QColor Color = Qt::black;
    int Height = 0;
};

// The printer a drawing is made for, as far as the objects ask: whether there is one, its resolution and the
// offsets of its printable area (from TPrinterInfo::RenderTarget). Without one, layouts render at 96 dots per
// inch. Each canvas carries its own, so a preview and a print job can each draw for theirs at the same time.
struct TRenderTarget {
    bool Installed = false;
    int LogPixelsX = 96;
    int LogPixelsY = 96;
    int PhysicalOffsetX = 0;
    int PhysicalOffsetY = 0;
};

// Options of ExtTextOutW, text alignment and background modes, with the device's values.
inline constexpr unsigned ETO_OPAQUE = 2;
inline constexpr unsigned ETO_CLIPPED = 4;
inline constexpr unsigned TA_LEFT = 0;
inline constexpr unsigned TA_RIGHT = 2;
inline constexpr unsigned TA_CENTER = 6;
inline constexpr unsigned TA_TOP = 0;
inline constexpr unsigned TA_BOTTOM = 8;
inline constexpr unsigned TA_BASELINE = 24;
// Raster operations of bitmap transfers, with the device's values.
inline constexpr unsigned SRCCOPY = 0x00CC0020;
inline constexpr unsigned SRCPAINT = 0x00EE0086;
inline constexpr unsigned SRCAND = 0x008800C6;
inline constexpr unsigned SRCINVERT = 0x00660046;
inline constexpr unsigned SRCERASE = 0x00440328;
enum class TBkMode { Transparent = 1, Opaque = 2 };
// Kinds of the points of a path, with the device's values.
inline constexpr quint8 PT_CLOSEFIGURE = 1;
inline constexpr quint8 PT_LINETO = 2;
inline constexpr quint8 PT_BEZIERTO = 4;
inline constexpr quint8 PT_MOVETO = 6;
enum class TBrushStyle { Solid, Clear };

class TCanvas {
public:
    // Draws on painter's device at the given resolution (tests inject 300 or 600 dpi; printing passes the
    // printer's). The painter's transform at construction is the canvas's device space.
    TCanvas(QPainter &painter, int dpiX, int dpiY);
    TCanvas(QPainter &painter, const QPaintDevice &device);
    // Records into picture (emptied first) at the given resolution; the recording ends with the canvas.
    TCanvas(TMetafileEx &picture, int dpiX, int dpiY);
    ~TCanvas();
    TCanvas(const TCanvas &) = delete;
    TCanvas &operator=(const TCanvas &) = delete;

    int LogPixelsX() const { return dpiX_; }
    int LogPixelsY() const { return dpiY_; }
    // The printer the drawing is for: the canvas's own device unless set (a print job's canvas is its
    // printer's; a screen preview's is the printer its layout will print on).
    const TRenderTarget &Target() const { return target_; }
    void SetTarget(const TRenderTarget &target) { target_ = target; }

    // ---- Font ----
    TFont &Font() { return s_.Font; }
    const TFont &Font() const { return s_.Font; }
    // Takes face, style, escapement, width and colour; the height follows the font's point size at the
    // font resolution (LogPixelsY unless set), as a character height.
    void SetFont(const TFont &font);
    void SetFontPixelsPerInch(int ppi) { s_.FontPpi = ppi; }
    int FontHeight() const { return s_.Font.Height; }
    void SetFontHeight(int height) { s_.Font.Height = height; }
    // Narrows or widens the glyphs to ratio times the natural average width at the current height (0 or 1:
    // natural).
    void SetFontWidthRatio(double ratio);

    // ---- Text ----
    // Width along the line (down the column for a vertical font) and the cell height of text.
    QSize TextExtent(QStringView text) const;
    int TextWidth(QStringView text) const { return TextExtent(text).width(); }
    int TextHeight(QStringView text) const { return TextExtent(text).height(); }
    // How many UTF-16 units fit in maxExtent pixels (fit), and the extent after each unit.
    QSize GetTextExtentExPoint(QStringView text, int maxExtent, int *fit, QList<int> *extents = nullptr) const;
    // Ascent and descent of the selected font in whole pixels.
    int FontAscent() const;
    int FontDescent() const;

    void TextOut(int x, int y, QStringView text);
    // The wide-character text output: the text at reference point (x, y) along the font's escapement, each
    // unit advanced by dx[i] when dx is given. options: ETO_OPAQUE fills rect with the background colour,
    // ETO_CLIPPED clips to it.
    bool ExtTextOutW(int x, int y, unsigned options, const TRect *rect, QStringView text, const int *dx);
    // The 8-bit output: Shift-JIS bytes with one advance per byte (the trail byte's is not used).
    bool ExtTextOutA(int x, int y, unsigned options, const TRect *rect, const QByteArray &text, const int *dx);
    unsigned TextAlign() const { return s_.TextAlign; }
    void SetTextAlign(unsigned align) { s_.TextAlign = align; }
    TBkMode BkMode() const { return s_.BkMode; }
    void SetBkMode(TBkMode mode) { s_.BkMode = mode; }
    void SetBkColor(const QColor &colour) { s_.BkColor = colour; }

    // ---- Pen, brush, shapes ----
    void SetPen(const QColor &colour, int width, bool insideFrame = false);
    // A pen of the given width that joins its segments round and ends them flat or round, so thick
    // outlines look alike on every device.
    void SetGeometricPen(const QColor &colour, int width, bool flatCaps);
    void SetNullPen();
    // The brush also decides the text background: a clear brush leaves it transparent, a solid one fills it
    // with the brush colour.
    void SetBrush(const QColor &colour, TBrushStyle style = TBrushStyle::Solid);
    TBrushStyle BrushStyle() const { return s_.BrushStyle; }
    void SetBrushStyle(TBrushStyle style);
    void FillRect(const TRect &rect);
    void Rectangle(const TRect &rect);
    void RoundRect(const TRect &rect, int cornerWidth, int cornerHeight);
    void Polyline(const QList<QPoint> &points);
    // The closed polygon filled with the brush (nonzero winding) and outlined with the pen.
    void Polygon(const QList<QPoint> &points);
    // Plays picture into rect (grown by one unit to the right and bottom, as every metafile is).
    void StretchDraw(const TRect &rect, const TMetafileEx &picture);

    // ---- Path ----
    // The path bracket: BeginPath drops any path and records the moves, lines and curves that follow until
    // EndPath. Outside a bracket MoveTo only moves the current position and LineTo draws with the pen.
    void BeginPath();
    void EndPath();
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void PolyBezierTo(const QPoint &control1, const QPoint &control2, const QPoint &end);
    // Closes the figure in progress: its last point gets PT_CLOSEFIGURE.
    void CloseFigure();
    // Turns every curve of the ended path into lines between whole pixels; false without an ended path.
    bool FlattenPath();
    // The ended path's points and kinds; the number of points, or -1 without an ended path (then both lists
    // are left as they are).
    int GetPath(QList<QPoint> *points, QList<quint8> *types) const;
    // The whole image stretched into rect without smoothing (scan lines dropped or repeated, so no new colours
    // appear, and PDF pages keep the pixels exactly), combined with the pixels there by the raster operation
    // rop: SRCCOPY blends by the image's alpha; the others combine on image devices only, as printers and PDF
    // pages take every operation as a plain copy. clip (device coordinates), when given, limits the drawing
    // beside the canvas's own clip, which stays as it is.
    void StretchDIBits(const TRect &rect, const QImage &image, unsigned rop = SRCCOPY, const QRegion *clip = nullptr);
    // A photograph read from a JPEG file, copied into rect as StretchDIBits copies, but written into PDF pages
    // as a JPEG of high quality rather than exactly: its pixels were never exact, and a photograph filling a
    // page kept exactly is held several times over while it is written and takes tens of megabytes of the
    // file. Given in Format_RGB32, it is written without a copy of its pixels.
    void DrawPhotograph(const TRect &rect, const QImage &image, const QRegion *clip = nullptr);

    // ---- Clipping and state ----
    void SetClipRect(const TRect &rect);
    void ClearClip();
    bool HasClip() const { return s_.Clip.has_value(); }
    TRect ClipRect() const;
    void SaveDC();
    void RestoreDC();

    // Plays picture unchanged into target (the metafile's own Draw grows the rectangle first).
    void PlayPicture(const TMetafileEx &picture, const QRectF &target);

private:
    // Everything SaveDC keeps.
    struct TDcState {
        TFont Font;
        int FontPpi = 96;
        unsigned TextAlign = TA_LEFT | TA_TOP;
        TBkMode BkMode = TBkMode::Opaque;
        QColor BkColor = Qt::white;
        QColor PenColor = Qt::black;
        int PenWidth = 1;
        bool PenInside = false;
        bool PenNull = false;
        Qt::PenJoinStyle PenJoin = Qt::MiterJoin;
        Qt::PenCapStyle PenCap = Qt::FlatCap;
        QColor BrushColor = Qt::white;
        TBrushStyle BrushStyle = TBrushStyle::Solid;
        std::optional<QRect> Clip;
    };
    struct TResolved;
    struct TFontCache;
    static std::shared_ptr<TFontCache> sharedFontCache();

    TResolved resolve(QStringView text) const;
    void drawText(int x, int y, unsigned options, const TRect *rect, QStringView text, const int *dx);
    template <class Draw> void paintShapes(Draw draw);
    void stretchImage(const TRect &rect, const QImage &image, unsigned rop, const QRegion *clip, bool exact);
    void glyphs(const TPlacedRun &run, const QTransform &frame, const QColor &colour);
    QPen pen() const;
    void startFigure();

    QPainter *painter_ = nullptr;
    TMetafileEx *picture_ = nullptr;
    QTransform base_;
    int dpiX_;
    int dpiY_;
    TRenderTarget target_;
    TDcState s_;
    QList<TDcState> saved_;
    // The path: open while recording, kept after EndPath until the next BeginPath.
    QList<QPoint> pathPoints_;
    QList<quint8> pathTypes_;
    bool pathOpen_ = false;
    bool pathEnded_ = false;
    QPoint position_;
    std::shared_ptr<TFontCache> fonts_;
};
