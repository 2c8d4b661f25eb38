// TAddressRecord: one row of an address book ("Adrs.DB") in memory, as it travels between the main list,
// the record form, the batch edit and the text import.
#pragma once

#include <QByteArray>
#include <QByteArrayList>

#include <array>
#include <cstdint>
#include <optional>

// Texts are Shift-JIS bytes of at most the field's capacity; telephone numbers are held hyphenated.
struct TAddressRecord {
    static constexpr int TelCapacity = 13;  // eleven digits and two hyphens
    static constexpr int CorpKanjiCapacity = 120;
    static constexpr int32_t DefaultSymbolColor = 0x7FDF3F;

    int32_t RecNo = 0;
    int32_t Group = 0;
    QByteArray CustomCode;  // 20
    QByteArray Tel;         // 13
    int32_t TelDiv = 0;
    QByteArray Fax;        // 13
    QByteArray Portable1;  // 13
    QByteArray Portable2;  // 13
    QByteArray Pos;        // 7
    QByteArray Tdfkn;      // 8
    QByteArray Adrs1;      // 32
    QByteArray Adrs2;      // 100
    QByteArray Adrs3;      // 116
    QByteArray AdrsKana;   // 100
    QByteArray JisCode;    // 5
    QByteArray KajoCode;   // 6
    int32_t Latitude = 0;   // 1/1000 second of arc, 0 = none
    int32_t Longitude = 0;
    bool PrivCorp = false;  // true: an individual
    QByteArray CorpKanji;   // 120
    QByteArray CorpKana;    // 80
    QByteArray Dptmnt;      // 100
    QByteArray Post;        // 50
    QByteArray NameKanji;   // 75, may hold the "@" escape of UTF-16 text
    QByteArray NameKana;    // 25
    QByteArray Honor;       // 10
    bool IgnoreName = false;
    QByteArray URL;     // 128
    QByteArray EMail1;  // 64
    QByteArray EMail2;  // 64
    std::array<QByteArray, 5> Joint;       // 55 each, may hold the "@" escape
    std::array<QByteArray, 5> JointHonor;  // 10 each
    int32_t JointOwner = 0;                // 0 the person, 1-5 joint name n
    bool JointPrint = false;
    std::array<bool, 5> JointPrints{};  // the columns JointPrint1-JointPrint5
    int32_t PrintTarget = 0;
    int32_t Sender = 0;
    std::array<QByteArray, 8> Keyword;  // 100 each
    QByteArray SymbolMark;              // 10
    int32_t SymbolColor = 0;            // 0x00BBGGRR
    double AddDateTime = 0;             // days since 1899-12-30
    double UpdDateTime = 0;
    int32_t CodeMain = 0;
    int32_t CodeSub = 0;
    std::optional<QByteArrayList> Note;     // absent when the memo is empty
    std::optional<QByteArrayList> ExtFile;  // attached files, one per line

    bool operator==(const TAddressRecord &) const = default;
};

class TTable;

// Reads the table's current row, record number included: texts (the symbol mark aside, read as stored)
// without surrounding blanks and cut to their fields' capacities on a character boundary (a row written by
// another program may hold more), telephone numbers hyphenated, the note and the attached files split into
// lines, absent when empty. A number that is not one reads as 0.
TAddressRecord GetAddressRecordFields(TTable &table);

// Whether SetAddressRecordFields writes the time the record was added or leaves the row's own.
enum class TAddedTime { Write, Keep };

// Fills the fields of the table's row in insert or edit state from record, every field but the record number:
// texts as they are (already measured to their fields), the note and the attached files as lines ended by line
// breaks (the note's last line without one).
void SetAddressRecordFields(TTable &table, const TAddressRecord &record, TAddedTime added = TAddedTime::Write);

// Empties the record: every number 0, every text empty, no note or attached-file list.
void ClearAddressRecord(TAddressRecord *record);

// A record as the record form starts a new one: empty, the addressee himself printed, the symbol mark in its
// default colour. Whether it is a person or a company stays the caller's choice.
TAddressRecord NewAddressRecord();
