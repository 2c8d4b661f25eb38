#include "geo/KykbnSearch.h"

#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "core/Hyphen.h"
#include "geo/MatchDll.h"

#include <algorithm>

namespace {

// A town list of the library, open for one SelectCity.
class TTownList {
public:
    TTownList(TKVPhoneTown2Close close, void *handle) : close_(close), handle_(handle) {}
    ~TTownList()
    {
        if (handle_)
            close_(handle_);
    }
    TTownList(const TTownList &) = delete;
    TTownList &operator=(const TTownList &) = delete;
    void *handle() const { return handle_; }

private:
    TKVPhoneTown2Close close_;
    void *handle_;
};

}  // namespace

TKykbnSearch::TKykbnSearch(const QString &libraryFolder, const QString &dataFolder)
    : TDicLibrary(libraryFolder, dataFolder)
{
    Load<EKvphoneError>(QStringLiteral("Kvphone.dll"),
                        {{"KVPhonePrefix", prefix_},
                         {"KVPhoneCity2", city2_},
                         {"KVPhoneTown2First", townFirst_},
                         {"KVPhoneTown2Close", townClose_},
                         {"KVPhoneTown2Next", townNext_},
                         TDicEntry("KVPhoneTown2Prev")});
}

int TKykbnSearch::Search(const QByteArray &number, QByteArray *hyphenated)
{
    const QByteArray digits = KeepNumberChars(number, NumberChars::Digits);
    if (digits.isEmpty())
        throw EKykbnSearchError(QStringLiteral("検索電話番号が未入力です"));
    char prefix[KVPHONE_PREFIX_SIZE] = {};
    int16_t cityCount = 0;
    const int code = Accept<EKvphoneError>(
        "KVPhonePrefix", prefix_(digits.constData(), prefix, &cityCount, Data()), {0, 4, 8});
    if (code != 0)
        return code;
    digits_ = digits;
    if (hyphenated)
        *hyphenated = Sjis::cutToBytes(hyphenatedNumber(), sizeof(TKykbnResult::Phone) - 1);
    city_ = -1;
    towns_.clear();
    cities_.assign(KVPHONE_MAX_CITIES, TPhoneCityEntry{});
    Accept<EKvphoneError>("KVPhoneCity2", city2_(digits_.constData(), cities_.data(), Data()), {0});
    cities_.resize(static_cast<std::size_t>(std::clamp<int>(cityCount, 0, KVPHONE_MAX_CITIES)));
    return 0;
}

int TKykbnSearch::SelectCity(int index)
{
    if (index == city_)
        return 0;
    const TPhoneCityEntry &city = GetCity(index);
    // The towns are fetched before the city becomes current: a fetch that fails leaves the previous city
    // current with its towns, and the failed city is not taken for selected when asked again.
    const std::size_t count = city.TownCount;
    int32_t code = 8;
    std::vector<TPhoneTownEntry> towns;
    if (count > 0) {
        TPhoneTownEntry page[KVPHONE_PAGE] = {};
        const TTownList list(townClose_, townFirst_(digits_.constData(), &city, page, &code, Data()));
        if (code != 8) {
            Accept<EKvphoneError>("KVPhoneTown2First", code, {0, 1});
            towns.assign(count, TPhoneTownEntry{});
            // Neither a page nor the list is overrun, whatever the library claims about the pages to come.
            for (std::size_t position = 0;;) {
                const std::size_t n = std::min<std::size_t>(KVPHONE_PAGE, count - position);
                std::copy_n(page, n, towns.begin() + static_cast<std::ptrdiff_t>(position));
                position += n;
                if (code == 0 || position == count)
                    break;
                code = Accept<EKvphoneError>("KVPhoneTown2Next", townNext_(list.handle(), page), {0, 1});
            }
        }
    }
    towns_ = std::move(towns);
    city_ = index;
    return code;
}

const TPhoneCityEntry &TKykbnSearch::GetCity(int index) const
{
    return EntryAt<EKykbnSearchError>(cities_, index, NoCityResultText);
}

const TPhoneTownEntry &TKykbnSearch::GetTown(int index) const
{
    return EntryAt<EKykbnSearchError>(towns_, index, NoTownResultText);
}

const TKykbnResult &TKykbnSearch::GetResult(int town, bool withCoordinates)
{
    const TPhoneCityEntry &city = GetCity(city_);
    const TPhoneTownEntry *chosen = town >= 0 ? &GetTown(town) : nullptr;
    result_ = {};
    PutText(result_.Phone, hyphenatedNumber());
    if (chosen) {
        PutText(result_.PostalCode, PostalCodeForm(FieldText(chosen->PostalCode)));
        PutText(result_.Town, FieldText(chosen->Name));
        PutText(result_.TownCode, FieldText(chosen->Code + 5, 6));
    }
    QByteArray prefecture, rest;
    SplitPrefecture(FieldText(city.Name), prefecture, rest);
    PutText(result_.Prefecture, prefecture);
    PutText(result_.City, rest);
    PutText(result_.JisCode, FieldText(city.JisCode));
    if (chosen && withCoordinates) {
        const TMatchDllUse match(LibraryFolder());
        MatchResult(result_, DataFolder(), true);
    }
    return result_;
}

QByteArray TKykbnSearch::hyphenatedNumber() const
{
    LoadHyphenDll(LibraryFolder(), DataFolder());
    const QByteArray hyphenated = HyphenatePhone(digits_, DataFolder());
    FreeHyphenDll();
    return hyphenated;
}
