// The data-form and layout-detail dialogs: a record set, shown and read back, the modes of each designer,
// the other half of the record untouched.
#include "designers/DataFrm.h"
#include "designers/ExTrackBar.h"
#include "designers/LytDtl.h"
#include "designers/QRCode.h"
#include "drawing/QRCodeRect.h"

#include "TestSupport.h"
#include "core/Globals.h"
#include "platform/MemIniFile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace {

template <class T> T *control(QWidget *in, const char *name)
{
    T *c = in->findChild<T *>(QLatin1String(name));
    EXPECT_TRUE(c) << name;
    return c;
}

TPrintForm odd()
{
    TPrintForm form = DefaultAddressPrintForm(false);
    form.HidePrefecture = 1;
    form.DashToNo = 1;
    form.CorpTypeForm = 7;
    form.PostalMark = 1;
    form.SenderPostalMark = 9;
    form.CorpHonor.SetValue(QStringLiteral("各位"));
    form.NameSize = 5;
    form.SenderAdditionSize = 1;
    form.DptmntRatio = 1;
    form.NameAlign = 9;
    form.SenderNameAlign = 2;
    form.SenderJointSeries = 1;
    form.CorpBreak = 1;
    form.Reserved = {1, 2, 3, 4, 5, 6, 7};
    return form;
}

}  // namespace

TEST(DataFormDialog, SetShowReadBack)
{
    TDataFormDialog dialog(nullptr);
    const TPrintForm form = odd();
    dialog.SetDataForm(form);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_TRUE(control<QRadioButton>(&dialog, "rbFull")->isChecked());
    EXPECT_TRUE(control<QRadioButton>(&dialog, "rbPosMark")->isChecked());
    EXPECT_TRUE(control<QRadioButton>(&dialog, "rbSendPosHyphen")->isChecked());
    EXPECT_EQ(control<QCheckBox>(&dialog, "ckbTdfkn")->palette().color(QPalette::ButtonText), QColor(0, 0, 255));

    TPrintForm back = DefaultAddressPrintForm(true);
    back.NameSize = 4;
    dialog.GetDataForm(back);
    EXPECT_EQ(back.HidePrefecture, 1);
    EXPECT_EQ(back.CorpTypeForm, 2u) << "a value above 2 reads back as 2";
    EXPECT_EQ(back.PostalMark, 1u);
    EXPECT_EQ(back.SenderPostalMark, 2u);
    EXPECT_EQ(back.CorpHonor.Value(), QStringLiteral("各位"));
    EXPECT_EQ(back.NameSize, 4u) << "the layout half is not touched";

    // Ten characters fit the edit, ten bytes the record: cut on a character, an empty edit stores nothing.
    auto *def = control<QLineEdit>(&dialog, "edDefHonor");
    def->setText(QStringLiteral("a御中御中御中"));
    control<QLineEdit>(&dialog, "edPostHonor")->clear();
    dialog.GetDataForm(back);
    EXPECT_EQ(back.DefaultHonor.Value(), QStringLiteral("a御中御中"));
    EXPECT_EQ(back.PostHonor.Length, 0);
}

TEST(DataFormDialog, ModesOfTheDesigners)
{
    TDataFormDialog label(nullptr);
    label.SetPrintKind(2);
    EXPECT_FALSE(control<QRadioButton>(&label, "rbSendPosMark")->isEnabled());
    EXPECT_FALSE(control<QWidget>(&label, "lblinfo")->isHidden());
    EXPECT_TRUE(control<QLineEdit>(&label, "edDefHonor")->isEnabled());
    TDataFormDialog card(nullptr);
    card.SetPrintKind(3);
    EXPECT_FALSE(control<QLineEdit>(&card, "edDefHonor")->isEnabled());
    TDataFormDialog letter(nullptr);
    letter.SetSenderOnly(true);
    EXPECT_FALSE(control<QRadioButton>(&letter, "rbPosNone")->isEnabled());
    EXPECT_TRUE(control<QRadioButton>(&letter, "rbSendPosNone")->isEnabled());
    EXPECT_FALSE(control<QLineEdit>(&letter, "edSenderHonor")->isEnabled());
}

class LayoutDetailTest : public ::testing::Test {
protected:
    void SetUp() override { DataFolder = dir.path() + "/"; }
    QTemporaryDir dir;
};

TEST_F(LayoutDetailTest, SetShowReadBack)
{
    TLayoutDetailDialog dialog(nullptr);
    const TPrintForm form = odd();
    dialog.SetPrintKind(0);
    dialog.SetDetail(form);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(control<TExTrackBar>(&dialog, "tbrName")->value(), 5);
    EXPECT_EQ(control<QComboBox>(&dialog, "cbxDptmntRatio")->currentText(), QStringLiteral("9"));
    EXPECT_TRUE(control<QRadioButton>(&dialog, "rbCenter")->isChecked()) << "an alignment above 3 is the centre";
    EXPECT_TRUE(control<QRadioButton>(&dialog, "rbS_Right")->isChecked());
    EXPECT_TRUE(control<QRadioButton>(&dialog, "rbSeries")->isChecked());
    EXPECT_FALSE(control<TExTrackBar>(&dialog, "tbrAddition")->isEnabled());
    EXPECT_TRUE(control<TExTrackBar>(&dialog, "tbrSendName")->isEnabled());

    TPrintForm back;
    back.HidePrefecture = 1;
    back.Reserved = {9, 9, 9, 9, 9, 9, 9};
    dialog.GetDetail(back);
    EXPECT_EQ(back.NameSize, 5u);
    EXPECT_EQ(back.SenderAdditionSize, 1u);
    EXPECT_EQ(back.DptmntRatio, 1u);
    EXPECT_EQ(back.NameAlign, 3);
    EXPECT_EQ(back.SenderNameAlign, 2);
    EXPECT_EQ(back.SenderJointSeries, 1);
    EXPECT_EQ(back.CorpBreak, 1);
    EXPECT_EQ(back.HidePrefecture, 1) << "the data-form half is not touched";
    EXPECT_EQ(back.Reserved[0], 9) << "the reserved bytes are not touched";
}

TEST_F(LayoutDetailTest, ItemBoxesFollowTheModes)
{
    TLayoutDetailDialog dialog(nullptr);
    dialog.SetPrintKind(2);
    EXPECT_FALSE(control<TExTrackBar>(&dialog, "tbrSendName")->isEnabled());
    EXPECT_FALSE(control<QRadioButton>(&dialog, "rbS_Equal")->isEnabled());
    EXPECT_TRUE(control<TExTrackBar>(&dialog, "tbrAddition")->isEnabled());

    dialog.SetManual(false);
    dialog.SetItemGroups(0);
    EXPECT_FALSE(control<QCheckBox>(&dialog, "ckbName")->isEnabled());
    EXPECT_FALSE(control<QCheckBox>(&dialog, "ckbS_Name")->isEnabled());
    EXPECT_TRUE(control<QComboBox>(&dialog, "cbxCorpRatio")->isEnabled());
    dialog.SetItemGroups(1);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    control<QTabWidget>(&dialog, "pgcDetail")->setCurrentIndex(0);
    control<QCheckBox>(&dialog, "ckbAuto")->click();  // off: manual
    EXPECT_TRUE(dialog.Manual());
    EXPECT_TRUE(control<QCheckBox>(&dialog, "ckbName")->isEnabled());
    EXPECT_FALSE(control<QCheckBox>(&dialog, "ckbS_Name")->isEnabled());
    EXPECT_FALSE(control<QCheckBox>(&dialog, "ckbAddition4")->isEnabled());
    EXPECT_FALSE(control<QComboBox>(&dialog, "cbxCorpRatio")->isEnabled());

    dialog.SetAddressChecked(7, true);  // beyond the row: its last box
    EXPECT_TRUE(control<QCheckBox>(&dialog, "ckbAddress3")->isChecked());
    EXPECT_TRUE(dialog.GetAddressChecked(2));
    dialog.SetAdditionChecked(3, true);
    EXPECT_TRUE(dialog.GetAdditionChecked(9));
    dialog.SetSenderCorpChecked(true);
    EXPECT_TRUE(control<QCheckBox>(&dialog, "ckbS_Corp")->isChecked());
}

TEST_F(LayoutDetailTest, ThePageIsRememberedAndAStrayOneIgnored)
{
    {
        TMemIniFile settings(DataFolder + SettingsFileName);
        settings.WriteInteger("PRINTFORM", "Detail", 7);
        settings.UpdateFile();
    }
    {
        TLayoutDetailDialog dialog(nullptr);
        EXPECT_EQ(control<QTabWidget>(&dialog, "pgcDetail")->currentIndex(), 0);
        control<QTabWidget>(&dialog, "pgcDetail")->setCurrentIndex(2);
        dialog.reject();
    }
    EXPECT_EQ(TMemIniFile(DataFolder + SettingsFileName).ReadInteger("PRINTFORM", "Detail", 0), 2);
    TLayoutDetailDialog again(nullptr);
    EXPECT_EQ(control<QTabWidget>(&again, "pgcDetail")->currentIndex(), 2);
}

// A settings file that cannot be written is named, and the dialog still ends as asked.
TEST_F(LayoutDetailTest, ASettingsFileThatCannotBeWrittenIsNamedAndTheDialogEnds)
{
    test::MessageBoxScript boxes;
    const QString settings = DataFolder + SettingsFileName;
    ASSERT_TRUE(QDir().mkpath(settings));
    TLayoutDetailDialog dialog(nullptr);
    dialog.show();
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_TRUE(boxes.shown()[0].text.startsWith(settings));
}

TEST(LayoutDetail, TrackClicksGoToTheNearestStep)
{
    EXPECT_EQ(TrackStepAt(-5, 10, 110), 1);
    EXPECT_EQ(TrackStepAt(10, 10, 110), 1);
    EXPECT_EQ(TrackStepAt(200, 10, 110), 5);
    EXPECT_EQ(TrackStepAt(22, 10, 110), 1);   // 0.48 of a step
    EXPECT_EQ(TrackStepAt(23, 10, 110), 2);   // 0.52
    EXPECT_EQ(TrackStepAt(60, 10, 110), 3);
    EXPECT_EQ(TrackStepAt(35, 10, 110), 2);   // exactly one step
}

// The designers' texts kept in Shift-JIS (an honorific, the QR code's fields) show a
// character the converter writes as a look-alike as it will be kept.
TEST(DesignerTexts, ALookAlikeIsShownAsItIsKept)
{
    const auto commit = [](QWidget *w, const QString &text) {
        QInputMethodEvent event;
        event.setCommitString(text);
        QApplication::sendEvent(w, &event);
    };
    TDataFormDialog form(nullptr);
    TQRCodeSettingDialog qr(nullptr);
    qr.ResetPreview(TQRCodeRect());
    for (QDialog *d : std::initializer_list<QDialog *>{&form, &qr}) {
        d->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(d));
    }
    QLineEdit *honor = control<QLineEdit>(&form, "edDefHonor");
    commit(honor, QStringLiteral("剝殿"));
    EXPECT_EQ(honor->text(), QStringLiteral("剥殿"));
    QLineEdit *memo = control<QLineEdit>(&qr, "edMemo");
    commit(memo, QStringLiteral("森鷗外記念館〜"));
    EXPECT_EQ(memo->text(), QStringLiteral("森鴎外記念館～"));
    QPlainTextEdit *text = control<QPlainTextEdit>(&qr, "memText");
    text->clear();
    commit(text, QStringLiteral("剝製−鷗"));
    EXPECT_EQ(text->toPlainText(), QStringLiteral("剥製－鴎"));
}
