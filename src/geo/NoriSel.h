// TNorikaeSelectStation: chooses a station by the start of its name, for the second route program's window.
#pragma once

#include "geo/RailLibrary.h"

#include <QDialog>
#include <QStringList>

class QLineEdit;
class QPushButton;
class QTreeWidget;

// A station as the second route program's window keeps it: what was typed, the chosen row, the station.
struct TStationChoice {
    QString Name;
    int Index = 0;
    QString Station;
};

class TNorikaeSelectStation : public QDialog {
public:
    explicit TNorikaeSelectStation(QWidget *owner);

    QLineEdit *edName;
    QTreeWidget *lvStation;
    QPushButton *btnOK, *btnCancel;

    // Loads the station library from folder; false (after "乗換案内が起動できませんでした  ") when it cannot.
    bool Prepare(const QString &folder, const QString &dataFolder);
    TStationChoice Choice;
    void ListCandidates();
    void btnOKClick();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TRailLibrary rail_;
    QString dataFolder_;
    QStringList candidates_;
};
