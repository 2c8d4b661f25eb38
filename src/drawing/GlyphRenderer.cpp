#include "drawing/GlyphRenderer.h"

#include "base/Fonts.h"

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QPainter>

#include <fontconfig/fontconfig.h>
#include <hb-ot.h>
#include <hb.h>
#include <unicode/uchar.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <unordered_map>

namespace {

// HarfBuzz reads the tables straight from the font Qt already resolved (substitutions included), so the
// shaping and the drawn glyphs always come from the same file.
hb_blob_t *referenceTable(hb_face_t *, hb_tag_t tag, void *userData)
{
    const char name[4] = {char(tag >> 24), char(tag >> 16), char(tag >> 8), char(tag)};
    auto *table = new QByteArray(static_cast<const QRawFont *>(userData)->fontTable(name));
    if (table->isEmpty()) {
        delete table;
        return nullptr;
    }
    return hb_blob_create(table->constData(), static_cast<unsigned>(table->size()), HB_MEMORY_MODE_READONLY,
                          table, [](void *data) { delete static_cast<QByteArray *>(data); });
}

struct TFaceKey {
    QString Family;
    QString Style;
    int Weight;
    int Slant;
    bool operator==(const TFaceKey &) const = default;
};

size_t qHash(const TFaceKey &key, size_t seed = 0)
{
    return qHashMulti(seed, key.Family, key.Style, key.Weight, key.Slant);
}

// One HarfBuzz font per face, scaled to font units; faces live for the run, since a layout uses few of them
// and building one means reading its layout tables again. Every measurement asks for its face, so the key
// is built without making a string. The table outlives the run's static objects too: destroyed at the exit,
// it would leave its faces held by nothing, where a leak check looks.
hb_font_t *faceHarfBuzzFont(const QRawFont &font)
{
    static QMutex mutex;
    static auto &fonts = *new QHash<TFaceKey, hb_font_t *>;
    const TFaceKey key{font.familyName(), font.styleName(), font.weight(), int(font.style())};
    QMutexLocker lock(&mutex);
    if (hb_font_t *known = fonts.value(key))
        return known;
    auto *source = new QRawFont(font);
    hb_face_t *face = hb_face_create_for_tables(referenceTable, source,
                                                [](void *data) { delete static_cast<QRawFont *>(data); });
    const int upem = static_cast<int>(font.unitsPerEm());
    hb_face_set_upem(face, static_cast<unsigned>(upem));
    hb_font_t *hbFont = hb_font_create(face);
    hb_face_destroy(face);
    hb_ot_font_set_funcs(hbFont);
    hb_font_set_scale(hbFont, upem, upem);
    fonts.insert(key, hbFont);
    return hbFont;
}

// The face of each of the last raw fonts a thread measured or drew with (a layout works in a few sizes of a
// face at a time), so most calls neither name the face nor take the lock. A raw font is told by its engine,
// which the copy kept here holds alive, so no other font can take its place. Like the faces, the copies are
// never freed: a font engine freed after the application would reach into font data already gone.
hb_font_t *harfBuzzFont(const QRawFont &font)
{
    struct TKnown {
        QRawFont Font;
        hb_font_t *HarfBuzz = nullptr;
    };
    constexpr size_t Kept = 8;
    thread_local auto *known = new std::array<TKnown, Kept>;
    thread_local size_t next = 0;
    for (const TKnown &k : *known)
        if (k.HarfBuzz && k.Font == font)
            return k.HarfBuzz;
    hb_font_t *hbFont = faceHarfBuzzFont(font);
    (*known)[next] = {font, hbFont};
    next = (next + 1) % Kept;
    return hbFont;
}

bool standsUpright(char32_t c, bool uprightAll)
{
    if (uprightAll)
        return true;
    return u_getIntPropertyValue(static_cast<UChar32>(c), UCHAR_VERTICAL_ORIENTATION) != U_VO_ROTATED;
}

bool takesVerticalForm(char32_t c)
{
    const int orientation = u_getIntPropertyValue(static_cast<UChar32>(c), UCHAR_VERTICAL_ORIENTATION);
    return orientation == U_VO_TRANSFORMED_ROTATED;
}

char32_t codePointAt(QStringView text, qsizetype i)
{
    if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
        return QChar::surrogateToUcs4(text[i], text[i + 1]);
    return text[i].unicode();
}

struct TRun {
    int Start;
    int End;
    bool Upright;
};

QList<TRun> orientationRuns(QStringView text, bool vertical, bool uprightAll)
{
    QList<TRun> runs;
    for (int i = 0; i < text.size();) {
        const char32_t c = codePointAt(text, i);
        const int units = QChar::requiresSurrogates(c) ? 2 : 1;
        const bool upright = vertical && standsUpright(c, uprightAll);
        if (!runs.isEmpty() && runs.last().Upright == upright && runs.last().End == i)
            runs.last().End = i + units;
        else
            runs.append({i, i + units, upright});
        i += units;
    }
    return runs;
}

}  // namespace

double TShapedLine::Length() const { return std::accumulate(Advances.begin(), Advances.end(), 0.0); }

namespace {

// A glyph as HarfBuzz placed it, in font units: the same text shapes the same at every size.
struct TUnitGlyph {
    quint32 Index = 0;
    int Cluster = 0;
    bool Upright = false;
    int Advance = 0;
    int OffsetX = 0;
    int OffsetY = 0;  // down
};

QList<TUnitGlyph> shapeUnits(hb_font_t *hbFont, QStringView text, bool vertical, bool uprightAll)
{
    static const hb_feature_t verticalFeatures[] = {
        {HB_TAG('v', 'e', 'r', 't'), 1, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END},
        {HB_TAG('v', 'r', 't', '2'), 1, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END},
    };
    QList<TUnitGlyph> glyphs;
    hb_buffer_t *buffer = hb_buffer_create();
    for (const TRun &run : orientationRuns(text, vertical, uprightAll)) {
        hb_buffer_clear_contents(buffer);
        hb_buffer_add_utf16(buffer, reinterpret_cast<const uint16_t *>(text.utf16()), static_cast<int>(text.size()),
                            static_cast<unsigned>(run.Start), run.End - run.Start);
        hb_buffer_guess_segment_properties(buffer);
        hb_buffer_set_direction(buffer, run.Upright ? HB_DIRECTION_TTB : HB_DIRECTION_LTR);
        hb_buffer_set_language(buffer, hb_language_from_string("ja", 2));
        hb_shape(hbFont, buffer, run.Upright ? verticalFeatures : nullptr, run.Upright ? 2 : 0);

        unsigned count = 0;
        const hb_glyph_info_t *infos = hb_buffer_get_glyph_infos(buffer, &count);
        const hb_glyph_position_t *positions = hb_buffer_get_glyph_positions(buffer, &count);
        for (unsigned g = 0; g < count; ++g) {
            TUnitGlyph glyph;
            glyph.Index = infos[g].codepoint;
            glyph.Cluster = static_cast<int>(infos[g].cluster);
            glyph.Upright = run.Upright;
            const char32_t c = run.Upright ? codePointAt(text, glyph.Cluster) : 0;
            hb_codepoint_t nominal = 0;
            if (run.Upright && takesVerticalForm(c) && !uprightAll && hb_font_get_nominal_glyph(hbFont, c, &nominal)
                && nominal == glyph.Index) {
                // No vertical form in this font: the character lies sideways as the rotated ones do.
                glyph.Upright = false;
                glyph.Advance = hb_font_get_glyph_h_advance(hbFont, glyph.Index);
            } else {
                glyph.Advance = run.Upright ? -positions[g].y_advance : positions[g].x_advance;
                glyph.OffsetX = positions[g].x_offset;
                glyph.OffsetY = -positions[g].y_offset;
            }
            glyphs.append(glyph);
        }
    }
    hb_buffer_destroy(buffer);
    return glyphs;
}

struct TShapeKey {
    hb_font_t *Font;
    bool Vertical;
    bool UprightAll;
    QString Text;
};

// The texts are looked up by view, so a text already shaped is found without copying it.
struct TShapeView {
    hb_font_t *Font;
    bool Vertical;
    bool UprightAll;
    QStringView Text;
};

struct TShapeHash {
    using is_transparent = void;
    size_t operator()(const TShapeView &key) const
    {
        return qHashMulti(0, key.Font, key.Vertical, key.UprightAll, key.Text);
    }
    size_t operator()(const TShapeKey &key) const { return (*this)(TShapeView{key.Font, key.Vertical, key.UprightAll, key.Text}); }
};

struct TShapeEqual {
    using is_transparent = void;
    static TShapeView view(const TShapeKey &key) { return {key.Font, key.Vertical, key.UprightAll, key.Text}; }
    static const TShapeView &view(const TShapeView &key) { return key; }
    template <class A, class B> bool operator()(const A &a, const B &b) const
    {
        const TShapeView &x = view(a), &y = view(b);
        return x.Font == y.Font && x.Vertical == y.Vertical && x.UprightAll == y.UprightAll && x.Text == y.Text;
    }
};

// Layouts measure the same texts again and again (every fitting step, every column, the unit character), so
// each thread keeps the texts it has shaped; the table starts afresh when it has grown large.
const QList<TUnitGlyph> &shapedUnits(hb_font_t *hbFont, QStringView text, bool vertical, bool uprightAll)
{
    constexpr size_t MaxTexts = 4096;
    thread_local std::unordered_map<TShapeKey, QList<TUnitGlyph>, TShapeHash, TShapeEqual> shaped;
    if (const auto known = shaped.find(TShapeView{hbFont, vertical, uprightAll, text}); known != shaped.end())
        return known->second;
    if (shaped.size() >= MaxTexts)
        shaped.clear();
    QList<TUnitGlyph> glyphs = shapeUnits(hbFont, text, vertical, uprightAll);
    return shaped.emplace(TShapeKey{hbFont, vertical, uprightAll, text.toString()}, std::move(glyphs)).first->second;
}

}  // namespace

namespace {

// The family fontconfig offers for a character a face lacks, in its order of likeness to that face (a
// mincho's serif CJK face before a gothic one); empty when no installed face has it. Asked once per face and
// character, since fontconfig sorts every installed face for each question.
QString fallbackFamily(const QRawFont &font, char32_t c)
{
    static QMutex mutex;
    static QHash<QPair<QString, char32_t>, QString> known;
    const QPair<QString, char32_t> key(font.familyName(), c);
    QMutexLocker lock(&mutex);
    if (const auto found = known.constFind(key); found != known.constEnd())
        return *found;
    QString family;
    FcPattern *pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8 *>(key.first.toUtf8().constData()));
    FcCharSet *wanted = FcCharSetCreate();
    FcCharSetAddChar(wanted, c);
    FcPatternAddCharSet(pattern, FC_CHARSET, wanted);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    if (FcFontSet *sorted = FcFontSort(nullptr, pattern, FcFalse, nullptr, &result)) {
        for (int i = 0; i < sorted->nfont && family.isEmpty(); ++i) {
            FcCharSet *has = nullptr;
            FcChar8 *name = nullptr;
            if (FcPatternGetCharSet(sorted->fonts[i], FC_CHARSET, 0, &has) == FcResultMatch && FcCharSetHasChar(has, c)
                && FcPatternGetString(sorted->fonts[i], FC_FAMILY, 0, &name) == FcResultMatch)
                family = QString::fromUtf8(reinterpret_cast<const char *>(name));
            // A copy of a face stands in for nothing: the face itself does.
            if (IsFaceCopy(family))
                family.clear();
        }
        FcFontSetDestroy(sorted);
    }
    FcCharSetDestroy(wanted);
    FcPatternDestroy(pattern);
    known.insert(key, family);
    return family;
}

// The face Qt resolves family to, at the pixel size, weight and slant of font (emboldened or slanted as font is
// where the face has no such style of its own).
QRawFont sizedFace(const QRawFont &font, const QString &family)
{
    thread_local QHash<QString, QRawFont> faces;  // by family, weight, slant and size
    const QString key = family + u'|' + QString::number(font.weight()) + u'|' + QString::number(int(font.style()))
                        + u'|' + QString::number(font.pixelSize());
    QRawFont &face = faces[key];
    if (!face.isValid()) {
        QFont wanted(family);
        wanted.setWeight(QFont::Weight(font.weight()));
        wanted.setStyle(font.style());
        wanted.setPixelSize(std::max(1, int(std::lround(font.pixelSize()))));
        face = QRawFont::fromFont(wanted);
        face.setPixelSize(font.pixelSize());
    }
    return face;
}

// The face of family that has c, as sizedFace gives it; invalid when Qt resolves the family to a face without it.
QRawFont fallbackFace(const QRawFont &font, const QString &family, char32_t c)
{
    const QRawFont face = sizedFace(font, family);
    return face.supportsCharacter(c) ? face : QRawFont();
}

// Characters that belong to the one before them and so go with its face: marks, joiners, variation selectors,
// skin tones, and whatever a zero-width joiner joins on.
bool ridesAlong(char32_t c, char32_t previous)
{
    const int category = u_charType(static_cast<UChar32>(c));
    return category == U_NON_SPACING_MARK || category == U_ENCLOSING_MARK || category == U_COMBINING_SPACING_MARK
           || c == 0x200D || previous == 0x200D || (c >= 0xFE00 && c <= 0xFE0F) || (c >= 0xE0100 && c <= 0xE01EF)
           || (c >= 0x1F3FB && c <= 0x1F3FF);
}

struct TFaceRun {
    int Start;
    int End;
    int Fallback;  // -1: the line's own face
};

// The text split where the face that can draw it changes.
QList<TFaceRun> faceRuns(const QRawFont &font, QStringView text, QList<QRawFont> &fallbacks)
{
    hb_font_t *own = harfBuzzFont(font);
    QList<TFaceRun> runs;
    char32_t previous = 0;
    for (int i = 0; i < text.size();) {
        const char32_t c = codePointAt(text, i);
        const int units = QChar::requiresSurrogates(c) ? 2 : 1;
        int fallback = runs.isEmpty() ? -1 : runs.last().Fallback;
        hb_codepoint_t glyph = 0;
        if (!ridesAlong(c, previous)) {
            fallback = -1;
            if (u_isgraph(static_cast<UChar32>(c)) && !hb_font_get_nominal_glyph(own, c, &glyph)) {
                const QString family = fallbackFamily(font, c);
                const QRawFont face = family.isEmpty() ? QRawFont() : fallbackFace(font, family, c);
                if (face.isValid()) {
                    fallback = int(fallbacks.indexOf(face));
                    if (fallback < 0) {
                        fallback = int(fallbacks.size());
                        fallbacks.append(face);
                    }
                }
            }
        }
        if (!runs.isEmpty() && runs.last().Fallback == fallback)
            runs.last().End = i + units;
        else
            runs.append({i, i + units, fallback});
        previous = c;
        i += units;
    }
    return runs;
}

}  // namespace

TShapedLine ShapeLine(const QRawFont &font, QStringView text, bool vertical, bool uprightAll)
{
    TShapedLine line;
    line.Font = font;
    line.Vertical = vertical;
    line.Advances.fill(0.0, text.size());
    line.Ascent = static_cast<int>(std::lround(font.ascent()));
    line.Descent = static_cast<int>(std::lround(font.descent()));
    if (text.isEmpty() || !font.isValid())
        return line;

    const QList<TFaceRun> runs = faceRuns(font, text, line.Fallbacks);
    for (const TFaceRun &run : runs) {
        const QRawFont &face = run.Fallback < 0 ? font : line.Fallbacks[run.Fallback];
        const double scale = face.pixelSize() / face.unitsPerEm();
        const QStringView part = text.sliced(run.Start, run.End - run.Start);
        const QList<TUnitGlyph> &units = shapedUnits(harfBuzzFont(face), part, vertical, uprightAll);
        line.Glyphs.reserve(line.Glyphs.size() + units.size());
        int lastCluster = -1;
        double inCluster = 0;
        for (const TUnitGlyph &unit : units) {
            TShapedGlyph glyph;
            glyph.Index = unit.Index;
            glyph.Cluster = run.Start + unit.Cluster;
            glyph.Upright = unit.Upright;
            glyph.Fallback = run.Fallback;
            glyph.Offset = QPointF(unit.OffsetX * scale, unit.OffsetY * scale);
            const double advance = unit.Advance * scale;
            inCluster = unit.Cluster == lastCluster ? inCluster : 0;
            glyph.InCluster = inCluster;
            inCluster += advance;
            lastCluster = unit.Cluster;
            line.Advances[glyph.Cluster] += advance;
            line.Glyphs.append(glyph);
        }
    }
    return line;
}

namespace {

// One character of the basic plane as a text that shares a table made once: a page draws tens of thousands of
// glyphs, each with the character it stands for, and none of them allocates. The table is never freed, since
// the records of drawn text hold its characters as long as they live.
QString characterText(char16_t c)
{
    static const char16_t *const characters = [] {
        auto *table = new char16_t[0x10000];
        for (char32_t k = 0; k < 0x10000; ++k)
            table[k] = char16_t(k);
        return table;
    }();
    return QString::fromRawData(reinterpret_cast<const QChar *>(&characters[c]), 1);
}

// Appends what each of the glyphs a cluster of text is drawn with stands for (ClusterGlyphTexts).
void appendClusterTexts(QStringList &texts, QStringView cluster, qsizetype glyphs)
{
    if (glyphs <= 0)
        return;
    qsizetype characters = 0;
    for (qsizetype i = 0; i < cluster.size(); ++i, ++characters)
        if (cluster[i].isHighSurrogate() && i + 1 < cluster.size() && cluster[i + 1].isLowSurrogate())
            ++i;
    if (characters != glyphs) {
        texts.append(cluster.toString());
        for (qsizetype i = 1; i < glyphs; ++i)
            texts.append(QString());
        return;
    }
    for (qsizetype i = 0; i < cluster.size(); ++i) {
        if (cluster[i].isHighSurrogate() && i + 1 < cluster.size() && cluster[i + 1].isLowSurrogate()) {
            texts.append(cluster.sliced(i, 2).toString());
            ++i;
        } else {
            texts.append(characterText(cluster[i].unicode()));
        }
    }
}

}  // namespace

QList<TPlacedRun> PlaceLine(const TShapedLine &line, QStringView text, const QList<double> &starts, double widthScale)
{
    // Glyphs lying along the line are drawn in the line frame narrowed by widthScale; upright glyphs of a
    // vertical line in that frame turned a quarter back, so they stand in the column with x across it.
    const QTransform alongLine = QTransform::fromScale(widthScale, 1);
    const QTransform inColumn = QTransform().rotate(-90) * alongLine;
    const double columnCentre = -line.CellHeight() / 2.0;
    // A run for each stretch of one face and one direction, in the order of the text, so that a PDF's text
    // reads in that order; almost every line is one run.
    QList<TPlacedRun> runs;
    QList<quint32> indexes;
    QList<QPointF> positions;
    QStringList texts;
    // A cluster runs to the start of the next one, in the order of the text.
    QList<int> clusterStarts;
    for (const TShapedGlyph &glyph : line.Glyphs)
        clusterStarts.append(glyph.Cluster);
    std::sort(clusterStarts.begin(), clusterStarts.end());
    QStringList glyphTexts;
    glyphTexts.reserve(line.Glyphs.size());
    for (qsizetype first = 0; first < line.Glyphs.size();) {
        const int cluster = line.Glyphs[first].Cluster;
        qsizetype end = first + 1;
        while (end < line.Glyphs.size() && line.Glyphs[end].Cluster == cluster)
            ++end;
        const auto next = std::upper_bound(clusterStarts.cbegin(), clusterStarts.cend(), cluster);
        const qsizetype textEnd = std::min(next == clusterStarts.cend() ? text.size() : qsizetype(*next), text.size());
        appendClusterTexts(glyphTexts, cluster < textEnd ? text.sliced(cluster, textEnd - cluster) : QStringView(),
                           end - first);
        first = end;
    }
    int runFace = 0;
    bool runUpright = false;
    const auto flush = [&] {
        if (indexes.isEmpty())
            return;
        TPlacedRun placed;
        placed.Run.setRawFont(runFace < 0 ? line.Font : line.Fallbacks[runFace]);
        placed.Run.setGlyphIndexes(indexes);
        placed.Run.setPositions(positions);
        placed.Transform = runUpright ? inColumn : alongLine;
        placed.Texts = texts;
        runs.append(placed);
        indexes.clear();
        positions.clear();
        texts.clear();
    };
    for (qsizetype g = 0; g < line.Glyphs.size(); ++g) {
        const TShapedGlyph &glyph = line.Glyphs[g];
        if (!indexes.isEmpty() && (glyph.Fallback != runFace || glyph.Upright != runUpright))
            flush();
        runFace = glyph.Fallback;
        runUpright = glyph.Upright;
        const double pen = (glyph.Cluster < starts.size() ? starts[glyph.Cluster] : 0) / widthScale + glyph.InCluster;
        indexes.append(glyph.Index);
        texts.append(glyphTexts[g]);
        positions.append(glyph.Upright ? QPointF(columnCentre + glyph.Offset.x(), pen + glyph.Offset.y())
                                       : QPointF(pen + glyph.Offset.x(), line.Ascent + glyph.Offset.y()));
    }
    flush();
    return runs;
}

QStringList ClusterGlyphTexts(QStringView cluster, qsizetype glyphs)
{
    QStringList texts;
    appendClusterTexts(texts, cluster, glyphs);
    return texts;
}

// ---- What drawn glyphs stand for ----

namespace {

QMutex recordsMutex;
QHash<const QPaintDevice *, TDrawnText *> records;  // the record of each device that has one

TDrawnText *recordOn(const QPaintDevice *device)
{
    QMutexLocker lock(&recordsMutex);
    return device ? records.value(device) : nullptr;
}

// The PostScript name of the face, as a PDF's BaseFont gives it: read once per face, since every run asks.
QString faceName(const QRawFont &font)
{
    static QMutex mutex;
    static QHash<hb_font_t *, QString> names;
    hb_font_t *face = harfBuzzFont(font);
    QMutexLocker lock(&mutex);
    auto name = names.constFind(face);
    if (name == names.constEnd())
        name = names.insert(face, FaceNameString(font, 6));
    return *name;
}

// The family and PostScript name of the copy-th copy of the face named name: name_2 for the first.
QString copyName(const QString &name, int copy) { return name + u'_' + QString::number(copy + 1); }

// The copy-th copy of face, named name, at face's size; made once for the run, and invalid when it cannot be
// made or Qt does not resolve its family to it.
QRawFont faceCopy(const QRawFont &face, const QString &name, int copy)
{
    static QMutex mutex;
    static QHash<QString, bool> made;  // by family: whether the copy is there to draw with
    const QString family = copyName(name, copy);
    QMutexLocker lock(&mutex);
    auto known = made.constFind(family);
    if (known == made.constEnd())
        known = made.insert(family, AddFaceCopy(face, family) && FaceNameString(sizedFace(face, family), 6) == family);
    return *known ? sizedFace(face, family) : QRawFont();
}

}  // namespace

TDrawnText::TDrawnText(const QPaintDevice &device) : device_(&device)
{
    QMutexLocker lock(&recordsMutex);
    records.insert(device_, this);
}

TDrawnText::~TDrawnText()
{
    QMutexLocker lock(&recordsMutex);
    if (records.value(device_) == this)
        records.remove(device_);
}

TFaceText TDrawnText::Face(const QString &postScriptName) const
{
    if (const auto face = faces_.constFind(postScriptName); face != faces_.constEnd())
        return face->front();
    for (auto face = faces_.constBegin(); face != faces_.constEnd(); ++face)
        for (int copy = 1; copy < face->size(); ++copy)
            if (copyName(face.key(), copy) == postScriptName)
                return (*face)[copy];
    return TFaceText();
}

QList<int> TDrawnText::record(const QRawFont &font, const QString &name, const QList<quint32> &glyphs,
                              const QStringList &texts)
{
    QList<TFaceText> &fonts = faces_[name];
    if (fonts.isEmpty())
        fonts.append({font, {}});
    QList<int> drawnWith(glyphs.size(), 0);
    for (qsizetype i = 0; i < glyphs.size() && i < texts.size(); ++i) {
        if (texts[i].isEmpty())
            continue;
        // The font that stands for this text with the glyph, else the first that stands for nothing with it, else
        // a new copy.
        int free = -1;
        int with = 0;
        for (; with < fonts.size(); ++with) {
            const auto known = fonts[with].Texts.constFind(glyphs[i]);
            if (known == fonts[with].Texts.constEnd()) {
                if (free < 0)
                    free = with;
            } else if (*known == texts[i]) {
                break;
            }
        }
        if (with == fonts.size()) {
            with = free;
            if (with < 0) {
                const QRawFont copy = faceCopy(fonts.front().Font, name, int(fonts.size()));
                if (!copy.isValid())
                    continue;  // drawn with the face, which says its first text for the glyph
                with = int(fonts.size());
                fonts.append({copy, {}});
            }
            fonts[with].Texts.insert(glyphs[i], texts[i]);
        }
        drawnWith[i] = with;
    }
    return drawnWith;
}

void DrawGlyphRun(QPainter &painter, const QPointF &position, const QGlyphRun &run, const QStringList &texts)
{
    TDrawnText *drawn = recordOn(painter.device());
    const QRawFont font = run.rawFont();
    if (!drawn || !font.isValid()) {
        painter.drawGlyphRun(position, run);
        return;
    }
    const QString name = faceName(font);
    const QList<quint32> glyphs = run.glyphIndexes();
    const QList<int> drawnWith = drawn->record(font, name, glyphs, texts);
    if (std::all_of(drawnWith.begin(), drawnWith.end(), [](int with) { return with == 0; })) {
        painter.drawGlyphRun(position, run);
        return;
    }
    const QList<QPointF> positions = run.positions();
    for (qsizetype start = 0; start < glyphs.size();) {
        qsizetype end = start + 1;
        while (end < glyphs.size() && drawnWith[end] == drawnWith[start])
            ++end;
        QGlyphRun part = run;
        if (drawnWith[start] > 0)
            part.setRawFont(sizedFace(font, copyName(name, drawnWith[start])));
        part.setGlyphIndexes(glyphs.mid(start, end - start));
        part.setPositions(positions.mid(start, end - start));
        painter.drawGlyphRun(position, part);
        start = end;
    }
}
