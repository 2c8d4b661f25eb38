// The map dispatch: the programs only started (their web-map templates, what is reported), the map window's
// programs (the question's place, the telephone rule, the point handed back) and the map marks as GPX.
#include "directory/DirectoryDll.h"
#include "geo/MapDispatch.h"
#include "geo/MapLaunch.h"
#include "geo/MapView.h"
#include "geo/TelPlace.h"
#include "geo/WebLinks.h"

#include "TestSupport.h"
#include "base/SjisCodec.h"
#include "core/Globals.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QScopeGuard>
#include <QTimer>
#include <QUrlQuery>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

namespace {

// Answers the map window as a user would: a double click at a point of the map, then Esc.
class MapAnswer : public QObject {
public:
    int shown = 0;
    int scale = -1;  // the scale it opened at
    QPoint pick{60, 40};
    bool picks = true;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *view = event->type() == QEvent::Show ? dynamic_cast<TMapView *>(watched) : nullptr;
        if (view) {
            ++shown;
            QTimer::singleShot(0, view, [this, view] {
                scale = view->ScaleIndex();
                if (picks)
                    view->PickAt(pick);
                view->reject();
            });
        }
        return false;
    }
};

class MapDispatchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        previousApp_ = AppFolder;
        previousData_ = DataFolder;
        AppFolder = test::appDir();
        DataFolder = dir_.path() + QLatin1Char('/');
        // No tile server: the base map alone.
        test::writeFile(DataFolder + SettingsFileName,
                        "[MAP]\r\nTileUrl=\r\n[WEB MAP]\r\nPositionUrl=https://map.example/#{zoom}/{lat}/{lon}\r\n"
                        "AddressUrl=https://map.example/search?q={address}\r\n");
        previousOpener_ = SetUrlOpener([this](const QUrl &url) { opened_ << url; return true; });
        qApp->installEventFilter(&answer_);
    }
    void TearDown() override
    {
        qApp->removeEventFilter(&answer_);
        SetUrlOpener(previousOpener_);
        AppFolder = previousApp_;
        DataFolder = previousData_;
    }

    QTemporaryDir dir_;
    QString previousApp_, previousData_;
    TUrlOpener previousOpener_;
    QList<QUrl> opened_;
    test::MessageBoxScript boxes_;
    MapAnswer answer_;
};

TMapSearchParams request(int kind, int32_t lat, int32_t lon, const QString &address = {}, const QByteArray &tel = {})
{
    TMapSearchParams p;
    p.Kind = kind;
    p.Latitude = lat;
    p.Longitude = lon;
    p.Address = Sjis::encode(address);
    p.Tel = tel;
    return p;
}

}  // namespace

TEST_F(MapDispatchTest, StartedProgramsOpenTheWebMapByTheirRules)
{
    // Ki by coordinates.
    TMapSearchParams p = request(0, 128484000, 503136000, QStringLiteral("東京都"));
    EXPECT_FALSE(ShowMapForRequest(nullptr, 3, p));
    ASSERT_EQ(opened_.size(), 1);
    EXPECT_EQ(opened_[0].fragment(), QStringLiteral("16/35.690000/139.760000"));
    // mainichi NAVI asked by coordinates without them goes by address; the address stays one value whatever
    // it holds.
    p = request(0, 0, 0, QStringLiteral("東京都 \"千代田\" & 1-1 #2"));
    ShowMapForRequest(nullptr, 4, p);
    ASSERT_EQ(opened_.size(), 2);
    EXPECT_EQ(QUrlQuery(opened_[1]).queryItemValue(QStringLiteral("q"), QUrl::FullyDecoded),
              QStringLiteral("東京都 \"千代田\" & 1-1 #2"));
    EXPECT_TRUE(opened_[1].fragment().isEmpty());
    // MapFan.net asked by text with an address.
    p = request(1, 128484000, 503136000, QStringLiteral("大阪府"));
    ShowMapForRequest(nullptr, 6, p);
    ASSERT_EQ(opened_.size(), 3);
    EXPECT_EQ(opened_[2].path(), QStringLiteral("/search"));
    EXPECT_TRUE(boxes_.texts().isEmpty());
    EXPECT_EQ(answer_.shown, 0);

    // GrandMap with nothing to show says so and opens nothing.
    p = request(0, 0, 0);
    EXPECT_FALSE(ShowMapForRequest(nullptr, 9, p));
    EXPECT_EQ(boxes_.texts(), QStringList{QStringLiteral("地図に表示する住所または座標がありません  ")});
    EXPECT_EQ(opened_.size(), 3);

    // An empty template is a program that is not there.
    test::writeFile(DataFolder + SettingsFileName, "[WEB MAP]\r\nPositionUrl=\r\n");
    boxes_.clear();
    p = request(0, 128484000, 503136000);
    ShowMapForRequest(nullptr, 3, p);
    EXPECT_EQ(boxes_.texts(), QStringList{QStringLiteral("デジタル地図帳Ｋ[ki]Ⅱ～５のいずれもインストールされていません  ")});
    EXPECT_EQ(opened_.size(), 3);

    // A program number outside the list does nothing at all.
    boxes_.clear();
    EXPECT_FALSE(ShowMapForRequest(nullptr, 12, p));
    EXPECT_TRUE(boxes_.texts().isEmpty());
}

TEST_F(MapDispatchTest, TheMapWindowHandsBackThePickedPointOnlyWhenItMayBeKept)
{
    TMapSearchParams p = request(0, 128484000, 503136000);
    int asked = 0;
    TMapDispatchHooks hooks;
    hooks.KeepPoint = [&] { ++asked; return true; };
    EXPECT_TRUE(ShowMapForRequest(nullptr, 5, p, hooks));
    EXPECT_EQ(answer_.shown, 1);
    EXPECT_EQ(asked, 1);
    EXPECT_NE(p.Latitude, 128484000) << "the double-clicked point";
    EXPECT_GT(p.Latitude, 128484000);

    hooks.KeepPoint = [&] { ++asked; return false; };
    p = request(0, 128484000, 503136000);
    EXPECT_FALSE(ShowMapForRequest(nullptr, 1, p, hooks));
    EXPECT_EQ(p.Latitude, 128484000);
    // ProAtlas W's exit watch and Mapple's map class, zoom and caller bounds are set as the programs expect.
    p = request(0, 128484000, 503136000);
    ShowMapForRequest(nullptr, 8, p);
    EXPECT_EQ(p.MapClass, -1);
    EXPECT_EQ(p.Zoom, 300);
}

TEST_F(MapDispatchTest, TheSaveQuestionComesOnlyOnceTheProgramIsFound)
{
    QTemporaryDir empty;
    AppFolder = empty.path() + QLatin1Char('/');
    int asked = 0;
    TMapDispatchHooks hooks;
    hooks.KeepPoint = [&] { ++asked; return true; };
    TMapSearchParams p = request(0, 128484000, 503136000);
    EXPECT_FALSE(ShowMapForRequest(nullptr, 5, p, hooks));
    EXPECT_EQ(boxes_.texts(), QStringList{QStringLiteral("MapFanⅣ/Ⅴのどちらもインストールされていません  ")});
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(answer_.shown, 0);
}

TEST_F(MapDispatchTest, AtlasMateFromTheRecordFormNeedsATelephoneNumberOrAPosition)
{
    int focused = 0;
    TMapDispatchHooks hooks;
    hooks.NoTelephone = [&] { ++focused; };
    TMapSearchParams p = request(1, 0, 0, QStringLiteral("東京都"));
    EXPECT_FALSE(ShowMapForRequest(nullptr, 0, p, hooks));
    EXPECT_EQ(boxes_.texts(), QStringList{QStringLiteral("電話番号を入力してください  ")});
    EXPECT_EQ(focused, 1);
    EXPECT_EQ(answer_.shown, 0);
    // From a route window the same request opens the map.
    ShowMapForRequest(nullptr, 0, p);
    EXPECT_EQ(answer_.shown, 1);
    // With a telephone number the record form's request opens it too.
    p.Tel = "0312345678";
    ShowMapForRequest(nullptr, 0, p, hooks);
    EXPECT_EQ(answer_.shown, 2);
}

// AtlasMate asked by telephone number: the number's place from the sample directory, its area's municipality
// after a notice, or a message and no map.
TEST_F(MapDispatchTest, AtlasMateShowsTheTelephoneNumbersPlaceOrSaysWhyNot)
{
    HddInstalled = 1;
    HddDataFolder = QDir::cleanPath(test::appDir() + QStringLiteral("../sample")) + "/";
    SetDirectoryTelLookup(DirectoryTelLookup);
    const auto restore = qScopeGuard([] {
        SetDirectoryTelLookup(nullptr);
        HddInstalled = 0;
        HddDataFolder.clear();
        DiscPath.clear();
    });
    TDirectoryDetail details[KVDIR_TEL_RESULTS];
    int32_t count = 0;
    ASSERT_EQ(DirectoryTelLookup("0346141502", details, count), 0);
    answer_.picks = false;

    // Only the number, as the record form hands it over: the map opens on the listing, at its most detailed
    // scale, without a word, and the listing's place comes back.
    TMapSearchParams p = request(0, 0, 0, {}, "0346141502");
    EXPECT_TRUE(ShowMapForRequest(nullptr, 0, p));
    EXPECT_EQ(answer_.shown, 1);
    EXPECT_EQ(answer_.scale, 11);
    EXPECT_TRUE(boxes_.texts().isEmpty());
    EXPECT_EQ(p.Latitude, ThousandthsFrom256(int32_t(details[0].Latitude)));
    EXPECT_EQ(p.Longitude, ThousandthsFrom256(int32_t(details[0].Longitude)));

    // Not listed: the notice, then the area's municipality at 1/10万.
    p = request(0, 0, 0, {}, "0339001234");
    EXPECT_TRUE(ShowMapForRequest(nullptr, 0, p));
    ASSERT_EQ(boxes_.shown().size(), 1u);
    EXPECT_EQ(boxes_.shown()[0].text, QStringLiteral("電話番号で該当する座標が求められませんでした\r\n付近の地図を表示します"));
    EXPECT_EQ(boxes_.shown()[0].flags, MB_OK | MB_ICONINFORMATION);
    EXPECT_EQ(answer_.shown, 2);
    EXPECT_EQ(answer_.scale, 6);
    EXPECT_NEAR(DegreesOf(p.Latitude), 35.69, 0.03);

    // A number no one knows, a wrong one, one no one knows with another disc in the drive: the message, and no
    // map; the request comes back as it was.
    const struct {
        QByteArray tel;
        QString text;
        unsigned icon;
    } ends[] = {{"09012345678", QStringLiteral("該当するデータが見つかりません"), MB_ICONWARNING},
                {"0123", QStringLiteral("電話番号に誤りがあります"), MB_ICONINFORMATION},
                {"09012345678", QStringLiteral("CD-ROMが違います"), MB_ICONINFORMATION}};
    for (const auto &end : ends) {
        SCOPED_TRACE(end.tel.toStdString());
        if (end.text.startsWith(QStringLiteral("CD"))) {
            HddInstalled = 0;
            DiscPath = dir_.path();
        }
        boxes_.clear();
        p = request(1, 0, 0, QStringLiteral("東京都"), end.tel);
        EXPECT_TRUE(ShowMapForRequest(nullptr, 0, p));
        ASSERT_EQ(boxes_.shown().size(), 1u);
        EXPECT_EQ(boxes_.shown()[0].text, end.text);
        EXPECT_EQ(boxes_.shown()[0].flags, MB_OK | end.icon);
        EXPECT_EQ(answer_.shown, 2);
        EXPECT_EQ(p.Latitude, 0);
    }
}

TEST_F(MapDispatchTest, MarksAreGpxWaypointsWithNamesCutOnACharacterBoundary)
{
    const QString file = dir_.path() + QStringLiteral("/Mark01.gpx");
    EXPECT_FALSE(SaveMarkRecord(file, 0, 503136000, "x"));
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_TRUE(SaveMarkRecord(file, 128484000, 503136000, Sjis::encode(QStringLiteral("本社"))));
    // 509 single bytes and then double-byte characters: byte 511 would split one.
    const QByteArray longName = QByteArray(509, 'a') + Sjis::encode(QStringLiteral("東京大阪"));
    EXPECT_TRUE(SaveMarkRecord(file, 124000000, 486000000, longName));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QXmlStreamReader gpx(&f);
    QStringList lats, names;
    while (!gpx.atEnd()) {
        if (gpx.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (gpx.name() == QStringLiteral("wpt"))
            lats << gpx.attributes().value(QStringLiteral("lat")).toString();
        else if (gpx.name() == QStringLiteral("name"))
            names << gpx.readElementText();
    }
    EXPECT_FALSE(gpx.hasError()) << gpx.errorString().toStdString();
    EXPECT_EQ(lats, (QStringList{QStringLiteral("35.6900000"), QStringLiteral("34.4444444")}));
    EXPECT_EQ(names, (QStringList{QStringLiteral("本社"), QString(509, QLatin1Char('a')) + QStringLiteral("東")}));
}
