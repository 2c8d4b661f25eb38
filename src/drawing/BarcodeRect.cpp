#include "drawing/BarcodeRect.h"

#include "base/RuntimeLibrary.h"
#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "base/Units.h"
#include "drawing/DesignGlobals.h"
#include "Kvstripe/Kvstripe.h"

#include <QFile>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace {

const QString BarcodeDllName = QStringLiteral("Kvstripe.dll");

// Bar sizes in points, smallest first.
constexpr std::array<int, 4> BarSizeTable{8, 9, 10, 11};
// The barcode's length over its height.
constexpr long double BarcodeAspect = 7612.0L / 325.0L;
// The longest address the library is given, in bytes.
constexpr qsizetype MaxAddressBytes = 255;

// The barcode objects live on the main thread only, so the shared library needs no lock.
struct TBarcodeLibrary {
    TRuntimeLibrary library;
    TCreateAdrsBar createAdrsBar = nullptr;
    int users = 0;
};

TBarcodeLibrary &barcodeLibrary()
{
    static TBarcodeLibrary instance;
    return instance;
}

int barHeight(int index) { return PointsToLayout(BarSizeTable[index]); }

// The symbol's bars: start, 20 data characters and the check character of three bars each, stop.
constexpr qsizetype BarCount = 67;

// Japan Post's dimensions of a barcode of a points, in mm per a / 10: the least, the aim and the most. The aims
// of width and space are the middles of what their limits leave at the pitch of 1.2; the timing bar sits in
// the middle of the long bar, and a half bar runs from one end of the long bar to the far end of the timing bar.
struct TDimension {
    double Least, Aim, Most;
};
constexpr TDimension BarWidth{0.50, 0.65, 0.70}, BarSpace{0.45, 0.55, 0.60}, LongBar{3.40, 3.50, 3.60},
    TimingBar{1.05, 1.20, 1.35};

// The whole pixels nearest the aim that lie within the limits and not beyond cap; the aim rounded on a device
// too coarse for the limits (the screen), never less than a pixel.
int pixelsOf(const TDimension &d, double pixelsPerUnit, int cap = std::numeric_limits<int>::max(), int parity = -1)
{
    const int least = static_cast<int>(std::ceil(d.Least * pixelsPerUnit - 1e-9));
    const int most = std::min(cap, static_cast<int>(std::floor(d.Most * pixelsPerUnit + 1e-9)));
    int pixels = std::min(cap, static_cast<int>(std::lround(d.Aim * pixelsPerUnit)));
    if (least <= most)
        pixels = std::clamp(pixels, least, most);
    // A timing bar of the long bar's parity stands exactly in its middle.
    if (parity >= 0 && pixels % 2 != parity)
        pixels += pixels + 1 <= most || least > most ? 1 : -1;
    return std::max(pixels, 1);
}

}  // namespace

int LoadBarcodeLibrary(const QString &folder, TBarcodeLoadFailure *failure)
{
    TBarcodeLibrary &b = barcodeLibrary();
    // A load that failed is not tried again while its users remain, and none of them may take the missing
    // entry for a loaded one.
    if (++b.users > 1)
        return b.createAdrsBar ? 0 : BarcodeLibraryMissing;
    const QString fileName = TRuntimeLibrary::FileNameFor(BarcodeDllName);
    if (!b.library.Load(folder, BarcodeDllName)) {
        if (failure)
            *failure = {fileName + QStringLiteral("\r\nDLLのロードに失敗しました"),
                        fileName + QStringLiteral(" LoadLibrary Error")};
        return BarcodeLibraryMissing;
    }
    b.createAdrsBar = reinterpret_cast<TCreateAdrsBar>(b.library.GetProcAddress("CreateAdrsBar"));
    if (!b.createAdrsBar) {
        if (failure)
            *failure = {QStringLiteral("CreateAdrsBar\r\n関数の割り当てに失敗しました"),
                        fileName + QStringLiteral(" GetProcAddress Error")};
        FreeBarcodeLibrary();
        return BarcodeFunctionMissing;
    }
    return 0;
}

void FreeBarcodeLibrary()
{
    TBarcodeLibrary &b = barcodeLibrary();
    if (b.users == 0)
        return;
    if (--b.users == 0 && b.library.IsLoaded()) {
        b.createAdrsBar = nullptr;
        b.library.Free();
    }
}

int CallCreateAdrsBar(const QByteArray &postalCode, const QByteArray &address, int direction,
                      const QString &programFolder, const QString &dictionaryFolder, const QString &fileName)
{
    const TBarcodeLibrary &b = barcodeLibrary();
    if (!b.createAdrsBar)
        return BarcodeLibraryNotLoaded;
    char buffer[KVSTRIPE_BUFFER_SIZE] = {};
    const QString file = fileName.trimmed().isEmpty() ? dictionaryFolder + QStringLiteral("Barcode.bmp") : fileName;
    return b.createAdrsBar(postalCode.constData(), address.constData(), direction, buffer,
                           QFile::encodeName(programFolder).constData(),
                           QFile::encodeName(dictionaryFolder).constData(), QFile::encodeName(file).constData());
}

QSize BarcodeExtent(int index, bool horizontal)
{
    const int side = barHeight(index);
    const int length = RoundToInt(side * BarcodeAspect);
    return horizontal ? QSize(length, side) : QSize(side, length);
}

bool FitBarcodeSize(int width, int &index)
{
    bool fits = false;
    for (int i = 0; i < static_cast<int>(BarSizeTable.size()); ++i) {
        const long double length = std::ceil(Rescaled(barHeight(i), LayoutDpi, TenthsMmPerInch) * BarcodeAspect);
        if (length >= width)
            break;
        index = i;
        fits = true;
    }
    return fits;
}

// ---- TBarcodeRect ----

TBarcodeRect::~TBarcodeRect()
{
    if (LibraryHeld != 0)
        FreeBarcodeLibrary();
}

// The library's picture is a 96-dpi bitmap, far too coarse to stretch to a printer: its bars are read from it
// and drawn again at the device's resolution in Japan Post's dimensions.
void TBarcodeRect::setImage(const QImage &image)
{
    Image = image;
    Bars.clear();
    if (Image.isNull())
        return;
    const bool across = Image.width() >= Image.height();
    const int length = across ? Image.width() : Image.height();
    const int thickness = across ? Image.height() : Image.width();
    const auto dark = [&](int along, int at) {
        return qGray(across ? Image.pixel(along, at) : Image.pixel(at, along)) < 128;
    };
    // Each run of dark columns along the barcode is a bar; where its ink starts and ends across tells its kind.
    QList<TBarReach> bars;
    int first = thickness;
    int last = -1;
    for (int along = 0; along <= length; ++along) {
        int top = thickness;
        int bottom = -1;
        for (int at = 0; along < length && at < thickness; ++at)
            if (dark(along, at)) {
                top = std::min(top, at);
                bottom = at;
            }
        if (bottom >= 0) {
            first = std::min(first, top);
            last = std::max(last, bottom);
        } else if (last >= 0) {
            bars.append({first < thickness / 3.0, last + 1 > thickness * 2 / 3.0});
            first = thickness;
            last = -1;
        }
    }
    if (bars.size() == BarCount)
        Bars = bars;
}

void TBarcodeRect::drawBars(TCanvas &canvas, const TRect &area, double pixelsPerMm) const
{
    const double perUnit = pixelsPerMm * BarSizeTable[BarSize_] / 10.0;
    const int width = pixelsOf(BarWidth, perUnit);
    const int pitch = width + pixelsOf(BarSpace, perUnit);
    const bool across = Image.width() >= Image.height();
    // The rectangle of the 10-point size is a little shorter than the aim of the long bar, not than its least.
    const int longBar = pixelsOf(LongBar, perUnit, across ? area.Height() : area.Width());
    const int timing = pixelsOf(TimingBar, perUnit, longBar, longBar % 2);
    const int length = static_cast<int>(Bars.size() - 1) * pitch + width;
    const int along = (across ? area.Left + (area.Width() - length) / 2 : area.Top + (area.Height() - length) / 2);
    const int side = (across ? area.Top + (area.Height() - longBar) / 2 : area.Left + (area.Width() - longBar) / 2);
    canvas.SetBrush(Qt::black);
    for (qsizetype i = 0; i < Bars.size(); ++i) {
        const int start = along + static_cast<int>(i) * pitch;
        const int from = side + (Bars[i].Near ? 0 : (longBar - timing) / 2);
        const int to = side + (Bars[i].Far ? longBar : (longBar + timing) / 2);
        canvas.FillRect(across ? TRect{start, from, start + width, to} : TRect{from, start, to, start + width});
    }
}

TRect TBarcodeRect::GetDispRect() const
{
    const int down = RoundToInt(LaidOutShift_ * Zoom_);
    return {DispRect.Left, DispRect.Top + down, DispRect.Right, DispRect.Bottom + down};
}

// The screen shows the library's picture as it is: at its own 96 dpi no bar could keep its dimensions.
void TBarcodeRect::Draw(TCanvas &canvas, int dx, int dy)
{
    const TRect shown = GetDispRect();
    if (!Image.isNull() && !GivesWay_)
        canvas.StretchDIBits({shown.Left + dx, shown.Top + dy, shown.Right + dx, shown.Bottom + dy}, Image);
}

void TBarcodeRect::Print(TCanvas &canvas, int dx, int dy)
{
    const int down = dy + LayoutToPixels(LaidOutShift_, canvas.LogPixelsY());
    const TRect area{PrintRect_.Left + dx, PrintRect_.Top + down, PrintRect_.Right + dx, PrintRect_.Bottom + down};
    if (GivesWay_)
        return;
    if (!Bars.isEmpty())
        drawBars(canvas, area, canvas.LogPixelsX() / 25.4);
    else if (!Image.isNull())
        canvas.StretchDIBits(area, Image);
}

void TBarcodeRect::LoadFromStream(TObjectStream &stream)
{
    const TStoredBase base = ReadStoredBase(stream);
    const uint8_t visible = StreamVersion < 200 ? stream.Read<uint8_t>() : base.Visible;
    const auto barSize = static_cast<uint8_t>(
        CheckedStreamValue(stream.Read<uint8_t>(), 0, static_cast<int>(BarSizeTable.size()) - 1));
    const uint8_t horizontal = stream.Read<uint8_t>();
    ApplyStoredBase(base);
    Visible = visible;
    BarSize_ = barSize;
    Horizontal_ = horizontal;
    // The rectangle read above was sized for the defaults; the bar size and direction read since decide it.
    SetRect(Rect);
}

void TBarcodeRect::SaveToStream(TObjectStream &stream) const
{
    TDrawRect::SaveToStream(stream);
    stream.Write<uint8_t>(BarSize_);
    stream.Write<uint8_t>(Horizontal_);
}

TBarcodeLoadFailure TBarcodeRect::MakeBarcode(const QByteArray &postalCode, const QByteArray &address,
                                              const QString &programFolder, const QString &dictionaryFolder,
                                              const QString &workFolder)
{
    TBarcodeLoadFailure failure;
    if (LibraryHeld == 0) {
        LoadBarcodeLibrary(programFolder, &failure);
        LibraryHeld = 1;
    }
    const QByteArray text = Sjis::cutToBytes(ToFullWidth(address), MaxAddressBytes);
    const QString file = workFolder + QStringLiteral("Barcode.bmp");
    if (CallCreateAdrsBar(postalCode, text, Horizontal_ != 0 ? 0 : 1, programFolder, dictionaryFolder, file) != 0) {
        ClearImage();
        return failure;
    }
    setImage(QImage(file, "BMP"));  // empty when the file cannot be read
    QFile::remove(file);
    return failure;
}

void TBarcodeRect::ConvertImage()
{
    if (!Image.isNull())
        setImage(Image.mirrored(true, true));
}

void TBarcodeRect::SetBarSize(int index)
{
    if (!ChangeField(BarSize_, static_cast<uint8_t>(index)))
        return;
    const QSize extent = OwnSize();
    const int left = Rect.Left + (Rect.Width() - extent.width()) / 2;
    const int top = Rect.Top + (Rect.Height() - extent.height()) / 2;
    SetSizedRect({left, top, left + extent.width(), top + extent.height()});
}

void TBarcodeRect::SetHorizontal(uint8_t horizontal)
{
    Horizontal_ = horizontal;
}
