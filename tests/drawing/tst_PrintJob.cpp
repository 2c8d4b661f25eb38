// The print job: a PDF it writes gives back the text its objects drew, in vertical and horizontal writing.
#include "ObjectTestSupport.h"

#include "drawing/AddressRect.h"
#include "drawing/PrintJob.h"
#include "drawing/PrinterInfo.h"

#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString rawPdfText(const QString &file)
{
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {QStringLiteral("-raw"), file, QStringLiteral("-")});
    pdftotext.waitForFinished();
    return QString::fromUtf8(pdftotext.readAllStandardOutput());
}

// The text with the line breaks taken out: a column comes out a character a line.
QString unbroken(QString text)
{
    text.removeIf([](QChar c) { return c == u'\n' || c == u'\f'; });
    return text;
}

class PrintJob : public test::PrintedPage {};

}  // namespace

TEST_F(PrintJob, PdfGivesBackKanjiSharedWithRadicalsAndVerticalFormsInBothWritings)
{
    // 山, 田, 長, 谷, 高, 一, 方 and 用 share their glyphs with radicals; ー, small kana, brackets and 、。 take
    // vertical forms in a column.
    const QStringList vertical{QStringLiteral("山田長谷川高橋一方用"), QStringLiteral("センターヴェルモア"),
                               QStringLiteral("ソリューションズ（株）「」、。")};
    const QStringList horizontal{QStringLiteral("山田長谷川高橋一方用センター"),
                                 QStringLiteral("ヴェルモアソリューションズ（株）「」、。")};
    TAddressRect column;
    column.SetRect(test::mm(50, 50, 450, 1300));
    TAddressRect across;
    across.SetRect(test::mm(500, 50, 1000, 400));
    across.SetDirection(1);
    for (int i = 0; i < 3; ++i) {
        column.SetLine(i, vertical.value(i));
        across.SetLine(i, horizontal.value(i));
    }

    const auto print = [&](TPrintJob &job) {
        TCanvas canvas(job.Painter(), 600, 600);
        for (TAddressRect *object : {&column, &across}) {
            object->UpdateFontHeight();
            PrintObject(*object, canvas);
        }
        job.End();
    };
    const std::string expected = (vertical.join(QString()) + horizontal.join(QString())).toStdString();

    // The same face shaped before, at another size and with other text, as an earlier job of the program would
    // have: the record of that size must not hide what this job's glyphs stand for.
    {
        TAddressRect earlier;
        earlier.SetRect(test::mm(0, 0, 200, 300));
        earlier.SetLine(0, QStringLiteral("山方"));
        TFont bold = earlier.Font();
        bold.Log.Font.setBold(true);  // the same face file, emboldened: a face of its own to the shaper
        earlier.SetFont(bold);
        earlier.UpdateFontHeight();
        QImage image(400, 600, QImage::Format_RGB32);
        QPainter painter(&image);
        TCanvas canvas(painter, 300, 300);
        PrintObject(earlier, canvas);
    }

    QTemporaryDir dir;
    const QString written = dir.filePath(QStringLiteral("written.pdf"));
    {
        QPdfWriter writer(written);
        writer.setPageSize(QPageSize(QSizeF(100, 148), QPageSize::Millimeter));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(600);
        TPrintJob job(writer, written);
        print(job);
    }
    const QString text = unbroken(rawPdfText(written));
    EXPECT_EQ(text.toStdString(), expected);
    for (const QString &word : {QStringLiteral("山田"), QStringLiteral("長谷川"), QStringLiteral("高橋"),
                                QStringLiteral("センター"), QStringLiteral("ヴェルモア"),
                                QStringLiteral("ソリューションズ")})
        EXPECT_EQ(text.count(word), 2) << word.toStdString();

    // The PDF printer, as the print dialogs set it up.
    const QString printed = dir.filePath(QStringLiteral("printed.pdf"));
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(printed);
        printer.setResolution(600);
        printer.setFullPage(true);
        TPrintJob job(printer);
        print(job);
    }
    EXPECT_EQ(unbroken(rawPdfText(printed)).toStdString(), expected);
}

TEST(PrintJobFile, FileThatIsNoPdfIsRefusedAndLeftAsItWas)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("broken.pdf"));
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("%PDF-1.4\nnot a document\n");
    out.close();
    EXPECT_THROW(CorrectPdfText(file), EPrinterError);
    QFile in(file);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    EXPECT_EQ(in.readAll(), QByteArray("%PDF-1.4\nnot a document\n"));
}
