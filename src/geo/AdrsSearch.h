// TAdrsSearch: an address text to municipalities, then their towns and large offices, from Kvaddr.so.
#pragma once

#include "geo/PlaceSearch.h"

class EAdrsSearchError : public EDicSearchError {
public:
    using EDicSearchError::EDicSearchError;
};
class EKVAddrError : public EAdrsSearchError {
public:
    using EAdrsSearchError::EAdrsSearchError;
};

class TAdrsSearch : public TPlaceSearch<TAddrCityEntry, TAddrTownEntry, EAdrsSearchError> {
public:
    // The longest address text the library is given, in bytes.
    static constexpr int maxAddressBytes = 254;

    // Loads libraryFolder + "Kvaddr.so"; raises EKVAddrError when it cannot.
    explicit TAdrsSearch(const QString &libraryFolder = {}, const QString &dataFolder = {});

    // The text the library is given for an address: trimmed, in full width, cut to maxAddressBytes without
    // splitting a character.
    static QByteArray SearchText(const QByteArray &address);

    // Looks up the municipalities the address names: 0 found (the city list is filled), 4 invalid, 8 none
    // (lists kept).
    int Search(const QByteArray &address);
    // Fetches the towns (kind placeTowns) or the large offices (placeLargeOffices) of a city of the list that
    // the address names: 0, 4 or 8. The current city and kind again ask nothing.
    int SelectCity(int index, int kind);

private:
    TKVAddrJisCount jisCount_ = nullptr;
    TKVAddrJisList jisList_ = nullptr;
    TKVAddrTownCount townCount_ = nullptr;
    TKVAddrTownList townList_ = nullptr;
    TKVAddrTownCount largeCount_ = nullptr;
    TKVAddrLargeList largeList_ = nullptr;
    QByteArray address_;
};
