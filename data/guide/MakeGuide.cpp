// Build-time typesetter of the operation guide: guide.txt (UTF-8, see its head for the markup) becomes
// "Mirvale18.pdf" with a title page, a contents page and chapters placed so that help context N opens on
// page N + 3 (counted from 0), the page the program asks the PDF viewer for, and no page between is blank.
#include "drawing/GlyphRenderer.h"
#include "drawing/PrintJob.h"
#include "drawing/PrinterInfo.h"

#include <QBuffer>
#include <QFile>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextBoundaryFinder>
#include <QTextLayout>

#include <cstdio>
#include <algorithm>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <vector>

namespace {

struct GuideError : std::runtime_error {
    explicit GuideError(const QString &why) : std::runtime_error(why.toStdString()) {}
};

// ---- source -------------------------------------------------------------------------------------------

enum class BlockKind { Section, Paragraph, Bullet, Example };

struct Block {
    BlockKind kind;
    QString text;
};

struct Chapter {
    QString heading;
    int context = -1;  // the help context whose page this chapter is, -1 for none
    std::vector<Block> blocks;
};

struct Guide {
    QString title, subtitle, contentsHeading;
    QStringList titleNotes;  // lines at the foot of the title page
    std::vector<Chapter> chapters;
};

bool isLatin(QChar c) { return c.unicode() < 0x80 && c.isLetterOrNumber(); }

Guide parse(const QString &source)
{
    Guide guide;
    int pendingContext = -1;
    QString paragraph;
    BlockKind paragraphKind = BlockKind::Paragraph;
    int lineNo = 0;
    auto where = [&] { return QStringLiteral("guide.txt:%1: ").arg(lineNo); };
    auto add = [&](BlockKind kind, const QString &text) {
        if (guide.chapters.empty())
            throw GuideError(where() + QStringLiteral("text before the first @chapter"));
        guide.chapters.back().blocks.push_back({kind, text});
    };
    auto flush = [&] {
        if (!paragraph.isEmpty())
            add(paragraphKind, paragraph);
        paragraph.clear();
    };

    for (QString line : source.split(QLatin1Char('\n'))) {
        ++lineNo;
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('@'))) {
            flush();
            const QString word = line.section(QLatin1Char(' '), 0, 0);
            const QString rest = line.section(QLatin1Char(' '), 1).trimmed();
            if (word == QLatin1String("@title"))
                guide.title = rest;
            else if (word == QLatin1String("@subtitle"))
                guide.subtitle = rest;
            else if (word == QLatin1String("@titlenote"))
                guide.titleNotes.append(rest);
            else if (word == QLatin1String("@contents"))
                guide.contentsHeading = rest;
            else if (word == QLatin1String("@chapter")) {
                guide.chapters.push_back({rest, pendingContext, {}});
                pendingContext = -1;
            } else if (word == QLatin1String("@section"))
                add(BlockKind::Section, rest);
            else if (word == QLatin1String("@context")) {
                bool ok = false;
                pendingContext = rest.toInt(&ok);
                if (!ok || pendingContext < 1)
                    throw GuideError(where() + QStringLiteral("a help context is a number from 1 on"));
            } else
                throw GuideError(where() + QStringLiteral("unknown directive ") + word);
        } else if (line.trimmed().isEmpty()) {
            flush();
        } else if (line.startsWith(QLatin1String("  "))) {
            flush();
            add(BlockKind::Example, line.trimmed());
        } else if (line.startsWith(QLatin1String("- "))) {
            flush();
            paragraphKind = BlockKind::Bullet;
            paragraph = line.mid(2).trimmed();
        } else {
            if (paragraphKind == BlockKind::Bullet)
                flush();  // a bullet is one line; the text after it is a paragraph of its own
            if (paragraph.isEmpty())
                paragraphKind = BlockKind::Paragraph;
            const QString text = line.trimmed();
            // Japanese runs on without a blank; only two Latin words need one between them.
            if (!paragraph.isEmpty() && isLatin(paragraph.back()) && isLatin(text.front()))
                paragraph += QLatin1Char(' ');
            paragraph += text;
        }
    }
    flush();
    if (guide.title.isEmpty() || guide.contentsHeading.isEmpty() || guide.chapters.empty())
        throw GuideError(QStringLiteral("guide.txt needs @title, @contents and at least one @chapter"));
    return guide;
}

// ---- page layout --------------------------------------------------------------------------------------

constexpr int Resolution = 600;  // dots per inch of the PDF's coordinates
constexpr qreal PageWidthMm = 210, PageHeightMm = 297;
constexpr qreal MarginLeftMm = 25, MarginRightMm = 25, MarginTopMm = 28, MarginBottomMm = 25;
constexpr int FirstBodyPage = 2;       // after the title page and the contents page
constexpr int ContextPageOffset = 3;   // the program shows help context N on page N + 3

qreal mm(qreal v) { return v * Resolution / 25.4; }

struct Fonts {
    QFont body, example, chapter, section, title, subtitle, running, contents;
};

QFont face(const QString &family, qreal points)
{
    QFont font(family);
    font.setPointSizeF(points);
    return font;
}

// The guide is typeset only in the IPAex faces; a silent fallback would ship a guide in whatever font the
// build machine happens to have.
Fonts loadFonts()
{
    const QString gothic = QStringLiteral("IPAexGothic"), mincho = QStringLiteral("IPAexMincho");
    const QStringList families = QFontDatabase::families();
    for (const QString &family : {gothic, mincho})
        if (!families.contains(family))
            throw GuideError(family + QStringLiteral(" is not installed (Debian package fonts-ipaexfont)"));
    return {face(mincho, 10.5), face(gothic, 10), face(gothic, 18), face(gothic, 12.5),
            face(gothic, 30),   face(gothic, 14), face(gothic, 8),  face(gothic, 9)};
}

// One typeset line: a line of a laid-out block, or a decoration, at its place on a page.
struct Item {
    enum Kind { TextLine, Rule } kind;
    const QTextLayout *layout = nullptr;
    int line = 0;
    QPointF at;  // where the line's left/top goes; for a rule its start
    qreal length = 0;
};

struct Heading {
    QString text;
    bool chapter;
    int page;
};

class Typesetter {
public:
    Typesetter(QPaintDevice *device, const Fonts &fonts) : device_(device), fonts_(fonts) {}

    // Lays the chapters out from FirstBodyPage on. A window's chapter must open on its help context's page, so
    // the chapters before it have to reach the page before: where their text ends sooner, sections of theirs
    // open pages of their own, so that no page of a printed guide is left blank.
    void setChapters(const std::vector<Chapter> &chapters)
    {
        for (size_t from = 0; from < chapters.size();) {
            size_t to = from + 1;  // the run of chapters up to the next window's chapter
            while (to < chapters.size() && chapters[to].context < 0)
                ++to;
            const int end = to < chapters.size() ? chapters[to].context + ContextPageOffset : -1;
            setRun(chapters, from, to, end);
            from = to;
        }
    }

    // The chapters' pages, the first being FirstBodyPage.
    const std::vector<std::vector<Item>> &pages() const { return pages_; }

    // The contents page: every chapter with its page number as the viewer counts pages (from 1), in two columns.
    std::vector<Item> contents(const QString &heading)
    {
        std::vector<std::vector<Item>> bodyPages;
        bodyPages.swap(pages_);
        newPage();
        place(heading, fonts_.chapter, 0, 1.4, mm(2));
        pages_.back().push_back({Item::Rule, nullptr, 0, QPointF(left(), y_), width()});
        y_ += mm(8);
        // A chapter is a window's or a task's page; its sections would not let the list fit on one page.
        const QFont &font = fonts_.contents;
        const qreal gap = mm(8), column = (width() - gap) / 2, numberWidth = mm(9);
        const qreal advance = lineAdvance(font, 1.3);
        const qreal leading = advance - QFontMetricsF(font, device_).height();
        const qreal columnTop = y_;
        int columnNo = 0;
        for (const Heading &h : headings_) {
            if (!h.chapter)
                continue;
            QTextLayout *entry = layout(h.text, font);
            const int lines = setLines(entry, column - numberWidth);
            if (y_ + lines * advance > bottom()) {
                if (++columnNo == 2)
                    throw GuideError(QStringLiteral("the contents do not fit on one page"));
                y_ = columnTop;
            }
            const qreal x = left() + columnNo * (column + gap);
            for (int i = 0; i < lines; ++i)
                pages_.back().push_back({Item::TextLine, entry, i, QPointF(x, y_ + i * advance + leading / 2)});
            // The page number, right-aligned on the entry's first line.
            QTextLayout *number = layout(QString::number(h.page + 1), font);
            setLines(number, column);
            pages_.back().push_back({Item::TextLine, number, 0,
                                     QPointF(x + column - number->lineAt(0).naturalTextWidth(), y_ + leading / 2)});
            y_ += lines * advance;
        }
        std::vector<Item> contentsPage = std::move(pages_.front());
        pages_.swap(bodyPages);
        return contentsPage;
    }

private:
    qreal left() const { return mm(MarginLeftMm); }
    qreal width() const { return mm(PageWidthMm - MarginLeftMm - MarginRightMm); }
    qreal top() const { return mm(MarginTopMm); }
    qreal bottom() const { return mm(PageHeightMm - MarginBottomMm); }
    int currentPage() const { return FirstBodyPage + int(pages_.size()) - 1; }

    void newPage()
    {
        pages_.emplace_back();
        y_ = top();
    }

    QTextLayout *layout(const QString &text, const QFont &font)
    {
        layouts_.push_back(std::make_unique<QTextLayout>(text, font, device_));
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layouts_.back()->setTextOption(option);
        return layouts_.back().get();
    }

    qreal lineAdvance(const QFont &font, qreal spacing) const
    {
        return QFontMetricsF(font, device_).height() * spacing;
    }

    // A section that opens a page of its own: its chapter's and its block's index.
    using Break = std::pair<size_t, size_t>;

    // How far the typesetting had got, to take back a run laid out on trial.
    struct Mark {
        size_t pages, headings, layouts;
    };

    void undo(const Mark &mark)
    {
        pages_.resize(mark.pages);
        headings_.resize(mark.headings);
        layouts_.resize(mark.layouts);
    }

    // Lays out chapters [from, to), which end on the page before `end` (when there is a next window's chapter).
    // Where their text ends sooner, section breaks open pages, each time the one that leaves the run's least filled
    // page fullest; then further breaks that keep the pages fill a page left with a line or two.
    void setRun(const std::vector<Chapter> &chapters, size_t from, size_t to, int end)
    {
        const Mark mark{pages_.size(), headings_.size(), layouts_.size()};
        std::set<Break> breaks;
        layRun(chapters, from, to, breaks);
        // With `grow` only a break that adds a page within the run's pages counts, otherwise only one that keeps
        // them and fills the least filled page better. False when there is none.
        auto addBreak = [&](bool grow) {
            const int pages = currentPage();
            std::optional<Break> best;
            qreal bestLeast = grow ? -1 : leastFill(mark.pages);
            for (size_t c = from; c < to; ++c)
                for (size_t b = 1; b < chapters[c].blocks.size(); ++b) {
                    if (chapters[c].blocks[b].kind != BlockKind::Section || breaks.count({c, b}))
                        continue;
                    std::set<Break> trial = breaks;
                    trial.insert({c, b});
                    undo(mark);
                    layRun(chapters, from, to, trial);
                    const bool fits = grow ? currentPage() > pages && currentPage() < end : currentPage() == pages;
                    if (fits && leastFill(mark.pages) > bestLeast) {
                        best = Break{c, b};
                        bestLeast = leastFill(mark.pages);
                    }
                }
            if (best)
                breaks.insert(*best);
            undo(mark);
            layRun(chapters, from, to, breaks);
            return best.has_value();
        };
        if (end < 0)
            return;
        while (currentPage() < end - 1)
            if (!addBreak(true))
                throw GuideError(QStringLiteral("the chapters from \"%1\" end on page %2 and help context %3 opens page "
                                                "%4: pages %5 to %6 would be blank; write more before it")
                                     .arg(chapters[from].heading)
                                     .arg(currentPage() + 1)
                                     .arg(end - ContextPageOffset)
                                     .arg(end + 1)
                                     .arg(currentPage() + 2)
                                     .arg(end));
        if (currentPage() >= end)
            throw GuideError(QStringLiteral("chapter \"%1\" (help context %2) must begin on page %3 but the text before "
                                            "it fills page %4")
                                 .arg(chapters[to].heading)
                                 .arg(chapters[to].context)
                                 .arg(end + 1)
                                 .arg(currentPage() + 1));
        while (addBreak(false)) {
        }
    }

    void layRun(const std::vector<Chapter> &chapters, size_t from, size_t to, const std::set<Break> &breaks)
    {
        for (size_t c = from; c < to; ++c) {
            const Chapter &chapter = chapters[c];
            newPage();
            if (chapter.context >= 0 && currentPage() != chapter.context + ContextPageOffset)
                throw GuideError(QStringLiteral("chapter \"%1\" (help context %2) must begin on page %3, not %4")
                                     .arg(chapter.heading)
                                     .arg(chapter.context)
                                     .arg(chapter.context + ContextPageOffset + 1)
                                     .arg(currentPage() + 1));
            headings_.push_back({chapter.heading, true, currentPage()});
            place(chapter.heading, fonts_.chapter, 0, 1.4, mm(2));
            pages_.back().push_back({Item::Rule, nullptr, 0, QPointF(left(), y_), width()});
            y_ += mm(6);
            for (size_t b = 0; b < chapter.blocks.size(); ++b)
                setBlock(chapter.blocks[b], breaks.count({c, b}) > 0);
        }
    }

    // The height of text on the least filled page from `first` on.
    qreal leastFill(size_t first) const
    {
        qreal least = bottom() - top();
        for (size_t p = first; p < pages_.size(); ++p) {
            qreal end = top();
            for (const Item &item : pages_[p])
                end = std::max(end, item.kind == Item::Rule ? item.at.y()
                                                            : item.at.y() + item.layout->lineAt(item.line).height());
            least = std::min(least, end - top());
        }
        return least;
    }

    // Breaks a laid-out text into lines of the width; returns how many.
    static int setLines(QTextLayout *text, qreal lineWidth)
    {
        text->beginLayout();
        for (QTextLine line = text->createLine(); line.isValid(); line = text->createLine())
            line.setLineWidth(lineWidth);
        text->endLayout();
        return text->lineCount();
    }

    void setBlock(const Block &block, bool pageOfItsOwn)
    {
        switch (block.kind) {
        case BlockKind::Section: {
            y_ += mm(4);
            // A heading never ends a page: it needs room for itself and a line of its text.
            if (pageOfItsOwn || y_ + lineAdvance(fonts_.section, 1.5) + lineAdvance(fonts_.body, 1.7) > bottom())
                newPage();
            headings_.push_back({block.text, false, currentPage()});
            place(block.text, fonts_.section, 0, 1.5, mm(1));
            break;
        }
        case BlockKind::Paragraph: place(block.text, fonts_.body, mm(3), 1.7, mm(1.5)); break;
        case BlockKind::Bullet: {
            const qreal indent = mm(8);
            const Placed first = place(block.text, fonts_.body, indent, 1.7, mm(1));
            std::vector<Item> &page = pages_[first.page];
            const qreal lineTop = page[first.item].at.y();
            QTextLayout *mark = layout(QStringLiteral("・"), fonts_.body);
            setLines(mark, indent);
            page.push_back({Item::TextLine, mark, 0, QPointF(left() + mm(3), lineTop)});
            break;
        }
        case BlockKind::Example: place(block.text, fonts_.example, mm(10), 1.6, mm(1.5)); break;
        }
    }

    struct Placed {
        size_t page = 0, item = 0;
    };

    // Sets text from the current position, breaking pages as needed; returns where its first line went.
    Placed place(const QString &text, const QFont &font, qreal indent, qreal spacing, qreal spaceAfter)
    {
        QTextLayout *block = layout(text, font);
        const qreal advance = lineAdvance(font, spacing);
        const qreal leading = advance - QFontMetricsF(font, device_).height();
        Placed first;
        const int lines = setLines(block, width() - indent);
        for (int i = 0; i < lines; ++i) {
            if (y_ + advance > bottom())
                newPage();
            if (i == 0)
                first = {pages_.size() - 1, pages_.back().size()};
            pages_.back().push_back({Item::TextLine, block, i, QPointF(left() + indent, y_ + leading / 2)});
            y_ += advance;
        }
        y_ += spaceAfter;
        return first;
    }

    QPaintDevice *device_;
    const Fonts &fonts_;
    std::vector<std::unique_ptr<QTextLayout>> layouts_;
    std::vector<std::vector<Item>> pages_;
    std::vector<Heading> headings_;
    qreal y_ = 0;
};

// ---- drawing ------------------------------------------------------------------------------------------

// Where the text's script items begin, as Qt's layout itemizes it: a character of a script other than the item's
// begins one; common and inherited characters (blanks, punctuation, marks) and marks of any script go with the item
// they are in, and those at the start with the first script after them.
std::set<qsizetype> scriptItemStarts(const QString &text)
{
    std::set<qsizetype> starts;
    QChar::Script script = QChar::Script_Common;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char32_t c = text[i].isHighSurrogate() && i + 1 < text.size() ? QChar::surrogateToUcs4(text[i], text[i + 1])
                                                                            : text[i].unicode();
        const QChar::Script next = QChar::script(c);
        const QChar::Category category = QChar::category(c);
        if (next > QChar::Script_Common && next != script && category != QChar::Mark_NonSpacing
            && category != QChar::Mark_SpacingCombining && category != QChar::Mark_Enclosing) {
            if (script > QChar::Script_Common)
                starts.insert(i);
            script = next;
        }
        if (QChar::requiresSurrogates(c))
            ++i;
    }
    return starts;
}

// Draws a laid-out line as QTextLine::draw draws it at position, a glyph run for each stretch of one face within
// one script item, each glyph with what it stands for (DrawGlyphRun), for the PDF's text: the writer would name a
// glyph an ideograph shares with a radical or a compatibility ideograph by the lowest of them (⻑ for 長) and a
// glyph of the ideographic blank by the em space.
void drawLine(QPainter &painter, const QTextLine &line, const QString &text, const QPointF &position)
{
    const int end = line.textStart() + line.textLength();
    QList<int> boundaries;
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    graphemes.setPosition(line.textStart());
    for (int at = line.textStart(); at < end && at >= 0; at = int(graphemes.toNextBoundary()))
        boundaries.append(at);
    boundaries.append(end);
    const std::set<qsizetype> items = scriptItemStarts(text);
    QList<QGlyphRun> runs;
    QList<QStringList> texts;
    for (qsizetype i = 0; i + 1 < boundaries.size();) {
        const int start = boundaries[i];
        const QList<QGlyphRun> clusterRuns = line.glyphRuns(start, boundaries[i + 1] - start);
        // Graphemes drawn with the same glyphs (a ligature) are one cluster.
        for (++i; i + 1 < boundaries.size()
                  && line.glyphRuns(boundaries[i], boundaries[i + 1] - boundaries[i]) == clusterRuns;)
            ++i;
        const QStringView cluster = QStringView(text).sliced(start, std::min(boundaries[i], end) - start);
        const bool itemStarts = items.count(start) > 0;
        for (const QGlyphRun &run : clusterRuns) {
            const QStringList glyphTexts = ClusterGlyphTexts(cluster, run.glyphIndexes().size());
            if (runs.isEmpty() || itemStarts || runs.last().rawFont() != run.rawFont()) {
                runs.append(run);
                texts.append(glyphTexts);
                continue;
            }
            QGlyphRun &joined = runs.last();
            joined.setGlyphIndexes(joined.glyphIndexes() + run.glyphIndexes());
            joined.setPositions(joined.positions() + run.positions());
            joined.setBoundingRect(joined.boundingRect().united(run.boundingRect()));
            texts.last() += glyphTexts;
        }
    }
    for (qsizetype i = 0; i < runs.size(); ++i)
        DrawGlyphRun(painter, position, runs[i], texts[i]);
}

void drawItems(QPainter &painter, const std::vector<Item> &items)
{
    for (const Item &item : items) {
        if (item.kind == Item::Rule) {
            painter.setPen(QPen(Qt::black, mm(0.3)));
            painter.drawLine(item.at, item.at + QPointF(item.length, 0));
            continue;
        }
        const QTextLine line = item.layout->lineAt(item.line);
        // Lines were laid out at the block's origin; move each to its own place on the page.
        painter.setPen(Qt::black);
        drawLine(painter, line, item.layout->text(), item.at - line.position());
    }
}

// A line Qt would set itself with drawText: laid out in the painter's font and drawn where drawText puts it.
void drawLine(QPainter &painter, const QRectF &rect, int flags, const QString &text)
{
    QTextLayout layout(text, painter.font(), painter.device());
    layout.beginLayout();
    const QTextLine line = layout.createLine();
    layout.endLayout();
    drawLine(painter, line, text, painter.boundingRect(rect, flags, text).topLeft() - line.position());
}

void drawCentred(QPainter &painter, const QFont &font, const QString &text, qreal y)
{
    painter.setFont(font);
    drawLine(painter, QRectF(0, y, mm(PageWidthMm), mm(20)), Qt::AlignHCenter | Qt::AlignTop, text);
}

void drawRunningParts(QPainter &painter, const Fonts &fonts, const QString &title, int page)
{
    painter.setPen(Qt::darkGray);
    painter.setFont(fonts.running);
    const QRectF header(mm(MarginLeftMm), mm(14), mm(PageWidthMm - MarginLeftMm - MarginRightMm), mm(6));
    drawLine(painter, header, Qt::AlignRight | Qt::AlignBottom, title);
    painter.setPen(QPen(Qt::darkGray, mm(0.15)));
    painter.drawLine(header.bottomLeft() + QPointF(0, mm(1)), header.bottomRight() + QPointF(0, mm(1)));
    painter.setPen(Qt::black);
    drawCentred(painter, fonts.running, QStringLiteral("― %1 ―").arg(page + 1), mm(PageHeightMm - 16));
}

void write(const Guide &guide, const QString &outputName)
{
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    QPdfWriter writer(&pdf);
    writer.setResolution(Resolution);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setTitle(guide.title);
    writer.setCreator(QStringLiteral("Velmora"));

    const Fonts fonts = loadFonts();
    Typesetter typesetter(&writer, fonts);
    typesetter.setChapters(guide.chapters);
    const std::vector<Item> contentsPage = typesetter.contents(guide.contentsHeading);

    const TDrawnText drawn(writer);
    QPainter painter(&writer);
    if (!painter.isActive())
        throw GuideError(outputName + QStringLiteral(": the PDF cannot be drawn"));
    drawCentred(painter, fonts.title, guide.title, mm(95));
    painter.setPen(QPen(Qt::black, mm(0.5)));
    painter.drawLine(QPointF(mm(50), mm(118)), QPointF(mm(PageWidthMm - 50), mm(118)));
    drawCentred(painter, fonts.subtitle, guide.subtitle, mm(124));
    // The title page is also what F1 opens in the main window and in the windows beside it: it tells where to go.
    for (int i = 0; i < guide.titleNotes.size(); ++i)
        drawCentred(painter, fonts.body, guide.titleNotes[i], mm(225) + i * mm(7));

    writer.newPage();
    drawRunningParts(painter, fonts, guide.title, 1);
    drawItems(painter, contentsPage);
    const auto &pages = typesetter.pages();
    for (size_t i = 0; i < pages.size(); ++i) {
        writer.newPage();
        drawRunningParts(painter, fonts, guide.title, FirstBodyPage + int(i));
        drawItems(painter, pages[i]);
    }
    painter.end();

    const QByteArray bytes = pdf.data();
    QSaveFile output(outputName);
    if (!output.open(QIODevice::WriteOnly) || output.write(bytes) != bytes.size() || !output.commit())
        throw GuideError(outputName + QStringLiteral(": ") + output.errorString());
    try {
        CorrectPdfText(outputName, drawn);
    } catch (const EPrinterError &e) {
        // A guide whose text says other than its pages must not pass for a built one.
        QFile::remove(outputName);
        throw GuideError(QString::fromUtf8(e.what()));
    }
}

}  // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: mkguide <guide.txt> <Mirvale18.pdf>\n");
        return 1;
    }
    try {
        QFile input(QString::fromLocal8Bit(argv[1]));
        if (!input.open(QIODevice::ReadOnly))
            throw GuideError(input.fileName() + QStringLiteral(": ") + input.errorString());
        write(parse(QString::fromUtf8(input.readAll())), QString::fromLocal8Bit(argv[2]));
    } catch (const GuideError &e) {
        std::fprintf(stderr, "mkguide: %s\n", e.what());
        return 1;
    }
    return 0;
}
