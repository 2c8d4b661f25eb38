#include "geo/KanaAdrsSearch.h"

TKanaAdrsSearch::TKanaAdrsSearch(const QString &libraryFolder, const QString &dataFolder)
    : TDicLibrary(libraryFolder, dataFolder)
{
    Load<EKVKanaError>(QStringLiteral("Kvkana.dll"),
                       {{"KVKanaTdfkn", tdfkn_},
                        {"KVKanaTdfknPart", tdfknPart_},
                        {"KVKanaCityAll", cityAll_},
                        {"KVKanaOhazaAll", ohazaAll_},
                        {"KVKanaOhazaAll_Chome", ohazaAllChome_},
                        TDicEntry("KVKanaAzaAll")});
}

int TKanaAdrsSearch::SearchPrefectures(int region)
{
    if (region != allRegions && (region < 0 || region > lastRegion))
        throw EKanaAdrsSearchError(QStringLiteral("検索地域が範囲外です"));
    cities_.clear();
    oazas_.clear();
    if (region == allRegions) {
        prefectures_.assign(KVKANA_PREFECTURES, TKanaPrefEntry{});
        return Accept<EKVKanaError>("KVKanaTdfkn", tdfkn_(prefectures_.data(), Data()), {0, 8});
    }
    prefectures_.assign(KVKANA_REGION_SIZE, TKanaPrefEntry{});
    const int code =
        Accept<EKVKanaError>("KVKanaTdfknPart", tdfknPart_(region, prefectures_.data(), Data()), {0, 8});
    // A region has fewer prefectures than the buffer; the rest come back without a name.
    if (code == 0)
        while (!prefectures_.empty() && FieldText(prefectures_.back().Name).isEmpty())
            prefectures_.pop_back();
    return code;
}

int TKanaAdrsSearch::SearchCities(int prefecture, int count)
{
    if (prefecture < 1 || prefecture > KVKANA_PREFECTURES)
        throw EKanaAdrsSearchError(QStringLiteral("検索都道府県が範囲外です"));
    oazas_.clear();
    cities_.assign(static_cast<std::size_t>(std::max(count, 0)), TKanaCityEntry{});
    return Accept<EKVKanaError>(
        "KVKanaCityAll", cityAll_(prefecture, cities_.data(), GetCityCount(), Data()), {0, 8});
}

int TKanaAdrsSearch::SearchOazas(const QByteArray &code, int count, bool withChome)
{
    if (code.size() != 5)
        throw EKanaAdrsSearchError(QStringLiteral("検索住所コードの桁数が違います"));
    oazas_.assign(static_cast<std::size_t>(std::max(count, 0)), TKanaOazaEntry{});
    return Accept<EKVKanaError>(withChome ? "KVKanaOhazaAll_Chome" : "KVKanaOhazaAll",
                                (withChome ? ohazaAllChome_ : ohazaAll_)(code.constData(), oazas_.data(),
                                                                         GetOazaCount(), Data()),
                                {0, 8});
}

const TKanaPrefEntry &TKanaAdrsSearch::GetPrefecture(int index) const
{
    return EntryAt<EKanaAdrsSearchError>(prefectures_, index, QStringLiteral("都道府県検索の結果がありません"));
}

const TKanaCityEntry &TKanaAdrsSearch::GetCity(int index) const
{
    return EntryAt<EKanaAdrsSearchError>(cities_, index, NoCityResultText);
}

const TKanaOazaEntry &TKanaAdrsSearch::GetOaza(int index) const
{
    return EntryAt<EKanaAdrsSearchError>(oazas_, index, QStringLiteral("大字検索の結果がありません"));
}
