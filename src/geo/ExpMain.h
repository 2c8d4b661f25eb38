// TExpertMain: the route window of the first route program. It lists the stations nearest to the record's
// place and their lines (Kvrail.so), keeps the usual departure station, and hands the search with the ride
// date to the route planner.
#pragma once

#include "geo/ExpCond.h"
#include "geo/ExpSel.h"
#include "geo/RailLibrary.h"

#include <QColor>
#include <QDialog>

#include <functional>
#include <vector>

class QLabel;
class QPushButton;
class QTreeWidget;

class TExpertMain : public QDialog {
public:
    explicit TExpertMain(QWidget *owner);

    QTreeWidget *lvNear, *lvRailway, *lvStart;
    QPushButton *bbtnNear, *bbtnMap, *bbtnStart, *btnCondition, *btnStartUp, *btnCancel;
    QLabel *lblConditionsLeftOut;  // shown while chosen conditions do not reach the route planner

    void SetFolders(const QString &programFolder, const QString &dataFolder);
    QColor HighlightColor, NormalColor;
    // 1/256 second of arc; 0, 0 = no place.
    int32_t Latitude = 0, Longitude = 0;

    // The rows of lvNear: up to three found, then one chosen by hand.
    const std::vector<TRailStation> &NearStations() const { return near_; }
    const TSelectStInfo &StartStation() const { return start_; }
    const TRouteConditions &Conditions() const { return conditions_; }

    void lvNearSelectItem();
    void bbtnStationClick(int tag);
    void btnConditionClick();
    void btnStartUpClick();
    void bbtnMapClick();

    // How the station pickers and the condition dialog are run; tests replace them.
    std::function<bool(TExpertSelectStation &)> RunPicker;
    std::function<bool(TExpertSearchCondition &)> RunConditions;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormShow();
    void UpdateStartButton();
    void ShowStart();
    void ShowConditionsLeftOut();

    QString programFolder_, dataFolder_;
    TRailLibrary rail_;
    bool shown_ = false;
    std::vector<TRailStation> near_;
    TSelectStInfo handChosen_, start_;
    TRouteConditions conditions_;
};
