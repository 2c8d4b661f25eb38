#include "exchange/CnvKykbn.h"

#include "core/DBInfo.h"
#include "core/Globals.h"
#include "db/Sqlite.h"
#include "db/Table.h"
#include "db/TableSchemas.h"
#include "exchange/TableMaintenance.h"
#include "platform/MessageBox.h"
#include "base/TextUtils.h"

#include <QFile>
#include <QFileInfo>

namespace {

const char *const NumberFields[] = {"Tel", "Fax", "Portable1", "Portable2"};
const char *const SenderNumberFields[] = {"Tel", "Fax"};

// Rows: RecNo, name, then the numbers.
// A person's name is kept in the "@" escape, a company's in plain Shift-JIS; the escape's reading takes both.
void scan(TSqliteDatabase &db, const QByteArray &select, bool sender, const char *const *fields, int fieldCount,
          const std::vector<TKykbnRule> &rules, std::vector<TFieldChange> *changes)
{
    TSqliteStatement rows(db, select);
    while (rows.Step()) {
        for (int i = 0; i < fieldCount; ++i) {
            const QByteArray old = rows.ColumnText(2 + i);
            const QByteArray renewed = ConvertKykbn(rules, old);
            if (!renewed.isEmpty())
                changes->push_back({sender, rows.ColumnInt(0), EscapedAnsiToWide(rows.ColumnText(1)),
                                    QLatin1String(fields[i]), old, renewed});
        }
    }
}

}  // namespace

std::vector<TKykbnRule> LoadKykbnRules(const QString &file)
{
    std::vector<TKykbnRule> rules;
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return rules;
    for (const QByteArray &line : in.readAll().split('\n')) {
        if (line.trimmed().isEmpty() || line.startsWith('#'))
            continue;
        const QList<QByteArray> f = line.trimmed().split('\t');
        TKykbnRule r{QDate::fromString(QString::fromLatin1(f.value(0)), Qt::ISODate), f.value(1), f.value(2).toInt(),
                     f.value(3), QString::fromUtf8(f.value(4))};
        if (f.size() >= 4 && r.Date.isValid() && !r.OldPrefix.isEmpty() && r.OldLength > r.OldPrefix.size())
            rules.push_back(r);
    }
    return rules;
}

QByteArray ConvertKykbn(const std::vector<TKykbnRule> &rules, const QByteArray &number)
{
    QByteArray digits;
    for (char c : number)
        if (c >= '0' && c <= '9')
            digits += c;
        else if (c != '-' && c != ' ')
            return {};
    for (const TKykbnRule &r : rules)
        if (digits.size() == r.OldLength && digits.startsWith(r.OldPrefix))
            return r.NewPrefix + digits.mid(r.OldPrefix.size());
    return {};
}

std::vector<TFieldChange> FindKykbnChanges(const QString &adrsFile, const QString &senderFile,
                                            const std::vector<TKykbnRule> &rules)
{
    std::vector<TFieldChange> changes;
    TSqliteDatabase db;
    db.Open(adrsFile, TablePassword, false);
    scan(db, "SELECT RecNo, CASE WHEN NameKanji <> '' THEN NameKanji ELSE CorpKanji END, Tel, Fax, Portable1, "
             "Portable2 FROM Adrs ORDER BY RecNo",
         false, NumberFields, 4, rules, &changes);
    if (QFileInfo::exists(senderFile)) {
        TSqliteDatabase senders;
        senders.Open(senderFile, TablePassword, false);
        scan(senders, "SELECT RecNo, Name, Tel, Fax FROM Sender ORDER BY RecNo", true, SenderNumberFields, 2, rules,
             &changes);
    }
    return changes;
}

TConvertKykbn::TConvertKykbn(QWidget *owner)
    : TFieldConversion(owner, "ConvertKykbn", QStringLiteral("局番変換"), SafetyKykbn)
{
    setProperty("HelpContext", 40);
    if (!DMMirvale18 || !DMMirvale18->AdrsTable)
        return;
    try {
        ShowChanges(FindKykbnChanges(DMMirvale18->AdrsTable->FileName(), OtherFolder + SenderTableFiles.first(),
                                     LoadKykbnRules(AppFolder + QStringLiteral("Dic/Kykbn.tsv"))));
    } catch (const EDatabaseError &e) {
        ShowMessageBoxAt(this, e.Message, AppTitle, MB_ICONERROR);
    }
}

QString TConvertKykbn::FieldCaption(const QString &field) const
{
    if (field == QLatin1String("Tel"))
        return QStringLiteral("電話番号");
    if (field == QLatin1String("Fax"))
        return QStringLiteral("FAX番号");
    return QStringLiteral("携帯番号");
}
