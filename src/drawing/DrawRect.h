// The base of every drawing object (geometry, zoom, print rectangle, clipping, hit tests, the first record
// of the object stream), the base of the text objects with their cached picture, and the text helpers the
// text objects share.
#pragma once

#include "drawing/Canvas.h"
#include "drawing/ChangeField.h"
#include "drawing/MetafileEx.h"
#include "drawing/ObjectStream.h"

#include <QList>
#include <QPoint>
#include <QSize>

#include <cstdint>

// Edge codes of a screen point against an object: horizontal 0 left, 4 centre, 1 right, 5 none; vertical
// 2 top, 4 centre, 3 bottom, 5 none.
namespace EdgeCode {
inline constexpr uint8_t Left = 0;
inline constexpr uint8_t Right = 1;
inline constexpr uint8_t Top = 2;
inline constexpr uint8_t Bottom = 3;
inline constexpr uint8_t Centre = 4;
inline constexpr uint8_t None = 5;
}  // namespace EdgeCode
struct TEdgeCodes {
    uint8_t Horizontal = EdgeCode::None;
    uint8_t Vertical = EdgeCode::None;
    bool operator==(const TEdgeCodes &) const = default;
};

// The kind codes GetKind answers, by which the designers and the undo records tell the classes apart. 3 and 7
// are not used.
namespace ObjectKind {
inline constexpr uint8_t PostalCode = 0;
inline constexpr uint8_t Address = 1;
inline constexpr uint8_t Name = 2;  // the company too
inline constexpr uint8_t SenderPostalCode = 4;
inline constexpr uint8_t SenderAddress = 5;
inline constexpr uint8_t SenderName = 6;  // the sender's company too
inline constexpr uint8_t Addition = 8;
inline constexpr uint8_t Barcode = 9;
inline constexpr uint8_t Illustration = 10;
inline constexpr uint8_t Word = 11;
inline constexpr uint8_t Figure = 12;
inline constexpr uint8_t QRCode = 13;
inline constexpr uint8_t Sender = 14;
}  // namespace ObjectKind

// The clip modes of ClipMode: what stays of the object on the clip line's side.
namespace ClipModes {
inline constexpr uint8_t None = 0;
inline constexpr uint8_t KeepLeft = 1;
inline constexpr uint8_t KeepAbove = 2;
inline constexpr uint8_t KeepRight = 3;
inline constexpr uint8_t KeepBelow = 4;
}  // namespace ClipModes

// The writing direction of a text object. Only 1 writes horizontally; any other byte (a damaged document's)
// writes vertically, as a new object does.
namespace WritingDirection {
inline constexpr uint8_t Vertical = 0;
inline constexpr uint8_t Horizontal = 1;
}  // namespace WritingDirection

// Where a text object's text goes, in the rendering canvas's pixels: the object's size, the margins, and the
// length along the lines and the breadth across them inside the margins.
struct TTextFrame {
    QSize Size;
    QPoint Margin;
    bool Horizontal = true;
    int Length = 0;
    int Breadth = 0;

    // Nothing is drawn in a frame the margins leave no room in.
    bool IsEmpty() const { return Length < 1 || Breadth < 1; }
    // The inner width and height.
    int Width() const { return Horizontal ? Length : Breadth; }
    int Height() const { return Horizontal ? Breadth : Length; }
    // The point at along on the line that starts at across (top of a line, right edge of a column).
    QPoint At(int along, int across) const { return Horizontal ? QPoint(along, across) : QPoint(across, along); }
    int AlongMargin() const { return Horizontal ? Margin.x() : Margin.y(); }
    int AcrossMargin() const { return Horizontal ? Margin.y() : Margin.x(); }
};

// A piece of text as a text object's layout places it in its content: where it starts, the canvas font height
// it is drawn at, one advance per UTF-16 unit when its characters are set one by one, and the width ratio of a
// narrowed piece.
struct TPlacedPiece {
    QString Text;
    QPoint At;
    int FontHeight = 0;
    QList<int> Advances = {};
    double WidthRatio = 1;
    bool operator==(const TPlacedPiece &) const = default;
};

// The farthest a stored coordinate may lie from the paper's top-left corner, in layout units: twice the longest
// side a paper format may have (594 mm), so an object may stand a whole paper off its paper. Farther values
// come only from damaged or crafted documents; they would overflow sizes and ask for rasters of gigabytes.
inline constexpr int PaperReach = 4490;

// A rectangle of four signed 32-bit coordinates as the streams store them; reading throws EStreamError for a
// coordinate beyond PaperReach.
TRect ReadStreamRect(TObjectStream &stream);
void WriteStreamRect(TObjectStream &stream, const TRect &r);
// Throws EStreamError unless low <= value <= high; answers value.
int CheckedStreamValue(int value, int low, int high);
// r moved, its size kept, until every side lies within PaperReach of the corner, so what is stored can be read
// again; a side longer than the reach allows is cut to it.
TRect KeptWithinReach(const TRect &r);

// Every coordinate of r times factor, halves away from zero.
TRect ScaledRect(const TRect &r, double factor);
// The edge codes of (x, y) against rect: within 3 pixels of an edge (the right and bottom ones being the last
// column and row inside) or of the centre line.
TEdgeCodes EdgeCodesAt(const TRect &rect, int x, int y);
// The sizing cursor of edge codes: diagonal at the corners, across at the sides; elsewhere the move cursor
// inside, the arrow outside.
Qt::CursorShape EdgeCursor(TEdgeCodes edge, bool inside);

class TDrawRect {
public:
    TDrawRect() = default;
    virtual ~TDrawRect() = default;

    virtual void Assign(const TDrawRect &source);
    virtual void SetZoom(double zoom);
    virtual TRect GetRect() const { return Rect; }
    virtual void SetRect(const TRect &rect);
    // Where the object is shown on the screen, in pixels: what the designers draw it in, frame, hit and drag.
    virtual TRect GetDispRect() const { return DispRect; }
    virtual void SetDispRect(const TRect &rect);
    virtual void SetClipMode(uint8_t mode) { ClipMode = mode; }
    virtual void SetClipPos(int pos) { ClipPos = pos; }
    virtual uint8_t GetKind() const = 0;
    // Draws the object on the screen at its displayed rectangle moved by (dx, dy).
    virtual void Draw(TCanvas &canvas, int dx, int dy) = 0;
    // Draws the object on the printer at its printed rectangle moved by (dx, dy).
    virtual void Print(TCanvas &canvas, int dx, int dy) = 0;
    // The printed rectangle at the printer's resolution, moved by offset (0.1 mm) and, unless keepMargins,
    // by minus the printer's physical offsets.
    virtual void CalcPrintRect(const TRenderTarget &target, QPoint offset, bool keepMargins);
    virtual void Prepare(const TRenderTarget &target, bool force)
    {
        (void)target;
        (void)force;
    }
    virtual void LoadFromStream(TObjectStream &stream);
    virtual void SaveToStream(TObjectStream &stream) const;
    virtual bool PtInRect(int x, int y) const;
    virtual Qt::CursorShape HitTest(int x, int y) const;
    virtual TEdgeCodes EdgeHitTest(int x, int y) const;

    double Zoom() const { return Zoom_; }
    TRect PrintRect() const { return PrintRect_; }
    int ClipPosition() const { return ClipPos; }
    uint8_t Clipping() const { return ClipMode; }

    // Designers and the undo records read and write it directly.
    uint8_t Visible = 1;

protected:
    // The rectangle and visibility every stream begins with. Each object reads its whole stream into locals
    // and applies them only once the read succeeded, so a cut or damaged stream leaves it as it was.
    struct TStoredBase {
        TRect Rect;
        uint8_t Visible = 1;
    };
    static TStoredBase ReadStoredBase(TObjectStream &stream);
    void ApplyStoredBase(const TStoredBase &stored);

    TRect Rect;
    TRect DispRect;
    TRect PrintRect_;
    double Zoom_ = 1.0;
    int ClipPos = 0;
    uint8_t ClipMode = 0;
};

// The base of the text objects: a font, a writing direction, a turned flag, a size, and the content rendered
// once into a square picture at the printer's resolution, stretched for the screen.
class TMetaRect : public TDrawRect {
public:
    void Assign(const TDrawRect &source) override;
    void SetRect(const TRect &rect) override;
    // The lent room at the zoom where the object is lent room: it is drawn there, so it is framed and hit there.
    TRect GetDispRect() const override;
    // A frame around lent room moved or sized moves the object's own edges as far and gives the room back.
    void SetDispRect(const TRect &rect) override;
    void SetClipMode(uint8_t mode) override;
    void SetClipPos(int pos) override;
    void Draw(TCanvas &canvas, int dx, int dy) override;
    void Print(TCanvas &canvas, int dx, int dy) override;
    void Prepare(const TRenderTarget &target, bool force) override;
    void LoadFromStream(TObjectStream &stream) override;
    void SaveToStream(TObjectStream &stream) const override;

    // Draws the content into the square recording canvas, the object occupying (0, 0)-(size).
    virtual void RenderContent(TCanvas &canvas, QSize size) = 0;
    virtual void SetFont(const TFont &font);
    virtual void SetDirection(uint8_t direction);
    virtual void CalcFontHeight(int scale);
    virtual void Clear();
    virtual void UpdateFontHeight();

    void SetSizeIndex(int index);
    void SetTurned(uint8_t turned);

    const TFont &Font() const { return Font_; }
    uint8_t Direction() const { return Direction_; }
    bool WritesHorizontally() const { return Direction_ == WritingDirection::Horizontal; }
    uint8_t Turned() const { return Turned_; }
    int SizeIndex() const { return SizeIndex_; }
    int BaseHeight() const { return BaseHeight_; }
    int FontHeight() const { return FontHeight_; }
    const TMetafileEx &Picture() const { return Picture_; }
    bool PictureValid() const { return PictureValid_ == 1; }
    // Where the text of the record bound is laid out, in layout units: the object's rectangle, unless the
    // designer lent the object room beside it for this record. The rectangle itself, which the user moves and
    // the document stores, stays; a new rectangle or a cleared text gives the lent room back.
    TRect LaidOutRect() const { return LaidOut_.IsEmpty() ? Rect : LaidOut_; }
    void SetLaidOutRect(const TRect &rect);

protected:
    // The text objects' common stream part, read whole before any of it is applied.
    struct TStoredMeta : TStoredBase {
        TFont Font;
        int SizeIndex = 0;
        uint8_t Direction = 0;
        uint8_t Turned = 0;
    };
    TStoredMeta ReadStoredMeta(TObjectStream &stream) const;
    void ApplyStoredMeta(const TStoredMeta &stored);

    // The canvas font height for FontHeight at the rendering resolution: FontHeight itself without a printer.
    int CanvasFontHeight(const TCanvas &canvas) const;
    // The 4/96-inch margins the text keeps inside the object, at the rendering resolution.
    static QPoint TextMargins(const TCanvas &canvas);
    // The frame of content of this size in the object's writing direction, at the canvas's resolution.
    TTextFrame TextFrame(const TCanvas &canvas, QSize size) const;
    // Makes the object's own font vertical or horizontal, as it is kept and stored after it was drawn.
    void TurnOwnFont(bool vertical);
    // Draws the pieces a layout placed, each at its font height and width ratio, over a clear background.
    void DrawPieces(TCanvas &canvas, QSize size, const QList<TPlacedPiece> &pieces) const;
    // Sets field to value and drops the picture when that changed what is drawn.
    template <class T> void SetDrawnField(T &field, const std::type_identity_t<T> &value)
    {
        if (ChangeField(field, value))
            PictureValid_ = 0;
    }
    // Draws one piece of the content at (x, y) of the object of this size, with one advance per unit when dx
    // is given; a turned object draws it with the font turned, at the point mirrored through the centre.
    void DrawPiece(TCanvas &canvas, QSize size, int x, int y, QStringView text, const int *dx = nullptr) const;
    // Selects Font on the canvas, made vertical or horizontal, at CanvasFontHeight.
    void SelectTextFont(TCanvas &canvas, bool vertical) const;
    // Sets the canvas font to the point size SizeIndex chose from the size list; false while the size is
    // automatic (0, or an index the list does not have).
    bool SelectFixedSize(TCanvas &canvas) const;

    TMetafileEx Picture_;
    uint8_t PictureValid_ = 0;
    TFont Font_ = DefaultFont();
    int BaseHeight_ = 0;
    int FontHeight_ = 0;
    uint8_t Direction_ = 0;
    uint8_t Turned_ = 0;
    int SizeIndex_ = 0;

private:
    static TFont DefaultFont();

    TRect LaidOut_;
};

// ---- Text helpers of the text objects ----

int TextWidthW(const TCanvas &dc, QStringView text);
// What the text keeps free inside a text object on every side, in layout units.
inline constexpr int TextMargin = 4;
// Keeps in text the head that fits in maxWidth pixels and puts the remainder in rest.
void SplitTextAtWidth(const TCanvas &canvas, QString &text, int maxWidth, QString &rest);
// Scales the canvas font height by available / needed; false when the text cannot be drawn at any size.
bool FitFontHeight(TCanvas &canvas, int available, bool allowGrow, int needed);
// The smallest size, in points, a text is made when a layout makes it smaller to fit: below it a printed
// address or name is no longer read with ease.
inline constexpr int SmallestTextPoints = 7;
// That size as the canvas's font height, rounded to the larger.
int SmallestTextHeight(const TCanvas &canvas);
// Family and given name separated by exactly one ASCII space.
void NormalizeNameSpacing(const QString &text, QString &result);
