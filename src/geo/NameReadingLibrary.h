// The name-reading library Kvreading99a.so as the name-reading pop-up uses it: family and given names with
// their written forms for a reading typed in kana.
#pragma once

#include "base/RuntimeLibrary.h"
#include "Kvreading99a/Kvreading99a.h"

#include <QByteArray>
#include <QList>
#include <QString>

class TNameReadingLibrary {
public:
    struct TCandidates {
        qint32 Code = KVREADING_NOT_FOUND;
        QList<TReadingEntry> Entries;
    };

    // Loads libraryFolder + "Kvreading99a.dll" and resolves KVReadingSeiCount, KVReadingMeiCount,
    // KVReadingSeiList and KVReadingMeiList in this order. When the library or an entry is missing it is freed
    // again without a message, and the look-ups find nothing. dataFolder is the dictionary folder, with "/".
    bool Load(const QString &libraryFolder, const QString &dataFolder);
    bool IsLoaded() const { return library_.IsLoaded(); }

    // The number of candidates for reading (Shift-JIS, half-width kana as the name edits send it) among the
    // given names or the family names, as the library counted them whatever its result (0 when it counted
    // nothing), and 0 without a call when it is not loaded. code, when given, receives the library's result
    // (KVREADING_NOT_FOUND when it is not loaded).
    quint32 CountCandidates(const QByteArray &reading, bool givenName, qint32 *code = nullptr) const;
    // The first count candidates, in the library's order; entries it does not fill stay zero. Without the
    // library: KVREADING_NOT_FOUND and no entries.
    TCandidates FetchCandidates(const QByteArray &reading, bool givenName, qint32 count) const;

private:
    TRuntimeLibrary library_;
    QByteArray dataFolder_;
    TKVReadingCountFunc seiCount_ = nullptr;
    TKVReadingCountFunc meiCount_ = nullptr;
    TKVReadingListFunc seiList_ = nullptr;
    TKVReadingListFunc meiList_ = nullptr;
};
