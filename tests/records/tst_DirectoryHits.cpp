// The record form filled from a directory hit: opened from the name-and-address search's result list, the
// number hyphenated, the address, the readings, the category and the place taken from the hit's entry, the
// record stored with the form staying on the hit, and the walk on through the page's hits.
#include "records/DtInqiry.h"

#include "base/FileReplace.h"
#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "core/Hyphen.h"
#include "core/SharedHelpers.h"
#include "db/Table.h"
#include "directory/DirectoryDll.h"
#include "directory/NmAdSch.h"
#include "geo/DicLibraries.h"
#include "geo/DicSch.h"
#include "geo/TelPlace.h"
#include "geo/MapRequest.h"
#include "mainlist/AdrsList.h"
#include "records/NMDEdit.h"
#include "records/UniNMDEdit.h"
#include "widgets/UniStdCtrls.h"

#include "TestBook.h"
#include "TestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

class DirectoryHitTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        AppFolder = test::appDir();
        const QString shipped = test::appDir() + "Category/";
        for (const QString &f : QDir(shipped).entryList(QDir::Files))
            QFile::copy(shipped + f, tables.path() + "/" + f);
        book.Open(QStringLiteral("Book"), true, tables.path() + "/");
        HddInstalled = 1;
        const QString dt00 = QStringLiteral(VELMORA_SAMPLE_DT00);
        HddDataFolder = dt00.left(dt00.size() - 5);
        AddressChangeData = AddressFormClose = AddressConfirmation = AddressOutOfTarget = AddressSameNum = 1;
        ASSERT_EQ(LoadHyphenDll(AppFolder, AppFolder + "Dic/"), 0);
        RegisterRecordForm();
        list = std::make_unique<TAddressList>();
        AddressList = list.get();
        list->RefreshList(true, true, false);
    }
    void TearDown() override
    {
        if (RecordForm)
            delete RecordForm->FormWindow();
        RecordForm = nullptr;
        delete NameAdrsSearch;
        list.reset();
        AddressList = nullptr;
        MakeRecordForm = nullptr;
        FreeHyphenDll();
        HddInstalled = 0;
    }
    // The fax numbers of Tokyo, searched as a user would.
    TNameAdrsSearch *search()
    {
        NameAdrsSearch = new TNameAdrsSearch;
        TNameAdrsSearch *w = NameAdrsSearch;
        w->show();
        w->cbxArea->setCurrentIndex(3);
        emit w->cbxArea->activated(3);
        w->chkFax->setChecked(true);
        for (QCheckBox *box : {w->chkNormal, w->chkFaxCombi, w->chkMainNumber})
            box->setChecked(false);
        w->bbtnSearch->click();
        EXPECT_TRUE(QTest::qWaitFor([w] { return !w->IsBusy(); }, 60000));
        return w;
    }

    // The first hit shown in the form with input typed over it, and the second hit selected.
    TDataInquiry *inputOverFirstHit(TNameAdrsSearch *w)
    {
        w->lvResult->setCurrentIndex(w->lvResult->model()->index(0, 0));
        w->sbtnInquiry->click();
        auto *form = static_cast<TDataInquiry *>(RecordForm);
        if (form)
            form->edtCustomCode->setText(QStringLiteral("X1"));
        w->lvResult->setCurrentIndex(w->lvResult->model()->index(1, 0));
        return form;
    }

    QTemporaryDir tables;
    test::TestBook book;
    std::unique_ptr<TAddressList> list;
    test::MessageBoxScript boxes;
};

TEST_F(DirectoryHitTest, AHitOpensAsANewRecordAndIsStored)
{
    TNameAdrsSearch *w = search();
    ASSERT_GE(w->GetHitCount(), 3);
    // The entry the form must show, fetched apart.
    TDirectoryDetail detail{};
    ASSERT_TRUE(w->FetchHitDetail(1, detail));
    w->lvResult->setCurrentIndex(w->lvResult->model()->index(1, 0));
    w->sbtnInquiry->click();
    ASSERT_NE(RecordForm, nullptr);
    auto *form = static_cast<TDataInquiry *>(RecordForm);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("アドレス帳情報登録"));
    EXPECT_EQ(form->SourceList, 0);
    EXPECT_EQ(form->Linked, 1);
    EXPECT_EQ(w->CurrentHit(), 1);
    const QString number = Sjis::decode(FieldText(detail.Tel));
    EXPECT_TRUE(number.contains('-')) << number.toStdString();
    EXPECT_EQ(form->edtFax->text(), number);
    EXPECT_EQ(form->edtTel->text(), detail.Kind == 2 ? number : QString());
    EXPECT_EQ(form->edtTdfkn->text(), QStringLiteral("東京都"));
    EXPECT_EQ(form->edtAdrs1->text(), Sjis::decode(FieldText(detail.City)));
    EXPECT_FALSE(form->edtAdrs2->text().isEmpty());
    EXPECT_TRUE(form->edtAdrsKana->text().startsWith(Sjis::decode(FieldText(detail.PrefectureReading))));
    EXPECT_EQ(form->edtJisCode->text(), Sjis::decode(FieldText(detail.AddressCode).left(5)));
    EXPECT_EQ(form->Latitude, RoundHalfAway(static_cast<long double>(detail.Latitude) * 1000 / 256));
    EXPECT_EQ(form->Longitude, RoundHalfAway(static_cast<long double>(detail.Longitude) * 1000 / 256));
    EXPECT_NE(form->Latitude, 0);
    const bool person = detail.Person == 99;
    if (person) {
        EXPECT_EQ(form->nmedtNameKana->text(), Sjis::decode(FieldText(detail.NameReading)));
    } else {
        EXPECT_FALSE(form->nmedtCorpKanji->text().isEmpty());
        EXPECT_EQ(form->edtCorpKana->text(), Sjis::decode(FieldText(detail.NameReading)));
        EXPECT_EQ(form->Cbx_CatMain->ItemObject(form->Cbx_CatMain->currentIndex()), FieldText(detail.MainCategory).toInt());
    }
    EXPECT_EQ(form->lblNowRec->text(), QStringLiteral("2"));
    EXPECT_EQ(form->lblTotalRec->text(), QString::number(w->GetHitCount()));
    EXPECT_TRUE(form->sbtnPrior->isEnabled());

    // Stored: the form stays on the hit, and walking on asks nothing.
    const int before = list->GetRecordCount();
    boxes.clear();
    form->btnAdd->click();
    ASSERT_EQ(list->GetRecordCount(), before + 1) << boxes.texts().join('|').toStdString();
    EXPECT_EQ(RecordForm, form);
    TTable &adrs = *book.Module->AdrsTable;
    adrs.SetIndexName({});
    adrs.Last();
    EXPECT_EQ(adrs.FieldByName(QStringLiteral("Fax")).AsString(), KeepNumberChars(FieldText(detail.Tel), NumberChars::Digits));
    EXPECT_EQ(adrs.FieldByName(QStringLiteral("Latitude")).AsInteger(), form->Latitude);
    EXPECT_EQ(adrs.FieldByName(QStringLiteral("Tdfkn")).AsString(), Sjis::encode(QStringLiteral("東京都")));
    EXPECT_EQ(adrs.FieldByName(QStringLiteral("PrivCorp")).AsBoolean(), person);
    EXPECT_EQ(adrs.FieldByName(QStringLiteral("AdrsKana")).AsString(), Sjis::encode(form->edtAdrsKana->text()));
    if (!person) {
        EXPECT_EQ(adrs.FieldByName(QStringLiteral("CodeMain")).AsInteger(), FieldText(detail.MainCategory).toInt());
    }
    boxes.clear();
    form->sbtnNext->click();
    EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join('|').toStdString();
    EXPECT_EQ(w->CurrentHit(), 2);
    EXPECT_EQ(form->lblNowRec->text(), QStringLiteral("3"));
    form->sbtnLast->click();
    EXPECT_EQ(w->CurrentHit(), w->GetHitCount() - 1);
    EXPECT_FALSE(form->sbtnNext->isEnabled());
    TDirectoryDetail beyond{};
    EXPECT_FALSE(w->InquireNextHit(beyond));
    EXPECT_EQ(w->CurrentHit(), w->GetHitCount() - 1);
    form->sbtnFirst->click();
    EXPECT_EQ(w->CurrentHit(), 0);
    EXPECT_FALSE(form->sbtnPrior->isEnabled());
    // The result list is painted in the link colour while the form shows its hit; closing ends both.
    EXPECT_TRUE(w->lvResult->model()->data(w->lvResult->model()->index(0, 0), Qt::BackgroundRole).isValid());
    form->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(RecordForm, nullptr);
    EXPECT_EQ(w->CurrentHit(), -1);
    EXPECT_FALSE(w->lvResult->model()->data(w->lvResult->model()->index(0, 0), Qt::BackgroundRole).isValid());
}

// Unsaved input the user keeps (Cancel) stops the next hit from replacing it.
// An entry in a building: the building goes to the building's edit, not after the street number in the town's,
// and the map is asked for the address with the building apart ("１－２－３ ○○ビル３Ｆ", not "１－２－３○○ビル３Ｆ").
TEST_F(DirectoryHitTest, AnEntrysBuildingGoesToTheBuildingsEdit)
{
    TNameAdrsSearch *w = search();
    TDirectoryDetail detail{};
    int hit = 0;
    while (hit < w->GetHitCount() && (!w->FetchHitDetail(hit, detail) || FieldText(detail.Address3).isEmpty()))
        ++hit;
    ASSERT_LT(hit, w->GetHitCount()) << "no entry of the sample lies in a building";
    w->lvResult->setCurrentIndex(w->lvResult->model()->index(hit, 0));
    w->sbtnInquiry->click();
    auto *form = static_cast<TDataInquiry *>(RecordForm);
    ASSERT_NE(form, nullptr);
    const QString town = Sjis::decode(FieldText(detail.Address1) + FieldText(detail.Address2));
    const QString building = Sjis::decode(FieldText(detail.Address3));
    EXPECT_EQ(form->edtAdrs2->text(), town);
    EXPECT_EQ(form->edtAdrs3->text(), building);
    EXPECT_EQ(Sjis::decode(form->MapRequestOfForm().Address),
              QStringLiteral("東京都") + Sjis::decode(FieldText(detail.City)) + town + ' ' + building);

    // The entry found by its number in the dictionary window: the building as the rest after the town.
    SetDirectoryTelLookup(DirectoryTelLookup);
    const auto lookupGone = qScopeGuard([] { SetDirectoryTelLookup(nullptr); });
    TDicSearch dictionary(nullptr);
    dictionary.SetPages(dicPageTel, false, false);
    const int start = dictionary.StartWith(dicResultTel, FieldText(detail.Tel));
    ASSERT_EQ(dictionary.ResultKind(), dicResultDirectory);
    if (start == 0) {  // the number's other entries listed: this one chosen
        auto *entries = dictionary.findChild<QTreeWidget *>(QStringLiteral("lvTelList"));
        ASSERT_NE(entries, nullptr);
        QTreeWidgetItem *entry = nullptr;
        for (int i = 0; i < entries->topLevelItemCount() && !entry; ++i)
            if (entries->topLevelItem(i)->text(1) == Sjis::decode(FieldText(detail.Name)))
                entry = entries->topLevelItem(i);
        ASSERT_NE(entry, nullptr);
        entries->setCurrentItem(entry);
        emit entries->itemDoubleClicked(entry, 0);
    }
    ASSERT_EQ(dictionary.result(), QDialog::Accepted);
    TDicSearchResult r;
    dictionary.GetResultRecord(r);
    EXPECT_EQ(Sjis::decode(ShortString(r.Town)), town);
    EXPECT_EQ(Sjis::decode(ShortString(r.Address)), building);
}

TEST_F(DirectoryHitTest, CancelledUnsavedInputKeepsTheForm)
{
    TNameAdrsSearch *w = search();
    TDataInquiry *form = inputOverFirstHit(w);
    ASSERT_NE(form, nullptr);
    boxes.answer(IDCANCEL);
    w->sbtnInquiry->click();
    EXPECT_EQ(form->edtCustomCode->text(), QStringLiteral("X1"));
    EXPECT_EQ(w->CurrentHit(), 0);
}

// Input typed over a hit is asked about when the search window's 照会 opens another hit and when the form's arrow
// steps to the next: はい then meeting a full disk keeps the form on its hit with the input, and the search window's
// current hit with it. Once there is room again, the same press stores the input and moves on.
TEST_F(DirectoryHitTest, AStoreThatFailsUnderTheQuestionKeepsTheHitAndTheInput)
{
    AddressSameNum = 0;  // the first hit is stored twice
    TNameAdrsSearch *w = search();
    ASSERT_GE(w->GetHitCount(), 2);
    const QString journal = book.Module->AdrsTable->FileName() + "-journal";
    for (const bool stepping : {false, true}) {
        SCOPED_TRACE(stepping ? "次のデータ" : "照会");
        QPointer<TDataInquiry> form = inputOverFirstHit(w);
        ASSERT_FALSE(form.isNull());
        const QString code = stepping ? QStringLiteral("X-2") : QStringLiteral("X-1");
        form->edtCustomCode->setText(code);  // a code of its own each time: a stored one is refused
        const QString name = form->nmedtCorpKanji->text() + form->nmedtNameKanji->text();
        const int before = list->GetRecordCount();
        const auto press = [&] { stepping ? form->sbtnNext->click() : w->sbtnInquiry->click(); };

        ASSERT_TRUE(QFile::link("/dev/full", journal));
        boxes.clear();
        boxes.answer(IDYES);
        press();
        test::handlerReturned();
        QFile::remove(journal);
        ASSERT_EQ(boxes.texts().size(), 2) << boxes.texts().join(u'|').toStdString();
        EXPECT_TRUE(boxes.texts()[1].startsWith(QStringLiteral("データを登録できませんでした  ")));
        EXPECT_TRUE(boxes.texts()[1].endsWith(DiskFullReason));
        ASSERT_FALSE(form.isNull());
        EXPECT_EQ(RecordForm, form.data());
        EXPECT_EQ(form->edtCustomCode->text(), code);
        EXPECT_EQ(form->nmedtCorpKanji->text() + form->nmedtNameKanji->text(), name);
        EXPECT_EQ(w->CurrentHit(), 0);
        EXPECT_EQ(form->lblNowRec->text(), QStringLiteral("1"));
        EXPECT_EQ(list->GetRecordCount(), before);

        boxes.clear();
        boxes.answer(IDYES);
        press();
        test::handlerReturned();
        EXPECT_EQ(boxes.texts().size(), 1) << boxes.texts().join(u'|').toStdString();
        EXPECT_EQ(list->GetRecordCount(), before + 1);
        EXPECT_EQ(w->CurrentHit(), 1);
        EXPECT_TRUE(form->edtCustomCode->text().isEmpty());
    }
}

// The search window's 照会 asks about the form's unsaved input first; a screen reader closes the search window
// while that question is open. The window stays until its command has returned, which then shows no hit, and
// closes afterwards.
TEST_F(DirectoryHitTest, ClosedUnderTheFormsQuestionTheSearchWindowOutlivesIt)
{
    QPointer<TNameAdrsSearch> w = search();
    TDataInquiry *form = inputOverFirstHit(w);
    ASSERT_NE(form, nullptr);
    bool aliveWhileAsked = false;
    boxes.answer(IDNO, [&] {
        w->close();
        aliveWhileAsked = !w.isNull() && w->isVisible();
    });
    w->sbtnInquiry->click();
    EXPECT_TRUE(aliveWhileAsked);
    test::handlerReturned();
    EXPECT_TRUE(w.isNull());
    EXPECT_EQ(NameAdrsSearch, nullptr);
    EXPECT_EQ(form->edtCustomCode->text(), QStringLiteral("X1"));
    EXPECT_EQ(boxes.shown().size(), 1u);
}

}  // namespace
