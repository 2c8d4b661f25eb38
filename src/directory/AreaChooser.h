// The area choice of the two directory search windows: the region box and the prefecture, city and town lists
// over the kana address dictionary, and the area codes (with their level) and caption they make.
#pragma once

#include "directory/SearchHistory.h"

#include <QByteArray>
#include <QObject>

#include <memory>
#include <vector>

class QComboBox;
class QListWidget;
class QWidget;
class TKanaAdrsSearch;

struct TAreaCode {
    QByteArray Code;  // "" the whole country, 2 digits a prefecture, 5 a city, 8 a town
    int Level = areaLevelNone;
};

class TAreaChooser : public QObject {
    Q_OBJECT
public:
    // The regions of the region box, index 0 the whole country.
    static const QStringList &RegionNames();
    // The prefectures (1 to 47) of a region of the box, from the dictionary's own regions.
    static std::vector<int> RegionPrefectures(TKanaAdrsSearch &dictionary, int region);

    // Fills nothing yet; the lists are filled when a region is applied.
    TAreaChooser(QComboBox *cbxArea, QListWidget *lbxTdfkn, QListWidget *lbxCity, QListWidget *lbxOhaza,
                 QWidget *owner);
    ~TAreaChooser() override;

    std::vector<TAreaCode> AreaList;  // one entry per area searched; never empty once a region was applied

    // The region box's choice as the user makes it: the lists are refilled, the first prefecture chosen.
    void RegionChanged();
    // Restores a remembered choice: region and area codes, the lists filled and their rows selected again.
    void Restore(int region, const std::vector<TAreaCode> &areas);
    // While disabled (a job runs) the lists and the box take no input.
    void SetEnabled(bool enabled);

    int Region() const { return region_; }
    // A city (not "指定しない") or a town is chosen: the area is narrow enough to search without a name.
    bool CityChosen() const;
    bool TownChosen() const;
    int ChosenPrefectureCount() const;
    // The prefecture, city and town names the choice narrows to, joined; empty for the whole country.
    QByteArray AreaCaption() const;

signals:
    void AreaChanged();

private:
    void fillPrefectures();
    void fillCities();
    void fillTowns();
    void prefecturesClicked();
    void lowerListClicked(QListWidget *list, std::pair<int, int> &shownRows);
    void takeCodes(QListWidget *list);
    void showListsEnabled(bool enabled);
    static std::vector<int> selectedRows(const QListWidget *list);

    QComboBox *cbxArea_;
    QListWidget *lbxTdfkn_, *lbxCity_, *lbxOhaza_;
    QWidget *owner_;
    std::unique_ptr<TKanaAdrsSearch> dictionary_;
    int region_ = 0;
    // The first selected row and the number of selected rows of each list, to see a real change.
    std::pair<int, int> shownPrefectures_{-1, 0}, shownCities_{-1, 0}, shownTowns_{-1, 0};
    bool filling_ = false;
};
