#include "base/Fonts.h"

#include <QGuiApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QStringList>

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

}  // namespace

QList<TFontFace> ListFontNames(bool fixedPitchOnly, bool moreCharsets)
{
    // The database hands the families out sorted without regard to case and once each.
    QList<TFontFace> faces;
    for (const QString &family : QFontDatabase::families()) {
        if (family.startsWith(u'@') || QFontDatabase::isPrivateFamily(family) || !QFontDatabase::isScalable(family))
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
