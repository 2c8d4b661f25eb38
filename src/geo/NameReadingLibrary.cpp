#include "geo/NameReadingLibrary.h"

#include <QFile>

#include <type_traits>

bool TNameReadingLibrary::Load(const QString &libraryFolder, const QString &dataFolder)
{
    dataFolder_ = QFile::encodeName(dataFolder);
    if (!library_.Load(libraryFolder, QStringLiteral("Kvreading99a.dll")))
        return false;
    const auto resolve = [this](auto &entry, const char *name) {
        entry = reinterpret_cast<std::remove_reference_t<decltype(entry)>>(library_.GetProcAddress(name));
        return entry != nullptr;
    };
    if (resolve(seiCount_, "KVReadingSeiCount") && resolve(meiCount_, "KVReadingMeiCount")
        && resolve(seiList_, "KVReadingSeiList") && resolve(meiList_, "KVReadingMeiList"))
        return true;
    // Without all four entries the pop-up offers nothing, so the library is not kept; the entries are only
    // called while it is loaded.
    library_.Free();
    return false;
}

quint32 TNameReadingLibrary::CountCandidates(const QByteArray &reading, bool givenName, qint32 *code) const
{
    uint32_t count = 0;
    qint32 result = KVREADING_NOT_FOUND;
    if (library_.IsLoaded())
        result = (givenName ? meiCount_ : seiCount_)(reading.constData(), 0, &count, dataFolder_.constData());
    if (code)
        *code = result;
    return count;
}

TNameReadingLibrary::TCandidates TNameReadingLibrary::FetchCandidates(const QByteArray &reading, bool givenName,
                                                                      qint32 count) const
{
    TCandidates candidates;
    if (!library_.IsLoaded())
        return candidates;
    candidates.Entries.resize(qMax(count, 0));  // value-initialised: zero
    candidates.Code = (givenName ? meiList_ : seiList_)(reading.constData(), 0, candidates.Entries.data(), count,
                                                         dataFolder_.constData());
    return candidates;
}
