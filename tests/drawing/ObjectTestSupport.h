// What the tests of the drawing objects share: saving and loading an object at a stream version, a white
// page, the box of the ink on it, printing an object onto a page at the printer's resolution, and a 600-dpi
// printer for the tests of the text objects.
#pragma once

#include "TestSupport.h"
#include "drawing/DesignGlobals.h"
#include "drawing/DrawRect.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QProcess>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

// What an object (a drawing object, or any record saved the same way) writes into a stream.
template <class Object>
QByteArray SavedObject(const Object &object)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    TObjectStream stream(buffer);
    object.SaveToStream(stream);
    return buffer.data();
}

// Loads bytes at version; answers how many bytes were left unread.
template <class Object>
qint64 LoadObject(Object &object, const QByteArray &bytes, int version = CurrentStreamVersion)
{
    StreamVersion = version;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    TObjectStream stream(buffer);
    struct TRestore {
        ~TRestore() { StreamVersion = CurrentStreamVersion; }
    } restore;
    object.LoadFromStream(stream);
    return stream.BytesLeft();
}

// Whether load (one that should fail) is refused with EStreamError in a child process that may map only 256 MB
// more than this one: a check that lets a damaged count or size through then shows as a failed allocation of
// gigabytes instead of passing on a machine that grants them.
inline bool RefusedUnderMemoryLimit(const std::function<void()> &load)
{
    return test::RunWithAddressSpaceLimit(qint64(256) << 20, [&] {
               try {
                   load();
               } catch (const EStreamError &) {
                   return 0;
               }
               return 1;
           }) == 0;
}

// Keeps a rendered sample page as name.png in the folder VELMORA_SAMPLE_DIR names, for a person to look at.
inline void KeepSamplePage(const QImage &page, const char *name)
{
    const QString folder = qEnvironmentVariable("VELMORA_SAMPLE_DIR");
    if (!folder.isEmpty())
        page.save(folder + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png"));
}

inline QImage WhitePage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

// Bounding box of the dark pixels of area (all of the image when area is empty).
inline QRect InkBox(const QImage &image, QRect area = QRect())
{
    if (area.isNull())
        area = image.rect();
    area &= image.rect();
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                box |= QRect(x, y, 1, 1);
    return box;
}

// image as a JPEG file of quality 95.
inline QByteArray JpegFileOf(const QImage &image)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(95);
    EXPECT_TRUE(writer.write(image)) << writer.errorString().toStdString();
    return buffer.data();
}

// The first page of a PDF file as pdftoppm renders it at dpi; a null image (and a failure) when it cannot.
inline QImage RenderedPdfPage(const QString &pdfFile, int dpi)
{
    const QString stem = pdfFile + QStringLiteral(".page");
    QProcess pdftoppm;
    pdftoppm.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-png"),
                                                QStringLiteral("-singlefile"), pdfFile, stem});
    if (!pdftoppm.waitForFinished(60000) || pdftoppm.exitCode() != 0) {
        ADD_FAILURE() << "pdftoppm: " << pdftoppm.readAllStandardError().toStdString();
        return QImage();
    }
    return QImage(stem + QStringLiteral(".png"));
}

// The peak of memory a process comes to hold above what it held when this was made. A forked child starts with
// the resident pages of the test program it was forked from, and those hold whatever the tests run before it in
// the same program left (faces, caches): not the work measured.
class TPeakMemory {
public:
    TPeakMemory()
    {
        test::writeFile(QStringLiteral("/proc/self/clear_refs"), "5");
        start_ = highWaterMark();
    }
    qint64 GrownBytes() const { return highWaterMark() - start_; }

private:
    static qint64 highWaterMark()
    {
        const QByteArray status = test::readFile(QStringLiteral("/proc/self/status"));
        const qsizetype at = status.indexOf("VmHWM:") + 6;
        return status.mid(at, status.indexOf('\n', at) - at).trimmed().chopped(3).toLongLong() * 1024;
    }
    qint64 start_ = 0;
};

// The images of a PDF as pdfimages lists them: their size in pixels and their horizontal resolution on the
// page.
struct TPdfImage {
    QSize Size;
    int Ppi;
};

inline std::vector<TPdfImage> PdfImages(const QString &pdf)
{
    QProcess pdfimages;
    pdfimages.start(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf});
    EXPECT_TRUE(pdfimages.waitForFinished(60000));
    std::vector<TPdfImage> images;
    // page num type width height color comp bpc enc interp object ID x-ppi y-ppi size ratio, after two lines
    // of headings.
    const QStringList lines = QString::fromUtf8(pdfimages.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    for (qsizetype i = 2; i < lines.size(); ++i) {
        const QStringList fields = lines[i].split(u' ', Qt::SkipEmptyParts);
        if (fields.size() >= 14 && fields[2] == u"image")
            images.push_back({QSize(fields[3].toInt(), fields[4].toInt()), fields[12].toInt()});
    }
    return images;
}

// Prints object onto page as the canvas's printer would, at its print rectangle.
inline void PrintObject(TDrawRect &object, TCanvas &canvas)
{
    object.CalcPrintRect(canvas.Target(), QPoint(0, 0), true);
    object.Prepare(canvas.Target(), true);
    object.Print(canvas, 0, 0);
}

// The text-object record of a version-600 stream as an older version wrote it: without the size index before
// 600, without the visible byte before 201, without the turned byte before 200.
inline QByteArray MetaRecordAt(const QByteArray &record600, int version)
{
    QByteArray record = record600;
    if (version < 600)
        record.remove(record.size() - 6, 4);
    if (version < 200)
        record.chop(1);
    if (version < 201)
        record.remove(16, 1);
    return record;
}

namespace test {

// A printer of dpi both ways, its printable area at the paper's corner.
inline TRenderTarget PrinterAt(int dpi) { return {true, dpi, dpi, 0, 0}; }

// Layout units (1/96 inch) of a length in 0.1 mm, and a rectangle given in 0.1 mm.
inline int units(int tenthsMm) { return static_cast<int>(std::lround(tenthsMm * 96 / 254.0)); }
inline TRect mm(int left, int top, int right, int bottom)
{
    return {units(left), units(top), units(right), units(bottom)};
}

// A page as the printer at 600 dpi draws it; objects print at their own place.
class PrintedPage : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InstallFontSubstitutions(); }
    void SetUp() override { PaperScale = 1480; }
    void TearDown() override { PaperScale = 0; }
    static constexpr TRenderTarget Printer{true, 600, 600, 0, 0};
    static QImage blank(int width = 2362, int height = 3496) { return WhitePage(width, height); }
    // Prints object on page; answers its printed rectangle.
    static QRect print(TMetaRect &object, QImage &page)
    {
        object.UpdateFontHeight();
        object.CalcPrintRect(Printer, QPoint(0, 0), true);
        object.Prepare(Printer, false);
        QPainter painter(&page);
        TCanvas canvas(painter, 600, 600);
        canvas.SetTarget(Printer);
        object.Print(canvas, 0, 0);
        return object.PrintRect().ToQRect();
    }
    // A canvas in the font the object renders with before any fitting: its size table height at 600 dpi.
    static void selectObjectFont(TCanvas &canvas, const TMetaRect &object, bool vertical)
    {
        TFont font = object.Font();
        if (vertical)
            MakeVerticalFont(font.Log);
        else
            MakeHorizontalFont(font.Log);
        canvas.SetFont(font);
        canvas.SetFontHeight(static_cast<int>(std::trunc(object.FontHeight() * 600 / 96.0)));
    }
};

}  // namespace test
