#include "drawing/DrawRect.h"

#include "base/SjisCodec.h"
#include "base/Units.h"
#include "drawing/DesignGlobals.h"
#include "drawing/ExtTextOutUnicode.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

struct TRenderDpi {
    int X;
    int Y;
};

// Pictures are recorded at the printer's resolution, so they print sharp; without a printer at the screen's.
TRenderDpi renderDpi(const TRenderTarget &target)
{
    return target.Installed ? TRenderDpi{target.LogPixelsX, target.LogPixelsY} : TRenderDpi{LayoutDpi, LayoutDpi};
}

}  // namespace

TRect ReadStreamRect(TObjectStream &stream)
{
    TRect r;
    for (int *side : {&r.Left, &r.Top, &r.Right, &r.Bottom})
        *side = CheckedStreamValue(stream.Read<int32_t>(), -PaperReach, PaperReach);
    return r;
}

void WriteStreamRect(TObjectStream &stream, const TRect &r)
{
    for (int side : {r.Left, r.Top, r.Right, r.Bottom})
        stream.Write<int32_t>(side);
}

int CheckedStreamValue(int value, int low, int high)
{
    if (value < low || value > high)
        throw EStreamError("The object stream holds a value outside what can be drawn.");
    return value;
}

TRect KeptWithinReach(const TRect &r)
{
    const auto keep = [](int &low, int &high) {
        // In 64 bits: the sides may lie anywhere an int reaches.
        const int64_t length = int64_t(high) - low;
        if (length < 0) {
            low = std::clamp(low, -PaperReach, PaperReach);
            high = std::clamp(high, -PaperReach, PaperReach);
            return;
        }
        const int64_t kept = std::min<int64_t>(length, 2 * PaperReach);
        low = int(std::clamp<int64_t>(low, -PaperReach, PaperReach - kept));
        high = int(low + kept);
    };
    TRect kept = r;
    keep(kept.Left, kept.Right);
    keep(kept.Top, kept.Bottom);
    return kept;
}

TRect ScaledRect(const TRect &r, double factor)
{
    return {RoundToInt(r.Left * static_cast<long double>(factor)), RoundToInt(r.Top * static_cast<long double>(factor)),
            RoundToInt(r.Right * static_cast<long double>(factor)),
            RoundToInt(r.Bottom * static_cast<long double>(factor))};
}

// ---- TDrawRect ----

void TDrawRect::Assign(const TDrawRect &source)
{
    SetRect(source.Rect);
    Visible = source.Visible;
}

void TDrawRect::SetZoom(double zoom)
{
    Zoom_ = zoom;
    if (zoom != 0)
        DispRect = ScaledRect(Rect, zoom);
}

void TDrawRect::SetRect(const TRect &rect)
{
    Rect = rect;
    DispRect = ScaledRect(Rect, Zoom_);
}

void TDrawRect::SetDispRect(const TRect &rect)
{
    DispRect = rect;
    Rect = ScaledRect(DispRect, 1.0 / Zoom_);
}

void TDrawRect::CalcPrintRect(const TRenderTarget &caps, QPoint offset, bool keepMargins)
{
    const int dpiX = caps.LogPixelsX;
    const int dpiY = caps.LogPixelsY;
    const int left = LayoutToPixels(Rect.Left, dpiX) + TenthsMmToPixels(offset.x(), dpiX);
    const int top = LayoutToPixels(Rect.Top, dpiY) + TenthsMmToPixels(offset.y(), dpiY);
    PrintRect_ = {left, top, left + LayoutToPixels(Rect.Width(), dpiX), top + LayoutToPixels(Rect.Height(), dpiY)};
    if (!keepMargins) {
        PrintRect_.Left -= caps.PhysicalOffsetX;
        PrintRect_.Right -= caps.PhysicalOffsetX;
        PrintRect_.Top -= caps.PhysicalOffsetY;
        PrintRect_.Bottom -= caps.PhysicalOffsetY;
    }
}

TDrawRect::TStoredBase TDrawRect::ReadStoredBase(TObjectStream &stream)
{
    TStoredBase stored;
    stored.Rect = ReadStreamRect(stream);
    stored.Visible = StreamVersion > 200 ? stream.Read<uint8_t>() : 1;
    return stored;
}

void TDrawRect::ApplyStoredBase(const TStoredBase &stored)
{
    Visible = stored.Visible;
    SetRect(stored.Rect);
}

void TDrawRect::LoadFromStream(TObjectStream &stream) { ApplyStoredBase(ReadStoredBase(stream)); }

void TDrawRect::SaveToStream(TObjectStream &stream) const
{
    WriteStreamRect(stream, Rect);
    stream.Write<uint8_t>(Visible);
}

bool TDrawRect::PtInRect(int x, int y) const
{
    const TRect shown = GetDispRect();
    return x >= shown.Left && x < shown.Right && y >= shown.Top && y < shown.Bottom;
}

TEdgeCodes TDrawRect::EdgeHitTest(int x, int y) const { return EdgeCodesAt(GetDispRect(), x, y); }

Qt::CursorShape TDrawRect::HitTest(int x, int y) const { return EdgeCursor(EdgeHitTest(x, y), PtInRect(x, y)); }

TEdgeCodes EdgeCodesAt(const TRect &rect, int x, int y)
{
    const auto code = [](int p, int low, int high, uint8_t lowCode, uint8_t highCode) -> uint8_t {
        if (std::abs(p - low) <= 3)
            return lowCode;
        if (std::abs(p - (low + (high - low) / 2)) <= 3)
            return EdgeCode::Centre;
        if (std::abs(p - (high - 1)) <= 3)
            return highCode;
        return EdgeCode::None;
    };
    return {code(x, rect.Left, rect.Right, EdgeCode::Left, EdgeCode::Right),
            code(y, rect.Top, rect.Bottom, EdgeCode::Top, EdgeCode::Bottom)};
}

Qt::CursorShape EdgeCursor(TEdgeCodes edge, bool inside)
{
    using namespace EdgeCode;
    const bool side = edge.Horizontal == Left || edge.Horizontal == Right;
    const bool topOrBottom = edge.Vertical == Top || edge.Vertical == Bottom;
    if (side && edge.Vertical == Centre)
        return Qt::SizeHorCursor;
    if (side && topOrBottom)
        return (edge.Horizontal == Left) == (edge.Vertical == Top) ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor;
    if (edge.Horizontal == Centre && topOrBottom)
        return Qt::SizeVerCursor;
    return inside ? Qt::SizeAllCursor : Qt::ArrowCursor;
}

// ---- TMetaRect ----

TFont TMetaRect::DefaultFont()
{
    TFont font;
    SetFontSpec(&font.Log, SHIFTJIS_CHARSET, QStringLiteral("ＭＳ 明朝"), 0, 9);
    return font;
}

void TMetaRect::Assign(const TDrawRect &source)
{
    TDrawRect::Assign(source);
    if (const auto *meta = dynamic_cast<const TMetaRect *>(&source)) {
        Font_ = meta->Font_;
        BaseHeight_ = meta->BaseHeight_;
        FontHeight_ = meta->FontHeight_;
        Direction_ = meta->Direction_;
        Turned_ = meta->Turned_;
    }
    PictureValid_ = 0;
}

void TMetaRect::SetRect(const TRect &rect)
{
    TDrawRect::SetRect(rect);
    LaidOut_ = {};
    PictureValid_ = 0;
}

void TMetaRect::SetLaidOutRect(const TRect &rect)
{
    const TRect laidOut = rect == Rect ? TRect{} : rect;
    SetDrawnField(LaidOut_, laidOut);
}

TRect TMetaRect::GetDispRect() const
{
    if (LaidOut_.IsEmpty())
        return DispRect;
    // The lent room at the zoom, from where the object is shown.
    const int left = DispRect.Left + RoundToInt((LaidOut_.Left - Rect.Left) * Zoom_);
    const int top = DispRect.Top + RoundToInt((LaidOut_.Top - Rect.Top) * Zoom_);
    return {left, top, left + RoundToInt(LaidOut_.Width() * Zoom_), top + RoundToInt(LaidOut_.Height() * Zoom_)};
}

void TMetaRect::SetDispRect(const TRect &rect)
{
    const TRect shown = GetDispRect();
    const TRect before = Rect;
    TDrawRect::SetDispRect({DispRect.Left + rect.Left - shown.Left, DispRect.Top + rect.Top - shown.Top,
                            DispRect.Right + rect.Right - shown.Right, DispRect.Bottom + rect.Bottom - shown.Bottom});
    SetDrawnField(LaidOut_, TRect{});
    // A pure move keeps the picture: it is drawn wherever the object stands.
    if (Rect.Width() != before.Width() || Rect.Height() != before.Height())
        PictureValid_ = 0;
}

void TMetaRect::SetClipMode(uint8_t mode)
{
    TDrawRect::SetClipMode(mode);
    PictureValid_ = 0;
}

void TMetaRect::SetClipPos(int pos)
{
    TDrawRect::SetClipPos(pos);
    if (ClipMode != ClipModes::None)
        PictureValid_ = 0;
}

void TMetaRect::Draw(TCanvas &canvas, int dx, int dy)
{
    const TFont font = canvas.Font();
    Prepare(canvas.Target(), false);
    const TRect shown = GetDispRect();
    const int side = std::max(shown.Width(), shown.Height());
    const int left = shown.Left + dx;
    const int top = shown.Top + dy;
    canvas.StretchDraw({left, top, left + side, top + side}, Picture_);
    canvas.Font() = font;
}

void TMetaRect::Print(TCanvas &canvas, int dx, int dy)
{
    const TRect laidOut = LaidOutRect();
    const int left = PrintRect_.Left + LayoutToPixels(laidOut.Left - Rect.Left, canvas.LogPixelsX()) + dx;
    const int top = PrintRect_.Top + LayoutToPixels(laidOut.Top - Rect.Top, canvas.LogPixelsY()) + dy;
    canvas.StretchDraw({left, top, left + Picture_.Width(), top + Picture_.Height()}, Picture_);
}

void TMetaRect::Prepare(const TRenderTarget &target, bool force)
{
    if (!force && PictureValid_ == 1)
        return;
    Picture_.Clear();
    const TRect laidOut = LaidOutRect();
    if (laidOut.IsEmpty())
        return;
    const TRenderDpi dpi = renderDpi(target);
    const int w = LayoutToPixels(laidOut.Width(), dpi.X);
    const int h = LayoutToPixels(laidOut.Height(), dpi.Y);
    const int side = std::max(w, h);
    {
        TCanvas canvas(Picture_, dpi.X, dpi.Y);
        canvas.SetTarget(target);
        Picture_.SetSize(side, side);
        canvas.SetFontPixelsPerInch(dpi.Y);
        const int x = LayoutToPixels(ClipPos - laidOut.Left, dpi.X);
        const int y = LayoutToPixels(ClipPos - laidOut.Top, dpi.Y);
        switch (ClipMode) {
        case ClipModes::KeepLeft: canvas.SetClipRect({0, 0, x, side}); break;
        case ClipModes::KeepAbove: canvas.SetClipRect({0, 0, side, y}); break;
        case ClipModes::KeepRight: canvas.SetClipRect({x, 0, side, side}); break;
        case ClipModes::KeepBelow: canvas.SetClipRect({0, y, side, side}); break;
        default: break;
        }
        RenderContent(canvas, QSize(w, h));
    }
    PictureValid_ = 1;
}

TMetaRect::TStoredMeta TMetaRect::ReadStoredMeta(TObjectStream &stream) const
{
    TStoredMeta stored;
    static_cast<TStoredBase &>(stored) = ReadStoredBase(stream);
    const int charset = static_cast<int>(stream.Read<uint32_t>() & 0xFF);
    QByteArray face;
    ReadScrambledString(stream, face);
    const int size = CheckedStreamValue(stream.Read<int32_t>(), -MaxFontPoints, MaxFontPoints);
    const int style = static_cast<int>(stream.Read<uint32_t>());
    const int32_t colour = stream.Read<int32_t>();
    stored.SizeIndex = StreamVersion >= 600 ? stream.Read<int32_t>() : 0;
    stored.Direction = stream.Read<uint8_t>();
    stored.Turned = StreamVersion >= 200 ? stream.Read<uint8_t>() : 0;
    stored.Font = Font_;
    SetFontSpec(&stored.Font.Log, charset, Sjis::decode(face), style, size);
    stored.Font.Color = ColorFromBgr(colour);
    return stored;
}

void TMetaRect::ApplyStoredMeta(const TStoredMeta &stored)
{
    ApplyStoredBase(stored);
    SizeIndex_ = stored.SizeIndex;
    Direction_ = stored.Direction;
    Turned_ = stored.Turned;
    Font_ = stored.Font;
    PictureValid_ = 0;
}

void TMetaRect::LoadFromStream(TObjectStream &stream) { ApplyStoredMeta(ReadStoredMeta(stream)); }

void TMetaRect::SaveToStream(TObjectStream &stream) const
{
    TDrawRect::SaveToStream(stream);
    stream.Write<uint32_t>(static_cast<uint32_t>(Font_.Log.Charset & 0xFF));
    WriteScrambledString(Sjis::encode(Font_.Log.Font.family()), stream);
    stream.Write<int32_t>(Font_.Log.Font.pointSize());
    stream.Write<uint32_t>(static_cast<uint32_t>(GetFontStyleBits(Font_.Log)));
    stream.Write<int32_t>(BgrFromColor(Font_.Color));
    stream.Write<int32_t>(SizeIndex_);
    stream.Write<uint8_t>(Direction_);
    stream.Write<uint8_t>(Turned_);
}

void TMetaRect::SetFont(const TFont &font)
{
    Font_ = font;
    PictureValid_ = 0;
}

void TMetaRect::SetDirection(uint8_t direction) { SetDrawnField(Direction_, direction); }

void TMetaRect::CalcFontHeight(int scale)
{
    FontHeight_ = static_cast<int>(std::trunc(BaseHeight_ * scale / 1480.0));
    PictureValid_ = 0;
}

void TMetaRect::Clear()
{
    Picture_.Clear();
    LaidOut_ = {};
    PictureValid_ = 0;
}

void TMetaRect::UpdateFontHeight() { CalcFontHeight(PaperScale); }

void TMetaRect::SetSizeIndex(int index) { SetDrawnField(SizeIndex_, index); }

void TMetaRect::SetTurned(uint8_t turned) { SetDrawnField(Turned_, turned); }

int TMetaRect::CanvasFontHeight(const TCanvas &canvas) const
{
    if (!canvas.Target().Installed)
        return FontHeight_;
    return static_cast<int>(std::trunc(Rescaled(FontHeight_, LayoutDpi, canvas.LogPixelsY())));
}

QPoint TMetaRect::TextMargins(const TCanvas &canvas)
{
    return {LayoutToPixels(TextMargin, canvas.LogPixelsX()), LayoutToPixels(TextMargin, canvas.LogPixelsY())};
}

TTextFrame TMetaRect::TextFrame(const TCanvas &canvas, QSize size) const
{
    TTextFrame frame;
    frame.Size = size;
    frame.Margin = TextMargins(canvas);
    frame.Horizontal = WritesHorizontally();
    const int width = size.width() - 2 * frame.Margin.x();
    const int height = size.height() - 2 * frame.Margin.y();
    frame.Length = frame.Horizontal ? width : height;
    frame.Breadth = frame.Horizontal ? height : width;
    return frame;
}

void TMetaRect::TurnOwnFont(bool vertical)
{
    if (vertical)
        MakeVerticalFont(Font_.Log);
    else
        MakeHorizontalFont(Font_.Log);
}

void TMetaRect::DrawPieces(TCanvas &canvas, QSize size, const QList<TPlacedPiece> &pieces) const
{
    canvas.SetBrushStyle(TBrushStyle::Clear);
    for (const TPlacedPiece &piece : pieces) {
        canvas.SetFontHeight(piece.FontHeight);
        if (piece.WidthRatio != 1)
            canvas.SetFontWidthRatio(piece.WidthRatio);
        DrawPiece(canvas, size, piece.At.x(), piece.At.y(), piece.Text,
                  piece.Advances.isEmpty() ? nullptr : piece.Advances.constData());
        if (piece.WidthRatio != 1)
            canvas.SetFontWidthRatio(1);
    }
}

void TMetaRect::DrawPiece(TCanvas &canvas, QSize size, int x, int y, QStringView text, const int *dx) const
{
    if (Turned_) {
        RotateFont180(canvas.Font().Log);
        x = size.width() - x;
        y = size.height() - y;
    }
    if (dx)
        ExtTextOutUnicode(canvas, x, y, 0, nullptr, text.data(), static_cast<int>(text.size()), dx);
    else
        canvas.TextOut(x, y, text);
    if (Turned_)
        RotateFont180(canvas.Font().Log);
}

void TMetaRect::SelectTextFont(TCanvas &canvas, bool vertical) const
{
    canvas.SetFont(Font_);
    if (vertical)
        MakeVerticalFont(canvas.Font().Log);
    else
        MakeHorizontalFont(canvas.Font().Log);
    canvas.SetFontHeight(CanvasFontHeight(canvas));
}

bool TMetaRect::SelectFixedSize(TCanvas &canvas) const
{
    if (SizeIndex_ <= 0 || SizeIndex_ >= static_cast<int>(FontSizeList.size()))
        return false;
    canvas.SetFontHeight(-PointsToPixels(FontSizeList[SizeIndex_], canvas.LogPixelsY()));
    return true;
}

// ---- Text helpers ----

int TextWidthW(const TCanvas &dc, QStringView text) { return dc.TextWidth(text); }

void SplitTextAtWidth(const TCanvas &canvas, QString &text, int maxWidth, QString &rest)
{
    rest.clear();
    if (text.isEmpty())
        return;
    int fit = 0;
    canvas.GetTextExtentExPoint(text, maxWidth, &fit);
    if (fit > 0 && fit < text.size() && text[fit - 1].isHighSurrogate())
        --fit;
    rest = text.mid(fit);
    text.truncate(fit);
}

bool FitFontHeight(TCanvas &canvas, int available, bool allowGrow, int needed)
{
    if (needed == 0)
        return true;
    const double ratio = static_cast<double>(available) / needed;
    if (ratio < 0 || (!allowGrow && ratio >= 1.0))
        return true;
    const int height = static_cast<int>(std::trunc(canvas.FontHeight() * ratio));
    if (height >= 0)
        return false;
    canvas.SetFontHeight(height);
    return true;
}

int SmallestTextHeight(const TCanvas &canvas)
{
    return -static_cast<int>(std::ceil(SmallestTextPoints * static_cast<long double>(canvas.LogPixelsY()) / 72));
}

void NormalizeNameSpacing(const QString &text, QString &result)
{
    if (text.isEmpty())
        return;
    QString name = text;
    const qsizetype ideographic = name.indexOf(u'\u3000');
    if (ideographic >= 0)
        name[ideographic] = u' ';
    const qsizetype space = name.indexOf(u' ');
    if (space < 0) {
        result = u' ' + name;
        return;
    }
    qsizetype rest = space;
    while (rest < name.size() && (name[rest] == u' ' || name[rest] == u'\u3000'))
        ++rest;
    result = name.left(space) + u' ' + name.mid(rest);
}
