// The font value's helpers and the mapping of the program's Japanese faces onto installed ones.
#include "base/Fonts.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QRawFont>

#include <gtest/gtest.h>

TEST(Fonts, VerticalFaceRoundTripsOnlyForShiftJisAndBlankFaceFallsBackToMincho)
{
    TLogFont font;
    SetFontSpec(&font, SHIFTJIS_CHARSET, QStringLiteral("ＭＳ 明朝"), 0, 12);
    MakeVerticalFont(font);
    MakeVerticalFont(font);
    EXPECT_EQ(font.Font.family(), QStringLiteral("@ＭＳ 明朝"));
    EXPECT_EQ(font.Escapement, 2700);
    EXPECT_EQ(font.Orientation, 2700);
    MakeHorizontalFont(font);
    EXPECT_EQ(font.Font.family(), QStringLiteral("ＭＳ 明朝"));
    EXPECT_EQ(font.Escapement, 0);
    EXPECT_EQ(font.Orientation, 0);

    font.Font.setFamily(QStringLiteral("@"));
    MakeVerticalFont(font);
    EXPECT_EQ(font.Font.family(), QStringLiteral("@ＭＳ 明朝"));

    SetFontSpec(&font, ANSI_CHARSET, QStringLiteral("Arial"), 0, 10);
    MakeVerticalFont(font);
    EXPECT_EQ(font.Font.family(), QStringLiteral("Arial"));
    EXPECT_EQ(font.Escapement, 2700);
}

TEST(Fonts, RotateFont180TurnsBothWays)
{
    TLogFont font;
    font.Escapement = 900;
    RotateFont180(font);
    EXPECT_EQ(font.Orientation, 2700);
    font.Escapement = 1800;
    RotateFont180(font);
    EXPECT_EQ(font.Escapement, 0);
    EXPECT_EQ(font.Orientation, 0);
}

TEST(Fonts, StyleBitsRoundTripAndNullFontIsRefused)
{
    for (int bits = 0; bits < 16; ++bits) {
        TLogFont font;
        ASSERT_TRUE(SetFontSpec(&font, SHIFTJIS_CHARSET, QStringLiteral("ＭＳ ゴシック"), bits, 9));
        EXPECT_EQ(GetFontStyleBits(font), bits);
    }
    EXPECT_FALSE(SetFontSpec(nullptr, ANSI_CHARSET, QStringLiteral("Arial"), 1, 9));
}

TEST(Fonts, WidthRatioScalesNaturalAverageWidthOnTheGivenDevice)
{
    InstallFontSubstitutions();
    TLogFont font;
    SetFontSpec(&font, SHIFTJIS_CHARSET, QStringLiteral("ＭＳ 明朝"), 0, 12);
    const int screenAverage = QFontMetrics(font.Font).averageCharWidth();
    SetFontWidthRatio(font, 0.5);
    SetFontWidthRatio(font, 0.5);
    EXPECT_NEAR(font.Width, screenAverage * 0.5, 1);
    EXPECT_GT(font.Width, 0);

    QImage printerLike(10, 10, QImage::Format_RGB32);
    printerLike.setDotsPerMeterX(qRound(600 / 0.0254));
    printerLike.setDotsPerMeterY(qRound(600 / 0.0254));
    SetFontWidthRatio(font, 0.5, &printerLike);
    EXPECT_NEAR(font.Width, QFontMetrics(font.Font, &printerLike).averageCharWidth() * 0.5, 1);
    EXPECT_GT(font.Width, 4 * screenAverage * 0.5);

    SetFontWidthRatio(font, 1);
    EXPECT_EQ(font.Width, 0);
    font.Width = 7;
    SetFontWidthRatio(font, 0);
    EXPECT_EQ(font.Width, 0);
}

TEST(Fonts, ListOffersJapaneseFacesAsShiftJisAndNoVerticalNames)
{
    int japaneseCharset = -1;
    for (const TFontFace &face : ListFontNames(false, false)) {
        EXPECT_FALSE(face.Name.startsWith(u'@')) << face.Name.toStdString();
        if (face.Name == QStringLiteral("IPAexMincho"))
            japaneseCharset = face.Charset;
    }
    EXPECT_EQ(japaneseCharset, SHIFTJIS_CHARSET);
    for (const TFontFace &face : ListFontNames(true, true))
        EXPECT_TRUE(QFontDatabase::isFixedPitch(face.Name)) << face.Name.toStdString();
}

TEST(Fonts, ProgramFacesResolveToInstalledJapaneseFaces)
{
    InstallFontSubstitutions();
    InstallFontSubstitutions();
    EXPECT_EQ(QFont::substitutes(QStringLiteral("ＭＳ 明朝")).size(), 2);
    EXPECT_EQ(QFontInfo(QFont(QStringLiteral("ＭＳ 明朝"))).family(), QStringLiteral("IPAexMincho"));
    EXPECT_EQ(QFontInfo(QFont(QStringLiteral("@ＭＳ 明朝"))).family(), QStringLiteral("IPAexMincho"));
    EXPECT_EQ(QFontInfo(QFont(QStringLiteral("ＭＳ Ｐゴシック"))).family(), QStringLiteral("IPAexGothic"));
}

TEST(Fonts, TheUiFontIsOneJapaneseFaceForLatinDigitsKanaAndKanji)
{
    const QFont saved = QApplication::font();
    InstallUiFont();
    const QFont font = QApplication::font();
    EXPECT_EQ(font.pointSizeF(), saved.pointSizeF());
    // What a selected list row holds: a company name with a number, an address with a full-width digit.
    const QFontInfo info(font);
    const QRawFont face = QRawFont::fromFont(font);
    for (const QString &text : {QStringLiteral("株式会社サンプル10"), QStringLiteral("東京都千代田区丸の内２丁目"),
                                QStringLiteral("0235-57-1870 No.")}) {
        for (const QChar c : text)
            EXPECT_TRUE(face.supportsCharacter(c)) << info.family().toStdString() << " lacks " << QString(c).toStdString();
    }
    EXPECT_TRUE(info.family() == QStringLiteral("IPAexGothic") || info.family() == QStringLiteral("Noto Sans CJK JP"))
        << info.family().toStdString();
    QApplication::setFont(saved);
}
