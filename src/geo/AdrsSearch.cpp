#include "geo/AdrsSearch.h"

#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "base/Trim.h"

TAdrsSearch::TAdrsSearch(const QString &libraryFolder, const QString &dataFolder)
    : TPlaceSearch(libraryFolder, dataFolder)
{
    Load<EKVAddrError>(QStringLiteral("Kvaddr.dll"),
                       {{"KVAddrJisCount", jisCount_},
                        {"KVAddrJisList", jisList_},
                        {"KVAddrTownCount", townCount_},
                        {"KVAddrTownList", townList_},
                        {"KVAddrLargeCount", largeCount_},
                        {"KVAddrLargeList", largeList_}});
}

QByteArray TAdrsSearch::SearchText(const QByteArray &address)
{
    return Sjis::cutToBytes(ToFullWidth(TrimBlanks(address)), maxAddressBytes);
}

int TAdrsSearch::Search(const QByteArray &address)
{
    const QByteArray text = SearchText(address);
    if (text.isEmpty())
        throw EAdrsSearchError(NoAddressText);
    int32_t cityCount = 0;
    const int code = Accept<EKVAddrError>("KVAddrJisCount", jisCount_(text.constData(), &cityCount, Data()), {0, 4, 8});
    if (code != 0)
        return code;
    address_ = text;
    ResetCities(cityCount);
    Accept<EKVAddrError>("KVAddrJisList", jisList_(address_.constData(), cities_.data(), GetCityCount(), Data()), {0});
    return 0;
}

int TAdrsSearch::SelectCity(int index, int kind)
{
    if (IsSelected(index, kind))
        return 0;
    const TAddrCityEntry &city = GetCity(index);
    const bool large = kind == placeLargeOffices;
    int32_t count = 0;
    const int code = large ? Accept<EKVAddrError>("KVAddrLargeCount",
                                                  largeCount_(address_.constData(), &city, &count, Data()), {0, 4, 8})
                           : Accept<EKVAddrError>("KVAddrTownCount",
                                                  townCount_(address_.constData(), &city, &count, Data()), {0, 4, 8});
    TLists lists;
    if (code == 0) {
        lists = SizedLists(count, kind);
        const auto n = static_cast<int32_t>(lists.towns.size());
        if (large)
            Accept<EKVAddrError>("KVAddrLargeList",
                                 largeList_(address_.constData(), &city, lists.towns.data(), lists.larges.data(), n,
                                            Data()),
                                 {0});
        else
            Accept<EKVAddrError>("KVAddrTownList",
                                 townList_(address_.constData(), &city, lists.towns.data(), n, Data()), {0});
    }
    Select(index, kind, std::move(lists));
    return code;
}
