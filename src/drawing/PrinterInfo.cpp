#include "drawing/PrinterInfo.h"

#include "base/FileReplace.h"
#include "base/Folders.h"
#include "base/Units.h"

#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStringDecoder>
#include <QtEndian>

#include <algorithm>
#include <cmath>

namespace {

// "VLPI", a version that grows when fields are appended, the size of the fields, the fields.
constexpr char RecordMagic[] = "VLPI";
constexpr int MagicSize = 4;
constexpr quint16 RecordVersion = 1;
constexpr int HeaderSize = MagicSize + 2 + 4;
// No record of ours comes near this; a larger file is refused before it is read.
constexpr qint64 LargestRecord = 64 * 1024;
constexpr int LongestName = 1024;  // bytes of UTF-8
constexpr int LargestPaper = 100000;  // 10 m in 0.1 mm
constexpr int HighestDpi = 9600;
constexpr int MostCopies = 9999;
constexpr quint16 OwnPaperNumbers = 0x1000;  // printers' papers with no Windows number: 0x1000 + list index
const QString UserPaperName = QStringLiteral("ユーザー定義サイズ");

int toTenthMm(double mm) { return RoundToInt(mm * 10.0L); }

int pointsToPixels(double points, int dpi)
{
    // Up, so a margin in pixels never lies inside what the printer cannot print.
    return static_cast<int>(std::ceil(points * dpi / 72.0 - 1e-9));
}

std::vector<TPrinterPaper> papersOf(const QList<QPageSize> &sizes)
{
    std::vector<TPrinterPaper> papers;
    for (qsizetype i = 0; i < sizes.size(); ++i) {
        const QSizeF mm = sizes[i].size(QPageSize::Millimeter);
        if (!sizes[i].isValid() || mm.isEmpty())
            continue;
        auto number = static_cast<quint16>(sizes[i].windowsId());
        const bool taken = std::any_of(papers.begin(), papers.end(),
                                       [number](const TPrinterPaper &p) { return p.Number == number; });
        if (number == 0 || number == UserPaperNumber || taken)
            number = static_cast<quint16>(OwnPaperNumbers + i);
        papers.push_back({number, sizes[i].name(), toTenthMm(mm.width()), toTenthMm(mm.height())});
    }
    return papers;
}

const TPrinterCapabilities &pdfCaps()
{
    static const TPrinterCapabilities caps = [] {
        QList<QPageSize> sizes;
        for (int id = 0; id <= QPageSize::LastPageSize; ++id)
            if (id != QPageSize::Custom)
                sizes.append(QPageSize(static_cast<QPageSize::PageSizeId>(id)));
        TPrinterCapabilities c;
        c.Model = QStringLiteral("PDF");
        c.Papers = papersOf(sizes);
        c.UserSizes = true;
        c.MinUserSize = QSize(100, 100);
        c.MaxUserSize = QSize(50000, 50000);
        c.Dpi = 600;
        return c;
    }();
    return caps;
}

class TCupsDriver : public TPrintDriver {
public:
    QStringList Printers() const override { return QPrinterInfo::availablePrinterNames(); }
    QString DefaultPrinter() const override { return QPrinterInfo::defaultPrinterName(); }
    TPrinterCapabilities Capabilities(const QString &name) const override
    {
        const QPrinterInfo info = QPrinterInfo::printerInfo(name);
        TPrinterCapabilities caps;
        if (info.isNull())
            return caps;
        caps.Model = info.makeAndModel();
        caps.Papers = papersOf(info.supportedPageSizes());
        caps.UserSizes = info.supportsCustomPageSizes();
        const QSizeF least = info.minimumPhysicalPageSize().size(QPageSize::Millimeter);
        const QSizeF most = info.maximumPhysicalPageSize().size(QPageSize::Millimeter);
        caps.MinUserSize = QSize(toTenthMm(least.width()), toTenthMm(least.height()));
        caps.MaxUserSize = QSize(toTenthMm(most.width()), toTenthMm(most.height()));
        QPrinter printer(info, QPrinter::HighResolution);
        caps.Dpi = printer.resolution();
        QPageLayout layout = printer.pageLayout();
        layout.setUnits(QPageLayout::Point);
        caps.MinimumMargins = layout.minimumMargins();
        return caps;
    }
    void Select(QPrinter &printer, const QString &name) const override
    {
        printer.setOutputFormat(QPrinter::NativeFormat);
        printer.setPrinterName(name);
    }
};

std::unique_ptr<TPrintDriver> &installedDriver()
{
    static std::unique_ptr<TPrintDriver> driver = std::make_unique<TCupsDriver>();
    return driver;
}

const TPrinterPaper *findPaper(const TPrinterCapabilities &caps, quint16 number)
{
    for (const TPrinterPaper &p : caps.Papers)
        if (p.Number == number)
            return &p;
    return nullptr;
}

// The name the printer gives the paper; empty when it has no such paper.
QString paperNameOf(const TPrinterCapabilities &caps, quint16 number)
{
    if (const TPrinterPaper *p = findPaper(caps, number))
        return p->Name;
    return number == UserPaperNumber && caps.UserSizes ? UserPaperName : QString();
}

QMargins minimumMargins(const TPrinterCapabilities &caps, int dpi)
{
    const QMarginsF &m = caps.MinimumMargins;
    return QMargins(pointsToPixels(m.left(), dpi), pointsToPixels(m.top(), dpi), pointsToPixels(m.right(), dpi),
                    pointsToPixels(m.bottom(), dpi));
}

void putU16(QByteArray &out, quint16 v)
{
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

void putI32(QByteArray &out, qint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

void putText(QByteArray &out, const QString &text)
{
    const QByteArray utf8 = text.toUtf8().left(LongestName);
    putU16(out, static_cast<quint16>(utf8.size()));
    out.append(utf8);
}

// Reads the fields of a record body; any read past the end leaves ok false and gives zeros.
class TFieldReader {
public:
    explicit TFieldReader(QByteArrayView bytes) : bytes_(bytes) {}
    bool ok = true;
    bool atEnd() const { return pos_ == bytes_.size(); }

    template <typename T> T get()
    {
        if (!take(sizeof(T)))
            return 0;
        return qFromLittleEndian<T>(bytes_.data() + pos_ - sizeof(T));
    }
    QString text()
    {
        const quint16 size = get<quint16>();
        if (size > LongestName || !take(size)) {
            ok = false;
            return QString();
        }
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString s = utf8(bytes_.sliced(pos_ - size, size));
        if (utf8.hasError())
            ok = false;
        return s;
    }

private:
    bool take(qsizetype n)
    {
        if (!ok || bytes_.size() - pos_ < n)
            return ok = false;
        pos_ += n;
        return true;
    }
    QByteArrayView bytes_;
    qsizetype pos_ = 0;
};

bool fieldsInRange(const TPrinterSetting &s)
{
    const auto inRange = [](int v, int low, int high) { return v >= low && v <= high; };
    if (s.PrinterName.isEmpty() || !inRange(s.PaperWidth, 1, LargestPaper) ||
        !inRange(s.PaperLength, 1, LargestPaper) || !inRange(s.Orientation, 1, 2) ||
        !inRange(s.Copies, 1, MostCopies) || !inRange(s.Dpi, 1, HighestDpi))
        return false;
    // The margins in 64 bits against the paper: two large ones must not wrap into a printable width.
    const QMargins &m = s.Margins;
    if (m.left() < 0 || m.top() < 0 || m.right() < 0 || m.bottom() < 0)
        return false;
    TPrinterSetting paper = s;
    paper.Margins = QMargins();
    const TPrinterMetrics sheet = MetricsOf(paper);
    return qint64(m.left()) + m.right() < sheet.PhysicalWidth && qint64(m.top()) + m.bottom() < sheet.PhysicalHeight;
}

}  // namespace

void SetPrintDriver(std::unique_ptr<TPrintDriver> driver)
{
    installedDriver() = driver ? std::move(driver) : std::make_unique<TCupsDriver>();
    Printer() = TPrinter();
}

TPrinterCapabilities PrinterCapabilities(const QString &printer)
{
    return printer == PdfPrinterName ? pdfCaps() : installedDriver()->Capabilities(printer);
}

TPrinterMetrics MetricsOf(const TPrinterSetting &setting)
{
    const bool landscape = setting.Orientation == 2;
    const int across = landscape ? setting.PaperLength : setting.PaperWidth;
    const int down = landscape ? setting.PaperWidth : setting.PaperLength;
    TPrinterMetrics m;
    m.Dpi = setting.Dpi;
    m.PhysicalWidth = TenthsMmToPixels(across, setting.Dpi);
    m.PhysicalHeight = TenthsMmToPixels(down, setting.Dpi);
    m.OffsetX = setting.Margins.left();
    m.OffsetY = setting.Margins.top();
    m.PageWidth = m.PhysicalWidth - setting.Margins.left() - setting.Margins.right();
    m.PageHeight = m.PhysicalHeight - setting.Margins.top() - setting.Margins.bottom();
    return m;
}

TPrinter &Printer()
{
    static TPrinter printer;
    return printer;
}

QStringList TPrinter::Printers() const
{
    QStringList names = installedDriver()->Printers();
    // A queue under the PDF printer's name could never be told apart from it.
    names.removeAll(PdfPrinterName);
    names.append(PdfPrinterName);
    return names;
}

void TPrinter::ensureChosen()
{
    if (index_ == -2)
        SetPrinterIndex(-1);
}

int TPrinter::PrinterIndex()
{
    ensureChosen();
    return index_;
}

void TPrinter::SetPrinterIndex(int index)
{
    const QStringList names = Printers();
    if (index == -1)
        index = std::max<int>(0, names.indexOf(installedDriver()->DefaultPrinter()));
    if (index < 0 || index >= names.size())
        throw EPrinterError(QStringLiteral("プリンターの番号 %1 は範囲外です").arg(index));
    if (index == index_ && names[index] == setting_.PrinterName)
        return;
    caps_ = PrinterCapabilities(names[index]);
    index_ = index;
    setting_ = defaultSetting(names[index], caps_);
}

void TPrinter::ChooseDefaultPrinter()
{
    SetPrinterIndex(-1);
    setting_ = defaultSetting(setting_.PrinterName, caps_);
}

const TPrinterCapabilities &TPrinter::Capabilities()
{
    ensureChosen();
    return caps_;
}

const TPrinterSetting &TPrinter::Setting()
{
    ensureChosen();
    return setting_;
}

TPrinterSetting TPrinter::defaultSetting(const QString &name, const TPrinterCapabilities &caps) const
{
    TPrinterSetting s;
    s.PrinterName = name;
    s.Model = caps.Model;
    s.Dpi = caps.Dpi;
    const TPrinterPaper a4{9, QString(), 2100, 2970};
    const TPrinterPaper *paper = findPaper(caps, a4.Number);
    if (!paper && !caps.Papers.empty())
        paper = &caps.Papers.front();
    s.PaperNumber = paper ? paper->Number : UserPaperNumber;
    s.PaperWidth = (paper ? paper : &a4)->Width;
    s.PaperLength = (paper ? paper : &a4)->Length;
    s.Margins = minimumMargins(caps, s.Dpi);
    return s;
}

void TPrinter::SetSetting(const TPrinterSetting &setting)
{
    ensureChosen();
    const TPrinterSetting fallback = defaultSetting(setting_.PrinterName, caps_);
    TPrinterSetting s = setting;
    s.PrinterName = fallback.PrinterName;
    s.Model = fallback.Model;
    if (s.Dpi < 1 || s.Dpi > HighestDpi)
        s.Dpi = fallback.Dpi;
    if (s.Orientation != 1 && s.Orientation != 2)
        s.Orientation = 1;
    s.Copies = static_cast<qint16>(std::clamp<int>(s.Copies, 1, MostCopies));
    if (const TPrinterPaper *paper = findPaper(caps_, s.PaperNumber)) {
        s.PaperWidth = paper->Width;
        s.PaperLength = paper->Length;
    } else if (s.PaperNumber == UserPaperNumber && caps_.UserSizes) {
        s.PaperWidth = std::clamp(s.PaperWidth, caps_.MinUserSize.width(), caps_.MaxUserSize.width());
        s.PaperLength = std::clamp(s.PaperLength, caps_.MinUserSize.height(), caps_.MaxUserSize.height());
    } else {
        s.PaperNumber = fallback.PaperNumber;
        s.PaperWidth = fallback.PaperWidth;
        s.PaperLength = fallback.PaperLength;
    }
    const QMargins least = minimumMargins(caps_, s.Dpi);
    s.Margins = QMargins(std::max(s.Margins.left(), least.left()), std::max(s.Margins.top(), least.top()),
                         std::max(s.Margins.right(), least.right()), std::max(s.Margins.bottom(), least.bottom()));
    const TPrinterMetrics m = MetricsOf(s);
    if (m.PageWidth <= 0 || m.PageHeight <= 0)
        s.Margins = least;
    setting_ = s;
}

void TPrinter::ApplyTo(QPrinter &printer)
{
    const TPrinterSetting &s = Setting();
    if (s.PrinterName == PdfPrinterName)
        printer.setOutputFormat(QPrinter::PdfFormat);
    else
        installedDriver()->Select(printer, s.PrinterName);
    printer.setResolution(s.Dpi);
    printer.setFullPage(false);
    const QSizeF mm(s.PaperWidth / 10.0, s.PaperLength / 10.0);
    const QPageSize size = s.PaperNumber == UserPaperNumber
                               ? QPageSize(mm, QPageSize::Millimeter, QString(), QPageSize::ExactMatch)
                               : QPageSize(mm, QPageSize::Millimeter, paperNameOf(caps_, s.PaperNumber));
    const double toPoints = 72.0 / s.Dpi;
    const QMarginsF margins(s.Margins.left() * toPoints, s.Margins.top() * toPoints, s.Margins.right() * toPoints,
                            s.Margins.bottom() * toPoints);
    printer.setPageLayout(QPageLayout(size, s.Orientation == 2 ? QPageLayout::Landscape : QPageLayout::Portrait,
                                      margins, QPageLayout::Point));
    printer.setCopyCount(s.Copies);
}

void TPrinter::ReadFrom(const QPrinter &printer)
{
    const QString name = printer.outputFormat() == QPrinter::PdfFormat ? PdfPrinterName : printer.printerName();
    const int index = static_cast<int>(Printers().indexOf(name));
    if (index < 0)
        throw EPrinterError(QStringLiteral("プリンター %1 はインストールされていません").arg(name));
    SetPrinterIndex(index);
    TPrinterSetting s = setting_;
    const QPageLayout layout = printer.pageLayout();
    const QSizeF mm = layout.pageSize().size(QPageSize::Millimeter);
    s.PaperWidth = toTenthMm(mm.width());
    s.PaperLength = toTenthMm(mm.height());
    s.PaperNumber = UserPaperNumber;
    for (const TPrinterPaper &p : caps_.Papers)
        if (p.Width == s.PaperWidth && p.Length == s.PaperLength) {
            s.PaperNumber = p.Number;
            break;
        }
    s.Orientation = layout.orientation() == QPageLayout::Landscape ? 2 : 1;
    s.Dpi = printer.resolution();
    const QMarginsF points = layout.margins(QPageLayout::Point);
    const auto px = [&s](double pt) { return PointsToPixels(pt, s.Dpi); };
    s.Margins = QMargins(px(points.left()), px(points.top()), px(points.right()), px(points.bottom()));
    s.Copies = static_cast<qint16>(std::clamp(printer.copyCount(), 1, MostCopies));
    SetSetting(s);
}

QByteArray EncodePrinterSetting(const TPrinterSetting &s)
{
    QByteArray body;
    putText(body, s.PrinterName);
    putText(body, s.Model);
    putU16(body, s.PaperNumber);
    putI32(body, s.PaperWidth);
    putI32(body, s.PaperLength);
    putU16(body, static_cast<quint16>(s.Orientation));
    putU16(body, static_cast<quint16>(s.Copies));
    putI32(body, s.Dpi);
    for (int margin : {s.Margins.left(), s.Margins.top(), s.Margins.right(), s.Margins.bottom()})
        putI32(body, margin);
    QByteArray record(RecordMagic, MagicSize);
    putU16(record, RecordVersion);
    putI32(record, static_cast<qint32>(body.size()));
    return record + body;
}

TPrinterFileState DecodePrinterSetting(const QByteArray &bytes, TPrinterSetting &setting)
{
    if (bytes.size() < MagicSize)
        return TPrinterFileState::Corrupt;
    if (!bytes.startsWith(QByteArrayView(RecordMagic, MagicSize)))
        return TPrinterFileState::ForeignFormat;
    if (bytes.size() < HeaderSize)
        return TPrinterFileState::Corrupt;
    const auto version = qFromLittleEndian<quint16>(bytes.constData() + MagicSize);
    const auto bodySize = qFromLittleEndian<quint32>(bytes.constData() + MagicSize + 2);
    if (version == 0 || bodySize != static_cast<quint64>(bytes.size() - HeaderSize))
        return TPrinterFileState::Corrupt;

    TFieldReader r(QByteArrayView(bytes).sliced(HeaderSize));
    TPrinterSetting s;
    s.PrinterName = r.text();
    s.Model = r.text();
    s.PaperNumber = r.get<quint16>();
    s.PaperWidth = r.get<qint32>();
    s.PaperLength = r.get<qint32>();
    s.Orientation = r.get<qint16>();
    s.Copies = r.get<qint16>();
    s.Dpi = r.get<qint32>();
    const int left = r.get<qint32>(), top = r.get<qint32>(), right = r.get<qint32>(), bottom = r.get<qint32>();
    s.Margins = QMargins(left, top, right, bottom);
    // Later versions append fields, which this one passes over; its own record holds exactly these.
    if (!r.ok || (version == RecordVersion && !r.atEnd()) || !fieldsInRange(s))
        return TPrinterFileState::Corrupt;
    setting = s;
    return TPrinterFileState::Loaded;
}

TPrinterInfo::TPrinterInfo(const QString &fileName) : FileName(fileName) { LoadState = load(); }

TPrinterFileState TPrinterInfo::load()
{
    TPrinterFileState state = TPrinterFileState::NoFile;
    QFile file(FileName);
    if (file.exists()) {
        TPrinterSetting stored;
        if (!file.open(QIODevice::ReadOnly))
            state = TPrinterFileState::Unreadable;
        else if (file.size() > LargestRecord)
            state = TPrinterFileState::Corrupt;
        else
            state = DecodePrinterSetting(file.readAll(), stored);
        if (state == TPrinterFileState::Loaded) {
            TPrinter &printer = Printer();
            const int index = static_cast<int>(printer.Printers().indexOf(stored.PrinterName));
            if (index < 0) {
                state = TPrinterFileState::PrinterGone;
            } else {
                printer.SetPrinterIndex(index);
                if (printer.Capabilities().Model != stored.Model) {
                    state = TPrinterFileState::DriverChanged;
                } else {
                    printer.SetSetting(stored);
                    readPrinter(index);
                    return state;
                }
            }
        }
    }
    Printer().ChooseDefaultPrinter();
    ReadCurrentPrinter();
    return state;
}

void TPrinterInfo::ReadCurrentPrinter() { readPrinter(Printer().PrinterIndex()); }

void TPrinterInfo::readPrinter(int index)
{
    TPrinter &printer = Printer();
    printer.SetPrinterIndex(index);
    Setting = printer.Setting();
    Device = Setting.PrinterName;
    Driver = Setting.Model;
    const TPrinterMetrics m = MetricsOf(Setting);
    DpiX = DpiY = m.Dpi;
    PhysicalWidth = m.PhysicalWidth;
    PhysicalHeight = m.PhysicalHeight;
    OffsetX = m.OffsetX;
    OffsetY = m.OffsetY;
    RightMargin = m.PhysicalWidth - m.PageWidth - m.OffsetX;
    BottomMargin = m.PhysicalHeight - m.PageHeight - m.OffsetY;
    ScaleX = LayoutScale(DpiX);
    ScaleY = LayoutScale(DpiY);
}

TRenderTarget TPrinterInfo::RenderTarget() const
{
    if (DpiX <= 0 || DpiY <= 0)
        return {};
    return {true, DpiX, DpiY, OffsetX, OffsetY};
}

void TPrinterInfo::Save() const
{
    const QByteArray bytes = EncodePrinterSetting(Setting);
    const QString failed = FileName + QStringLiteral("\r\nファイルに書き込めませんでした");
    if (!ForceDirectories(QFileInfo(FileName).absolutePath()) || !ReplaceFileWhole(FileName, bytes))
        throw EPrinterError(failed + WriteFailureReason(errno));
}

void TPrinterInfo::GetPaperName(int &error, QString &name) const
{
    error = 0;
    name.clear();
    const TPrinterCapabilities caps = PrinterCapabilities(Device);
    if (caps.Papers.empty() && !caps.UserSizes) {
        error = 1;
        return;
    }
    name = paperNameOf(caps, Setting.PaperNumber);
    if (name.isEmpty())
        error = 4;
}

QRect TPrinterInfo::GetPrintableRect(int x, int y) const
{
    const auto layoutX = [this](int px) { return RoundToInt(px / ScaleX); };
    const auto layoutY = [this](int px) { return RoundToInt(px / ScaleY); };
    const QPoint topLeft(layoutX(OffsetX) + x, layoutY(OffsetY) + y);
    const QPoint bottomRight(layoutX(PhysicalWidth - RightMargin) + x, layoutY(PhysicalHeight - BottomMargin) + y);
    return QRect(topLeft, QSize(bottomRight.x() - topLeft.x(), bottomRight.y() - topLeft.y()));
}

QPoint TPrinterInfo::GetPaperSize96() const
{
    return QPoint(RoundToInt(PhysicalWidth / ScaleX),
                  RoundToInt(PhysicalHeight / ScaleY));
}

QPoint TPrinterInfo::TenthMmToDevice(QPoint tenthMm) const
{
    return QPoint(TenthsMmToPixels(tenthMm.x(), DpiX), TenthsMmToPixels(tenthMm.y(), DpiY));
}

int TPrinterInfo::PointsToDevice(int points) const
{
    return PointsToPixels(points, DpiY);
}

void TPrinterInfo::SetCopies(int copies)
{
    if (Setting.Copies != copies)
        Setting.Copies = static_cast<qint16>(copies);
}

TPaperChoice SetPrinterPaper(quint16 paperNumber, int orientation, int width, int length)
{
    TPrinter &printer = Printer();
    const TPrinterCapabilities &caps = printer.Capabilities();
    const TPrinterSetting before = printer.Setting();
    TPrinterSetting s = before;
    if (orientation == 1 || orientation == 2)
        s.Orientation = static_cast<qint16>(orientation);

    TPaperChoice choice = TPaperChoice::Refused;
    const TPrinterPaper *paper = paperNumber != 0 ? findPaper(caps, paperNumber) : nullptr;
    if (paper) {
        choice = TPaperChoice::ByNumber;
    } else {
        for (const TPrinterPaper &p : caps.Papers)
            if (p.Width == width && p.Length == length && p.Number != UserPaperNumber) {
                paper = &p;
                choice = TPaperChoice::BySize;
                break;
            }
    }
    if (paper) {
        s.PaperNumber = paper->Number;
        s.PaperWidth = paper->Width;
        s.PaperLength = paper->Length;
    } else if (caps.UserSizes && width > 0 && length > 0) {
        s.PaperNumber = UserPaperNumber;
        s.PaperWidth = width;
        s.PaperLength = length;
        choice = TPaperChoice::UserSize;
    }
    printer.SetSetting(s);
    if (choice == TPaperChoice::UserSize &&
        (printer.Setting().PaperWidth != width || printer.Setting().PaperLength != length)) {
        // The printer brought the size within its limits, so it would print on another paper than the
        // layout's: keep the paper it had and say so.
        s.PaperNumber = before.PaperNumber;
        s.PaperWidth = before.PaperWidth;
        s.PaperLength = before.PaperLength;
        printer.SetSetting(s);
        choice = TPaperChoice::Refused;
    }
    return choice;
}

void GetPrinterPaperInfo(QString &deviceName, QString &paperName, int &orientation)
{
    TPrinter &printer = Printer();
    const TPrinterSetting &s = printer.Setting();
    deviceName = s.PrinterName;
    const QString name = paperNameOf(printer.Capabilities(), s.PaperNumber);
    if (!name.isEmpty())
        paperName = name;
    orientation = s.Orientation;
}
