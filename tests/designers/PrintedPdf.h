// Printed PDF files read back for the tests of printing: pages, page size and text through poppler's tools,
// pages rendered to pictures, and where the ink lies on them.
#pragma once

#include <QImage>
#include <QList>
#include <QProcess>
#include <QRectF>
#include <QRegularExpression>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <cmath>

namespace test {

inline QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(120000)) << program.toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

inline int pdfPages(const QString &file)
{
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(run(QStringLiteral("pdfinfo"), {file}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// The first page's size in millimetres, as pdfinfo gives it in points.
inline QSizeF pdfPageMm(const QString &file)
{
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+) pts"))
                                          .match(run(QStringLiteral("pdfinfo"), {file}));
    return m.hasMatch() ? QSizeF(m.captured(1).toDouble() * 25.4 / 72, m.captured(2).toDouble() * 25.4 / 72) : QSizeF();
}

// The text of one page (from 1), line breaks taken out: a column comes out a character a line.
inline QString pageText(const QString &file, int page)
{
    QString text = run(QStringLiteral("pdftotext"), {"-raw", "-f", QString::number(page), "-l", QString::number(page),
                                                     file, "-"});
    text.removeIf([](QChar c) { return c == u'\n' || c == u'\f' || c == u' '; });
    return text;
}

// A word of a page as pdftotext places it: its text and its box in points from the page's top-left corner;
// the box's height is the size the word was set in.
struct TPdfWord {
    QString Text;
    QRectF Box;
};

inline QList<TPdfWord> pageWords(const QString &file, int page)
{
    static const QRegularExpression word(QStringLiteral(
        "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
    QList<TPdfWord> words;
    const QString html = run(QStringLiteral("pdftotext"), {"-bbox", "-f", QString::number(page), "-l",
                                                          QString::number(page), file, "-"});
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        QString text = m.captured(5);
        text.replace(QLatin1String("&lt;"), QLatin1String("<"))
            .replace(QLatin1String("&gt;"), QLatin1String(">"))
            .replace(QLatin1String("&quot;"), QLatin1String("\""))
            .replace(QLatin1String("&amp;"), QLatin1String("&"));
        words.append({text, QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                                            QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()))});
    }
    return words;
}

// An image of a PDF as pdfimages lists it: its page (from 1), its pixels and the pixels per inch it is placed at.
struct TPdfImage {
    int Page = 0;
    QSize Pixels;
    double PpiX = 0;
    double PpiY = 0;
};

inline QList<TPdfImage> pdfImages(const QString &file)
{
    QList<TPdfImage> images;
    for (const QString &line : run(QStringLiteral("pdfimages"), {"-list", file}).split(u'\n')) {
        const QStringList f = line.simplified().split(u' ');
        // page num type width height color comp bpc enc interp object ID x-ppi y-ppi size ratio
        if (f.size() < 14 || f[2] != QStringLiteral("image"))
            continue;
        images.append({f[0].toInt(), QSize(f[3].toInt(), f[4].toInt()), f[12].toDouble(), f[13].toDouble()});
    }
    return images;
}

inline QImage renderedPage(const QString &file, int page, int dpi)
{
    const QString stem = file + QStringLiteral(".p%1").arg(page);
    run(QStringLiteral("pdftoppm"), {"-r", QString::number(dpi), "-f", QString::number(page), "-l",
                                     QString::number(page), "-png", "-singlefile", file, stem});
    return QImage(stem + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
}

// Dark pixels of area.
inline int inkIn(const QImage &image, const QRect &area)
{
    int ink = 0;
    const QRect a = area & image.rect();
    for (int y = a.top(); y <= a.bottom(); ++y)
        for (int x = a.left(); x <= a.right(); ++x)
            ink += qGray(image.pixel(x, y)) < 128;
    return ink;
}

// The bounding box of the dark pixels of area.
inline QRect inkBox(const QImage &image, const QRect &area)
{
    QRect box;
    const QRect a = area & image.rect();
    for (int y = a.top(); y <= a.bottom(); ++y)
        for (int x = a.left(); x <= a.right(); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                box |= QRect(x, y, 1, 1);
    return box;
}

// Keeps a rendered page as name.png in the folder VELMORA_SAMPLE_DIR names, for a person to look at.
inline void keepSample(const QImage &page, const char *name)
{
    const QString folder = qEnvironmentVariable("VELMORA_SAMPLE_DIR");
    if (!folder.isEmpty())
        page.save(folder + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png"));
}

// Keeps a page of a PDF file rendered at 600 dpi the same way; rendered only then, as rendering a large page at
// 600 dpi takes seconds a test that looks at the page's words does not spend.
inline void keepPageSample(const QString &file, int page, const char *name)
{
    if (!qEnvironmentVariableIsEmpty("VELMORA_SAMPLE_DIR"))
        keepSample(renderedPage(file, page, 600), name);
}

// The horizontal centre of the ink of area, in pixels; NaN without ink.
inline double inkCentreX(const QImage &image, const QRect &area)
{
    double sum = 0;
    int n = 0;
    const QRect a = area & image.rect();
    for (int y = a.top(); y <= a.bottom(); ++y)
        for (int x = a.left(); x <= a.right(); ++x)
            if (qGray(image.pixel(x, y)) < 128) {
                sum += x;
                ++n;
            }
    return n ? sum / n : std::nan("");
}

// Each of the seven digits of a receiver's postal code printed on a postcard page rendered at 600 dpi inks
// Japan Post's box (5.7 mm wide, 8 mm high, 12 mm from the top, left edges at 44.3 to 86.3 mm), its ink
// centred in the box within 0.4 mm.
inline void ExpectDigitsCentredInPostcardBoxes(const QImage &page)
{
    const auto px = [](double mm) { return int(std::lround(mm / 25.4 * 600)); };
    for (double left : {44.3, 51.3, 58.3, 65.9, 72.7, 79.5, 86.3}) {
        const QRect box(px(left + 0.3), px(12.3), px(5.1), px(7.4));
        ASSERT_GT(inkIn(page, box), 0) << left;
        EXPECT_NEAR(inkCentreX(page, box) * 25.4 / 600, left + 2.85, 0.4) << left;
    }
}

}  // namespace test
