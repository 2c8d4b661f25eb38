#include "base/Fonts.h"

#include <QGuiApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QMap>
#include <QMutex>
#include <QRawFont>
#include <QSet>
#include <QStringList>
#include <QtEndian>

#include <algorithm>

namespace {

QString defaultFace() { return QStringLiteral("ＭＳ 明朝"); }

QString withoutVerticalMark(const QString &face) { return face.startsWith(u'@') ? face.mid(1) : face; }

// Any face name makes a font (the font mapper picks the nearest installed face), so the one name no font
// can be made from is a blank one; only then the default face stands in.
QString usableFace(const QString &face)
{
    return withoutVerticalMark(face).trimmed().isEmpty() ? defaultFace() : face;
}

// The installed Japanese gothic faces, in the order they are preferred. Each has Latin letters, digits, kana
// and kanji of one design.
QStringList gothicFaces() { return {QStringLiteral("IPAexGothic"), QStringLiteral("Noto Sans CJK JP")}; }

int charsetOf(const QString &family, bool moreCharsets)
{
    const QList<QFontDatabase::WritingSystem> systems = QFontDatabase::writingSystems(family);
    if (systems.contains(QFontDatabase::Japanese))
        return SHIFTJIS_CHARSET;
    if (systems.contains(QFontDatabase::Latin))
        return ANSI_CHARSET;
    if (moreCharsets && systems.contains(QFontDatabase::Symbol))
        return SYMBOL_CHARSET;
    return -1;
}

// ---- Copies of a face under a name of their own ----

// The font tables a copy takes over as they are: all but the naming table, which it
// gets its own, and the signature, which the copy no longer matches.
constexpr const char *CopiedTables[] = {
    "avar", "BASE", "CBDT", "CBLC", "CFF ", "CFF2", "cmap", "COLR", "CPAL", "cvar", "cvt ", "EBDT", "EBLC",
    "EBSC", "fpgm", "fvar", "gasp", "GDEF", "glyf", "GPOS", "GSUB", "gvar", "hdmx", "head", "hhea", "hmtx",
    "HVAR", "JSTF", "kern", "loca", "LTSH", "MATH", "maxp", "MERG", "meta", "MVAR", "OS/2", "PCLT", "post",
    "prep", "sbix", "STAT", "SVG ", "VDMX", "vhea", "vmtx", "VORG", "VVAR",
};

void append16(QByteArray &bytes, quint16 value)
{
    const char big[2] = {char(value >> 8), char(value)};
    bytes.append(big, 2);
}

void append32(QByteArray &bytes, quint32 value)
{
    append16(bytes, quint16(value >> 16));
    append16(bytes, quint16(value));
}

// A naming table of the strings given by identifier, each in the Windows Unicode encoding for US English.
QByteArray namingTable(const QMap<quint16, QString> &names)
{
    QByteArray table;
    QByteArray strings;
    append16(table, 0);
    append16(table, quint16(names.size()));
    append16(table, quint16(6 + 12 * names.size()));
    for (auto name = names.constBegin(); name != names.constEnd(); ++name) {
        QByteArray utf16(name.value().size() * 2, '\0');
        qToBigEndian<quint16>(name.value().utf16(), name.value().size(), utf16.data());
        for (const quint16 field : {quint16(3), quint16(1), quint16(0x409), name.key(), quint16(utf16.size()),
                                    quint16(strings.size())})
            append16(table, field);
        strings += utf16;
    }
    return table + strings;
}

quint32 tableChecksum(const QByteArray &table)
{
    quint32 sum = 0;
    for (qsizetype at = 0; at < table.size(); at += 4) {
        char word[4] = {};
        std::copy_n(table.constData() + at, std::min<qsizetype>(4, table.size() - at), word);
        sum += qFromBigEndian<quint32>(word);
    }
    return sum;
}

// A font file of the tables as OpenType lays them out: the directory sorted by tag, each table from a multiple
// of four bytes.
QByteArray fontFile(const QMap<QByteArray, QByteArray> &tables)
{
    const quint16 count = quint16(tables.size());
    quint16 searchRange = 1;
    quint16 entrySelector = 0;
    while (searchRange * 2 <= count) {
        searchRange *= 2;
        ++entrySelector;
    }
    QByteArray file;
    const bool outlinesInCff = tables.contains("CFF ") || tables.contains("CFF2");
    append32(file, outlinesInCff ? 0x4F54544F : 0x00010000);
    for (const quint16 field : {count, quint16(searchRange * 16), entrySelector, quint16(count * 16 - searchRange * 16)})
        append16(file, field);
    QByteArray data;
    const qsizetype dataStart = 12 + 16 * qsizetype(count);
    for (auto table = tables.constBegin(); table != tables.constEnd(); ++table) {
        file += table.key();
        append32(file, tableChecksum(table.value()));
        append32(file, quint32(dataStart + data.size()));
        append32(file, quint32(table.value().size()));
        data += table.value();
        data.append((4 - data.size() % 4) % 4, '\0');
    }
    return file + data;
}

QMutex copiesMutex;
QSet<QString> copies;

}  // namespace

QString FaceNameString(const QRawFont &face, int id)
{
    const QByteArray table = face.fontTable("name");
    const auto u16 = [&table](qsizetype at) {
        return at + 2 <= table.size() ? qFromBigEndian<quint16>(table.constData() + at) : quint16(0);
    };
    const int count = u16(2);
    const qsizetype strings = u16(4);
    for (int i = 0; i < count; ++i) {
        const qsizetype record = 6 + 12 * qsizetype(i);
        const quint16 platform = u16(record);
        if (u16(record + 6) != id || (platform != 1 && platform != 3))
            continue;
        const qsizetype length = u16(record + 8);
        const qsizetype offset = strings + u16(record + 10);
        if (offset + length > table.size())
            continue;
        if (platform == 1)
            return QString::fromLatin1(table.constData() + offset, length);
        QString name;
        for (qsizetype at = offset; at + 1 < offset + length; at += 2)
            name.append(QChar(u16(at)));
        return name;
    }
    return QString();
}

bool AddFaceCopy(const QRawFont &face, const QString &family)
{
    QMap<QByteArray, QByteArray> tables;
    for (const char *tag : CopiedTables)
        if (const QByteArray table = face.fontTable(tag); !table.isEmpty())
            tables.insert(tag, table);
    QString style = FaceNameString(face, 2);
    if (style.isEmpty())
        style = QStringLiteral("Regular");
    tables.insert("name", namingTable({{1, family}, {2, style}, {4, family + u' ' + style}, {6, family}}));
    const int id = QFontDatabase::addApplicationFontFromData(fontFile(tables));
    if (id < 0)
        return false;
    if (QFontDatabase::applicationFontFamilies(id) != QStringList{family}) {
        QFontDatabase::removeApplicationFont(id);
        return false;
    }
    QMutexLocker lock(&copiesMutex);
    copies.insert(family);
    return true;
}

bool IsFaceCopy(const QString &family)
{
    QMutexLocker lock(&copiesMutex);
    return copies.contains(family);
}

QList<TFontFace> ListFontNames(bool fixedPitchOnly, bool moreCharsets)
{
    // The database hands the families out sorted without regard to case and once each.
    QList<TFontFace> faces;
    for (const QString &family : QFontDatabase::families()) {
        if (family.startsWith(u'@') || QFontDatabase::isPrivateFamily(family) || !QFontDatabase::isScalable(family)
            || IsFaceCopy(family))
            continue;
        if (fixedPitchOnly && !QFontDatabase::isFixedPitch(family))
            continue;
        const int charset = charsetOf(family, moreCharsets);
        if (charset >= 0)
            faces.append({family, charset});
    }
    return faces;
}

void MakeVerticalFont(TLogFont &font)
{
    QString face = usableFace(font.Font.family());
    if (font.Charset == SHIFTJIS_CHARSET && !face.startsWith(u'@'))
        face.prepend(u'@');
    font.Font.setFamily(face);
    font.Escapement = 2700;
    font.Orientation = 2700;
}

void MakeHorizontalFont(TLogFont &font)
{
    font.Font.setFamily(usableFace(withoutVerticalMark(font.Font.family())));
    font.Escapement = 0;
    font.Orientation = 0;
}

void SetFontWidthRatio(TLogFont &font, double ratio, const QPaintDevice *device)
{
    if (ratio == 0 || ratio == 1) {
        font.Width = 0;
        return;
    }
    // Measured on the natural face, not on a width set before, so applying a ratio twice does not compound.
    const QFontMetrics metrics = device ? QFontMetrics(font.Font, device) : QFontMetrics(font.Font);
    font.Width = static_cast<int>(metrics.averageCharWidth() * ratio + 0.5);
}

void RotateFont180(TLogFont &font)
{
    font.Escapement += font.Escapement < 1800 ? 1800 : -1800;
    font.Orientation = font.Escapement;
}

bool SetFontSpec(TLogFont *font, int charset, const QString &face, int styleBits, int size)
{
    if (!font)
        return false;
    font->Charset = charset;
    font->Font.setFamily(face);
    font->Font.setPointSize(size);
    font->Font.setBold(styleBits & 1);
    font->Font.setItalic(styleBits & 2);
    font->Font.setUnderline(styleBits & 4);
    font->Font.setStrikeOut(styleBits & 8);
    return true;
}

int GetFontStyleBits(const TLogFont &font)
{
    return (font.Font.bold() ? 1 : 0) | (font.Font.italic() ? 2 : 0) | (font.Font.underline() ? 4 : 0)
           | (font.Font.strikeOut() ? 8 : 0);
}

void InstallFontSubstitutions()
{
    const QStringList mincho{QStringLiteral("IPAexMincho"), QStringLiteral("Noto Serif CJK JP")};
    const QStringList gothic = gothicFaces();
    const struct {
        QString face;
        const QStringList &substitutes;
    } faces[] = {
        {QStringLiteral("ＭＳ 明朝"), mincho},
        {QStringLiteral("ＭＳ Ｐ明朝"), mincho},
        {QStringLiteral("ＭＳ ゴシック"), gothic},
        {QStringLiteral("ＭＳ Ｐゴシック"), gothic},
    };
    // Substitutes already known are not added again, so a second call leaves the table as it is.
    for (const auto &entry : faces) {
        QFont::insertSubstitutions(entry.face, entry.substitutes);
        QFont::insertSubstitutions(u'@' + entry.face, entry.substitutes);
    }
}

void InstallUiFont()
{
    // Left to the system's fallback, Latin letters and digits would come from a Latin face and kana and kanji
    // from another, so one line of text would mix two designs and two heights.
    const QStringList installed = QFontDatabase::families();
    for (const QString &face : gothicFaces()) {
        if (!installed.contains(face))
            continue;
        QFont font = QGuiApplication::font();
        font.setFamilies({face});
        QGuiApplication::setFont(font);
        return;
    }
}
