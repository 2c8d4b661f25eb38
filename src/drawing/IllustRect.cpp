#include "drawing/IllustRect.h"

#include "base/Units.h"
#include "drawing/BitmapHelpers.h"
#include "drawing/BitmapTransform.h"
#include "drawing/DesignGlobals.h"
#include "drawing/JpegOrientation.h"
#include "drawing/MaskedDraw.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Far more than the shipped mask shapes; numbers above come only from damaged documents.
constexpr int MaxMaskIndex = 0xFFFF;

bool isJpegExtension(const QByteArray &extension) { return extension == "jpg" || extension == "jpeg"; }

// The finest a picture object prints: the PDF printer and the printers' default setting print at 600 dpi,
// twice what photographs are printed at.
constexpr int FinestPrintDpi = 600;

// A JPEG is decoded no larger than the object prints it (a document holding a photograph of hundreds of
// megapixels on a postcard opens in megabytes). A picture with a transparent colour is decoded at full size
// where it can be: the colour was picked from those pixels, and a scaled decoding gives others.
int pictureCover(const TRect &rect, uint32_t transparentColour)
{
    if (transparentColour != clNone)
        return TJpegImage::LargestCover;
    return PictureCover(QSize(rect.Width(), rect.Height()));
}

TRect moved(const TRect &r, int dx, int dy) { return {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy}; }

// The picture stretched to w x h pixel for pixel, as the canvas stretches it.
QImage stretched(const QImage &picture, int w, int h)
{
    QImage image(w, h, Bitmap24Format);
    image.fill(Qt::white);
    QPainter painter(&image);
    TCanvas canvas(painter, LayoutDpi, LayoutDpi);
    PrintBitmap(canvas, picture, {0, 0, w, h}, SRCCOPY);
    return image;
}

// A one-bit mask of the picture: white (1) where it has the colour, black (0) elsewhere.
QImage maskOfColour(const QImage &picture, QRgb colour)
{
    QImage mask(picture.size(), QImage::Format_Mono);
    mask.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    for (int y = 0; y < picture.height(); ++y) {
        const uchar *in = picture.constScanLine(y);
        uchar *bits = mask.scanLine(y);
        std::fill_n(bits, mask.bytesPerLine(), uchar(0));
        for (int x = 0; x < picture.width(); ++x) {
            if (qRgb(in[3 * x], in[3 * x + 1], in[3 * x + 2]) == colour)
                bits[x >> 3] |= uchar(0x80 >> (x & 7));
        }
    }
    return mask;
}

}  // namespace

int PictureCover(QSize size)
{
    return std::max(1, LayoutToPixels(std::max(size.width(), size.height()), FinestPrintDpi));
}

TIllustRect::TIllustRect()
{
    Frame.OnFrameChange = [this](TRectFrame *) { DropDisplayCache(); };
    Frame.OnBackChange = [this](TRectFrame *) { DropDisplayCache(); };
}

void TIllustRect::Assign(const TDrawRect &source)
{
    TDrawRect::Assign(source);
    if (const auto *other = dynamic_cast<const TIllustRect *>(&source)) {
        SetExtension(other->Extension_);
        Picture_ = other->Picture_;
        if (other->KeptJpeg_ && KeptJpeg_)
            *KeptJpeg_ = *other->KeptJpeg_;
        MirrorH_ = other->MirrorH_;
        MirrorV_ = other->MirrorV_;
        Orientation_ = other->Orientation_;
        Reserved = other->Reserved;
        Resolution = other->Resolution;
        MaskIndex_ = other->MaskIndex_;
        MaskRect_ = other->MaskRect_;
        DispMaskRect_ = other->DispMaskRect_;
        MaskImage_ = other->MaskImage_ ? std::make_unique<TMetafileEx>(*other->MaskImage_) : nullptr;
        TransparentColor_ = other->TransparentColor_;
        Frame.Assign(other->Frame);
        AltPrinting = other->AltPrinting;
        MaskTurned_ = other->MaskTurned_;
    }
    DropDisplayCache();
    SyncMaskBitmap();
}

void TIllustRect::SetZoom(double zoom)
{
    TDrawRect::SetZoom(zoom);
    DispMaskRect_ = ScaledRect(MaskRect_, zoom);
    DropDisplayCache();
}

void TIllustRect::FollowRect(const TRect &before, long double scaleX, long double scaleY)
{
    // An object without size (a damaged document) has no share to keep.
    if (MaskRect_.IsEmpty() || !std::isfinite(scaleX) || !std::isfinite(scaleY)) {
        MaskRect_ = Rect;
    } else {
        MaskRect_ = {Rect.Left + RoundToInt((MaskRect_.Left - before.Left) * scaleX),
                     Rect.Top + RoundToInt((MaskRect_.Top - before.Top) * scaleY),
                     Rect.Left + RoundToInt((MaskRect_.Right - before.Left) * scaleX),
                     Rect.Top + RoundToInt((MaskRect_.Bottom - before.Top) * scaleY)};
    }
    DispMaskRect_ = ScaledRect(MaskRect_, Zoom_);
    DropDisplayCache();
    CoverRect();
}

void TIllustRect::CoverRect()
{
    if (!KeptJpeg_ || KeptJpeg_->DecodedSize().isEmpty())
        return;
    const int cover = pictureCover(Rect, TransparentColor_);
    if (KeptJpeg_->Covers(cover))
        return;
    TJpegImage larger;
    try {
        larger.LoadFromData(KeptJpeg_->Data(), std::numeric_limits<int>::max(), cover);
    } catch (const EInvalidGraphic &) {
        // The bytes decoded before; where the bound refuses the scale the larger object needs, the picture keeps
        // the pixels it has.
        return;
    }
    *KeptJpeg_ = larger;
    Picture_ = OrientedPicture();
    KeptJpeg_->ReleasePixelsBesides(Picture_);
}

QImage TIllustRect::OrientedPicture() const
{
    // Mirrored first, then turned, as the state reads; a step the image routines cannot take keeps the picture.
    QImage picture = KeptJpeg_->Bitmap();
    const auto take = [&picture](const QImage &changed) {
        if (!changed.isNull())
            picture = changed;
    };
    if (MirrorH_)
        take(MirrorBitmap(picture, true));
    if (MirrorV_)
        take(MirrorBitmap(picture, false));
    if (Orientation_ != 3)
        take(RotateBitmap(picture, Orientation_));
    return picture;
}

void TIllustRect::SetRect(const TRect &rect)
{
    const TRect before = Rect;
    TDrawRect::SetRect(rect);
    FollowRect(before, static_cast<long double>(rect.Width()) / before.Width(),
               static_cast<long double>(rect.Height()) / before.Height());
}

void TIllustRect::SetDispRect(const TRect &rect)
{
    const TRect before = Rect;
    const TRect beforeDisp = DispRect;
    TDrawRect::SetDispRect(rect);
    FollowRect(before, static_cast<long double>(rect.Width()) / beforeDisp.Width(),
               static_cast<long double>(rect.Height()) / beforeDisp.Height());
}

QSize TIllustRect::PictureSize() const
{
    if (!KeptJpeg_ || KeptJpeg_->PictureSize().isEmpty())
        return Picture_.size();
    const QSize own = KeptJpeg_->PictureSize();
    return Orientation_ <= 1 ? own.transposed() : own;
}

void TIllustRect::SetExtension(const QByteArray &extension)
{
    Extension_ = extension.toLower();
    KeptJpeg_.reset();
    if (isJpegExtension(Extension_))
        KeptJpeg_ = std::make_unique<TJpegImage>();
}

void TIllustRect::SetPicture(const TGraphic *graphic)
{
    if (graphic) {
        SetExtension(graphic->Extension());
        QImage bitmap;
        if (const auto *plain = dynamic_cast<const TBitmapGraphic *>(graphic)) {
            bitmap = plain->Bitmap();
        } else if (const auto *jpeg = dynamic_cast<const TJpegImage *>(graphic); jpeg && KeptJpeg_) {
            *KeptJpeg_ = *jpeg;
            bitmap = KeptJpeg_->Bitmap();
        }
        Picture_ = bitmap.isNull() ? QImage() : ToBitmap24(bitmap);
    } else {
        SetExtension({});
        Picture_ = QImage();
    }
    TransparentColor_ = clNone;
    SyncMaskBitmap();
    DropDisplayCache();
    MirrorH_ = MirrorV_ = 0;
    Orientation_ = 3;
    // A photograph a camera stored on its side comes in as it was taken, by the object's own mirror and turn:
    // the kept bytes stay the file's, and the user turns it on from there.
    if (KeptJpeg_) {
        const TExifTurn turn = ExifTurn(JpegOrientation(KeptJpeg_->Data()));
        if (turn.Mirrored)
            FlipPicture(0);
        if (turn.TurnMode() >= 0)
            RotatePicture(turn.TurnMode());
    }
}

void TIllustRect::FlipPicture(int kind)
{
    if (Picture_.isNull())
        return;
    if (QImage mirrored = MirrorBitmap(Picture_, kind == 0); !mirrored.isNull())
        Picture_ = mirrored;
    DropDisplayCache();
    if (!KeptJpeg_)
        return;
    KeptJpeg_->ReleasePixelsBesides(Picture_);
    // The state reads: mirrored first, then turned. A mirror after a quarter turn is the other quarter turn
    // after the mirror, and both mirrors together are a half turn.
    (kind == 0 ? MirrorH_ : MirrorV_) ^= 1;
    if (!(MirrorH_ && MirrorV_)) {
        if (Orientation_ == 0 || Orientation_ == 1)
            Orientation_ ^= 1;
    } else {
        MirrorH_ = MirrorV_ = 0;
        if (Orientation_ == 2 || Orientation_ == 3)
            Orientation_ ^= 1;
    }
}

void TIllustRect::RotatePicture(int kind)
{
    if (Picture_.isNull() || kind < 0 || kind > 2)
        return;
    if (QImage turned = RotateBitmap(Picture_, kind); !turned.isNull())
        Picture_ = turned;
    DropDisplayCache();
    // The next orientation by the current one (0 to 3) for each kind of turn.
    static constexpr uint8_t Next[3][4] = {{2, 3, 1, 0}, {3, 2, 0, 1}, {1, 0, 3, 2}};
    if (KeptJpeg_ && Orientation_ <= 3)
        Orientation_ = Next[kind][Orientation_];
    if (KeptJpeg_)
        KeptJpeg_->ReleasePixelsBesides(Picture_);
}

void TIllustRect::SetMaskIndex(int index)
{
    if (!ChangeField(MaskIndex_, index))
        return;
    // A number the list does not have leaves no shape behind, not the one chosen before.
    MaskImage_.reset();
    if (index >= 0) {
        const QStringList *files = MaskFileList();
        if (files && index < files->size()) {
            auto shape = std::make_unique<TMetafileEx>();
            if (LoadMaskShape(files->at(index), *shape))
                MaskImage_ = std::move(shape);
        }
        TransparentColor_ = clNone;
    }
    SyncMaskBitmap();
    DropDisplayCache();
}

void TIllustRect::SetTransparentColor(uint32_t colour)
{
    if (!ChangeField(TransparentColor_, colour))
        return;
    if (colour != clNone) {
        MaskIndex_ = -1;
        MaskImage_.reset();
    }
    SyncMaskBitmap();
    DropDisplayCache();
}

void TIllustRect::SyncMaskBitmap()
{
    if (!MaskOrColourInUse())
        MaskBitmap_.reset();
    else if (!MaskBitmap_)
        MaskBitmap_.emplace();
}

void TIllustRect::SetMaskRect(const TRect &rect)
{
    DispMaskRect_ = rect;
    MaskRect_ = ScaledRect(rect, 1.0 / Zoom_);
    DropDisplayCache();
}

void TIllustRect::SetMaskTurned(uint8_t turned)
{
    if (!ChangeField(MaskTurned_, turned))
        return;
    DropDisplayCache();
}

void TIllustRect::SetPrintMode(bool printMode)
{
    if (!ChangeField(PrintMode_, printMode))
        return;
    DropDisplayCache();
}

TEdgeCodes TIllustRect::HitTestEdges(int x, int y) const { return EdgeCodesAt(DispMaskRect_, x, y); }

Qt::CursorShape TIllustRect::GetCursorAt(int x, int y) const
{
    const TRect &r = DispMaskRect_;
    return EdgeCursor(HitTestEdges(x, y), x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom);
}

// ---- Drawing ----

QImage TIllustRect::ScaledPicture(int w, int h)
{
    if (!PrintMode_)
        return stretched(Picture_, w, h);
    QImage source = Picture_;
    QImage image(w, h, Bitmap24Format);
    image.fill(Qt::white);
    ResampleBitmap(source, &image, w, h, TResampleMode::Automatic);
    return image;
}

void TIllustRect::ComposeDisplay(int w, int h, const TRect &maskRect)
{
    // The screen image of a damaged document's extreme size at a large zoom is not made: nothing is drawn.
    if (!RasterFits(w, h, 4))
        return;
    if (!MaskBitmap_) {
        // On screen the picture is stretched as it is, once, into the screen's pixel format: stretching the
        // whole picture on every paint converts all its pixels each time, on worker threads.
        DisplayCache_ = PrintMode_ ? ScaledPicture(w, h) : stretched(Picture_, w, h).convertToFormat(QImage::Format_RGB32);
        return;
    }
    if (MaskImage_) {
        *MaskBitmap_ = MaskFromShape(*MaskImage_, maskRect, w, h);
        if (MaskTurned_)
            *MaskBitmap_ = RotateBitmap(*MaskBitmap_, 2);
    } else {
        *MaskBitmap_ = maskOfColour(stretched(Picture_, w, h), ColorFromBgr(int32_t(TransparentColor_)).rgb());
    }
    // The picture where the mask is black, black where it is cut away: the mask darkens the background
    // (AND) and the picture then fills the darkened pixels (XOR).
    DisplayCache_ = ScaledPicture(w, h);
    for (int y = 0; y < h; ++y) {
        const uchar *bits = MaskBitmap_->constScanLine(y);
        uchar *line = DisplayCache_.scanLine(y);
        for (int x = 0; x < w; ++x) {
            if (bits[x >> 3] & (0x80 >> (x & 7)))
                std::fill_n(line + 3 * x, 3, uchar(0));
        }
    }
}

void TIllustRect::Draw(TCanvas &canvas, int dx, int dy)
{
    if (Picture_.isNull() || DispRect.IsEmpty())
        return;
    const TRect inner = Frame.Draw(canvas, moved(DispRect, dx, dy), Zoom_);
    if (inner.IsEmpty())
        return;
    if (DisplayCache_.isNull())
        ComposeDisplay(inner.Width(), inner.Height(), moved(DispMaskRect_, dx - inner.Left, dy - inner.Top));
    if (MaskBitmap_ && DisplayCache_.isNull())
        return;
    const QImage &image = DisplayCache_.isNull() ? Picture_ : DisplayCache_;
    if (MaskBitmap_) {
        PrintBitmap(canvas, *MaskBitmap_, inner, SRCAND);
        PrintBitmap(canvas, image, inner, SRCINVERT);
    } else {
        PrintBitmap(canvas, image, inner, SRCCOPY);
    }
}

void TIllustRect::CalcPrintRect(const TRenderTarget &target, QPoint offset, bool keepMargins)
{
    TDrawRect::CalcPrintRect(target, offset, keepMargins);
    const int dpiX = target.LogPixelsX;
    const int dpiY = target.LogPixelsY;
    const int left = LayoutToPixels(MaskRect_.Left - Rect.Left, dpiX);
    const int top = LayoutToPixels(MaskRect_.Top - Rect.Top, dpiY);
    PrintMaskRect_ = {left, top, left + LayoutToPixels(MaskRect_.Width(), dpiX),
                      top + LayoutToPixels(MaskRect_.Height(), dpiY)};
    const TRect inner = Frame.Visible() ? Frame.GetInnerRect(PrintRect_, LayoutScale(dpiY)) : PrintRect_;
    // A cache of another printer or picture would print the wrong pixels.
    PrintCache_.reset();
    if (!inner.IsEmpty() && TransparentColor_ == clNone && Picture_.width() > inner.Width()
        && Picture_.height() > inner.Height()) {
        // A photograph printed plainly is shrunk into the format the PDF writer takes without a copy.
        if (KeptJpeg_ && !MaskImage_) {
            if (QImage printed = ResampledForPrinting(Picture_, inner.Width(), inner.Height()); !printed.isNull())
                PrintCache_ = printed;
        } else {
            QImage shrunk = Picture_;
            ResampleBitmap(shrunk, nullptr, inner.Width(), inner.Height(), TResampleMode::Automatic);
            PrintCache_ = shrunk;
        }
    }
}

void TIllustRect::Print(TCanvas &canvas, int dx, int dy)
{
    if (Picture_.isNull() || PrintRect_.IsEmpty())
        return;
    const TRect outer = moved(PrintRect_, dx, dy);
    const TRect inner = Frame.Draw(canvas, outer, LayoutScale(canvas.LogPixelsY()));
    if (inner.IsEmpty())
        return;
    const QImage &source = PrintCache_ ? *PrintCache_ : Picture_;
    if (TransparentColor_ != clNone) {
        const QColor colour = ColorFromBgr(int32_t(TransparentColor_));
        if (AltPrinting)
            DrawClippedByColor(canvas, Picture_, colour, inner);
        else
            DrawWithTransparentColor(canvas, Picture_, colour, inner);
    } else if (MaskImage_) {
        const TRect maskRect = moved(PrintMaskRect_, outer.Left - inner.Left, outer.Top - inner.Top);
        if (AltPrinting)
            DrawClippedByMask(canvas, source, *MaskImage_, maskRect, inner);
        else
            DrawWithMask(canvas, source, *MaskImage_, maskRect, inner);
    } else if (KeptJpeg_) {
        canvas.DrawPhotograph(inner, source);
    } else {
        PrintBitmap(canvas, source, inner, SRCCOPY);
    }
}

// ---- Stream ----

void TIllustRect::LoadFromStream(TObjectStream &stream)
{
    const TStoredBase base = ReadStoredBase(stream);
    QByteArray extension;
    ReadScrambledString(stream, extension);
    QImage bitmap;
    const bool jpegPicture = isJpegExtension(extension.toLower());
    QByteArray data;
    uint8_t mirrorH = 0, mirrorV = 0, orientation = 3;
    if (!extension.isEmpty() && !jpegPicture) {
        bitmap = ReadBitmapImage(stream.Device());
    } else if (jpegPicture) {
        const quint32 size = stream.Read<quint32>();
        stream.CheckCount(size, 1);
        data = QByteArray(static_cast<qsizetype>(size), Qt::Uninitialized);
        stream.ReadBuffer(data.data(), size);
        mirrorH = stream.Read<uint8_t>();
        mirrorV = stream.Read<uint8_t>();
        orientation = stream.Read<uint8_t>();
    }
    const uint32_t reserved = stream.Read<uint32_t>();
    // A number of the shipped mask list, or -1; the bound keeps the step below from overflowing.
    int maskIndex = CheckedStreamValue(stream.Read<int32_t>(), -1, MaxMaskIndex);
    // Shape 1 was inserted into the list with version 300.
    if (StreamVersion < 300 && maskIndex >= 1)
        ++maskIndex;
    const TRect maskRect = StreamVersion <= 200 ? TRect() : ReadStreamRect(stream);
    const uint32_t colour = stream.Read<uint32_t>();
    TRectFrame frame;
    frame.LoadFromStream(stream);
    const uint8_t maskTurned = StreamVersion <= 300 ? 0 : stream.Read<uint8_t>();
    TJpegImage jpeg;
    // A picture beyond what the program decodes, or a damaged one (cut short, of 12 bits, a header that
    // promises more than its data holds), is left out, and the rest of the document opens: the object shows no
    // picture and keeps its bytes to store.
    if (jpegPicture)
        jpeg.LoadOrKeep(data, pictureCover(base.Rect, colour));

    // The old picture goes first: the rectangle set next would otherwise decode it again for the new size.
    SetExtension(extension);
    ApplyStoredBase(base);
    if (KeptJpeg_) {
        *KeptJpeg_ = jpeg;
        // The state as stored, so a picture that is not shown is stored back as it was.
        MirrorH_ = mirrorH ? 1 : 0;
        MirrorV_ = mirrorV ? 1 : 0;
        Orientation_ = orientation <= 3 ? orientation : 3;
        Picture_ = OrientedPicture();
        KeptJpeg_->ReleasePixelsBesides(Picture_);
    } else {
        MirrorH_ = MirrorV_ = 0;
        Orientation_ = 3;
        Picture_ = bitmap;
    }
    Reserved = reserved;
    MaskRect_ = StreamVersion <= 200 ? Rect : maskRect;
    DispMaskRect_ = ScaledRect(MaskRect_, Zoom_);
    Frame.Assign(frame);
    MaskTurned_ = maskTurned;
    SetMaskIndex(-1);
    SetTransparentColor(clNone);
    SetMaskIndex(maskIndex);
    SetTransparentColor(colour);
    DropDisplayCache();
}

void TIllustRect::SaveToStream(TObjectStream &stream) const
{
    TDrawRect::SaveToStream(stream);
    // An extension promises image data to the reader; without a picture (or of a kind nothing here reads)
    // none follows, and a promise would make the reader take the next objects for a picture.
    const bool image = !Picture_.isNull() || PictureRefused();
    WriteScrambledString(image ? Extension_ : QByteArray(), stream);
    if (image && KeptJpeg_) {
        const QByteArray &data = KeptJpeg_->Data();
        stream.Write<quint32>(static_cast<quint32>(data.size()));
        stream.WriteBuffer(data.constData(), data.size());
        stream.Write<uint8_t>(MirrorH_);
        stream.Write<uint8_t>(MirrorV_);
        stream.Write<uint8_t>(Orientation_);
    } else if (image) {
        WriteBitmapImage(stream.Device(), Picture_);
    }
    stream.Write<uint32_t>(Reserved);
    stream.Write<int32_t>(MaskIndex_);
    WriteStreamRect(stream, MaskRect_);
    stream.Write<uint32_t>(TransparentColor_);
    Frame.SaveToStream(stream);
    stream.Write<uint8_t>(MaskTurned_);
}
