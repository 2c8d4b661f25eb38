// The QR-code object: the text each kind of content encodes, when the code is made again, what it keeps in a
// document, and codes printed at 300 and 600 dpi and into a PDF, read back by a barcode reader (zbarimg).
#include "ObjectTestSupport.h"

#include "base/SjisCodec.h"
#include "drawing/QRCodeRect.h"

#include <QBuffer>
#include <QDir>
#include <QPdfWriter>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>

#include <array>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

QByteArray sjis(QStringView text) { return Sjis::encode(text); }

// One object of each kind, with Japanese text; 表 and ソ end in the byte of a backslash.
std::vector<std::unique_ptr<TQRCodeRect>> samples()
{
    std::vector<std::unique_ptr<TQRCodeRect>> codes;
    const auto add = [&](uint8_t kind) -> TQRCodeRect & {
        codes.push_back(std::make_unique<TQRCodeRect>());
        codes.back()->SetKind(kind);
        return *codes.back();
    };
    add(TQRCodeRect::PlainText).SetText(sjis(u"宛名印刷のテスト\r\nhttp://example.jp/a?b=1;c"));
    TQRCodeRect &card = add(TQRCodeRect::MeCard);
    card.SetName(sjis(u"山田 表示,ソ"));
    card.SetNameKana(sjis(u"ﾔﾏﾀﾞ ﾋｮｳｼﾞ"));
    card.SetTel(0, "03-1234-5678");
    card.SetMail(1, "taro@example.jp");
    card.SetNote(sjis(u"会議室：三階;奥"));
    TQRCodeRect &memory = add(TQRCodeRect::Memory);
    memory.SetName(sjis(u"鈴木花子"));
    memory.SetTel(1, "090-1111-2222");
    memory.SetMail(0, "hanako@example.jp");
    memory.SetNote(sjis(u"取引先"));
    TQRCodeRect &message = add(TQRCodeRect::MatMsg);
    message.SetMailTo("info@example.jp");
    message.SetSubject(sjis(u"お見積り:ご確認"));
    message.SetBody(sjis(u"よろしくお願いします。"));
    TQRCodeRect &mail = add(TQRCodeRect::MailTo);
    mail.SetMailTo("info@example.jp");
    mail.SetSubject(sjis(u"ご案内"));
    mail.SetBody(sjis(u"本文です"));
    return codes;
}

// What zbarimg reads in an image: the text of each code followed by a line feed. (Its XML form garbles
// characters beyond ASCII.) It reads the byte 5C in Shift-JIS text as the yen sign of JIS X 0201, where
// Windows' code page, and so the program, has the backslash.
std::string decoded(const QString &file)
{
    QProcess zbar;
    zbar.start(QStringLiteral("zbarimg"), {QStringLiteral("--raw"), QStringLiteral("-q"), file});
    EXPECT_TRUE(zbar.waitForFinished(60000)) << "zbarimg (zbar-tools) is needed";
    return QString::fromUtf8(zbar.readAllStandardOutput()).replace(u'\u00A5', u'\\').toStdString();
}

class QRCodePrinted : public test::PrintedPage {};

}  // namespace

TEST(QRCodeRect, EachKindEncodesItsDocumentedText)
{
    TQRCodeRect code;
    code.SetKind(TQRCodeRect::MeCard);
    code.SetName("A;B");
    code.SetTel(0, "03-1234");
    EXPECT_EQ(code.EncodedText(), "MECARD:N:A\\;B;TEL:03-1234;;");
    code.SetName("X,Y\\Z:");
    code.SetTel(0, "1,2");
    EXPECT_EQ(code.EncodedText(), "MECARD:N:X\\,Y\\\\Z\\:;TEL:1,2;;");
    // A trail byte of the value of a backslash is part of its character, not something to escape.
    code.SetName(sjis(u"表示ソ\\"));
    EXPECT_EQ(code.EncodedText(), sjis(u"MECARD:N:表示ソ\\\\;TEL:1,2;;"));

    code.SetKind(TQRCodeRect::Memory);
    EXPECT_EQ(code.EncodedText(), sjis(u"MEMORY:\r\nNAME1:表示ソ\\\r\nTEL1:1,2\r\n"));
    TQRCodeRect memory;
    memory.SetKind(TQRCodeRect::Memory);
    memory.SetNote("note");
    EXPECT_EQ(memory.EncodedText(), "");  // a note alone carries nothing
    memory.SetTel(1, "0312");
    memory.SetMail(1, "b@x");
    EXPECT_EQ(memory.EncodedText(), "MEMORY:note\r\nTEL1:0312\r\nMAIL1:b@x\r\n");
    memory.SetTel(0, "0311");
    memory.SetMail(0, "a@x");
    EXPECT_EQ(memory.EncodedText(), "MEMORY:note\r\nTEL1:0311\r\nTEL2:0312\r\nMAIL1:a@x\r\nMAIL2:b@x\r\n");

    TQRCodeRect mail;
    mail.SetKind(TQRCodeRect::MailTo);
    mail.SetSubject("S");
    mail.SetBody("B");
    EXPECT_EQ(mail.EncodedText(), "");  // no destination, no mail
    mail.SetMailTo("to@x");
    EXPECT_EQ(mail.EncodedText(), "MAILTO:to@x\r\nBODY:B\r\nSUBJECT:S\r\n");
    mail.SetKind(TQRCodeRect::MatMsg);
    mail.SetSubject("a:b,c");
    EXPECT_EQ(mail.EncodedText(), "MATMSG:TO:to@x;SUB:a\\:b,c;BODY:B;;");
    mail.SetKind(TQRCodeRect::PlainText);
    EXPECT_EQ(mail.EncodedText(), "");
}

TEST(QRCodeRect, ImageIsMadeAgainOnlyForWhatTheKindShowsAndKeepsItsCentre)
{
    TQRCodeRect code;
    code.SetText("VELMORA");
    code.SetRect({100, 100, 0, 0});
    code.Prepare({}, false);
    ASSERT_TRUE(code.ImageValid());
    // 21 modules and the quiet zone of 4 on each side, 3 units a module, at 96 dpi one pixel a unit.
    EXPECT_EQ(code.GetRect(), (TRect{100, 100, 187, 187}));
    EXPECT_EQ(code.GetImage().size(), QSize(87, 87));
    code.SetName("N");
    EXPECT_TRUE(code.ImageValid());
    code.SetText("VELMORA2");
    EXPECT_FALSE(code.ImageValid());

    code.SetCellSize(5);
    code.Prepare({}, false);
    EXPECT_EQ(code.GetRect(), (TRect{100 - 29, 100 - 29, 187 + 29, 187 + 29}));
    // Moves keep the size; a drag of 9 pixels at zoom 1.5 is 6 units.
    code.SetRect({0, 0, 1, 1});
    EXPECT_EQ(code.GetRect(), (TRect{0, 0, 145, 145}));
    code.SetZoom(1.5);
    code.SetDispRect({9, 0, 10, 10});
    EXPECT_EQ(code.GetRect(), (TRect{6, 0, 151, 145}));

    // Nothing to carry: a blank square of the smallest code in the back colour.
    code.SetBackColor(0x00FF00);
    code.SetText("");
    code.Prepare({}, false);
    EXPECT_EQ(code.GetImage().size(), QSize(145, 145));
    EXPECT_EQ(code.GetImage().convertToFormat(QImage::Format_RGB32), [] {
        QImage green(145, 145, QImage::Format_RGB32);
        green.fill(QColor(0, 255, 0));
        return green;
    }());
    // Data no code can hold leaves the image empty.
    code.SetText(QByteArray(8000, 'x'));
    code.Prepare({}, false);
    EXPECT_TRUE(code.GetImage().isNull());
}

TEST(QRCodeRect, StreamRoundTripsAndReadsOlderVersions)
{
    for (const auto &code : samples()) {
        code->SetRect({12, 34, 0, 0});
        code->SetCellSize(4);
        code->SetForeColor(0x123456);
        code->SetConvertImage(1);
        code->Prepare({}, false);
        const QByteArray bytes = SavedObject(*code);

        TQRCodeRect copy;
        LoadObject(copy, bytes, CurrentStreamVersion);
        EXPECT_FALSE(copy.ImageValid());
        EXPECT_EQ(SavedObject(copy), bytes);
        EXPECT_EQ(copy.EncodedText(), code->EncodedText());

        // Before version 301 the turned flag was not stored.
        TQRCodeRect old;
        LoadObject(old, bytes.chopped(1), 300);
        EXPECT_EQ(old.Turned(), 0);
        EXPECT_EQ(SavedObject(old).chopped(1), bytes.chopped(1));

        for (qsizetype size = 0; size < bytes.size(); ++size) {
            TQRCodeRect cut;
            EXPECT_THROW(LoadObject(cut, bytes.left(size), CurrentStreamVersion), EStreamError) << size;
        }
    }
}

TEST_F(QRCodePrinted, CodesPrintedAt300And600DpiAndInAPdfReadBack)
{
    QTemporaryDir dir;
    const auto codes = samples();
    QStringList expected;
    for (const auto &code : codes)
        expected << Sjis::decode(code->EncodedText());

    // Each code alone on a page image at each resolution; the last one turned, as turned printing makes it.
    QStringList files;
    for (const int dpi : {300, 600}) {
        for (size_t i = 0; i < codes.size(); ++i) {
            TQRCodeRect &code = *codes[i];
            code.SetConvertImage(i + 1 == codes.size());
            code.SetRect({20, 20, 0, 0});
            code.CalcPrintRect(test::PrinterAt(dpi), QPoint(0, 0), true);
            QImage page = blank(dpi * 5, dpi * 5);
            {
                QPainter painter(&page);
                TCanvas canvas(painter, dpi, dpi);
                code.Print(canvas, 0, 0);
            }
            // The code is made at the printer's resolution: a module is 3/96 inch.
            const QRect printed = code.PrintRect().ToQRect();
            EXPECT_EQ(code.GetImage().width(), printed.width()) << dpi;
            EXPECT_TRUE(printed.contains(InkBox(page, page.rect())));
            files << dir.filePath(QStringLiteral("%1-%2.png").arg(dpi).arg(i));
            ASSERT_TRUE(page.save(files.back()));
        }
    }
    for (qsizetype f = 0; f < files.size(); ++f)
        EXPECT_EQ(decoded(files[f]), (expected[f % expected.size()] + QLatin1Char('\n')).toStdString());

    // All codes on one PDF page at 600 dpi, rendered back by pdftoppm.
    const QString pdf = dir.filePath(QStringLiteral("codes.pdf"));
    {
        QPdfWriter writer(pdf);
        writer.setResolution(600);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter painter(&writer);
        TCanvas canvas(painter, 600, 600);
        int top = 20;
        for (const auto &code : codes) {
            code->SetRect({20, top, 0, 0});
            code->CalcPrintRect(canvas.Target(), QPoint(0, 0), true);
            code->Print(canvas, 0, 0);
            top = code->GetRect().Bottom + 20;
        }
    }
    QProcess pdftoppm;
    pdftoppm.start(QStringLiteral("pdftoppm"),
                   {QStringLiteral("-r"), QStringLiteral("300"), QStringLiteral("-png"), QStringLiteral("-singlefile"),
                    pdf, dir.filePath(QStringLiteral("page"))});
    ASSERT_TRUE(pdftoppm.waitForFinished(60000));
    ASSERT_EQ(pdftoppm.exitCode(), 0);
    // Each code once, in whatever order the reader finds them.
    const std::string read = decoded(dir.filePath(QStringLiteral("page.png")));
    size_t length = 0;
    for (const QString &code : expected) {
        const std::string text = (code + QLatin1Char('\n')).toStdString();
        EXPECT_NE(read.find(text), std::string::npos) << text;
        length += text.size();
    }
    EXPECT_EQ(read.size(), length);
}

TEST(QRCodeRect, CellSizesNoPaperHoldsAreRefusedAndMakeNoImage)
{
    TQRCodeRect code;
    code.SetText("Velmora");
    code.SetCellSize(5);
    QByteArray bytes = SavedObject(code);
    TQRCodeRect copy;
    EXPECT_EQ(LoadObject(copy, bytes), 0);
    for (qint32 cell : {5000, -1, INT32_MAX}) {
        qToLittleEndian<qint32>(cell, bytes.data() + 17);
        EXPECT_THROW(LoadObject(copy, bytes), EStreamError) << cell;
    }
    // A code of 5,000-unit cells at 600 dpi would be a picture of gigabytes: none is made.
    EXPECT_TRUE(MakeQRCode("Velmora", TQRDataMode::Kanji, 5000, 600).Image.isNull());
    EXPECT_FALSE(MakeQRCode("Velmora", TQRDataMode::Kanji, 5, 600).Image.isNull());
}

TEST(QRCodeRect, ACodeGrownAroundItsCentreStaysWhereAStoredRectangleMayLie)
{
    // The largest cell size read, in rectangles at the edges of the reach: the code grows around the stored
    // centre and must still be readable once it is saved.
    TQRCodeRect code;
    code.SetText(QByteArray(120, 'x'));
    code.SetCellSize(5);
    const QByteArray stored = SavedObject(code);
    const int reach = PaperReach;
    for (const TRect &r : {TRect{4000, 4000, reach, reach}, TRect{-reach, -reach, -4400, -4400},
                           TRect{-reach, 4480, reach, reach}, TRect{4489, -reach, reach, -4489}}) {
        QByteArray bytes = stored;
        for (int i : {0, 1, 2, 3})
            qToLittleEndian<qint32>(std::array{r.Left, r.Top, r.Right, r.Bottom}[size_t(i)], bytes.data() + 4 * i);
        qToLittleEndian<qint32>(48, bytes.data() + 17);
        TQRCodeRect read;
        ASSERT_EQ(LoadObject(read, bytes), 0);
        read.Prepare({}, false);
        const TRect drawn = read.GetRect();
        EXPECT_EQ(drawn.Width(), read.GetImage().width());
        EXPECT_EQ(drawn.Height(), drawn.Width());
        for (int side : {drawn.Left, drawn.Top, drawn.Right, drawn.Bottom})
            EXPECT_LE(std::abs(side), reach) << r.Left << "," << r.Top;
        TQRCodeRect again;
        EXPECT_NO_THROW(LoadObject(again, SavedObject(read)));
    }
}
