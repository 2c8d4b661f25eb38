// The route windows over Kvrail.so and the sample stations: the nearest stations and their lines, the station
// pickers, the conditions and ride date, and the search handed to the route planner with the settings kept.
#include "geo/ExpCond.h"
#include "geo/ExpMain.h"
#include "geo/ExpSel.h"
#include "geo/NoriMain.h"
#include "geo/NoriSel.h"
#include "geo/RailLibrary.h"
#include "geo/MapRequest.h"
#include "geo/WebLinks.h"

#include "Accessibility.h"
#include "TestSupport.h"
#include "base/SjisCodec.h"
#include "core/Globals.h"
#include "platform/MemIniFile.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QUrlQuery>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

namespace {

// 千代田区, 1/1000 and 1/256 second of arc.
constexpr int32_t Lat = 128498400, Lon = 503114400;

class RouteWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        previousApp_ = AppFolder;
        previousData_ = DataFolder;
        AppFolder = test::appDir();
        DataFolder = dir_.path() + QLatin1Char('/');
        test::writeFile(DataFolder + SettingsFileName, "[ROUTE]\r\nUrl=https://route.example/?from={from}&to={to}&date={date}\r\n");
        previousOpener_ = SetUrlOpener([this](const QUrl &url) { opened_ << url; return true; });
    }
    void TearDown() override
    {
        SetUrlOpener(previousOpener_);
        AppFolder = previousApp_;
        DataFolder = previousData_;
    }
    QString query(int n, const char *key) const
    {
        return QUrlQuery(opened_.value(n)).queryItemValue(QLatin1String(key), QUrl::FullyDecoded);
    }
    TMemIniFile settings() const { return TMemIniFile(DataFolder + SettingsFileName); }
    static QString today() { return QDate::currentDate().toString(QStringLiteral("yyyyMMdd")); }
    // A picker run as a user would: a name typed, the first station found taken.
    static bool pickByName(TExpertSelectStation &picker, const QString &name)
    {
        picker.show();
        picker.edName->setText(name);
        picker.SearchByName();
        picker.btnOKClick();
        return picker.result() == QDialog::Accepted;
    }

    QTemporaryDir dir_;
    QString previousApp_, previousData_;
    TUrlOpener previousOpener_;
    QList<QUrl> opened_;
    test::MessageBoxScript boxes_;
};

}  // namespace

TEST(RailLibrary, AKanaLetterWithoutStationsDoesNotEndItsRow)
{
    // ｷ answers 0 with a count of 0, ｸ has two stations, ｹ answers 8, ｺ one station.
    std::map<unsigned char, std::pair<int, int>> answers = {
        {0xB6, {8, 0}}, {0xB7, {0, 0}}, {0xB8, {0, 2}}, {0xB9, {8, 0}}, {0xBA, {0, 1}}};
    std::vector<unsigned char> asked;
    const TStationLister lister = [&](const QByteArray &key, int32_t &count, TRailStation *result) {
        const unsigned char c = uint8_t(key[0]);
        asked.push_back(c);
        count = answers[c].second;
        for (int i = 0; result && i < count; ++i) {
            result[i] = TRailStation{};
            result[i].StationNo = c * 10 + i;
        }
        return answers[c].first;
    };
    std::vector<TRailStation> found;
    EXPECT_EQ(ListKanaRow(KanaRows[1], lister, found), 0);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].StationNo, 0xB8 * 10);
    EXPECT_EQ(found[2].StationNo, 0xBA * 10);

    // わ行 asks one letter; an error ends the row and is returned.
    asked.clear();
    answers[0xDC] = {12, 0};
    EXPECT_EQ(ListKanaRow(KanaRows[9], lister, found), 12);
    EXPECT_EQ(asked, std::vector<unsigned char>{0xDC});
    EXPECT_EQ(KanaRows[7].Last - KanaRows[7].First, 2) << "や行 is three letters";
}

TEST(RailLibrary, ARideDateOfTodayIsKept)
{
    const QDate today(2024, 4, 1);
    EXPECT_EQ(KeptRideDate(QStringLiteral("20240401"), today), QStringLiteral("20240401"));
    EXPECT_EQ(KeptRideDate(QStringLiteral("20240402"), today), QStringLiteral("20240402"));
    EXPECT_TRUE(KeptRideDate(QStringLiteral("20240331"), today).isEmpty());
    EXPECT_TRUE(KeptRideDate(QStringLiteral("2024041"), today).isEmpty());
    EXPECT_TRUE(KeptRideDate(QStringLiteral("2024ab01"), today).isEmpty());
}

TEST_F(RouteWindowTest, ExpertWindowListsNearStationsLinesAndStartsTheSearch)
{
    test::writeFile(DataFolder + SettingsFileName,
                    ("[ROUTE]\r\nUrl=https://route.example/?from={from}&to={to}&date={date}&c={conditions}\r\n"
                     "[EXPERT STATION SEARCH]\r\nRideDate=" + today() + "\r\nTransfers=2\r\n").toUtf8());
    TExpertMain window(nullptr);
    window.SetFolders(AppFolder, AppFolder + QStringLiteral("Dic/"));
    window.Latitude = To256FromThousandths(Lat);
    window.Longitude = To256FromThousandths(Lon);
    window.show();
    ASSERT_EQ(window.lvNear->topLevelItemCount(), 3);
    EXPECT_EQ(window.lvNear->topLevelItem(0)->text(0), QStringLiteral("千代田"));
    EXPECT_EQ(window.lvNear->topLevelItem(0)->text(2).size(), 8) << "the distance as %-8d";
    EXPECT_GT(window.lvRailway->topLevelItemCount(), 0);
    EXPECT_FALSE(window.btnStartUp->isEnabled()) << "no departure station yet";
    EXPECT_EQ(window.Conditions().RideDate, today()) << "a ride today is kept";
    EXPECT_EQ(window.Conditions().Values[2], 2);

    // The departure station by hand, then two destinations by hand: the second replaces the first.
    window.RunPicker = [](TExpertSelectStation &picker) { return pickByName(picker, QStringLiteral("新宿")); };
    window.bbtnStationClick(1);
    EXPECT_EQ(window.lvStart->topLevelItem(0)->text(0), QStringLiteral("新宿"));
    EXPECT_TRUE(window.btnStartUp->isEnabled());
    window.RunPicker = [](TExpertSelectStation &picker) { return pickByName(picker, QStringLiteral("渋谷")); };
    window.bbtnStationClick(0);
    window.RunPicker = [](TExpertSelectStation &picker) { return pickByName(picker, QStringLiteral("品川")); };
    window.bbtnStationClick(0);
    ASSERT_EQ(window.lvNear->topLevelItemCount(), 4);
    EXPECT_EQ(window.lvNear->topLevelItem(3)->text(0), QStringLiteral("品川"));
    EXPECT_EQ(window.NearStations().back().Direction, handChosenDirection);
    EXPECT_EQ(window.lvNear->currentItem(), window.lvNear->topLevelItem(3));

    window.btnStartUp->click();
    ASSERT_EQ(opened_.size(), 1);
    EXPECT_EQ(query(0, "from"), QStringLiteral("新宿"));
    EXPECT_EQ(query(0, "to"), QStringLiteral("品川"));
    EXPECT_EQ(query(0, "date"), today());
    EXPECT_EQ(query(0, "c"), QStringLiteral("0020000"));
    const TMemIniFile ini = settings();
    EXPECT_EQ(ini.ReadString(QStringLiteral("EXPERT START STATION"), QStringLiteral("StNameKj"), {}), QStringLiteral("新宿"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("EXPERT START STATION"), QStringLiteral("Kana"), {}), QStringLiteral("新宿"));
    EXPECT_FALSE(ini.ReadString(QStringLiteral("EXPERT START STATION"), QStringLiteral("KickCode"), {}).isEmpty());

    // The next window shows the departure station at once.
    TExpertMain next(nullptr);
    next.SetFolders(AppFolder, AppFolder + QStringLiteral("Dic/"));
    next.show();
    EXPECT_EQ(next.lvNear->topLevelItemCount(), 0) << "no place, no stations";
    ASSERT_EQ(next.lvStart->topLevelItemCount(), 1);
    EXPECT_EQ(next.lvStart->topLevelItem(0)->text(1), window.StartStation().Reading());
}

// Conditions chosen for a planner that does not take them are named in the window; the default planner takes
// the transfers and flights into its address.
TEST_F(RouteWindowTest, ExpertWindowNamesTheConditionsThePlannerDoesNotGet)
{
    test::writeFile(DataFolder + SettingsFileName,
                    "[ROUTE]\r\nUrl=https://route.example/?from={from}&to={to}\r\n"
                    "[EXPERT STATION SEARCH]\r\nTransfers=2\r\n");
    {
        TExpertMain window(nullptr);
        window.SetFolders(AppFolder, AppFolder + QStringLiteral("Dic/"));
        window.show();
        EXPECT_TRUE(window.lblConditionsLeftOut->isVisible());
        EXPECT_EQ(window.lblConditionsLeftOut->text(), QStringLiteral("次の探索条件は経路検索のページに渡されません：乗り換え"));
        window.RunConditions = [](TExpertSearchCondition &dialog) {
            dialog.show();
            dialog.Groups[2]->button(0)->click();
            dialog.btnOK->click();
            return true;
        };
        window.btnConditionClick();
        EXPECT_FALSE(window.lblConditionsLeftOut->isVisible()) << "nothing chosen, nothing left out";
    }

    test::writeFile(DataFolder + SettingsFileName, "[EXPERT STATION SEARCH]\r\nFirstTrainSt=1\r\nTransfers=2\r\nAirway=2\r\n");
    TExpertMain window(nullptr);
    window.SetFolders(AppFolder, AppFolder + QStringLiteral("Dic/"));
    window.Latitude = To256FromThousandths(Lat);
    window.Longitude = To256FromThousandths(Lon);
    window.show();
    EXPECT_EQ(window.lblConditionsLeftOut->text(), QStringLiteral("次の探索条件は経路検索のページに渡されません：特急始発駅"));
    window.RunPicker = [](TExpertSelectStation &picker) { return pickByName(picker, QStringLiteral("新宿")); };
    window.bbtnStationClick(1);
    window.btnStartUp->click();
    ASSERT_EQ(opened_.size(), 1);
    EXPECT_EQ(opened_[0].host(), QStringLiteral("transit.yahoo.co.jp"));
    EXPECT_EQ(query(0, "s"), QStringLiteral("2"));
    EXPECT_EQ(query(0, "al"), QStringLiteral("0"));
    EXPECT_EQ(query(0, "ex"), QStringLiteral("1"));
}

TEST_F(RouteWindowTest, PickerSearchesByKanaRowAndReselectsItsRow)
{
    TExpertSelectStation picker(nullptr);
    picker.SetFolders(AppFolder, AppFolder + QStringLiteral("Dic/"));
    picker.StationInfo.KanaIndex = 9;  // わ行
    picker.show();
    EXPECT_TRUE(picker.rbKana->isChecked());
    ASSERT_FALSE(picker.Results().empty());
    for (const TRailStation &s : picker.Results())
        EXPECT_EQ(uint8_t(s.Reading[0]), 0xDC);
    picker.cbxKana->setCurrentIndex(7);  // や行: ﾔ, ﾕ, ﾖ
    ASSERT_FALSE(picker.Results().empty());
    for (const TRailStation &s : picker.Results())
        EXPECT_TRUE(uint8_t(s.Reading[0]) >= 0xD4 && uint8_t(s.Reading[0]) <= 0xD6);
    picker.lvStation->setCurrentItem(picker.lvStation->topLevelItem(2));
    picker.btnOKClick();
    const TSelectStInfo chosen = picker.StationInfo;
    EXPECT_EQ(chosen.KanaIndex, 7);
    EXPECT_EQ(chosen.ListIndex, 2);

    TExpertSelectStation again(nullptr);
    again.SetFolders(AppFolder, AppFolder + QStringLiteral("Dic/"));
    again.StationInfo = chosen;
    again.show();
    EXPECT_EQ(again.lvStation->indexOfTopLevelItem(again.lvStation->currentItem()), 2);
    // An empty name clears the list without asking the library.
    again.edName->clear();
    again.SearchByName();
    EXPECT_EQ(again.lvStation->topLevelItemCount(), 0);
}

TEST_F(RouteWindowTest, ConditionDialogWritesItsValuesAndTheRideDate)
{
    TExpertSearchCondition dialog(nullptr);
    dialog.Conditions.Values = {1, 0, 2, 1, 0, 2, 1};
    dialog.Conditions.RideDate = QStringLiteral("20300105");
    dialog.show();
    EXPECT_EQ(dialog.dtpRideDate->date(), QDate(2030, 1, 5));
    EXPECT_TRUE(dialog.Groups[2]->button(2)->isChecked());
    dialog.Groups[6]->button(0)->click();
    dialog.btnOK->click();
    const TRouteConditions stored = ReadRouteConditions(settings());
    EXPECT_EQ(stored.Values, (std::array<int, 7>{1, 0, 2, 1, 0, 2, 0}));
    EXPECT_EQ(stored.RideDate, QStringLiteral("20300105"));
}

// A condition ticked as a screen reader ticks it, without a click, is shown chosen in every group.
TEST_F(RouteWindowTest, ConditionsTickedWithoutAClickAreShownChosen)
{
    TExpertSearchCondition dialog(nullptr);
    dialog.HighlightColor = Qt::red;
    dialog.NormalColor = Qt::black;
    dialog.Conditions.Values = {0, 0, 0, 0, 0, 0, 0};
    dialog.show();
    for (size_t g = 0; g < dialog.Groups.size(); ++g) {
        SCOPED_TRACE(g);
        QAbstractButton *chosen = dialog.Groups[g]->button(1);
        ASSERT_TRUE(test::toggleOnTheBus(chosen));
        for (QAbstractButton *b : dialog.Groups[g]->buttons())
            EXPECT_EQ(b->palette().color(QPalette::WindowText), b == chosen ? QColor(Qt::red) : QColor(Qt::black))
                << b->objectName().toStdString();
    }
}

TEST_F(RouteWindowTest, NorikaeWindowMeasuresItsStationsAndKeepsTheStartStation)
{
    TNorikaeMain window(nullptr);
    ASSERT_TRUE(window.OpenRailServ(AppFolder));
    window.Latitude = Lat;
    window.Longitude = Lon;
    window.show();
    ASSERT_EQ(window.lvNear->topLevelItemCount(), 3);
    for (const TNearStation &s : window.NearStations()) {
        EXPECT_EQ(s.Distance, StationDistance(Lat, Lon, s.Latitude, s.Longitude));
        EXPECT_EQ(s.Direction, StationDirection(Lat, Lon, s.Latitude, s.Longitude));
    }
    EXPECT_EQ(window.lvNear->topLevelItem(0)->text(2), DirectionWord(window.NearStations()[0].Direction));

    const auto choose = [](const QString &name) {
        return [name](TNorikaeSelectStation &picker) {
            picker.show();
            picker.edName->setText(name);
            picker.ListCandidates();
            picker.btnOKClick();
            return picker.result() == QDialog::Accepted;
        };
    };
    window.RunPicker = choose(QStringLiteral("渋谷"));
    window.bbtnStationClick(0);
    window.RunPicker = choose(QStringLiteral("品川"));
    window.bbtnStationClick(0);
    ASSERT_EQ(window.lvNear->topLevelItemCount(), 4);
    EXPECT_EQ(window.lvNear->topLevelItem(3)->text(0), QStringLiteral("品川"));
    window.RunPicker = choose(QStringLiteral("新宿"));
    window.bbtnStationClick(1);
    window.btnStartUp->click();
    ASSERT_EQ(opened_.size(), 1);
    EXPECT_EQ(query(0, "from"), QStringLiteral("新宿"));
    EXPECT_EQ(query(0, "to"), QStringLiteral("品川"));
    EXPECT_EQ(settings().ReadString(QStringLiteral("NORIKAE START STATION"), QStringLiteral("Station"), {}),
              QStringLiteral("新宿"));

    TNorikaeMain next(nullptr);
    ASSERT_TRUE(next.OpenRailServ(AppFolder));
    next.show();
    EXPECT_TRUE(boxes_.texts().isEmpty()) << "no place: nothing detected, nothing said";
    ASSERT_EQ(next.lvStart->topLevelItemCount(), 1);
    EXPECT_EQ(next.lvStart->topLevelItem(0)->text(0), QStringLiteral("新宿"));

    // Without the station library the route program is not there.
    QTemporaryDir empty;
    TNorikaeMain missing(nullptr);
    EXPECT_FALSE(missing.OpenRailServ(empty.path() + QLatin1Char('/')));
    EXPECT_TRUE(boxes_.texts().contains(QStringLiteral("乗換案内がインストールされていません  ")));
}

// The station lists of both route windows and their pickers are named after their captions (or, where none
// is shown, after what they hold) for a screen reader.
TEST_F(RouteWindowTest, EveryControlOfTheRouteWindowsHasAnAccessibleName)
{
    TExpertMain expert(nullptr);
    expert.SetFolders(AppFolder, AppFolder + QStringLiteral("Dic/"));
    expert.Latitude = To256FromThousandths(Lat);
    expert.Longitude = To256FromThousandths(Lon);
    TExpertSelectStation expertPicker(nullptr);
    expertPicker.SetFolders(AppFolder, AppFolder + QStringLiteral("Dic/"));
    TExpertSearchCondition conditions(nullptr);
    TNorikaeMain norikae(nullptr);
    ASSERT_TRUE(norikae.OpenRailServ(AppFolder));
    norikae.Latitude = Lat;
    norikae.Longitude = Lon;
    TNorikaeSelectStation norikaePicker(nullptr);
    for (QWidget *window : std::initializer_list<QWidget *>{&expert, &expertPicker, &conditions, &norikae,
                                                            &norikaePicker}) {
        SCOPED_TRACE(window->objectName().toStdString());
        window->show();
        EXPECT_THAT(test::unnamedControls(window), ::testing::IsEmpty());
    }
}
