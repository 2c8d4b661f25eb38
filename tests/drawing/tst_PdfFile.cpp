// The PDF reader the print job corrects text maps with: objects through the newest cross-reference section,
// streams as stored and as Flate decodes them, and damaged files refused without reading out of bounds.
#include "drawing/GlyphRenderer.h"
#include "drawing/PdfFile.h"
#include "drawing/PrintJob.h"
#include "drawing/PrinterInfo.h"

#include <QFile>
#include <QImage>
#include <QMap>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// A file built object by object, each section's table listing the objects added since the one before.
class TPdfText {
public:
    TPdfText() : text_("%PDF-1.4\n") {}
    TPdfText &Object(int number, const QByteArray &body, int generation = 0)
    {
        added_.insert(number, {text_.size(), generation});
        text_ += QByteArray::number(number) + ' ' + QByteArray::number(generation) + " obj\n" + body + "\nendobj\n";
        return *this;
    }
    TPdfText &Freed(int number)
    {
        added_.insert(number, {-1, 1});
        return *this;
    }
    // A table of the objects added since the last one, the trailer (without its brackets) and the end.
    TPdfText &Section(const QByteArray &trailer)
    {
        const qsizetype xref = text_.size();
        text_ += "xref\n";
        if (added_.isEmpty() || added_.firstKey() > 0)
            added_.insert(0, {-1, 65535});
        for (auto it = added_.constBegin(); it != added_.constEnd(); ++it) {
            text_ += QByteArray::number(it.key()) + " 1\n";
            text_ += QByteArray::number(std::max<qsizetype>(0, it->first)).rightJustified(10, '0') + ' '
                     + QByteArray::number(it->second).rightJustified(5, '0') + (it->first < 0 ? " f\r\n" : " n\r\n");
        }
        added_.clear();
        text_ += "trailer\n<< " + trailer + " >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
        lastXref_ = xref;
        return *this;
    }
    QByteArray Text() const { return text_; }
    qsizetype LastXref() const { return lastXref_; }

private:
    QByteArray text_;
    QMap<int, std::pair<qsizetype, int>> added_;
    qsizetype lastXref_ = 0;
};

class PdfFile : public ::testing::Test {
protected:
    QString write(const QByteArray &bytes)
    {
        const QString file = dir_.filePath(QStringLiteral("%1.pdf").arg(++files_));
        QFile out(file);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
        return file;
    }
    QTemporaryDir dir_;
    int files_ = 0;
};

QByteArray flated(const QByteArray &data) { return qCompress(data).mid(4); }  // zlib's own stream

const QByteArray Map = "/CIDInit /ProcSet findresource begin\n1 beginbfchar\n<0001> <7530>\nendbfchar\n";

// A font whose map an update replaced by a Flate stream of indirect length, beside objects of every kind.
TPdfText updatedFile()
{
    TPdfText pdf;
    pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R >>")
        .Object(2, "<< /Type /Font /Subtype /Type0 % a comment\n/Note (a (nested) string with >> in it) "
                   "/To#55nicode 3 0 R >>")
        .Object(3, "<< /Length 3 >>\nstream\nold\nendstream")
        .Object(4, "<< /Length 12 >>\nstream\n/Type0 /Font\nendstream")
        .Object(5, "<< /Type /Font /Subtype /Type0 >>")
        .Section("/Size 6 /Root 1 0 R");
    const qsizetype firstXref = pdf.LastXref();
    const QByteArray stored = flated(Map);
    pdf.Object(3, "<< /Filter [/FlateDecode] /Length 6 0 R >>\nstream\r\n" + stored + "\nendstream")
        .Object(6, QByteArray::number(stored.size()))
        .Freed(5)
        .Section("/Size 7 /Root 1 0 R /ID [<01AB> <01ab>] /Prev " + QByteArray::number(firstXref));
    return pdf;
}

}  // namespace

TEST_F(PdfFile, ObjectsComeFromTheNewestSectionThatListsThem)
{
    const TPdfText pdf = updatedFile();
    TPdfFile file(write(pdf.Text()));

    ASSERT_TRUE(file.Indexed());
    EXPECT_EQ(file.LastXref(), pdf.LastXref());
    EXPECT_EQ(file.Size(), pdf.Text().size());
    // The freed font is gone, the word in a stream's data is none of its dictionary's; the other font is found
    // by its start, its value read past the comment and string.
    EXPECT_EQ(file.ObjectsWith("/Type0"), std::vector<int>{2});
    const TPdfValue font = file.Object(2);
    ASSERT_EQ(font.Kind, TPdfValue::Dictionary);
    EXPECT_TRUE(font.Key("/Subtype").IsName("/Type0"));
    EXPECT_EQ(font.Key("/Note").Text, "a (nested) string with >> in it");
    const TPdfValue &toUnicode = font.Key("/ToUnicode");
    EXPECT_EQ(toUnicode.Kind, TPdfValue::Reference);
    EXPECT_EQ(toUnicode.Number, 3);
    EXPECT_EQ(file.StreamData(file.Resolved(toUnicode)), Map);
    EXPECT_EQ(file.Object(5).Kind, TPdfValue::Null);
    EXPECT_EQ(file.Object(99).Kind, TPdfValue::Null);
    EXPECT_EQ(file.Source(file.Trailer().Key("/ID")), "[<01AB> <01ab>]");
    EXPECT_EQ(file.Source(file.Trailer().Key("/Root")), "1 0 R");
}

TEST_F(PdfFile, AWordAcrossTheBorderOfTwoPiecesReadIsFound)
{
    // The file is searched a megabyte at a time.
    for (int before : {1, 3, 5}) {
        TPdfText pdf;
        const QByteArray head = "2 0 obj\n<< /Subtype ";
        const qsizetype padding = (1 << 20) - before - head.size() - 9 - QByteArray("1 0 obj\n<< /Length 0000000 >>\nstream\n\nendstream\nendobj\n").size();
        pdf.Object(1, "<< /Length " + QByteArray::number(padding).rightJustified(7, '0') + " >>\nstream\n"
                          + QByteArray(padding, 'x') + "\nendstream")
            .Object(2, "<< /Subtype /Type0 >>")
            .Section("/Size 3 /Root 2 0 R");
        ASSERT_EQ(pdf.Text().indexOf("/Type0"), (1 << 20) - before);
        TPdfFile file(write(pdf.Text()));
        EXPECT_EQ(file.ObjectsWith("/Type0"), std::vector<int>{2}) << before;
    }
}

TEST_F(PdfFile, DamagedFilesAreRefusedAndAStreamIndexedFileIsLeftAlone)
{
    EXPECT_THROW(TPdfFile(write("%PDF-1.4\n1 0 obj null endobj\n")), std::runtime_error);
    EXPECT_THROW(TPdfFile(write("%PDF-1.4\nstartxref\n999999\n%%EOF\n")), std::runtime_error);

    // The table sends object 2 to object 1's text.
    TPdfText moved;
    moved.Object(1, "<< /Type /Catalog >>").Section("/Size 2 /Root 1 0 R");
    QByteArray text = moved.Text();
    text.replace("1 1\n", "2 1\n");
    TPdfFile misplaced(write(text));
    EXPECT_THROW(misplaced.Object(2), std::runtime_error);

    // Lengths that lead to themselves or past the end, and arrays nested without end.
    TPdfText lengths;
    lengths.Object(1, "<< /Length 1 0 R >>\nstream\nx\nendstream")
        .Object(2, "<< /Length 99999 >>\nstream\nx\nendstream")
        .Object(3, QByteArray(5000, '[') + QByteArray(5000, ']'))
        .Section("/Size 4 /Root 1 0 R");
    TPdfFile broken(write(lengths.Text()));
    for (int number : {1, 2, 3})
        EXPECT_THROW(broken.Object(number), std::runtime_error) << number;

    // Every cut of a whole file is read as far as it goes or refused, never read past its end.
    const QByteArray whole = updatedFile().Text();
    for (qsizetype size = 0; size < whole.size(); size += 3) {
        try {
            TPdfFile cut(write(whole.first(size)));
            for (int number : cut.ObjectsWith("/Type0"))
                cut.StreamData(cut.Resolved(cut.Object(number).Key("/ToUnicode")));
        } catch (const std::runtime_error &) {
        }
    }

    // A file whose table is a stream of the newer kind: not read, and its maps left as they are.
    const QByteArray streamed = "%PDF-1.5\n1 0 obj\n<< /Type /XRef /Size 2 /W [1 2 1] /Length 0 >>\nstream\n\n"
                                "endstream\nendobj\nstartxref\n9\n%%EOF\n";
    const QString file = write(streamed);
    EXPECT_FALSE(TPdfFile(file).Indexed());
    const QImage device(1, 1, QImage::Format_RGB32);
    const TDrawnText nothingDrawn(device);
    EXPECT_NO_THROW(CorrectPdfText(file, nothingDrawn));
    QFile in(file);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    EXPECT_EQ(in.readAll(), streamed);
}
