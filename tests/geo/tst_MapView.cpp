// The map window offscreen against a tile server of the test: where it opens and at which scale, the tiles and
// their disk cache, the offline base map, picking a point, the clip rectangle, copy and printing to PDF.
#include "geo/MapView.h"

#include "Accessibility.h"
#include "TestSupport.h"
#include "TileServer.h"
#include "HostileJpegs.h"
#include "base/SjisCodec.h"
#include "core/Globals.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QScopeGuard>
#include <QCryptographicHash>
#include <QContextMenuEvent>
#include <QMenu>
#include <QWheelEvent>
#include <QDir>
#include <QMimeData>
#include <QPrinter>
#include <QScreen>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

constexpr int32_t TokyoLatitude = 128484000, TokyoLongitude = 503136000;  // 35°41'24.000", 139°45'36.000"

class MapViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        previousApp_ = AppFolder;
        previousData_ = DataFolder;
        AppFolder = test::appDir();
        DataFolder = dir_.path() + QLatin1Char('/');
        settings(server_.urlTemplate(), 18);
    }
    void TearDown() override
    {
        AppFolder = previousApp_;
        DataFolder = previousData_;
    }
    void settings(const QString &tileUrl, int maxZoom)
    {
        test::writeFile(DataFolder + SettingsFileName,
                        ("[MAP]\r\nTileUrl=" + tileUrl + "\r\nTileCache=" + dir_.path() + "/cache\r\nMaxZoom="
                         + QString::number(maxZoom) + "\r\nAttribution=TEST TILES\r\n")
                            .toUtf8());
    }
    // A tile server that does not answer: the window draws its base map alone.
    void offline(int maxZoom)
    {
        QTcpServer closed;
        closed.listen(QHostAddress::LocalHost);
        const quint16 port = closed.serverPort();
        closed.close();
        settings(QStringLiteral("http://127.0.0.1:%1/{z}/{x}/{y}.png").arg(port), maxZoom);
    }
    std::unique_ptr<TMapView> open(const TMapSearchParams &params, int *code = nullptr, int program = 5)
    {
        auto view = std::make_unique<TMapView>(nullptr, program);
        const int c = view->SetMapRequest(params);
        if (code)
            *code = c;
        view->resize(500, 400);
        view->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        return view;
    }
    // Waits until every tile asked for has arrived.
    void settle(TMapView &view)
    {
        view.MapControl->grab();
        QTRY_COMPARE_WITH_TIMEOUT(view.Tiles().Pending(), 0, 10000);
    }

    QTemporaryDir dir_;
    TileServer server_;
    QString previousApp_, previousData_;
    test::MessageBoxScript boxes_;
};

TMapSearchParams byPosition(int32_t lat, int32_t lon)
{
    TMapSearchParams p;
    p.Latitude = lat;
    p.Longitude = lon;
    return p;
}

}  // namespace

TEST(TileCache, AJpegTileGoesThroughTheProgramsBoundedDecoder)
{
    // Cached tiles as a server sent them: a JPEG of a tile's size is shown; one that repeats an empty scan
    // 100,000 times is no tile (and is asked for again), not seconds of the window's time.
    QTemporaryDir dir;
    TTileSettings settings;
    settings.UrlTemplate = QStringLiteral("http://127.0.0.1:1/{z}/{x}/{y}.jpg");
    settings.CacheFolder = dir.path();
    TTileCache tiles(settings, nullptr);
    const QString folder = dir.path() + u'/'
                           + QString::fromLatin1(QCryptographicHash::hash(settings.UrlTemplate.toUtf8(),
                                                                          QCryptographicHash::Sha1)
                                                     .toHex()
                                                     .left(16));
    test::writeFile(folder + "/5/1/1.png", BaselineJpeg(256, 256));
    test::writeFile(folder + "/5/1/2.png", ProgressiveJpeg(256, 256, 100000));
    EXPECT_EQ(tiles.Tile(5, 1, 1).size(), QSize(256, 256));
    EXPECT_TRUE(tiles.Tile(5, 1, 2).isNull());
    EXPECT_EQ(tiles.Pending(), 1);
}

TEST_F(MapViewTest, OpensOnThePositionAtTheMostDetailedScaleWithTilesFromTheServer)
{
    int code = -1;
    auto view = open(byPosition(TokyoLatitude, TokyoLongitude), &code);
    EXPECT_EQ(code, mapShowByPosition);
    EXPECT_EQ(view->ScaleIndex(), 11);
    EXPECT_EQ(view->cbxScale->currentText(), QStringLiteral("詳細図"));
    EXPECT_TRUE(view->pmiScale[11]->isChecked());
    int32_t lat, lon;
    view->Centre(lat, lon);
    EXPECT_NEAR(lat, TokyoLatitude, 5);
    EXPECT_NEAR(lon, TokyoLongitude, 5);
    settle(*view);
    EXPECT_GT(server_.requests, 0);
    const QImage shown = view->MapControl->grab().toImage();
    EXPECT_EQ(shown.pixelColor(20, 20), TileServer::colourOf(18));
    // The picked point starts as the request and is drawn as a red cross in the middle.
    view->GetMapPosition(lat, lon);
    EXPECT_EQ(lat, TokyoLatitude);
    const QPointF middle = view->PixelOf(TokyoLatitude, TokyoLongitude);
    EXPECT_EQ(shown.pixelColor(middle.toPoint() + QPoint(4, 0)), QColor(Qt::red));

    // Another scale keeps the centre; its tiles come from the server, then from the disk cache.
    view->cbxScale->setCurrentIndex(8);
    view->cbxScale->activated(8);
    EXPECT_EQ(view->ScaleIndex(), 8);
    EXPECT_FALSE(view->pmiScale[11]->isChecked());
    settle(*view);
    EXPECT_EQ(view->MapControl->grab().toImage().pixelColor(20, 20), TileServer::colourOf(14));
    EXPECT_FALSE(QDir(dir_.path() + QStringLiteral("/cache")).isEmpty());
    const int asked = server_.requests;
    auto again = open(byPosition(TokyoLatitude, TokyoLongitude));
    again->SetScale(8);
    settle(*again);
    EXPECT_EQ(server_.requests, asked) << "the second window's tiles come from the disk cache";
    EXPECT_EQ(again->MapControl->grab().toImage().pixelColor(20, 20), TileServer::colourOf(14));
}

TEST_F(MapViewTest, WithoutTheServerTheBaseMapAndItsNoticeAreShown)
{
    offline(16);
    auto view = open(byPosition(TokyoLatitude, TokyoLongitude));
    // The tile server's detail ends at 16: the detailed map is not offered.
    EXPECT_FALSE(view->ScaleOffered(11));
    EXPECT_EQ(view->ScaleIndex(), 10);
    view->SetScale(0);
    settle(*view);
    const QImage shown = view->MapControl->grab().toImage();
    // Tokyo is on land, the Pacific south-east of it sea.
    const QPointF tokyo = view->PixelOf(TokyoLatitude, TokyoLongitude);
    EXPECT_EQ(shown.pixelColor(tokyo.toPoint() + QPoint(-12, -12)), QColor(0xF2, 0xEF, 0xE9));
    EXPECT_EQ(shown.pixelColor(view->PixelOf(33 * 3600000, 142 * 3600000).toPoint()), QColor(0xAA, 0xD3, 0xDF));
}

// Pixels of the prefecture borders' ink within radius of the point.
int BorderInk(const QImage &image, const QPointF &point, int radius)
{
    int ink = 0;
    for (int y = -radius; y <= radius; ++y)
        for (int x = -radius; x <= radius; ++x) {
            const QPoint at = point.toPoint() + QPoint(x, y);
            if (x * x + y * y <= radius * radius && image.rect().contains(at) && image.pixelColor(at) == BaseMapBorderColour)
                ++ink;
        }
    return ink;
}

TEST_F(MapViewTest, TheBaseMapDrawsThePrefectureBordersAtTheCountryScales)
{
    offline(16);
    // 丸子橋 over the 多摩川, on the border of 東京都 and 神奈川県; the Imperial Palace, 10 km and more from
    // any border.
    const int32_t riverLat = int32_t(35.5775 * 3600000), riverLon = int32_t(139.6650 * 3600000);
    const int32_t palaceLat = int32_t(35.6852 * 3600000), palaceLon = int32_t(139.7528 * 3600000);
    auto view = open(byPosition(riverLat, riverLon));
    view->SetScale(2);  // 1/160万: a pixel is about 450 m
    view->CentreOn(riverLat, riverLon);
    QImage map = view->RegionImage();
    // The borders are right to a few kilometres: the ink is within 8 pixels of the river.
    EXPECT_GT(BorderInk(map, view->PixelOf(riverLat, riverLon), 8), 0);
    EXPECT_EQ(BorderInk(map, view->PixelOf(palaceLat, palaceLon), 12), 0);
    // From 1/80万 on the municipalities are drawn over them.
    view->SetScale(3);
    view->CentreOn(riverLat, riverLon);
    map = view->RegionImage();
    EXPECT_GT(BorderInk(map, view->PixelOf(riverLat, riverLon), 16), 0);
    EXPECT_EQ(BorderInk(map, view->PixelOf(palaceLat, palaceLon), 20), 0);
    // Nearer the ground their error would show: no borders.
    view->SetScale(4);
    view->CentreOn(riverLat, riverLon);
    EXPECT_EQ(BorderInk(view->RegionImage(), view->PixelOf(riverLat, riverLon), 100), 0);
}

TEST_F(MapViewTest, AnAddressIsFoundThroughTheDictionaries)
{
    TMapSearchParams p;
    p.Kind = 1;
    p.Address = Sjis::encode(QStringLiteral("東京都千代田区千代田"));
    int code = -1;
    auto view = open(p, &code);
    EXPECT_EQ(code, mapShowByText);
    int32_t lat, lon;
    view->GetMapPosition(lat, lon);
    // 千代田区 lies within a few kilometres of 35.69 N, 139.75 E.
    EXPECT_NEAR(lat / 3600000.0, 35.69, 0.03);
    EXPECT_NEAR(lon / 3600000.0, 139.75, 0.03);

    // Nothing to show: the whole country, and no point.
    auto nothing = open(TMapSearchParams{}, &code);
    EXPECT_EQ(code, mapNothingByPosition);
    EXPECT_EQ(nothing->ScaleIndex(), 0);
    nothing->GetMapPosition(lat, lon);
    EXPECT_EQ(lat, 0);
}

TEST_F(MapViewTest, ADoubleClickPicksThePointAndEscKeepsIt)
{
    auto view = open(byPosition(TokyoLatitude, TokyoLongitude));
    const QPoint at(100, 80);
    int32_t expectedLat, expectedLon;
    view->PositionAt(at, expectedLat, expectedLon);
    QTest::mouseDClick(view->MapControl, Qt::LeftButton, {}, at);
    int32_t lat, lon;
    view->GetMapPosition(lat, lon);
    EXPECT_EQ(lat, expectedLat);
    EXPECT_EQ(lon, expectedLon);
    EXPECT_GT(lat, TokyoLatitude) << "above the centre is north";
    EXPECT_LT(lon, TokyoLongitude);

    // The pop-up's centring moves the map to the picked point.
    view->pmiCenteringClick();
    EXPECT_NEAR(view->PixelOf(lat, lon).x(), view->MapControl->width() / 2, 1);

    QTest::keyClick(view.get(), Qt::Key_Escape);
    EXPECT_FALSE(view->isVisible());
    EXPECT_EQ(view->result(), QDialog::Rejected);
    view->GetMapPosition(lat, lon);
    EXPECT_EQ(lat, expectedLat);
}

TEST_F(MapViewTest, ClipRectangleCopyWithCornerTextAndPrintToPdf)
{
    auto view = open(byPosition(TokyoLatitude, TokyoLongitude));
    settle(*view);
    QWidget *map = view->MapControl;

    // A drag that ends where it started leaves no rectangle: the whole map is the region.
    view->sbtnClip->click();
    QTest::mousePress(map, Qt::LeftButton, {}, QPoint(50, 50));
    QTest::mouseRelease(map, Qt::LeftButton, {}, QPoint(50, 50));
    EXPECT_TRUE(view->ClipRect().isEmpty());
    EXPECT_FALSE(view->sbtnClip->isChecked());
    EXPECT_EQ(view->Region(), map->rect());

    view->sbtnClip->click();
    QTest::mousePress(map, Qt::LeftButton, {}, QPoint(40, 30));
    QMouseEvent move(QEvent::MouseMove, QPointF(240, 130), map->mapToGlobal(QPointF(240, 130)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(map, &move);
    QTest::mouseRelease(map, Qt::LeftButton, {}, QPoint(240, 130));
    EXPECT_EQ(view->ClipRect(), QRect(QPoint(40, 30), QPoint(240, 130)));
    EXPECT_FALSE(view->sbtnClip->isChecked());

    view->actCopy->trigger();
    const QMimeData *copied = QApplication::clipboard()->mimeData();
    ASSERT_TRUE(copied->hasImage());
    EXPECT_EQ(qvariant_cast<QImage>(copied->imageData()).size(), QSize(201, 101));
    int32_t top, left, bottom, right;
    view->PositionAt(QPoint(40, 30), top, left);
    view->PositionAt(QPoint(240, 130), bottom, right);
    EXPECT_EQ(copied->text(), MapCornerText(top, left, bottom, right));
    EXPECT_TRUE(copied->text().startsWith(QStringLiteral("左上 北緯 : 35度4")));

    const QString pdf = dir_.path() + QStringLiteral("/map.pdf");
    TMapView::TPrinterSetup previous = TMapView::SetPrinterSetup([pdf](QWidget *, QPrinter &printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setResolution(600);
        return true;
    });
    view->sbtnPrint->click();
    TMapView::SetPrinterSetup(previous);
    EXPECT_EQ(boxes_.texts(), QStringList{QStringLiteral("印刷しました")});
    QProcess render;
    render.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("150"), QStringLiteral("-png"),
                                              QStringLiteral("-singlefile"), pdf, dir_.path() + QStringLiteral("/page")});
    ASSERT_TRUE(render.waitForFinished(60000));
    const QImage page(dir_.path() + QStringLiteral("/page.png"));
    ASSERT_FALSE(page.isNull());
    // 201 pixels at 96 dpi are about 314 pixels at 150 dpi, from the printable area's corner.
    const QColor tile = page.pixelColor(page.width() / 8, page.height() / 30);
    EXPECT_NEAR(tile.green(), TileServer::colourOf(18).green(), 6) << tile.name().toStdString();
    EXPECT_EQ(page.pixelColor(page.width() * 3 / 4, page.height() / 2), QColor(Qt::white));

    // Changing the scale removes the rectangle.
    view->SetScale(5);
    EXPECT_TRUE(view->ClipRect().isEmpty());
}

TEST_F(MapViewTest, TheSpeedButtonsShowGlyphsAndKeepTheirTexts)
{
    auto view = open(byPosition(TokyoLatitude, TokyoLongitude));
    const std::pair<QToolButton *, QString> buttons[] = {{view->sbtnClip, QStringLiteral("範囲指定")},
                                                         {view->sbtnCopy, QStringLiteral("コピー")},
                                                         {view->sbtnPrint, QStringLiteral("印刷")},
                                                         {view->sbtnExit, QStringLiteral("閉じる")}};
    for (const auto &[button, text] : buttons) {
        SCOPED_TRACE(button->objectName().toStdString());
        const QImage glyph = button->icon().pixmap(16, 16).toImage();
        ASSERT_FALSE(glyph.isNull());
        // Drawn, not blank: some pixels are opaque.
        int opaque = 0;
        for (int y = 0; y < glyph.height(); ++y)
            for (int x = 0; x < glyph.width(); ++x)
                opaque += qAlpha(glyph.pixel(x, y)) > 128;
        EXPECT_GT(opaque, 40);
        EXPECT_EQ(button->toolButtonStyle(), Qt::ToolButtonIconOnly);
        EXPECT_EQ(button->toolTip(), text);
        EXPECT_EQ(button->accessibleName(), text);
    }
    EXPECT_EQ(view->actCopy->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_C));
}

// By keys: Tab goes on from the scale list to the speed buttons, and Space presses 印刷, which asks for the
// printer.
TEST_F(MapViewTest, TheSpeedButtonsAreReachedByTabAndPressedBySpace)
{
    auto view = open(byPosition(TokyoLatitude, TokyoLongitude));
    QApplication::setActiveWindow(view.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
    bool asked = false;
    const TMapView::TPrinterSetup previous = TMapView::SetPrinterSetup([&asked](QWidget *, QPrinter &) {
        asked = true;
        return false;
    });
    const auto restore = qScopeGuard([&previous] { TMapView::SetPrinterSetup(previous); });
    ASSERT_NE(view->cbxScale, nullptr);
    view->cbxScale->setFocus();
    QStringList path;
    for (int i = 0; i < 6 && QApplication::focusWidget() != view->sbtnPrint; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        path << QApplication::focusWidget()->objectName();
    }
    ASSERT_EQ(QApplication::focusWidget(), view->sbtnPrint) << path.join(u' ').toStdString();
    QTest::keyClick(view->sbtnPrint, Qt::Key_Space);
    EXPECT_TRUE(asked);
    EXPECT_EQ(boxes_.texts(), QStringList()) << "a cancelled set-up prints nothing";
}

// The printer set-up dialog opens 15 pixels right of and below the window's corner, moved back inside the work
// area where it would stick out (the window dragged partly off the screen's bottom-right corner).
TEST_F(MapViewTest, ThePrinterSetupDialogStaysInsideTheWorkArea)
{
    auto view = open(byPosition(TokyoLatitude, TokyoLongitude));
    const QRect work = view->screen()->availableGeometry();
    for (const QPoint corner : {work.topLeft() + QPoint(40, 30), work.bottomRight() - QPoint(200, 120)}) {
        view->move(corner);
        QRect shown;
        QString name;
        QTimer::singleShot(0, [&] {
            QWidget *dialog = QApplication::activeModalWidget();
            ASSERT_NE(dialog, nullptr);
            ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
            name = dialog->objectName();
            shown = dialog->frameGeometry();
            qobject_cast<QDialog *>(dialog)->reject();
        });
        view->sbtnPrint->click();
        EXPECT_EQ(name, QStringLiteral("PrinterSetupDialog"));
        const QPoint wanted = view->frameGeometry().topLeft() + QPoint(15, 15);
        EXPECT_EQ(shown.topLeft(), QPoint(std::min(wanted.x(), work.right() + 1 - shown.width()),
                                          std::min(wanted.y(), work.bottom() + 1 - shown.height())));
        EXPECT_TRUE(work.contains(shown)) << shown.x() << "," << shown.y() << " " << shown.width() << "x"
                                          << shown.height();
    }
    EXPECT_EQ(boxes_.texts(), QStringList()) << "a cancelled set-up prints nothing and says nothing";
}

TEST_F(MapViewTest, EveryControlAndTheMapItselfHaveAnAccessibleName)
{
    auto view = open(byPosition(TokyoLatitude, TokyoLongitude));
    EXPECT_THAT(test::unnamedControls(view.get()), ::testing::IsEmpty());
    auto areas = open(byPosition(TokyoLatitude, TokyoLongitude), nullptr, 1);
    EXPECT_THAT(test::unnamedControls(areas.get()), ::testing::IsEmpty());
    EXPECT_EQ(areas->cbxArea->accessibleName(), QStringLiteral("地域"));
    EXPECT_EQ(areas->cbxLayer->accessibleName(), QStringLiteral("地図階層"));
}

namespace {

QStringList entries(const QComboBox *combo)
{
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

// Chooses an entry as the user does, by the keyboard or the mouse: the list's activation.
void choose(QComboBox *combo, int index)
{
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

}  // namespace

// プロアトラス2002's map comes in areas, each with its layers: the lists stand where the scales stand for the
// other programs, the request's area is chosen, and the area and layer chosen change the map.
TEST_F(MapViewTest, ProAtlasOffersAreasAndTheirLayersInPlaceOfTheScales)
{
    offline(16);
    auto view = open(byPosition(TokyoLatitude, TokyoLongitude), nullptr, 1);
    EXPECT_EQ(view->cbxScale, nullptr);
    EXPECT_EQ(view->findChild<QComboBox *>(QStringLiteral("cbxScale")), nullptr);
    ASSERT_NE(view->cbxArea, nullptr);
    ASSERT_NE(view->cbxLayer, nullptr);
    EXPECT_EQ(entries(view->cbxArea), (QStringList{QStringLiteral("全国"), QStringLiteral("北海道・東北"),
                                                   QStringLiteral("関東"), QStringLiteral("中部"), QStringLiteral("近畿"),
                                                   QStringLiteral("中国・四国"), QStringLiteral("九州・沖縄")}));
    // Tokyo lies in 関東, whose layers end where the tile server's detail does (zoom 16, 1/6250).
    EXPECT_EQ(view->cbxArea->currentText(), QStringLiteral("関東"));
    EXPECT_EQ(view->AreaIndex(), 2);
    EXPECT_EQ(entries(view->cbxLayer), QStringList(MapScaleCaptions.begin() + 1, MapScaleCaptions.begin() + 11));
    EXPECT_EQ(view->cbxLayer->currentText(), QStringLiteral("1/6250"));
    EXPECT_EQ(view->ScaleIndex(), 10);
    int32_t lat, lon;
    view->GetMapPosition(lat, lon);
    EXPECT_EQ(lat, TokyoLatitude);

    // A layer sets its scale and keeps the centre.
    choose(view->cbxLayer, 5);
    EXPECT_EQ(view->ScaleIndex(), 6);
    EXPECT_TRUE(view->pmiScale[6]->isChecked());
    view->Centre(lat, lon);
    EXPECT_NEAR(lat, TokyoLatitude, 50);

    // The whole country's area offers only its wide layers: the first of them is taken, the map goes back to
    // the picked point, and the wheel and the pop-up stay within them.
    view->CentreOn(34 * 3600000, 135 * 3600000);
    choose(view->cbxArea, 0);
    EXPECT_EQ(entries(view->cbxLayer), QStringList(MapScaleCaptions.begin(), MapScaleCaptions.begin() + 4));
    EXPECT_EQ(view->cbxLayer->currentIndex(), 0);
    EXPECT_EQ(view->ScaleIndex(), 0);
    view->Centre(lat, lon);
    EXPECT_NEAR(lat, TokyoLatitude, 30000);
    EXPECT_NEAR(lon, TokyoLongitude, 30000);
    EXPECT_TRUE(view->ScaleOffered(3));
    EXPECT_FALSE(view->ScaleOffered(4));
    for (int i = 0; i < 5; ++i) {
        QWheelEvent wheel(QPointF(50, 50), view->MapControl->mapToGlobal(QPointF(50, 50)), {}, QPoint(0, 120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view->MapControl, &wheel);
    }
    EXPECT_EQ(view->ScaleIndex(), 3);
    EXPECT_EQ(view->cbxLayer->currentText(), QStringLiteral("1/80万"));
    // Back in a region whose layers hold the scale, the layer stays.
    choose(view->cbxArea, 3);
    EXPECT_EQ(view->cbxArea->currentText(), QStringLiteral("中部"));
    EXPECT_EQ(view->ScaleIndex(), 3);
    EXPECT_EQ(view->cbxLayer->currentText(), QStringLiteral("1/80万"));
    EXPECT_EQ(view->cbxLayer->count(), 10);
}

// The request's area: the request's own way first (the address asked by text, the position by coordinates), the
// other one when the first finds no area; among areas the more detailed map, on equal ones the earlier area.
TEST_F(MapViewTest, TheAreaWalkFollowsTheRequestsWayAndTheMoreDetailedArea)
{
    TMapSearchParams p = byPosition(TokyoLatitude, TokyoLongitude);
    p.Address = Sjis::encode(QStringLiteral("大阪府大阪市北区梅田"));
    p.Kind = 1;
    auto byText = open(p, nullptr, 1);
    EXPECT_EQ(byText->cbxArea->currentText(), QStringLiteral("近畿"));
    int32_t lat, lon;
    byText->GetMapPosition(lat, lon);
    EXPECT_NEAR(DegreesOf(lat), 34.70, 0.03);
    EXPECT_NEAR(DegreesOf(lon), 135.50, 0.03);
    EXPECT_EQ(byText->ScaleIndex(), 11);

    p.Kind = 0;
    auto byPositionFirst = open(p, nullptr, 1);
    EXPECT_EQ(byPositionFirst->cbxArea->currentText(), QStringLiteral("関東"));
    byPositionFirst->GetMapPosition(lat, lon);
    EXPECT_EQ(lat, TokyoLatitude);

    // An address that is not found: the position's area.
    p.Kind = 1;
    p.Address = Sjis::encode(QStringLiteral("どこでもない所"));
    auto fallback = open(p, nullptr, 1);
    EXPECT_EQ(fallback->cbxArea->currentText(), QStringLiteral("関東"));

    // A place lies in the region of its nearest municipality, however the regions' borders run: 桑名 (三重県) in
    // 近畿, 名古屋 next to it in 中部, 父島 (東京都) far out at sea in 関東; the whole country's area, with its wide
    // layers only, holds them too, but never wins over a region's detail.
    const struct {
        double lat, lon;
        QString area;
    } places[] = {{35.066, 136.684, QStringLiteral("近畿")},
                  {35.181, 136.906, QStringLiteral("中部")},
                  {27.094, 142.192, QStringLiteral("関東")}};
    for (const auto &place : places) {
        SCOPED_TRACE(place.area.toStdString());
        auto view = open(byPosition(ThousandthsOf(place.lat), ThousandthsOf(place.lon)), nullptr, 1);
        EXPECT_EQ(view->cbxArea->currentText(), place.area);
        EXPECT_EQ(view->ScaleIndex(), 11);
        EXPECT_TRUE(MapAreas[0].Include(ThousandthsOf(place.lat), ThousandthsOf(place.lon)));
    }

    // Nothing to show: the first area's whole view, whose centre is the point handed back.
    auto nothing = open(TMapSearchParams{}, nullptr, 1);
    EXPECT_EQ(nothing->AreaIndex(), 0);
    EXPECT_EQ(nothing->cbxLayer->currentText(), QStringLiteral("全国図"));
    int32_t centreLat, centreLon;
    nothing->Centre(centreLat, centreLon);
    nothing->GetMapPosition(lat, lon);
    EXPECT_GT(lat, 0);
    EXPECT_EQ(lat, centreLat);
    EXPECT_EQ(lon, centreLon);
}

// "マウス位置を中心にする" centres the map on where the pop-up was opened; for プロアトラス2002 that place is also the
// picked point, for the others the picked point stays.
TEST_F(MapViewTest, CentringOnTheMousePositionPicksItForProAtlasOnly)
{
    for (const int program : {1, 5}) {
        SCOPED_TRACE(program);
        auto view = open(byPosition(TokyoLatitude, TokyoLongitude), nullptr, program);
        const QPoint at(100, 80);
        int32_t expectedLat, expectedLon;
        view->PositionAt(at, expectedLat, expectedLon);
        QContextMenuEvent menu(QContextMenuEvent::Mouse, at, view->MapControl->mapToGlobal(at));
        QApplication::sendEvent(view->MapControl, &menu);
        EXPECT_TRUE(view->pmMapFan->isVisible());
        EXPECT_EQ(view->pmMapFan->actions().at(2), view->pmiMousePosCenter);
        view->pmiMousePosCenter->trigger();
        view->pmMapFan->hide();
        int32_t lat, lon;
        view->Centre(lat, lon);
        EXPECT_NEAR(lat, expectedLat, 5);
        EXPECT_NEAR(lon, expectedLon, 5);
        view->GetMapPosition(lat, lon);
        if (program == 1) {
            EXPECT_EQ(lat, expectedLat);
            EXPECT_EQ(lon, expectedLon);
        } else {
            EXPECT_EQ(lat, TokyoLatitude);
            EXPECT_EQ(lon, TokyoLongitude);
        }
    }
}
