// The remembered conditions of the two directory searches: the current conditions and the recent searches,
// newest first, kept whole in "NmAd.shc" (name-and-address search) or "Ctgry.shc" (category search, which adds
// the indexes of its two category lists to every entry).
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <vector>

// Levels of the area codes: what kind of code an area list holds.
inline constexpr int areaLevelNone = 0;  // the whole country, or a region without a choice
inline constexpr int areaLevelPrefecture = 2;
inline constexpr int areaLevelCity = 5;
inline constexpr int areaLevelTown = 8;

struct TSearchHistoryEntry {
    QByteArray Name;         // Shift-JIS, at most NameBytes
    int32_t MatchMode = 0;   // 0 prefix, 1 fuzzy, 2 suffix, 3 exact; always 1 in the category search
    int32_t Kind = 1;
    int32_t TelKinds = 0;    // 1 normal, 2 fax, 4 telephone and fax, 8 main number; 0 all
    int32_t LegalForm = 0;
    QByteArray CategoryText1, CategoryText2;  // empty in both searches
    int32_t PageSize = 20;
    int32_t Region = 0;      // the region list's index, 0 the whole country
    int32_t Level = areaLevelNone;
    QList<QByteArray> Codes; // the area codes, all of Level
    int32_t MainIndex = -1, SubIndex = -1;  // the category search's lists

    static constexpr int NameBytes = 34;
    // The name as an entry keeps it: cut to NameBytes without splitting a double-byte character.
    void SetName(const QByteArray &name);
    // The same search: categoryFile compares names ignoring case and adds the two list indexes.
    bool SameSearch(const TSearchHistoryEntry &other, bool categoryFile) const;
};

class TSearchHistory {
public:
    // categoryFile: the entries carry the two category list indexes ("Ctgry.shc").
    explicit TSearchHistory(bool categoryFile) : categoryFile_(categoryFile) {}

    TSearchHistoryEntry Current;
    std::vector<TSearchHistoryEntry> Saved;  // newest first
    int Selected = -1;                       // the saved entry chosen in the name box

    // Reads the file: the first complete entry becomes Current, and with limit > 0 up to limit entries (the
    // first among them) become Saved. A missing, short or damaged file keeps what was read before the damage;
    // with nothing read, Current is empty with page size 20.
    void Load(const QString &fileName, int limit);
    // Writes the file whole: Current, then Saved from its second entry on. False when it cannot be written, with
    // errno saying why.
    bool Save(const QString &fileName) const;
    // Makes entry current and, with limit > 0, moves the same saved search to the front or puts a copy there,
    // dropping the oldest beyond limit.
    void Remember(const TSearchHistoryEntry &entry, int limit);
    // Drops the saved searches beyond limit.
    void ApplyLimit(int limit);
    void Delete(int index);

private:
    bool categoryFile_;
};
