#include "geo/PlaceSearch.h"

#include "base/TextUtils.h"

void FillCityFields(TPosAdrsResult &result, const TPostCityEntry &city)
{
    QByteArray prefecture, rest;
    SplitPrefectureKana(FieldText(city.Reading), prefecture, rest);
    PutText(result.PrefectureReading, prefecture);
    PutText(result.CityReading, rest);
    SplitPrefecture(FieldText(city.Name), prefecture, rest);
    PutText(result.Prefecture, prefecture);
    PutText(result.City, rest);
    PutText(result.JisCode, FieldText(city.JisCode));
}

void FillCityFields(TPosAdrsResult &result, const TAddrCityEntry &city)
{
    PutText(result.PrefectureReading, FieldText(city.PrefectureReading));
    PutText(result.Prefecture, FieldText(city.Prefecture));
    PutText(result.CityReading, FieldText(city.CityReading));
    PutText(result.City, FieldText(city.City));
    PutText(result.JisCode, FieldText(city.JisCode));
}
