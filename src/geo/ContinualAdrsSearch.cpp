#include "geo/ContinualAdrsSearch.h"

#include "base/Trim.h"

TContinualAdrsSearch::TContinualAdrsSearch(const QString &libraryFolder, const QString &dataFolder)
    : TDicLibrary(libraryFolder, dataFolder)
{
    Load<EKvjisErro>(QStringLiteral("Kvjis.dll"), {{"KVJisAdrs", jisAdrs_}});
}

int TContinualAdrsSearch::Search(const QByteArray &address)
{
    const QByteArray trimmed = TrimBlanks(address);
    if (trimmed.isEmpty())
        throw EContinualAdrsSearchError(NoAddressText);
    address_ = trimmed;
    resultValid_ = resultHasCoordinates_ = false;
    record_ = {};
    return Accept<EKvjisErro>("KVJisAdrs", jisAdrs_(address_.constData(), &record_, Data()), {0, 1, 4, 8});
}

const TContinualAdrsResult &TContinualAdrsSearch::GetResult(bool withCoordinates)
{
    if (resultValid_ && (!withCoordinates || resultHasCoordinates_))
        return result_;
    result_ = {};
    PutText(result_.PostalCode, PostalCodeForm(FieldText(record_.PostalCode)));
    PutText(result_.PrefectureReading, FieldText(record_.PrefectureReading));
    PutText(result_.Prefecture, FieldText(record_.Prefecture));
    PutText(result_.CityReading, FieldText(record_.CityReading));
    PutText(result_.City, FieldText(record_.City));
    PutText(result_.TownReading, FieldText(record_.TownReading));
    PutText(result_.Town, FieldText(record_.Town));
    PutText(result_.JisCode, FieldText(record_.JisCode));
    PutText(result_.TownCode, FieldText(record_.TownCode));
    if (withCoordinates) {
        resultHasCoordinates_ = true;
        if (!match_)
            match_.emplace(LibraryFolder());
        MatchResult(result_, DataFolder(), true);
    }
    resultValid_ = true;
    return result_;
}
