// The record form: registering, showing, changing and deleting records of a real book, its checks, the
// unsaved-input question, the navigator, the editing sections and the services other windows call.
#include "records/DtInqiry.h"

#include "base/FileReplace.h"
#include "base/Fonts.h"
#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "core/HistoryData.h"
#include "core/Hyphen.h"
#include "db/Sqlite.h"
#include "db/Table.h"
#include "db/TableSchemas.h"
#include "directory/DirectoryDll.h"
#include "geo/DicSch.h"
#include "geo/UniNMDic.h"
#include "mainlist/AdrsList.h"
#include "platform/CustomEvents.h"
#include "platform/MemIniFile.h"
#include "records/NMDEdit.h"
#include "records/UniNMDEdit.h"
#include "widgets/ShiftJisValidator.h"
#include "widgets/UniSortListView.h"
#include "widgets/UniStdCtrls.h"

#include "TestBook.h"
#include "TestSupport.h"
#include "Accessibility.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QColorDialog>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QStyle>
#include <QTabBar>
#include <QTableWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <QTimer>
#include <QTreeView>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>

namespace {

const QString Velmora = QStringLiteral("Velmora");

// Answers every dictionary window the form opens, as a user would: cancelled unless a test asks to decide.
class DictionaryAnswer : public QObject {
public:
    bool decide = false;
    int shown = 0;
    // Run while the window is open, before it is answered.
    std::function<void()> whileShown;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *dialog = event->type() == QEvent::Show ? qobject_cast<TDicSearch *>(watched) : nullptr;
        if (dialog) {
            ++shown;
            QTimer::singleShot(0, dialog, [dialog, decide = decide, whileShown = whileShown] {
                if (whileShown)
                    whileShown();
                if (decide)
                    dialog->findChild<QPushButton *>(QStringLiteral("btnDecision"))->click();
                else
                    dialog->reject();
            });
        }
        return false;
    }
};

class DataInquiryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        qApp->installEventFilter(&dictionary);
        AddressChangeData = AddressFormClose = AddressConfirmation = AddressOutOfTarget = AddressSameNum = 1;
        book.Open(QStringLiteral("Book"), true);
        dm = book.Module.get();
        list = std::make_unique<TAddressList>();
        AddressList = list.get();
        list->SenderList = {{QStringLiteral("本社"), 5}};
    }
    void TearDown() override
    {
        delete form.data();
        list.reset();
        AddressList = nullptr;
    }

    // The form as the main list's commands make it: shown, over a freshly listed book.
    void open()
    {
        list->RefreshList(true, true, false);
        form = new TDataInquiry(list.get());
        RecordForm = form;
        form->SetSourceList(1);
    }
    void showForm()
    {
        form->show();
        // A new record's look-up first: no window manager here makes the form active again after it.
        QCoreApplication::sendPostedEvents(form);
        QApplication::setActiveWindow(form);
        ASSERT_TRUE(QTest::qWaitForWindowActive(form));
    }
    void inquire(int index)
    {
        TAddressRecord record;
        ASSERT_TRUE(list->ReadRecordAt(index, &record));
        form->ShowRecord(record);
    }
    int32_t add(const QByteArray &tel, const QByteArray &customCode = {}, const QByteArray &fax = {})
    {
        TTable &t = *dm->AdrsTable;
        t.Append();
        t.FieldByName("Tel").SetAsString(tel);
        t.FieldByName("Fax").SetAsString(fax);
        t.FieldByName("CustomCode").SetAsString(customCode);
        t.FieldByName("PrivCorp").SetAsBoolean(true);
        t.FieldByName("JointPrint").SetAsBoolean(true);
        t.Post();
        return t.FieldByName("RecNo").AsInteger();
    }
    TTable &row(int32_t recNo)
    {
        TTable &t = *dm->AdrsTable;
        t.SetIndexName(QString());
        EXPECT_TRUE(t.FindKey({recNo}));
        return t;
    }
    int rows() { return dm->AdrsTable->RecordCount(); }
    template <typename T> T *find(const char *name) { return form->findChild<T *>(QLatin1String(name)); }
    void closed() { test::handlerReturned(); }

    test::TestBook book;
    QTemporaryDir &dir = book.Dir;
    TDMMirvale18 *dm = nullptr;
    std::unique_ptr<TAddressList> list;
    QPointer<TDataInquiry> form;
    test::MessageBoxScript boxes;
    DictionaryAnswer dictionary;
};

}  // namespace

// A screen reader closes the form while its dictionary window is open: the form stays until the search has
// returned, then closes and is freed.
TEST_F(DataInquiryTest, ClosedWhileTheDictionaryIsOpenTheFormOutlivesTheSearch)
{
    open();
    showForm();
    bool aliveWhileOpen = false;
    const int shownBefore = dictionary.shown;
    dictionary.whileShown = [&] {
        form->close();
        closed();  // what the dictionary's own loop does meanwhile with windows closed from inside it
        aliveWhileOpen = !form.isNull() && form->isVisible();
    };
    find<QPushButton>("bbtnTelSch")->click();
    EXPECT_EQ(dictionary.shown, shownBefore + 1);
    EXPECT_TRUE(aliveWhileOpen);
    closed();
    EXPECT_TRUE(form.isNull());
    EXPECT_EQ(RecordForm, nullptr);
}

TEST_F(DataInquiryTest, RegistersByHandAndClosesWithoutContinualAdd)
{
    open();
    form->BeginNewRecord();
    showForm();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("アドレス帳情報登録"));
    EXPECT_FALSE(form->btnUpdate->isEnabled());
    form->sbtnCorp->click();
    form->nmedtCorpKanji->setText(QStringLiteral("株式会社東西商事"));
    form->cbxDptmnt->setEditText(QStringLiteral("営業部"));
    form->nmedtNameKanji->setText(QStringLiteral("山田 太郎"));
    form->cbxHonor->setEditText(QStringLiteral("様"));
    form->edtTel->setText(QStringLiteral("03-1234-5678"));
    form->edtPos->setText(QStringLiteral("100-0005"));
    form->mmoNote->setPlainText(QStringLiteral("一行目\n二行目"));
    const double before = DateTimeToDouble(TruncateToSeconds(QDateTime::currentDateTime()));
    find<QPushButton>("btnAdd")->click();
    closed();

    EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join('|').toStdString();
    EXPECT_TRUE(form.isNull()) << "without 連続して登録 and without a directory hit the form closes";
    EXPECT_EQ(RecordForm, nullptr);
    ASSERT_EQ(rows(), 1);
    TTable &t = row(1);
    EXPECT_EQ(t.FieldByName("Tel").AsString(), "0312345678");
    EXPECT_EQ(t.FieldByName("Pos").AsString(), "1000005");
    EXPECT_FALSE(t.FieldByName("PrivCorp").AsBoolean());
    EXPECT_EQ(EscapedAnsiToWide(t.FieldByName("NameKanji").AsString()), QStringLiteral("山田 太郎"));
    EXPECT_EQ(Sjis::decode(t.FieldByName("Note").AsString()), QStringLiteral("一行目\r\n二行目"));
    EXPECT_TRUE(t.FieldByName("JointPrint").AsBoolean());
    EXPECT_EQ(t.FieldByName("SymbolColor").AsInteger(), 0x7FDF3F);
    const double added = t.FieldByName("AddDateTime").AsDateTime();
    EXPECT_GE(added, before);
    EXPECT_DOUBLE_EQ(added * 86400, std::round(added * 86400)) << "registration time is cut to whole seconds";
    EXPECT_GE(t.FieldByName("UpdDateTime").AsDateTime(), added);
    EXPECT_EQ(list->GetRecordCount(), 1);
    EXPECT_EQ(dm->HonorHistory->GetText(0), Sjis::encode(QStringLiteral("様")));
    EXPECT_EQ(dm->DptmntHistory->GetText(0), Sjis::encode(QStringLiteral("営業部")));
}

// 個人 and 会社, and the print designations, toggled as a screen reader toggles them, without a click: the
// company fields follow, and the other designation is released.
TEST_F(DataInquiryTest, PersonOrCompanyAndPrintDesignationToggledWithoutAClick)
{
    open();
    showForm();
    ASSERT_TRUE(form->sbtnPriv->isChecked());
    ASSERT_FALSE(form->nmedtCorpKanji->isEnabled());
    const struct {
        QToolButton *button;
        bool company;
    } turns[] = {{form->sbtnCorp, true}, {form->sbtnPriv, false}, {form->sbtnCorp, true}};
    for (const auto &turn : turns) {
        SCOPED_TRACE(turn.button->objectName().toStdString());
        ASSERT_TRUE(test::toggleOnTheBus(turn.button));
        EXPECT_TRUE(turn.button->isChecked());
        for (QWidget *field : std::initializer_list<QWidget *>{form->nmedtCorpKanji, form->edtCorpKana, form->cbxDptmnt, form->cbxPost})
            EXPECT_EQ(field->isEnabled(), turn.company) << field->objectName().toStdString();
        EXPECT_EQ(form->chkIgnoreName->isVisible(), turn.company);
    }
    // The two print designations, never down together, whichever way one went down.
    const struct {
        QToolButton *down;
        QToolButton *up;
    } designations[] = {{form->sbtnPrintTarget, form->sbtnPrintException}, {form->sbtnPrintException, form->sbtnPrintTarget}};
    for (const auto &d : designations) {
        SCOPED_TRACE(d.down->objectName().toStdString());
        ASSERT_TRUE(test::toggleOnTheBus(d.down));
        EXPECT_TRUE(d.down->isChecked());
        EXPECT_FALSE(d.up->isChecked());
    }
}

TEST_F(DataInquiryTest, ContinualAddStartsAnEmptyRecordKeepingGroupAndKind)
{
    GroupNames[2] = QStringLiteral("取引先");
    open();
    showForm();
    form->chkContinualAdd->setChecked(true);
    form->cbxGroup->setCurrentIndex(2);
    emit form->cbxGroup->activated(2);
    form->sbtnCorp->click();
    form->nmedtCorpKanji->setText(QStringLiteral("東西商事"));
    form->btnAdd->click();
    closed();

    ASSERT_FALSE(form.isNull());
    EXPECT_TRUE(boxes.texts().isEmpty()) << "the fresh record is started without the unsaved-input question";
    EXPECT_EQ(rows(), 1);
    EXPECT_EQ(row(1).FieldByName("Group").AsInteger(), 2);
    EXPECT_TRUE(form->nmedtCorpKanji->text().isEmpty());
    EXPECT_EQ(form->cbxGroup->currentIndex(), 2);
    EXPECT_EQ(form->cbxGroup->currentText(), QStringLiteral(" 2： 取引先"));
    EXPECT_TRUE(form->sbtnCorp->isChecked());
    // An empty form is valid too, and ContinualAdd is kept for the next run.
    form->btnAdd->click();
    EXPECT_EQ(rows(), 2);
    delete form.data();
    EXPECT_TRUE(TMemIniFile(DataFolder + SettingsFileName).ReadBool("DATA INQUIRY", "ContinualAdd", false));
}

// 連続して登録 starts the next record with the group (and 個人 or 会社) of the one just stored, and the telephone
// look-up opens for it; what the next record keeps is none of its input. Worked as a screen reader works the
// form from the main list's 番号検索: ticked, set and pressed over the accessibility bus. With nothing entered
// since the add (or an entry taken back, or closed by the window manager while the look-up is open) the form
// closes without asking, and no record of the kept group alone is stored by the close, by 新規登録, or by the
// unasked save; with an entry, set after the look-up or while it was open, the close asks and はい stores it in
// the kept group.
TEST_F(DataInquiryTest, WhatContinualAddCarriesOverIsNoInput)
{
    GroupNames[2] = QStringLiteral("仕入先");
    GroupNames[3] = QStringLiteral("得意先");
    RegisterRecordForm();
    const auto unregister = qScopeGuard([] { MakeRecordForm = nullptr; });
    list = std::make_unique<TAddressList>();  // 番号検索 is offered with the installed form
    AddressList = list.get();
    ASSERT_TRUE(dm->OpenAdrsTable());  // the window that went released the book once
    list->show();
    QCoreApplication::removePostedEvents(list.get(), WM_AFTERSHOW);
    enum Then { Nothing, TakenBack, NewPressed, Unasked, ClosedInLookUp, Entered, EnteredInLookUp };
    for (const Then then : {Nothing, TakenBack, NewPressed, Unasked, ClosedInLookUp, Entered, EnteredInLookUp}) {
        SCOPED_TRACE(testing::Message() << "then " << then);
        AddressConfirmation = then == Unasked ? 0 : 1;
        // A number of its own each time: the same number stored before would be asked about.
        const QString tel = QStringLiteral("03-1234-56%1").arg(int(then), 2, 10, QLatin1Char('0'));
        const int before = rows();
        int lookUps = dictionary.shown;
        dictionary.whileShown = nullptr;
        list->actNumerSearch->trigger();
        ASSERT_NE(RecordForm, nullptr);
        form = static_cast<TDataInquiry *>(RecordForm->FormWindow());
        QCoreApplication::sendPostedEvents(form);
        ASSERT_EQ(dictionary.shown, ++lookUps) << "番号検索 starts with the look-up";

        if (!form->chkContinualAdd->isChecked()) {
            ASSERT_TRUE(test::toggleOnTheBus(form->chkContinualAdd));
        }
        form->cbxGroup->setFocus();
        QTest::keyClick(form->cbxGroup, Qt::Key_Down);
        QTest::keyClick(form->cbxGroup, Qt::Key_Down);
        ASSERT_TRUE(test::setTextOnTheBus(form->nmedtNameKanji, QStringLiteral("テスト")));
        if (then == ClosedInLookUp)
            dictionary.whileShown = [this] {
                test::pressOnTheBus(form->btnClose);  // lost: the look-up holds the form's buttons
                form->close();                        // the window manager's, carried out once it has returned
            };
        if (then == EnteredInLookUp)
            dictionary.whileShown = [&] { test::setTextOnTheBus(form->edtTel, tel); };
        boxes.clear();
        ASSERT_TRUE(test::pressOnTheBus(form->btnAdd));
        ASSERT_EQ(rows(), before + 1);
        EXPECT_EQ(row(before + 1).FieldByName("Group").AsInteger(), 2);
        EXPECT_EQ(dictionary.shown, ++lookUps) << "the next record starts with the look-up too";
        dictionary.whileShown = nullptr;
        if (then != ClosedInLookUp) {
            ASSERT_FALSE(form.isNull());
            EXPECT_EQ(form->cbxGroup->currentIndex(), 2) << "the group is kept";
            EXPECT_TRUE(form->nmedtNameKanji->text().isEmpty());
        }

        if (then == TakenBack) {
            ASSERT_TRUE(test::setTextOnTheBus(form->nmedtNameKanji, QStringLiteral("テスト2")));
            ASSERT_TRUE(test::setTextOnTheBus(form->nmedtNameKanji, QString()));
            QTest::keyClick(form->cbxGroup, Qt::Key_Down);
            QTest::keyClick(form->cbxGroup, Qt::Key_Up);
            ASSERT_EQ(form->GroupNo, 2);
        }
        if (then == NewPressed) {
            ASSERT_TRUE(test::pressOnTheBus(form->bbtnNew));
            EXPECT_EQ(dictionary.shown, ++lookUps);
            EXPECT_EQ(form->cbxGroup->currentIndex(), 2);
        }
        if (then == Entered) {
            ASSERT_TRUE(test::setTextOnTheBus(form->edtTel, tel));
        }
        const bool entered = then == Entered || then == EnteredInLookUp;
        if (entered)
            boxes.answer(IDYES);
        if (!form.isNull()) {
            ASSERT_TRUE(test::pressOnTheBus(form->btnClose));
        }
        closed();

        EXPECT_TRUE(form.isNull());
        EXPECT_EQ(RecordForm, nullptr);
        if (!entered) {
            EXPECT_TRUE(boxes.shown().empty()) << boxes.texts().join(u'\n').toStdString();
            EXPECT_EQ(rows(), before + 1) << "no record of the kept group alone";
            continue;
        }
        ASSERT_EQ(boxes.shown().size(), 1u) << boxes.texts().join(u'\n').toStdString();
        EXPECT_TRUE(boxes.shown()[0].text.startsWith(QStringLiteral("入力途中のデータがあります  \r\n")));
        ASSERT_EQ(rows(), before + 2);
        TTable &stored = row(before + 2);
        EXPECT_EQ(stored.FieldByName("Tel").AsString(), Sjis::encode(tel).replace("-", ""));
        EXPECT_EQ(stored.FieldByName("Group").AsInteger(), 2);
        EXPECT_TRUE(stored.FieldByName("NameKanji").AsString().isEmpty());
    }
}

TEST_F(DataInquiryTest, ValidationShowsItsMessageOnTheMainPageAndWritesNothing)
{
    add("0311112222", "A-1");
    open();
    showForm();
    struct Case {
        const char *control;
        QString text;
        QString message;
    };
    const Case cases[] = {
        {"edtCustomCode", QStringLiteral("ＡＢあ"),  // the letters are taken half-width, the kana is no code
         QStringLiteral("顧客コードは、以下の半角文字で入力してください  \r\n　　英数字  \r\n　　スペース  \r\n"
                        "　　ハイフン（ - ）  \r\n　　スラッシュ（ / ）  ")},
        {"edtCustomCode", QStringLiteral("A-1"),
         QStringLiteral("入力した顧客コードは既に使われています  \r\n別のコードに変更してください  ")},
        {"edtTel", QStringLiteral("03 1234 5678"), QStringLiteral("電話番号は半角数字かハイフンのみが有効です  ")},
        {"edtFax", QStringLiteral("０３（１２３４）"), QStringLiteral("FAX番号は半角数字かハイフンのみが有効です  ")},
        {"edtPortable2", QStringLiteral("090x"), QStringLiteral("携帯番号は半角数字かハイフンのみが有効です  ")},
        {"edtPos", QStringLiteral("10a"), QStringLiteral("正しい郵便番号を入力してください  ")},
        {"edtPos", QStringLiteral("1234"), QStringLiteral("正しい桁数の郵便番号を入力してください  ")},
        {"edtPos", QStringLiteral("123-45678"), QStringLiteral("正しい桁数の郵便番号を入力してください  ")},
    };
    for (const Case &c : cases) {
        form->ClearControls();
        auto *edit = find<QLineEdit>(c.control);
        edit->setText(c.text);
        form->pgctlData->setCurrentWidget(form->tabstOther);
        boxes.clear();
        form->btnAdd->click();
        ASSERT_EQ(boxes.texts(), QStringList{c.message}) << c.control;
        EXPECT_EQ(boxes.shown()[0].flags, MB_OK | MB_ICONINFORMATION);
        EXPECT_EQ(form->pgctlData->currentWidget(), form->tabstMain);
        EXPECT_EQ(QApplication::focusWidget(), edit) << c.control;
        EXPECT_EQ(rows(), 1);
    }
    // Blanks only count as no code, and 3, 5 and 7 digits are postal codes.
    for (const QString &pos : {QStringLiteral("123"), QStringLiteral("123-45"), QStringLiteral("1230005")}) {
        form->ClearControls();
        form->edtCustomCode->setText(QStringLiteral("   "));
        form->edtPos->setText(pos);
        EXPECT_TRUE(form->ValidateInput(true)) << pos.toStdString();
    }
}

TEST_F(DataInquiryTest, ShowsAStoredRecordAndStoresOnlyChangedInput)
{
    const int32_t recNo = add("0312345678", "K-7");
    TTable &t = row(recNo);
    t.Edit();
    t.FieldByName("Pos").SetAsString("1000005");
    t.FieldByName("Sender").SetAsInteger(99);
    t.FieldByName("SymbolMark").SetAsString(Sjis::encode(QStringLiteral("★")));
    t.FieldByName("Note").SetAsString("a\r\nb\r\nc");
    t.FieldByName("UpdDateTime").SetAsDateTime(40000.5);
    t.Post();
    open();
    showForm();
    inquire(0);

    EXPECT_EQ(form->windowTitle(), QStringLiteral("アドレス帳情報照会"));
    EXPECT_TRUE(form->btnUpdate->isEnabled());
    EXPECT_FALSE(form->chkContinualAdd->isEnabled());
    EXPECT_EQ(form->GetRecNo(), recNo);
    EXPECT_EQ(form->edtPos->text(), QStringLiteral("100-0005"));
    EXPECT_EQ(form->cbxSender->currentText(), QStringLiteral("標準")) << "a sender no longer listed";
    EXPECT_EQ(form->SenderNo, 0);
    EXPECT_EQ(form->cbxSymbolMark->currentIndex(), 6);
    EXPECT_EQ(form->mmoNote->toPlainText(), QStringLiteral("a\nb\nc\n"));

    form->btnUpdate->click();
    EXPECT_TRUE(boxes.texts().isEmpty());
    EXPECT_EQ(row(recNo).FieldByName("UpdDateTime").AsDateTime(), 40000.5) << "unchanged input writes nothing";

    form->edtAdrs1->setText(QStringLiteral("千代田区"));
    form->edtCustomCode->setText(QStringLiteral("K-7"));  // its own code is no clash
    form->btnUpdate->click();
    EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join('|').toStdString();
    EXPECT_EQ(Sjis::decode(row(recNo).FieldByName("Adrs1").AsString()), QStringLiteral("千代田区"));
    EXPECT_GT(row(recNo).FieldByName("UpdDateTime").AsDateTime(), 40000.5);
    EXPECT_EQ(row(recNo).FieldByName("Sender").AsInteger(), 0);
    EXPECT_EQ(form->GetRecNo(), recNo);
    EXPECT_EQ(form->HeldRecord->Adrs1, Sjis::encode(QStringLiteral("千代田区"))) << "the form shows the row re-read";
    EXPECT_FALSE(form->IsInputChanged());
}

TEST_F(DataInquiryTest, DeleteAsksFirstAndClosesAfterDeleting)
{
    add("0311111111");
    open();
    showForm();
    inquire(0);
    boxes.answer(IDNO);
    form->btnDelete->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("このデータを削除します  \r\nよろしいですか？  ")});
    EXPECT_EQ(boxes.shown()[0].flags, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
    EXPECT_EQ(rows(), 1);

    form->edtAdrs1->setText(QStringLiteral("変更中"));  // a delete does not ask about unsaved input
    boxes.clear();
    boxes.answer(IDYES);
    form->btnDelete->click();
    closed();
    EXPECT_EQ(boxes.texts().size(), 1);
    EXPECT_EQ(rows(), 0);
    EXPECT_EQ(list->GetRecordCount(), 0);
    EXPECT_TRUE(form.isNull());
}

TEST_F(DataInquiryTest, NavigatorStepsThroughTheMainListAskingAboutChanges)
{
    add("0311111111");
    add("0322222222");
    add("0333333333");
    open();
    showForm();
    inquire(0);
    EXPECT_EQ(form->lblNowRec->text(), "1");
    EXPECT_EQ(form->lblTotalRec->text(), "3");
    EXPECT_FALSE(form->sbtnFirst->isEnabled());
    EXPECT_FALSE(form->sbtnPrior->isEnabled());
    form->sbtnNext->click();
    EXPECT_EQ(form->edtTel->text().remove('-'), "0322222222");
    EXPECT_EQ(form->lblNowRec->text(), "2");
    form->sbtnLast->click();
    EXPECT_EQ(form->GetRecNo(), 3);
    EXPECT_FALSE(form->sbtnNext->isEnabled());
    EXPECT_FALSE(form->sbtnLast->isEnabled());

    form->edtAdrs1->setText(QStringLiteral("変更"));
    boxes.answer(IDCANCEL);
    form->sbtnPrior->click();
    ASSERT_EQ(boxes.texts().size(), 1);
    EXPECT_TRUE(boxes.texts()[0].startsWith(QStringLiteral("照会中のデータが変更されています  \r\n\r\n")));
    EXPECT_EQ(boxes.shown()[0].flags, MB_YESNOCANCEL | MB_ICONQUESTION);
    EXPECT_EQ(form->GetRecNo(), 3) << "Cancel keeps the record and the input";
    EXPECT_EQ(form->edtAdrs1->text(), QStringLiteral("変更"));
    boxes.answer(IDNO);
    form->sbtnPrior->click();
    EXPECT_EQ(form->GetRecNo(), 2);
    EXPECT_TRUE(row(3).FieldByName("Adrs1").AsString().isEmpty()) << "No discards the input";
    form->edtAdrs1->setText(QStringLiteral("保存"));
    boxes.answer(IDYES);
    form->sbtnFirst->click();
    EXPECT_EQ(form->GetRecNo(), 1);
    EXPECT_EQ(Sjis::decode(row(2).FieldByName("Adrs1").AsString()), QStringLiteral("保存"));
    EXPECT_EQ(form->lblNowRec->text(), "1");
}

// The navigator is reached by Tab, round from the form's last button, and pressed by Space.
TEST_F(DataInquiryTest, TheNavigatorIsReachedByTabAndPressedBySpace)
{
    add("0311111111");
    add("0322222222");
    open();
    showForm();
    inquire(0);
    form->btnClose->setFocus();
    QTest::keyClick(form->btnClose, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), form->sbtnNext) << "先頭 and １つ前 are off on the first record";
    QTest::keyClick(form->sbtnNext, Qt::Key_Space);
    EXPECT_EQ(form->GetRecNo(), 2);
    EXPECT_EQ(form->lblNowRec->text(), "2");
}

TEST_F(DataInquiryTest, TheHundredThousandthRecordIsRefusedBeforeAnythingIsWritten)
{
    open();
    showForm();
    form->edtTel->setText(QStringLiteral("0312345678"));
    list->ShownRecNos.assign(100000, 1);
    form->btnAdd->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("最大登録件数10万件に達しました  \r\nこれ以上登録できません  ")});
    EXPECT_EQ(rows(), 0);
    EXPECT_EQ(form->edtTel->text(), QStringLiteral("0312345678"));
    list->ShownRecNos.assign(99999, 1);
    form->chkContinualAdd->setChecked(true);
    form->btnAdd->click();
    EXPECT_EQ(rows(), 1);
}

TEST_F(DataInquiryTest, SameNumberAsksOnlyAboutTheFirstNumberFound)
{
    add("0311111111", {}, "0322222222");
    open();
    showForm();
    form->chkContinualAdd->setChecked(true);
    form->edtTel->setText(QStringLiteral("03-1111-1111"));
    form->edtFax->setText(QStringLiteral("03-2222-2222"));
    boxes.answer(IDNO);
    form->btnAdd->click();
    const QString question = QStringLiteral("既に同一の電話番号のデータが登録されています  \r\n登録しますか？  ");
    EXPECT_EQ(boxes.texts(), QStringList{question});
    EXPECT_EQ(rows(), 1);
    EXPECT_EQ(form->edtFax->text(), QStringLiteral("03-2222-2222")) << "a declined add keeps the input";
    boxes.clear();
    boxes.answer(IDYES);
    form->btnAdd->click();
    EXPECT_EQ(boxes.texts(), QStringList{question});
    EXPECT_EQ(rows(), 2);
}

TEST_F(DataInquiryTest, AStoreThatCannotBeWrittenKeepsTheInputAndLeavesNoRow)
{
    add("0311111111");
    open();
    showForm();
    form->nmedtNameKanji->setText(QStringLiteral("鈴木"));
    {
        test::ReaderLock lock(dm->AdrsTable->FileName());
        form->btnAdd->click();
    }
    // Said in Japanese, with what the user can do about a table another program holds.
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("データを登録できませんでした  \r\n\r\n"
                                                        "ファイルが他のプログラムで使用されています  \r\n"
                                                        "しばらくしてからもう一度お試しください  ")});
    EXPECT_FALSE(form.isNull());
    EXPECT_EQ(form->nmedtNameKanji->text(), QStringLiteral("鈴木"));
    EXPECT_EQ(rows(), 1) << "the appended row was rolled back";
    EXPECT_EQ(dm->AdrsTable->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(dm->HonorHistory->GetCount(), 0);

    // The table is usable again at once and takes the very same input.
    boxes.clear();
    form->btnAdd->click();
    closed();
    EXPECT_TRUE(boxes.texts().isEmpty());
    EXPECT_EQ(rows(), 2);
    EXPECT_TRUE(form.isNull());
}

// A book that could not be made (its disk full, its folder read-only) says why again when a record is stored
// into it, naming its folder, and the input stays.
TEST_F(DataInquiryTest, AStoreIntoABookThatCouldNotBeMadeSaysWhy)
{
    test::SmallDisk disk(1024 * 1024);
    if (!disk.mounted())
        GTEST_SKIP() << disk.skipReason().toStdString();
    open();
    showForm();
    form->nmedtNameKanji->setText(QStringLiteral("森 鷗外"));
    form->edtTel->setText(QStringLiteral("03-1234-5678"));
    AdrsFolder = disk.path() + "Adrs/";
    const QString full = AdrsFolder + QStringLiteral("得意先 𠮷田/"), locked = AdrsFolder + QStringLiteral("剝離/");
    ASSERT_TRUE(QDir().mkpath(full) && QDir().mkpath(locked));
    const auto storeInto = [&](const QString &book) {
        dm->CloseAdrsTable();
        dm->CreateAdrsTableObject(QDir(AdrsFolder).relativeFilePath(book));
        EXPECT_FALSE(dm->OpenAdrsTable());
        boxes.clear();
        form->btnAdd->click();
        return boxes.texts();
    };
    ASSERT_TRUE(disk.fill());
    EXPECT_EQ(storeInto(full), QStringList{QStringLiteral("データを登録できませんでした  \r\n\r\n")
                                           + QDir::toNativeSeparators(full) + "\r\n" + DiskFullReason});
    const test::ReadOnlyFolder readOnly(locked);
    ASSERT_TRUE(readOnly.mounted()) << readOnly.skipReason().toStdString();
    EXPECT_EQ(storeInto(locked), QStringList{QStringLiteral("データを登録できませんでした  \r\n\r\n")
                                             + QDir::toNativeSeparators(locked) + "\r\n" + NotWritableReason});
    EXPECT_FALSE(form.isNull());
    EXPECT_EQ(form->nmedtNameKanji->text(), QStringLiteral("森 鷗外"));
    dm->CloseAdrsTable();
    dm->FreeAdrsTableObject();
}

// The open book's folder made read-only, its file still open for writing: 登録, 変更, 削除 and the main list's Del
// cannot make the journal a change writes beside the book, and each says so, naming the folder and why.
TEST_F(DataInquiryTest, EveryChangeInABookWhoseFolderCannotBeWrittenSaysWhy)
{
    add("0311111111");
    open();
    showForm();
    const QString folder = QFileInfo(dm->AdrsTable->FileName()).absolutePath() + "/";
    const test::ReadOnlyFolder locked(folder);
    if (!locked.mounted())
        GTEST_SKIP() << locked.skipReason().toStdString();
    const QString why = "\r\n\r\n" + QDir::toNativeSeparators(folder) + "\r\n" + NotWritableReason;
    const QString unwritable = QStringLiteral("データベースのファイルを読み書きできませんでした  ") + why;
    form->bbtnNew->click();
    form->nmedtNameKanji->setText(QStringLiteral("森 鷗外"));
    form->btnAdd->click();
    inquire(0);
    form->edtAdrs1->setText(QStringLiteral("文京区千駄木"));
    form->btnUpdate->click();
    boxes.answer(IDYES);
    form->btnDelete->click();
    closed();
    list->SelectItem(0, true, false);
    boxes.answer(IDYES);
    list->actDelete->trigger();
    EXPECT_EQ(boxes.texts(), (QStringList{QStringLiteral("データを登録できませんでした  ") + why,
                                          QStringLiteral("データを更新できませんでした  ") + why,
                                          QStringLiteral("このデータを削除します  \r\nよろしいですか？  "), unwritable,
                                          QStringLiteral("選択したデータを削除します  \r\nよろしいですか？  "), unwritable}));
    EXPECT_EQ(rows(), 1);
    EXPECT_TRUE(row(1).FieldByName("Adrs1").AsString().isEmpty());
}

// はい to the question and a store that is not made (the book held by another program, the same number declined)
// keep the form and its input as キャンセル does: nothing typed is lost to the close or the move that asked.
TEST_F(DataInquiryTest, OnceSavingIsChosenARowNotStoredKeepsTheInputAsCancelDoes)
{
    add("0311111111");
    open();
    showForm();
    inquire(0);
    form->edtAdrs1->setText(QStringLiteral("入力中"));
    {
        test::ReaderLock lock(dm->AdrsTable->FileName());
        boxes.answer(IDYES);
        form->btnClose->click();
    }
    closed();
    ASSERT_EQ(boxes.texts().size(), 2);
    EXPECT_EQ(boxes.texts()[1], QStringLiteral("データを更新できませんでした  \r\n\r\n"
                                               "ファイルが他のプログラムで使用されています  \r\n"
                                               "しばらくしてからもう一度お試しください  "));
    ASSERT_FALSE(form.isNull()) << "the close waits for a store that works, or a discard";
    EXPECT_EQ(form->edtAdrs1->text(), QStringLiteral("入力中"));
    EXPECT_TRUE(row(1).FieldByName("Adrs1").AsString().isEmpty());
    boxes.clear();
    boxes.answer(IDYES);
    form->btnClose->click();
    closed();
    EXPECT_EQ(boxes.texts().size(), 1);
    EXPECT_TRUE(form.isNull());
    EXPECT_EQ(Sjis::decode(row(1).FieldByName("Adrs1").AsString()), QStringLiteral("入力中"));

    // A store the user declines (the same number exists) keeps the input too, so the move does not go on.
    open();
    showForm();
    form->edtTel->setText(QStringLiteral("03-1111-1111"));
    boxes.clear();
    boxes.answer(IDYES);
    boxes.answer(IDNO);
    EXPECT_EQ(form->CheckUnsavedChanges(false, true), ucCancelled);
    EXPECT_EQ(boxes.texts().size(), 2);
    EXPECT_EQ(rows(), 1);
    EXPECT_EQ(form->edtTel->text(), QStringLiteral("03-1111-1111"));
}

// Every way of leaving a changed record, a new one or a shown one, asks about it; はい then meeting a full disk keeps
// the form open with what was typed, as キャンセル would, and what asked does not go on: the form stays, the
// program's end (終了, Esc) is not carried out, the step, the other row or the new record is not taken. Once there
// is room again, the same way asks once more, stores the input and goes on.
TEST_F(DataInquiryTest, AStoreThatFailsUnderTheQuestionKeepsTheInputAndWhatAskedDoesNotGoOn)
{
    add("0311111111");
    add("0322222222");
    RegisterRecordForm();
    const auto unregister = qScopeGuard([] { MakeRecordForm = nullptr; });
    list = std::make_unique<TAddressList>();  // the commands see the installed form
    AddressList = list.get();
    ASSERT_TRUE(dm->OpenAdrsTable());  // the window that went released the book once
    QApplication::setQuitOnLastWindowClosed(false);
    const auto quits = qScopeGuard([] { QApplication::setQuitOnLastWindowClosed(true); });
    const QString journal = dm->AdrsTable->FileName() + "-journal";
    const QString folder = QDir::toNativeSeparators(QFileInfo(dm->AdrsTable->FileName()).absolutePath() + "/");
    enum Way { CloseButton, WindowManager, End, Escape, Step, OtherRow, NewRecord };
    const char *const wayNames[] = {"閉じる", "the window manager's close", "終了", "Esc", "次のデータ",
                                    "another row's 照会", "新規登録"};
    const std::function<void()> leave[] = {
        [this] { form->btnClose->click(); },
        [this] {
            QCloseEvent close;
            QCoreApplication::sendEvent(form->windowHandle(), &close);
        },
        [this] { list->actExit->trigger(); },
        [this] { QTest::keyClick(list.get(), Qt::Key_Escape); },
        [this] { form->sbtnNext->click(); },
        [this] {
            list->SelectItem(1, true, false);
            list->actInquiry->trigger();
        },
        [this] { form->bbtnNew->click(); },
    };
    for (const bool shown : {false, true})
        for (int way = CloseButton; way <= NewRecord; ++way) {
            if (!shown && way == Step)
                continue;  // a record typed by hand has no list to step through
            SCOPED_TRACE(std::string(wayNames[way]) + (shown ? ", a shown record" : ", a new record"));
            if (!list->isVisible()) {
                list->show();
                QCoreApplication::removePostedEvents(list.get(), WM_AFTERSHOW);
            }
            if (!form) {
                open();
                showForm();
            }
            if (shown)
                inquire(0);
            else
                form->bbtnNew->click();
            form->nmedtNameKanji->setText(QStringLiteral("𠮷田 一郎 ") + QString::number(way));
            form->edtAdrs3->setText(QStringLiteral("鷗ビル3F 301号室"));
            // As the fields took them.
            const QString name = form->nmedtNameKanji->text(), building = form->edtAdrs3->text();
            const int32_t held = form->GetRecNo();
            const int index = list->CurrentIndex, before = rows(), lookUps = dictionary.shown;

            ASSERT_TRUE(QFile::link("/dev/full", journal));  // the disk has no room for the store's journal
            boxes.clear();
            boxes.answer(IDYES);
            leave[way]();
            closed();
            QFile::remove(journal);
            ASSERT_EQ(boxes.texts().size(), 2) << boxes.texts().join(u'|').toStdString();
            EXPECT_TRUE(boxes.texts()[0].startsWith(held >= 0 ? QStringLiteral("照会中のデータが変更されています")
                                                              : QStringLiteral("入力途中のデータがあります")));
            EXPECT_EQ(boxes.texts()[1], (held >= 0 ? QStringLiteral("データを更新できませんでした  ")
                                                   : QStringLiteral("データを登録できませんでした  "))
                                            + "\r\n\r\n" + folder + "\r\n" + DiskFullReason);
            ASSERT_FALSE(form.isNull());
            EXPECT_TRUE(form->isVisible());
            EXPECT_EQ(RecordForm, form.data());
            EXPECT_EQ(form->nmedtNameKanji->text(), name);
            EXPECT_EQ(form->edtAdrs3->text(), building);
            EXPECT_EQ(form->GetRecNo(), held);
            EXPECT_EQ(list->CurrentIndex, index);
            EXPECT_TRUE(list->isVisible()) << "the program keeps running";
            EXPECT_EQ(dictionary.shown, lookUps) << "no new record was begun";
            EXPECT_EQ(rows(), before);

            // Room again: the same way stores what was typed and goes on.
            boxes.clear();
            boxes.answer(IDYES);
            leave[way]();
            closed();
            EXPECT_EQ(boxes.texts().size(), 1) << boxes.texts().join(u'|').toStdString();
            EXPECT_EQ(rows(), before + (held < 0 ? 1 : 0));
            TTable &t = *dm->AdrsTable;
            t.SetIndexName(QString());
            if (held >= 0)
                ASSERT_TRUE(t.FindKey({held}));
            else
                t.Last();
            EXPECT_EQ(EscapedAnsiToWide(t.FieldByName("NameKanji").AsString()), name);
            switch (way) {
            case CloseButton:
            case WindowManager: EXPECT_TRUE(form.isNull()); break;
            case End:
            case Escape:
                EXPECT_TRUE(form.isNull());
                EXPECT_FALSE(list->isVisible());
                break;
            case NewRecord:
                ASSERT_FALSE(form.isNull());
                EXPECT_EQ(form->GetRecNo(), -1);
                EXPECT_TRUE(form->nmedtNameKanji->text().isEmpty());
                break;
            default:
                ASSERT_FALSE(form.isNull());
                EXPECT_EQ(form->GetRecNo(), list->GetRecNoAt(list->CurrentIndex));
                EXPECT_NE(form->GetRecNo(), held);
                break;
            }
        }
}

TEST_F(DataInquiryTest, TheUnsavedCheckFollowsItsOptions)
{
    open();
    showForm();
    form->edtAdrs1->setText(QStringLiteral("途中"));
    form->SetSkipUnsavedCheck(true);
    EXPECT_EQ(form->CheckUnsavedChanges(false, false), ucNothingSaved);
    EXPECT_TRUE(boxes.texts().isEmpty());
    AddressChangeData = 0;
    EXPECT_EQ(form->CheckUnsavedChanges(false, false), ucNothingSaved);
    EXPECT_TRUE(boxes.texts().isEmpty());
    // Without the question, input that fails validation stops the close.
    AddressConfirmation = 0;
    form->edtPos->setText(QStringLiteral("12"));
    EXPECT_EQ(form->CheckUnsavedChanges(true, false), ucCancelled);
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("正しい桁数の郵便番号を入力してください  ")});
    EXPECT_EQ(rows(), 0);
    form->edtPos->clear();
    EXPECT_EQ(form->CheckUnsavedChanges(true, true), ucSaved);
    EXPECT_EQ(rows(), 1);
    EXPECT_EQ(list->GetRecordCount(), 1);
}

TEST_F(DataInquiryTest, JointNamesKeepTheAddresseeListAndPrintFlagsInStep)
{
    InstallTypedTextAccessibility();  // as the program does at start
    open();
    showForm();
    form->pgctlData->setCurrentWidget(form->tabstSub);
    auto leave = [](QWidget *edit) {
        QFocusEvent out(QEvent::FocusOut);
        QApplication::sendEvent(edit, &out);
    };
    auto owners = [this] {
        QStringList texts;
        for (int i = 0; i < form->cbxJointOwner->count(); ++i)
            texts << form->cbxJointOwner->itemText(i);
        return texts;
    };
    EXPECT_FALSE(form->cbxJointHonor[3]->isEnabled());
    EXPECT_FALSE(form->bbtnJointHonor->isEnabled());
    for (int n : {1, 5, 4}) {
        form->nmedtJoint[n - 1]->setText(QStringLiteral("連名%1").arg(n));
        leave(form->nmedtJoint[n - 1]);
    }
    EXPECT_EQ(owners(), (QStringList{"本人", "連名1", "連名4", "連名5"}));
    EXPECT_TRUE(form->cbxJointHonor[3]->isEnabled());

    form->cbxJointOwner->setCurrentIndex(2);
    emit form->cbxJointOwner->activated(2);
    EXPECT_EQ(form->JointOwner, 4);
    EXPECT_TRUE(form->sbtnJointPrint[3]->isChecked());
    EXPECT_TRUE(form->sbtnJointPrintM->isChecked()) << "the former addressee's flag is left as it was";
    form->nmedtJoint[3]->setText(QStringLiteral("新連名"));
    EXPECT_EQ(form->cbxJointOwner->currentText(), QStringLiteral("新連名"));

    form->sbtnJointPrint[3]->click();
    EXPECT_TRUE(form->sbtnJointPrint[3]->isChecked()) << "the addressee's flag cannot be released";
    form->sbtnJointPrint[1]->click();
    EXPECT_FALSE(form->sbtnJointPrint[1]->isChecked()) << "no flag for an empty joint name";

    form->cbxJointHonor[3]->setEditText(QStringLiteral("様"));
    form->nmedtJoint[3]->clear();
    leave(form->nmedtJoint[3]);
    EXPECT_EQ(form->JointOwner, 0);
    EXPECT_EQ(form->cbxJointOwner->currentText(), QStringLiteral("本人"));
    EXPECT_FALSE(form->cbxJointHonor[3]->isEnabled());
    EXPECT_TRUE(form->cbxJointHonor[3]->currentText().isEmpty());
    EXPECT_FALSE(form->sbtnJointPrint[3]->isChecked());
    EXPECT_EQ(owners(), (QStringList{"本人", "連名1", "連名5"}));

    // A name a screen reader sets over the accessibility bus joins the list as a typed one does on leaving.
    ASSERT_TRUE(test::setTextOnTheBus(form->nmedtJoint[1], QStringLiteral("連名2")));
    EXPECT_EQ(owners(), (QStringList{"本人", "連名1", "連名2", "連名5"}));
}

TEST_F(DataInquiryTest, EnterMovesTheFocusWithoutTyping)
{
    open();
    form->BeginNewRecord();
    showForm();
    QCoreApplication::sendPostedEvents(form);
    EXPECT_EQ(dictionary.shown, 1) << "a new record starts with the telephone number's look-up";
    EXPECT_EQ(form->focusWidget(), form->cbxGroup) << "then the group, whatever the look-up gave";
    auto enter = [](QWidget *w) { QTest::keyClick(w, Qt::Key_Return); };
    // A control switched off hands the focus on; it never stays where it was.
    form->edtTel->setFocus();
    enter(form->edtTel);
    EXPECT_EQ(QApplication::focusWidget(), form->bbtnTelSch) << "no address yet: on to the number's look-up";
    form->edtTdfkn->setText(QStringLiteral("東京都"));
    form->edtTel->setFocus();
    enter(form->edtTel);
    EXPECT_EQ(QApplication::focusWidget(), form->chkMainNumber);
    form->edtAdrs2->setText(QStringLiteral("丸の内"));
    form->edtAdrs2->setCursorPosition(0);
    enter(form->edtAdrs1);
    EXPECT_EQ(QApplication::focusWidget(), form->edtAdrs2);
    EXPECT_EQ(form->edtAdrs2->cursorPosition(), 3) << "caret to the end";
    enter(form->edtFax);
    EXPECT_EQ(QApplication::focusWidget(), form->edtPortable1) << "the next control in tab order";
    form->sbtnPriv->click();
    enter(form->edtAdrsKana);
    EXPECT_EQ(QApplication::focusWidget(), form->sbtnPriv) << "the person/company switch, as Tab goes";
    enter(form->sbtnPriv);
    EXPECT_EQ(QApplication::focusWidget(), form->nmedtNameKanji);
    enter(form->Cbx_CatMain);
    EXPECT_EQ(QApplication::focusWidget(), form->btnAdd) << "a person without sub category ends at 登録";

    form->pgctlData->setCurrentWidget(form->tabstMemo1);
    enter(form->cbxKeyword[2]);
    EXPECT_EQ(QApplication::focusWidget(), form->mmoNote);
    form->mmoNote->setPlainText(QStringLiteral("メモ"));
    form->cbxKeyword[0]->setFocus();
    EXPECT_EQ(form->mmoNote->toPlainText(), QStringLiteral("メモ\n")) << "leaving the note closes its last line";
    form->mmoNote->setFocus();
    form->cbxKeyword[0]->setFocus();
    EXPECT_EQ(form->mmoNote->toPlainText(), QStringLiteral("メモ\n"));
}

TEST_F(DataInquiryTest, TypedTextReachesTheFieldsOnlyAsTheirTablesCanHoldIt)
{
    open();
    showForm();
    auto commit = [](QWidget *w, const QString &text) {
        QInputMethodEvent event;
        event.setCommitString(text);
        QApplication::sendEvent(w, &event);
    };
    // The input method stays on in the number fields: what it commits arrives half-width.
    for (QLineEdit *e : {form->edtTel, form->edtFax, form->edtPortable1, form->edtPortable2, form->edtPos}) {
        e->clear();
        commit(e, QStringLiteral("０３－１２"));
        for (const QString &key : {QStringLiteral("３"), QStringLiteral("ー")}) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, key);
            QApplication::sendEvent(e, &press);
        }
        EXPECT_EQ(e->text(), "03-123-") << e->objectName().toStdString();
    }
    // So do the customer code's letters, signs and spaces.
    form->edtCustomCode->clear();
    commit(form->edtCustomCode, QStringLiteral("ＡＢ－１２／ｃ　１"));
    EXPECT_EQ(form->edtCustomCode->text(), QStringLiteral("AB-12/c 1"));
    // Every 8-bit field refuses a character Shift-JIS lacks where it is typed, and says so.
    QList<QWidget *> eightBit;
    for (QLineEdit *e : form->findChildren<QLineEdit *>())
        if (!e->isReadOnly() && !qobject_cast<TUniEdit *>(e) && !qobject_cast<TUniComboBox *>(e->parentWidget()))
            eightBit << e;
    eightBit << form->mmoNote;
    ASSERT_GE(eightBit.size(), 25);
    for (QWidget *w : eightBit) {
        SCOPED_TRACE(w->objectName().toStdString());
        QToolTip::hideText();
        commit(w, QStringLiteral("吉𠮷"));
        const QString text = qobject_cast<QLineEdit *>(w) ? static_cast<QLineEdit *>(w)->text()
                                                           : form->mmoNote->toPlainText();
        EXPECT_FALSE(text.contains(QStringLiteral("𠮷")));
        EXPECT_TRUE(QToolTip::text().contains(QStringLiteral("𠮷")));
    }
    EXPECT_EQ(form->mmoNote->toPlainText(), QStringLiteral("吉"));
}

// What the user types is stored as typed, or the form says at the field what it did instead.
TEST_F(DataInquiryTest, TypedTextIsKeptWholeOrWhatChangedIsSaid)
{
    open();
    form->BeginNewRecord();
    showForm();
    auto commit = [](QWidget *w, const QString &text) {
        QInputMethodEvent event;
        event.setCommitString(text);
        QApplication::sendEvent(w, &event);
    };
    form->edtTel->setText(QStringLiteral("03-1234-5678"));
    // A name counts UTF-16 units: a character that does not fit whole is not taken, never half of it.
    form->nmedtNameKanji->clear();
    QToolTip::hideText();
    commit(form->nmedtNameKanji, QString(14, QChar(u'あ')) + QStringLiteral("😀"));
    EXPECT_EQ(form->nmedtNameKanji->text(), QString(14, QChar(u'あ')));
    EXPECT_TRUE(QToolTip::text().contains(QStringLiteral("入りきらない"))) << QToolTip::text().toStdString();
    // ¥ and ‾ become the full-width signs Shift-JIS keeps, in the field as they are typed.
    QToolTip::hideText();
    commit(form->edtAdrs2, QStringLiteral("¥100‾"));
    EXPECT_EQ(form->edtAdrs2->text(), QStringLiteral("￥100￣"));
    EXPECT_TRUE(QToolTip::text().contains(QStringLiteral("「¥」は「￥」として入力しました")));
    // Control codes are refused with the hint other refused characters get.
    for (const QChar control : {QChar(0x7F), QChar(0x1B), QChar(0x85)}) {
        QToolTip::hideText();
        commit(form->edtAdrs2, QString(control));
        EXPECT_EQ(form->edtAdrs2->text(), QStringLiteral("￥100￣"));
        EXPECT_TRUE(QToolTip::text().contains(QStringLiteral("は入力できない文字です")));
    }
    // An over-long paste keeps what fits (at the caret, before the text already there) and says so.
    form->sbtnCorp->click();
    form->nmedtCorpKanji->setText(QStringLiteral("末尾"));
    form->nmedtCorpKanji->setCursorPosition(0);
    QApplication::clipboard()->setText(QString(60, QChar(u'長')));
    QToolTip::hideText();
    form->nmedtCorpKanji->paste();
    EXPECT_EQ(form->nmedtCorpKanji->text(), QString(54, QChar(u'長')) + QStringLiteral("末尾"));
    EXPECT_EQ(form->nmedtCorpKanji->cursorPosition(), 54);
    EXPECT_TRUE(QToolTip::text().contains(QStringLiteral("入りきらない6文字")));

    form->btnAdd->click();
    closed();
    ASSERT_EQ(rows(), 1);
    TTable &t = row(1);
    EXPECT_EQ(EscapedAnsiToWide(t.FieldByName("NameKanji").AsString()), QString(14, QChar(u'あ')));
    EXPECT_EQ(Sjis::decode(t.FieldByName("Adrs2").AsString()), QStringLiteral("￥100￣"));
    EXPECT_EQ(t.FieldByName("CorpKanji").AsString().size(), 112);
}

// A character Shift-JIS writes as a look-alike (剝 as 剥, 鷗 as 鴎) stands in the field as the book will hold
// it, with a word, as it is pasted, committed or set; what is registered is what the field showed.
TEST_F(DataInquiryTest, ALookAlikeIsShownAsTheBookHoldsIt)
{
    open();
    form->BeginNewRecord();
    showForm();
    form->edtTel->setText(QStringLiteral("03-1234-5678"));
    form->edtAdrs1->setFocus();
    QApplication::clipboard()->setText(QStringLiteral("千代田区剝町"));
    test::forgetToolTip();
    form->edtAdrs1->paste();
    EXPECT_EQ(form->edtAdrs1->text(), QStringLiteral("千代田区剥町"));
    EXPECT_TRUE(QToolTip::text().contains(QStringLiteral("「剝」は「剥」として入力しました"))) << QToolTip::text().toStdString();
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("森鷗外ビル〜３Ｆ"));
    QApplication::sendEvent(form->edtAdrs2, &commit);
    EXPECT_EQ(form->edtAdrs2->text(), QStringLiteral("森鴎外ビル～３Ｆ"));
    form->edtAdrs3->setText(QStringLiteral("営業部−第二課"));
    EXPECT_EQ(form->edtAdrs3->text(), QStringLiteral("営業部－第二課"));
    // 𩸽 has no code at all: refused, as before.
    test::forgetToolTip();
    QInputMethodEvent fish;
    fish.setCommitString(QStringLiteral("𩸽"));
    QApplication::sendEvent(form->edtAdrs1, &fish);
    EXPECT_EQ(form->edtAdrs1->text(), QStringLiteral("千代田区剥町"));
    EXPECT_TRUE(QToolTip::text().contains(QStringLiteral("「𩸽」は入力できない文字です")));

    const QStringList shown{form->edtAdrs1->text(), form->edtAdrs2->text(), form->edtAdrs3->text()};
    form->btnAdd->click();
    closed();
    ASSERT_EQ(rows(), 1);
    TTable &t = row(1);
    EXPECT_EQ((QStringList{Sjis::decode(t.FieldByName("Adrs1").AsString()), Sjis::decode(t.FieldByName("Adrs2").AsString()),
                           Sjis::decode(t.FieldByName("Adrs3").AsString())}),
              shown);
}

// A keyword whose mode is 半角英数 takes no input method and keeps half-width what arrives full width.
TEST_F(DataInquiryTest, AHalfWidthKeywordTakesNoInputMethod)
{
    const auto modes = KeywordModes;
    KeywordModes[0] = imClose;
    KeywordModes[5] = imClose;
    open();
    form->BeginNewRecord();
    showForm();
    KeywordModes = modes;
    for (QWidget *field : {static_cast<QWidget *>(form->edtKeyword[0]), static_cast<QWidget *>(form->cbxKeyword[0])}) {
        SCOPED_TRACE(field->objectName().toStdString());
        field->setFocus();
        QInputMethodQueryEvent asked(Qt::ImEnabled);
        QApplication::sendEvent(field, &asked);
        EXPECT_FALSE(asked.value(Qt::ImEnabled).toBool());
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("ｔｏｋｙｏ－０１"));
        QApplication::sendEvent(field, &commit);
    }
    EXPECT_EQ(form->edtKeyword[0]->text(), QStringLiteral("tokyo-01"));
    EXPECT_EQ(form->cbxKeyword[0]->currentText(), QStringLiteral("tokyo-01"));
    // The other keywords keep the input method.
    QInputMethodQueryEvent asked(Qt::ImEnabled);
    QApplication::sendEvent(form->edtKeyword[1], &asked);
    EXPECT_TRUE(asked.value(Qt::ImEnabled).toBool());
}

// A screen reader sets a field's text over the accessibility bus, with no key: the field takes it as typed text,
// within its limit, checked, converted and with the same word beside it.
TEST_F(DataInquiryTest, TextSetOverTheAccessibilityBusIsTakenAsTyped)
{
    InstallTypedTextAccessibility();  // as the program does at start
    open();
    form->BeginNewRecord();
    showForm();
    const auto setOverTheBus = [](QLineEdit *edit, const QString &text) {
        QAccessibleInterface *field = QAccessible::queryAccessibleInterface(edit);
        ASSERT_NE(field->editableTextInterface(), nullptr);
        field->editableTextInterface()->replaceText(0, field->textInterface()->characterCount(), text);
    };
    setOverTheBus(form->edtTel, QStringLiteral("０３－１２３４－５６７８"));
    EXPECT_EQ(form->edtTel->text(), QStringLiteral("03-1234-5678"));
    QToolTip::hideText();
    setOverTheBus(form->nmedtNameKanji, QString(35, QChar(u'名')));
    EXPECT_EQ(form->nmedtNameKanji->text(), QString(15, QChar(u'名')));
    EXPECT_TRUE(QToolTip::text().contains(QStringLiteral("入りきらない20文字"))) << QToolTip::text().toStdString();
    setOverTheBus(form->nmedtNameKana, QStringLiteral("サンプル"));
    EXPECT_EQ(form->nmedtNameKana->text(), QStringLiteral("ｻﾝﾌﾟﾙ"));
    QToolTip::hideText();
    setOverTheBus(form->edtAdrs2, QStringLiteral("𠮷"));
    EXPECT_TRUE(form->edtAdrs2->text().isEmpty());
    EXPECT_TRUE(QToolTip::text().contains(QStringLiteral("𠮷")));
    // Inserted at a place and read back as the screen reader reads it.
    QAccessibleInterface *name = QAccessible::queryAccessibleInterface(form->nmedtNameKanji);
    name->editableTextInterface()->deleteText(1, 15);
    name->editableTextInterface()->insertText(1, QStringLiteral("前"));
    EXPECT_EQ(name->textInterface()->text(0, 2), QStringLiteral("名前"));
    EXPECT_EQ(name->text(QAccessible::Value), QStringLiteral("名前"));

    form->btnAdd->click();
    closed();
    ASSERT_EQ(rows(), 1);
    TTable &t = row(1);
    EXPECT_EQ(EscapedAnsiToWide(t.FieldByName("NameKanji").AsString()), QStringLiteral("名前"));
    EXPECT_EQ(t.FieldByName("NameKana").AsString(), Sjis::encode(QStringLiteral("ｻﾝﾌﾟﾙ")));
}

// Every field with a limit cuts a paste or a screen reader's text that does not fit and says so at the field; a
// character limit of its own would cut first, in silence.
TEST_F(DataInquiryTest, EveryLimitedFieldSaysWhatItCut)
{
    InstallTypedTextAccessibility();  // as the program does at start
    open();
    form->BeginNewRecord();
    showForm();
    form->sbtnCorp->click();
    int limited = 0;
    for (QLineEdit *e : form->findChildren<QLineEdit *>()) {
        auto *validator = dynamic_cast<const TShiftJisValidator *>(e->validator());
        if (e->isReadOnly() || !validator || validator->MaxBytes() == 0)
            continue;
        ++limited;
        // Katakana go over every kind of limit: two bytes each in Shift-JIS, one unit in a name, one half-width
        // byte in a reading.
        EXPECT_EQ(test::overlongInputFault(e, QString(validator->MaxBytes() + 5, QChar(u'ア'))), "")
            << e->objectName().toStdString() << " " << e->parentWidget()->objectName().toStdString();
    }
    EXPECT_GE(limited, 35);
    // Thirty katakana in the name's reading: the 25 its column holds, with the word the name gives.
    QApplication::clipboard()->setText(QString(30, QChar(u'カ')));
    form->nmedtNameKana->clear();
    test::forgetToolTip();
    form->nmedtNameKana->paste();
    EXPECT_EQ(form->nmedtNameKana->text(), QString(25, QChar(u'ｶ')));
    EXPECT_TRUE(QToolTip::text().contains(QStringLiteral("入りきらない5文字"))) << QToolTip::text().toStdString();
}

TEST_F(DataInquiryTest, TheWheelOverThePageTabsTurnsThePages)
{
    open();
    showForm();
    QTabBar *tabs = form->pgctlData->tabBar();
    auto turn = [&](QWidget *target, QPoint at, int delta) {
        QWheelEvent wheel(at, target->mapToGlobal(at), {}, {0, delta}, Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &wheel);
    };
    const QPoint firstTab = tabs->tabRect(0).center();
    turn(tabs, firstTab, -120);
    EXPECT_EQ(form->pgctlData->currentWidget(), form->tabstSub);
    EXPECT_EQ(QApplication::focusWidget(), form->edtURL);
    turn(tabs, firstTab, 120);
    turn(tabs, firstTab, 120);
    EXPECT_EQ(form->pgctlData->currentWidget(), form->tabstOther) << "before the first page comes the last";
    turn(tabs, firstTab, -120);
    EXPECT_EQ(form->pgctlData->currentWidget(), form->tabstMain);
    turn(form->tabstMain, QPoint(20, 200), -120);
    EXPECT_EQ(form->pgctlData->currentWidget(), form->tabstMain);
}

TEST_F(DataInquiryTest, CategoriesFollowTheCategoryTables)
{
    const int32_t recNo = add("0311111111");
    TTable &t = row(recNo);
    t.Edit();
    t.FieldByName("CodeMain").SetAsInteger(16);
    t.FieldByName("CodeSub").SetAsInteger(99);
    t.Post();
    open();
    inquire(0);
    EXPECT_EQ(form->Cbx_CatMain->currentText(), QStringLiteral("指定なし")) << "a sub category that is gone";
    EXPECT_FALSE(form->Cbx_CatSub->isEnabled());
    EXPECT_EQ(form->Cbx_CatSub->count(), 0);
    EXPECT_EQ(form->ShownCatMain, 16) << "taken after the sub list was filled";

    auto choose = [this](int code) {
        const int item = form->Cbx_CatMain->findData(code);
        form->Cbx_CatMain->setCurrentIndex(item);
        emit form->Cbx_CatMain->activated(item);
    };
    choose(16);
    EXPECT_FALSE(form->Cbx_CatSub->isEnabled()) << "the main category already applied";
    choose(0);
    EXPECT_EQ(form->ShownCatMain, 0);
    choose(16);
    EXPECT_EQ(form->Cbx_CatMain->currentText(), QStringLiteral("医療"));
    EXPECT_TRUE(form->Cbx_CatSub->isEnabled());
    EXPECT_EQ(form->Cbx_CatSub->ItemObject(form->Cbx_CatSub->currentIndex()), 1);
    form->Cbx_CatSub->setCurrentIndex(form->Cbx_CatSub->findData(2));
    form->btnUpdate->click();
    EXPECT_EQ(row(recNo).FieldByName("CodeMain").AsInteger(), 16);
    EXPECT_EQ(row(recNo).FieldByName("CodeSub").AsInteger(), 2);
}

TEST_F(DataInquiryTest, CustomColoursComeBackInTheirBoxesAndCancelWritesNothing)
{
    open();
    showForm();
    auto runDialog = [](const std::function<void(QColorDialog *)> &inside) {
        QTimer::singleShot(0, [inside] {
            auto *dialog = qobject_cast<QColorDialog *>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            inside(dialog);
        });
    };
    runDialog([](QColorDialog *dialog) {
        QColorDialog::setCustomColor(3, QColor(255, 0, 0));
        dialog->setCurrentColor(QColor(0, 0, 255));
        dialog->accept();
    });
    form->bbtnSymbolColor->click();
    EXPECT_EQ(form->SymbolColor(), 0xFF0000) << "blue as 0x00BBGGRR";
    const TMemIniFile ini(DataFolder + "CstmClr.ini");
    EXPECT_EQ(ini.ReadString("COMMON", "3", ""), "0000FF");
    EXPECT_EQ(ini.ReadString("COMMON", "15", ""), "000000");

    QColorDialog::setCustomColor(3, Qt::black);  // as a new run starts
    const QByteArray before = test::readFile(DataFolder + "CstmClr.ini");
    QColor offered;
    runDialog([&offered](QColorDialog *dialog) {
        offered = QColorDialog::customColor(3);
        QColorDialog::setCustomColor(4, QColor(0, 255, 0));
        dialog->setCurrentColor(QColor(0, 255, 0));
        dialog->reject();
    });
    form->bbtnSymbolColor->click();
    EXPECT_EQ(offered, QColor(255, 0, 0));
    EXPECT_EQ(form->SymbolColor(), 0xFF0000);
    EXPECT_EQ(test::readFile(DataFolder + "CstmClr.ini"), before);
}

// The file dialog of an attached file opens in the user's documents folder, or the home folder when there is
// none (never the folder the program was started from), and shows each column of its list whole.
TEST_F(DataInquiryTest, TheAttachedFileDialogOpensAtHomeWithEveryColumnWhole)
{
    QTemporaryDir home, elsewhere;
    const QByteArray savedHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(home.path()));
    const QString savedCurrent = QDir::currentPath();
    QDir::setCurrent(elsewhere.path());
    test::writeFile(home.path() + "/見積書_2026年度_株式会社サンプル商事御中.pdf", QByteArray(123456, 'x'));
    InstallFontSubstitutions();
    const QFont savedFont = QApplication::font();
    InstallUiFont();
    open();
    showForm();
    QString shownFolder;
    QStringList cut;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        const auto close = qScopeGuard([dialog] { dialog->reject(); });
        shownFolder = dialog->directory().absolutePath();
        auto *view = dialog->findChild<QTreeView *>();
        ASSERT_NE(view, nullptr);
        EXPECT_TRUE(view->isVisible()) << "the detail view";
        const QHeaderView *header = view->header();
        const QAbstractItemModel *model = view->model();
        auto cutColumns = [&] {
            QStringList found;
            for (int c = 0; c < header->count(); ++c) {
                if (header->isSectionHidden(c))
                    continue;
                // Each text of the column within the margins a view draws it in (the name's icon beside it): less
                // and the text is drawn cut short.
                const int margins = 2 * (view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1);
                int needed = header->sectionSizeHint(c);
                for (int r = 0; r < model->rowCount(view->rootIndex()); ++r) {
                    const QString text = model->index(r, c, view->rootIndex()).data().toString();
                    needed = std::max(needed, view->fontMetrics().horizontalAdvance(text) + margins
                                                  + (c == 0 ? view->iconSize().width() + margins : 0));
                }
                if (header->sectionSize(c) < needed)
                    found << QStringLiteral("%1 %2<%3").arg(model->headerData(c, Qt::Horizontal).toString())
                                 .arg(header->sectionSize(c)).arg(needed);
            }
            return found;
        };
        // The folder is read in the background and the columns widened once it is: waited for as long as a busy
        // machine takes.
        (void)QTest::qWaitFor([&] { return model->rowCount(view->rootIndex()) >= 1 && cutColumns().isEmpty(); }, 60000);
        ASSERT_GE(model->rowCount(view->rootIndex()), 1);
        cut = cutColumns();
    });
    form->bbtnAddExtFile->click();
    EXPECT_EQ(shownFolder.toStdString(), QDir(home.path()).absolutePath().toStdString());
    EXPECT_EQ(cut.join(", ").toStdString(), "");
    QApplication::setFont(savedFont);
    QDir::setCurrent(savedCurrent);
    qputenv("HOME", savedHome);
}

TEST_F(DataInquiryTest, ServicesKeepTheFormAndItsHeldRecordCurrent)
{
    const int32_t recNo = add("0311111111");
    TTable &t = row(recNo);
    t.Edit();
    t.FieldByName("Sender").SetAsInteger(5);
    t.Post();
    open();
    EXPECT_EQ(form->GetRecNo(), -1);
    form->SelectSender(5);
    EXPECT_EQ(form->SenderNo, 0) << "no held record, nothing to change";
    inquire(0);
    EXPECT_EQ(form->cbxSender->currentText(), QStringLiteral("本社"));
    list->SenderList.clear();
    form->RefreshSenderList();
    EXPECT_EQ(form->cbxSender->currentText(), QStringLiteral("標準"));
    EXPECT_EQ(form->HeldRecord->Sender, 0);

    TAddressRecord change;
    change.Keyword[1] = "K2";
    change.Keyword[6] = "K7";
    change.Keyword[0] = "not this one";
    change.UpdDateTime = 45000.25;
    std::array<uint8_t, 17> flags{};
    flags[8] = flags[13] = 1;
    form->ApplyBatchChange(change, flags);
    EXPECT_EQ(form->edtKeyword[1]->text(), "K2");
    EXPECT_EQ(form->cbxKeyword[1]->currentText(), "K7");
    EXPECT_TRUE(form->edtKeyword[0]->text().isEmpty());
    EXPECT_EQ(form->HeldRecord->Keyword[6], "K7");
    EXPECT_EQ(form->edtUpdDateTime->text(), DoubleToDateTime(45000.25).toString("yyyy/MM/dd hh:mm:ss"));

    KeywordNames[6] = QStringLiteral("担当者");
    form->ApplyKeywordNames();
    EXPECT_EQ(form->lblKeyword[6]->text(), QStringLiteral("担当者"));
    EXPECT_EQ(form->bbtnKeyword[1]->toolTip(), QStringLiteral("担当者の編集"));
    KeywordNames[6] = QStringLiteral("キーワード７");
}

TEST_F(DataInquiryTest, GroupNamesDialogAppearsOverTheWindowItWasAskedFrom)
{
    open();
    list->setGeometry(200, 100, 600, 400);
    list->show();
    QCoreApplication::removePostedEvents(list.get(), WM_AFTERSHOW);  // the book is open: no start-up steps
    showForm();
    form->move(0, 0);
    // Where the dialog appeared, and the main window's focus afterwards.
    auto ask = [this](QWidget *from, const std::function<void()> &how) {
        QApplication::setActiveWindow(from);
        EXPECT_TRUE(QTest::qWaitForWindowActive(from));
        list->cbxGroup->setFocus();
        QPoint centre;
        QTimer::singleShot(0, [&centre] {
            QWidget *dialog = QApplication::activeModalWidget();
            ASSERT_NE(dialog, nullptr);
            centre = dialog->frameGeometry().center();
            dialog->close();
        });
        how();
        return std::pair{centre, list->focusWidget()};
    };
    const auto [overForm, listFocusAfterForm] = ask(form, [this] { form->bbtnEditGroup->click(); });
    EXPECT_LE((overForm - form->frameGeometry().center()).manhattanLength(), 4);
    EXPECT_EQ(listFocusAfterForm, static_cast<QWidget *>(list->cbxGroup)) << "the list takes the focus only when it was active";
    const auto [overList, listFocusAfterList] = ask(list.get(), [this] { list->actEditGroup->trigger(); });
    EXPECT_LE((overList - list->frameGeometry().center()).manhattanLength(), 4);
    EXPECT_EQ(listFocusAfterList, static_cast<QWidget *>(list->lvAddress));
}

// The group names dialog is the main list's, asked for from the form: a screen reader presses the form's 閉じる
// while it is open. The form stays until the dialog has returned, whether it is cancelled or confirmed, and then
// closes; nothing runs on it afterwards.
TEST_F(DataInquiryTest, ClosedUnderTheGroupNamesDialogTheFormOutlivesIt)
{
    add("0311111111");
    list->show();
    QCoreApplication::removePostedEvents(list.get(), WM_AFTERSHOW);  // the book is open: no start-up steps
    for (const bool confirm : {false, true}) {
        open();
        showForm();
        inquire(0);
        bool aliveWhileOpen = false;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            form->btnClose->click();
            closed();  // what the dialog's own loop does meanwhile with windows closed from inside it
            aliveWhileOpen = !form.isNull() && form->isVisible();
            if (confirm)
                dialog->accept();
            else
                dialog->reject();
        });
        form->bbtnEditGroup->click();
        EXPECT_TRUE(aliveWhileOpen) << "confirmed: " << confirm;
        closed();
        EXPECT_TRUE(form.isNull());
        EXPECT_EQ(RecordForm, nullptr);
    }
    EXPECT_TRUE(boxes.shown().empty()) << boxes.texts().join(u'\n').toStdString();
}

// 新規登録 (the form's button or the main list's Ctrl+N) and the navigator ask about the unsaved input; the window
// manager closes the form while the question is open. The answer serves the close too: after いいえ or はい
// the form closes with no second question, no telephone look-up and no other record for it, and the main list
// neither shows it again nor follows it; after キャンセル the form stays with its input.
TEST_F(DataInquiryTest, ClosedUnderTheUnsavedInputQuestionTheAnswerServesTheClose)
{
    add("0311111111");
    add("0322222222");
    RegisterRecordForm();
    const auto unregister = qScopeGuard([] { MakeRecordForm = nullptr; });
    list = std::make_unique<TAddressList>();  // Ctrl+N is offered with the installed form
    AddressList = list.get();
    ASSERT_TRUE(dm->OpenAdrsTable());  // the window that went released the book once
    list->show();
    QCoreApplication::removePostedEvents(list.get(), WM_AFTERSHOW);
    enum Press { CtrlN, New, Next };
    const struct {
        Press press;
        int answer;
    } cases[] = {{CtrlN, IDNO}, {New, IDNO}, {CtrlN, IDYES}, {New, IDCANCEL}, {Next, IDNO}, {Next, IDYES}};
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "press " << c.press << ", answer " << c.answer);
        const QString typed = QStringLiteral("入力途中") + QString::number(&c - cases);
        if (!form) {
            open();
            showForm();
        }
        if (c.press == Next)
            inquire(0);
        else
            form->bbtnNew->click();
        form->edtAdrs1->setText(typed);
        const int32_t held = form->GetRecNo();
        const int before = rows();
        const int lookUps = dictionary.shown;
        boxes.clear();
        boxes.answer(c.answer, [this] { form->close(); });
        if (c.press == CtrlN)
            list->actNumerSearch->trigger();
        else if (c.press == New)
            form->bbtnNew->click();
        else
            form->sbtnNext->click();
        closed();
        EXPECT_EQ(boxes.shown().size(), 1u) << boxes.texts().join(u'\n').toStdString();
        const QString asked = held >= 0 ? QStringLiteral("照会中のデータが変更されています")
                                        : QStringLiteral("入力途中のデータがあります");
        EXPECT_TRUE(!boxes.shown().empty() && boxes.shown()[0].text.startsWith(asked));
        EXPECT_EQ(dictionary.shown, lookUps);
        EXPECT_EQ(rows(), before + (c.answer == IDYES && held < 0 ? 1 : 0));
        if (held >= 0) {
            const bool stored = Sjis::decode(row(held).FieldByName("Adrs1").AsString()) == typed;
            EXPECT_EQ(stored, c.answer == IDYES);
        }
        if (c.answer == IDCANCEL) {
            ASSERT_FALSE(form.isNull());
            EXPECT_TRUE(form->isVisible());
            EXPECT_EQ(form->edtAdrs1->text(), typed);
            EXPECT_EQ(RecordForm, form.data());
        } else {
            EXPECT_TRUE(form.isNull());
            EXPECT_EQ(RecordForm, nullptr);
            EXPECT_EQ(list->CurrentIndex, -1);
        }
    }
}

TEST_F(DataInquiryTest, MainListOpensTheFormOnTheSelectedRowAndFollowsIt)
{
    add("0311111111");
    add("0322222222");
    RegisterRecordForm();
    list = std::make_unique<TAddressList>();  // the commands see the installed form
    AddressList = list.get();
    ASSERT_TRUE(dm->OpenAdrsTable());  // the window that went released the book once
    list->RefreshList(true, true, false);
    list->SelectItem(1, true, false);
    ASSERT_TRUE(list->actInquiry->isEnabled());
    list->actInquiry->trigger();
    form = static_cast<TDataInquiry *>(RecordForm);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->GetRecNo(), 2);
    EXPECT_EQ(list->CurrentIndex, 1);
    EXPECT_TRUE(list->LinkColour().isValid());  // the list the form follows is coloured
    list->actInquiry->trigger();  // the same row again: the same form, nothing re-read
    EXPECT_EQ(static_cast<TDataInquiry *>(RecordForm), form.data());
    // Deleting the record the form shows closes the form without its question.
    boxes.answer(IDYES);
    list->actDelete->trigger();
    closed();
    EXPECT_EQ(RecordForm, nullptr);
    EXPECT_FALSE(list->LinkColour().isValid());
    EXPECT_EQ(rows(), 1);
    MakeRecordForm = nullptr;
}

TEST_F(DataInquiryTest, MainWindowStaysWhileTheFormKeepsUnsavedInput)
{
    open();
    showForm();
    form->BeginNewRecord();
    find<QLineEdit>("edtCustomCode")->setText("C-1");
    list->show();
    boxes.answer(IDCANCEL);
    EXPECT_FALSE(list->close());
    EXPECT_TRUE(list->isVisible());
    EXPECT_EQ(RecordForm, form.data());
    boxes.answer(IDNO);  // discard: now both may close
    EXPECT_TRUE(list->close());
    EXPECT_EQ(RecordForm, nullptr);
}

namespace {

TEST_F(DataInquiryTest, TheJisCodeButtonLooksUpTheTypedAddress)
{
    AppFolder = test::appDir();
    const auto restore = qScopeGuard([] { AppFolder.clear(); });
    open();
    ASSERT_TRUE(form->bbtnGetJisCode->isEnabled());
    form->edtTdfkn->setText(QStringLiteral("東京都"));
    form->edtAdrs1->setText(QStringLiteral("千代田区"));
    form->edtAdrs2->setText(QStringLiteral(" 千代田１－１ "));
    form->bbtnGetJisCode->click();
    EXPECT_EQ(form->edtJisCode->text(), QStringLiteral("13101"));
    const QString townCode = form->lblKajoCode->text();
    EXPECT_EQ(townCode.size(), 6);

    // An address the dictionary does not know leaves the codes as they are, without a message.
    test::MessageBoxScript boxes;
    form->edtTdfkn->setText(QStringLiteral("どこにもない県"));
    form->edtAdrs1->clear();
    form->edtAdrs2->clear();
    form->bbtnGetJisCode->click();
    EXPECT_EQ(form->edtJisCode->text(), QStringLiteral("13101"));
    EXPECT_EQ(form->lblKajoCode->text(), townCode);
    EXPECT_TRUE(boxes.shown().empty());

    form->edtTdfkn->setText(QStringLiteral("  "));
    form->bbtnGetJisCode->click();
    EXPECT_TRUE(form->edtJisCode->text().isEmpty());
    EXPECT_TRUE(form->lblKajoCode->text().isEmpty());
}


// The dictionary window over the real libraries and Dic/ of the build, answered as a user would.
class DataInquiryLookUpTest : public DataInquiryTest {
protected:
    void SetUp() override
    {
        DataInquiryTest::SetUp();
        AppFolder = test::appDir();
        LoadHyphenDll(AppFolder, AppFolder + QStringLiteral("Dic/"));
    }
    void TearDown() override
    {
        if (UniNameDic)
            UniNameDic->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        DataInquiryTest::TearDown();
        FreeHyphenDll();
        AppFolder.clear();
    }
    // Clicks a search button and takes the window's first answer; false when no window came up.
    bool lookUp(QPushButton *button)
    {
        const int before = dictionary.shown;
        dictionary.decide = true;
        button->click();
        dictionary.decide = false;
        return dictionary.shown > before;
    }
    // 新規, its telephone look-up cancelled, and the form active again as a window manager would leave it.
    void newRecord()
    {
        form->bbtnNew->click();
        QApplication::setActiveWindow(form);
        ASSERT_TRUE(QTest::qWaitForWindowActive(form));
    }
    // One input method event on the focused control; the requests it posts are delivered before it returns.
    static void compose(const QString &preedit)
    {
        QInputMethodEvent event(preedit, {});
        QApplication::sendEvent(QApplication::focusWidget(), &event);
        QCoreApplication::sendPostedEvents();
    }
    // The input method's commit that ends a composition, as its Enter sends it.
    static void commit(const QString &text)
    {
        QInputMethodEvent event;
        event.setCommitString(text);
        QApplication::sendEvent(QApplication::focusWidget(), &event);
        QCoreApplication::sendPostedEvents();
    }
    // A key of the keyboard on the focused control, then what it posted (a chosen name).
    void key(Qt::Key k)
    {
        QTest::keyClick(QApplication::focusWidget(), k);
        QCoreApplication::sendPostedEvents(form);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // The first written form the pop-up offers.
    static QString firstCandidate()
    {
        const auto *grid = UniNameDic ? UniNameDic->findChild<QTableWidget *>(QStringLiteral("sgNameList")) : nullptr;
        return grid && grid->rowCount() > 0 && grid->item(0, 1) ? grid->item(0, 1)->text() : QString();
    }
    static bool popUpShown() { return UniNameDic && UniNameDic->isVisible(); }
};

// Closes every input-list editor the form opens, as a user who changes nothing would.
class InputListAnswer : public QObject {
public:
    int shown = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *dialog = qobject_cast<QDialog *>(watched);
        if (event->type() == QEvent::Show && dialog && dialog->objectName() == QStringLiteral("InputList")) {
            ++shown;
            QTimer::singleShot(0, dialog, &QDialog::reject);
        }
        return false;
    }
};

TEST_F(DataInquiryLookUpTest, PostalCodeAddressAndNumberFillTheForm)
{
    open();
    showForm();
    newRecord();
    ASSERT_TRUE(form->bbtnPosSch->isEnabled());

    // A postal code: the address, its reading and codes, and no name is touched.
    form->nmedtCorpKanji->SetText(Sjis::encode(QStringLiteral("大阪商事")));
    form->edtPos->setText(QStringLiteral("1000001"));
    ASSERT_TRUE(lookUp(form->bbtnPosSch));
    EXPECT_EQ(form->edtPos->text(), QStringLiteral("100-0001"));
    EXPECT_EQ(form->edtTdfkn->text(), QStringLiteral("東京都"));
    EXPECT_EQ(form->edtAdrs1->text(), QStringLiteral("千代田区"));
    EXPECT_EQ(form->edtAdrs2->text(), QStringLiteral("千代田"));
    EXPECT_EQ(form->edtAdrs3->text(), QString());
    EXPECT_EQ(form->edtAdrsKana->text(), QStringLiteral("ﾄｳｷﾖｳﾄﾁﾖﾀﾞｸﾁﾖﾀﾞ"));
    EXPECT_EQ(form->edtJisCode->text(), QStringLiteral("13101"));
    EXPECT_EQ(form->lblKajoCode->text().size(), 6);
    EXPECT_NE(form->Latitude, 0);
    EXPECT_EQ(Sjis::decode(form->nmedtCorpKanji->GetText()), QStringLiteral("大阪商事"));
    EXPECT_EQ(form->focusWidget(), form->edtPos);
    EXPECT_EQ(form->edtPos->cursorPosition(), 8);
    EXPECT_FALSE(form->IsInputChanged()) << "what the dictionary filled is not unsaved input";

    // An address: a street number typed after the dictionary's address survives; the rest follows it.
    newRecord();
    form->edtTdfkn->setText(QStringLiteral("東京都"));
    form->edtAdrs1->setText(QStringLiteral("北区"));
    form->edtAdrs2->setText(QStringLiteral("王子本町"));
    ASSERT_TRUE(lookUp(form->bbtnAdrsSearch));
    EXPECT_EQ(form->edtPos->text(), QStringLiteral("114-0022"));
    EXPECT_EQ(form->edtAdrs2->text(), QStringLiteral("王子本町"));
    EXPECT_FALSE(form->edtJisCode->text().isEmpty());
    form->edtAdrs3->setText(QStringLiteral("１－２－３"));
    form->edtPos->setText(QStringLiteral("1000001"));
    ASSERT_TRUE(lookUp(form->bbtnPosSch));
    EXPECT_EQ(form->edtAdrs1->text(), QStringLiteral("千代田区")) << "another address is replaced part by part";
    EXPECT_EQ(form->edtAdrs3->text(), QString());
    form->edtAdrs3->setText(QStringLiteral("１－２－３"));
    ASSERT_TRUE(lookUp(form->bbtnPosSch));
    EXPECT_EQ(form->edtAdrs3->text(), QStringLiteral("１－２－３")) << "a longer address on the same beginning stays";

    // A telephone number: with 電話番号 empty the fax number is the key, and the caret comes back to it.
    newRecord();
    form->edtFax->setText(QStringLiteral("03-3900-1234"));
    ASSERT_TRUE(lookUp(form->bbtnTelSch));
    EXPECT_EQ(form->edtTel->text(), QStringLiteral("03-3900-1234"));
    EXPECT_EQ(form->edtTdfkn->text(), QStringLiteral("東京都"));
    EXPECT_EQ(form->edtJisCode->text().size(), 5);
    EXPECT_FALSE(form->chkMainNumber->isChecked());
    EXPECT_EQ(form->focusWidget(), form->edtFax);

    // A number of the sample directory: its name, in the layout of a company or of a person.
    SetDirectoryTelLookup(DirectoryTelLookup);
    HddInstalled = 1;
    HddDataFolder = QDir::cleanPath(test::appDir() + QStringLiteral("../sample")) + "/";
    const auto restore = qScopeGuard([] {
        SetDirectoryTelLookup(nullptr);
        HddInstalled = 0;
        HddDataFolder.clear();
    });
    newRecord();
    form->sbtnPriv->click();
    form->edtTel->setText(QStringLiteral("03-7089-9662"));
    lookUp(form->bbtnTelSch);
    EXPECT_EQ(Sjis::decode(form->nmedtCorpKanji->GetText()), QStringLiteral("株式会社大洋自動車"));
    EXPECT_FALSE(form->edtCorpKana->text().isEmpty());
    EXPECT_TRUE(form->sbtnCorp->isChecked());
    EXPECT_EQ(form->edtTel->text(), QStringLiteral("03-7089-9662"));
    EXPECT_NE(form->ShownCatMain, 0);
    EXPECT_FALSE(form->edtTdfkn->text().isEmpty());
    newRecord();
    form->edtTel->setText(QStringLiteral("0379539857"));
    lookUp(form->bbtnTelSch);
    EXPECT_EQ(form->nmedtNameKanji->text(), QStringLiteral("長友智子"));
    EXPECT_FALSE(form->nmedtNameKana->text().isEmpty());
    EXPECT_TRUE(form->sbtnPriv->isChecked());
    EXPECT_TRUE(boxes.shown().empty()) << boxes.texts().join(u'\n').toStdString();
}

TEST_F(DataInquiryLookUpTest, ANumberTheBookHoldsSwitchesToItsRecordAfterTheUnsavedQuestion)
{
    add("0399990000", "A");
    const int32_t held = add("0311112222", "B");
    open();
    showForm();
    newRecord();
    form->edtTel->setText(QStringLiteral("03-1111-2222"));
    form->edtCustomCode->setText(QStringLiteral("typed"));

    // Cancelled in the unsaved question: the typed input stays and no record is shown.
    boxes.answer(IDYES);     // show the book's record
    boxes.answer(IDCANCEL);  // the unsaved input
    EXPECT_FALSE(lookUp(form->bbtnTelSch)) << "one record is decided without the window";
    ASSERT_EQ(boxes.shown().size(), 2u) << boxes.texts().join(u'\n').toStdString();
    EXPECT_TRUE(boxes.shown()[1].text.startsWith(QStringLiteral("入力途中のデータがあります")));
    EXPECT_EQ(form->edtCustomCode->text(), QStringLiteral("typed"));
    EXPECT_EQ(form->GetRecNo(), -1);
    EXPECT_EQ(rows(), 2);

    // Discarded: the form shows that record, the main list's row of it selected.
    boxes.clear();
    boxes.answer(IDYES);
    boxes.answer(IDNO);
    lookUp(form->bbtnTelSch);
    EXPECT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(form->GetRecNo(), held);
    EXPECT_EQ(form->edtCustomCode->text(), QStringLiteral("B"));
    EXPECT_EQ(form->GetLinked(), 1);
    EXPECT_EQ(list->CurrentIndex, list->IndexOfRecNo(held));
    EXPECT_EQ(rows(), 2);
}

TEST_F(DataInquiryLookUpTest, ATypedReadingOffersWrittenNamesAndTheChoiceGoesIntoTheEdit)
{
    open();
    showForm();
    newRecord();
    form->sbtnPriv->click();
    form->nmedtNameKanji->setFocus();
    compose(QStringLiteral("やまだ"));
    ASSERT_TRUE(UniNameDic) << "the reading has written forms";
    ASSERT_TRUE(UniNameDic->isVisible());
    EXPECT_EQ(UniNameDic->Tag(), 0);
    EXPECT_FALSE(UniNameDic->GivenName()) << "typed at the start: a family name";
    EXPECT_EQ(UniNameDic->pos(), form->nmedtNameKanji->mapToGlobal(QPoint(0, form->nmedtNameKanji->height())));
    EXPECT_EQ(QApplication::focusWidget(), form->nmedtNameKanji);
    form->move(form->pos() + QPoint(30, 20));
    QCoreApplication::processEvents();
    EXPECT_EQ(UniNameDic->pos(), form->nmedtNameKanji->mapToGlobal(QPoint(0, form->nmedtNameKanji->height())))
        << "the pop-up follows the form";

    // The arrow keys of the composition go to the pop-up; Enter takes the selected form.
    const auto *grid = UniNameDic->findChild<QTableWidget *>(QStringLiteral("sgNameList"));
    ASSERT_TRUE(grid);
    const QString first = grid->item(0, 1)->text();
    QTest::keyClick(form->nmedtNameKanji, Qt::Key_Down);
    QTest::keyClick(form->nmedtNameKanji, Qt::Key_Return);
    QCoreApplication::sendPostedEvents(form);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(UniNameDic && UniNameDic->isVisible());
    EXPECT_EQ(form->nmedtNameKanji->text(), first + QChar(0x3000));
    EXPECT_EQ(form->nmedtNameKana->text(), QStringLiteral("ﾔﾏﾀﾞ "));
    EXPECT_EQ(QApplication::focusWidget(), form->nmedtNameKanji);

    // A family name typed again over a reading already there leaves that reading alone.
    form->nmedtNameKanji->clear();
    form->nmedtNameKana->setText(QStringLiteral("ｽｽﾞｷ "));
    form->nmedtNameKanji->setFocus();
    compose(QStringLiteral("やまだ"));
    ASSERT_TRUE(UniNameDic && UniNameDic->isVisible());
    QTest::keyClick(form->nmedtNameKanji, Qt::Key_Down);
    QTest::keyClick(form->nmedtNameKanji, Qt::Key_Return);
    QCoreApplication::sendPostedEvents(form);
    EXPECT_EQ(form->nmedtNameKanji->text(), first + QChar(0x3000));
    EXPECT_EQ(form->nmedtNameKana->text(), QStringLiteral("ｽｽﾞｷ "));
}

TEST_F(DataInquiryLookUpTest, ADirectoryFaxNumberFillsOnlyTheFaxFieldAndATelephoneAndFaxNumberBoth)
{
    SetDirectoryTelLookup(DirectoryTelLookup);
    HddInstalled = 1;
    HddDataFolder = QDir::cleanPath(test::appDir() + QStringLiteral("../sample")) + "/";
    const auto restore = qScopeGuard([] {
        SetDirectoryTelLookup(nullptr);
        HddInstalled = 0;
        HddDataFolder.clear();
    });
    open();
    showForm();
    // Listed as a fax number only: 電話番号 stays empty.
    newRecord();
    form->edtFax->setText(QStringLiteral("0320013087"));
    lookUp(form->bbtnTelSch);
    EXPECT_EQ(form->edtFax->text(), QStringLiteral("03-2001-3087"));
    EXPECT_TRUE(form->edtTel->text().isEmpty());
    EXPECT_FALSE(form->chkMainNumber->isChecked());
    EXPECT_FALSE(form->nmedtCorpKanji->text().isEmpty()) << "the listing's name";
    EXPECT_FALSE(form->edtTdfkn->text().isEmpty());
    EXPECT_EQ(form->focusWidget(), form->edtFax);
    // Listed as telephone and fax: both fields.
    newRecord();
    form->edtTel->setText(QStringLiteral("0320499566"));
    lookUp(form->bbtnTelSch);
    EXPECT_EQ(form->edtTel->text(), QStringLiteral("03-2049-9566"));
    EXPECT_EQ(form->edtFax->text(), QStringLiteral("03-2049-9566"));
    EXPECT_FALSE(form->chkMainNumber->isChecked());
    EXPECT_TRUE(boxes.shown().empty()) << boxes.texts().join(u'\n').toStdString();
}

TEST_F(DataInquiryLookUpTest, EnterAloneWalksTheFormFromTheNumberToTheRegisterButton)
{
    InputListAnswer lists;
    qApp->installEventFilter(&lists);
    open();
    showForm();
    newRecord();
    form->sbtnPriv->click();
    form->edtTel->setText(QStringLiteral("03-5321-1111"));
    form->edtTel->setFocus();
    dictionary.decide = true;
    const int before = dictionary.shown;
    QStringList path;
    for (int i = 0; i < 60 && form->focusWidget() != form->btnAdd; ++i) {
        // No window manager here gives the form back its activation after a dialog.
        QApplication::setActiveWindow(form);
        QWidget *at = form->focusWidget();
        ASSERT_NE(at, nullptr) << path.join(u' ').toStdString();
        path << at->objectName();
        QTest::keyClick(at, Qt::Key_Return);
    }
    dictionary.decide = false;
    qApp->removeEventFilter(&lists);
    ASSERT_EQ(form->focusWidget(), form->btnAdd) << path.join(u' ').toStdString();
    // The number's look-up, then the address's look-up, each left for the field after it.
    EXPECT_EQ(dictionary.shown - before, 2) << path.join(u' ').toStdString();
    EXPECT_EQ(path.mid(path.indexOf(QStringLiteral("bbtnTelSch")), 2),
              (QStringList{QStringLiteral("bbtnTelSch"), QStringLiteral("chkMainNumber")}));
    EXPECT_EQ(path.mid(path.indexOf(QStringLiteral("bbtnAdrsSearch")), 2),
              (QStringList{QStringLiteral("bbtnAdrsSearch"), QStringLiteral("edtAdrs1")}));
    // The honorifics' list editor, then the category.
    EXPECT_EQ(lists.shown, 1);
    EXPECT_EQ(path.mid(path.indexOf(QStringLiteral("bbtnHonor")), 2),
              (QStringList{QStringLiteral("bbtnHonor"), QStringLiteral("Cbx_CatMain")}));
    EXPECT_EQ(path.count(QStringLiteral("edtTdfkn")), 1) << "never back to a field already passed";
    // And Enter on 登録 stores what the look-ups filled.
    QTest::keyClick(form->btnAdd, Qt::Key_Return);
    closed();
    ASSERT_EQ(rows(), 1);
    EXPECT_EQ(row(1).FieldByName("Tel").AsString(), "0353211111");
    EXPECT_FALSE(row(1).FieldByName("Adrs1").AsString().isEmpty());
}

// A company registered by keys alone from a new record, which starts as a person: Tab, Shift+Tab and Enter each
// stop on the person/company switch between the address and the company, at the button that is down; Space
// turns it over, says so on the accessibility bus and opens the company's fields for typing.
TEST_F(DataInquiryLookUpTest, TheKeysReachThePersonCompanySwitchAndRegisterACompany)
{
    InputListAnswer lists;
    qApp->installEventFilter(&lists);
    const auto removeLists = qScopeGuard([&] { qApp->removeEventFilter(&lists); });
    open();
    showForm();
    newRecord();
    ASSERT_TRUE(form->sbtnPriv->isChecked());
    const auto key = [](Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), k, modifiers);
    };
    const auto downOnTheBus = [](QWidget *button) {
        const QAccessible::State state = QAccessible::queryAccessibleInterface(button)->state();
        return state.checkable && state.checked && !state.disabled;
    };
    form->edtAdrsKana->setFocus();
    key(Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), form->sbtnPriv) << "Enter";
    key(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), form->edtAdrsKana) << "Shift+Tab";
    key(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), form->sbtnPriv) << "Tab";
    EXPECT_TRUE(downOnTheBus(form->sbtnPriv));

    key(Qt::Key_Space);
    EXPECT_TRUE(form->sbtnCorp->isChecked());
    EXPECT_TRUE(downOnTheBus(form->sbtnCorp));
    EXPECT_FALSE(downOnTheBus(form->sbtnPriv));
    for (QWidget *field : std::initializer_list<QWidget *>{form->nmedtCorpKanji, form->edtCorpKana, form->cbxDptmnt, form->cbxPost})
        EXPECT_TRUE(field->isEnabled()) << field->objectName().toStdString();
    ASSERT_EQ(QApplication::focusWidget(), form->nmedtCorpKanji);
    QTest::keyClicks(form->nmedtCorpKanji, "ACME");

    // Back to the switch, which stops at its down button, and over to a person and back by Space.
    key(Qt::Key_Tab, Qt::ShiftModifier);
    key(Qt::Key_Tab, Qt::ShiftModifier);
    ASSERT_EQ(QApplication::focusWidget(), form->sbtnCorp);
    key(Qt::Key_Space);
    EXPECT_TRUE(form->sbtnPriv->isChecked());
    EXPECT_FALSE(form->nmedtCorpKanji->isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), form->nmedtNameKanji);
    key(Qt::Key_Tab, Qt::ShiftModifier);
    key(Qt::Key_Tab, Qt::ShiftModifier);
    ASSERT_EQ(QApplication::focusWidget(), form->sbtnPriv);
    key(Qt::Key_Space);
    ASSERT_TRUE(form->sbtnCorp->isChecked());
    EXPECT_EQ(QApplication::focusWidget(), form->nmedtCorpKanji);

    // Enter walks on to 登録 and presses it.
    QStringList path;
    for (int i = 0; i < 30 && form->focusWidget() != form->btnAdd; ++i) {
        QApplication::setActiveWindow(form);
        ASSERT_NE(form->focusWidget(), nullptr) << path.join(u' ').toStdString();
        path << form->focusWidget()->objectName();
        key(Qt::Key_Return);
    }
    ASSERT_EQ(form->focusWidget(), form->btnAdd) << path.join(u' ').toStdString();
    key(Qt::Key_Return);
    closed();
    ASSERT_EQ(rows(), 1) << boxes.texts().join(u'|').toStdString();
    EXPECT_FALSE(row(1).FieldByName("PrivCorp").AsBoolean());
    EXPECT_EQ(row(1).FieldByName("CorpKanji").AsString(), "ACME");
}

// The print flags of the サブ page, the joint names' and the print designation, are reached by Tab and pressed by
// Space; Enter moves on from them.
TEST_F(DataInquiryTest, ThePrintFlagsAreReachedByTabAndPressedBySpace)
{
    open();
    form->BeginNewRecord();
    showForm();
    form->pgctlData->setCurrentWidget(form->tabstSub);
    form->nmedtJoint[0]->setText(QStringLiteral("花子"));
    ASSERT_TRUE(form->sbtnJointPrintM->isChecked());
    const auto key = [](Qt::Key k) { QTest::keyClick(QApplication::focusWidget(), k); };
    form->cbxJointOwner->setFocus();
    key(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), form->sbtnJointPrintM);
    key(Qt::Key_Space);
    EXPECT_TRUE(form->sbtnJointPrintM->isChecked()) << "the addressee's own flag stays down";
    key(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), form->sbtnJointPrint[0]);
    const bool printed = form->sbtnJointPrint[0]->isChecked();
    key(Qt::Key_Space);
    EXPECT_NE(form->sbtnJointPrint[0]->isChecked(), printed);
    QStringList path;
    for (int i = 0; i < 12 && QApplication::focusWidget() != form->sbtnPrintTarget; ++i) {
        key(Qt::Key_Tab);
        path << QApplication::focusWidget()->objectName();
    }
    ASSERT_EQ(QApplication::focusWidget(), form->sbtnPrintTarget) << path.join(u' ').toStdString();
    key(Qt::Key_Space);
    EXPECT_TRUE(form->sbtnPrintTarget->isChecked());
    key(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), form->sbtnPrintException);
    key(Qt::Key_Return);
    ASSERT_EQ(QApplication::focusWidget(), form->btnAdd) << "Enter ends the page at 登録";
    key(Qt::Key_Return);
    closed();
    ASSERT_EQ(rows(), 1) << boxes.texts().join(u'|').toStdString();
    EXPECT_NE(row(1).FieldByName("JointPrint1").AsBoolean(), printed);
    EXPECT_EQ(row(1).FieldByName("PrintTarget").AsInteger(), 1);
}

// A Linux input method keeps Enter and the arrow keys while it composes, and its Enter commits the reading:
// the list stays open for the committed reading, and the keys choose from it.
TEST_F(DataInquiryLookUpTest, ACommittedReadingKeepsItsListAndTheKeysChooseFromIt)
{
    open();
    showForm();
    newRecord();
    form->sbtnPriv->click();
    form->nmedtNameKanji->setFocus();
    compose(QStringLiteral("さとう"));
    ASSERT_TRUE(popUpShown());
    const QString family = firstCandidate();
    ASSERT_FALSE(family.isEmpty());
    commit(QStringLiteral("さとう"));
    ASSERT_TRUE(popUpShown()) << "the list stays open for the reading just committed";
    EXPECT_EQ(form->nmedtNameKanji->text(), QStringLiteral("さとう"));
    EXPECT_EQ(form->nmedtNameKana->text(), QStringLiteral("ｻﾄｳ"));
    key(Qt::Key_Down);
    key(Qt::Key_Return);
    EXPECT_FALSE(popUpShown());
    EXPECT_EQ(form->nmedtNameKanji->text(), family + QChar(0x3000)) << "the name takes the reading's place";
    EXPECT_EQ(form->nmedtNameKana->text(), QStringLiteral("ｻﾄｳ "));
    EXPECT_EQ(QApplication::focusWidget(), form->nmedtNameKanji);

    // The given name after it, the same way.
    compose(QStringLiteral("けんいち"));
    ASSERT_TRUE(popUpShown());
    EXPECT_TRUE(UniNameDic->GivenName());
    const QString given = firstCandidate();
    commit(QStringLiteral("けんいち"));
    ASSERT_TRUE(popUpShown());
    key(Qt::Key_Down);
    key(Qt::Key_Return);
    EXPECT_EQ(form->nmedtNameKanji->text(), family + QChar(0x3000) + given);
    EXPECT_EQ(form->nmedtNameKana->text(), QStringLiteral("ｻﾄｳ ｹﾝｲﾁ"));

    // Typing on after a commit closes the list and keeps what was committed; so does Enter with nothing
    // selected, which goes on to the next field.
    form->nmedtNameKanji->clear();
    compose(QStringLiteral("やまだ"));
    commit(QStringLiteral("やまだ"));
    ASSERT_TRUE(popUpShown());
    key(Qt::Key_Backspace);
    EXPECT_FALSE(popUpShown());
    EXPECT_EQ(form->nmedtNameKanji->text(), QStringLiteral("やま"));
    form->nmedtNameKanji->clear();
    compose(QStringLiteral("やまだ"));
    commit(QStringLiteral("やまだ"));
    key(Qt::Key_Return);
    EXPECT_FALSE(popUpShown());
    EXPECT_EQ(QApplication::focusWidget(), form->nmedtNameKana);
    EXPECT_EQ(form->nmedtNameKanji->text(), QStringLiteral("やまだ"));

    // A reading the input method converted itself is the user's choice: its commit closes the list.
    form->nmedtNameKanji->clear();
    form->nmedtNameKanji->setFocus();
    compose(QStringLiteral("やまだ"));
    ASSERT_TRUE(popUpShown());
    compose(QStringLiteral("山田"));
    commit(QStringLiteral("山田"));
    EXPECT_FALSE(popUpShown());
    EXPECT_EQ(form->nmedtNameKanji->text(), QStringLiteral("山田"));
    EXPECT_EQ(form->nmedtNameKana->text(), QStringLiteral("ﾔﾏﾀﾞ"));
}

// Readings pasted or committed in full width are stored in half width, as the name edits pass them on, so
// that the order by reading holds; readings stored before are shown as they are.
TEST_F(DataInquiryLookUpTest, ReadingsArriveHalfWidthHoweverTheyAreEntered)
{
    open();
    showForm();
    newRecord();
    form->sbtnPriv->click();
    form->nmedtNameKanji->setText(QStringLiteral("吉田　太郎"));
    QApplication::clipboard()->setText(QStringLiteral("ヨシダ　タロウ"));
    form->nmedtNameKana->setFocus();
    form->nmedtNameKana->selectAll();
    form->nmedtNameKana->paste();
    EXPECT_EQ(form->nmedtNameKana->text(), QStringLiteral("ﾖｼﾀﾞ ﾀﾛｳ"));
    form->edtAdrsKana->setFocus();
    commit(QStringLiteral("とうきょうとチヨダク"));
    EXPECT_EQ(form->edtAdrsKana->text(), QStringLiteral("ﾄｳｷｮｳﾄﾁﾖﾀﾞｸ"));
    EXPECT_EQ(form->edtAdrsKana->cursorPosition(), 11);
    // Typed in the middle: the caret stays after what was typed.
    form->edtAdrsKana->setCursorPosition(5);
    commit(QStringLiteral("ガ"));
    EXPECT_EQ(form->edtAdrsKana->text(), QStringLiteral("ﾄｳｷｮｳｶﾞﾄﾁﾖﾀﾞｸ"));
    EXPECT_EQ(form->edtAdrsKana->cursorPosition(), 7);
    // A character Shift-JIS lacks is still refused.
    commit(QStringLiteral("𠮷"));
    EXPECT_EQ(form->edtAdrsKana->text(), QStringLiteral("ﾄｳｷｮｳｶﾞﾄﾁﾖﾀﾞｸ"));
    form->edtAdrsKana->clear();
    form->btnAdd->click();
    closed();
    ASSERT_EQ(rows(), 1);
    EXPECT_EQ(row(1).FieldByName("NameKana").AsString(), Sjis::encode(QStringLiteral("ﾖｼﾀﾞ ﾀﾛｳ")));

    // A reading stored full width before is shown unchanged and is no unsaved input.
    TTable &t = row(1);
    t.Edit();
    t.FieldByName("NameKana").SetAsString(Sjis::encode(QStringLiteral("ヨシダ")));
    t.Post();
    open();
    inquire(0);
    EXPECT_EQ(form->nmedtNameKana->text(), QStringLiteral("ヨシダ"));
    EXPECT_FALSE(form->IsInputChanged());
}

}  // namespace
