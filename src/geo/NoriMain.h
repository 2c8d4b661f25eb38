// TNorikaeMain: the route window of the second route program. It finds the three stations nearest to the
// record's place, keeps the start station between runs, and hands the search to the route planner.
#pragma once

#include "geo/NoriSel.h"
#include "geo/RailLibrary.h"

#include <QDialog>

#include <functional>
#include <vector>

class QPushButton;
class QTreeWidget;

// A station found near the place: position in 1/1000 second, name, distance in metres, direction 0 to 8.
struct TNearStation {
    int32_t Latitude = 0, Longitude = 0;
    QString Name;
    int32_t Distance = 0, Direction = 0;
};

class TNorikaeMain : public QDialog {
public:
    explicit TNorikaeMain(QWidget *owner);

    QTreeWidget *lvNear, *lvStart;
    QPushButton *bbtnNear, *bbtnMap, *bbtnStart, *btnStartUp, *btnCancel;

    // False, after "乗換案内がインストールされていません  ", when the station library cannot be used.
    bool OpenRailServ(const QString &programFolder);
    void SetProgramDir(const QString &folder) { programFolder_ = folder; }
    // 1/1000 second of arc; 0 = no place.
    int32_t Latitude = 0, Longitude = 0;

    const std::vector<TNearStation> &NearStations() const { return near_; }
    const TStationChoice &StartChoice() const { return start_; }

    void bbtnStationClick(int tag);
    void btnStartUpClick();
    void bbtnMapClick();

    // How the station dialog is run; tests replace it.
    std::function<bool(TNorikaeSelectStation &)> RunPicker;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void DetectNearStations();
    void ShowStart();

    QString programFolder_;
    TRailLibrary rail_;
    bool shown_ = false;
    std::vector<TNearStation> near_;
    TStationChoice nearChoice_, start_;
};
