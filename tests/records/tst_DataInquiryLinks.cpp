// The record form's outside links over a real book: the map button with its save question and the point
// written back to the book, the QR map link and web search windows, the home page and mail addresses.
#include "records/DtInqiry.h"

#include "base/SjisCodec.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "db/Table.h"
#include "geo/DicSch.h"
#include "geo/ExpMain.h"
#include "geo/MapView.h"
#include "geo/NoriMain.h"
#include "geo/QRMap.h"
#include "geo/WebLinks.h"
#include "geo/WebSch.h"
#include "mainlist/AdrsList.h"
#include "records/NMDEdit.h"

#include "TestBook.h"
#include "TestSupport.h"

#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <functional>

namespace {

constexpr int32_t StoredLatitude = 128484000, StoredLongitude = 503136000;

// Answers the windows the form opens: the map gets a double click (when asked) and Esc; the QR and web
// windows are looked at and closed, a dictionary window cancelled.
class WindowAnswer : public QObject {
public:
    bool pick = true;
    int maps = 0;
    // Run while the map is open, before it is closed.
    std::function<void()> whileMap;
    QString qrAddress, keyword;
    // The route windows' coordinates as the form handed them, and how many stations they found.
    QList<QList<int>> routes;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Show)
            return false;
        if (auto *view = dynamic_cast<TMapView *>(watched)) {
            ++maps;
            QTimer::singleShot(0, view, [this, view] {
                if (whileMap)
                    whileMap();
                if (pick)
                    view->PickAt(QPoint(30, 30));
                view->reject();
            });
        } else if (auto *qr = dynamic_cast<TQRCodeMap *>(watched)) {
            qrAddress = qr->edtAdrs->text();
            QTimer::singleShot(0, qr, &QDialog::reject);
        } else if (auto *expert = dynamic_cast<TExpertMain *>(watched)) {
            QTimer::singleShot(0, expert, [this, expert] {
                routes << QList<int>{0, expert->Latitude, expert->Longitude, expert->lvNear->topLevelItemCount()};
                expert->reject();
            });
        } else if (auto *norikae = dynamic_cast<TNorikaeMain *>(watched)) {
            QTimer::singleShot(0, norikae, [this, norikae] {
                routes << QList<int>{1, norikae->Latitude, norikae->Longitude, norikae->lvNear->topLevelItemCount()};
                norikae->reject();
            });
        } else if (auto *dictionary = dynamic_cast<TDicSearch *>(watched)) {
            // A new record's telephone look-up.
            QTimer::singleShot(0, dictionary, &QDialog::reject);
        } else if (auto *web = dynamic_cast<TWebSearch *>(watched)) {
            keyword = web->edtWord->text();
            QTimer::singleShot(0, web, &QDialog::reject);
        }
        return false;
    }
};

class DataInquiryLinksTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        book.Open(QStringLiteral("Book"), true);
        previousApp_ = AppFolder;
        AppFolder = test::appDir();
        test::writeFile(DataFolder + SettingsFileName, "[MAP]\r\nTileUrl=\r\n");
        previousMap_ = CooperateMap;
        list = std::make_unique<TAddressList>();
        AddressList = list.get();
        previousOpener_ = SetUrlOpener([this](const QUrl &url) { opened << url; return true; });
        qApp->installEventFilter(&answer);
    }
    void TearDown() override
    {
        qApp->removeEventFilter(&answer);
        SetUrlOpener(previousOpener_);
        delete form.data();
        list.reset();
        AddressList = nullptr;
        CooperateMap = previousMap_;
        AppFolder = previousApp_;
    }
    int32_t add()
    {
        TTable &t = *book.Module->AdrsTable;
        t.Append();
        t.FieldByName("Tel").SetAsString("0312345678");
        t.FieldByName("Tdfkn").SetAsString(Sjis::encode(QStringLiteral("東京都")));
        t.FieldByName("Adrs1").SetAsString(Sjis::encode(QStringLiteral("千代田区")));
        t.FieldByName("PrivCorp").SetAsBoolean(false);  // a company
        t.FieldByName("CorpKanji").SetAsString(Sjis::encode(QStringLiteral("山田商店")));
        t.FieldByName("Latitude").SetAsInteger(StoredLatitude);
        t.FieldByName("Longitude").SetAsInteger(StoredLongitude);
        t.FieldByName("UpdDateTime").SetAsDateTime(40000.5);
        t.Post();
        return t.FieldByName("RecNo").AsInteger();
    }
    // The form showing the book's first record.
    void openStored()
    {
        list->RefreshList(true, true, false);
        form = new TDataInquiry(list.get());
        RecordForm = form;
        form->SetSourceList(1);
        form->show();
        TAddressRecord record;
        ASSERT_TRUE(list->ReadRecordAt(0, &record));
        form->ShowRecord(record);
    }
    TTable &row(int32_t recNo)
    {
        TTable &t = *book.Module->AdrsTable;
        t.SetIndexName(QString());
        EXPECT_TRUE(t.FindKey({recNo}));
        return t;
    }

    test::TestBook book;
    std::unique_ptr<TAddressList> list;
    QPointer<TDataInquiry> form;
    test::MessageBoxScript boxes;
    WindowAnswer answer;
    QList<QUrl> opened;
    QString previousApp_;
    int previousMap_ = 2;
    TUrlOpener previousOpener_;
};

const QString SaveQuestion = QStringLiteral("地図で指定した座標の緯度経度を保存してもよろしいですか？  ");

}  // namespace

TEST_F(DataInquiryLinksTest, APointPickedForAStoredRecordIsWrittenAfterYes)
{
    const int32_t recNo = add();
    CooperateMap = 5;
    openStored();
    ASSERT_TRUE(form->bbtnMap->isEnabled());
    EXPECT_TRUE(form->bbtnMap->toolTip().endsWith(QStringLiteral("MapFanⅣ/Ⅴ")));

    boxes.answer(IDNO);
    form->bbtnMap->click();
    EXPECT_EQ(boxes.texts(), QStringList{SaveQuestion});
    EXPECT_EQ(answer.maps, 1);
    EXPECT_EQ(form->Latitude, StoredLatitude);
    EXPECT_EQ(row(recNo).FieldByName("UpdDateTime").AsDateTime(), 40000.5);

    boxes.clear();
    boxes.answer(IDYES);
    form->bbtnMap->click();
    EXPECT_EQ(boxes.texts(), QStringList{SaveQuestion});
    EXPECT_NE(form->Latitude, StoredLatitude);
    EXPECT_EQ(row(recNo).FieldByName("Latitude").AsInteger(), form->Latitude);
    EXPECT_EQ(row(recNo).FieldByName("Longitude").AsInteger(), form->Longitude);
    EXPECT_EQ(form->HeldRecord->Latitude, form->Latitude);
    EXPECT_GT(row(recNo).FieldByName("UpdDateTime").AsDateTime(), 40000.5);
    EXPECT_FALSE(form->IsInputChanged());

    // Closing without picking hands the same point back: nothing is written.
    answer.pick = false;
    boxes.clear();
    boxes.answer(IDYES);
    const double written = row(recNo).FieldByName("UpdDateTime").AsDateTime();
    form->bbtnMap->click();
    EXPECT_EQ(row(recNo).FieldByName("UpdDateTime").AsDateTime(), written);
}

TEST_F(DataInquiryLinksTest, AFailedWriteIsReportedAndTheFormKeepsItsPoint)
{
    const int32_t recNo = add();
    CooperateMap = 1;
    openStored();
    boxes.answer(IDYES);
    {
        test::ReaderLock lock(book.Module->AdrsTable->FileName());
        form->bbtnMap->click();
    }
    ASSERT_EQ(boxes.texts().size(), 2);
    EXPECT_EQ(boxes.texts()[0], SaveQuestion);
    EXPECT_EQ(boxes.shown()[1].flags & MB_ICONERROR, MB_ICONERROR);
    EXPECT_EQ(form->Latitude, StoredLatitude) << "the form shows only a point the book has";
    EXPECT_EQ(form->HeldRecord->Latitude, StoredLatitude);
    EXPECT_EQ(row(recNo).FieldByName("Latitude").AsInteger(), StoredLatitude);
    EXPECT_EQ(book.Module->AdrsTable->State(), TDataSetState::dsBrowse);
}

TEST_F(DataInquiryLinksTest, OtherProgramsAndNewRecordsKeepOrTakeThePointWithoutAsking)
{
    const int32_t recNo = add();
    CooperateMap = 8;  // a stored record never takes this program's point
    openStored();
    form->bbtnMap->click();
    EXPECT_TRUE(boxes.texts().isEmpty());
    EXPECT_EQ(answer.maps, 1);
    EXPECT_EQ(form->Latitude, StoredLatitude);

    // A new record takes the picked point silently, into the form only.
    form->BeginNewRecord();
    form->edtTdfkn->setText(QStringLiteral("大阪府"));
    form->bbtnMap->click();
    EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join('|').toStdString();
    EXPECT_EQ(answer.maps, 2);
    EXPECT_GT(form->Latitude, 0);
    EXPECT_EQ(row(recNo).FieldByName("Latitude").AsInteger(), StoredLatitude);
}

// The window manager closes the form while its map is open: the form stays until the map has returned,
// then closes and is freed; the map is not freed under its own loop.
TEST_F(DataInquiryLinksTest, ClosedWhileItsMapIsOpenTheFormOutlivesTheMap)
{
    add();
    CooperateMap = 8;  // shows the map without asking first
    openStored();
    bool aliveWhileOpen = false;
    answer.whileMap = [&] {
        form->close();
        // What the map's own loop does meanwhile with windows closed from inside it.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        aliveWhileOpen = form && form->isVisible();
    };
    form->bbtnMap->click();
    EXPECT_EQ(answer.maps, 1);
    EXPECT_TRUE(aliveWhileOpen);
    test::handlerReturned();
    EXPECT_TRUE(form.isNull());
}

TEST_F(DataInquiryLinksTest, QRWebHomePageAndMailButtons)
{
    add();
    openStored();
    form->edtAdrs2->setText(QStringLiteral("丸の内 1-1"));
    form->bbtnQRMap->click();
    EXPECT_EQ(answer.qrAddress, QStringLiteral("東京都千代田区丸の内 1-1"));
    form->bbtnWebSearch->click();
    EXPECT_EQ(answer.keyword, QStringLiteral("山田商店"));

    form->edtURL->clear();
    form->bbtnOpenURL->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("ホームページURLを入力してください  ")});
    form->edtURL->setText(QStringLiteral(" www.example.jp/a "));
    form->bbtnOpenURL->click();
    form->edtURL->setText(QStringLiteral("https://example.jp/"));
    form->bbtnOpenURL->click();
    form->edtEMail2->setText(QStringLiteral("mailto:a@example.jp"));
    form->bbtnEMail2->click();
    form->edtEMail1->setText(QStringLiteral("b@example.jp"));
    form->bbtnEMail1->click();
    ASSERT_EQ(opened.size(), 4);
    EXPECT_EQ(opened[0].toString(), QStringLiteral("http://www.example.jp/a"));
    EXPECT_EQ(opened[1].toString(), QStringLiteral("https://example.jp/"));
    EXPECT_EQ(opened[2].toString(), QStringLiteral("mailto:a@example.jp"));
    EXPECT_EQ(opened[3].toString(), QStringLiteral("mailto:b@example.jp"));
    EXPECT_EQ(form->edtURL->text(), QStringLiteral("https://example.jp/"));
}

TEST_F(DataInquiryLinksTest, TheRouteButtonOpensTheChosenRouteWindowWithTheRecordsPlace)
{
    add();
    const int previousRoot = CooperateRoot;
    openStored();
    CooperateRoot = 0;
    form->bbtnRoot->click();
    CooperateRoot = 1;
    form->bbtnRoot->click();
    // A negative longitude is no place for the first route program.
    form->Longitude = -5;
    CooperateRoot = 0;
    form->bbtnRoot->click();
    CooperateRoot = 2;  // outside the list: nothing
    form->bbtnRoot->click();
    CooperateRoot = previousRoot;
    ASSERT_EQ(answer.routes.size(), 3);
    EXPECT_EQ(answer.routes[0], (QList<int>{0, 32891904, 128802816, 3})) << "1/256 second, three stations";
    EXPECT_EQ(answer.routes[1], (QList<int>{1, StoredLatitude, StoredLongitude, 3}));
    EXPECT_EQ(answer.routes[2], (QList<int>{0, 0, 0, 0}));
    EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join('|').toStdString();
}
