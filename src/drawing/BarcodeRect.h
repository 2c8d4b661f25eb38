// The postal customer barcode object of the address and label designers, the loader of the barcode library
// Kvstripe.so that draws it, and the choice of the bar size that fits a paper side.
#pragma once

#include "drawing/SelfSizedRect.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

// Answers of LoadBarcodeLibrary and CallCreateAdrsBar beside the library's own results.
inline constexpr int BarcodeLibraryMissing = 101;
inline constexpr int BarcodeFunctionMissing = 102;
inline constexpr int BarcodeLibraryNotLoaded = 103;

// What the window tells the user of a library that failed to load: the error box's text and caption. Empty
// when there is nothing to tell.
struct TBarcodeLoadFailure {
    QString Text;
    QString Caption;
    bool IsEmpty() const { return Text.isEmpty(); }
};

// Takes a reference on the library of folder; the first one loads it. 0, BarcodeLibraryMissing or
// BarcodeFunctionMissing. A failed load is not tried again while references remain; only the attempt that
// failed fills failure, so the user is told once.
int LoadBarcodeLibrary(const QString &folder, TBarcodeLoadFailure *failure = nullptr);
// Drops a reference; the last one unloads the library.
void FreeBarcodeLibrary();
// Has the library write the barcode of postalCode and address (Shift-JIS) as a BMP file (dictionaryFolder +
// "Barcode.bmp" when fileName is blank). direction: 0 horizontal, 1 vertical. The library's result, 0 when
// the file was written, or BarcodeLibraryNotLoaded.
int CallCreateAdrsBar(const QByteArray &postalCode, const QByteArray &address, int direction,
                      const QString &programFolder, const QString &dictionaryFolder, const QString &fileName);

// The barcode's extent in layout units at bar size index (0..3) laid out horizontally or vertically.
QSize BarcodeExtent(int index, bool horizontal);
// The largest bar size index whose barcode is shorter than a paper side of width (0.1 mm); false, and index
// untouched, when not even the smallest is.
bool FitBarcodeSize(int width, int &index);

class TBarcodeRect : public TSelfSizedRect {
public:
    TBarcodeRect() = default;
    ~TBarcodeRect() override;
    // A copy would release the library reference twice.
    TBarcodeRect(const TBarcodeRect &) = delete;
    TBarcodeRect &operator=(const TBarcodeRect &) = delete;

    uint8_t GetKind() const override { return ObjectKind::Barcode; }
    void Draw(TCanvas &canvas, int dx, int dy) override;
    void Print(TCanvas &canvas, int dx, int dy) override;
    void LoadFromStream(TObjectStream &stream) override;
    void SaveToStream(TObjectStream &stream) const override;

    // Makes the barcode of a record into the image: empty when the library is missing or refuses the data.
    // The library's file is written in workFolder and removed again. The answer is the failed load the caller
    // shows the user (as an error box, MB_OK | MB_ICONERROR), empty but for the call that tried it.
    TBarcodeLoadFailure MakeBarcode(const QByteArray &postalCode, const QByteArray &address,
                                    const QString &programFolder, const QString &dictionaryFolder,
                                    const QString &workFolder);
    void ClearImage() { setImage(QImage()); }
    // Turns the image by half a turn, for turned printing.
    void ConvertImage();
    // Resizes the object to the bar size, keeping its centre.
    void SetBarSize(int index);
    // Takes effect on the rectangle with the next SetRect or SetBarSize.
    void SetHorizontal(uint8_t horizontal);

    // A label's record layout lends the barcode a place higher up, under an address that gave its lower part
    // to the name (LayOutLabelRecord): it is drawn, printed and hit there, its rectangle unchanged. Not stored.
    void SetLaidOutTop(int top) { LaidOutShift_ = top - Rect.Top; }
    TRect LaidOutRect() const { return {Rect.Left, Rect.Top + LaidOutShift_, Rect.Right, Rect.Bottom + LaidOutShift_}; }
    TRect GetDispRect() const override;
    // The same layout has the barcode give way to a name block that would otherwise be set under the smallest
    // text size: it is neither drawn nor printed for that record. Not stored.
    void SetGivesWay(bool givesWay) { GivesWay_ = givesWay; }
    bool GivesWay() const { return GivesWay_; }

    int BarSize() const { return BarSize_; }
    uint8_t Horizontal() const { return Horizontal_; }
    const QImage &GetImage() const { return Image; }

protected:
    QSize OwnSize() const override { return BarcodeExtent(BarSize_, Horizontal_ != 0); }

private:
    // A bar of the image, by the sides of the image it reaches across the barcode: the top or left one
    // (Near) and the bottom or right one (Far). A long bar reaches both, a timing bar neither.
    struct TBarReach {
        bool Near = false;
        bool Far = false;
    };
    void setImage(const QImage &image);
    // Draws the bars into area, centred, at the bar size's dimensions in pixels of pixelsPerMm.
    void drawBars(TCanvas &canvas, const TRect &area, double pixelsPerMm) const;

    uint8_t LibraryHeld = 0;
    QImage Image;
    QList<TBarReach> Bars;  // read from Image; empty when it holds no barcode of 67 bars
    uint8_t BarSize_ = 0;
    uint8_t Horizontal_ = 1;
    int LaidOutShift_ = 0;  // layout units down from the rectangle
    bool GivesWay_ = false;
};
