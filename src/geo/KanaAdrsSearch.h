// TKanaAdrsSearch: prefectures, municipalities and districts with their reading initials from Kvkana.so, for
// the area choosers of the directory searches.
#pragma once

#include "Kvkana/Kvkana.h"
#include "geo/DicLibraries.h"

#include <QByteArray>

#include <vector>

class EKanaAdrsSearchError : public EDicSearchError {
public:
    using EDicSearchError::EDicSearchError;
};
class EKVKanaError : public EKanaAdrsSearchError {
public:
    using EKanaAdrsSearchError::EKanaAdrsSearchError;
};

class TKanaAdrsSearch : public TDicLibrary {
public:
    // The region of SearchPrefectures that asks for every prefecture; 0 to lastRegion ask for one region.
    static constexpr int allRegions = 99;
    static constexpr int lastRegion = 5;

    // Loads libraryFolder + "Kvkana.so"; raises EKVKanaError when it cannot.
    explicit TKanaAdrsSearch(const QString &libraryFolder = {}, const QString &dataFolder = {});

    // The prefectures of a region, or all of them; a region's list keeps only its named prefectures. 0 or 8.
    int SearchPrefectures(int region);
    // The municipalities of prefecture 1 to 47; count is the prefecture's city count. 0 or 8.
    int SearchCities(int prefecture, int count);
    // The districts of a municipality (its five-character address code); count is the city's district count.
    // withChome marks a district that has blocks with "（丁目）" behind its name, the list as long. 0 or 8.
    int SearchOazas(const QByteArray &code, int count, bool withChome);

    int GetPrefectureCount() const { return static_cast<int>(prefectures_.size()); }
    int GetCityCount() const { return static_cast<int>(cities_.size()); }
    int GetOazaCount() const { return static_cast<int>(oazas_.size()); }
    // An index outside the list raises EKanaAdrsSearchError.
    const TKanaPrefEntry &GetPrefecture(int index) const;
    const TKanaCityEntry &GetCity(int index) const;
    const TKanaOazaEntry &GetOaza(int index) const;

private:
    TKVKanaTdfkn tdfkn_ = nullptr;
    TKVKanaTdfknPart tdfknPart_ = nullptr;
    TKVKanaCityAll cityAll_ = nullptr;
    TKVKanaOhazaAll ohazaAll_ = nullptr;
    TKVKanaOhazaAll ohazaAllChome_ = nullptr;
    std::vector<TKanaPrefEntry> prefectures_;
    std::vector<TKanaCityEntry> cities_;
    std::vector<TKanaOazaEntry> oazas_;
};
