// The dictionary window over the real libraries, Dic/ and the sample directory of the build, with an address
// book of the test's own: what each page hands back and what a missing library leaves usable.
#include "base/SjisCodec.h"
#include "core/Globals.h"
#include "core/Hyphen.h"
#include "db/DatabaseError.h"
#include "db/Table.h"
#include "db/TableSchemas.h"
#include "directory/DirectoryDll.h"
#include "geo/DicSch.h"
#include "geo/KykbnSearch.h"
#include "platform/MemIniFile.h"
#include "widgets/ShiftJisValidator.h"

#include "Accessibility.h"
#include "SampleDirectory.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QToolTip>
#include <QTreeWidget>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

QByteArray sjis(const QString &text) { return Sjis::encode(text); }
QString text(const QByteArray &bytes) { return Sjis::decode(bytes); }

class DicSch : public test::SampleDirectoryTest {
protected:
    void SetUp() override
    {
        SampleDirectoryTest::SetUp();
        LoadHyphenDll(AppFolder, AppFolder + QStringLiteral("Dic/"));
    }
    void TearDown() override
    {
        FreeHyphenDll();
        SampleDirectoryTest::TearDown();
    }
    // A record of the book with a number in one of its number fields; returns its RecNo.
    int32_t add(const char *field, const QByteArray &number, bool person, const QString &name)
    {
        return addRecord([&](TTable &t) {
            t.FieldByName(QLatin1String(field)).SetAsString(number);
            t.FieldByName("PrivCorp").SetAsBoolean(person);
            t.FieldByName(person ? "NameKanji" : "CorpKanji").SetAsString(sjis(name));
        });
    }
    template <class T>
    T *control(TDicSearch &dialog, const char *name)
    {
        T *found = dialog.findChild<T *>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    test::MessageBoxScript boxes;
};

TEST_F(DicSch, PostalCodeAndAddressGiveTheChosenTownsRecord)
{
    TDicSearch dialog(nullptr);
    dialog.SetPages(15, true, false);
    ASSERT_EQ(dialog.StartWith(dicResultPos, "100-0001"), 0);
    EXPECT_EQ(control<QLineEdit>(dialog, "edtPosSch")->text(), QStringLiteral("100-0001"));
    EXPECT_EQ(control<QLabel>(dialog, "lblStatus")->text(), QStringLiteral("郵便番号検索結果から住所を選択してください。"));
    control<QPushButton>(dialog, "btnDecision")->click();
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.ResultKind(), dicResultPos);
    TDicSearchResult r;
    dialog.GetResultRecord(r);
    EXPECT_EQ(ShortString(r.PosCode), "100-0001");
    EXPECT_EQ(text(ShortString(r.Prefecture)), QStringLiteral("東京都"));
    EXPECT_EQ(text(ShortString(r.City)), QStringLiteral("千代田区"));
    EXPECT_EQ(text(ShortString(r.Town)), QStringLiteral("千代田"));
    EXPECT_EQ(ShortString(r.Address), "");
    EXPECT_EQ(text(ShortString(r.AddressKana)), QStringLiteral("ﾄｳｷﾖｳﾄﾁﾖﾀﾞｸﾁﾖﾀﾞ"));
    EXPECT_EQ(ShortString(r.JisCode), "13101");
    EXPECT_EQ(ShortString(r.KajoCode).size(), 6);
    EXPECT_NE(r.Latitude, 0);
    EXPECT_NE(r.Longitude, 0);
    EXPECT_EQ(r.Individual, 0);
    EXPECT_EQ(ShortString(r.Tel), "");

    TDicSearch address(nullptr);
    ASSERT_EQ(address.StartWith(dicResultAdrs, sjis(QStringLiteral("東京都北区王子本町"))), 0);
    auto *towns = control<QTreeWidget>(address, "lvAdrsTown");
    ASSERT_GT(towns->topLevelItemCount(), 0);
    EXPECT_EQ(towns->topLevelItem(0)->text(2), QStringLiteral("王子本町"));
    control<QPushButton>(address, "btnDecision")->click();
    ASSERT_EQ(address.ResultKind(), dicResultAdrs);
    address.GetResultRecord(r);
    EXPECT_EQ(ShortString(r.PosCode), "114-0022");
    EXPECT_EQ(text(ShortString(r.City)), QStringLiteral("北区"));
    EXPECT_EQ(text(ShortString(r.Town)), QStringLiteral("王子本町"));
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(DicSch, TelephoneNumberOfTheBookTheDirectoryOrTheAreaDictionary)
{
    const int32_t one = add("Tel", "0311112222", true, QStringLiteral("山田太郎"));
    add("Fax", "0622223333", false, QStringLiteral("大阪商事"));
    add("Fax", "0622223333", true, QStringLiteral("佐藤花子"));

    {  // One record: answered Yes, decided at once with its RecNo.
        TDicSearch dialog(nullptr);
        dialog.SetPages(15, true, false);
        boxes.answer(IDYES);
        EXPECT_EQ(dialog.StartWith(dicResultTel, "03-1111-2222"), 1);
        EXPECT_EQ(dialog.ResultKind(), dicResultAdrsBook);
        EXPECT_EQ(dialog.GetSelectedHit(), one);
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.shown()[0].text,
                  QStringLiteral("アドレス帳の中に該当するデータが見つかりました  \r\nこのデータを照会しますか？  \r\n\r\n"
                                 "照会しない場合はCDを検索します  \r\n\r\nキャンセルすると検索を中止します  "));
        EXPECT_EQ(boxes.shown()[0].caption, QStringLiteral("Velmora"));
    }
    {  // Two records: the list page, then the second one chosen.
        boxes.clear();
        TDicSearch dialog(nullptr);
        boxes.answer(IDYES);
        ASSERT_EQ(dialog.StartWith(dicResultTel, "0622223333"), 0);
        EXPECT_EQ(control<QLabel>(dialog, "lblListTitle")->text(), QStringLiteral("アドレス帳に複数のデータが見つかりました。"));
        EXPECT_EQ(control<QLineEdit>(dialog, "edtListField")->text(), QStringLiteral("FAX"));
        auto *hits = control<QTreeWidget>(dialog, "lvTelList");
        ASSERT_EQ(hits->topLevelItemCount(), 2);
        EXPECT_EQ(hits->topLevelItem(0)->text(0), QStringLiteral("会社"));
        EXPECT_EQ(hits->topLevelItem(0)->text(1), QStringLiteral("大阪商事"));
        EXPECT_EQ(hits->topLevelItem(1)->text(1), QStringLiteral("佐藤花子"));
        EXPECT_FALSE(control<QPushButton>(dialog, "btnPrior")->isHidden());
        hits->setCurrentItem(hits->topLevelItem(1));
        emit hits->itemDoubleClicked(hits->topLevelItem(1), 0);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(dialog.GetSelectedHit(), one + 2);
    }
    {  // Cancel in the question ends the look-up.
        TDicSearch dialog(nullptr);
        boxes.answer(IDCANCEL);
        EXPECT_EQ(dialog.StartWith(dicResultTel, "0311112222"), 9);
    }
    {  // No record and no directory entry: the area dictionary's towns, the chosen one with the number.
        int32_t count = 0;
        TDirectoryDetail details[KVDIR_TEL_RESULTS];
        ASSERT_NE(DirectoryTelLookup("0339001234", details, count), 0) << "the sample directory lists the number";
        boxes.clear();
        TDicSearch dialog(nullptr);
        dialog.SetPages(15, true, false);
        ASSERT_EQ(dialog.StartWith(dicResultTel, "0339001234"), 0);
        EXPECT_TRUE(boxes.shown().empty());
        EXPECT_EQ(control<QLineEdit>(dialog, "edtTelSch")->text(), QStringLiteral("03-3900-1234"));
        EXPECT_EQ(control<QLabel>(dialog, "lblStatus")->text(),
                  QStringLiteral("該当するデータは見つかりませんでした。局番検索結果から住所を選択してください。"));
        ASSERT_GT(control<QTreeWidget>(dialog, "lvTelCity")->topLevelItemCount(), 0);
        control<QPushButton>(dialog, "btnDecision")->click();
        ASSERT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(dialog.ResultKind(), dicResultTel);
        TDicSearchResult r;
        dialog.GetResultRecord(r);
        EXPECT_EQ(ShortString(r.Tel), "03-3900-1234");
        EXPECT_EQ(text(ShortString(r.Prefecture)), QStringLiteral("東京都"));
        EXPECT_FALSE(ShortString(r.Town).isEmpty());
        EXPECT_EQ(ShortString(r.JisCode).size(), 5);
    }
}

TEST_F(DicSch, MissingPostalLibraryIsReportedAndTheOtherPagesStillWork)
{
    useProgramFolderWithout(QStringLiteral("Kvpost.so"));
    ASSERT_FALSE(HasFatalFailure());

    TDicSearch dialog(nullptr);
    EXPECT_EQ(dialog.StartWith(dicResultPos, "1000001"), 0);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, QStringLiteral("Kvpost.so LoadLibrary Error\r\nDLLのロードに失敗しました"));
    EXPECT_EQ(boxes.shown()[0].flags, MB_OK | MB_ICONERROR);
    EXPECT_EQ(control<QTreeWidget>(dialog, "lvPosCity")->topLevelItemCount(), 0);

    EXPECT_EQ(dialog.StartWith(dicResultAdrs, sjis(QStringLiteral("東京都千代田区千代"))), 0);
    EXPECT_GT(control<QTreeWidget>(dialog, "lvAdrsTown")->topLevelItemCount(), 0);
    EXPECT_EQ(dialog.StartWith(dicResultTel, "0451234567"), 0);
    EXPECT_GT(control<QTreeWidget>(dialog, "lvTelTown")->topLevelItemCount(), 0);
    EXPECT_EQ(boxes.shown().size(), 1u);
}

// A town of the telephone area that folds 東京都's wards into one entry (13100) is stored with its own ward's code,
// as the postal and address pages store it.
TEST_F(DicSch, ATownOfTheWardAreaGivesItsOwnWardsCode)
{
    TDicSearch dialog(nullptr);
    dialog.SetPages(15, true, false);
    ASSERT_EQ(dialog.StartWith(dicResultTel, "03-5321-1111"), 0);
    ASSERT_EQ(control<QTreeWidget>(dialog, "lvTelCity")->currentItem()->text(0), QStringLiteral("東京都"));
    control<QComboBox>(dialog, "cbxTelViewKana")->setCurrentIndex(3);  // さ行
    auto *towns = control<QTreeWidget>(dialog, "lvTelTown");
    QTreeWidgetItem *osaki = nullptr;
    for (int i = 0; i < towns->topLevelItemCount() && !osaki; ++i)
        if (towns->topLevelItem(i)->text(2) == QStringLiteral("品川区大崎"))
            osaki = towns->topLevelItem(i);
    ASSERT_NE(osaki, nullptr);
    towns->setCurrentItem(osaki);
    control<QPushButton>(dialog, "btnDecision")->click();
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    TDicSearchResult r;
    dialog.GetResultRecord(r);
    EXPECT_EQ(text(ShortString(r.City)), QStringLiteral("品川区"));
    EXPECT_EQ(text(ShortString(r.Town)), QStringLiteral("大崎"));
    EXPECT_EQ(ShortString(r.JisCode), "13109");
    EXPECT_EQ(ShortString(r.Tel), "03-5321-1111");

    // The same town from its postal code: one place, one code.
    TDicSearch post(nullptr);
    ASSERT_EQ(post.StartWith(dicResultPos, ShortString(r.PosCode)), 0);
    control<QPushButton>(post, "btnDecision")->click();
    TDicSearchResult p;
    post.GetResultRecord(p);
    EXPECT_EQ(ShortString(p.JisCode), ShortString(r.JisCode));
    EXPECT_EQ(ShortString(p.KajoCode), ShortString(r.KajoCode));
}

// 決定 hands the form the place of the query the page shows: a query typed or set over the bus after the lists
// were filled is searched first, as Enter in its field does, and only a choice from its own lists is handed over.
TEST_F(DicSch, DecisionAnswersForTheQueryShownNotTheOneSearchedBefore)
{
    InstallTypedTextAccessibility();  // as the program does at start
    int32_t count = 0;
    TDirectoryDetail details[KVDIR_TEL_RESULTS];
    for (const char *number : {"0339001234", "0451234567"})
        ASSERT_NE(DirectoryTelLookup(number, details, count), 0) << number << " is listed in the sample directory";
    const auto setOverTheBus = [](QLineEdit *edit, const QString &value) {
        QAccessibleEditableTextInterface *editable = QAccessible::queryAccessibleInterface(edit)->editableTextInterface();
        editable->replaceText(0, int(edit->text().size()), value);
    };
    TDicSearchResult r;

    TDicSearch tel(nullptr);
    tel.SetPages(15, true, false);
    ASSERT_EQ(tel.StartWith(dicResultTel, "0339001234"), 0);
    auto *telEdit = control<QLineEdit>(tel, "edtTelSch");
    auto *decision = control<QPushButton>(tel, "btnDecision");
    telEdit->selectAll();
    QTest::keyClicks(telEdit, QStringLiteral("0451234567"));  // typed, no Enter
    decision->click();
    EXPECT_NE(tel.result(), QDialog::Accepted) << "handed over before the shown number was searched";
    EXPECT_EQ(telEdit->text(), QStringLiteral("045-123-4567"));
    ASSERT_GT(control<QTreeWidget>(tel, "lvTelTown")->topLevelItemCount(), 0);
    decision->click();
    ASSERT_EQ(tel.result(), QDialog::Accepted);
    tel.GetResultRecord(r);
    EXPECT_EQ(ShortString(r.Tel), "045-123-4567");
    EXPECT_EQ(text(ShortString(r.Prefecture)), QStringLiteral("神奈川県"));

    // A shown query that is no number is searched too, and refused: nothing of the earlier lists goes out.
    TDicSearch refused(nullptr);
    ASSERT_EQ(refused.StartWith(dicResultTel, "0339001234"), 0);
    setOverTheBus(control<QLineEdit>(refused, "edtTelSch"), QStringLiteral("03-39OO"));
    control<QPushButton>(refused, "btnDecision")->click();
    EXPECT_NE(refused.result(), QDialog::Accepted);
    EXPECT_EQ(control<QLabel>(refused, "lblStatus")->text(), QStringLiteral("半角の数字とハイフン以外は無効です。"));

    TDicSearch post(nullptr);
    ASSERT_EQ(post.StartWith(dicResultPos, "100-0001"), 0);
    setOverTheBus(control<QLineEdit>(post, "edtPosSch"), QStringLiteral("1140022"));
    control<QPushButton>(post, "btnDecision")->click();
    EXPECT_NE(post.result(), QDialog::Accepted);
    EXPECT_EQ(control<QLineEdit>(post, "edtPosSch")->text(), QStringLiteral("114-0022"));
    control<QPushButton>(post, "btnDecision")->click();
    ASSERT_EQ(post.result(), QDialog::Accepted);
    post.GetResultRecord(r);
    EXPECT_EQ(ShortString(r.PosCode), "114-0022");
    EXPECT_EQ(text(ShortString(r.City)), QStringLiteral("北区"));

    TDicSearch address(nullptr);
    ASSERT_EQ(address.StartWith(dicResultAdrs, sjis(QStringLiteral("東京都北区王子本町"))), 0);
    setOverTheBus(control<QLineEdit>(address, "edtAdrsSch"), QStringLiteral("東京都千代田区千代"));
    auto *towns = control<QTreeWidget>(address, "lvAdrsTown");
    emit towns->itemDoubleClicked(towns->currentItem(), 0);  // a town of the old lists chosen
    EXPECT_NE(address.result(), QDialog::Accepted);
    control<QPushButton>(address, "btnDecision")->click();
    ASSERT_EQ(address.result(), QDialog::Accepted);
    address.GetResultRecord(r);
    EXPECT_EQ(text(ShortString(r.City)), QStringLiteral("千代田区"));
    EXPECT_TRUE(boxes.shown().empty());
}

// The reading filter of a page over real towns: "わ行" lists the towns read with ﾜ and nothing else, and
// every other entry together with it lists each town of "すべて" once.
TEST_F(DicSch, TheReadingFiltersSplitTheTownsByTheirInitials)
{
    TDicSearch dialog(nullptr);
    ASSERT_EQ(dialog.StartWith(dicResultAdrs, sjis(QStringLiteral("東京都"))), 0);
    auto *cities = control<QTreeWidget>(dialog, "lvAdrsCity");
    auto *towns = control<QTreeWidget>(dialog, "lvAdrsTown");
    auto *filter = control<QComboBox>(dialog, "cbxAdrsViewKana");
    ASSERT_EQ(filter->count(), 11);
    EXPECT_EQ(filter->itemText(10), QStringLiteral("わ行"));
    const auto names = [&] {
        QStringList shown;
        for (int i = 0; i < towns->topLevelItemCount(); ++i)
            shown << towns->topLevelItem(i)->text(2);
        return shown;
    };
    int citiesWithWa = 0;
    for (int c = 0; c < cities->topLevelItemCount(); ++c) {
        cities->setCurrentItem(cities->topLevelItem(c));
        filter->setCurrentIndex(0);
        const QStringList all = names();
        QStringList byRows;
        for (int f = 1; f <= 10; ++f) {
            filter->setCurrentIndex(f);
            byRows += names();
        }
        filter->setCurrentIndex(10);
        const QStringList wa = names();
        for (int i = 0; i < towns->topLevelItemCount(); ++i) {
            const QString heading = towns->topLevelItem(i)->text(1);
            EXPECT_TRUE(heading.isEmpty() || heading == QStringLiteral("わ")) << heading.toStdString();
        }
        citiesWithWa += wa.isEmpty() ? 0 : 1;
        if (!wa.isEmpty()) {
            EXPECT_EQ(towns->topLevelItem(0)->text(1), QStringLiteral("わ"));
        }
        std::sort(byRows.begin(), byRows.end());
        QStringList sorted = all;
        std::sort(sorted.begin(), sorted.end());
        // What no row admits (ｦ, ﾝ, a blank or a non-kana initial) is under "すべて" alone.
        EXPECT_LE(byRows.size(), sorted.size());
        for (const QString &name : byRows)
            EXPECT_TRUE(sorted.contains(name)) << name.toStdString();
    }
    EXPECT_GT(citiesWithWa, 0) << "the wards have towns read with ﾜ";
}

// Each dictionary page shows its own hint, and only the telephone page the box that saves its area code.
TEST_F(DicSch, EachPageShowsItsOwnHintAndControls)
{
    TDicSearch dialog(nullptr);
    dialog.SetPages(15, true, true);
    ASSERT_EQ(dialog.StartWith(dicResultTel, ""), 0);
    auto *status = control<QLabel>(dialog, "lblStatus");
    auto *save = control<QCheckBox>(dialog, "chkSaveTel");
    auto *pages = control<QTabWidget>(dialog, "pgctlDicType");
    EXPECT_EQ(status->text(), QStringLiteral("検索する電話番号を入力してください。"));
    EXPECT_TRUE(save->isVisibleTo(&dialog));
    pages->setCurrentIndex(dicResultPos);
    EXPECT_EQ(status->text(), QStringLiteral("検索する郵便番号を入力してください。"));
    EXPECT_FALSE(save->isVisibleTo(&dialog));
    pages->setCurrentIndex(dicResultAdrs);
    EXPECT_EQ(status->text(), QStringLiteral("検索する住所を入力してください。"));
    EXPECT_FALSE(save->isVisibleTo(&dialog));
    // A page's answer stays with it while another page is looked at.
    control<QLineEdit>(dialog, "edtAdrsSch")->setText(QStringLiteral("東京都千代田区千代"));
    control<QPushButton>(dialog, "bbtnAdrsSch")->click();
    EXPECT_EQ(status->text(), QStringLiteral("住所検索結果から住所を選択してください。"));
    pages->setCurrentIndex(dicResultTel);
    EXPECT_EQ(status->text(), QStringLiteral("検索する電話番号を入力してください。"));
    EXPECT_TRUE(save->isVisibleTo(&dialog));
    pages->setCurrentIndex(dicResultAdrs);
    EXPECT_EQ(status->text(), QStringLiteral("住所検索結果から住所を選択してください。"));

    // Without the save box no page shows it.
    TDicSearch sender(nullptr);
    sender.SetPages(13, false, false);
    sender.StartWith(dicResultTel, "");
    EXPECT_FALSE(control<QCheckBox>(sender, "chkSaveTel")->isVisibleTo(&sender));
}

// The input method stays on in the number pages: the digits and dashes it commits, a paste and a text set over
// the accessibility bus are searched as the half-width number they stand for.
TEST_F(DicSch, FullWidthNumbersAreSearchedHoweverTheyArrive)
{
    InstallTypedTextAccessibility();  // as the program does at start
    TDicSearch dialog(nullptr);
    dialog.SetPages(15, true, false);
    ASSERT_EQ(dialog.StartWith(dicResultPos, ""), 0);
    auto *status = control<QLabel>(dialog, "lblStatus");
    auto *pos = control<QLineEdit>(dialog, "edtPosSch");
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("１００－０００１"));
    QApplication::sendEvent(pos, &commit);
    EXPECT_EQ(pos->text(), QStringLiteral("100-0001"));
    control<QPushButton>(dialog, "bbtnPosSch")->click();
    EXPECT_EQ(status->text(), QStringLiteral("郵便番号検索結果から住所を選択してください。"));

    control<QTabWidget>(dialog, "pgctlDicType")->setCurrentIndex(dicResultTel);
    auto *tel = control<QLineEdit>(dialog, "edtTelSch");
    QAccessible::queryAccessibleInterface(tel)->editableTextInterface()->replaceText(
        0, 0, QStringLiteral("０６２３４５６７８９"));
    EXPECT_EQ(tel->text(), QStringLiteral("0623456789"));
    control<QPushButton>(dialog, "bbtnTelSch")->click();
    EXPECT_NE(status->text(), QStringLiteral("半角の数字とハイフン以外は無効です。"));
    EXPECT_GT(control<QTreeWidget>(dialog, "lvTelCity")->topLevelItemCount(), 0);
    // What does not fit the page's 13 characters is cut with a word, never without one.
    tel->clear();
    QApplication::clipboard()->setText(QStringLiteral("０６－２３４５－６７８９０１"));
    tel->paste();
    EXPECT_EQ(tel->text(), QStringLiteral("06-2345-67890"));
    EXPECT_TRUE(QToolTip::text().contains(QStringLiteral("入りきらない1文字"))) << QToolTip::text().toStdString();
}

// "Kykbn.dat": the area code of the last number searched while the box is on, offered for an empty key.
TEST_F(DicSch, TheSavedAreaCodeComesBackOnlyWhileTheBoxIsOn)
{
    const QString file = DataFolder + QStringLiteral("Kykbn.dat");
    {  // The box on: the area code before the first hyphen is kept.
        TDicSearch dialog(nullptr);
        dialog.SetPages(15, true, true);
        ASSERT_EQ(dialog.StartWith(dicResultTel, ""), 0);
        EXPECT_FALSE(control<QCheckBox>(dialog, "chkSaveTel")->isChecked()) << "off without a file";
        control<QCheckBox>(dialog, "chkSaveTel")->setChecked(true);
        control<QLineEdit>(dialog, "edtTelSch")->setText(QStringLiteral("0452345678"));
        control<QPushButton>(dialog, "bbtnTelSch")->click();
        const TMemIniFile ini(file);
        EXPECT_TRUE(ini.ReadBool("KYKBN", "Save", false));
        EXPECT_EQ(ini.ReadString("KYKBN", "Tel", ""), QStringLiteral("045"));
    }
    {  // A key of hyphens only counts as none: the saved code is offered, the caret after it.
        TDicSearch dialog(nullptr);
        dialog.SetPages(15, true, true);
        ASSERT_EQ(dialog.StartWith(dicResultTel, "---"), 0);
        auto *edit = control<QLineEdit>(dialog, "edtTelSch");
        EXPECT_EQ(edit->text(), QStringLiteral("045"));
        EXPECT_EQ(edit->cursorPosition(), 3);
        EXPECT_TRUE(control<QCheckBox>(dialog, "chkSaveTel")->isChecked());
        EXPECT_EQ(control<QTreeWidget>(dialog, "lvTelCity")->topLevelItemCount(), 0) << "offered, not searched";
    }
    {  // Not offered where the box is not shown, and a number searched there saves nothing.
        TDicSearch dialog(nullptr);
        dialog.SetPages(13, false, false);
        ASSERT_EQ(dialog.StartWith(dicResultTel, ""), 0);
        EXPECT_TRUE(control<QLineEdit>(dialog, "edtTelSch")->text().isEmpty());
        ASSERT_EQ(dialog.StartWith(dicResultTel, "0662345678"), 0);
        EXPECT_EQ(TMemIniFile(file).ReadString("KYKBN", "Tel", ""), QStringLiteral("045"));
    }
    {  // The box switched off: the next search saves that, and no code.
        TDicSearch dialog(nullptr);
        dialog.SetPages(15, true, true);
        ASSERT_EQ(dialog.StartWith(dicResultTel, ""), 0);
        control<QCheckBox>(dialog, "chkSaveTel")->setChecked(false);
        control<QLineEdit>(dialog, "edtTelSch")->setText(QStringLiteral("0662345678"));
        control<QPushButton>(dialog, "bbtnTelSch")->click();
        const TMemIniFile ini(file);
        EXPECT_FALSE(ini.ReadBool("KYKBN", "Save", true));
        EXPECT_EQ(ini.ReadString("KYKBN", "Tel", "none"), QString());
    }
    {  // Off: an empty key stays empty.
        TDicSearch dialog(nullptr);
        dialog.SetPages(15, true, true);
        ASSERT_EQ(dialog.StartWith(dicResultTel, ""), 0);
        EXPECT_TRUE(control<QLineEdit>(dialog, "edtTelSch")->text().isEmpty());
    }
}

// A "Kykbn.dat" that cannot be written (a folder in its place, a full disk) is named in a message; the search
// still lists its answer and the window stays usable.
TEST_F(DicSch, AnAreaCodeFileThatCannotBeWrittenIsNamedAndTheSearchGoesOn)
{
    const QString file = DataFolder + QStringLiteral("Kykbn.dat");
    auto search = [&](const QString &number) {
        TDicSearch dialog(nullptr);
        dialog.SetPages(15, true, true);
        EXPECT_EQ(dialog.StartWith(dicResultTel, ""), 0);
        dialog.show();
        control<QCheckBox>(dialog, "chkSaveTel")->setChecked(true);
        control<QLineEdit>(dialog, "edtTelSch")->setText(number);
        control<QPushButton>(dialog, "bbtnTelSch")->click();
        EXPECT_GT(control<QTreeWidget>(dialog, "lvTelCity")->topLevelItemCount(), 0);
        EXPECT_TRUE(dialog.isVisible());
    };

    QFile::remove(file);
    ASSERT_TRUE(QDir().mkpath(file));
    search(QStringLiteral("0452345678"));
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_TRUE(boxes.shown()[0].text.startsWith(file)) << boxes.shown()[0].text.toStdString();
    EXPECT_EQ(boxes.shown()[0].flags & MB_ICONERROR, MB_ICONERROR);
    EXPECT_TRUE(QFileInfo(file).isDir());
    ASSERT_TRUE(QDir(file).removeRecursively());

    test::writeFile(file, "[KYKBN]\r\nSave=1\r\nTel=03\r\n");
    boxes.clear();
    {
        test::FullDisk full(8);
        search(QStringLiteral("0662345678"));
    }
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_TRUE(boxes.shown()[0].text.startsWith(file));
    EXPECT_EQ(TMemIniFile(file).ReadString("KYKBN", "Tel", ""), QStringLiteral("03")) << "the old file stays";
}

TEST_F(DicSch, AFailedBookSearchLeavesTheMainListsIndexAsItWas)
{
    // A book made before the second mobile number had its index: the search reads three indexes, then fails.
    TTable &t = *book.Module->AdrsTable;
    t.Close();
    t.DatabaseName = book.Dir.path() + "/Old/";
    QDir().mkpath(t.DatabaseName);
    t.Schema = AdrsTableSchema();
    std::erase_if(t.Schema.Indexes, [](const TIndexDef &ix) { return ix.Name == QLatin1String("Portable2"); });
    t.CreateTable();
    t.Open();
    t.SetIndexName(QStringLiteral("NameKana"));

    TDicSearch dialog(nullptr);
    EXPECT_THROW(dialog.StartWith(dicResultTel, "0311112222"), EDatabaseError);
    EXPECT_EQ(t.IndexName(), QStringLiteral("NameKana"));
    EXPECT_TRUE(boxes.shown().empty());
}

// By keys a page's city list is browsed: each arrow makes the next city current, the town list follows, and the
// focus stays in the cities until Enter takes it to the towns; the reading filter and the towns-or-offices choice
// keep the focus as arrows change them. A city or a town a screen reader chooses (no key, no focus) is followed
// as one the arrows reach: the towns of that city, and that town is the one decided.
TEST_F(DicSch, TheCityListKeepsTheFocusWhileTheTownsFollowIt)
{
    const struct {
        int kind;
        QByteArray key;
        const char *cities, *towns, *kana, *large;
    } pages[] = {
        {dicResultTel, "0459001234", "lvTelCity", "lvTelTown", "cbxTelViewKana", nullptr},
        {dicResultPos, "060", "lvPosCity", "lvPosTown", "cbxPosViewKana", "rbPosViewLarge"},
        {dicResultAdrs, sjis(QStringLiteral("東京都")), "lvAdrsCity", "lvAdrsTown", "cbxAdrsViewKana", "rbAdrsViewLarge"},
    };
    const auto focused = [] { return QApplication::focusWidget(); };
    const auto row = [](QTreeWidget *list) { return list->indexOfTopLevelItem(list->currentItem()); };
    for (const auto &page : pages) {
        SCOPED_TRACE(page.cities);
        TDicSearch dialog(nullptr);
        dialog.SetPages(15, false, false);
        ASSERT_EQ(dialog.StartWith(page.kind, page.key), 0);
        dialog.show();
        dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        auto *cities = control<QTreeWidget>(dialog, page.cities);
        auto *towns = control<QTreeWidget>(dialog, page.towns);
        ASSERT_GE(cities->topLevelItemCount(), 3);
        ASSERT_EQ(focused(), cities);
        // The eighteenth of 045's wards in seventeen presses.
        const int last = std::min(cities->topLevelItemCount() - 1, 17);
        for (int city = 1; city <= last; ++city) {
            QTest::keyClick(focused(), Qt::Key_Down);
            ASSERT_EQ(focused(), cities) << "after the Down to city " << city;
            ASSERT_EQ(row(cities), city);
        }
        const QStringList listed = [towns] {
            QStringList names;
            for (int i = 0; i < towns->topLevelItemCount(); ++i)
                names << towns->topLevelItem(i)->text(2);
            return names;
        }();

        auto *kana = control<QComboBox>(dialog, page.kana);
        kana->setFocus();
        QTest::keyClick(kana, Qt::Key_Down);
        EXPECT_EQ(kana->currentIndex(), 1);
        EXPECT_EQ(focused(), kana);
        QTest::keyClick(kana, Qt::Key_Up);
        if (page.large) {
            auto *large = control<QRadioButton>(dialog, page.large);
            auto *townView = qobject_cast<QRadioButton *>(large->group()->buttons().first());
            townView->setFocus();
            QTest::keyClick(townView, Qt::Key_Right);
            EXPECT_TRUE(large->isChecked());
            EXPECT_EQ(focused(), large);
            QTest::keyClick(large, Qt::Key_Left);
            EXPECT_TRUE(townView->isChecked());
        }
        cities->setFocus();
        QTest::keyClick(cities, Qt::Key_Return);
        EXPECT_EQ(focused(), towns) << "Enter goes on to the towns";
        EXPECT_EQ(row(cities), last);
        ASSERT_GT(listed.size(), 0);
        EXPECT_EQ(towns->topLevelItem(0)->text(2), listed.first()) << "the towns are the current city's";

        // The screen reader's choice: the first city, then its last town.
        QAccessibleInterface *cityList = QAccessible::queryAccessibleInterface(cities);
        ASSERT_TRUE(cityList->tableInterface()->selectRow(0));
        EXPECT_EQ(row(cities), 0);
        const int town = towns->topLevelItemCount() - 1;
        ASSERT_GT(town, 0);
        const QString townName = towns->topLevelItem(town)->text(2);
        ASSERT_TRUE(QAccessible::queryAccessibleInterface(towns)->tableInterface()->selectRow(town));
        EXPECT_EQ(row(towns), town);
        EXPECT_EQ(focused(), towns);
        control<QPushButton>(dialog, "btnDecision")->click();
        ASSERT_EQ(dialog.result(), QDialog::Accepted);
        TDicSearchResult r;
        dialog.GetResultRecord(r);
        EXPECT_EQ(text(ShortString(r.Prefecture) + ShortString(r.City)), cities->topLevelItem(0)->text(0));
        EXPECT_TRUE(text(ShortString(r.Town)).startsWith(townName)) << text(ShortString(r.Town)).toStdString();
    }
}

// The dictionary pages, their lists and the list of address-book hits are named for a screen reader: the
// search edits after what they take, the lists after what they hold.
TEST_F(DicSch, EveryControlOfEveryPageHasAnAccessibleName)
{
    TDicSearch dialog(nullptr);
    dialog.SetPages(15, true, true);
    ASSERT_EQ(dialog.StartWith(dicResultTel, ""), 0);
    dialog.show();
    EXPECT_THAT(test::unnamedControls(&dialog), ::testing::IsEmpty());
}

}  // namespace

