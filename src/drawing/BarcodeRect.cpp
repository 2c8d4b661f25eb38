#include "drawing/BarcodeRect.h"

#include "Kvstripe/Kvstripe.h"
#include "core/SharedHelpers.h"
#include "core/TextUtils.h"
#include "drawing/DesignGlobals.h"
#include "platform/MessageBox.h"
#include "platform/RuntimeLibrary.h"
#include "platform/SjisCodec.h"

#include <QFile>

#include <array>
#include <cmath>

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

int barHeight(int index) { return static_cast<int>(RoundHalfAway(BarSizeTable[index] * 96 / 72.0L)); }

}  // namespace

int LoadBarcodeLibrary(const QString &folder)
{
    TBarcodeLibrary &b = barcodeLibrary();
    // A load that failed is not tried again while its users remain, and none of them may take the missing
    // entry for a loaded one.
    if (++b.users > 1)
        return b.createAdrsBar ? 0 : BarcodeLibraryMissing;
    const QString fileName = TRuntimeLibrary::FileNameFor(BarcodeDllName);
    if (!b.library.Load(folder, BarcodeDllName)) {
        ShowMessageBoxAt(nullptr, fileName + QStringLiteral("\r\nDLLのロードに失敗しました"),
                         fileName + QStringLiteral(" LoadLibrary Error"), MB_OK | MB_ICONERROR);
        return BarcodeLibraryMissing;
    }
    b.createAdrsBar = reinterpret_cast<TCreateAdrsBar>(b.library.GetProcAddress("CreateAdrsBar"));
    if (!b.createAdrsBar) {
        ShowMessageBoxAt(nullptr, QStringLiteral("CreateAdrsBar\r\n関数の割り当てに失敗しました"),
                         fileName + QStringLiteral(" GetProcAddress Error"), MB_OK | MB_ICONERROR);
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
    const int length = static_cast<int>(RoundHalfAway(side * BarcodeAspect));
    return horizontal ? QSize(length, side) : QSize(side, length);
}

bool FitBarcodeSize(int width, int &index)
{
    bool fits = false;
    for (int i = 0; i < static_cast<int>(BarSizeTable.size()); ++i) {
        const long double length = std::ceil(barHeight(i) / 96.0L * 254 * BarcodeAspect);
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

void TBarcodeRect::Draw(TCanvas &canvas, int dx, int dy)
{
    if (!Image.isNull())
        canvas.StretchDIBits({DispRect.Left + dx, DispRect.Top + dy, DispRect.Right + dx, DispRect.Bottom + dy}, Image);
}

void TBarcodeRect::Print(TCanvas &canvas, int dx, int dy)
{
    if (!Image.isNull())
        canvas.StretchDIBits({PrintRect_.Left + dx, PrintRect_.Top + dy, PrintRect_.Right + dx, PrintRect_.Bottom + dy},
                           Image);
}

void TBarcodeRect::LoadFromStream(TObjectStream &stream)
{
    TDrawRect::LoadFromStream(stream);
    if (StreamVersion < 200)
        Visible = stream.Read<uint8_t>();
    BarSize_ = static_cast<uint8_t>(
        CheckedStreamValue(stream.Read<uint8_t>(), 0, static_cast<int>(BarSizeTable.size()) - 1));
    Horizontal_ = stream.Read<uint8_t>();
    // The rectangle read above was sized for the defaults; the bar size and direction read since decide it.
    SetRect(Rect);
}

void TBarcodeRect::SaveToStream(TObjectStream &stream) const
{
    TDrawRect::SaveToStream(stream);
    stream.Write<uint8_t>(BarSize_);
    stream.Write<uint8_t>(Horizontal_);
}

void TBarcodeRect::MakeBarcode(const QByteArray &postalCode, const QByteArray &address, const QString &programFolder,
                               const QString &dictionaryFolder, const QString &workFolder)
{
    if (LibraryHeld == 0) {
        LoadBarcodeLibrary(programFolder);
        LibraryHeld = 1;
    }
    const QByteArray text = Sjis::cutToBytes(ToFullWidth(address), MaxAddressBytes);
    const QString file = workFolder + QStringLiteral("Barcode.bmp");
    if (CallCreateAdrsBar(postalCode, text, Horizontal_ != 0 ? 0 : 1, programFolder, dictionaryFolder, file) != 0) {
        ClearImage();
        return;
    }
    Image.load(file, "BMP");  // empty when the file cannot be read
    QFile::remove(file);
}

void TBarcodeRect::ConvertImage()
{
    if (!Image.isNull())
        Image = Image.mirrored(true, true);
}

void TBarcodeRect::SetBarSize(int index)
{
    if (index == BarSize_)
        return;
    BarSize_ = static_cast<uint8_t>(index);
    const QSize extent = OwnSize();
    const int left = Rect.Left + (Rect.Width() - extent.width()) / 2;
    const int top = Rect.Top + (Rect.Height() - extent.height()) / 2;
    SetSizedRect({left, top, left + extent.width(), top + extent.height()});
}

void TBarcodeRect::SetHorizontal(uint8_t horizontal)
{
    Horizontal_ = horizontal;
}
