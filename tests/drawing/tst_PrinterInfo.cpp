// Printer settings: the ".pi" record and its refusals, the fall-back to the default printer, exact metrics at
// the printers' resolutions, and the paper choice.
#include "drawing/PrinterInfo.h"

#include "TestSupport.h"

#include <QPageLayout>
#include <QPrinter>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <map>

namespace {

// Printers of the test's own, beside the PDF printer every machine has.
class FakeDriver : public TPrintDriver {
public:
    QStringList Printers() const override { return order; }
    QString DefaultPrinter() const override { return defaultName; }
    TPrinterCapabilities Capabilities(const QString &name) const override
    {
        const auto it = printers.find(name);
        return it == printers.end() ? TPrinterCapabilities() : it->second;
    }
    void Select(QPrinter &printer, const QString &) const override { printer.setOutputFormat(QPrinter::PdfFormat); }

    QStringList order;
    QString defaultName;
    std::map<QString, TPrinterCapabilities> printers;
};

const QString Office = QStringLiteral("Office600");
const QString Labels = QStringLiteral("Label300");

class PrinterInfo : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto fake = std::make_unique<FakeDriver>();
        driver_ = fake.get();
        TPrinterCapabilities office;
        office.Model = QStringLiteral("Office Laser 600");
        office.Papers = {{9, QStringLiteral("A4"), 2100, 2970},
                         {13, QStringLiteral("JIS B5"), 1820, 2570},
                         {43, QStringLiteral("Postcard"), 1000, 1480}};
        office.Dpi = 600;
        office.MinimumMargins = QMarginsF(12, 24, 6, 18);  // 100, 200, 50 and 150 pixels at 600 dpi
        TPrinterCapabilities labels;
        labels.Model = QStringLiteral("Label 300");
        labels.Papers = {{9, QStringLiteral("A4"), 2100, 2970}};
        labels.UserSizes = true;
        labels.MinUserSize = QSize(500, 500);
        labels.MaxUserSize = QSize(3000, 4500);
        labels.Dpi = 300;
        labels.MinimumMargins = QMarginsF(12, 12, 12, 12);
        fake->printers = {{Office, office}, {Labels, labels}};
        fake->order = {Office, Labels};
        fake->defaultName = Labels;
        SetPrintDriver(std::move(fake));
    }
    void TearDown() override { SetPrintDriver(nullptr); }

    QString file() const { return dir_.path() + QStringLiteral("/Layout.pi"); }
    // A record saved for the office printer: postcard landscape, 3 copies.
    QByteArray savedOfficeRecord()
    {
        TPrinterInfo info(file());
        Printer().SetPrinterIndex(0);
        EXPECT_EQ(SetPrinterPaper(0, 2, 1000, 1480), TPaperChoice::BySize);
        info.ReadCurrentPrinter();
        info.SetCopies(3);
        info.Save();
        return test::readFile(file());
    }

    FakeDriver *driver_ = nullptr;
    QTemporaryDir dir_;
};

TEST_F(PrinterInfo, RecordRoundTripAndOtherVersions)
{
    const QByteArray record = savedOfficeRecord();
    EXPECT_TRUE(record.startsWith("VLPI"));

    Printer().SetPrinterIndex(1);
    TPrinterInfo loaded(file());
    EXPECT_EQ(loaded.LoadState, TPrinterFileState::Loaded);
    EXPECT_EQ(loaded.Device, Office);
    EXPECT_EQ(loaded.Driver, QStringLiteral("Office Laser 600"));
    EXPECT_EQ(loaded.Setting.PaperNumber, 43);
    EXPECT_EQ(loaded.GetOrientation(), 2);
    EXPECT_EQ(loaded.GetCopies(), 3);
    EXPECT_EQ(loaded.PhysicalWidth, 3496);  // 148 mm across at 600 dpi
    EXPECT_EQ(Printer().PrinterName(), Office);  // the window prints where it printed before
    EXPECT_EQ(Printer().Setting(), loaded.Setting);

    // A later version appends fields; this one reads the fields it knows.
    QByteArray later = record + QByteArray("\x01\x02\x03\x04", 4);
    qToLittleEndian<quint16>(2, later.data() + 4);
    qToLittleEndian<quint32>(record.size() - 10 + 4, later.data() + 6);
    test::writeFile(file(), later);
    Printer().SetPrinterIndex(1);
    TPrinterInfo fromLater(file());
    EXPECT_EQ(fromLater.LoadState, TPrinterFileState::Loaded);
    EXPECT_EQ(fromLater.Setting, loaded.Setting);

    // The older program kept the driver's raw structure (size, then the structure with the device name).
    QByteArray older(4 + 220, '\0');
    qToLittleEndian<quint32>(220, older.data());
    older.replace(4, Office.size(), Office.toLatin1());
    test::writeFile(file(), older);
    TPrinterInfo fromOlder(file());
    EXPECT_EQ(fromOlder.LoadState, TPrinterFileState::ForeignFormat);
    EXPECT_EQ(fromOlder.Device, Labels);

    // A save that cannot be written says so and leaves nothing behind.
    test::writeFile(dir_.path() + "/NotAFolder", "x");
    TPrinterInfo unwritable(dir_.path() + "/NotAFolder/Layout.pi");
    EXPECT_THROW(unwritable.Save(), EPrinterError);
}

TEST_F(PrinterInfo, FallsBackToDefaultWhenPrinterGoneOrChanged)
{
    savedOfficeRecord();

    driver_->order = {Labels};
    TPrinterInfo gone(file());
    EXPECT_EQ(gone.LoadState, TPrinterFileState::PrinterGone);
    EXPECT_EQ(gone.Device, Labels);
    EXPECT_EQ(gone.DpiX, 300);

    driver_->order = {Office, Labels};
    driver_->printers[Office].Model = QStringLiteral("Office Laser 600 II");
    TPrinterInfo changed(file());
    EXPECT_EQ(changed.LoadState, TPrinterFileState::DriverChanged);
    EXPECT_EQ(changed.Device, Labels);

    // With no printer of the driver at all the PDF printer is the default, and it is always there.
    SetPrintDriver(nullptr);
    EXPECT_EQ(Printer().Printers(), QStringList{PdfPrinterName});
    TPrinterInfo pdf(file());
    EXPECT_EQ(pdf.LoadState, TPrinterFileState::PrinterGone);
    EXPECT_EQ(pdf.Device, PdfPrinterName);
    EXPECT_EQ(pdf.DpiX, 600);
    EXPECT_EQ(pdf.OffsetX, 0);
}

// A window with no setting of its own starts on the default printer's default paper, not on the paper and
// orientation another window left on the shared printer (a list after postcards was laid out on a postcard).
TEST_F(PrinterInfo, WithoutAFileTheDefaultPaperNotWhatAnotherWindowLeft)
{
    driver_->defaultName = Office;
    Printer().SetPrinterIndex(0);
    ASSERT_EQ(SetPrinterPaper(43, 2, 1000, 1480), TPaperChoice::ByNumber);
    TPrinterInfo fresh(dir_.path() + QStringLiteral("/List.pi"));
    EXPECT_EQ(fresh.LoadState, TPrinterFileState::NoFile);
    EXPECT_EQ(fresh.Device, Office);
    EXPECT_EQ(fresh.Setting.PaperNumber, 9);
    EXPECT_EQ(fresh.GetOrientation(), 1);
    EXPECT_EQ(Printer().Setting(), fresh.Setting);
}

TEST_F(PrinterInfo, InjectedResolutionsPlaceThingsExactly)
{
    TPrinterInfo office(file());
    Printer().SetPrinterIndex(0);
    office.ReadCurrentPrinter();
    EXPECT_EQ(office.DpiX, 600);
    EXPECT_DOUBLE_EQ(office.ScaleX, 6.25);
    EXPECT_EQ(QPoint(office.PhysicalWidth, office.PhysicalHeight), QPoint(4961, 7016));  // A4
    EXPECT_EQ(QPoint(office.OffsetX, office.OffsetY), QPoint(100, 200));
    EXPECT_EQ(QPoint(office.RightMargin, office.BottomMargin), QPoint(50, 150));
    EXPECT_EQ(office.TenthMmToDevice(QPoint(1000, 1000)), QPoint(2362, 2362));
    EXPECT_EQ(office.PointsToDevice(12), 100);
    EXPECT_EQ(office.GetPaperSize96(), QPoint(794, 1123));
    EXPECT_EQ(office.GetPrintableRect(0, 0), QRect(16, 32, 786 - 16, 1099 - 32));
    EXPECT_EQ(office.GetPrintableRect(5, 7).topLeft(), QPoint(21, 39));
    // What the objects draw for on it.
    const TRenderTarget target = office.RenderTarget();
    EXPECT_TRUE(target.Installed);
    EXPECT_EQ(QPoint(target.LogPixelsX, target.LogPixelsY), QPoint(600, 600));
    EXPECT_EQ(QPoint(target.PhysicalOffsetX, target.PhysicalOffsetY), QPoint(100, 200));
    TPrinterInfo none(file());
    none.DpiX = none.DpiY = 0;
    EXPECT_FALSE(none.RenderTarget().Installed);

    Printer().SetPrinterIndex(1);
    office.ReadCurrentPrinter();
    EXPECT_EQ(office.TenthMmToDevice(QPoint(1000, 0)), QPoint(1181, 0));
    EXPECT_EQ(office.PointsToDevice(12), 50);
    EXPECT_EQ(office.OffsetX, 50);

    // What prints is what the metrics say: the PDF printer at 600 dpi with offsets of its setting draws
    // from the same origin, and the printer dialog's answer reads back as the same setting.
    Printer().SetPrinterIndex(2);
    TPrinterSetting pdf = Printer().Setting();
    pdf.PaperNumber = UserPaperNumber;
    pdf.PaperWidth = 1150;  // a size the PDF printer has no name for
    pdf.PaperLength = 2300;
    pdf.Orientation = 2;
    pdf.Margins = QMargins(100, 200, 50, 150);
    pdf.Copies = 2;
    Printer().SetSetting(pdf);
    ASSERT_EQ(Printer().Setting(), pdf);
    QPrinter device(QPrinter::HighResolution);
    Printer().ApplyTo(device);
    EXPECT_EQ(device.outputFormat(), QPrinter::PdfFormat);
    EXPECT_EQ(device.resolution(), 600);
    EXPECT_EQ(device.pageLayout().orientation(), QPageLayout::Landscape);
    EXPECT_EQ(device.pageRect(QPrinter::DevicePixel).topLeft(), QPointF(100, 200));
    Printer().SetPrinterIndex(0);
    Printer().ReadFrom(device);
    EXPECT_EQ(Printer().Setting(), pdf);
}

TEST_F(PrinterInfo, CorruptRecordsEndInDefaultPrinter)
{
    const QByteArray good = savedOfficeRecord();
    const int fields = 10 + 2 + Office.size() + 2 + QStringLiteral("Office Laser 600").size();
    const auto patched = [&good](int offset, QByteArray bytes) {
        QByteArray b = good;
        b.replace(offset, bytes.size(), bytes);
        return b;
    };
    const auto le16 = [](qint16 v) {
        QByteArray b(2, '\0');
        qToLittleEndian(v, b.data());
        return b;
    };
    const auto le32 = [](qint32 v) {
        QByteArray b(4, '\0');
        qToLittleEndian(v, b.data());
        return b;
    };
    const std::vector<std::pair<const char *, QByteArray>> cases = {
        {"three bytes", good.left(3)},
        {"header cut", good.left(8)},
        {"last byte missing", good.chopped(1)},
        {"size beyond the file", patched(6, le32(-1))},
        {"size short of the file", patched(6, le32(good.size() - 10 - 1))},
        {"byte after the fields", patched(6, le32(good.size() - 10 + 1)) + QByteArray(1, '\0')},
        {"version 0", patched(4, le16(0))},
        {"name past the end", patched(10, le16(2000))},
        {"name not UTF-8", patched(12, QByteArray("\xff\xfe", 2))},
        {"paper width 0", patched(fields + 2, le32(0))},
        {"orientation 7", patched(fields + 10, le16(7))},
        {"no copies", patched(fields + 12, le16(0))},
        {"resolution 0", patched(fields + 14, le32(0))},
        {"negative offset", patched(fields + 18, le32(-1))},
        {"margins wider than the paper", patched(fields + 18, le32(4000))},
        // Two margins whose difference from the paper's width wraps round to a positive printable width.
        {"margins that wrap", patched(fields + 18, le32(0x7FFFFF00) + le32(0) + le32(0x7FFFFF00))},
    };
    for (const auto &[what, bytes] : cases) {
        SCOPED_TRACE(what);
        test::writeFile(file(), bytes);
        Printer().SetPrinterIndex(0);
        TPrinterInfo info(file());
        EXPECT_EQ(info.LoadState, TPrinterFileState::Corrupt);
        EXPECT_EQ(info.Device, Labels);
        EXPECT_EQ(test::readFile(file()), bytes);
    }
}

TEST_F(PrinterInfo, RefusedPaperIsReportedAndKept)
{
    Printer().SetPrinterIndex(0);
    EXPECT_EQ(SetPrinterPaper(0, 1, 1000, 1480), TPaperChoice::BySize);
    EXPECT_EQ(Printer().Setting().PaperNumber, 43);
    EXPECT_EQ(SetPrinterPaper(13, 1, 1000, 1480), TPaperChoice::ByNumber);
    EXPECT_EQ(Printer().Setting().PaperNumber, 13);
    // An envelope this printer neither lists nor takes as a size of its own.
    EXPECT_EQ(SetPrinterPaper(0, 2, 1200, 2350), TPaperChoice::Refused);
    EXPECT_EQ(Printer().Setting().PaperNumber, 13);
    EXPECT_EQ(Printer().Setting().Orientation, 2);

    Printer().SetPrinterIndex(1);
    EXPECT_EQ(SetPrinterPaper(0, 2, 1200, 2350), TPaperChoice::UserSize);
    QString device, paper;
    int orientation = 0;
    GetPrinterPaperInfo(device, paper, orientation);
    EXPECT_EQ(device, Labels);
    EXPECT_EQ(paper, QStringLiteral("ユーザー定義サイズ"));
    EXPECT_EQ(orientation, 2);
    // Longer than the printer takes: reported, and the envelope stays instead of the first listed paper.
    EXPECT_EQ(SetPrinterPaper(0, 1, 1200, 5000), TPaperChoice::Refused);
    EXPECT_EQ(Printer().Setting().PaperNumber, UserPaperNumber);
    EXPECT_EQ(Printer().Setting().PaperLength, 2350);

    // A kept paper the printer does not list is reported, not renamed to the first paper.
    TPrinterInfo info(file());
    info.Setting.PaperNumber = 70;
    int error = 0;
    QString name;
    info.GetPaperName(error, name);
    EXPECT_EQ(error, 4);
    EXPECT_EQ(info.Setting.PaperNumber, 70);
    info.Setting.PaperNumber = 9;
    info.GetPaperName(error, name);
    EXPECT_EQ(error, 0);
    EXPECT_EQ(name, QStringLiteral("A4"));
}

}  // namespace
