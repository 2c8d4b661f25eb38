// The name and company objects: what they keep in a document, their setters and the split at a full-width
// space, the personal layout with joint names and honorifics, the company layout, the company object, and a
// postcard's address side printed at 600 dpi.
#include "ObjectTestSupport.h"

#include "drawing/AdditionRect.h"
#include "drawing/CorpRect.h"
#include "drawing/NameRect.h"
#include "drawing/PosRect.h"

#include <QBuffer>

using test::mm;

namespace {

class NameRect : public test::PrintedPage {};

// The base record of a text object in the default font is 52 bytes long.
constexpr int BaseRecord = 52;

// The whole stream of a text object as an older version wrote it: its base record as that version wrote it,
// then the object's own fields.
QByteArray olderBase(const QByteArray &bytes, int version)
{
    return MetaRecordAt(bytes.left(BaseRecord), version) + bytes.mid(BaseRecord);
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
    const QByteArray bytes = SavedObject(name);
    ASSERT_EQ(bytes.size(), BaseRecord + 1 + 4);
    TNameRect copy;
    EXPECT_EQ(LoadObject(copy, bytes, 600), 0);
    EXPECT_EQ(SavedObject(copy), bytes);
    EXPECT_TRUE(copy.Name().isEmpty());  // texts come from the record at print time

    TNameRect at499, at199;
    EXPECT_EQ(LoadObject(at499, olderBase(bytes, 499).chopped(4), 499), 0);
    EXPECT_EQ(at499.PrintHonor, 0);
    EXPECT_EQ(at499.SizeStep, 3u);
    EXPECT_EQ(LoadObject(at199, olderBase(bytes, 199).chopped(5), 199), 0);
    EXPECT_EQ(at199.PrintHonor, 1);
    EXPECT_EQ(at199.GetRect(), name.GetRect());

    TCorpRect corp;
    corp.SetRect({0, 0, 50, 300});
    corp.SizeStep = 1;
    const QByteArray corpBytes = SavedObject(corp);
    ASSERT_EQ(corpBytes.size(), BaseRecord + 4);
    TCorpRect corpCopy, corp499;
    EXPECT_EQ(LoadObject(corpCopy, corpBytes, 600), 0);
    EXPECT_EQ(SavedObject(corpCopy), corpBytes);
    EXPECT_EQ(LoadObject(corp499, olderBase(corpBytes, 499).chopped(4), 499), 0);
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
    EXPECT_EQ(LoadObject(copy, damaged, 600), 0);
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

    name.Prepare(Printer, false);
    name.PrintHonor = 0;
    name.SetHonor(QStringLiteral("様"));
    EXPECT_TRUE(name.PictureValid());
    name.PrintHonor = 1;
    name.SetHonor(QStringLiteral("殿"));
    EXPECT_FALSE(name.PictureValid());
    TCorpRect corp;
    corp.SetRect({0, 0, 100, 300});
    corp.Prepare(Printer, false);
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

TEST_F(NameRect, PersonalColumnsStandRightToLeftWithGivenNamesAndHonorificsAligned)
{
    TNameRect name;
    name.SetRect(mm(0, 0, 450, 1050));
    name.SetKind(1);
    name.SetName(QStringLiteral("山田\u3000太郎"));
    name.SetHonor(QStringLiteral("様"));
    name.SetJointCount(2);
    name.SetJointName(0, QStringLiteral("花子"));
    name.SetJointHonor(0, QStringLiteral("様"));
    name.SetJointName(1, QStringLiteral("一"));
    name.SetJointHonor(1, QStringLiteral("ちゃん"));
    QImage page = blank(1200, 2700);
    const QRect frame = print(name, page);
    ASSERT_EQ(InkBox(page, page.rect()), InkBox(page, frame));

    // The measures the layout takes from the font: 一's length and cell, the space, the honorifics.
    QImage scratch = blank(10, 10);
    QPainter painter(&scratch);
    TCanvas canvas(painter, 600, 600);
    selectObjectFont(canvas, name, true);
    const int u = canvas.TextWidth(u"一");
    const int h = canvas.TextHeight(u"一");
    const int margin = 25;  // 4/96 inch
    const int breadth = frame.width() - 2 * margin;
    const int length = frame.height() - 2 * margin;
    ASSERT_LE(3 * h + 2 * (h / 8), breadth);  // three columns fit without shrinking
    const int sixth = std::lround(u / 6.0);
    const int third = std::lround(u / 3.0);
    const int need = 4 * u + 3 * sixth + canvas.TextWidth(u" ") +
                     std::lround(canvas.TextWidth(u"ちゃん") / 4.0 * 3) + third;
    ASSERT_LT(need, length);
    const int gap = sixth + (length - need) / 4;  // spread over the four characters and the honorific
    const int givenStart = 2 * (u + gap) + canvas.TextWidth(u" ");
    const int honorOffset = 2 * (u + gap) + givenStart - sixth + third;

    // Three columns, the name on the right, each H + H/8 left of the one before, centred across.
    const int middle = frame.left() + (breadth - h) / 2 + margin + h;
    const int right[] = {middle + h + h / 8, middle, middle - h - h / 8};
    const int top = frame.top() + margin;
    const auto cell = [&](int column, int along, int size) {
        return InkBox(page, QRect(right[column] - h, top + along, h, size));
    };
    for (int column = 0; column < 3; ++column) {
        const QRect whole = InkBox(page, QRect(right[column] - h, frame.top(), h, frame.height()));
        EXPECT_FALSE(whole.isEmpty()) << column;
        EXPECT_EQ(InkBox(page, QRect(right[column] - h - h / 8 + 1, frame.top(), h / 8 - 2, frame.height())),
                  QRect())
            << "between columns " << column;
    }
    // 山田 from the top, 太郎 and 花子 at the common start of the given names, 一 centred in their block.
    EXPECT_EQ(cell(0, 0, length), cell(0, 0, 2 * (u + gap)) | cell(0, givenStart, length - givenStart));
    const QRect ta = cell(0, givenStart, u);
    const QRect hana = cell(1, givenStart, u);
    ASSERT_FALSE(ta.isEmpty());
    EXPECT_NEAR(hana.top(), ta.top(), u / 10);
    EXPECT_TRUE(cell(1, 0, givenStart).isEmpty());
    const int givenLength = 2 * u + gap;
    const QRect one = cell(2, givenStart + (givenLength - u) / 2, u);
    EXPECT_GT(one.width(), 5 * one.height());  // 一 lies across its column
    EXPECT_TRUE(cell(2, givenStart, (givenLength - u) / 2).isEmpty());
    // The honorifics stand in one row behind the longest given name; ちゃん narrowed to three quarters.
    const QRect sama = cell(0, honorOffset, u);
    EXPECT_FALSE(sama.isEmpty());
    EXPECT_TRUE(cell(0, givenStart + givenLength + 2, honorOffset - givenStart - givenLength - 4).isEmpty());
    EXPECT_NEAR(cell(1, honorOffset, u).top(), sama.top(), 2);
    const QRect chan = cell(2, honorOffset, length - honorOffset);
    EXPECT_GE(chan.top(), top + honorOffset);
    EXPECT_LE(chan.bottom(), top + honorOffset + std::lround(3 * u * 0.75) + 2);
    EXPECT_GT(chan.bottom(), top + honorOffset + 2 * u);

    // Turned, the same block is drawn rotated by a half turn about the object's centre.
    name.SetTurned(1);
    QImage turned = blank(1200, 2700);
    print(name, turned);
    const QRect upright = InkBox(page, frame);
    const QRect rotated = InkBox(turned, frame);
    EXPECT_NEAR(rotated.left() - frame.left(), frame.right() - upright.right(), 3);
    EXPECT_NEAR(rotated.top() - frame.top(), frame.bottom() - upright.bottom(), 3);
    EXPECT_NEAR(rotated.width(), upright.width(), 3);
    EXPECT_NEAR(rotated.height(), upright.height(), 3);
}

TEST_F(NameRect, HorizontalLinesCentreAcrossAndKeepTheGapWithoutSpreading)
{
    TNameRect name;
    name.SetRect(mm(0, 0, 1000, 300));
    name.SetDirection(1);
    name.SetKind(1);
    name.SetOption179(0);
    name.SetName(QStringLiteral("山田\u3000太郎"));
    name.SetHonor(QStringLiteral("様"));
    name.SetJointCount(1);
    name.SetJointName(0, QStringLiteral("花子"));
    QImage page = blank(2500, 800);
    const QRect frame = print(name, page);
    ASSERT_EQ(InkBox(page, page.rect()), InkBox(page, frame));

    QImage scratch = blank(10, 10);
    QPainter painter(&scratch);
    TCanvas canvas(painter, 600, 600);
    selectObjectFont(canvas, name, false);
    const int u = canvas.TextWidth(u"一");
    const int h = canvas.TextHeight(u"一");
    const int margin = 25;
    const int breadth = frame.height() - 2 * margin;
    ASSERT_LE(2 * h + h / 8, breadth);
    // Two lines around the middle gap; the characters keep the gap of a sixth of 一.
    const int firstTop = frame.top() + (breadth - h / 8) / 2 + margin - h;
    const int gap = std::lround(u / 6.0);
    const int givenStart = 2 * (u + gap) + canvas.TextWidth(u" ");
    const QRect first = InkBox(page, QRect(frame.left(), firstTop, frame.width(), h));
    const QRect second = InkBox(page, QRect(frame.left(), firstTop + h + h / 8, frame.width(), h));
    ASSERT_FALSE(first.isEmpty());
    EXPECT_EQ(InkBox(page, frame), first | second);
    const QRect hana = InkBox(page, QRect(frame.left() + margin + givenStart, second.top(), u, h));
    const QRect ta = InkBox(page, QRect(frame.left() + margin + givenStart, first.top(), u, h));
    EXPECT_NEAR(hana.left(), ta.left(), u / 10);
    EXPECT_TRUE(InkBox(page, QRect(frame.left(), second.top(), margin + givenStart, h)).isEmpty());
    // Not spread: the honorific follows the given name a third of 一 after its last gap.
    const int honorOffset = 2 * (u + gap) + givenStart - gap + std::lround(u / 3.0);
    const QRect sama = InkBox(page, QRect(frame.left() + margin + honorOffset, firstTop, u, h));
    EXPECT_FALSE(sama.isEmpty());
    EXPECT_LE(first.right(), frame.left() + margin + honorOffset + u);

    // Free text keeps every word: only its first space jumps to the given name, the next one does not go back.
    name.SetOmitName(true);
    name.SetName(QStringLiteral("山田 太郎 花子"));
    name.SetHonor(QString());
    name.SetJointCount(0);
    QImage free = blank(2500, 800);
    print(name, free);
    const QRect words = InkBox(free, frame);
    EXPECT_GT(words.right(), frame.left() + margin + givenStart + 4 * u);
    EXPECT_LT(words.width(), 8 * (u + gap));
}

TEST_F(NameRect, CompanyBlockStandsRightOfTheNameWithItsLinesBrokenAndReducedToFit)
{
    TNameRect name;
    name.SetRect(mm(0, 0, 500, 1200));
    name.SetKind(2);
    name.SetName(QStringLiteral("佐藤\u3000健"));
    name.SetHonor(QStringLiteral("様"));
    name.SetCorpName(QStringLiteral("ベルモーラ工業株式会社"));
    name.SetDepartment(0, QStringLiteral("営業部"));
    name.SetPost(QStringLiteral("部長"));
    QImage page = blank(1300, 3000);
    const QRect frame = print(name, page);
    ASSERT_EQ(InkBox(page, page.rect()), InkBox(page, frame));

    QImage scratch = blank(10, 10);
    QPainter painter(&scratch);
    TCanvas canvas(painter, 600, 600);
    selectObjectFont(canvas, name, true);
    const int nameHeight = canvas.FontHeight();
    const int u = canvas.TextWidth(u"一");
    const int h = canvas.TextHeight(u"一");
    canvas.SetFontHeight(static_cast<int>(nameHeight * 0.7));
    const int hCompany = canvas.TextHeight(u"一");
    const int uCompany = canvas.TextWidth(u"一");
    canvas.SetFontHeight(static_cast<int>(nameHeight * 0.6));
    const int hDept = canvas.TextHeight(u"一");
    canvas.SetFontHeight(static_cast<int>(nameHeight * 0.5));
    const int postLength = canvas.TextWidth(u"部長");
    const int margin = 25;
    const int breadth = frame.width() - 2 * margin;
    const int total = h + hCompany + h / 4 + hDept + h / 16;
    const int outside = (breadth - total) / 2;
    const int companyRight = frame.left() + margin + breadth - outside;
    const int deptRight = companyRight - hCompany - u / 16;
    const int nameRight = frame.left() + h + margin + outside;
    const auto column = [&](int right, int width) { return InkBox(page, QRect(right - width, frame.top(), width, frame.height())); };
    const QRect company = column(companyRight, hCompany);
    const QRect dept = column(deptRight, hDept);
    ASSERT_FALSE(company.isEmpty());
    ASSERT_FALSE(dept.isEmpty());
    EXPECT_EQ(InkBox(page, frame), company | dept | column(nameRight, h));
    // The department is indented by a quarter of 一; ー stands along the column.
    EXPECT_GE(dept.top(), frame.top() + margin + u / 4);
    EXPECT_LT(company.top(), dept.top());
    EXPECT_TRUE(tallerThanWide(InkBox(page, QRect(companyRight - hCompany, frame.top() + margin + 3 * uCompany, hCompany,
                                               uCompany))));
    // The short post stands small before the name, centred across the name's column.
    const QRect post = InkBox(page, QRect(nameRight - h, frame.top(), h, margin + postLength));
    ASSERT_FALSE(post.isEmpty());
    EXPECT_NEAR((post.left() + post.right()) / 2.0, nameRight - h / 2.0, 4);
    EXPECT_LT(post.width(), h * 2 / 3);
    EXPECT_TRUE(InkBox(page, QRect(nameRight - h, frame.top() + margin + postLength + 2, h, u / 2 - 4)).isEmpty());

    // Too long for one column: broken at the middle space, the second half ending one 一 short of the end.
    name.SetOption177(1);
    name.SetCorpName(QStringLiteral("ベルモーラ工業株式会社\u3000東京支社\u3000営業第二部"));
    QImage broken = blank(1300, 3000);
    print(name, broken);
    ASSERT_EQ(InkBox(broken, broken.rect()), InkBox(broken, frame));
    const int length = frame.height() - 2 * margin;
    const QRect tail = InkBox(broken, QRect(frame.left() + frame.width() / 2, frame.top() + margin + length - 2 * uCompany,
                                         frame.width() / 2, 2 * uCompany));
    EXPECT_FALSE(tail.isEmpty());
    EXPECT_LE(tail.bottom(), frame.top() + margin + length - uCompany);
    EXPECT_GT(tail.bottom(), frame.top() + margin + length - uCompany - uCompany / 4);

    // A line that cannot be broken is made smaller until it fits, and the department follows it down.
    name.SetOption177(0);
    name.SetCorpName(QStringLiteral("ベルモーラ・インターナショナル・ホールディングス株式会社"));
    name.SetDepartment(0, QStringLiteral("営業部"));
    QImage reduced = blank(1300, 3000);
    print(name, reduced);
    ASSERT_EQ(InkBox(reduced, reduced.rect()), InkBox(reduced, frame));
    const QRect block = InkBox(reduced, QRect(frame.left() + frame.width() / 2, frame.top(), frame.width() / 2, frame.height()));
    EXPECT_LE(block.bottom(), frame.top() + margin + length);
}

TEST_F(NameRect, CompanyObjectBreaksIntoTwoColumnsWithItsHonorificFlushAtTheEnd)
{
    TCorpRect corp;
    corp.SetRect(mm(0, 0, 400, 1200));
    corp.SetText(QStringLiteral("ベルモーラ工業株式会社\u3000東京支社\u3000営業部"));
    corp.SetHonor(QStringLiteral("御中"));
    corp.SetOption(1);
    QImage page = blank(1200, 3000);
    const QRect frame = print(corp, page);
    ASSERT_EQ(InkBox(page, page.rect()), InkBox(page, frame));
    const int margin = 25;
    const QRect right = InkBox(page, QRect(frame.center().x(), frame.top(), frame.width() / 2, frame.height()));
    const QRect left = InkBox(page, QRect(frame.left(), frame.top(), frame.width() / 2, frame.height()));
    ASSERT_FALSE(right.isEmpty());
    ASSERT_FALSE(left.isEmpty());
    // The first half from the top of the right column, the rest and 御中 ending at the bottom of the left one.
    EXPECT_LT(right.top(), frame.top() + margin + 40);
    EXPECT_GT(left.top(), right.top() + 200);
    EXPECT_GT(left.bottom(), frame.bottom() - margin - 40);
    EXPECT_LE(left.bottom(), frame.bottom() - margin);

    // Without the split the text stays one column, made smaller to fit.
    corp.SetOption(0);
    QImage single = blank(1200, 3000);
    print(corp, single);
    const QRect column = InkBox(single, frame);
    EXPECT_LT(column.width(), frame.width() / 2);
    EXPECT_LE(column.bottom(), frame.bottom() - margin);
}

// The pieces a text object lays out at 600 dpi for content of its rectangle's size.
template <class Object>
QList<TPlacedPiece> laidOut(Object &object, TCanvas &canvas)
{
    object.UpdateFontHeight();
    const TRect r = object.GetRect();
    return object.Layout(canvas, QSize(r.Width() * 600 / 96, r.Height() * 600 / 96));
}

TEST_F(NameRect, EveryTextObjectReadsAWritingDirectionOtherThanHorizontalAsVertical)
{
    QImage scratch = blank(10, 10);
    QPainter painter(&scratch);
    TCanvas canvas(painter, 600, 600);
    canvas.SetTarget(Printer);

    TNameRect person;
    person.SetRect(mm(0, 0, 450, 1050));
    person.SetName(QStringLiteral("山田\u3000太郎"));
    person.SetHonor(QStringLiteral("様"));
    TNameRect company;
    company.SetRect(mm(0, 0, 450, 1050));
    company.SetKind(2);
    company.SetName(QStringLiteral("佐藤\u3000健"));
    company.SetCorpName(QStringLiteral("ベルモーラ工業株式会社"));
    TCorpRect corp;
    corp.SetRect(mm(0, 0, 450, 1050));
    corp.SetText(QStringLiteral("ベルモーラ工業株式会社"));
    corp.SetHonor(QStringLiteral("御中"));
    TAdditionRect addition;
    addition.SetRect(mm(0, 0, 450, 1050));
    addition.SetText(QStringLiteral("営業部"));

    const auto directions = [&](TMetaRect &object, auto layout) {
        object.SetDirection(WritingDirection::Vertical);
        const QList<TPlacedPiece> vertical = layout();
        object.SetDirection(WritingDirection::Horizontal);
        const QList<TPlacedPiece> horizontal = layout();
        object.SetDirection(2);  // a damaged document's byte
        const QList<TPlacedPiece> damaged = layout();
        EXPECT_FALSE(vertical.isEmpty());
        EXPECT_NE(vertical, horizontal);
        EXPECT_EQ(damaged, vertical);
        EXPECT_FALSE(object.WritesHorizontally());
    };
    directions(person, [&] { return laidOut(person, canvas); });
    directions(company, [&] { return laidOut(company, canvas); });
    directions(corp, [&] { return laidOut(corp, canvas); });
    directions(addition, [&] { return laidOut(addition, canvas); });
}

TEST_F(NameRect, TextObjectsLayOutTheirPiecesBeforeTheyDraw)
{
    QImage scratch = blank(10, 10);
    QPainter painter(&scratch);
    TCanvas canvas(painter, 600, 600);
    canvas.SetTarget(Printer);
    const int margin = 25;  // 4/96 inch

    // Joint names: every line starts at the top margin with one advance per unit, and the long honorific is
    // narrowed to three quarters.
    TNameRect name;
    name.SetRect(mm(0, 0, 450, 1050));
    name.SetKind(1);
    name.SetName(QStringLiteral("山田\u3000太郎"));
    name.SetHonor(QStringLiteral("様"));
    name.SetJointCount(1);
    name.SetJointName(0, QStringLiteral("花子"));
    name.SetJointHonor(0, QStringLiteral("ちゃん"));
    const QList<TPlacedPiece> person = laidOut(name, canvas);
    ASSERT_EQ(person.size(), 4);
    EXPECT_EQ(person[0].Text, QStringLiteral("山田 太郎"));
    EXPECT_EQ(person[0].Advances.size(), person[0].Text.size());
    EXPECT_EQ(person[2].Text, QStringLiteral(" 花子"));
    EXPECT_EQ(person[0].At.y(), margin);
    EXPECT_EQ(person[2].At.y(), margin);
    EXPECT_GT(person[0].At.x(), person[2].At.x());  // the name's column right of the joint name's
    EXPECT_EQ(person[1].WidthRatio, 1);
    EXPECT_EQ(person[3].Text, QStringLiteral("ちゃん"));
    EXPECT_EQ(person[3].WidthRatio, 0.75);
    EXPECT_EQ(person[1].At.y(), person[3].At.y());  // the honorifics in one row behind the given names

    // The company object in two columns: the second ends where the honorific begins, flush with the end.
    TCorpRect corp;
    corp.SetRect(mm(0, 0, 400, 1200));
    corp.SetText(QStringLiteral("ベルモーラ工業株式会社\u3000東京支社\u3000営業部"));
    corp.SetHonor(QStringLiteral("御中"));
    corp.SetOption(1);
    const QList<TPlacedPiece> lines = laidOut(corp, canvas);
    ASSERT_EQ(lines.size(), 3);
    const int height = corp.GetRect().Height() * 600 / 96;
    canvas.SetFontHeight(lines[2].FontHeight);
    EXPECT_EQ(lines[2].At.y() + canvas.TextWidth(lines[2].Text), height - margin);
    EXPECT_EQ(lines[1].At.x(), lines[2].At.x());
    EXPECT_EQ(lines[0].At.x() - lines[1].At.x(), canvas.TextHeight(u"一"));
    EXPECT_EQ(lines[0].At.y(), margin);

    // A company record: the company and department columns from the right, then the name's column with a
    // short post before the name, in a smaller size, and the honorific after it.
    TNameRect company;
    company.SetRect(mm(0, 0, 500, 1200));
    company.SetKind(2);
    company.SetName(QStringLiteral("佐藤\u3000健"));
    company.SetHonor(QStringLiteral("様"));
    company.SetCorpName(QStringLiteral("ベルモーラ工業株式会社"));
    company.SetDepartment(0, QStringLiteral("営業部"));
    company.SetPost(QStringLiteral("部長"));
    const QList<TPlacedPiece> block = laidOut(company, canvas);
    ASSERT_EQ(block.size(), 5);
    EXPECT_EQ(block[0].Text, QStringLiteral("ベルモーラ工業株式会社"));
    EXPECT_EQ(block[1].Text, QStringLiteral("営業部"));
    EXPECT_EQ(block[2].Text, QStringLiteral("部長"));
    EXPECT_EQ(block[3].Text, QStringLiteral("佐藤 健"));
    EXPECT_EQ(block[4].Text, QStringLiteral("様"));
    EXPECT_GT(block[0].At.x(), block[1].At.x());
    EXPECT_GT(block[1].At.x(), block[3].At.x());
    EXPECT_EQ(block[0].At.y(), margin);
    EXPECT_GT(block[1].At.y(), margin);  // the department indented below the company
    EXPECT_EQ(block[2].At.y(), margin);
    EXPECT_LT(block[3].FontHeight, block[2].FontHeight);  // character heights are negative: the post is smaller
    canvas.SetFontHeight(block[2].FontHeight);
    const int postLength = canvas.TextWidth(block[2].Text);
    canvas.SetFontHeight(block[3].FontHeight);
    EXPECT_EQ(block[3].At.y(), margin + postLength + canvas.TextWidth(u"一") / 2);
    EXPECT_EQ(block[3].Advances.size(), block[3].Text.size());
    EXPECT_GT(block[4].At.y(), block[3].At.y());
    EXPECT_EQ(block[4].At.x(), block[3].At.x());

    // A bare postal code: one piece, a digit per box.
    TPosRect code;
    code.SetRect(mm(0, 0, 480, 80));
    code.SetText(QStringLiteral("1000001"));
    const QList<TPlacedPiece> digits = laidOut(code, canvas);
    ASSERT_EQ(digits.size(), 1);
    EXPECT_EQ(digits[0].Advances.size(), 7);
    EXPECT_GT(digits[0].Advances[2], digits[0].Advances[1]);  // the wider step where the hyphen would stand
}

TEST_F(NameRect, PostcardAddressSide)
{
    // A postcard, 100 x 148 mm: the postal code in its boxes, a company and a name with joint names.
    QImage page = blank();
    TPosRect code;
    code.SetRect(mm(440, 120, 917, 200));
    code.SetText(QStringLiteral("1070062"));
    TCorpRect corp;
    corp.SetRect(mm(620, 300, 780, 1300));
    corp.SetText(QStringLiteral("ベルモーラ工業株式会社\u3000東京支社"));
    TNameRect name;
    name.SetRect(mm(300, 300, 620, 1350));
    name.SetKind(1);
    name.SetName(QStringLiteral("山田\u3000太郎"));
    name.SetHonor(QStringLiteral("様"));
    name.SetJointCount(2);
    name.SetJointName(0, QStringLiteral("花子"));
    name.SetJointHonor(0, QStringLiteral("様"));
    name.SetJointName(1, QStringLiteral("一"));
    name.SetJointHonor(1, QStringLiteral("くん"));
    TNameRect company;
    company.SetRect(mm(60, 300, 300, 1350));
    company.SetKind(2);
    company.SetName(QStringLiteral("佐藤\u3000健"));
    company.SetHonor(QStringLiteral("様"));
    company.SetCorpName(QStringLiteral("株式会社ベルモーラ・ソリューションズ\u3000関東本部"));
    company.SetDepartment(0, QStringLiteral("営業第二部"));
    company.SetPost(QStringLiteral("部長"));
    company.SetOption177(1);
    for (TMetaRect *object : std::initializer_list<TMetaRect *>{&code, &corp, &name, &company}) {
        QImage alone = blank();
        const QRect frame = print(*object, alone);
        print(*object, page);
        EXPECT_EQ(InkBox(alone, alone.rect()), InkBox(alone, frame));
        EXPECT_FALSE(InkBox(alone, frame).isEmpty());
    }
    KeepSamplePage(page, "names-postcard");
}

TEST_F(NameRect, AFamilyNameOutsideTheBasicPlaneTakesOneCellPerCharacter)
{
    // 𠮷 is one character of two UTF-16 units: 田 stands one cell after it, and the given name lines up as
    // after any two-character family name. Apart from the first cell, the print equals that of 山田.
    for (uint8_t direction : {0, 1}) {
        const auto printed = [&](const QString &family) {
            TNameRect name;
            name.SetRect(direction == 0 ? mm(0, 0, 300, 1000) : mm(0, 0, 1000, 300));
            name.SetDirection(direction);
            name.SetKind(1);
            name.SetName(family + QStringLiteral(" 太郎"));
            name.SetHonor(QStringLiteral("様"));
            name.SetJointCount(1);
            name.SetJointName(0, QStringLiteral("花子"));
            QImage page = blank(2500, 2500);
            const QRect frame = print(name, page);
            QImage scratch = blank(10, 10);
            QPainter painter(&scratch);
            TCanvas canvas(painter, 600, 600);
            selectObjectFont(canvas, name, direction == 0);
            const int u = canvas.TextWidth(u"一");
            const int margin = 25;
            // The first character's cell, blanked.
            QPainter blanking(&page);
            blanking.fillRect(direction == 0 ? QRect(0, 0, page.width(), frame.top() + margin + u)
                                             : QRect(0, 0, frame.left() + margin + u, page.height()),
                              Qt::white);
            return page;
        };
        const QImage rare = printed(QStringLiteral("𠮷田"));
        const QImage common = printed(QStringLiteral("山田"));
        EXPECT_FALSE(InkBox(rare).isEmpty()) << int(direction);
        EXPECT_EQ(InkBox(rare), InkBox(common)) << int(direction);
        EXPECT_TRUE(rare == common) << int(direction);
    }
}
