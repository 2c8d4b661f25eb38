// The main list's filter: its conditions, the items they test, their binary coding (shared by the current
// filter in "Search.lst" and the saved patterns of "Search.ptn") and the test of one "Adrs.DB" row.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <array>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <vector>

class TTable;

class ENarrowDownError : public std::runtime_error {
public:
    explicit ENarrowDownError(const QString &message)
        : std::runtime_error(message.toStdString()), Message(message)
    {
    }
    const QString Message;
};

// How a filter item's value is entered.
inline constexpr int ikEdit = 0;      // text typed in an edit
inline constexpr int ikHistory = 1;   // text typed in a combo box offering an input-history list
inline constexpr int ikChoice = 2;    // fixed choice
inline constexpr int ikCategory = 3;  // category

// One item a condition can test.
struct TFilterItem {
    QString Title;
    int Kind;
    int MaxLength;  // 0: no limit
    QStringList Fields;  // the "Adrs.DB" fields it compares with; texts are joined in this order
};

inline constexpr int FilterItemCount = 31;
// Items with a meaning of their own in code.
inline constexpr int fiTelDiv = 2;
inline constexpr int fiAddress = 7;
inline constexpr int fiPrivCorp = 8;
inline constexpr int fiCategory = 30;

const std::array<TFilterItem, FilterItemCount> &FilterItemTable();

inline constexpr int vkText = 0;    // items of kind ikEdit and ikHistory
inline constexpr int vkChoice = 1;  // items of kind ikChoice and ikCategory

inline constexpr int mmNone = -1;
inline constexpr int mmPrefix = 0;    // "前方一致"
inline constexpr int mmContains = 1;  // "あいまい"
inline constexpr int mmSuffix = 2;    // "後方一致"

// One condition.
struct TNarrowDownItem {
    int32_t Item = 0;  // row of FilterItemTable
    int32_t ValueKind = vkText;
    QByteArray Text;    // Shift-JIS; empty tests for an empty field. Names and joint names in the "@" escape form.
    int32_t Choice = 0;  // choice index, or category main number * 100 + sub number (0: any sub-category)
    int32_t MatchMode = mmNone;
    bool Negate = false;  // inverts a choice condition; text conditions ignore it
    bool operator==(const TNarrowDownItem &) const = default;
};

inline constexpr int MaxNarrowDownConditions = 10;

// The filter: up to MaxNarrowDownConditions conditions in the order they were made.
struct TNarrowDownCondition {
    std::vector<TNarrowDownItem> Conditions;
    bool MatchAll = true;  // every condition must hold; otherwise one suffices
    bool operator==(const TNarrowDownCondition &) const = default;
};

// The coding of one filter, little-endian: condition count (u8); per condition item (u8), value kind (u8),
// payload length (u32), payload (the 4-byte Choice, or the bytes of Text), match mode (signed byte), negate
// (u8); then MatchAll (u8). "Search.lst" holds one; each pattern of "Search.ptn" holds one after its name.
// Appends it to out; false, with out unchanged, when the filter could not be read back (too many
// conditions, or a condition no dialog makes).
bool AppendConditions(QByteArray &out, const TNarrowDownCondition &filter);
// Reads one filter's coding at pos and moves pos past it. False when the data end early or hold more than
// MaxNarrowDownConditions conditions or a condition no dialog makes (unknown item or mode, a value kind that
// does not fit the item, a choice payload that is not 4 bytes); filter and pos are then left as they were.
bool ReadConditions(QByteArrayView data, qsizetype &pos, TNarrowDownCondition &filter);

// The filter kept from one run to the next, "Search.lst" in DataRootFolder. Empties filter (MatchAll set),
// then reads the file; true only when the file was read whole. A missing, short or damaged file leaves the
// filter empty.
bool LoadSearchList(TNarrowDownCondition &filter);
// Writes the file anew when the filter has conditions, else deletes it, unless it is damaged (LoadSearchList
// would refuse it): that one is left and reported. Throws ENarrowDownError (with the message for the user)
// when the file is left or the write fails; the file on disk is then never half-written.
void SaveSearchList(const TNarrowDownCondition &filter);

// A filter saved under a name of the user's.
struct TNarrowDownPattern {
    QByteArray Name;  // Shift-JIS
    TNarrowDownCondition Condition;
    bool operator==(const TNarrowDownPattern &) const = default;
};

// The pattern count and each name's length are stored in one byte.
inline constexpr int MaxNarrowDownPatterns = 255;
inline constexpr int MaxPatternNameBytes = 255;

// The saved patterns, "Search.ptn" in DataRootFolder: pattern count (u8), then per pattern its name's length
// (u8), the name and its filter's coding as above. A missing file gives none. A damaged one is read as far as
// it is whole: reading stops, keeping the patterns before it, at the first pattern whose name or filter
// cannot be read in full or whose filter AppendConditions could not have written.
std::vector<TNarrowDownPattern> LoadSearchPatterns();
// Writes the file anew when there are patterns, else deletes it. Throws ENarrowDownError (with the message for
// the user) when that fails or the list does not fit the coding; the file on disk is then never half-written.
void SaveSearchPatterns(const std::vector<TNarrowDownPattern> &patterns);

// The fields of "Adrs.DB" the filter's conditions read.
QStringList FilterFields(const TNarrowDownCondition &filter);
// A field's value in a row: Shift-JIS bytes for text, a number otherwise.
using TFieldValue = std::function<QVariant(const QString &field)>;
// True when the row whose fields value gives meets the filter; every row meets a filter without conditions.
bool RowPassesFilter(const TNarrowDownCondition &filter, const TFieldValue &value);
