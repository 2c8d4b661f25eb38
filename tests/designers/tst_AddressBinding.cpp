// The texts a record or a sender row puts into the address objects: postal marks, the address conversions,
// name splitting, joint names, company forms, the omit-name cascade, the sender's joint series and contacts.
#include "designers/AddressBinding.h"

#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "drawing/AdditionRect.h"
#include "drawing/BarcodeRect.h"
#include "drawing/CorpRect.h"
#include "drawing/NameRect.h"

#include "TestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray sjis(const QString &text) { return Sjis::encode(text); }

TBindContext context(int direction = 1)
{
    TBindContext c;
    c.Form = DefaultAddressPrintForm(true);
    c.Direction = direction;
    return c;
}

TAddressBindRecord person(const QString &name)
{
    TAddressBindRecord r;
    r.PrivCorp = true;
    r.NameKanji = WideToEscapedAnsi(name);
    r.JointPrint = true;
    return r;
}

TAddressBindRecord company(const QString &name, const QString &corp, const QString &dept, const QString &post)
{
    TAddressBindRecord r;
    r.PrivCorp = false;
    r.NameKanji = WideToEscapedAnsi(name);
    r.CorpKanji = sjis(corp);
    r.Dptmnt = sjis(dept);
    r.Post = sjis(post);
    return r;
}

}  // namespace

TEST(AddressBindingTest, PostalMarksAddTheHyphenAfterTheThirdCharacterOnly)
{
    EXPECT_EQ(PostalText("1000001", 0), QStringLiteral("１０００００１"));
    EXPECT_EQ(PostalText("1000001", 1), QStringLiteral("〒１００-０００１"));
    EXPECT_EQ(PostalText("1000001", 2), QStringLiteral("１００-０００１"));
    EXPECT_EQ(PostalText("100", 1), QStringLiteral("〒１００"));
    EXPECT_EQ(PostalText("100", 2), QStringLiteral("１００"));
    EXPECT_EQ(PostalText("", 1), QString());
}

TEST(AddressBindingTest, AddressLinesFollowTheDataFormInOrder)
{
    TBindContext c = context(1);
    const auto plain = AddressLines(sjis(QStringLiteral("東京都")), sjis(QStringLiteral("千代田区1-2")),
                                    sjis(QStringLiteral("3-4")), {}, c);
    EXPECT_EQ(plain[0], QStringLiteral("東京都千代田区１－２"));
    EXPECT_EQ(plain[1], QStringLiteral("３－４"));
    c.Form.HidePrefecture = 1;
    c.Form.KanjiNumerals = 1;
    c.Form.DashToNo = 1;
    const auto converted = AddressLines(sjis(QStringLiteral("東京都")), sjis(QStringLiteral("千代田区1-2")),
                                        sjis(QStringLiteral("3-4")), {}, c);
    EXPECT_EQ(converted[0], QStringLiteral("千代田区一の二"));
    EXPECT_EQ(converted[1], QStringLiteral("三の四"));
    // Vertical writing turns the dashes that are left into long vowel marks.
    c.Form.DashToNo = 0;
    const auto vertical = AddressLines({}, sjis(QStringLiteral("1-2")), {}, {}, context(0));
    EXPECT_EQ(vertical[0], QStringLiteral("１ー２"));
    (void)c;
}

TEST(AddressBindingTest, NameSplitKeepsTheSpaceWithTheFamilyName)
{
    QString family, given;
    SplitName(QStringLiteral("山田　太郎"), family, given);
    EXPECT_EQ(family, QStringLiteral("山田 "));
    EXPECT_EQ(given, QStringLiteral("太郎"));
    SplitName(QStringLiteral("太郎"), family, given);
    EXPECT_EQ(family, QString());
    EXPECT_EQ(given, QStringLiteral("太郎"));
}

TEST(AddressBindingTest, JointNamesOfTheSameFamilyShowTheirGivenNameAfterASpace)
{
    TAddressBindRecord r = person(QStringLiteral("山田　太郎"));
    r.Joint[0] = WideToEscapedAnsi(QStringLiteral("山田　花子"));
    r.JointPrints[0] = true;
    r.Joint[1] = WideToEscapedAnsi(QStringLiteral("鈴木　一郎"));
    r.JointHonor[1] = sjis(QStringLiteral("殿"));
    r.JointPrints[1] = true;
    r.Joint[2] = WideToEscapedAnsi(QStringLiteral("山田　次郎"));
    r.JointPrints[2] = false;
    const TBoundName name = RecordName(r, context(), false);
    EXPECT_EQ(name.Kind, 1);
    EXPECT_EQ(name.Name, QStringLiteral("山田 太郎"));
    EXPECT_EQ(name.Honor, QStringLiteral("様"));
    ASSERT_EQ(name.Joints.size(), 2);
    EXPECT_EQ(name.Joints[0], (TBoundJoint{QStringLiteral(" 花子"), QStringLiteral("様"), {}}));
    EXPECT_EQ(name.Joints[1], (TBoundJoint{QStringLiteral("鈴木 一郎"), QStringLiteral("殿"), {}}));

    // Without the main name printed, the first joint name takes its place with the family name.
    r.JointPrint = false;
    const TBoundName withoutMain = RecordName(r, context(), false);
    EXPECT_EQ(withoutMain.Name, QStringLiteral("山田 花子"));
    ASSERT_EQ(withoutMain.Joints.size(), 1);
    EXPECT_EQ(withoutMain.Joints[0].Name, QStringLiteral("鈴木 一郎"));
}

TEST(AddressBindingTest, JointOwnerBecomesTheMainNameAndAnEmptyOwnerIsNone)
{
    TAddressBindRecord r = person(QStringLiteral("山田　太郎"));
    r.Joint[1] = WideToEscapedAnsi(QStringLiteral("山田　花子"));
    r.JointPrints[1] = true;
    r.JointOwner = 2;
    const TBoundName owner = RecordName(r, context(), false);
    EXPECT_EQ(owner.Name, QStringLiteral("山田 花子"));
    ASSERT_EQ(owner.Joints.size(), 1);
    EXPECT_EQ(owner.Joints[0].Name, QStringLiteral("太郎"));

    r.JointOwner = 3;  // names an empty joint field: as no owner
    const TBoundName none = RecordName(r, context(), false);
    EXPECT_EQ(none.Name, QStringLiteral("山田 太郎"));
    ASSERT_EQ(none.Joints.size(), 1);
    EXPECT_EQ(none.Joints[0].Name, QStringLiteral(" 花子"));
}

TEST(AddressBindingTest, CompanyTypesAreAbbreviatedOrExpandedWithTheirBrackets)
{
    TAddressBindRecord r = company(QStringLiteral("株式会社山田"), QStringLiteral("株式会社鈴木商事"), {}, {});
    TBindContext c = context();
    c.Form.CorpTypeForm = 1;
    const TBoundName abbreviated = RecordName(r, c, false);
    EXPECT_EQ(abbreviated.Name, QStringLiteral("（株）山田"));
    EXPECT_EQ(abbreviated.Corp, QStringLiteral("(株)鈴木商事"));
    c.Form.CorpTypeForm = 2;
    r.CorpKanji = sjis(QStringLiteral("（株）鈴木商事"));
    EXPECT_EQ(RecordName(r, c, false).Corp, QStringLiteral("株式会社鈴木商事"));
}

TEST(AddressBindingTest, CompanyWithoutPersonPutsItsLowestPartInTheNamesPlace)
{
    const TBindContext c = context();
    const TBoundName post = RecordName(company({}, QStringLiteral("鈴木商事"), QStringLiteral("営業部"),
                                               QStringLiteral("部長")), c, false);
    EXPECT_TRUE(post.Omit);
    EXPECT_EQ(post.Name, QStringLiteral("部長"));
    EXPECT_EQ(post.Honor, QStringLiteral("様"));
    EXPECT_EQ(post.Post, QString());
    const TBoundName dept = RecordName(company({}, QStringLiteral("鈴木商事"), QStringLiteral("営業部"), {}), c, false);
    EXPECT_EQ(dept.Name, QStringLiteral("営業部"));
    EXPECT_EQ(dept.Honor, QStringLiteral("御中"));
    EXPECT_EQ(dept.Dptmnt, QString());
    const TBoundName corp = RecordName(company({}, QStringLiteral("鈴木商事"), {}, {}), c, false);
    EXPECT_EQ(corp.Name, QStringLiteral("鈴木商事"));
    EXPECT_EQ(corp.Honor, QStringLiteral("御中"));
    EXPECT_EQ(corp.Corp, QString());
    // With a person the company parts stay where they are.
    const TBoundName named = RecordName(company(QStringLiteral("山田　太郎"), QStringLiteral("鈴木商事"), {}, {}), c, false);
    EXPECT_EQ(named.Name, QStringLiteral("山田　太郎"));
    EXPECT_EQ(named.Corp, QStringLiteral("鈴木商事"));
}

TEST(AddressBindingTest, SplitHiddenNameMovesTheHonorificToTheLowestVisibleCompanyPart)
{
    TPrintDocument layout;
    const TFixedObjects set = ReceiverObjects(layout, true);
    const TBindContext c = context();
    const TBoundName name = RecordName(company(QStringLiteral("山田　太郎"), QStringLiteral("鈴木商事"),
                                               QStringLiteral("営業部"), {}), c, true);
    set.Name->Visible = 0;
    FillObjects(set, {}, {}, name, c, TFillRole::Receiver);
    EXPECT_EQ(set.Name->Honor(), QString());
    EXPECT_EQ(set.Corp[1]->Text(), QStringLiteral("営業部"));
    EXPECT_EQ(set.Corp[1]->Honor(), QStringLiteral("御中"));
    EXPECT_EQ(set.Corp[0]->Honor(), QString());
    // The sender on a paper without a sender part keeps its honorific where it is.
    TSenderRecord s;
    s.SelectInfo = 2;
    s.Name = WideToEscapedAnsi(QStringLiteral("山田　太郎"));
    s.Corp = sjis(QStringLiteral("鈴木商事"));
    const TFixedObjects other = ReceiverObjects(layout, true);
    ClearObjects(other);
    FillObjects(other, {}, {}, SenderName(s, c, true, true), c, TFillRole::SenderAsReceiver);
    EXPECT_EQ(other.Name->Honor(), QStringLiteral("行"));
    EXPECT_EQ(other.Corp[0]->Honor(), QString());
}

TEST(AddressBindingTest, SenderJointSeriesJoinsTwoGivenNamesPerLine)
{
    TSenderRecord s;
    s.SelectInfo = 1;
    s.Name = WideToEscapedAnsi(QStringLiteral("山田　太郎"));
    s.NamePrint = true;
    for (size_t i = 0; i < 3; ++i)
        s.Joint[i] = WideToEscapedAnsi(QStringLiteral("山田　") + QStringList{QStringLiteral("花子"), QStringLiteral("次郎"), QStringLiteral("三郎")}[int(i)]);
    s.JointPrint = {true, true, true, false, false};
    TBindContext c = context();
    c.Form.SenderJointSeries = 1;
    const TBoundName joined = SenderName(s, c, false, false);
    EXPECT_EQ(joined.Name, QStringLiteral("山田 太郎・花子"));
    ASSERT_EQ(joined.Joints.size(), 1);
    EXPECT_EQ(joined.Joints[0].Name, QStringLiteral(" 次郎・三郎"));
    EXPECT_EQ(joined.Honor, QString());

    // As the receiver of a paper without a sender part: one name with the sender honorific, no joints.
    const TBoundName asReceiver = SenderName(s, c, false, true);
    EXPECT_EQ(asReceiver.Name, QStringLiteral("山田 太郎"));
    EXPECT_EQ(asReceiver.Honor, QStringLiteral("行"));
    EXPECT_TRUE(asReceiver.Joints.isEmpty());
}

TEST(AddressBindingTest, ContactsShowTheFirstTwoPrintedLinesAndKeepMailHalfWidth)
{
    TPrintDocument layout;
    const TFixedObjects set = SenderObjects(layout, false);
    TSenderRecord s;
    s.Head = {sjis(QStringLiteral("TEL")), sjis(QStringLiteral("FAX")), sjis(QStringLiteral("e-mail")), {}};
    s.Addition = {"03-1234-5678", "03-1234-5679", "taro@example.jp", {}};
    s.AdditionPrint = {false, true, true, true};
    FillContacts(set, s, context());
    EXPECT_EQ(set.Contacts[0]->Item, 20);
    EXPECT_EQ(set.Contacts[1]->Item, 21);
    EXPECT_TRUE(set.Contacts[0]->Visible);
    EXPECT_TRUE(set.Contacts[1]->Visible);
    EXPECT_EQ(set.Contacts[0]->SubText(), QStringLiteral("ＦＡＸ"));
    EXPECT_EQ(set.Contacts[1]->SubText(), QStringLiteral("e-mail"));
    EXPECT_EQ(set.Contacts[1]->Text(), QStringLiteral("taro@example.jp"));

    s.AdditionPrint = {false, false, false, false};
    FillContacts(set, s, context());
    EXPECT_FALSE(set.Contacts[0]->Visible);
    EXPECT_FALSE(set.Contacts[1]->Visible);
}

TEST(AddressBindingTest, NameWithoutFamilyShowsSameFamilyJointsAsGivenNames)
{
    TAddressBindRecord r = person(QStringLiteral("太郎"));
    r.Joint[0] = WideToEscapedAnsi(QStringLiteral("花子"));
    r.JointPrints[0] = true;
    const TBoundName printed = RecordName(r, context(), false);
    EXPECT_EQ(printed.Name, QStringLiteral("太郎"));
    ASSERT_EQ(printed.Joints.size(), 1);
    EXPECT_EQ(printed.Joints[0].Name, QStringLiteral(" 花子"));
    r.JointPrint = false;
    EXPECT_EQ(RecordName(r, context(), false).Name, QStringLiteral("花子"));
}

// A room after the street number: the customer barcode reads "1-3-2" and room 503 apart, as an envelope
// writing them apart does, never street number 1-3-2503.
TEST(AddressBindingTest, TheBarcodeReadsTheBuildingApartFromTheStreetNumber)
{
    QTemporaryDir work;
    TBindContext c = context(1);
    c.ProgramFolder = test::appDir();
    c.DictionaryFolder = test::appDir() + QStringLiteral("Dic/");
    c.WorkFolder = work.path() + QLatin1Char('/');
    const auto barcodeOf = [&c](const QString &address) {
        TBarcodeRect barcode;
        barcode.MakeBarcode("1000013", sjis(address), c.ProgramFolder, c.DictionaryFolder, c.WorkFolder);
        return barcode.GetImage();
    };
    TBarcodeRect barcode;
    barcode.Visible = 1;
    TFixedObjects objects;
    objects.Barcode = &barcode;
    FillBarcode(objects, "1000013",
                {sjis(QStringLiteral("東京都")), sjis(QStringLiteral("千代田区")), sjis(QStringLiteral("霞が関1-3-2")),
                 sjis(QStringLiteral("503号室"))},
                c);
    ASSERT_FALSE(barcode.GetImage().isNull());
    EXPECT_EQ(barcode.GetImage(), barcodeOf(QStringLiteral("東京都千代田区霞が関１－３－２　５０３号室")));
    EXPECT_NE(barcode.GetImage(), barcodeOf(QStringLiteral("東京都千代田区霞が関１－３－２５０３号室")));
}
