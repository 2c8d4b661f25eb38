// TExpertSearchCondition: the seven route-search conditions and the ride date, kept in "Mirvale18.ini"
// [EXPERT STATION SEARCH].
#pragma once

#include "geo/WebLinks.h"

#include <QColor>
#include <QDialog>

#include <array>

class QButtonGroup;
class QDateEdit;
class QPushButton;
class TMemIniFile;

struct TRouteConditions {
    std::array<int, 7> Values{};  // FirstTrainSt … Airway, each 0, 1 or 2
    QString RideDate;             // "yyyymmdd", empty when not set
};
TRouteConditions ReadRouteConditions(const TMemIniFile &ini);
// The conditions chosen away from their first option that the route template leaves out, by their captions.
QStringList ConditionsLeftOut(const QString &urlTemplate, const TRouteConditions &conditions);

class TExpertSearchCondition : public QDialog {
public:
    explicit TExpertSearchCondition(QWidget *owner);

    std::array<QButtonGroup *, 7> Groups{};
    QDateEdit *dtpRideDate;
    QPushButton *btnOK, *btnCancel;
    QColor HighlightColor, NormalColor;
    TRouteConditions Conditions;

    void btnOKClick();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void UpdateColours(int group);
};
