// TPosSearch: a postal code (or its first digits) to municipalities, towns and large offices from Kvpost.so.
#pragma once

#include "geo/PlaceSearch.h"

class EPosSearchError : public EDicSearchError {
public:
    using EDicSearchError::EDicSearchError;
};
class EKvpostError : public EPosSearchError {
public:
    using EPosSearchError::EPosSearchError;
};

class TPosSearch : public TPlaceSearch<TPostCityEntry, TPostTownEntry, EPosSearchError> {
public:
    // Loads libraryFolder + "Kvpost.so"; raises EKvpostError when it cannot.
    explicit TPosSearch(const QString &libraryFolder = {}, const QString &dataFolder = {});
    ~TPosSearch();

    // Looks up the digits of code: 0 found (the city list is filled), 4 invalid, 8 unknown (lists kept).
    // text, when given, receives the code in its postal-code form, cut to 8 bytes.
    int Search(const QByteArray &code, QByteArray *text = nullptr);
    // Fetches the towns (kind placeTowns) or the large offices (placeLargeOffices) of a city of the list: 0,
    // or 8 when it has none. The current city and kind again ask nothing.
    int SelectCity(int index, int kind);

private:
    void closeSearch();

    TKVPostFirst first_ = nullptr;
    TKVPostCityList cityList_ = nullptr;
    TKVPostTownList townList_ = nullptr;
    TKVPostLgTownList lgTownList_ = nullptr;
    TKVPostClose close_ = nullptr;
    // The search of the last Search, open until the next one.
    void *search_ = nullptr;
};
