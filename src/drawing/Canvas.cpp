#include "drawing/Canvas.h"

#include "base/SjisCodec.h"
#include "drawing/GlyphRenderer.h"
#include "drawing/MetafileEx.h"

#include <QFontDatabase>
#include <QHash>
#include <QFontMetrics>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QRawFont>

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace {

QString faceOf(const TLogFont &font)
{
    const QString family = font.Font.family();
    return family.startsWith(u'@') ? family.mid(1) : family;
}

}  // namespace

struct TCanvas::TResolved {
    QRawFont Raw;
    bool Vertical = false;
    double WidthScale = 1;
};

// The fonts the canvases have resolved. Each resolution is a font-database look-up, and each size a new font
// engine whose metrics are read from the font file again; a layout measures the same few faces at the same
// sizes over and over.
struct TCanvas::TFontCache {
    struct TFace {
        QFont Font;          // the face as it is resolved: without the "@", at 64 pixels
        QRawFont Base;       // the face at 64 pixels
        QRawFont Japanese;   // its Japanese stand-in, resolved when first needed
        QHash<char16_t, bool> Supports;  // the characters the face was asked about
        QHash<double, QRawFont> Sized[2];  // by pixel size: the face, the stand-in
    };
    QHash<QFont, TFace> Faces;  // by the font the canvas holds
    // Fitting tries many sizes; a canvas kept for a long run starts its sizes afresh beyond this many.
    static constexpr qsizetype MaxSizes = 64;

    // The texts measured, each in the fonts it was measured in. Layouts ask for the same few again at every
    // fitting step (the unit character above all), and every object printed after them again in a canvas
    // of its own, so the answers are kept for every canvas of the thread; resolving and shaping cost far more.
    // The extent depends only on what resolve reads: the logical font, its height and width, the font
    // resolution.
    struct TMeasured {
        QFont Font;
        int Height = 0;
        int Width = 0;
        int Ppi = 0;
        QSize Extent;
    };
    struct TTextHash {
        using is_transparent = void;
        size_t operator()(QStringView text) const { return qHash(text); }
    };
    struct TTextEqual {
        using is_transparent = void;
        bool operator()(QStringView a, QStringView b) const { return a == b; }
    };
    std::unordered_map<QString, QList<TMeasured>, TTextHash, TTextEqual> Measured;
    // A long run starts afresh beyond this many texts, and a text measured at more sizes forgets its first.
    static constexpr size_t MaxMeasuredTexts = 2048;
    static constexpr qsizetype MaxMeasuredFonts = 16;

    // Measurements come in runs of the same font, and comparing two fonts costs far less than hashing one.
    TFace &FaceOf(const QFont &font)
    {
        if (!LastFace || LastFont != font) {
            LastFace = &Faces[font];  // an insertion may move the other faces, never this one until the next
            LastFont = font;
        }
        return *LastFace;
    }

private:
    QFont LastFont;
    TFace *LastFace = nullptr;
};

// The canvases alive at the same time on one thread (a page and the pictures its objects record meanwhile)
// share one cache, which goes with the last of them, so no font outlives the application.
std::shared_ptr<TCanvas::TFontCache> TCanvas::sharedFontCache()
{
    thread_local std::weak_ptr<TCanvas::TFontCache> current;
    std::shared_ptr<TCanvas::TFontCache> cache = current.lock();
    if (!cache) {
        cache = std::make_shared<TCanvas::TFontCache>();
        current = cache;
    }
    return cache;
}

TCanvas::TCanvas(QPainter &painter, int dpiX, int dpiY)
    : painter_(&painter), base_(painter.transform()), dpiX_(dpiX), dpiY_(dpiY), target_{true, dpiX, dpiY},
      fonts_(sharedFontCache())
{
    s_.FontPpi = dpiY;
}

TCanvas::TCanvas(QPainter &painter, const QPaintDevice &device)
    : TCanvas(painter, device.logicalDpiX(), device.logicalDpiY())
{
}

TCanvas::TCanvas(TMetafileEx &picture, int dpiX, int dpiY)
    : picture_(&picture), dpiX_(dpiX), dpiY_(dpiY), target_{true, dpiX, dpiY}, fonts_(sharedFontCache())
{
    s_.FontPpi = dpiY;
    picture.Clear();
}

TCanvas::~TCanvas()
{
    if (picture_)
        picture_->EndRecording();
}

// ---- Font ----

void TCanvas::SetFont(const TFont &font)
{
    s_.Font = font;
    // In 64 bits and held to what a canvas can draw: a font of a damaged document can claim any size.
    const qint64 points = std::min(font.Log.Font.pointSize(), MaxFontPoints);
    if (points > 0)
        s_.Font.Height = -static_cast<int>((points * s_.FontPpi + 36) / 72);
}

void TCanvas::SetFontWidthRatio(double ratio)
{
    // Measured at the height in use, so the ratio means the same on every device.
    TLogFont measured = s_.Font.Log;
    measured.Font.setFamily(faceOf(s_.Font.Log));
    measured.Font.setPixelSize(std::max(1, static_cast<int>(std::lround(resolve(u"").Raw.pixelSize()))));
    ::SetFontWidthRatio(measured, ratio);
    s_.Font.Log.Width = measured.Width;
}

TCanvas::TResolved TCanvas::resolve(QStringView text) const
{
    TResolved resolved;
    resolved.Vertical = s_.Font.Log.Font.family().startsWith(u'@');
    TFontCache::TFace &face = fonts_->FaceOf(s_.Font.Log.Font);
    if (!face.Base.isValid()) {
        face.Font = s_.Font.Log.Font;
        face.Font.setFamily(faceOf(s_.Font.Log));
        face.Font.setUnderline(false);
        face.Font.setStrikeOut(false);
        face.Font.setPixelSize(64);
        face.Base = QRawFont::fromFont(face.Font);
    }
    const QFont &font = face.Font;
    // Layouts name Japanese faces; a Latin face still draws its own letters, any other character makes the
    // Japanese face of the family stand in for the whole line.
    bool japanese = false;
    const auto supports = [&face](QChar c) {
        const auto known = face.Supports.constFind(c.unicode());
        return known != face.Supports.constEnd() ? *known
                                                  : *face.Supports.insert(c.unicode(), face.Base.supportsCharacter(c));
    };
    for (QChar c : text) {
        if (!c.isSpace() && !supports(c)) {
            japanese = true;
            if (!face.Japanese.isValid())
                face.Japanese = QRawFont::fromFont(font, QFontDatabase::Japanese);
            break;
        }
    }
    const QRawFont &unsized = japanese ? face.Japanese : face.Base;
    double pixels = 0;
    const int height = s_.Font.Height;
    if (height < 0)
        pixels = -height;
    else if (height > 0)
        pixels = height * 64.0 / (unsized.ascent() + unsized.descent());
    else
        pixels = std::lround(12 * s_.FontPpi / 72.0);
    QHash<double, QRawFont> &sized = face.Sized[japanese ? 1 : 0];
    if (sized.size() >= TFontCache::MaxSizes && !sized.contains(pixels))
        sized.clear();
    QRawFont &raw = sized[pixels];
    if (!raw.isValid()) {
        raw = unsized;
        raw.setPixelSize(pixels);
    }
    resolved.Raw = raw;
    if (s_.Font.Log.Width > 0) {
        QFont natural = font;
        natural.setPixelSize(std::max(1, static_cast<int>(std::lround(pixels))));
        const int average = QFontMetrics(natural).averageCharWidth();
        if (average > 0)
            resolved.WidthScale = static_cast<double>(s_.Font.Log.Width) / average;
    }
    return resolved;
}

// ---- Text ----

int TCanvas::FontAscent() const { return ShapeLine(resolve(u"").Raw, u"", false).Ascent; }

int TCanvas::FontDescent() const { return ShapeLine(resolve(u"").Raw, u"", false).Descent; }

QSize TCanvas::TextExtent(QStringView text) const
{
    const TFont &font = s_.Font;
    auto &measured = fonts_->Measured;
    auto known = measured.find(text);
    if (known != measured.end())
        for (const TFontCache::TMeasured &m : known->second)
            if (m.Height == font.Height && m.Width == font.Log.Width && m.Ppi == s_.FontPpi && m.Font == font.Log.Font)
                return m.Extent;
    int fit = 0;
    const QSize extent = GetTextExtentExPoint(text, -1, &fit);
    if (known == measured.end()) {
        if (measured.size() >= TFontCache::MaxMeasuredTexts)
            measured.clear();
        known = measured.emplace(text.toString(), QList<TFontCache::TMeasured>()).first;
    }
    QList<TFontCache::TMeasured> &fonts = known->second;
    if (fonts.size() >= TFontCache::MaxMeasuredFonts)
        fonts.removeFirst();
    fonts.append({font.Log.Font, font.Height, font.Log.Width, s_.FontPpi, extent});
    return extent;
}

QSize TCanvas::GetTextExtentExPoint(QStringView text, int maxExtent, int *fit, QList<int> *extents) const
{
    const TResolved resolved = resolve(text);
    const TShapedLine line = ShapeLine(resolved.Raw, text, resolved.Vertical);
    double along = 0;
    int fitting = 0;
    if (extents)
        extents->clear();
    for (qsizetype i = 0; i < text.size(); ++i) {
        along += line.Advances[i] * resolved.WidthScale;
        const int extent = static_cast<int>(std::lround(along));
        if (extents)
            extents->append(extent);
        if (maxExtent < 0 || extent <= maxExtent)
            fitting = static_cast<int>(i) + 1;
    }
    if (fit)
        *fit = fitting;
    return QSize(static_cast<int>(std::lround(along)), line.CellHeight());
}

void TCanvas::TextOut(int x, int y, QStringView text) { ExtTextOutW(x, y, 0, nullptr, text, nullptr); }

bool TCanvas::ExtTextOutW(int x, int y, unsigned options, const TRect *rect, QStringView text, const int *dx)
{
    drawText(x, y, options, rect, text, dx);
    return true;
}

bool TCanvas::ExtTextOutA(int x, int y, unsigned options, const TRect *rect, const QByteArray &text, const int *dx)
{
    // The advance of a double-byte character is the one given for its lead byte.
    const QString wide = Sjis::decode(text);
    QList<int> advances;
    if (dx) {
        for (qsizetype i = 0; i < text.size(); ++i) {
            advances.append(dx[i]);
            if (Sjis::isLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size())
                ++i;
        }
        advances.resize(wide.size());
    }
    drawText(x, y, options, rect, wide, dx ? advances.constData() : nullptr);
    return true;
}

void TCanvas::drawText(int x, int y, unsigned options, const TRect *rect, QStringView text, const int *dx)
{
    const TResolved resolved = resolve(text);
    const TShapedLine line = ShapeLine(resolved.Raw, text, resolved.Vertical);
    QList<double> starts;
    double along = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        starts.append(along);
        along += dx ? dx[i] : line.Advances[i] * resolved.WidthScale;
    }

    // The line frame: x along the escapement, y down across the line, the reference point at the origin.
    QTransform frame = QTransform().rotate(-s_.Font.Log.Escapement / 10.0) * QTransform::fromTranslate(x, y);
    double shiftX = 0;
    double shiftY = 0;
    if ((s_.TextAlign & TA_CENTER) == TA_CENTER)
        shiftX = -along / 2;
    else if (s_.TextAlign & TA_RIGHT)
        shiftX = -along;
    if ((s_.TextAlign & TA_BASELINE) == TA_BASELINE)
        shiftY = -line.Ascent;
    else if (s_.TextAlign & TA_BOTTOM)
        shiftY = -line.CellHeight();
    frame = QTransform::fromTranslate(shiftX, shiftY) * frame;

    const std::optional<QRect> clip = s_.Clip;
    if (rect && (options & ETO_OPAQUE)) {
        const QColor background = s_.BkColor;
        paintShapes([&](QPainter &p) { p.fillRect(rect->ToQRect(), background); });
    }
    if (rect && (options & ETO_CLIPPED))
        s_.Clip = s_.Clip ? s_.Clip->intersected(rect->ToQRect()) : rect->ToQRect();
    if (s_.BkMode == TBkMode::Opaque && !text.isEmpty()) {
        const QPolygonF cell = frame.map(QPolygonF(QRectF(0, 0, along, line.CellHeight())));
        const QColor background = s_.BkColor;
        paintShapes([&](QPainter &p) {
            p.setPen(Qt::NoPen);
            p.setBrush(background);
            p.drawPolygon(cell);
        });
    }
    for (const TPlacedRun &run : PlaceLine(line, text, starts, resolved.WidthScale))
        glyphs(run, frame, s_.Font.Color);
    s_.Clip = clip;
}

void TCanvas::glyphs(const TPlacedRun &run, const QTransform &frame, const QColor &colour)
{
    const QTransform transform = run.Transform * frame;
    if (picture_) {
        picture_->AddGlyphs(run.Run, run.Texts, transform, colour, s_.Clip);
        return;
    }
    painter_->save();
    painter_->setTransform(base_);
    if (s_.Clip)
        painter_->setClipRect(*s_.Clip, Qt::IntersectClip);
    painter_->setTransform(transform * base_);
    painter_->setPen(colour);
    DrawGlyphRun(*painter_, QPointF(0, 0), run.Run, run.Texts);
    painter_->restore();
}

// ---- Pen, brush, shapes ----

template <class Draw> void TCanvas::paintShapes(Draw draw)
{
    if (picture_) {
        QPainter &recorder = picture_->ShapePainter(s_.Clip);
        recorder.save();
        draw(recorder);
        recorder.restore();
        return;
    }
    painter_->save();
    painter_->setTransform(base_);
    if (s_.Clip)
        painter_->setClipRect(*s_.Clip, Qt::IntersectClip);
    draw(*painter_);
    painter_->restore();
}

void TCanvas::SetPen(const QColor &colour, int width, bool insideFrame)
{
    s_.PenColor = colour;
    s_.PenWidth = std::max(1, width);
    s_.PenInside = insideFrame;
    s_.PenNull = false;
    s_.PenJoin = Qt::MiterJoin;
    s_.PenCap = Qt::FlatCap;
}

void TCanvas::SetGeometricPen(const QColor &colour, int width, bool flatCaps)
{
    SetPen(colour, width);
    s_.PenJoin = Qt::RoundJoin;
    s_.PenCap = flatCaps ? Qt::FlatCap : Qt::RoundCap;
}

void TCanvas::SetNullPen() { s_.PenNull = true; }

void TCanvas::SetBrush(const QColor &colour, TBrushStyle style)
{
    s_.BrushColor = colour;
    SetBrushStyle(style);
}

void TCanvas::SetBrushStyle(TBrushStyle style)
{
    s_.BrushStyle = style;
    s_.BkMode = style == TBrushStyle::Clear ? TBkMode::Transparent : TBkMode::Opaque;
    if (style == TBrushStyle::Solid)
        s_.BkColor = s_.BrushColor;
}

QPen TCanvas::pen() const
{
    if (s_.PenNull)
        return QPen(Qt::NoPen);
    QPen pen(s_.PenColor, s_.PenWidth);
    pen.setJoinStyle(s_.PenJoin);
    pen.setCapStyle(s_.PenCap);
    return pen;
}

void TCanvas::FillRect(const TRect &rect)
{
    const QColor colour = s_.BrushColor;
    paintShapes([&](QPainter &p) { p.fillRect(rect.ToQRect(), colour); });
}

namespace {

// The outline a pen of width w follows around rect: through the middle of the outermost pixels, or, for a
// pen drawn inside the frame, far enough in that its whole width stays inside.
QRectF outline(const TRect &rect, int w, bool inside)
{
    const double inset = inside ? w / 2.0 : 0.5;
    return QRectF(rect.Left + inset, rect.Top + inset, rect.Width() - 2 * inset, rect.Height() - 2 * inset);
}

}  // namespace

void TCanvas::Rectangle(const TRect &rect)
{
    const QPen shapePen = pen();
    const QBrush brush = s_.BrushStyle == TBrushStyle::Solid ? QBrush(s_.BrushColor) : QBrush(Qt::NoBrush);
    const QRectF path = outline(rect, s_.PenWidth, s_.PenInside);
    paintShapes([&](QPainter &p) {
        p.setPen(shapePen);
        p.setBrush(brush);
        p.drawRect(path);
    });
}

void TCanvas::RoundRect(const TRect &rect, int cornerWidth, int cornerHeight)
{
    const QPen shapePen = pen();
    const QBrush brush = s_.BrushStyle == TBrushStyle::Solid ? QBrush(s_.BrushColor) : QBrush(Qt::NoBrush);
    const QRectF path = outline(rect, s_.PenWidth, s_.PenInside);
    paintShapes([&](QPainter &p) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(shapePen);
        p.setBrush(brush);
        p.drawRoundedRect(path, cornerWidth / 2.0, cornerHeight / 2.0);
    });
}

void TCanvas::Polyline(const QList<QPoint> &points)
{
    const QPen shapePen = pen();
    paintShapes([&](QPainter &p) {
        p.setPen(shapePen);
        p.drawPolyline(points.constData(), static_cast<int>(points.size()));
    });
}

void TCanvas::Polygon(const QList<QPoint> &points)
{
    const QPen shapePen = pen();
    const QBrush brush = s_.BrushStyle == TBrushStyle::Solid ? QBrush(s_.BrushColor) : QBrush(Qt::NoBrush);
    paintShapes([&](QPainter &p) {
        p.setPen(shapePen);
        p.setBrush(brush);
        p.drawPolygon(points.constData(), static_cast<int>(points.size()), Qt::WindingFill);
    });
}

void TCanvas::StretchDraw(const TRect &rect, const TMetafileEx &picture)
{
    // One unit more on the right and bottom: the picture's frame is inclusive, the rectangle is not. The clip
    // region stays as it was.
    PlayPicture(picture, QRectF(rect.Left, rect.Top, rect.Width() + 1, rect.Height() + 1));
}

// ---- Path ----

void TCanvas::BeginPath()
{
    pathPoints_.clear();
    pathTypes_.clear();
    pathOpen_ = true;
    pathEnded_ = false;
}

void TCanvas::EndPath()
{
    if (!pathOpen_)
        return;
    pathOpen_ = false;
    pathEnded_ = true;
}

void TCanvas::MoveTo(int x, int y)
{
    position_ = QPoint(x, y);
    if (pathOpen_) {
        pathPoints_.append(position_);
        pathTypes_.append(PT_MOVETO);
    }
}

// A line or curve after a closed figure, or first in the path, starts a figure at the current position.
void TCanvas::startFigure()
{
    if (pathTypes_.isEmpty() || (pathTypes_.last() & PT_CLOSEFIGURE)) {
        pathPoints_.append(position_);
        pathTypes_.append(PT_MOVETO);
    }
}

void TCanvas::LineTo(int x, int y)
{
    const QPoint to(x, y);
    if (pathOpen_) {
        startFigure();
        pathPoints_.append(to);
        pathTypes_.append(PT_LINETO);
    } else {
        Polyline({position_, to});
    }
    position_ = to;
}

void TCanvas::PolyBezierTo(const QPoint &control1, const QPoint &control2, const QPoint &end)
{
    position_ = end;
    if (!pathOpen_)
        return;
    startFigure();
    pathPoints_.append({control1, control2, end});
    pathTypes_.append({PT_BEZIERTO, PT_BEZIERTO, PT_BEZIERTO});
}

void TCanvas::CloseFigure()
{
    if (pathOpen_ && !pathTypes_.isEmpty())
        pathTypes_.last() |= PT_CLOSEFIGURE;
}

bool TCanvas::FlattenPath()
{
    if (!pathEnded_)
        return false;
    QList<QPoint> points;
    QList<quint8> types;
    for (qsizetype i = 0; i < pathPoints_.size();) {
        if ((pathTypes_[i] & ~PT_CLOSEFIGURE) != PT_BEZIERTO || i + 2 >= pathPoints_.size() || points.isEmpty()) {
            points.append(pathPoints_[i]);
            types.append(pathTypes_[i]);
            ++i;
            continue;
        }
        const QPointF p0 = points.last();
        const QPointF p1 = pathPoints_[i];
        const QPointF p2 = pathPoints_[i + 1];
        const QPointF p3 = pathPoints_[i + 2];
        // Enough chords that none strays more than a quarter pixel from the curve (the bound of a cubic's
        // second derivative over the chord count squared).
        const QPointF bend1 = p0 - 2 * p1 + p2;
        const QPointF bend2 = p1 - 2 * p2 + p3;
        const double bend = std::max(std::hypot(bend1.x(), bend1.y()), std::hypot(bend2.x(), bend2.y()));
        const int chords = std::clamp(static_cast<int>(std::ceil(std::sqrt(3 * bend))), 1, 1024);
        for (int k = 1; k < chords; ++k) {
            const double t = static_cast<double>(k) / chords;
            const double u = 1 - t;
            const QPointF at = u * u * u * p0 + 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t * p3;
            points.append(QPoint(static_cast<int>(std::lrint(at.x())), static_cast<int>(std::lrint(at.y()))));
            types.append(PT_LINETO);
        }
        points.append(pathPoints_[i + 2]);
        types.append(PT_LINETO | (pathTypes_[i + 2] & PT_CLOSEFIGURE));
        i += 3;
    }
    pathPoints_ = points;
    pathTypes_ = types;
    return true;
}

int TCanvas::GetPath(QList<QPoint> *points, QList<quint8> *types) const
{
    if (!pathEnded_)
        return -1;
    if (points)
        *points = pathPoints_;
    if (types)
        *types = pathTypes_;
    return static_cast<int>(pathPoints_.size());
}


void TCanvas::StretchDIBits(const TRect &rect, const QImage &image, unsigned rop, const QRegion *clip)
{
    // Kept exact in PDF as well (no JPEG), so the edges of cut-outs and left-out colours keep their colours.
    stretchImage(rect, image, rop, clip, true);
}

void TCanvas::DrawPhotograph(const TRect &rect, const QImage &image, const QRegion *clip)
{
    stretchImage(rect, image, SRCCOPY, clip, false);
}

void TCanvas::stretchImage(const TRect &rect, const QImage &image, unsigned rop, const QRegion *clip, bool exact)
{
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    switch (rop) {
    case SRCPAINT: mode = QPainter::RasterOp_SourceOrDestination; break;
    case SRCAND: mode = QPainter::RasterOp_SourceAndDestination; break;
    case SRCINVERT: mode = QPainter::RasterOp_SourceXorDestination; break;
    case SRCERASE: mode = QPainter::RasterOp_SourceAndNotDestination; break;
    }
    paintShapes([&](QPainter &p) {
        if (clip)
            p.setClipRegion(*clip, Qt::IntersectClip);
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        p.setRenderHint(QPainter::LosslessImageRendering, exact);
        p.setCompositionMode(mode);
        p.drawImage(QRectF(rect.ToQRect()), image);
    });
}

void TCanvas::PlayPicture(const TMetafileEx &picture, const QRectF &target)
{
    if (picture_)
        picture_->AddPicture(picture, target, s_.Clip);
    else
        picture.Play(*painter_, base_, target, s_.Clip);
}

// ---- Clipping and state ----

void TCanvas::SetClipRect(const TRect &rect) { s_.Clip = rect.ToQRect(); }

void TCanvas::ClearClip() { s_.Clip.reset(); }

TRect TCanvas::ClipRect() const
{
    if (!s_.Clip)
        return {};
    return {s_.Clip->left(), s_.Clip->top(), s_.Clip->left() + s_.Clip->width(), s_.Clip->top() + s_.Clip->height()};
}

void TCanvas::SaveDC() { saved_.append(s_); }

void TCanvas::RestoreDC()
{
    if (!saved_.isEmpty())
        s_ = saved_.takeLast();
}
