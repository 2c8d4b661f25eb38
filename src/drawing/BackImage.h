// The background of a letter page: a picture fitted to the page, centred or tiled, a plain colour or a
// two-colour gradient. The designer keeps one per design, shows the visible part of the page from a cached
// bitmap, prints the whole page and stores it in the design.
#pragma once

#include "drawing/Canvas.h"
#include "drawing/JpegImage.h"
#include "drawing/ObjectStream.h"

#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <QRegion>

#include <array>
#include <cstdint>
#include <optional>

class TBackImage {
public:
    enum : uint8_t { None = 0, Fitted = 1, Centred = 2, Tiled = 3, Colour = 4, Gradient = 5 };

    TBackImage();

    // No picture, no kept JPEG, nothing rendered, kind 0.
    void Clear();
    void Assign(const TBackImage &source);

    // Draws the rendered part of the page (rendering it first when needed) with the page's top-left at (x, y).
    void Draw(TCanvas &canvas, int x, int y);
    // The whole page of the given extent (0.1 mm) drawn at zoom with its top-left at (x, y): whoever draws a
    // page gives the background the paper's size, which a background read from a document does not carry.
    void DrawPage(TCanvas &canvas, QPoint extent, double zoom, int x, int y);
    void Refresh(bool force);
    bool IsEmpty() const { return Rendered_.width() == 0 || Rendered_.height() == 0; }

    // Each does nothing when the value is the current one, and otherwise renders the page again when next drawn.
    void SetZoom(double zoom);
    // Page width and height in 0.1 mm.
    void SetExtent(QPoint extent);
    // The part of the page to render, in page pixels at 96 dpi and zoom 1.
    void SetRect(const TRect &rect);
    // Kinds 1 to 3 need a picture: an empty one is made when there is none.
    void SetKind(uint8_t kind);
    void SetResolution(int resolution);
    void SetColor1(int32_t colour);
    void SetColor2(int32_t colour);
    void SetGradientAngle(int angle);
    // The page prints turned by 180 degrees: the picture held turns with it and tiles start at the bottom right.
    void SetTurned(bool turned);

    // Takes a loaded picture: a 24-bit copy, turned when the page is, its JPEG bytes kept as loaded, 72 dpi.
    void SetPictureFile(const TGraphic &graphic);
    // 0 top to bottom, 1 left to right.
    void FlipPicture(uint8_t direction);
    // 0 a quarter turn anticlockwise, 1 clockwise, 2 a half turn.
    void RotatePicture(uint8_t mode);

    // Places the page on the printer: offset in 0.1 mm; the whole page or what the printer's page (its
    // printable area in device pixels) holds; half 1 to 4 keeps the left, top, right or bottom half.
    void Print(const TRenderTarget &target, QPoint offset, bool wholePage, int half, QSize printerPage);
    // Draws the placed page on the printer moved by (dx, dy).
    void PaintTo(TCanvas &canvas, int dx, int dy);
    void FreePrintCache();

    void SaveToStream(TObjectStream &stream) const;
    // Throws EStreamError for a stream cut short or damaged, EInvalidGraphic (its message for the user) for a
    // bitmap that cannot be read; the background is then empty, of kind 0. A JPEG is decoded as large as
    // MaxJpegDecodeBytes allows, whole when it fits; one refused for its size or scans, or damaged, is left
    // out: the background loads without a picture (PictureRefused).
    void LoadFromStream(TObjectStream &stream);

    uint8_t Kind() const { return Kind_; }
    QPoint Extent() const { return Extent_; }
    int Resolution() const { return Resolution_; }
    int32_t Color1() const { return Color1_; }
    int32_t Color2() const { return Color2_; }
    int GradientAngle() const { return GradientAngle_; }
    bool Turned() const { return Turned_ != 0; }
    const QByteArray &Extension() const { return Extension_; }
    // The picture as shown (mirrored, turned), a JPEG smaller than its own size when the bound allowed no
    // more; null when there is none.
    const QImage &Picture() const { return Picture_; }
    // The JPEG bytes as loaded, when the picture came from a JPEG.
    const std::optional<TJpegImage> &KeptJpeg() const { return Jpeg_; }
    // A JPEG the decoder refused or found damaged: no picture shows, and its bytes are stored back as they
    // were read.
    bool PictureRefused() const { return Jpeg_ && Jpeg_->Refused(); }
    // Vertical mirror, horizontal mirror, rotation (3 none) applied to the kept JPEG's pixels.
    std::array<uint8_t, 3> MirrorState() const;
    const QImage &Rendered() const { return Rendered_; }
    QPoint DrawOffset() const { return DrawOffset_; }
    TRect PrintRect() const { return PrintRect_; }

private:
    void render();
    // The tiles of the placed page in blocks of whole rows, for pictures too small to draw one by one.
    void paintTileBlocks(TCanvas &canvas, const TRect &page, const QRegion &clip) const;
    void setExtension(const QByteArray &extension);
    bool jpegExtension() const;
    void freePicture();
    // The kept JPEG's own pixels given up once Picture_ is a turned or mirrored copy of them.
    void releaseJpegPixels();
    // The picture's own size as it shows (turned): a JPEG's by its header, whatever size it was decoded at.
    // Centred and tiled pictures are placed at that size.
    QSize shownSize() const;
    // How many of the picture's own pixels one pixel of Picture_ stands for across.
    double ownPixelsPerPixel() const;

    QImage Rendered_;
    QPoint Extent_;
    TRect Rect_;
    double Zoom_ = 1.0;
    uint8_t Kind_ = None;
    QImage Picture_;
    int Resolution_ = 72;
    int32_t Color1_ = 0;
    int32_t Color2_ = 0;
    int GradientAngle_ = 0;
    std::optional<TJpegImage> Jpeg_;
    // The kept JPEG's pixels as shown: mirrored top to bottom first when Mirrored_, then turned clockwise by
    // Quarters_ quarter turns.
    bool Mirrored_ = false;
    int Quarters_ = 0;
    QByteArray Extension_;
    uint8_t RenderedValid_ = 0;
    QPoint DrawOffset_;
    TRect PrintRect_;
    QSize PrintedPicture_;
    // A photograph shrunk to PrintedPicture_ for the run (ResampledForPrinting); null when it prints as it is.
    QImage PrintPhotograph_;
    QSize TileCount_;
    QImage PrintGradient_;
    QRegion PrintRegion_;
    uint8_t Turned_ = 0;
};
