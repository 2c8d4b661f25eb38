#include "directory/ItemChoiceSettings.h"

#include "platform/MemIniFile.h"

#include <QStringList>

#include <optional>

namespace {

// The table row of each listed number, in list order; nothing when the list is not an order of the table.
std::optional<std::vector<uint32_t>> rowsOfOrder(std::span<const TItemDef> table, const QString &indexText)
{
    const QStringList parts = indexText.split(QLatin1Char(','));
    if (parts.size() != static_cast<qsizetype>(table.size()))
        return std::nullopt;
    std::vector<uint32_t> rows;
    std::vector<bool> seen(table.size());
    for (const QString &part : parts) {
        int itemNo = 0;
        if (!TryStrToInt(part, itemNo))
            return std::nullopt;
        size_t row = 0;
        while (row < table.size() && table[row].No != itemNo)
            ++row;
        if (row == table.size() || seen[row])
            return std::nullopt;
        seen[row] = true;
        rows.push_back(static_cast<uint32_t>(row));
    }
    return rows;
}

}  // namespace

std::vector<TItemChoice> ItemChoiceFromTexts(std::span<const TItemDef> table, const QString &indexText,
                                             const QString &chosenText)
{
    const std::optional<std::vector<uint32_t>> rows = rowsOfOrder(table, indexText);
    if (!rows)
        return DefaultItemChoice(static_cast<int>(table.size()));
    const QStringList flags = chosenText.split(QLatin1Char(','));
    const bool flagsRead = flags.size() == static_cast<qsizetype>(table.size());
    std::vector<TItemChoice> choice;
    for (size_t i = 0; i < rows->size(); ++i) {
        const uint32_t row = (*rows)[i];
        choice.push_back({static_cast<uint32_t>(table[row].No), row, !flagsRead || flags[i] == QLatin1String("1")});
    }
    return choice;
}

QString ItemChoiceIndexText(const std::vector<TItemChoice> &choice)
{
    QStringList numbers;
    for (const TItemChoice &entry : choice)
        numbers << QString::number(entry.ItemNo);
    return numbers.join(QLatin1Char(','));
}

QString ItemChoiceChosenText(const std::vector<TItemChoice> &choice)
{
    QStringList flags;
    for (const TItemChoice &entry : choice)
        flags << QLatin1String(entry.Chosen ? "1" : "0");
    return flags.join(QLatin1Char(','));
}
