// The print job: a PDF it writes gives back the text its objects drew, in vertical and horizontal writing.
#include "ObjectTestSupport.h"

#include "drawing/AddressRect.h"
#include "drawing/GlyphRenderer.h"
#include "drawing/PrintJob.h"
#include "drawing/PrinterInfo.h"

#include <QFile>
#include <QMap>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <unicode/uchar.h>

#include <fstream>
#include <functional>
#include <string>

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

// Postcard pages at 600 dpi through the print job, which corrects the text maps at its end.
void writePostcards(const QString &file, int pages, const std::function<void(TPrintJob &, int)> &drawPage)
{
    QPdfWriter writer(file);
    writer.setPageSize(QPageSize(QSizeF(100, 148), QPageSize::Millimeter));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(600);
    TPrintJob job(writer, file);
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            job.NewPage();
        drawPage(job, page);
    }
    job.End();
}

// A page through the print job of the PDF printer, set up as the print dialogs set it up.
void printToPdf(const QString &file, const std::function<void(TPrintJob &)> &drawPage)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    printer.setResolution(600);
    printer.setFullPage(true);
    TPrintJob job(printer);
    drawPage(job);
    job.End();
}

long statusKb(const char *field)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field, 0) == 0)
            return std::stol(line.substr(std::string(field).size()));
    return -1;
}

class PrintJob : public test::PrintedPage {};

// An address down a column at a card's left and one across its upper right, of the lines given.
struct TTwoAddresses {
    TTwoAddresses(const QStringList &down, const QStringList &across)
    {
        Column.SetRect(test::mm(50, 50, 450, 1300));
        Across.SetRect(test::mm(500, 50, 1000, 400));
        Across.SetDirection(1);
        for (int i = 0; i < std::max(down.size(), across.size()); ++i) {
            Column.SetLine(i, down.value(i));
            Across.SetLine(i, across.value(i));
        }
    }
    TAddressRect Column;
    TAddressRect Across;
};

// The characters of face that share their glyph with another character (radicals, compatibility ideographs and
// the ideographs they look like; 〜 and ～, - and ‐, ’ and ʼ), in as many sets as the largest group has members:
// set n holds the n-th of each group, so that no set holds two characters of one glyph. Characters a line shows
// nothing for or pdftotext reads as others (blanks, marks, format characters, default-ignorables) are left out.
QList<QList<char32_t>> sharedGlyphSets(const QRawFont &face)
{
    QMap<quint32, QList<char32_t>> byGlyph;
    for (char32_t c = 0x21; c < 0x30000; ++c) {
        const QChar::Category category = QChar::category(c);
        if (category <= QChar::Mark_Enclosing || (category >= QChar::Separator_Space && category <= QChar::Other_NotAssigned)
            || u_hasBinaryProperty(UChar32(c), UCHAR_DEFAULT_IGNORABLE_CODE_POINT) || !face.supportsCharacter(c))
            continue;
        const QList<quint32> glyphs = face.glyphIndexesForString(QString::fromUcs4(&c, 1));
        if (glyphs.size() == 1 && glyphs.front() != 0)
            byGlyph[glyphs.front()].append(c);
    }
    QList<QList<char32_t>> sets;
    for (const QList<char32_t> &group : std::as_const(byGlyph)) {
        if (group.size() < 2)
            continue;
        for (qsizetype n = 0; n < group.size(); ++n) {
            if (sets.size() <= n)
                sets.resize(n + 1);
            sets[n].append(group[n]);
        }
    }
    return sets;
}

// The text in lines of 30 characters 60 pixels high at 600 dpi: rows down a card, or columns leftwards.
void drawLines(QPainter &painter, const TFont &font, bool vertical, const QString &text)
{
    TCanvas canvas(painter, 600, 600);
    TFont lineFont = font;
    if (vertical)
        MakeVerticalFont(lineFont.Log);
    canvas.SetFont(lineFont);
    canvas.SetFontHeight(-60);
    canvas.SetBrushStyle(TBrushStyle::Clear);
    constexpr int PerLine = 30;
    for (qsizetype at = 0, line = 0; at < text.size(); ++line) {
        qsizetype end = at;
        for (int k = 0; k < PerLine && end < text.size(); ++k)
            end += text[end].isHighSurrogate() ? 2 : 1;
        const QString part = text.mid(at, end - at);
        if (vertical)
            canvas.TextOut(int(2300 - 70 * line), 60, part);
        else
            canvas.TextOut(60, int(60 + 70 * line), part);
        at = end;
    }
}

// The page drawn as a postcard at 600 dpi by a writer that records nothing, so that every glyph of a face is
// drawn with the face itself: what the page looks like, rendered at 600 dpi.
QImage drawnWithTheFacesAlone(const QString &file, const std::function<void(QPainter &)> &drawPage)
{
    {
        QPdfWriter writer(file);
        writer.setPageSize(QPageSize(QSizeF(100, 148), QPageSize::Millimeter));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(600);
        QPainter painter(&writer);
        drawPage(painter);
    }
    return RenderedPdfPage(file, 600);
}

// How two pages rendered alike differ: how many pixels, and the box around them; empty when they do not.
std::string differences(const QImage &page, const QImage &other)
{
    if (page.size() != other.size())
        return "sizes differ";
    QRect box;
    int count = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (page.pixel(x, y) != other.pixel(x, y)) {
                ++count;
                box |= QRect(x, y, 1, 1);
            }
    if (count == 0)
        return {};
    return QStringLiteral("%1 pixels in %2x%3+%4+%5").arg(count).arg(box.width()).arg(box.height()).arg(box.x())
        .arg(box.y()).toStdString();
}

}  // namespace

TEST_F(PrintJob, PdfGivesBackKanjiSharedWithRadicalsAndVerticalFormsInBothWritings)
{
    // 山, 田, 長, 谷, 高, 一, 方 and 用 share their glyphs with radicals; ー, small kana, brackets and 、。 take
    // vertical forms in a column.
    const QStringList vertical{QStringLiteral("山田長谷川高橋一方用"), QStringLiteral("センターヴェルモア"),
                               QStringLiteral("ソリューションズ（株）「」、。")};
    const QStringList horizontal{QStringLiteral("山田長谷川高橋一方用センター"),
                                 QStringLiteral("ヴェルモアソリューションズ（株）「」、。")};
    TTwoAddresses card(vertical, horizontal);

    const auto print = [&](TPrintJob &job) {
        TCanvas canvas(job.Painter(), 600, 600);
        for (TAddressRect *object : {&card.Column, &card.Across}) {
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
    writePostcards(written, 1, [&](TPrintJob &job, int) { print(job); });
    const QString text = unbroken(rawPdfText(written));
    EXPECT_EQ(text.toStdString(), expected);
    for (const QString &word : {QStringLiteral("山田"), QStringLiteral("長谷川"), QStringLiteral("高橋"),
                                QStringLiteral("センター"), QStringLiteral("ヴェルモア"),
                                QStringLiteral("ソリューションズ")})
        EXPECT_EQ(text.count(word), 2) << word.toStdString();

    // The PDF printer, as the print dialogs set it up.
    const QString printed = dir.filePath(QStringLiteral("printed.pdf"));
    printToPdf(printed, print);
    EXPECT_EQ(unbroken(rawPdfText(printed)).toStdString(), expected);
}

// Every character a shipped face draws with another character's glyph comes back as itself, in rows and in
// columns, from either writer: each set of such characters (one of each glyph) printed by a job of its own after
// the jobs that printed the others of their glyphs.
TEST_F(PrintJob, EveryCharacterThatSharesItsGlyphGivesBackItselfFromEachJobThatPrintsIt)
{
    QTemporaryDir dir;
    int printed = 0;
    for (const char *family : {"ＭＳ 明朝", "ＭＳ ゴシック", "Noto Sans CJK JP", "Noto Serif CJK JP"}) {
        TFont font;
        SetFontSpec(&font.Log, SHIFTJIS_CHARSET, QString::fromUtf8(family), 0, 12);
        QFont face = font.Log.Font;  // the installed face a layout's family resolves to
        face.setPixelSize(64);
        const QRawFont raw = QRawFont::fromFont(face);
        ASSERT_TRUE(raw.isValid()) << family;
        const QList<QList<char32_t>> sets = sharedGlyphSets(raw);
        // 長 shares its glyph with ⻑ and ⾧ in every shipped face.
        ASSERT_GE(sets.size(), 3) << family;
        for (qsizetype n = 0; n < sets.size(); ++n) {
            const QString text = QString::fromUcs4(sets[n].constData(), sets[n].size());
            for (const bool vertical : {false, true}) {
                SCOPED_TRACE(QStringLiteral("%1, set %2 of %3, %4").arg(QString::fromUtf8(family)).arg(n + 1)
                                 .arg(sets.size()).arg(vertical ? "columns" : "rows").toStdString());
                const QString file = dir.filePath(QStringLiteral("%1.pdf").arg(++printed));
                const auto draw = [&](TPrintJob &job) { drawLines(job.Painter(), font, vertical, text); };
                if (printed % 2)
                    writePostcards(file, 1, [&](TPrintJob &job, int) { draw(job); });
                else
                    printToPdf(file, draw);
                QString back = rawPdfText(file);
                back.removeIf([](QChar c) { return c == u'\n' || c == u'\f' || c == u' '; });
                if (back != text) {
                    const QList<uint> got = back.toUcs4();
                    QStringList wrong;
                    for (qsizetype i = 0; i < sets[n].size() && wrong.size() < 20; ++i)
                        if (i >= got.size() || got[i] != sets[n][i])
                            wrong.append(QStringLiteral("U+%1 as U+%2")
                                             .arg(QString::number(uint(sets[n][i]), 16).toUpper())
                                             .arg(QString::number(i < got.size() ? got[i] : 0, 16).toUpper()));
                    ADD_FAILURE() << wrong.join(QStringLiteral(", ")).toStdString();
                }
            }
        }
    }
}

// Text pasted from another program's PDF keeps what that PDF's text said for 長 and 漣 (the radical ⻑, the
// compatibility ideograph U+F992) and 〜 for ～; a street number typed in Shift-JIS keeps its hyphen ‐ (0x815D)
// where a telephone number has -. IPAex draws each pair with one glyph. A card that shows both of each pair, down
// its column and across its corner, plain and in bold, gives back every character as itself from either writer,
// and its page looks as the face alone draws it.
TEST_F(PrintJob, ACardShowingBothCharactersOfOneGlyphGivesBackEachAndLooksAsTheFaceDrawsIt)
{
    const QStringList down{QStringLiteral("⻑野県⻑野市大字鶴賀緑町"), QStringLiteral("長野県長野市大字南長野"),
                           QStringLiteral("\U0002F8ED田\uF992様方　櫛田漣様")};
    const QStringList across{QStringLiteral("長野市南長野幅下692‐2"), QStringLiteral("TEL 026-232-0111"),
                             QStringLiteral("⻑野支店 9時〜17時 長野本店 9時～12時")};
    TTwoAddresses card(down, across);
    TFont bold = card.Across.Font();
    bold.Log.Font.setBold(true);
    card.Across.SetFont(bold);
    QFont face = card.Column.Font().Log.Font;
    face.setPixelSize(64);
    const QRawFont mincho = QRawFont::fromFont(face);
    for (const auto &[a, b] : {std::pair{u"⻑", u"長"}, std::pair{u"\uF992", u"漣"}, std::pair{u"〜", u"～"}, std::pair{u"‐", u"-"}})
        ASSERT_EQ(mincho.glyphIndexesForString(QString::fromUtf16(a)), mincho.glyphIndexesForString(QString::fromUtf16(b)));

    const auto drawCard = [&](QPainter &painter) {
        TCanvas canvas(painter, 600, 600);
        for (TAddressRect *object : {&card.Column, &card.Across}) {
            object->UpdateFontHeight();
            PrintObject(*object, canvas);
        }
    };
    QTemporaryDir dir;
    const QImage alone = drawnWithTheFacesAlone(dir.filePath(QStringLiteral("alone.pdf")), drawCard);
    const QString written = dir.filePath(QStringLiteral("written.pdf"));
    writePostcards(written, 1, [&](TPrintJob &job, int) { drawCard(job.Painter()); });
    const QString printed = dir.filePath(QStringLiteral("printed.pdf"));
    printToPdf(printed, [&](TPrintJob &job) { drawCard(job.Painter()); });
    const auto withoutBlanks = [](const QString &text) {
        return unbroken(text).remove(u' ').remove(u'\u3000').toStdString();
    };
    for (const QString &file : {written, printed})
        EXPECT_EQ(withoutBlanks(rawPdfText(file)), withoutBlanks(down.join(QString()) + across.join(QString())));
    EXPECT_EQ(differences(RenderedPdfPage(written, 600), alone), "");
}

// Every character the program's faces draw with another character's glyph comes back as itself from one document
// that prints them all, each glyph for every character of it, in rows and in columns; the page looks as the face
// alone draws it.
TEST_F(PrintJob, EveryCharacterOfEverySharedGlyphGivesBackItselfFromOneDocumentThatPrintsThemAll)
{
    QTemporaryDir dir;
    int printed = 0;
    for (const char *family : {"ＭＳ 明朝", "ＭＳ ゴシック"}) {
        TFont font;
        SetFontSpec(&font.Log, SHIFTJIS_CHARSET, QString::fromUtf8(family), 0, 12);
        QFont face = font.Log.Font;
        face.setPixelSize(64);
        QString text;
        for (const QList<char32_t> &set : sharedGlyphSets(QRawFont::fromFont(face)))
            text += QString::fromUcs4(set.constData(), set.size());
        for (const bool vertical : {false, true}) {
            SCOPED_TRACE(QStringLiteral("%1, %2").arg(QString::fromUtf8(family), vertical ? "columns" : "rows").toStdString());
            const auto draw = [&](QPainter &painter) { drawLines(painter, font, vertical, text); };
            const QImage alone = drawnWithTheFacesAlone(dir.filePath(QStringLiteral("alone%1.pdf").arg(printed)), draw);
            const QString file = dir.filePath(QStringLiteral("%1.pdf").arg(++printed));
            writePostcards(file, 1, [&](TPrintJob &job, int) { draw(job.Painter()); });
            QString back = rawPdfText(file);
            back.removeIf([](QChar c) { return c == u'\n' || c == u'\f' || c == u' '; });
            const QList<uint> got = back.toUcs4();
            const QList<uint> wanted = text.toUcs4();
            QStringList wrong;
            for (qsizetype i = 0; i < wanted.size() && wrong.size() < 20; ++i)
                if (i >= got.size() || got[i] != wanted[i])
                    wrong.append(QStringLiteral("U+%1 as U+%2").arg(QString::number(wanted[i], 16).toUpper(),
                                                                      QString::number(i < got.size() ? got[i] : 0, 16).toUpper()));
            EXPECT_TRUE(wrong.isEmpty() && got.size() == wanted.size()) << wrong.join(QStringLiteral(", ")).toStdString();
            EXPECT_EQ(differences(RenderedPdfPage(file, 600), alone), "");
        }
    }
}

// A text object keeps its picture while it stays as it is. Played into a PDF after other text was drawn with its
// glyphs for the other characters of them, it still gives back what it shows; a half-width kana with its sound
// mark, two glyphs for two characters, gives back each once.
TEST_F(PrintJob, AKeptPictureGivesBackItsOwnCharactersAfterOtherTextDrewItsGlyphs)
{
    // Pasted from another program's PDF, whose text said ⻑ and 〜; and typed.
    const QStringList pasted{QStringLiteral("⻑野県⻑野市鶴賀"), QStringLiteral("ｶﾌﾞｼｷｶﾞｲｼｬ ﾀﾞｲﾜ 9時〜17時")};
    const QStringList typed{QStringLiteral("長野県長野市鶴賀"), QStringLiteral("株式会社ダイワ 9時～17時")};
    TTwoAddresses card(pasted, typed);
    TAddressRect &first = card.Column;
    TAddressRect &second = card.Across;
    const auto show = [](TAddressRect &object) {
        QImage screen = blank();
        QPainter painter(&screen);
        TCanvas canvas(painter, 600, 600);
        object.UpdateFontHeight();
        PrintObject(object, canvas);
    };
    show(second);
    // The pasted object's picture, made now and kept for the print.
    first.UpdateFontHeight();
    first.CalcPrintRect(Printer, QPoint(0, 0), true);
    first.Prepare(Printer, false);
    show(second);

    QTemporaryDir dir;
    const QString pastedPdf = dir.filePath(QStringLiteral("pasted.pdf"));
    writePostcards(pastedPdf, 1, [&](TPrintJob &job, int) {
        TCanvas canvas(job.Painter(), 600, 600);
        first.Prepare(canvas.Target(), false);
        first.Print(canvas, 0, 0);
    });
    const QString typedPdf = dir.filePath(QStringLiteral("typed.pdf"));
    writePostcards(typedPdf, 1, [&](TPrintJob &job, int) {
        TCanvas canvas(job.Painter(), 600, 600);
        PrintObject(second, canvas);
    });
    const auto withoutBlanks = [](QString text) { return unbroken(text).remove(u' ').toStdString(); };
    EXPECT_EQ(withoutBlanks(rawPdfText(pastedPdf)), withoutBlanks(pasted.join(QString())));
    EXPECT_EQ(withoutBlanks(rawPdfText(typedPdf)), withoutBlanks(typed.join(QString())));
}

TEST_F(PrintJob, EveryPageOfALongDocumentGivesBackItsTextAndTheFileStaysWhole)
{
    // The fonts of a long run gather the glyphs of all its pages; each page's words must come back from the
    // one map of the whole file.
    const QStringList names{QStringLiteral("山田一郎"), QStringLiteral("長谷川方"), QStringLiteral("高橋用"),
                            QStringLiteral("センター（株）"), QStringLiteral("ヴェルモア「ー」")};
    constexpr int Pages = 120;
    TAddressRect column;
    column.SetRect(test::mm(50, 50, 450, 1300));
    TAddressRect across;
    across.SetRect(test::mm(500, 50, 1000, 400));
    across.SetDirection(1);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("long.pdf"));
    writePostcards(file, Pages, [&](TPrintJob &job, int page) {
        column.SetLine(0, names[page % names.size()] + QString::number(page));
        across.SetLine(0, names[(page + 2) % names.size()]);
        TCanvas canvas(job.Painter(), 600, 600);
        for (TAddressRect *object : {&column, &across}) {
            object->UpdateFontHeight();
            PrintObject(*object, canvas);
        }
    });

    const QStringList pages = rawPdfText(file).split(u'\f');
    ASSERT_GE(pages.size(), Pages);
    for (int page = 0; page < Pages; ++page) {
        // Half-width digits lie sideways in a column and come out apart from its upright characters.
        QString text = unbroken(pages[page]);
        EXPECT_TRUE(text.contains(QString::number(page))) << page << ": " << text.toStdString();
        text.removeIf([](QChar c) { return c.isDigit() || c.isSpace(); });
        EXPECT_EQ(text.toStdString(),
                  (names[page % names.size()] + names[(page + 2) % names.size()]).toStdString()) << page;
    }

    QProcess check;
    check.start(QStringLiteral("qpdf"), {QStringLiteral("--check"), file});
    ASSERT_TRUE(check.waitForFinished(60000));
    EXPECT_EQ(check.exitCode(), 0) << check.readAll().toStdString();
    const QImage first = RenderedPdfPage(file, 30);
    ASSERT_FALSE(first.isNull());
    EXPECT_FALSE(InkBox(first).isEmpty());
}

TEST(PrintJobFile, FileThatIsNoPdfIsRefusedAndLeftAsItWas)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("broken.pdf"));
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("%PDF-1.4\nnot a document\n");
    out.close();
    const QImage device(1, 1, QImage::Format_RGB32);
    const TDrawnText nothingDrawn(device);
    EXPECT_THROW(CorrectPdfText(file, nothingDrawn), EPrinterError);
    QFile in(file);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    EXPECT_EQ(in.readAll(), QByteArray("%PDF-1.4\nnot a document\n"));
}

TEST(PrintJobFile, CorrectingTenTimesThePagesTakesNoMoreMemory)
{
    // The peak can be measured from here only where the kernel lets a process reset its own.
    if (!QFile::exists(QStringLiteral("/proc/self/clear_refs")))
        GTEST_SKIP() << "no /proc/self/clear_refs";
    QTemporaryDir dir;
    // The pages written, then their text corrected from the record of what was drawn.
    const auto peakKb = [&](int pages) {
        const QString file = dir.filePath(QStringLiteral("%1.pdf").arg(pages));
        QPdfWriter writer(file);
        writer.setResolution(600);
        const TDrawnText drawn(writer);
        {
            QPainter painter(&writer);
            TCanvas canvas(painter, 600, 600);
            TFont font;
            SetFontSpec(&font.Log, SHIFTJIS_CHARSET, QStringLiteral("ＭＳ 明朝"), 0, 12);
            canvas.SetFont(font);
            for (int page = 0; page < pages; ++page) {
                if (page > 0)
                    writer.newPage();
                canvas.TextOut(600, 600, QStringLiteral("山田 %1").arg(page));
            }
        }
        std::ofstream("/proc/self/clear_refs") << "5";  // the peak from the resident size now
        const long before = statusKb("VmRSS:");
        CorrectPdfText(file, drawn);
        return statusKb("VmHWM:") - before;
    };
    const long fewKb = peakKb(300);
    const long manyKb = peakKb(3000);
    // The larger file fills the reader's window of a megabyte, which the smaller one does not; reading the
    // pages' objects would take some 17 MB more.
    EXPECT_LT(manyKb, fewKb + 3 * 1024) << fewKb << " kB for 300 pages, " << manyKb << " kB for 3,000";
}
