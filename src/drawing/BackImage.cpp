#include "drawing/BackImage.h"

#include "base/Units.h"
#include "drawing/BitmapHelpers.h"
#include "drawing/BitmapTransform.h"
#include "drawing/ChangeField.h"
#include "drawing/DesignGlobals.h"
#include "drawing/GradientFill.h"

#include <QBuffer>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

// A page tiled with more pictures than this (tiny ones: a picture of a few pixels at a high resolution) is
// printed in blocks of whole rows of tiles, so the work is bounded by the page's pixels, not by the tiles.
constexpr qint64 MaxSingleTiles = 4096;
// The least height of such a block, in device pixels.
constexpr int TileBlockHeight = 64;

constexpr int32_t White = 0xFFFFFF;
constexpr uint8_t NotRotated = 3;

// Pictures without a usable resolution are taken at the one a graphic gets.
int usableResolution(int resolution) { return resolution > 0 ? resolution : 72; }

QImage turnedHalfway(const QImage &picture) { return picture.isNull() ? picture : RotateBitmap(picture, 2); }

}  // namespace

TBackImage::TBackImage() : Rendered_(0, 0, Bitmap24Format) {}

void TBackImage::freePicture()
{
    Picture_ = QImage();
    Jpeg_.reset();
    Mirrored_ = false;
    Quarters_ = 0;
}

void TBackImage::Clear()
{
    freePicture();
    Rendered_ = QImage(0, 0, Bitmap24Format);
    Kind_ = None;
    RenderedValid_ = 0;
}

bool TBackImage::jpegExtension() const { return Extension_ == "jpg" || Extension_ == "jpeg"; }

void TBackImage::setExtension(const QByteArray &extension)
{
    Extension_ = extension.toLower();
    if (!jpegExtension())
        Jpeg_.reset();
}

std::array<uint8_t, 3> TBackImage::MirrorState() const
{
    static constexpr uint8_t Rotation[] = {NotRotated, 1, 2, 0};
    return {uint8_t(Mirrored_), 0, Rotation[Quarters_]};
}

void TBackImage::Assign(const TBackImage &source)
{
    if (&source == this)
        return;
    Extent_ = source.Extent_;
    Zoom_ = source.Zoom_;
    Rect_ = source.Rect_;
    Kind_ = source.Kind_;
    if (Kind_ >= Fitted && Kind_ <= Tiled) {
        setExtension(source.Extension_);
        Picture_ = source.Picture_;
        Jpeg_ = jpegExtension() ? source.Jpeg_ : std::nullopt;
        Mirrored_ = source.Mirrored_;
        Quarters_ = source.Quarters_;
        Resolution_ = source.Resolution_;
    } else {
        freePicture();
        Color1_ = source.Color1_;
        if (Kind_ == Gradient) {
            Color2_ = source.Color2_;
            GradientAngle_ = source.GradientAngle_;
        }
    }
    Turned_ = source.Turned_;
    RenderedValid_ = 0;
}


void TBackImage::SetZoom(double zoom)
{
    if (ChangeField(Zoom_, zoom))
        RenderedValid_ = 0;
}

void TBackImage::SetExtent(QPoint extent)
{
    if (ChangeField(Extent_, extent))
        RenderedValid_ = 0;
}

void TBackImage::SetRect(const TRect &rect)
{
    if (ChangeField(Rect_, rect))
        RenderedValid_ = 0;
}

void TBackImage::SetKind(uint8_t kind)
{
    if (ChangeField(Kind_, kind))
        RenderedValid_ = 0;
}

void TBackImage::SetResolution(int resolution)
{
    if (ChangeField(Resolution_, resolution))
        RenderedValid_ = 0;
}

void TBackImage::SetColor1(int32_t colour)
{
    if (ChangeField(Color1_, colour))
        RenderedValid_ = 0;
}

void TBackImage::SetColor2(int32_t colour)
{
    if (ChangeField(Color2_, colour))
        RenderedValid_ = 0;
}

void TBackImage::SetGradientAngle(int angle)
{
    if (ChangeField(GradientAngle_, angle))
        RenderedValid_ = 0;
}

void TBackImage::SetTurned(bool turned)
{
    if (!ChangeField(Turned_, uint8_t(turned)))
        return;
    Picture_ = turnedHalfway(Picture_);
    releaseJpegPixels();
    RenderedValid_ = 0;
}

void TBackImage::releaseJpegPixels()
{
    if (Jpeg_)
        Jpeg_->ReleasePixelsBesides(Picture_);
}

void TBackImage::SetPictureFile(const TGraphic &graphic)
{
    setExtension(graphic.Extension());
    const auto *jpeg = dynamic_cast<const TJpegImage *>(&graphic);
    Jpeg_ = jpeg && jpegExtension() ? std::optional<TJpegImage>(*jpeg) : std::nullopt;
    Picture_ = ToBitmap24(graphic.Bitmap());
    if (Turned_)
        Picture_ = turnedHalfway(Picture_);
    releaseJpegPixels();
    Resolution_ = 72;
    Mirrored_ = false;
    Quarters_ = 0;
    RenderedValid_ = 0;
}

// The picture shown is the kept pixels mirrored (or not) and then turned; a mirror turns the other way
// round afterwards, so the state stays one optional mirror followed by a turn.
void TBackImage::FlipPicture(uint8_t direction)
{
    const bool horizontal = direction == 1;
    if (!Picture_.isNull())
        Picture_ = MirrorBitmap(Picture_, horizontal);
    Mirrored_ = !Mirrored_;
    Quarters_ = ((horizontal ? 2 : 0) - Quarters_ + 4) % 4;
    releaseJpegPixels();
    RenderedValid_ = 0;
}

void TBackImage::RotatePicture(uint8_t mode)
{
    if (mode > 2)
        return;
    if (!Picture_.isNull())
        Picture_ = RotateBitmap(Picture_, mode);
    static constexpr int Quarters[] = {3, 1, 2};
    Quarters_ = (Quarters_ + Quarters[mode]) % 4;
    releaseJpegPixels();
    RenderedValid_ = 0;
}

QSize TBackImage::shownSize() const
{
    if (!Jpeg_ || Jpeg_->PictureSize().isEmpty())
        return Picture_.size();
    return Quarters_ % 2 ? Jpeg_->PictureSize().transposed() : Jpeg_->PictureSize();
}

double TBackImage::ownPixelsPerPixel() const
{
    return Picture_.isNull() ? 1.0 : double(shownSize().width()) / Picture_.width();
}

void TBackImage::Refresh(bool force)
{
    if (force || !RenderedValid_)
        render();
}

void TBackImage::render()
{
    const long double z = Zoom_;
    const int pw = std::max(0, RoundToInt(TenthsMmToLayout(Extent_.x()) * z));
    const int ph = std::max(0, RoundToInt(TenthsMmToLayout(Extent_.y()) * z));
    TRect area{static_cast<int>(std::ceil(Rect_.Left * z)), static_cast<int>(std::ceil(Rect_.Top * z)),
               static_cast<int>(std::trunc(Rect_.Right * z)), static_cast<int>(std::trunc(Rect_.Bottom * z))};
    if (area.IsEmpty())
        area = {};
    area.Left = std::max(area.Left, 0);
    area.Top = std::max(area.Top, 0);
    area.Right = std::min(area.Right, area.Left + pw);
    area.Bottom = std::min(area.Bottom, area.Top + ph);
    Rendered_ = QImage(std::max(area.Width(), 0), std::max(area.Height(), 0), Bitmap24Format);
    Rendered_.fill(Qt::white);
    const bool picture = !Picture_.isNull();
    switch (Kind_) {
    case Fitted:
        if (picture) {
            const double scale = std::min(double(Rendered_.width()) / Picture_.width(),
                                          double(Rendered_.height()) / Picture_.height());
            // At 96 dots per inch the physical size is the pixel size, so the helper scales by scale alone.
            DrawPictureCentred(Picture_, LayoutDpi, Rendered_, scale);
        }
        break;
    case Centred:
        if (picture)
            DrawPictureCentred(Picture_, usableResolution(Resolution_), Rendered_, Zoom_ * ownPixelsPerPixel());
        break;
    case Tiled:
        if (picture)
            DrawPictureTiled(Picture_, usableResolution(Resolution_), Rendered_, Turned_, Zoom_ * ownPixelsPerPixel());
        break;
    case Colour: Rendered_.fill(ColorFromBgr(Color1_)); break;
    case Gradient: FillGradient(Rendered_, GradientAngle_, ColorFromBgr(Color1_), ColorFromBgr(Color2_)); break;
    default: break;
    }
    if (Kind_ == None || Kind_ > Gradient || (Kind_ <= Tiled && !picture))
        Rendered_ = QImage(0, 0, Bitmap24Format);
    DrawOffset_ = QPoint(area.Left, area.Top);
    RenderedValid_ = 1;
}

void TBackImage::Draw(TCanvas &canvas, int x, int y)
{
    if (Kind_ == None)
        return;
    if (!RenderedValid_)
        render();
    if (IsEmpty())
        return;
    const int left = x + DrawOffset_.x();
    const int top = y + DrawOffset_.y();
    canvas.StretchDIBits({left, top, left + Rendered_.width(), top + Rendered_.height()}, Rendered_);
}

void TBackImage::DrawPage(TCanvas &canvas, QPoint extent, double zoom, int x, int y)
{
    SetExtent(extent);
    SetZoom(zoom);
    SetRect(TRect{0, 0, TenthsMmToLayout(extent.x()), TenthsMmToLayout(extent.y())});
    Draw(canvas, x, y);
}

void TBackImage::Print(const TRenderTarget &caps, QPoint offset, bool wholePage, int half, QSize printerPage)
{
    FreePrintCache();
    const long double dpiX = caps.LogPixelsX;
    const long double dpiY = caps.LogPixelsY;
    const int offX = caps.PhysicalOffsetX;
    const int offY = caps.PhysicalOffsetY;
    const int pw = TenthsMmToPixels(Extent_.x(), dpiX);
    const int ph = TenthsMmToPixels(Extent_.y(), dpiY);
    TRect r = wholePage ? TRect{0, 0, pw, ph}
                        : TRect{0, 0, std::min(pw - offX, printerPage.width()), std::min(ph - offY, printerPage.height())};
    switch (half) {
    case 1: r.Right = std::min(pw / 2 - 2 * offX, r.Right); break;
    case 2: r.Bottom = std::min(ph / 2 - 2 * offY, r.Bottom); break;
    case 3: r.Left = pw / 2; break;
    case 4: r.Top = ph / 2; break;
    default: break;
    }
    if (r.IsEmpty()) {
        PrintRect_ = {};
        return;
    }
    const int dx = TenthsMmToPixels(offset.x(), dpiX);
    const int dy = TenthsMmToPixels(offset.y(), dpiY);
    PrintRect_ = {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
    PrintRegion_ = QRegion(PrintRect_.ToQRect());
    const bool picture = !Picture_.isNull();
    if (Kind_ == Fitted && picture) {
        const long double scale = std::min(static_cast<long double>(PrintRect_.Width()) / Picture_.width(),
                                           static_cast<long double>(PrintRect_.Height()) / Picture_.height());
        PrintedPicture_ = QSize(RoundToInt(Picture_.width() * scale), RoundToInt(Picture_.height() * scale));
    } else if ((Kind_ == Centred || Kind_ == Tiled) && picture) {
        const int resolution = usableResolution(Resolution_);
        const QSize own = shownSize();
        PrintedPicture_ = QSize(RoundToInt(own.width() * dpiX / resolution), RoundToInt(own.height() * dpiY / resolution));
        if (Kind_ == Tiled && !PrintedPicture_.isEmpty())
            TileCount_ = QSize((PrintRect_.Width() + PrintedPicture_.width() - 1) / PrintedPicture_.width(),
                               (PrintRect_.Height() + PrintedPicture_.height() - 1) / PrintedPicture_.height());
    }
    if (Jpeg_ && (Kind_ == Fitted || Kind_ == Centred) && PrintedPicture_.width() < Picture_.width()
        && PrintedPicture_.height() < Picture_.height())
        PrintPhotograph_ = ResampledForPrinting(Picture_, PrintedPicture_.width(), PrintedPicture_.height());
    if (Kind_ == Gradient && (Color1_ != White || Color2_ != White)) {
        PrintGradient_ = QImage(PixelsToLayout(PrintRect_.Width(), dpiX), PixelsToLayout(PrintRect_.Height(), dpiY),
                                Bitmap24Format);
        FillGradient(PrintGradient_, GradientAngle_, ColorFromBgr(Color1_), ColorFromBgr(Color2_));
    }
}

void TBackImage::paintTileBlocks(TCanvas &canvas, const TRect &page, const QRegion &clip) const
{
    const QSize size = PrintedPicture_;
    const int across = TileCount_.width();
    const int down = std::min(TileCount_.height(), std::max(1, TileBlockHeight / size.height()));
    const qint64 width = qint64(across) * size.width();
    const qint64 height = qint64(down) * size.height();
    if (!RasterFits(width, height, 4))
        return;
    // One tile drawn as the canvas draws each, then repeated across and down the block.
    QImage block(int(width), int(height), QImage::Format_RGB32);
    block.fill(Qt::white);
    {
        QPainter painter(&block);
        TCanvas tile(painter, canvas.LogPixelsX(), canvas.LogPixelsY());
        tile.StretchDIBits({0, 0, size.width(), size.height()}, Picture_, SRCCOPY);
    }
    const size_t tileBytes = size_t(size.width()) * 4;
    for (int y = 0; y < size.height(); ++y) {
        uchar *line = block.scanLine(y);
        for (int i = 1; i < across; ++i)
            std::memcpy(line + i * tileBytes, line, tileBytes);
    }
    for (int y = size.height(); y < block.height(); ++y)
        std::memcpy(block.scanLine(y), block.constScanLine(y % size.height()), size_t(block.bytesPerLine()));
    // Blocks from the top left, or on a turned page from the bottom right; the clip cuts the last one.
    for (int j = 0; j < TileCount_.height(); j += down) {
        const QPoint at = Turned_ ? QPoint(page.Right - int(width), page.Bottom - size.height() * j - int(height))
                                  : QPoint(page.Left, page.Top + size.height() * j);
        canvas.StretchDIBits({at.x(), at.y(), at.x() + int(width), at.y() + int(height)}, block, SRCCOPY, &clip);
    }
}

void TBackImage::PaintTo(TCanvas &canvas, int dx, int dy)
{
    if (Kind_ == None || PrintRect_.IsEmpty())
        return;
    const TRect page{PrintRect_.Left + dx, PrintRect_.Top + dy, PrintRect_.Right + dx, PrintRect_.Bottom + dy};
    const QRegion clip = PrintRegion_.translated(dx, dy);
    const QSize size = PrintedPicture_;
    switch (Kind_) {
    case Fitted:
    case Centred:
        if (!Picture_.isNull() && !size.isEmpty()) {
            const int left = page.Left + (page.Width() - size.width()) / 2;
            const int top = page.Top + (page.Height() - size.height()) / 2;
            const TRect placed{left, top, left + size.width(), top + size.height()};
            if (Jpeg_)
                canvas.DrawPhotograph(placed, PrintPhotograph_.isNull() ? Picture_ : PrintPhotograph_, &clip);
            else
                canvas.StretchDIBits(placed, Picture_, SRCCOPY, &clip);
        }
        break;
    case Tiled:
        if (Picture_.isNull() || size.isEmpty())
            break;
        if (qint64(TileCount_.width()) * TileCount_.height() > MaxSingleTiles) {
            paintTileBlocks(canvas, page, clip);
            break;
        }
        for (int i = 0; i < TileCount_.width(); ++i) {
            for (int j = 0; j < TileCount_.height(); ++j) {
                const QPoint at = Turned_ ? QPoint(page.Right - size.width() * (i + 1), page.Bottom - size.height() * (j + 1))
                                          : QPoint(page.Left + size.width() * i, page.Top + size.height() * j);
                canvas.StretchDIBits({at.x(), at.y(), at.x() + size.width(), at.y() + size.height()}, Picture_,
                                     SRCCOPY, &clip);
            }
        }
        break;
    case Colour:
        if (Color1_ != White) {
            canvas.SetBrush(ColorFromBgr(Color1_));
            canvas.FillRect(page);
        }
        break;
    case Gradient:
        if (!PrintGradient_.isNull())
            canvas.StretchDIBits(page, PrintGradient_, SRCCOPY, &clip);
        break;
    default: break;
    }
}

void TBackImage::FreePrintCache()
{
    PrintRegion_ = QRegion();
    PrintGradient_ = QImage();
    PrintedPicture_ = QSize();
    PrintPhotograph_ = QImage();
    TileCount_ = QSize();
}

void TBackImage::SaveToStream(TObjectStream &stream) const
{
    // A picture kind without a picture (one refused by the decoder aside) draws nothing and has no image to
    // store: it is stored as no background.
    const bool picture = Kind_ >= Fitted && Kind_ <= Tiled;
    if (picture && Picture_.isNull() && !PictureRefused()) {
        stream.Write<uint8_t>(None);
        stream.Write<uint8_t>(Turned_);
        return;
    }
    stream.Write<uint8_t>(Kind_);
    if (picture) {
        WriteScrambledString(Extension_, stream);
        if (jpegExtension()) {
            const QByteArray data = Jpeg_ ? Jpeg_->Data() : QByteArray();
            stream.Write<uint32_t>(static_cast<uint32_t>(data.size()));
            stream.WriteBuffer(data.constData(), data.size());
            const std::array<uint8_t, 3> state = MirrorState();
            stream.WriteBuffer(state.data(), 3);
        } else {
            // The picture is held turned with the page and turned again on loading, so it is stored as it
            // was loaded.
            WriteBitmapImage(stream.Device(), Turned_ ? turnedHalfway(Picture_) : Picture_);
        }
        stream.Write<int32_t>(Resolution_);
    } else if (Kind_ == Colour || Kind_ == Gradient) {
        stream.Write<int32_t>(Color1_);
        if (Kind_ == Gradient) {
            stream.Write<int32_t>(Color2_);
            stream.Write<int32_t>(GradientAngle_);
        }
    }
    stream.Write<uint8_t>(Turned_);
}

void TBackImage::LoadFromStream(TObjectStream &stream)
{
    Clear();
    try {
        const uint8_t kind = stream.Read<uint8_t>();
        if (kind > Gradient)
            throw EStreamError("The letter background is of an unknown kind.");
        Kind_ = kind;
        if (kind >= Fitted && kind <= Tiled) {
            QByteArray extension;
            ReadScrambledString(stream, extension);
            setExtension(extension);
            if (jpegExtension()) {
                const uint32_t size = stream.Read<uint32_t>();
                stream.CheckCount(size, 1);
                QByteArray data(static_cast<qsizetype>(size), Qt::Uninitialized);
                stream.ReadBuffer(data.data(), size);
                std::array<uint8_t, 3> state{};
                stream.ReadBuffer(state.data(), 3);
                if (state[2] > NotRotated)
                    throw EInvalidGraphic("the picture's turn is unknown");
                // The page needs about as many pixels as a photograph has at the finest print resolution: a
                // picture is decoded whole where the bound allows, else as large as it allows. One beyond what
                // the program decodes, or a damaged one, is left out, and the design opens with a background
                // that shows none; the kept bytes are stored back as they were.
                Jpeg_.emplace();
                Jpeg_->LoadOrKeep(data, TJpegImage::LargestCover);
                Picture_ = ToBitmap24(Jpeg_->Bitmap());
                if (state[0])
                    FlipPicture(0);
                if (state[1])
                    FlipPicture(1);
                if (state[2] != NotRotated)
                    RotatePicture(state[2]);
            } else {
                Picture_ = ToBitmap24(ReadBitmapImage(stream.Device()));
            }
            Resolution_ = stream.Read<int32_t>();
        } else if (kind == Colour || kind == Gradient) {
            Color1_ = stream.Read<int32_t>();
            if (kind == Gradient) {
                Color2_ = stream.Read<int32_t>();
                GradientAngle_ = stream.Read<int32_t>();
            }
        }
        Turned_ = StreamVersion > 300 ? stream.Read<uint8_t>() : 0;
        if (Turned_)
            Picture_ = turnedHalfway(Picture_);
        releaseJpegPixels();
    } catch (...) {
        Clear();
        throw;
    }
    RenderedValid_ = 0;
}
