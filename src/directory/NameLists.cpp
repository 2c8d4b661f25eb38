#include "directory/NameLists.h"

#include "db/Table.h"

std::vector<TNameRow> CategoryRows(TTable &table, const QByteArray &category, bool hasFlag)
{
    std::vector<TNameRow> rows;
    table.SetIndexName(QStringLiteral("Category"));
    table.FindNearest({category});
    for (; !table.Eof() && table.FieldByName(QStringLiteral("Category")).AsString() == category; table.Next()) {
        TNameRow row;
        row.RecNo = table.FieldByName(QStringLiteral("RecNo")).AsInteger();
        row.Name = table.FieldByName(QStringLiteral("Name")).AsString();
        row.Show = table.FieldByName(QStringLiteral("Show")).AsBoolean();
        if (hasFlag)
            row.Flag = table.FieldByName(QStringLiteral("Flag")).AsInteger();
        rows.push_back(row);
    }
    return rows;
}

bool LocateNameRow(TTable &table, const QByteArray &category, const QByteArray &name, int flag)
{
    for (const TNameRow &row : CategoryRows(table, category, flag >= 0)) {
        if (row.Name == name && (flag < 0 || (flag == 0) == (row.Flag == 0))) {
            table.SetIndexName({});
            return table.FindKey({row.RecNo});
        }
    }
    return false;
}

TChosenNames ChosenNames(TTable &targets, TTable &exclusions, TTable &own, const QByteArray &category)
{
    TChosenNames chosen;
    for (const TNameRow &row : CategoryRows(targets, category, false))
        if (row.Show)
            chosen.Targets.push_back(row.Name);
    for (const TNameRow &row : CategoryRows(exclusions, category, false))
        if (row.Show)
            chosen.Exclusions.push_back(row.Name);
    for (const TNameRow &row : CategoryRows(own, category, true))
        if (row.Show)
            (row.Flag != 0 ? chosen.Exclusions : chosen.Targets).push_back(row.Name);
    return chosen;
}

int32_t NextRecNo(TTable &table)
{
    table.SetIndexName({});
    if (table.IsEmpty())
        return 0;
    table.Last();
    return table.FieldByName(QStringLiteral("RecNo")).AsInteger() + 1;
}
