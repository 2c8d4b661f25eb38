// The picture object: an illustration or photograph on a card, label or letter, stored inside the document
// (a JPEG as the file bytes it was loaded from, any other picture as a bitmap), mirrored and turned in
// quarter turns, cut out by a shipped mask shape or with one colour left transparent, and framed.
#pragma once

#include "drawing/DrawRect.h"
#include "drawing/Graphic.h"
#include "drawing/JpegImage.h"
#include "drawing/MetafileEx.h"
#include "drawing/RectFrame.h"

#include <QByteArray>
#include <QImage>

#include <cstdint>
#include <memory>
#include <optional>

// The colour value meaning "no transparent colour".
inline constexpr uint32_t clNone = 0x1FFFFFFF;

// The pixels a picture needs on each side to print sharp on a picture object of size (layout units),
// whichever way it is turned: its longer side at the finest resolution the printers print at. A JPEG is
// decoded to cover it (TJpegImage::LoadFromData) when it is inserted, opened or enlarged.
int PictureCover(QSize size);

class TIllustRect : public TDrawRect {
public:
    TIllustRect();
    TIllustRect(const TIllustRect &) = delete;
    TIllustRect &operator=(const TIllustRect &) = delete;

    void Assign(const TDrawRect &source) override;
    void SetZoom(double zoom) override;
    // The cut-out keeps its place and share of the object.
    void SetRect(const TRect &rect) override;
    void SetDispRect(const TRect &rect) override;
    uint8_t GetKind() const override { return ObjectKind::Illustration; }
    void Draw(TCanvas &canvas, int dx, int dy) override;
    void Print(TCanvas &canvas, int dx, int dy) override;
    // Also makes the print cache: a picture larger than the printed area is shrunk to it once, here.
    void CalcPrintRect(const TRenderTarget &target, QPoint offset, bool keepMargins) override;
    // Throws EInvalidGraphic ("画像が読み込めませんでした  ") for a bitmap that cannot be read and
    // EStreamError for a record cut short. A JPEG is decoded no larger than the object prints it; one refused
    // for its size or scans, or damaged, is left out: the object loads without a picture and keeps the bytes,
    // which it stores back as they were.
    void LoadFromStream(TObjectStream &stream) override;
    void SaveToStream(TObjectStream &stream) const override;

    // The picture of a TBitmapGraphic or a TJpegImage, or none (also for any other kind of graphic, whose
    // extension is still taken), without a transparent colour. A JPEG starts mirrored and turned as its EXIF
    // orientation says (the state below, its bytes as they are), any other picture upright and unmirrored.
    virtual void SetPicture(const TGraphic *graphic);
    // A number of the mask-file list, -1 for none. A number the list does not have, or a file that cannot be
    // read, is kept but draws and prints as no mask.
    virtual void SetMaskIndex(int index);
    // A colour (0x00BBGGRR) or clNone; a colour removes the mask.
    virtual void SetTransparentColor(uint32_t colour);

    // The picture as shown (mirrored, turned), a JPEG decoded at the scale the object's size needs; null for
    // a JPEG the decoder refused.
    const QImage &GetPicture() const { return Picture_; }
    // The picture's own size in pixels as it shows (turned): a JPEG's by its header, however large it was
    // decoded and whether it was at all.
    QSize PictureSize() const;
    const QByteArray &Extension() const { return Extension_; }
    void SetExtension(const QByteArray &extension);
    // The JPEG as loaded, present exactly for the extensions "jpg" and "jpeg".
    const TJpegImage *KeptJpeg() const { return KeptJpeg_.get(); }
    // A JPEG the decoder refused or found damaged: the object shows empty, and its bytes are stored back as
    // they were read.
    bool PictureRefused() const { return KeptJpeg_ && KeptJpeg_->Refused(); }
    // 0 left to right, 1 top to bottom.
    void FlipPicture(int kind);
    // 0 a quarter turn anticlockwise, 1 a quarter turn clockwise, 2 a half turn.
    void RotatePicture(int kind);
    uint8_t MirrorH() const { return MirrorH_; }
    uint8_t MirrorV() const { return MirrorV_; }
    // 3 upright, 0 a quarter turn anticlockwise, 1 a quarter turn clockwise, 2 a half turn.
    uint8_t Orientation() const { return Orientation_; }

    int MaskIndex() const { return MaskIndex_; }
    bool HasMaskImage() const { return MaskImage_ != nullptr; }
    uint32_t TransparentColor() const { return TransparentColor_; }
    TRect MaskRect() const { return MaskRect_; }
    TRect DispMaskRect() const { return DispMaskRect_; }
    TRect PrintMaskRect() const { return PrintMaskRect_; }
    // The cut-out in screen pixels.
    void SetMaskRect(const TRect &rect);
    uint8_t MaskTurned() const { return MaskTurned_; }
    void SetMaskTurned(uint8_t turned);
    // Set while the designers print or show the print preview: the screen image is resampled, not stretched.
    void SetPrintMode(bool printMode);
    const QImage *PrintCache() const { return PrintCache_ ? &*PrintCache_ : nullptr; }
    void FreePrintCache() { PrintCache_.reset(); }
    const QImage &DisplayCache() const { return DisplayCache_; }

    // The cut-out's handles in the settings dialog's preview.
    TEdgeCodes HitTestEdges(int x, int y) const;
    Qt::CursorShape GetCursorAt(int x, int y) const;

    // A value the documents carry along; nothing draws by it.
    uint32_t Reserved = 0;
    // The picture's own resolution (dots per inch) as its file gave it, for the size it is shown at by
    // default; the streams do not keep it, so a picture read back from a document counts as 96.
    int Resolution = 96;
    // Set by the designers before printing, for printers that cannot print cut-outs or transparency
    // correctly: those go through a clip region instead.
    uint8_t AltPrinting = 0;
    // Both of its change events drop the screen image.
    TRectFrame Frame;

private:
    bool MaskOrColourInUse() const { return MaskImage_ || TransparentColor_ != clNone; }
    void DropDisplayCache() { DisplayCache_ = QImage(); }
    // The mask bitmap exists exactly while a mask or a colour is in use.
    void SyncMaskBitmap();
    // Places MaskRect_ as the object moves from before to Rect, scaled by the size ratios given.
    void FollowRect(const TRect &before, long double scaleX, long double scaleY);
    // Composes the screen image and the mask bitmap for an inner area of w x h whose cut-out lies at
    // maskRect (relative to the area).
    void ComposeDisplay(int w, int h, const TRect &maskRect);
    // A JPEG decoded for a smaller object is decoded again from its bytes at the scale Rect needs, so it prints
    // as sharp as one opened at this size.
    void CoverRect();
    // The kept JPEG's pixels mirrored and turned by the state.
    QImage OrientedPicture() const;
    // Picture at w x h: resampled in print mode, else stretched pixel for pixel.
    QImage ScaledPicture(int w, int h);

    QImage Picture_;
    int MaskIndex_ = -1;
    std::unique_ptr<TMetafileEx> MaskImage_;
    TRect MaskRect_;
    uint32_t TransparentColor_ = clNone;
    std::optional<QImage> PrintCache_;
    TRect PrintMaskRect_;
    QImage DisplayCache_;
    std::optional<QImage> MaskBitmap_;
    TRect DispMaskRect_;
    bool PrintMode_ = false;
    std::unique_ptr<TJpegImage> KeptJpeg_;
    uint8_t MirrorH_ = 0;
    uint8_t MirrorV_ = 0;
    uint8_t Orientation_ = 3;
    QByteArray Extension_;
    uint8_t MaskTurned_ = 0;
};
