// TExpertSelectStation: finds a station by the start of its name or by the kana row of its reading.
#pragma once

#include "geo/RailLibrary.h"

#include <QColor>
#include <QDialog>

#include <vector>

class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;

class TExpertSelectStation : public QDialog {
public:
    explicit TExpertSelectStation(QWidget *owner);

    QRadioButton *rbName, *rbKana;
    QLineEdit *edName;
    QComboBox *cbxKana;
    QTreeWidget *lvStation;
    QPushButton *btnOK, *btnCancel;

    void SetFolders(const QString &programFolder, const QString &dataFolder);
    QColor HighlightColor, NormalColor;
    // Copied in before showing and read back after OK.
    TSelectStInfo StationInfo;

    const std::vector<TRailStation> &Results() const { return results_; }
    void SearchByName();
    void SearchByKana();
    void btnOKClick();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void ShowResults(bool focus);
    void UpdateOptionColours();
    void cbxKanaChange();

    QString programFolder_, dataFolder_;
    TRailLibrary rail_;
    bool loaded_ = false, settingUp_ = false;
    int kanaRow_ = 0;
    std::vector<TRailStation> results_;
};
