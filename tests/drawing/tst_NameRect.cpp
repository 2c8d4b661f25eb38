// The name and company objects: what they keep in a document, their setters and the split at a full-width
// space, the personal layout with joint names and honorifics, the company layout, the company object, and a
// postcard's address side printed at 600 dpi.
#include "PrintedPage.h"

#include "drawing/CorpRect.h"
#include "drawing/NameRect.h"
#include "drawing/PosRect.h"

#include <QBuffer>
#include <QCoreApplication>

using test::ink;
using test::mm;

namespace {

class NameRect : public test::PrintedPage {};

QByteArray saved(const TDrawRect &object)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    TObjectStream stream(buffer);
    object.SaveToStream(stream);
    return buffer.data();
}

// Loads bytes at version; answers how many bytes were left unread.
qint64 load(TDrawRect &object, const QByteArray &bytes, int version)
{
    StreamVersion = version;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    TObjectStream stream(buffer);
    object.LoadFromStream(stream);
    StreamVersion = CurrentStreamVersion;
    return stream.BytesLeft();
}

// The base record of version 600 as versions 200 to 599 (no size index) and 199 (no visible or turned byte)
// wrote it; the base record of a text object in the default font is 52 bytes long.
constexpr int BaseRecord = 52;
QByteArray olderBase(const QByteArray &bytes, int version)
{
    QByteArray older = bytes;
    if (version < 600)
        older.remove(BaseRecord - 6, 4);
    if (version < 200) {
        older.remove(BaseRecord - 4 - 1, 1);
        older.remove(16, 1);
    }
    return older;
}

bool tallerThanWide(const QRect &box) { return box.height() > 3 * box.width(); }

}  // namespace

TEST_F(NameRect, DocumentsKeepHonorificsAndSizeStepFromTheirVersionsAndDamagedStepsStayInTheTable)
{
    TNameRect name;
    name.SetRect({10, 20, 110, 400});
    name.SetName(QStringLiteral("山田 太郎"));
    name.PrintHonor = 0;
    name.SizeStep = 5;
    const QByteArray bytes = saved(name);
    ASSERT_EQ(bytes.size(), BaseRecord + 1 + 4);
    TNameRect copy;
    EXPECT_EQ(load(copy, bytes, 600), 0);
    EXPECT_EQ(saved(copy), bytes);
    EXPECT_TRUE(copy.Name().isEmpty());  // texts come from the record at print time

    TNameRect at499, at199;
    EXPECT_EQ(load(at499, olderBase(bytes, 499).chopped(4), 499), 0);
    EXPECT_EQ(at499.PrintHonor, 0);
    EXPECT_EQ(at499.SizeStep, 3u);
    EXPECT_EQ(load(at199, olderBase(bytes, 199).chopped(5), 199), 0);
    EXPECT_EQ(at199.PrintHonor, 1);
    EXPECT_EQ(at199.GetRect(), name.GetRect());

    TCorpRect corp;
    corp.SetRect({0, 0, 50, 300});
    corp.SizeStep = 1;
    const QByteArray corpBytes = saved(corp);
    ASSERT_EQ(corpBytes.size(), BaseRecord + 4);
    TCorpRect corpCopy, corp499;
    EXPECT_EQ(load(corpCopy, corpBytes, 600), 0);
    EXPECT_EQ(saved(corpCopy), corpBytes);
    EXPECT_EQ(load(corp499, olderBase(corpBytes, 499).chopped(4), 499), 0);
    EXPECT_EQ(corp499.SizeStep, 3);

    // Sizes by style and step; a step a damaged document holds takes the nearest one of the table.
    corpCopy.UpdateFontHeight();
    EXPECT_EQ(corpCopy.FontHeight(), -20);
    corpCopy.SenderStyle = 1;
    corpCopy.SizeStep = 4;
    corpCopy.UpdateFontHeight();
    EXPECT_EQ(corpCopy.FontHeight(), -35);
    EXPECT_EQ(corpCopy.GetKind(), 6);
    QByteArray damaged = bytes;
    damaged.replace(BaseRecord + 1, 4, QByteArray::fromHex("ffffffff"));
    EXPECT_EQ(load(copy, damaged, 600), 0);
    copy.UpdateFontHeight();
    EXPECT_EQ(copy.FontHeight(), -55);
    corpCopy.SizeStep = -7;
    corpCopy.MainSizeRow = 1;
    corpCopy.UpdateFontHeight();
    EXPECT_EQ(corpCopy.FontHeight(), -20);
}

TEST_F(NameRect, SettersNormaliseNamesAndDropThePictureOnlyWhenWhatIsDrawnChanges)
{
    TNameRect name;
    name.SetRect({0, 0, 100, 300});
    name.SetName(QStringLiteral("山田\u3000太郎"));
    EXPECT_EQ(name.Name(), QStringLiteral("山田 太郎"));
    name.SetName(QStringLiteral("太郎"));
    EXPECT_EQ(name.Name(), QStringLiteral(" 太郎"));
    name.SetName(QString());  // the next record has no name: nothing of the last one may stay
    EXPECT_TRUE(name.Name().isEmpty());
    name.SetOmitName(true);
    name.SetName(QStringLiteral("山田\u3000太郎"));
    EXPECT_EQ(name.Name(), QStringLiteral("山田\u3000太郎"));
    name.SetJointCount(1);
    name.SetJointName(0, QStringLiteral("花子"));  // joint names are always family and given name
    name.SetJointName(3, QStringLiteral("一郎"));
    EXPECT_EQ(name.GetJointName(0), QStringLiteral(" 花子"));
    EXPECT_EQ(name.GetJointCount(), 1);

    name.Prepare(false);
    name.PrintHonor = 0;
    name.SetHonor(QStringLiteral("様"));
    EXPECT_TRUE(name.PictureValid());
    name.PrintHonor = 1;
    name.SetHonor(QStringLiteral("殿"));
    EXPECT_FALSE(name.PictureValid());
    TCorpRect corp;
    corp.SetRect({0, 0, 100, 300});
    corp.Prepare(false);
    corp.PrintHonor = 0;
    corp.SetHonor(QStringLiteral("御中"));
    EXPECT_TRUE(corp.PictureValid());

    name.SetKind(1);
    name.SizeStep = 4;
    name.PrintHonor = 0;
    TNameRect other;
    other.Assign(name);
    EXPECT_EQ(other.SizeStep, 4u);
    EXPECT_EQ(other.PrintHonor, 0);
    EXPECT_TRUE(other.Name().isEmpty());
    name.Clear();
    EXPECT_TRUE(name.Name().isEmpty());
    EXPECT_EQ(name.GetJointCount(), 0);
    EXPECT_EQ(name.Kind(), 1);
    name.SetName(QStringLiteral("山田\u3000太郎"));  // free text ended with the record
    EXPECT_EQ(name.Name(), QStringLiteral("山田 太郎"));
}

TEST(CompanyText, SplitsAtTheFullWidthSpaceNearestTheMiddleUnlessAPartIsTooShort)
{
    QString first = QStringLiteral("株式会社\u3000ベルモーラ\u3000東京支社\u3000営業部");
    QString second;
    EXPECT_TRUE(SplitCompanyText(first, second));
    EXPECT_EQ(first, QStringLiteral("株式会社\u3000ベルモーラ"));
    EXPECT_EQ(second, QStringLiteral("東京支社\u3000営業部"));

    first = QStringLiteral("ベルモーラ工業株式会社\u3000東京支社\u3000営業部");
    EXPECT_TRUE(SplitCompanyText(first, second));
    EXPECT_EQ(first, QStringLiteral("ベルモーラ工業株式会社"));
    EXPECT_EQ(second, QStringLiteral("東京支社\u3000営業部"));

    first = QStringLiteral("日本\u3000ベルモーラ");
    EXPECT_FALSE(SplitCompanyText(first, second));
    EXPECT_EQ(first, QStringLiteral("日本\u3000ベルモーラ"));
    EXPECT_TRUE(second.isEmpty());
    first = QStringLiteral("ベルモーラ");
    EXPECT_FALSE(SplitCompanyText(first, second));
    EXPECT_EQ(first, QStringLiteral("ベルモーラ"));
}
