// The sender list over a real "Sender.DB": rows shown and saved back, new and deleted senders, the default
// sender, the contact rows, and values the table cannot hold.
#include "designers/Sender.h"

#include "Accessibility.h"
#include "SenderRows.h"
#include "TestBook.h"
#include "TestSupport.h"
#include "base/FileReplace.h"
#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "core/Hyphen.h"
#include "db/Table.h"
#include "geo/DicSch.h"
#include "platform/MemIniFile.h"
#include "widgets/ShiftJisValidator.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>

#include <gtest/gtest.h>

namespace {

QByteArray sjis(QStringView text) { return Sjis::encode(text); }

class SenderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Text set over the bus is taken as typed, as the program has it from its start.
        InstallTypedTextAccessibility();
        book.Open(QStringLiteral("Book"), true);
        ASSERT_TRUE(DMMirvale18->OpenSenderTable());
        DefaultSenderNo = 0;
    }
    void TearDown() override
    {
        form.reset();
        DMMirvale18->CloseSenderTable();
    }
    TTable &table() { return *DMMirvale18->SenderTable; }
    TSenderRecord row(int32_t recNo)
    {
        EXPECT_TRUE(table().FindKey({recNo}));
        return ReadSenderRecord(table());
    }
    TSenderForm &open(int32_t senderNo)
    {
        form = std::make_unique<TSenderForm>(nullptr);
        form->SenderNo = senderNo;
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        return *form;
    }
    template <class T>
    T *control(const char *name)
    {
        T *c = form->findChild<T *>(QLatin1String(name));
        EXPECT_TRUE(c) << name;
        return c;
    }
    void click(const char *name) { control<QAbstractButton>(name)->click(); }
    TMemIniFile senderIni() { return TMemIniFile(DataRootFolder + "Sender.ini"); }

    test::TestBook book;
    test::MessageBoxScript boxes;
    std::unique_ptr<TSenderForm> form;
};

}  // namespace

TEST_F(SenderTest, EmptyTableGetsItsFirstSender)
{
    open(0);
    ASSERT_EQ(table().RecordCount(), 1);
    const TSenderRecord first = row(1);
    EXPECT_EQ(first.Title, sjis(u"差出人1"));
    EXPECT_TRUE(first.NamePrint);
    EXPECT_EQ(first.JointPrint, (std::array<bool, 5>{true, true, true, true, true}));
    EXPECT_EQ(DefaultSenderNo, 1);
    EXPECT_TRUE(control<QCheckBox>("ckbDefault")->isChecked());
    EXPECT_EQ(control<QLineEdit>("edTitle")->text(), QStringLiteral("差出人1"));
    click("btnClose");
    EXPECT_EQ(form->result(), 2);
    EXPECT_EQ(senderIni().ReadInteger("SENDER", "LastNo", 0), 1);
    EXPECT_EQ(senderIni().ReadInteger("SENDER", "Default", 0), 1);
}

TEST_F(SenderTest, RowIsShownAndSavedBackAsStored)
{
    TSenderRecord r = NewSenderRecord(4, sjis(u"自宅"));
    r.Name = WideToEscapedAnsi(QStringLiteral("山田　太郎"));
    r.Tel = "0312345678";
    r.Fax = "0312345679";
    r.Pos = "1000001";
    r.Tdfkn = sjis(u"東京都");
    r.Adrs1 = sjis(u"千代田区");
    r.Adrs2 = sjis(u"千代田1-1");
    r.SelectInfo = 2;
    r.Corp = sjis(u"山田商事株式会社");
    r.Head = {"TEL", "FAX", "URL", ""};
    r.Addition = {"0312345678", "0312345679", "https://example.jp/", ""};
    r.AdditionPrint = {true, false, true, false};
    test::registerSender(r);
    test::registerSender(NewSenderRecord(9, sjis(u"会社")));

    open(4);
    EXPECT_EQ(control<QLineEdit>("edName")->text(), QStringLiteral("山田　太郎"));
    EXPECT_EQ(control<QLineEdit>("edPos")->text(), QStringLiteral("100-0001"));
    EXPECT_EQ(control<QTabWidget>("pgcSender")->currentWidget()->objectName(), QStringLiteral("tbsCorp"));
    EXPECT_TRUE(control<QCheckBox>("ckbCorp")->isChecked());
    EXPECT_FALSE(control<QToolButton>("sbtnNamePrint")->isEnabled());  // follows 連名を印刷する
    EXPECT_EQ(control<QLineEdit>("edAddition1")->text(), control<QLineEdit>("edTel")->text());
    EXPECT_EQ(control<QLabel>("lblNo")->text(), QStringLiteral("1"));
    EXPECT_EQ(control<QLabel>("lblCount")->text(), QStringLiteral("2"));
    EXPECT_FALSE(control<QToolButton>("sbtnPrior")->isEnabled());

    // A number typed with hyphens is stored as digits; the TEL row that shows it follows it.
    control<QLineEdit>("edTel")->setText(QStringLiteral("03-9876-5432"));
    EXPECT_EQ(control<QLineEdit>("edAddition1")->text(), QStringLiteral("03-9876-5432"));
    // The input method's full-width digits and dash are the code they stand for, not text the digits drop.
    control<QLineEdit>("edPos")->setText(QStringLiteral("１００－０００２"));
    EXPECT_EQ(control<QLineEdit>("edPos")->text(), QStringLiteral("100-0002"));
    click("btnChoice");
    EXPECT_EQ(form->result(), 1);
    EXPECT_EQ(form->SenderNo, 4);
    const TSenderRecord saved = row(4);
    EXPECT_EQ(saved.Tel, "0398765432");
    EXPECT_EQ(saved.Addition[0], "0398765432");
    EXPECT_EQ(saved.Pos, "1000002");
    EXPECT_EQ(saved.Name, r.Name);
    EXPECT_EQ(saved.Corp, r.Corp);
    EXPECT_EQ(saved.Addition[2], r.Addition[2]);
    EXPECT_EQ(saved.AdditionPrint, r.AdditionPrint);
}

TEST_F(SenderTest, MissingSenderShowsTheDefaultAndNavigationSaves)
{
    test::registerSender(NewSenderRecord(2, sjis(u"一")));
    test::registerSender(NewSenderRecord(5, sjis(u"二")));
    DefaultSenderNo = 5;
    open(3);  // deleted meanwhile
    EXPECT_EQ(form->SenderNo, 5);
    EXPECT_EQ(control<QLineEdit>("edTitle")->text(), QStringLiteral("二"));

    control<QLineEdit>("edAdrs2")->setText(QStringLiteral("どこか"));
    click("sbtnFirst");
    EXPECT_EQ(form->SenderNo, 2);
    EXPECT_EQ(row(5).Adrs2, sjis(u"どこか"));

    // A title another row carries keeps the row and the window.
    QLineEdit *title = control<QLineEdit>("edTitle");
    title->setFocus();
    QTest::keyClick(title, Qt::Key_End);
    title->selectAll();
    title->insert(QStringLiteral("二"));
    click("sbtnNext");
    EXPECT_EQ(form->SenderNo, 2);
    EXPECT_TRUE(boxes.texts().contains(QStringLiteral("おなじ登録名が存在します．別の登録名を入力してください  ")));
    EXPECT_EQ(row(2).Title, sjis(u"一"));
}

// A screen reader presses the form's buttons and ticks its boxes while 「おなじ登録名が存在します」 is open: none of
// them runs, so no second box stacks on the first, the row shown and every tick stay, and the window stays open.
TEST_F(SenderTest, ButtonsPressedOnTheBusUnderTheQuestionDoNothing)
{
    test::registerSender(NewSenderRecord(1, sjis(u"一")));
    test::registerSender(NewSenderRecord(2, sjis(u"二")));
    test::registerSender(NewSenderRecord(3, sjis(u"三")));
    open(2);
    const int defaultSender = DefaultSenderNo;
    control<QLineEdit>("edTitle")->setText(QStringLiteral("一"));
    const char *const names[] = {"bbtnNew",  "bbtnDelete", "btnChoice",  "btnClose", "sbtnFirst",    "sbtnPrior",
                                 "sbtnNext", "sbtnLast",   "ckbDefault", "ckbCorp",  "sbtnAdditionPrint1"};
    const auto press = [](QAbstractButton *b) {
        return b->isCheckable() ? test::toggleOnTheBus(b) : test::pressOnTheBus(b);
    };
    QMap<QString, bool> ticks, ticksMeanwhile;
    for (const char *name : names)
        ticks[QLatin1String(name)] = control<QAbstractButton>(name)->isChecked();
    boxes.answer(IDOK, [&] {
        for (const char *name : names) {
            EXPECT_TRUE(press(control<QAbstractButton>(name))) << name;
            QCoreApplication::processEvents();
            // A tick shown goes back before it is drawn; one on a page not shown, when the question ends.
            if (control<QAbstractButton>(name)->isVisible())
                ticksMeanwhile[QLatin1String(name)] = control<QAbstractButton>(name)->isChecked();
        }
    });
    ASSERT_TRUE(test::pressOnTheBus(control<QAbstractButton>("sbtnNext")));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("おなじ登録名が存在します．別の登録名を入力してください  ")});
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->SenderNo, 2);
    EXPECT_EQ(table().RecordCount(), 3);
    EXPECT_EQ(row(2).Title, sjis(u"二"));
    EXPECT_EQ(DefaultSenderNo, defaultSender);
    for (auto tick = ticksMeanwhile.cbegin(); tick != ticksMeanwhile.cend(); ++tick)
        EXPECT_EQ(tick.value(), ticks[tick.key()]) << qPrintable(tick.key());
    for (const char *name : names)
        EXPECT_EQ(control<QAbstractButton>(name)->isChecked(), ticks[QLatin1String(name)]) << name;
}

// A title another sender carries, set over the bus, is asked about by every way out of the row: 選択 too, which
// would otherwise store two senders of one title. The set itself ends the entry as typing does, and asks once.
TEST_F(SenderTest, EveryWayOutOfTheRowRefusesATitleAnotherSenderCarries)
{
    const QStringList duplicate{QStringLiteral("おなじ登録名が存在します．別の登録名を入力してください  ")};
    for (const char *out : {"btnChoice", "btnClose", "sbtnFirst", "bbtnNew"}) {
        table().First();
        while (!table().Eof())
            table().Delete();
        test::registerSender(NewSenderRecord(1, sjis(u"一")));
        test::registerSender(NewSenderRecord(2, sjis(u"二")));
        open(2);
        boxes.clear();
        boxes.answer(IDOK);
        ASSERT_TRUE(test::setTextOnTheBus(control<QLineEdit>("edTitle"), QStringLiteral("一")));
        EXPECT_EQ(boxes.texts(), duplicate) << out;
        boxes.clear();
        boxes.answer(IDOK);
        ASSERT_TRUE(test::pressOnTheBus(control<QAbstractButton>(out))) << out;
        EXPECT_TRUE(form->isVisible()) << out;
        EXPECT_EQ(form->SenderNo, 2) << out;
        EXPECT_EQ(boxes.texts(), duplicate) << out;
        EXPECT_EQ(table().RecordCount(), 2) << out;
        EXPECT_EQ(row(2).Title, sjis(u"二")) << out;
        form.reset();
    }
}

// The caret still in 登録名, which holds a title another sender carries, when 最初 is clicked or pressed over the
// bus (it takes no focus): the box takes the focus from the field, whose exit would ask again under it. One press
// asks once.
TEST_F(SenderTest, OnePressAsksOnceAboutATitleAnotherSenderCarries)
{
    test::registerSender(NewSenderRecord(1, sjis(u"一")));
    test::registerSender(NewSenderRecord(2, sjis(u"二")));
    for (const bool overTheBus : {false, true}) {
        SCOPED_TRACE(overTheBus ? "over the bus" : "clicked");
        open(2);
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        QLineEdit *title = control<QLineEdit>("edTitle");
        title->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([title] { return title->hasFocus(); }, 5000));
        ASSERT_TRUE(test::setTextOnTheBus(title, QStringLiteral("一")));
        QWidget box;
        boxes.clear();
        boxes.answer(IDOK, [&] {
            // As a box does, a window of its own takes the keyboard from the form.
            box.show();
            box.activateWindow();
            EXPECT_TRUE(QTest::qWaitFor([title] { return !title->hasFocus(); }, 5000));
            box.hide();
            form->activateWindow();
        });
        QAbstractButton *first = control<QAbstractButton>("sbtnFirst");
        ASSERT_FALSE(first->focusPolicy() & Qt::ClickFocus);
        if (overTheBus)
            ASSERT_TRUE(test::pressOnTheBus(first));
        else
            first->click();
        EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("おなじ登録名が存在します．別の登録名を入力してください  ")});
        EXPECT_EQ(form->SenderNo, 2);
        EXPECT_EQ(title->text(), QStringLiteral("一"));
        EXPECT_EQ(row(2).Title, sjis(u"二"));
        // Its own title back, so that the field's exit as the form goes asks nothing.
        ASSERT_TRUE(test::setTextOnTheBus(title, QStringLiteral("二")));
        form.reset();
    }
}

TEST_F(SenderTest, NewSenderTakesTheNextFreeTitleAndNumber)
{
    test::registerSender(NewSenderRecord(1, sjis(u"差出人3")));
    test::registerSender(NewSenderRecord(2, sjis(u"差出人4")));
    test::registerSender(NewSenderRecord(3, sjis(u"実家")));
    open(1);
    click("bbtnNew");
    EXPECT_EQ(form->SenderNo, 4);
    EXPECT_EQ(row(4).Title, sjis(u"差出人5"));
    EXPECT_EQ(control<QLabel>("lblCount")->text(), QStringLiteral("4"));
}

// A sender that cannot be made (the senders' folder cannot be written, the disk is full) says why, and the row
// shown stays.
TEST_F(SenderTest, ASenderThatCannotBeMadeSaysWhy)
{
    test::registerSender(NewSenderRecord(1, sjis(u"本社")));
    open(1);
    const QString folder = QFileInfo(table().FileName()).absolutePath() + "/";
    const test::ReadOnlyFolder locked(folder);
    if (!locked.mounted())
        GTEST_SKIP() << locked.skipReason().toStdString();
    click("bbtnNew");
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("差出人情報の作成に失敗しました  \r\n\r\n")
                                         + QDir::toNativeSeparators(folder) + "\r\n" + NotWritableReason});
    EXPECT_EQ(form->SenderNo, 1);
    EXPECT_EQ(control<QLineEdit>("edTitle")->text(), QStringLiteral("本社"));
    EXPECT_EQ(table().RecordCount(), 1);
}

TEST_F(SenderTest, EmptyingTheOnlySenderKeepsItsNumber)
{
    TSenderRecord only = NewSenderRecord(7, sjis(u"本社"));
    only.Adrs2 = sjis(u"本町1-2");
    test::registerSender(only);
    TMemIniFile ini(DataRootFolder + "Sender.ini");
    ini.WriteInteger("SENDER", "LastNo", 7);
    ini.UpdateFile();
    open(7);
    boxes.answer(IDYES);
    click("bbtnDelete");
    ASSERT_EQ(table().RecordCount(), 1);
    // Address records that name sender 7 still find it; those that name a number handed out before (1) find
    // no row and fall back to the default, as they did.
    EXPECT_TRUE(table().FindKey({7}));
    EXPECT_FALSE(table().FindKey({1}));
    const TSenderRecord emptied = row(7);
    EXPECT_EQ(emptied.Title, sjis(u"差出人1"));
    EXPECT_TRUE(emptied.Adrs2.isEmpty());
    EXPECT_EQ(DefaultSenderNo, 7);
    EXPECT_EQ(form->SenderNo, 7);
    click("bbtnNew");
    EXPECT_EQ(form->SenderNo, 8);  // LastNo is kept
}

TEST_F(SenderTest, OverlongValueIsRefusedNotCut)
{
    test::registerSender(NewSenderRecord(1, sjis(u"自宅")));
    open(1);
    // Thirty characters fit the edit but take 60 bytes of the title's 30.
    control<QLineEdit>("edTitle")->setText(QString(30, QChar(u'長')));
    control<QLineEdit>("edAdrs3")->setText(QStringLiteral("三丁目"));
    click("btnChoice");
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("保存できませんでした  \r\n\r\n「登録名」の文字数が多すぎます  ")});
    EXPECT_EQ(boxes.shown().back().flags & 0xF0, MB_ICONERROR);
    EXPECT_EQ(form->focusWidget(), control<QLineEdit>("edTitle"));
    EXPECT_EQ(row(1).Title, sjis(u"自宅"));
    EXPECT_TRUE(row(1).Adrs3.isEmpty());
    EXPECT_EQ(OverlongSenderFields(NewSenderRecord(1, QByteArray(31, 'a'))), QStringList{"Title"});
    EXPECT_TRUE(OverlongSenderFields(NewSenderRecord(1, QByteArray(30, 'a'))).isEmpty());

    // Closing with an empty title keeps the window open too.
    boxes.clear();
    control<QLineEdit>("edTitle")->clear();
    click("btnClose");
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("登録名を入力してください  ")});
}

// Each field holds what its column holds: what does not fit is cut where it is entered, with a word at the field,
// as in the record form. A value that still cannot be saved is named with its field and the reason.
TEST_F(SenderTest, FieldsHoldWhatTheirColumnsHold)
{
    test::registerSender(NewSenderRecord(1, sjis(u"自宅")));
    open(1);
    int limited = 0;
    for (QLineEdit *e : form->findChildren<QLineEdit *>()) {
        auto *validator = dynamic_cast<const TShiftJisValidator *>(e->validator());
        if (!validator)
            continue;
        ++limited;
        EXPECT_EQ(test::overlongInputFault(e, QString(validator->MaxBytes() + 5, QChar(u'ア'))), "")
            << e->objectName().toStdString() << " " << e->parentWidget()->objectName().toStdString();
    }
    EXPECT_EQ(limited, 30);  // every text column of the table

    // The prefecture's 8 bytes take 東京都千 of a whole address committed by the input method.
    for (QLineEdit *e : form->findChildren<QLineEdit *>())
        e->clear();
    control<QLineEdit>("edTitle")->setText(QStringLiteral("自宅"));
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("東京都千代田区"));
    test::forgetToolTip();
    QApplication::sendEvent(control<QLineEdit>("edTdfkn"), &commit);
    EXPECT_EQ(control<QLineEdit>("edTdfkn")->text(), QStringLiteral("東京都千"));
    EXPECT_TRUE(QToolTip::text().contains(QStringLiteral("入りきらない3文字"))) << QToolTip::text().toStdString();
    click("bbtnNew");
    EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join(u'|').toStdString();
    EXPECT_EQ(row(1).Tdfkn, sjis(u"東京都千"));
    EXPECT_EQ(table().RecordCount(), 2);

    // Thirteen digits fit the edit, not the column's eleven; a note stored longer before does not fit either.
    click("sbtnFirst");
    control<QLineEdit>("edTel")->setText(QStringLiteral("0312345678901"));
    click("bbtnNew");
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("保存できませんでした  \r\n\r\n「TEL」の桁数が多すぎます  ")});
    EXPECT_EQ(form->focusWidget(), control<QLineEdit>("edTel"));
    boxes.clear();
    control<QLineEdit>("edTel")->setText(QStringLiteral("03-1234-5678"));
    control<QTabWidget>("pgcSender")->setCurrentIndex(2);
    control<QLineEdit>("edNote3")->setText(QString(11, QChar(u'長')));
    click("bbtnNew");
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("保存できませんでした  \r\n\r\n「備考3」の文字数が多すぎます  ")});
    EXPECT_EQ(control<QTabWidget>("pgcSender")->currentWidget()->objectName(), QStringLiteral("tbsJoint"));
    EXPECT_EQ(form->focusWidget(), control<QLineEdit>("edNote3"));
    EXPECT_EQ(table().RecordCount(), 2);
    EXPECT_EQ(row(1).Tel, QByteArray());

    // A write the disk refuses says so below the same first line.
    boxes.clear();
    control<QLineEdit>("edNote3")->setText(QStringLiteral("長"));
    {
        test::FullDisk disk;
        click("bbtnNew");
    }
    ASSERT_EQ(boxes.texts().size(), 1);
    EXPECT_TRUE(boxes.texts()[0].startsWith(QStringLiteral("保存できませんでした  \r\n\r\n")));
    EXPECT_GT(boxes.texts()[0].size(), QStringLiteral("保存できませんでした  \r\n\r\n").size()) << boxes.texts()[0].toStdString();
    EXPECT_EQ(table().RecordCount(), 2);
}

TEST_F(SenderTest, ContactRowsAndPrintButtons)
{
    TSenderRecord r = NewSenderRecord(1, sjis(u"自宅"));
    r.Tel = "0312345678";
    r.AdditionPrint = {true, true, false, false};
    test::registerSender(r);
    open(1);
    // A third pressed button releases the highest-numbered other one.
    control<QToolButton>("sbtnAdditionPrint4")->click();
    EXPECT_TRUE(control<QToolButton>("sbtnAdditionPrint1")->isChecked());
    EXPECT_FALSE(control<QToolButton>("sbtnAdditionPrint2")->isChecked());
    EXPECT_TRUE(control<QToolButton>("sbtnAdditionPrint4")->isChecked());

    QComboBox *head = control<QComboBox>("cbxHead3");
    head->setCurrentIndex(1);
    emit head->activated(1);
    EXPECT_EQ(control<QLineEdit>("edAddition3")->text(), control<QLineEdit>("edTel")->text());
    head->setCurrentIndex(5);  // URL
    emit head->activated(5);
    EXPECT_TRUE(control<QLineEdit>("edAddition3")->text().isEmpty());

    // Joint names print only with 連名を印刷する; the company choice excludes it.
    control<QCheckBox>("ckbHome")->click();
    EXPECT_TRUE(control<QToolButton>("sbtnJointPrint3")->isEnabled());
    control<QCheckBox>("ckbCorp")->click();
    EXPECT_FALSE(control<QCheckBox>("ckbHome")->isChecked());
    EXPECT_FALSE(control<QToolButton>("sbtnJointPrint3")->isEnabled());
    click("btnChoice");
    EXPECT_EQ(row(1).SelectInfo, 2);
    EXPECT_EQ(row(1).AdditionPrint, (std::array<bool, 4>{true, false, false, true}));
}

TEST_F(SenderTest, DefaultSenderAndDeletingIt)
{
    test::registerSender(NewSenderRecord(1, sjis(u"一")));
    test::registerSender(NewSenderRecord(2, sjis(u"二")));
    test::registerSender(NewSenderRecord(3, sjis(u"三")));
    DefaultSenderNo = 1;
    open(2);
    EXPECT_FALSE(control<QCheckBox>("ckbDefault")->isChecked());
    control<QCheckBox>("ckbDefault")->click();
    EXPECT_EQ(DefaultSenderNo, 2);
    boxes.answer(IDNO);
    click("bbtnDelete");
    EXPECT_EQ(table().RecordCount(), 3);
    boxes.answer(IDYES);
    click("bbtnDelete");
    EXPECT_EQ(table().RecordCount(), 2);
    EXPECT_EQ(form->SenderNo, 3);
    EXPECT_EQ(DefaultSenderNo, 3);  // the default went with its row
    EXPECT_EQ(boxes.texts().front(), QStringLiteral("差出人'二'を削除します  \r\nよろしいですか？"));
    click("btnClose");
    EXPECT_EQ(senderIni().ReadInteger("SENDER", "Default", 0), 3);
}

namespace {

// Takes the dictionary window's first answer, as a user pressing 決定 would.
class DecideDictionary : public QObject {
public:
    int shown = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (auto *dialog = event->type() == QEvent::Show ? qobject_cast<TDicSearch *>(watched) : nullptr) {
            ++shown;
            QTimer::singleShot(0, dialog, [dialog] {
                dialog->findChild<QPushButton *>(QStringLiteral("btnDecision"))->click();
            });
        }
        return false;
    }
};

}  // namespace

TEST_F(SenderTest, PostalCodeLookUpFillsTheAddress)
{
    AppFolder = test::appDir();
    LoadHyphenDll(AppFolder, AppFolder + QStringLiteral("Dic/"));
    const auto restore = qScopeGuard([] {
        FreeHyphenDll();
        AppFolder.clear();
    });
    DecideDictionary dictionary;
    qApp->installEventFilter(&dictionary);
    TSenderRecord r = NewSenderRecord(1, sjis(u"自宅"));
    r.Tel = "0312345678";
    test::registerSender(r);
    open(1);
    EXPECT_EQ(control<QLineEdit>("edTel")->text(), QStringLiteral("03-1234-5678"));
    control<QLineEdit>("edAdrs3")->setText(QStringLiteral("古い番地"));
    control<QLineEdit>("edPos")->setText(QStringLiteral("1000001"));
    click("bbtnPosSearch");
    qApp->removeEventFilter(&dictionary);
    EXPECT_LE(dictionary.shown, 1);
    EXPECT_EQ(control<QLineEdit>("edPos")->text(), QStringLiteral("100-0001"));
    EXPECT_EQ(control<QLineEdit>("edTdfkn")->text(), QStringLiteral("東京都"));
    EXPECT_EQ(control<QLineEdit>("edAdrs1")->text(), QStringLiteral("千代田区"));
    EXPECT_EQ(control<QLineEdit>("edAdrs2")->text(), QStringLiteral("千代田"));
    EXPECT_TRUE(control<QLineEdit>("edAdrs3")->text().isEmpty());
    EXPECT_EQ(form->focusWidget(), control<QLineEdit>("edPos"));
    click("btnChoice");
    EXPECT_EQ(row(1).Pos, "1000001");
    EXPECT_EQ(row(1).Adrs2, sjis(u"千代田"));
}

// By keys: Tab stops on the postal code's look-up and Space presses it.
TEST_F(SenderTest, TheLookUpIsReachedByTabAndPressedBySpace)
{
    AppFolder = test::appDir();
    LoadHyphenDll(AppFolder, AppFolder + QStringLiteral("Dic/"));
    DecideDictionary dictionary;
    qApp->installEventFilter(&dictionary);
    const auto restore = qScopeGuard([&] {
        qApp->removeEventFilter(&dictionary);
        FreeHyphenDll();
        AppFolder.clear();
    });
    test::registerSender(NewSenderRecord(1, sjis(u"自宅")));
    open(1);
    QApplication::setActiveWindow(form.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    auto *pos = control<QLineEdit>("edPos");
    pos->setFocus();
    QTest::keyClicks(pos, "1000001");
    QTest::keyClick(pos, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), control<QPushButton>("bbtnPosSearch"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_EQ(dictionary.shown, 1);
    EXPECT_EQ(control<QLineEdit>("edTdfkn")->text(), QStringLiteral("東京都"));
}

TEST_F(SenderTest, EnterMovesOnPastTheGlyphButtons)
{
    test::registerSender(NewSenderRecord(1, sjis(u"自宅")));
    open(1);
    QApplication::setActiveWindow(form.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QLineEdit *title = control<QLineEdit>("edTitle");
    title->setFocus();
    QTest::keyClick(title, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), control<QCheckBox>("ckbDefault"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), control<QLineEdit>("edName"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), control<QLineEdit>("edPos"));  // 本 and the search button passed by
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), control<QLineEdit>("edTel"));
    EXPECT_TRUE(form->isVisible());
}
