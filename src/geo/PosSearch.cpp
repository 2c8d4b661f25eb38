#include "geo/PosSearch.h"

#include "base/SjisCodec.h"
#include "base/TextUtils.h"

TPosSearch::TPosSearch(const QString &libraryFolder, const QString &dataFolder)
    : TPlaceSearch(libraryFolder, dataFolder)
{
    Load<EKvpostError>(QStringLiteral("Kvpost.dll"),
                       {{"KVPostFirst", first_},
                        {"KVPostCityList", cityList_},
                        {"KVPostTownList", townList_},
                        {"KVPostLgTownList", lgTownList_},
                        {"KVPostClose", close_},
                        TDicEntry("KVPostPost")});
}

TPosSearch::~TPosSearch() { closeSearch(); }

void TPosSearch::closeSearch()
{
    if (search_)
        close_(search_);
    search_ = nullptr;
}

int TPosSearch::Search(const QByteArray &code, QByteArray *text)
{
    const QByteArray digits = KeepNumberChars(code, NumberChars::Digits);
    if (digits.isEmpty())
        throw EPosSearchError(QStringLiteral("検索郵便番号が未入力です"));
    closeSearch();
    int32_t cityCount = 0;
    int16_t result = 8;
    search_ = first_(digits.constData(), &cityCount, &result, Data());
    if (Accept<EKvpostError>("KVPostFirst", result, {0, 4, 8}) != 0)
        return result;
    if (text)
        *text = Sjis::cutToBytes(PostalCodeForm(digits), sizeof(TPosAdrsResult::PostalCode) - 1);
    ResetCities(cityCount);
    Accept<EKvpostError>("KVPostCityList", cityList_(search_, cities_.data(), 0, GetCityCount()), {0});
    return 0;
}

int TPosSearch::SelectCity(int index, int kind)
{
    if (IsSelected(index, kind))
        return 0;
    const TPostCityEntry &city = GetCity(index);
    int code = 8;
    TLists lists;
    if (const int count = kind == placeLargeOffices ? city.LargeCount : city.TownCount; count > 0) {
        lists = SizedLists(count, kind);
        code = kind == placeLargeOffices
                   ? Accept<EKvpostError>(
                         "KVPostLgTownList",
                         lgTownList_(search_, &city, lists.towns.data(), lists.larges.data(), 0, count), {0, 8})
                   : Accept<EKvpostError>("KVPostTownList", townList_(search_, &city, lists.towns.data(), 0, count),
                                          {0, 8});
    }
    Select(index, kind, std::move(lists));
    return code;
}
