// What both route windows share: the station record TSelectStInfo, Kvrail.so loaded with its messages, the
// kana rows of the station picker and their search, and the route planner the search is handed to.
#pragma once

#include "base/RuntimeLibrary.h"
#include "Kvrail/Kvrail.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

class QTreeWidget;
class QWidget;

// A fixed Shift-JIS field of the library's records, trimmed.
QString StationText(const char *field, int width);

// One station: the library's entry and what the picker remembers of how it was found.
struct TSelectStInfo {
    TRailStation Station{};
    int32_t KanaIndex = -1;
    int32_t ListIndex = 0;
    QString NameText;

    QString Name() const;
    QString Reading() const;
    QString KickCode() const;
    bool HasName() const { return !Name().isEmpty(); }
};
// Direction 99 marks a station the user chose by hand.
inline constexpr int32_t handChosenDirection = 99;

// Kvrail.so with the functions a window needs; a failure is shown (caption "Kvrail.so LoadLibrary Error" or
// "Kvrail.so GetProcAddress Error") and leaves the functions null.
class TRailLibrary {
public:
    bool Load(QWidget *owner, const QString &folder, bool nearest, bool lines, bool list);
    TStationSearchFromPoint StationSearchFromPoint = nullptr;
    TLineList LineList = nullptr;
    TStationListEx StationListEx = nullptr;

private:
    TRuntimeLibrary library_;
};

// The kana rows of the picker: caption and the single-byte katakana codes searched.
struct TKanaRow {
    QString Caption;
    unsigned char First, Last;
};
extern const std::array<TKanaRow, 10> KanaRows;
// Stations whose reading starts with a letter of the row, letter by letter: a letter with no station goes on
// to the next; an answer other than 0 and 8 ends the row and is returned (0 otherwise).
using TStationLister = std::function<int(const QByteArray &key, int32_t &count, TRailStation *result)>;
int ListKanaRow(const TKanaRow &row, const TStationLister &list, std::vector<TRailStation> &stations);

// A stored ride date "yyyymmdd" that is still to come (today included), else empty.
QString KeptRideDate(const QString &stored, const QDate &today);

// A list of the route windows: columns of fixed design widths (96 dpi), the list wide enough for all of them.
QTreeWidget *StationList(const char *name, const QStringList &columns, const QList<int> &widths, QWidget *parent);

// Hands the route search to the route planner of [ROUTE] Url (conditions: the seven values as digits, or
// empty); false when there is none or it was refused.
bool StartRoutePlanner(const QString &from, const QString &to, const QString &date, const QString &conditions = {});
