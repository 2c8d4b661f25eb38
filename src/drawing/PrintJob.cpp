#include "drawing/PrintJob.h"

#include "base/FileReplace.h"
#include "drawing/GlyphRenderer.h"
#include "drawing/PdfFile.h"
#include "drawing/PrinterInfo.h"

#include <QFile>
#include <QImage>
#include <QMap>
#include <QPainterPath>
#include <QPdfWriter>
#include <QPrinter>
#include <QRawFont>
#include <QSet>
#include <QtEndian>

#include <cerrno>
#include <limits>

namespace {

const QString CorrectionFailed = QStringLiteral("PDF ファイル %1 の文字情報を書き込めませんでした");

// ---- The ToUnicode map as the writer left it ----

// The hex strings and the brackets of a CMap's bfchar and bfrange sections; any other word is a keyword.
QList<QByteArray> cmapTokens(const QByteArray &cmap)
{
    QList<QByteArray> tokens;
    for (qsizetype i = 0; i < cmap.size();) {
        const char c = cmap[i];
        if (c == '<') {
            const qsizetype end = cmap.indexOf('>', i);
            if (end < 0)
                break;
            tokens.append(cmap.mid(i, end + 1 - i));
            i = end + 1;
        } else if (c == '[' || c == ']') {
            tokens.append(QByteArray(1, c));
            ++i;
        } else if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
        } else {
            qsizetype end = i;
            while (end < cmap.size() && !std::isspace(static_cast<unsigned char>(cmap[end])) && cmap[end] != '<'
                   && cmap[end] != '[')
                ++end;
            tokens.append(cmap.mid(i, end - i));
            i = end;
        }
    }
    return tokens;
}

bool isHex(const QByteArray &token) { return token.startsWith('<'); }
QByteArray hexBytes(const QByteArray &token) { return QByteArray::fromHex(token.mid(1, token.size() - 2)); }
uint codeOf(const QByteArray &token)
{
    uint code = 0;
    for (char byte : hexBytes(token))
        code = code << 8 | static_cast<unsigned char>(byte);
    return code;
}
QString utf16Of(const QByteArray &bytes)
{
    QString text;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
        text.append(QChar(qFromBigEndian<quint16>(bytes.constData() + i)));
    return text;
}

QMap<uint, QString> readToUnicode(const QByteArray &cmap)
{
    QMap<uint, QString> map;
    const QList<QByteArray> t = cmapTokens(cmap);
    enum { None, Chars, Ranges } section = None;
    for (qsizetype i = 0; i < t.size(); ++i) {
        if (t[i] == "beginbfchar") {
            section = Chars;
        } else if (t[i] == "beginbfrange") {
            section = Ranges;
        } else if (t[i] == "endbfchar" || t[i] == "endbfrange") {
            section = None;
        } else if (section == Chars && i + 1 < t.size() && isHex(t[i]) && isHex(t[i + 1])) {
            map.insert(codeOf(t[i]), utf16Of(hexBytes(t[i + 1])));
            ++i;
        } else if (section == Ranges && i + 2 < t.size() && isHex(t[i]) && isHex(t[i + 1])) {
            const uint low = codeOf(t[i]);
            const uint high = codeOf(t[i + 1]);
            i += 2;
            if (t[i] == "[") {
                for (uint code = low; ++i < t.size() && isHex(t[i]); ++code)
                    if (code <= high)
                        map.insert(code, utf16Of(hexBytes(t[i])));
            } else if (isHex(t[i]) && high - low < 0x10000) {
                // The last code unit counts up through the range.
                QString first = utf16Of(hexBytes(t[i]));
                for (uint code = low; code <= high && !first.isEmpty(); ++code) {
                    map.insert(code, first);
                    first.back() = QChar(first.back().unicode() + 1);
                }
            }
        }
    }
    return map;
}

QByteArray writeToUnicode(const QMap<uint, QString> &map)
{
    QByteArray cmap = "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
                      "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
                      "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
                      "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    constexpr qsizetype MaxPerSection = 100;  // the most a CMap section may hold
    const QList<uint> codes = map.keys();
    for (qsizetype start = 0; start < codes.size(); start += MaxPerSection) {
        const qsizetype n = std::min(MaxPerSection, codes.size() - start);
        cmap += QByteArray::number(n) + " beginbfchar\n";
        for (qsizetype i = start; i < start + n; ++i) {
            const QString &text = map[codes[i]];
            QByteArray utf16(text.size() * 2, '\0');
            qToBigEndian<quint16>(text.utf16(), text.size(), utf16.data());
            cmap += '<' + QByteArray::number(codes[i], 16).rightJustified(4, '0').toUpper() + "> <"
                    + utf16.toHex().toUpper() + ">\n";
        }
        cmap += "endbfchar\n";
    }
    cmap += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
    return cmap;
}

// ---- Which glyph of the face each character of the embedded subset is ----

// The glyph filled at the font's size (64 pixels) on a baseline of its own, the same for every file, for
// comparing outlines of two files of one design (each file has its own vertical metrics).
QImage outline(const QRawFont &font, quint32 glyph)
{
    constexpr int Size = 64;
    QImage image(Size + 16, Size + 16, QImage::Format_Grayscale8);
    image.fill(0);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.translate(8, 8 + Size * 7 / 8);
    painter.fillPath(font.pathForGlyph(glyph), Qt::white);
    return image;
}

int difference(const QImage &a, const QImage &b)
{
    int differing = 0;
    for (int y = 0; y < a.height(); ++y) {
        const uchar *p = a.constScanLine(y);
        const uchar *q = b.constScanLine(y);
        for (int x = 0; x < a.width(); ++x)
            differing += (p[x] > 127) != (q[x] > 127);
    }
    return differing;
}

// The characters of one embedded font: the writer's own map where the face's character map leads from it to
// a glyph the renderer recorded, the recorded text of that glyph; a character the writer could not name (a
// glyph reached only through a substitution) is found among the recorded glyphs by its outline.
QMap<uint, QString> correctedMap(const QMap<uint, QString> &written, const TFaceText &face, const QByteArray &subsetFile,
                                 uint characters)
{
    QMap<uint, QString> corrected;
    // The writer names a glyph it knows no character for with a control code (a character beyond the first
    // plane, as 𠮷, comes out as U+0001): such a name is as good as none.
    const auto named = [](const QString &writer) {
        return std::any_of(writer.begin(), writer.end(), [](QChar c) { return c.unicode() >= 0x20; });
    };
    const auto namedGlyph = [&face](const QString &writer) {
        const QList<quint32> glyphs = face.Font.glyphIndexesForString(writer);
        return glyphs.size() == 1 ? glyphs.first() : 0;
    };
    // The recorded glyphs no name of the writer leads to (vertical forms, characters it could not name): an
    // unnamed glyph of the subset is one of them, told by its outline.
    QSet<quint32> reached;
    for (const QString &writer : written)
        if (named(writer))
            reached.insert(namedGlyph(writer));
    QList<quint32> substituted;
    for (auto it = face.Texts.constBegin(); it != face.Texts.constEnd(); ++it)
        if (!reached.contains(it.key()))
            substituted.append(it.key());
    QRawFont subset;
    QRawFont original;
    QHash<quint32, QImage> outlines;
    for (uint cid = 1; cid < characters; ++cid) {
        const QString writer = written.value(cid);
        quint32 glyph = 0;
        if (named(writer)) {
            glyph = namedGlyph(writer);
        } else if (!substituted.isEmpty()) {
            if (!subset.isValid()) {
                subset = QRawFont(subsetFile, 64);
                original = face.Font;
                original.setPixelSize(64);
            }
            if (!subset.isValid())
                continue;
            const QImage mine = outline(subset, cid);
            int best = std::numeric_limits<int>::max();
            for (quint32 candidate : substituted) {
                auto known = outlines.constFind(candidate);
                if (known == outlines.constEnd())
                    known = outlines.insert(candidate, outline(original, candidate));
                if (const int d = difference(mine, *known); d < best) {
                    best = d;
                    glyph = candidate;
                }
            }
            // Outlines of one glyph differ only where the writer's curves round differently.
            if (best > mine.width() * mine.height() / 100)
                glyph = 0;
        }
        QString text = glyph ? face.Texts.value(glyph) : QString();
        if (text.isEmpty() && named(writer)) {
            // A radical the writer chose for a glyph that also stands for an ideograph.
            const QString ideograph = writer.normalized(QString::NormalizationForm_KC);
            text = ideograph.size() == 1 && face.Font.glyphIndexesForString(ideograph)
                                                == face.Font.glyphIndexesForString(writer)
                       ? ideograph
                       : writer;
        }
        if (!text.isEmpty())
            corrected.insert(cid, text);
    }
    return corrected;
}

quint16 glyphCount(const QRawFont &font)
{
    const QByteArray maxp = font.fontTable("maxp");
    return maxp.size() >= 6 ? qFromBigEndian<quint16>(maxp.constData() + 4) : 0;
}

// The corrected map of one Type 0 font as the PDF writer makes them (Identity-H over an embedded TrueType
// subset whose glyph numbers are the character codes); empty when it stays as it is.
QByteArray correctedFont(TPdfFile &pdf, const TPdfValue &font, const TDrawnText &drawn)
{
    const TPdfValue toUnicode = pdf.Resolved(font.Key("/ToUnicode"));
    const TPdfValue descendants = pdf.Resolved(font.Key("/DescendantFonts"));
    if (toUnicode.Kind != TPdfValue::Stream || descendants.Kind != TPdfValue::Array || descendants.Items.size() != 1
        || !pdf.Resolved(font.Key("/Encoding")).IsName("/Identity-H"))
        return QByteArray();
    const TPdfValue cidFont = pdf.Resolved(descendants.Items.front());
    const TPdfValue fontFile = pdf.Resolved(pdf.Resolved(cidFont.Key("/FontDescriptor")).Key("/FontFile2"));
    const TPdfValue baseFont = pdf.Resolved(font.Key("/BaseFont"));
    if (!pdf.Resolved(cidFont.Key("/CIDToGIDMap")).IsName("/Identity") || fontFile.Kind != TPdfValue::Stream
        || baseFont.Kind != TPdfValue::Name)
        return QByteArray();
    QString name = QString::fromUtf8(baseFont.Text).mid(1);
    if (name.size() > 7 && name[6] == u'+')
        name = name.mid(7);  // a subset's tag
    const TFaceText face = drawn.Face(name);
    if (!face.Font.isValid())
        return QByteArray();
    const QByteArray subsetFile = pdf.StreamData(fontFile);
    const uint characters = glyphCount(QRawFont(subsetFile, 12));
    const QMap<uint, QString> written = readToUnicode(pdf.StreamData(toUnicode));
    const QMap<uint, QString> corrected = correctedMap(written, face, subsetFile, characters);
    return corrected == written ? QByteArray() : writeToUnicode(corrected);
}

// The maps appended to the file as an update of its own: the pages, fonts and pictures stay where the writer
// put them, so correcting a long document costs reading the start of each object, not writing it again.
QByteArray updateSection(TPdfFile &pdf, const QMap<std::pair<int, int>, QByteArray> &maps)
{
    QByteArray section = "\n";
    QList<qint64> offsets;
    for (auto it = maps.constBegin(); it != maps.constEnd(); ++it) {
        offsets.append(pdf.Size() + section.size());
        section += QByteArray::number(it.key().first) + ' ' + QByteArray::number(it.key().second) + " obj\n<< /Length "
                   + QByteArray::number(it.value().size()) + " >>\nstream\n" + it.value() + "\nendstream\nendobj\n";
    }
    const qint64 xref = pdf.Size() + section.size();
    section += "xref\n";
    qsizetype i = 0;
    for (auto it = maps.constBegin(); it != maps.constEnd(); ++it, ++i)
        section += QByteArray::number(it.key().first) + " 1\n" + QByteArray::number(offsets[i]).rightJustified(10, '0')
                   + ' ' + QByteArray::number(it.key().second).rightJustified(5, '0') + " n\r\n";
    // The trailer's entries (size, catalogue, information, identifiers) as the writer wrote them.
    section += "trailer\n<<";
    for (const auto &[key, value] : pdf.Trailer().Entries)
        if (key != "/Prev")
            section += ' ' + key + ' ' + pdf.Source(value);
    section += " /Prev " + QByteArray::number(pdf.LastXref()) + " >>\nstartxref\n" + QByteArray::number(xref)
               + "\n%%EOF\n";
    return section;
}

}  // namespace

void CorrectPdfText(const QString &pdfFile, const TDrawnText &drawn, const QString &shownFile)
{
    const QString failed = CorrectionFailed.arg(shownFile.isEmpty() ? pdfFile : shownFile);
    try {
        QByteArray section;
        qint64 size = 0;
        {
            TPdfFile pdf(pdfFile);
            // A file indexed by a cross-reference stream (none of the writer's) would need one to update it.
            if (!pdf.Indexed())
                return;
            // The fonts are found by their own objects, not through the pages, which a long document has too
            // many of to read.
            QMap<std::pair<int, int>, QByteArray> maps;
            for (int number : pdf.ObjectsWith("/Type0")) {
                const TPdfValue font = pdf.Object(number);
                const TPdfValue &toUnicode = font.Key("/ToUnicode");
                if (font.Kind == TPdfValue::Dictionary && font.Key("/Subtype").IsName("/Type0")
                    && toUnicode.Kind == TPdfValue::Reference)
                    if (const QByteArray map = correctedFont(pdf, font, drawn); !map.isEmpty())
                        maps.insert({toUnicode.Number, toUnicode.Generation}, map);
            }
            if (maps.isEmpty())
                return;
            section = updateSection(pdf, maps);
            size = pdf.Size();
        }
        QFile file(pdfFile);
        if (!file.open(QIODevice::ReadWrite) || file.size() != size)
            throw EPrinterError(failed);
        if (!file.seek(size) || file.write(section) != section.size() || !file.flush()) {
            const int error = errno;
            file.resize(size);
            throw EPrinterError(failed + WriteFailureReason(error));
        }
    } catch (const std::exception &) {
        throw EPrinterError(failed);
    }
}

// ---- TPrintJob ----

namespace {

// Whether the file ends as the PDF writer ends every file it finishes.
bool endsWhole(const QString &pdfFile)
{
    QFile file(pdfFile);
    const QByteArray end = "%%EOF\n";
    return file.open(QIODevice::ReadOnly) && file.size() >= end.size() && file.seek(file.size() - end.size())
        && file.read(end.size()) == end;
}

}  // namespace

TPrintJob::TPrintJob(QPrinter &printer, const QString &shownFile)
    : device_(printer),
      pdfFile_(printer.outputFormat() == QPrinter::PdfFormat ? printer.outputFileName() : QString()),
      shownFile_(shownFile.isEmpty() ? pdfFile_ : shownFile)
{
    if (!pdfFile_.isEmpty())
        drawn_ = std::make_unique<TDrawnText>(printer);
    if (!painter_.begin(&printer))
        throw EPrinterError(QStringLiteral("プリンター %1 で印刷を始められませんでした").arg(printer.printerName()));
}

TPrintJob::TPrintJob(QPdfWriter &writer, const QString &pdfFile)
    : device_(writer), pdfFile_(pdfFile), shownFile_(pdfFile), drawn_(std::make_unique<TDrawnText>(writer))
{
    if (!painter_.begin(&writer))
        throw EPrinterError(QStringLiteral("PDF ファイル %1 を書き始められませんでした").arg(pdfFile));
}

TPrintJob::~TPrintJob()
{
    if (ended_)
        return;
    try {
        End();
    } catch (const EPrinterError &) {
    }
}

bool TPrintJob::NewPage() { return device_.newPage(); }

void TPrintJob::End()
{
    if (ended_)
        return;
    ended_ = true;
    painter_.end();
    if (pdfFile_.isEmpty())
        return;
    // The writer goes on past a write the disk refused and says nothing: a file without the end it always
    // writes was cut short, which only a disk without room does to a file already open.
    if (!endsWhole(pdfFile_))
        throw EPrinterError(QStringLiteral("PDF ファイル %1 を書き込めませんでした").arg(shownFile_) + WriteFailureReason(ENOSPC));
    CorrectPdfText(pdfFile_, *drawn_, shownFile_);
}

void TPrintJob::Abandon()
{
    ended_ = true;
    if (painter_.isActive())
        painter_.end();
}
