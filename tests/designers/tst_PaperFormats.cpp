// The paper-format files: the shipped master list as the designers read it, round trips of both files, and
// damaged, cut and foreign files.
#include "designers/PaperFormats.h"

#include "TestSupport.h"
#include "base/SjisCodec.h"
#include "core/SharedHelpers.h"
#include "drawing/BarcodeRect.h"
#include "drawing/DrawRect.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

namespace {

TMasterFormats shippedMaster()
{
    TMasterFormats master;
    EXPECT_TRUE(master.Load(test::appDir() + "Common/Lyt.fmt"));
    return master;
}

int layoutUnits(double mm) { return int(RoundHalfAway((long double)mm / 25.4L * 96)); }

TCustomPaperRecord customPaper(uint32_t id, const QString &name)
{
    TCustomPaperRecord c;
    c.Id = id;
    c.BaseIndex = 2;
    c.Format.Kind = 1;
    c.Format.Category = Sjis::encode(u"カスタム");
    c.Format.Name = Sjis::encode(name);
    c.Format.Direction = 2;
    c.Format.Width = 2350;
    c.Format.Height = 1200;
    c.Format.PictureFile = "Naga3L.svg";
    c.Format.CombinedRectCount = 9;
    for (int i = 0; i < 13; ++i)
        c.Format.CombinedRects[i] = {i, i + 1, i + 20, i + 30};
    c.Format.SplitRectCount = 21;
    for (int i = 0; i < 22; ++i)
        c.Format.SplitRects[i] = {-i, 2 * i, 3 * i, 400 + i};
    c.DirectionFlag = 7;
    return c;
}

void putU32(QByteArray &bytes, qsizetype offset, uint32_t value) { qToLittleEndian(value, bytes.data() + offset); }

}  // namespace

TEST(PaperFormats, ShippedListKeepsTheOrderTheDialogsRelyOn)
{
    const TMasterFormats master = shippedMaster();
    ASSERT_GE(master.Formats.size(), 20u);
    // Postcards first and together, two variants each; envelopes three; sheets of kinds 2 and 3 after them.
    EXPECT_EQ(master.Formats[0].Kind, 0);
    size_t i = 0;
    for (; i < master.Formats.size() && master.Formats[i].Kind == 0; i += 2) {
        EXPECT_EQ(master.Formats[i].Name, master.Formats[i + 1].Name);
        EXPECT_EQ(master.Formats[i].Direction, 0);
        EXPECT_EQ(master.Formats[i + 1].Direction, 1);
        EXPECT_EQ(master.Formats[i].CombinedRectCount, 9);
        EXPECT_EQ(master.Formats[i].SplitRectCount, 21);
    }
    for (; i < master.Formats.size() && master.Formats[i].Kind == 1; i += 3) {
        const TPaperFormat &portrait = master.Formats[i], &landscape = master.Formats[i + 2];
        EXPECT_EQ(master.Formats[i + 1].Name, portrait.Name);
        EXPECT_EQ(landscape.Name, portrait.Name);
        EXPECT_EQ(landscape.Direction, 2);
        EXPECT_EQ(landscape.Width, portrait.Height);
        EXPECT_EQ(landscape.Height, portrait.Width);
    }
    int sheets = 0;
    for (; i < master.Formats.size(); ++i) {
        EXPECT_GE(master.Formats[i].Kind, 2);
        EXPECT_GT(master.Formats[i].SheetIndex, 0);
        const TFormatCategory sheet = master.SheetOf(master.Formats[i]);
        EXPECT_EQ(sheet.SheetWidth, 2100);
        EXPECT_LE(sheet.LeftMargin + sheet.Columns * master.Formats[i].Width +
                      (sheet.Columns - 1) * sheet.ColumnGap,
                  2100);
        ++sheets;
    }
    EXPECT_EQ(i, master.Formats.size());
    EXPECT_GE(sheets, 5);
    const QStringList names = [&] {
        QStringList n;
        for (const TPaperFormat &f : master.Formats)
            n << Sjis::decode(f.Name);
        return n;
    }();
    for (const char16_t *paper : {u"通常はがき", u"往復はがき", u"長形3号", u"長形4号", u"角形2号", u"洋形2号"})
        EXPECT_TRUE(names.contains(QString::fromUtf16(paper))) << QString::fromUtf16(paper).toStdString();
}

TEST(PaperFormats, PostcardBoxesSitWhereJapanPostPrintsThem)
{
    const TMasterFormats master = shippedMaster();
    const TPaperFormat &card = master.Formats[0];
    EXPECT_EQ(card.Width, 1000);
    EXPECT_EQ(card.Height, 1480);
    // The receiver's code spans the seven boxes: 44.3 mm to 86.3 + 5.7 mm, 12 mm to 20 mm from the top.
    EXPECT_EQ(card.CombinedRects[0], (TFormatRect{layoutUnits(44.3), layoutUnits(12), layoutUnits(92.0),
                                                  layoutUnits(20)}));
    EXPECT_EQ(card.SplitRects[0], card.CombinedRects[0]);
    // The sender's boxes at the bottom left.
    EXPECT_EQ(card.CombinedRects[4].Left, layoutUnits(5.7));
    EXPECT_EQ(card.CombinedRects[4].Top, layoutUnits(122));
    // Every rectangle lies on the paper; the barcodes of both sets agree.
    for (const TPaperFormat &f : master.Formats) {
        const int w = layoutUnits(f.Width / 10.0), h = layoutUnits(f.Height / 10.0);
        int barSize = 0;
        const bool barcodeFits = FitBarcodeSize(f.Direction == 0 ? f.Height : f.Width, barSize);
        for (int r = 0; r < f.CombinedRectCount; ++r) {
            if (r == CombinedBarcodeIndex && !barcodeFits)
                continue;  // not printed on this paper
            const TFormatRect &rect = f.CombinedRects[r];
            EXPECT_TRUE(rect.Left >= 0 && rect.Top >= 0 && rect.Right <= w && rect.Bottom <= h &&
                        rect.Left < rect.Right && rect.Top < rect.Bottom)
                << Sjis::decode(f.Name).toStdString() << " rectangle " << r << ": " << rect.Left << "," << rect.Top
                << "," << rect.Right << "," << rect.Bottom << " on " << w << "x" << h;
        }
        EXPECT_EQ(f.CombinedRects[CombinedBarcodeIndex], f.SplitRects[SplitBarcodeIndex]);
    }
    // The picture of each paper is shipped.
    for (const TPaperFormat &f : master.Formats)
        if (!f.PictureFile.isEmpty()) {
            EXPECT_TRUE(QFile::exists(test::appDir() + "Common/Format/" + QString::fromLatin1(f.PictureFile)));
        }
}

TEST(PaperFormats, BothFilesRoundTripByteForByte)
{
    const TMasterFormats master = shippedMaster();
    const QByteArray shipped = test::readFile(test::appDir() + "Common/Lyt.fmt");
    EXPECT_EQ(master.Bytes(), shipped);
    EXPECT_EQ(qFromLittleEndian<uint32_t>(shipped.constData() + 28),
              36 + TPaperFormat::Size * master.Formats.size());

    QTemporaryDir dir;
    TCustomFormats custom;
    custom.LastCustomId = 5;
    custom.Records = {customPaper(2, QStringLiteral("封筒A")), customPaper(5, QStringLiteral("封筒B"))};
    custom.Sheets = {TFormatCategory{2100, 2970, 2, 5, 140, 110, 0, 0}};
    const QString file = dir.path() + "/CstmL.fmt";
    ASSERT_TRUE(custom.Save(file));
    const QByteArray written = test::readFile(file);
    EXPECT_EQ(written.size(), 40 + 2 * 668 + 32);
    TCustomFormats back;
    back.Load(file);
    EXPECT_EQ(back.LastCustomId, 5u);
    EXPECT_EQ(back.Records, custom.Records);
    EXPECT_EQ(back.Sheets, custom.Sheets);
    EXPECT_EQ(back.Bytes(), written);
    EXPECT_FALSE(back.Foreign);
}

TEST(PaperFormats, CountsAndSheetIndexAreHeldWithinWhatTheDesignersHave)
{
    TPaperFormat f;
    f.Width = 1000;
    f.Height = 1480;
    f.CombinedRectCount = 13;  // the array's room, beyond the 9 objects of the combined set
    f.SplitRectCount = 22;
    f.SheetIndex = 3;
    TPaperFormat back = PaperFormatFromBytes(PaperFormatBytes(f).constData(), 2);
    EXPECT_EQ(back.CombinedRectCount, 9);
    EXPECT_EQ(back.SplitRectCount, 21);
    EXPECT_EQ(back.SheetIndex, 0);  // names no sheet of the file: a single paper
    f.CombinedRectCount = -4;
    f.SplitRectCount = 0x7FFFFFFF;
    f.SheetIndex = -1;
    f.Width = 0;
    f.Height = -20;
    back = PaperFormatFromBytes(PaperFormatBytes(f).constData(), 2);
    EXPECT_EQ(back.CombinedRectCount, 0);
    EXPECT_EQ(back.SplitRectCount, 21);
    EXPECT_EQ(back.SheetIndex, 0);
    EXPECT_EQ(back.Width, 1);
    EXPECT_EQ(back.Height, 1);
    f.SheetIndex = 2;
    EXPECT_EQ(PaperFormatFromBytes(PaperFormatBytes(f).constData(), 2).SheetIndex, 2);

    // A short string's length byte beyond its field reads no further than the field.
    QByteArray bytes = PaperFormatBytes(f);
    bytes[1] = char(200);
    bytes[2] = 'A';
    EXPECT_EQ(PaperFormatFromBytes(bytes.constData(), 2).Category.size(), 20);

    const TFormatCategory zero = FormatCategoryFromBytes(QByteArray(32, '\0').constData());
    EXPECT_EQ(zero.Columns, 1);
    EXPECT_EQ(zero.Rows, 1);
}

TEST(PaperFormats, DamagedMasterListIsRefusedWhole)
{
    QTemporaryDir dir;
    const QString file = dir.path() + "/Lyt.fmt";
    const QByteArray shipped = test::readFile(test::appDir() + "Common/Lyt.fmt");
    TMasterFormats master;

    test::writeFile(file, shipped.left(shipped.size() - 1));
    EXPECT_FALSE(master.Load(file));
    EXPECT_TRUE(master.Formats.empty());

    QByteArray huge = shipped;
    putU32(huge, 24, 0xFFFFFFFFu);  // a count no file holds: refused before anything is allocated
    test::writeFile(file, huge);
    EXPECT_FALSE(master.Load(file));

    QByteArray foreign = shipped;
    foreign[0] = 'M';
    test::writeFile(file, foreign);
    EXPECT_FALSE(master.Load(file));
    EXPECT_FALSE(master.Load(dir.path() + "/missing.fmt"));
    test::writeFile(file, shipped.left(30));
    EXPECT_FALSE(master.Load(file));

    test::writeFile(file, shipped);
    EXPECT_TRUE(master.Load(file));
}

TEST(PaperFormats, CutUserFileKeepsItsWholeRecordsAndIdsStayUnique)
{
    QTemporaryDir dir;
    const QString file = dir.path() + "/CstmL.fmt";
    TCustomFormats custom;
    custom.LastCustomId = 3;
    custom.Records = {customPaper(1, QStringLiteral("一")), customPaper(3, QStringLiteral("三")), customPaper(9, QStringLiteral("九"))};
    QByteArray bytes = custom.Bytes();

    // Cut inside the third record: the first two stay, and the counter still passes every id seen.
    test::writeFile(file, bytes.left(40 + 2 * 668 + 100));
    TCustomFormats back;
    back.Load(file);
    ASSERT_EQ(back.Records.size(), 2u);
    EXPECT_EQ(back.Records[1].Id, 3u);

    // A count of four billion, a counter behind the ids, a record without an id and a twin id.
    bytes = custom.Bytes();
    putU32(bytes, 28, 0xFFFFFFFFu);
    putU32(bytes, 24, 1);
    putU32(bytes, 40 + 668, 0);
    putU32(bytes, 40 + 2 * 668, 1);
    test::writeFile(file, bytes);
    back.Load(file);
    ASSERT_EQ(back.Records.size(), 1u);
    EXPECT_EQ(back.Records[0].Id, 1u);
    EXPECT_EQ(back.LastCustomId, 1u);
    custom.Load(file);
    EXPECT_EQ(custom.LastCustomId, 1u);

    // Not the magic: a file of someone else.
    test::writeFile(file, "not a paper file at all, but longer than forty bytes......");
    back.Load(file);
    EXPECT_TRUE(back.Foreign);
    EXPECT_TRUE(back.Records.empty());
    EXPECT_TRUE(back.Save(file));
    EXPECT_TRUE(QFile::exists(file));  // nothing to write never deletes what is not ours
}

TEST(PaperFormats, UserFileIsReplacedWholeOrNotAtAll)
{
    QTemporaryDir dir;
    const QString file = dir.path() + "/CstmL.fmt";
    TCustomFormats custom;
    custom.LastCustomId = 1;
    custom.Records = {customPaper(1, QStringLiteral("封筒"))};
    ASSERT_TRUE(custom.Save(file));
    const QByteArray before = test::readFile(file);

    custom.LastCustomId = 2;
    custom.Records.push_back(customPaper(2, QStringLiteral("封筒2")));
    {
        test::FullDisk full(before.size() + 100);
        EXPECT_FALSE(custom.Save(file));
    }
    EXPECT_EQ(test::readFile(file), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"CstmL.fmt"});

    // With no user paper left the file goes.
    custom.Records.clear();
    TCustomFormats loaded;
    loaded.Load(file);
    loaded.Records.clear();
    EXPECT_TRUE(loaded.Save(file));
    EXPECT_FALSE(QFile::exists(file));
}

TEST(PaperFormats, ValuesNoSheetCanHoldAreRefusedWhenRead)
{
    // Every shipped paper reads, with its sheet.
    const QByteArray shipped = test::readFile(test::appDir() + "Common/Lyt.fmt");
    const TMasterFormats master = shippedMaster();
    ASSERT_EQ(master.Formats.size(), qFromLittleEndian<uint32_t>(shipped.constData() + 24));
    for (const TPaperFormat &f : master.Formats)
        EXPECT_TRUE(PaperFormatFits(f, f.SheetIndex > 0 ? &master.Sheets[size_t(f.SheetIndex - 1)] : nullptr))
            << Sjis::decode(f.Name).toStdString();

    // The master list with one value changed is refused whole: its paper numbers would name other papers.
    QTemporaryDir dir;
    const QString file = dir.path() + "/Lyt.fmt";
    const qsizetype sheets = 36 + qsizetype(master.Formats.size()) * TPaperFormat::Size;
    const qsizetype firstPaper = 36;
    const auto refused = [&](qsizetype offset, uint32_t value) {
        QByteArray bytes = shipped;
        putU32(bytes, offset, value);
        test::writeFile(file, bytes);
        TMasterFormats damaged;
        return !damaged.Load(file) && damaged.Formats.empty() && damaged.Sheets.empty();
    };
    EXPECT_TRUE(refused(sheets + 8, 2000));           // 2,000 columns of labels on an A4 sheet
    EXPECT_TRUE(refused(sheets + 12, 2000));          // and rows
    EXPECT_TRUE(refused(sheets + 8, 0x40000000));     // columns times the paper's width beyond an int
    EXPECT_TRUE(refused(sheets + 24, 0xFFFFFFF0u));   // a negative gap
    EXPECT_TRUE(refused(sheets + 16, 0x7FFFFFFF));    // a margin off the sheet
    EXPECT_TRUE(refused(sheets + 0, 100000));         // a sheet ten metres wide
    EXPECT_TRUE(refused(firstPaper + 60, 0x7FFFFFF0)); // a postcard of 200 km
    EXPECT_TRUE(refused(firstPaper + 60, 10));        // and one of a millimetre
    EXPECT_TRUE(refused(firstPaper + 88, 0x7FFFFFFF)); // its first rectangle beyond any int sum
    EXPECT_FALSE(refused(sheets + 8, 2));

    // A user paper that no sheet holds is left out; the others stay.
    TCustomFormats custom;
    custom.LastCustomId = 3;
    custom.Records = {customPaper(1, QStringLiteral("一")), customPaper(2, QStringLiteral("二")),
                      customPaper(3, QStringLiteral("三"))};
    custom.Records[1].Format.Width = 1 << 30;
    custom.Records[2].Format.SplitRects[4].Right = -2000000000;
    test::writeFile(file, custom.Bytes());
    TCustomFormats back;
    back.Load(file);
    ASSERT_EQ(back.Records.size(), 1u);
    EXPECT_EQ(back.Records[0].Id, 1u);
    EXPECT_EQ(back.LastCustomId, 3u);
    // Labels of a user sheet: 2,000 by 2,000 on it are refused, 2 by 5 read.
    custom.Records = {customPaper(4, QStringLiteral("ラベル"))};
    custom.Records[0].Format.Kind = 2;
    custom.Records[0].Format.Width = 864;
    custom.Records[0].Format.Height = 508;
    custom.Records[0].Format.SheetIndex = 1;
    custom.Sheets = {TFormatCategory{2100, 2970, 2000, 2000, 0, 0, 0, 0}};
    test::writeFile(file, custom.Bytes());
    back.Load(file);
    EXPECT_TRUE(back.Records.empty());
    custom.Sheets = {TFormatCategory{2100, 2970, 2, 5, 174, 215, 25, 0}};
    test::writeFile(file, custom.Bytes());
    back.Load(file);
    EXPECT_EQ(back.Records.size(), 1u);
}

TEST(PaperFormats, AResizedPaperPlacesNothingBeyondTheReachOfAStoredObject)
{
    TPaperFormat base = shippedMaster().Formats[0];
    base.Width = MinLabelSide;
    base.Height = MinLabelSide;
    base.CombinedRects[1] = {PaperReach - 10, PaperReach - 10, PaperReach, PaperReach};
    ASSERT_TRUE(PaperFormatFits(base, nullptr));
    const TPaperFormat resized = ResizePaperFormat(base, MaxCustomPaperSize, MaxCustomPaperSize);
    for (int i = 0; i < resized.CombinedRectCount; ++i)
        for (int side : {resized.CombinedRects[size_t(i)].Left, resized.CombinedRects[size_t(i)].Top,
                         resized.CombinedRects[size_t(i)].Right, resized.CombinedRects[size_t(i)].Bottom})
            EXPECT_LE(std::abs(side), PaperReach) << i;
    EXPECT_TRUE(PaperFormatFits(resized, nullptr));
}
