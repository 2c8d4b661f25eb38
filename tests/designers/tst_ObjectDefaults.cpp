// "DrRect.def" and the printed-items record: round trips, the fallbacks, a write that fails; the honorifics'
// cut on character boundaries.
#include "designers/ObjectDefaults.h"
#include "designers/PrintDocument.h"
#include "designers/PrintForm.h"

#include "drawing/FigureRect.h"
#include "drawing/WordRect.h"
#include "base/Fonts.h"
#include "base/SjisCodec.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(ObjectDefaults, RoundTripAndTheTextAlwaysStartsBlack)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/" + ObjectDefaultsFileName;
    TWordRect word;
    TFigureRect figure;
    TFont font = word.Font();
    SetFontSpec(&font.Log, SHIFTJIS_CHARSET, QStringLiteral("ＭＳ 明朝"), 1, 18);
    font.Color = Qt::red;
    word.SetFont(font);
    word.SetDirection(1);
    figure.SetKind(3);
    figure.SetFrameColor(0x00FF00);
    figure.SetFillColor1(0x123456);
    ASSERT_TRUE(SaveObjectDefaults(path, word, figure));

    TWordRect readWord;
    TFigureRect readFigure;
    LoadObjectDefaults(path, readWord, readFigure);
    EXPECT_EQ(readWord.Font().Log.Font.family(), word.Font().Log.Font.family());
    EXPECT_EQ(readWord.Direction(), 1);
    EXPECT_EQ(readWord.Font().Color, QColor(Qt::black));
    EXPECT_EQ(readFigure.FrameColor(), 0x00FF00);
    EXPECT_EQ(readFigure.FillColor1(), 0x123456);

    // Saved again, the same bytes.
    const QString again = dir.path() + "/again.def";
    TFont red = readWord.Font();
    red.Color = Qt::red;
    readWord.SetFont(red);
    ASSERT_TRUE(SaveObjectDefaults(again, readWord, readFigure));
    QFile a(path), b(again);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    EXPECT_EQ(a.readAll(), b.readAll());
}

TEST(ObjectDefaults, MissingForeignAndDamagedFiles)
{
    QTemporaryDir dir;
    TWordRect constructed;
    TWordRect word;
    TFigureRect figure;
    LoadObjectDefaults(dir.path() + "/none.def", word, figure);
    EXPECT_EQ(GetFontStyleBits(word.Font().Log), 0);
    EXPECT_EQ(word.Font().Log.Charset, SHIFTJIS_CHARSET);
    EXPECT_NE(word.Font().Log.Font.family(), QString());

    const QString foreign = dir.path() + "/foreign.def";
    QFile f(foreign);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not the defaults at all, no");
    f.close();
    TWordRect untouched;
    TFigureRect untouchedFigure;
    LoadObjectDefaults(foreign, untouched, untouchedFigure);
    EXPECT_EQ(untouched.Font().Log.Font.family(), constructed.Font().Log.Font.family());
    EXPECT_EQ(untouched.Font().Color, QColor(Qt::black));

    // Cut inside the figure: the text is not taken either.
    TWordRect saved;
    TFont font = saved.Font();
    SetFontSpec(&font.Log, SHIFTJIS_CHARSET, QStringLiteral("ＭＳ 明朝"), 0, 30);
    saved.SetFont(font);
    const QString cut = dir.path() + "/cut.def";
    ASSERT_TRUE(SaveObjectDefaults(cut, saved, TFigureRect()));
    QFile c(cut);
    ASSERT_TRUE(c.open(QIODevice::ReadWrite));
    c.resize(c.size() - 3);
    c.close();
    TWordRect half;
    TFigureRect halfFigure;
    LoadObjectDefaults(cut, half, halfFigure);
    EXPECT_EQ(half.Font().Log.Font.family(), constructed.Font().Log.Font.family());
}

TEST(ObjectDefaults, AFailedWriteIsReported)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/" + ObjectDefaultsFileName;
    ASSERT_TRUE(QDir(dir.path()).mkpath(ObjectDefaultsFileName + "/x"));  // a folder in the file's place
    EXPECT_FALSE(SaveObjectDefaults(path, TWordRect(), TFigureRect()));
    EXPECT_FALSE(SaveObjectDefaults(dir.path() + "/missing/folder/DrRect.def", TWordRect(), TFigureRect()));
}

TEST(PrintForm, RecordBytesAndDefaults)
{
    TPrintForm form = DefaultAddressPrintForm(false);
    const QByteArray bytes = PrintFormBytes(form);
    ASSERT_EQ(bytes.size(), 108);
    EXPECT_EQ(uint8_t(bytes[8]), 2);   // PostalMark
    EXPECT_EQ(uint8_t(bytes[12]), 1);  // SenderPostalMark
    EXPECT_EQ(bytes.mid(16, 3), QByteArray("\x02", 1) + Sjis::encode(u"様"));
    EXPECT_EQ(bytes.mid(27, 5), QByteArray("\x04", 1) + Sjis::encode(u"御中"));
    EXPECT_EQ(uint8_t(bytes[60]), 3);
    EXPECT_EQ(uint8_t(bytes[84]), 3);
    EXPECT_EQ(uint8_t(bytes[92]), 5);
    EXPECT_EQ(uint8_t(bytes[96]), 1);
    QByteArray reserved = bytes;
    reserved[104] = 'x';
    const TPrintForm back = PrintFormFromBytes(reserved.constData());
    EXPECT_EQ(PrintFormBytes(back), reserved) << "the reserved bytes travel with the record";
    EXPECT_EQ(DefaultAddressPrintForm(true).PostalMark, 0u);
    EXPECT_DOUBLE_EQ(LayoutRatio(3), 0.7);
    EXPECT_DOUBLE_EQ(LayoutRatio(99), 0.5);
}

TEST(PrintForm, HonorificsAreCutOnCharacterBoundaries)
{
    THonorific h;
    h.SetValue(QStringLiteral("aいろはにほ"));  // 1 + 10 bytes: the last character does not fit
    EXPECT_EQ(h.Length, 9);
    EXPECT_EQ(h.Value(), QStringLiteral("aいろはに"));
    h.SetValue(QStringLiteral("いろはにほへ"));
    EXPECT_EQ(h.Length, 10);
    EXPECT_EQ(h.Value(), QStringLiteral("いろはにほ"));
    h.SetValue(QString());
    EXPECT_EQ(h.Length, 0);
    h.SetValue(QStringLiteral("いろはにほ"));
    h.Length = 200;  // a damaged record never reads past its field
    EXPECT_EQ(h.Value(), QStringLiteral("いろはにほ"));
}
