#include "exchange/CnvAdPos.h"

#include "core/DBInfo.h"
#include "core/Globals.h"
#include "db/Sqlite.h"
#include "db/Table.h"
#include "db/TableSchemas.h"
#include "exchange/TableMaintenance.h"
#include "geo/PosSearch.h"
#include "platform/MessageBox.h"
#include "base/TextUtils.h"

#include <QFileInfo>
#include <QHash>

#include <optional>

namespace {

// What a postal code names today: one municipality and its towns.
struct TPlace {
    QByteArray Prefecture, City, JisCode;
    QByteArrayList Towns;
};

class TPlaceCache {
public:
    TPlaceCache(const QString &libraryFolder, const QString &dicFolder) : search_(libraryFolder, dicFolder) {}

    // The place of a seven-digit code naming a single municipality.
    const std::optional<TPlace> &Find(const QByteArray &code)
    {
        auto found = places_.find(code);
        if (found == places_.end())
            found = places_.insert(code, lookUp(code));
        return *found;
    }

private:
    std::optional<TPlace> lookUp(const QByteArray &code)
    {
        try {
            if (code.size() != 7 || search_.Search(code) != 0 || search_.GetCityCount() != 1
                || search_.SelectCity(0, placeTowns) != 0)
                return std::nullopt;
            const TPosAdrsResult &city = search_.GetResult(-1, false);
            TPlace place{FieldText(city.Prefecture), FieldText(city.City), FieldText(city.JisCode).trimmed(), {}};
            for (int i = 0; i < search_.GetTownCount(); ++i)
                place.Towns << FieldText(search_.GetTown(i).Name);
            return place;
        } catch (const EDicSearchError &) {
            return std::nullopt;
        }
    }

    TPosSearch search_;
    QHash<QByteArray, std::optional<TPlace>> places_;
};

// Rows: RecNo, name, Pos, Tdfkn, Adrs1, Adrs2[, JisCode].
// A person's name is kept in the "@" escape, a company's in plain Shift-JIS; the escape's reading takes both.
void scan(TSqliteDatabase &db, const QByteArray &select, bool sender, TPlaceCache &places,
          std::vector<TFieldChange> *changes)
{
    TSqliteStatement rows(db, select);
    while (rows.Step()) {
        const QByteArray code = rows.ColumnText(2).replace('-', QByteArray()).trimmed();
        const std::optional<TPlace> &place = places.Find(code);
        if (!place)
            continue;
        const QByteArray town = rows.ColumnText(5);
        // The address must go on with a town of the code: the same place, only named anew.
        const bool sameTown = std::any_of(place->Towns.begin(), place->Towns.end(),
                                          [&](const QByteArray &t) { return !t.isEmpty() && town.startsWith(t); });
        if (!sameTown)
            continue;
        const QString name = EscapedAnsiToWide(rows.ColumnText(1));
        auto propose = [&](int column, const char *field, const QByteArray &now) {
            const QByteArray old = rows.ColumnText(column);
            if (!now.isEmpty() && old != now)
                changes->push_back({sender, rows.ColumnInt(0), name, QLatin1String(field), old, now});
        };
        propose(3, "Tdfkn", place->Prefecture);
        propose(4, "Adrs1", place->City);
        if (!sender)
            propose(6, "JisCode", place->JisCode);
    }
}

}  // namespace

std::vector<TFieldChange> FindAdrsPosChanges(const QString &adrsFile, const QString &senderFile,
                                             const QString &libraryFolder, const QString &dicFolder)
{
    std::vector<TFieldChange> changes;
    TPlaceCache places(libraryFolder, dicFolder);
    TSqliteDatabase db;
    db.Open(adrsFile, TablePassword, false);
    scan(db, "SELECT RecNo, CASE WHEN NameKanji <> '' THEN NameKanji ELSE CorpKanji END, Pos, Tdfkn, Adrs1, Adrs2, "
             "JisCode FROM Adrs ORDER BY RecNo",
         false, places, &changes);
    if (QFileInfo::exists(senderFile)) {
        TSqliteDatabase senders;
        senders.Open(senderFile, TablePassword, false);
        scan(senders, "SELECT RecNo, Name, Pos, Tdfkn, Adrs1, Adrs2 FROM Sender ORDER BY RecNo", true, places, &changes);
    }
    return changes;
}

TConvertAdrsPos::TConvertAdrsPos(QWidget *owner)
    : TFieldConversion(owner, "ConvertAdrsPos", QStringLiteral("住所・郵便番号変換"), SafetyAdrsPos)
{
    setProperty("HelpContext", 41);
    if (!DMMirvale18 || !DMMirvale18->AdrsTable)
        return;
    try {
        ShowChanges(FindAdrsPosChanges(DMMirvale18->AdrsTable->FileName(), OtherFolder + SenderTableFiles.first(),
                                       AppFolder, AppFolder + QStringLiteral("Dic/")));
    } catch (const EDatabaseError &e) {
        ShowMessageBoxAt(this, e.Message, AppTitle, MB_ICONERROR);
    } catch (const EDicSearchError &e) {
        ShowMessageBoxAt(this, e.Message, AppTitle, MB_ICONERROR);
    }
}

QString TConvertAdrsPos::FieldCaption(const QString &field) const
{
    if (field == QLatin1String("Tdfkn"))
        return QStringLiteral("都道府県");
    if (field == QLatin1String("Adrs1"))
        return QStringLiteral("市区郡町村");
    return QStringLiteral("市町村コード");
}
