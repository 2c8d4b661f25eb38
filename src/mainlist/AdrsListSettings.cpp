#include "mainlist/AdrsListSettings.h"

#include "core/Globals.h"
#include "core/SharedHelpers.h"
#include "mainlist/RecordListing.h"
#include "platform/MemIniFile.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace {

const QString ListSettingsFileName = QStringLiteral("AdrsList.ini");
constexpr int KeywordCount = 8;
constexpr int ViewGroupCount = 12;

QString settingsFile() { return DataFolder + SettingsFileName; }
QString listSettingsFile() { return DataRootFolder + ListSettingsFileName; }

// The comma list's integers; nothing when it does not hold exactly ListItemCount of them.
std::optional<std::vector<int>> readIntegerList(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != ListItemCount)
        return std::nullopt;
    std::vector<int> values(ListItemCount);
    for (int i = 0; i < ListItemCount; ++i) {
        if (!TryStrToInt(parts[i], values[i]))
            return std::nullopt;
    }
    return values;
}

// Each item exactly once: anything else would show one item twice and lose another for good.
bool isItemOrder(const std::vector<int> &itemNos)
{
    std::array<bool, ListItemCount> seen{};
    for (const int itemNo : itemNos) {
        if (itemNo < 0 || itemNo >= ListItemCount || seen[itemNo])
            return false;
        seen[itemNo] = true;
    }
    return true;
}

int rowOfItem(int itemNo)
{
    const auto &table = ListItemTable();
    const auto found = std::find_if(table.begin(), table.end(), [itemNo](const TListItem &item) {
        return item.ItemNo == itemNo;
    });
    return static_cast<int>(found - table.begin());
}

void loadColumns(const TMemIniFile &ini, std::array<TColumnDef, ListItemCount> &columns, double ppi)
{
    const QString section = QStringLiteral("HEADER");
    const auto &table = ListItemTable();
    std::optional<std::vector<int>> order = readIntegerList(ini.ReadString(section, QStringLiteral("HeaderIndex"), {}));
    if (order && !isItemOrder(*order))
        order.reset();
    // Widths and flags are stored in the saved column order; without that order they cannot be placed.
    std::optional<std::vector<int>> widths;
    QStringList flags;
    if (order) {
        widths = readIntegerList(ini.ReadString(section, QStringLiteral("HeaderWidth"), {}));
        flags = ini.ReadString(section, QStringLiteral("HeaderView"), {}).split(QLatin1Char(','));
    }
    const bool flagsRead = flags.size() == ListItemCount;
    for (int i = 0; i < ListItemCount; ++i) {
        TColumnDef &c = columns[i];
        c.ItemNo = order ? (*order)[i] : table[i].ItemNo;
        c.ItemRow = rowOfItem(c.ItemNo);
        // A defaulted list gives each column its own item's default, whatever place the item has.
        c.Width = ScaleByDpi(widths ? (*widths)[i] : table[c.ItemRow].Width, true, ppi);
        c.Visible = flagsRead ? flags[i] == QLatin1String("1") : table[c.ItemRow].Shown;
    }
}

void loadKeywords(const TMemIniFile &ini)
{
    const QString section = QStringLiteral("KEYWORD");
    for (int n = 1; n <= KeywordCount; ++n) {
        const QString name = ini.ReadString(section, QStringLiteral("Name%1").arg(n), {});
        KeywordNames[n - 1] = name.isEmpty() ? QStringLiteral("キーワード") + QChar(u'０' + n) : name;
        const int mode = ini.ReadInteger(section, QStringLiteral("Mode%1").arg(n), 6);
        KeywordModes[n - 1] = (mode == 6 || mode == 8 || mode == 5 || mode == 7 || mode == 1) ? mode : 6;
    }
}

int inRangeOrZero(int value, int count) { return value >= 0 && value < count ? value : 0; }

}  // namespace

const std::array<TSortType, SortTypeCount> &SortTypeTable()
{
    static const std::array<TSortType, SortTypeCount> table = [] {
        std::array<TSortType, SortTypeCount> t{{
            {QStringLiteral("登録順"), QString()},
            {QStringLiteral("顧客コード順"), QStringLiteral("CustomCode")},
            {QStringLiteral("電話番号順"), QStringLiteral("Tel")},
            {QStringLiteral("郵便番号順"), QStringLiteral("Pos")},
            {QStringLiteral("住所順"), QStringLiteral("Adrs")},
            {QStringLiteral("会社名順"), QStringLiteral("CorpKana")},
            {QStringLiteral("名前順"), QStringLiteral("NameKana")},
        }};
        for (int n = 1; n <= KeywordCount; ++n)
            t[stFirstKeyword + n - 1] = {QStringLiteral("キーワード") + QChar(u'０' + n) + QStringLiteral("順"),
                                         QStringLiteral("Keyword%1").arg(n)};
        t[SortTypeCount - 1] = {QStringLiteral("カテゴリ順"), QStringLiteral("Category")};
        return t;
    }();
    return table;
}

QRect LoadWindowPlacement(const QSize &screenSize, double ppi)
{
    const TMemIniFile ini(settingsFile());
    const QString section = QStringLiteral("ADRS LIST");
    const int width = ini.ReadInteger(section, QStringLiteral("Width"), 960);
    const int height = ini.ReadInteger(section, QStringLiteral("Height"), 572);
    const int left = ini.ReadInteger(section, QStringLiteral("Left"),
                                     (ScaleByDpi(screenSize.width(), false, ppi) - width) / 2);
    const int top = ini.ReadInteger(section, QStringLiteral("Top"),
                                    (ScaleByDpi(screenSize.height(), false, ppi) - height) / 2);
    return QRect(ScaleByDpi(left, true, ppi), ScaleByDpi(top, true, ppi), ScaleByDpi(width, true, ppi),
                 ScaleByDpi(height, true, ppi));
}

void SaveWindowPlacement(const QRect &normalBounds, double ppi)
{
    TMemIniFile ini(settingsFile());
    const QString section = QStringLiteral("ADRS LIST");
    ini.WriteInteger(section, QStringLiteral("Left"), ScaleByDpi(normalBounds.left(), false, ppi));
    ini.WriteInteger(section, QStringLiteral("Top"), ScaleByDpi(normalBounds.top(), false, ppi));
    ini.WriteInteger(section, QStringLiteral("Width"), ScaleByDpi(normalBounds.width(), false, ppi));
    ini.WriteInteger(section, QStringLiteral("Height"), ScaleByDpi(normalBounds.height(), false, ppi));
    ini.UpdateFile();
}

TListSettings LoadListSettings(double ppi)
{
    const TMemIniFile ini(listSettingsFile());
    loadKeywords(ini);
    TListSettings s;
    loadColumns(ini, s.ColumnDefs, ppi);
    s.ViewGroup = inRangeOrZero(ini.ReadInteger(QStringLiteral("GROUP"), QStringLiteral("ViewGroup"), 0),
                                ViewGroupCount);
    s.SortType = inRangeOrZero(ini.ReadInteger(QStringLiteral("SORT"), QStringLiteral("SortType"), 0),
                               SortTypeCount);
    s.SortDir = ini.ReadBool(QStringLiteral("SORT"), QStringLiteral("SortDir"), true);
    return s;
}

void SaveListSettings(const TListSettings &settings, double ppi)
{
    TMemIniFile ini(listSettingsFile());
    QStringList order, widths, flags;
    for (const TColumnDef &c : settings.ColumnDefs) {
        order << QString::number(c.ItemNo);
        widths << QString::number(ScaleByDpi(c.Width, false, ppi));
        flags << (c.Visible ? QStringLiteral("1") : QStringLiteral("0"));
    }
    const QString header = QStringLiteral("HEADER");
    ini.WriteString(header, QStringLiteral("HeaderIndex"), order.join(QLatin1Char(',')));
    ini.WriteString(header, QStringLiteral("HeaderWidth"), widths.join(QLatin1Char(',')));
    ini.WriteString(header, QStringLiteral("HeaderView"), flags.join(QLatin1Char(',')));
    ini.WriteInteger(QStringLiteral("GROUP"), QStringLiteral("ViewGroup"), settings.ViewGroup);
    ini.WriteInteger(QStringLiteral("SORT"), QStringLiteral("SortType"), settings.SortType);
    ini.WriteBool(QStringLiteral("SORT"), QStringLiteral("SortDir"), settings.SortDir);
    ini.UpdateFile();
}

bool LoadStartFlags()
{
    return TMemIniFile(settingsFile()).ReadBool(QStringLiteral("BASE"), QStringLiteral("Info"), true);
}

void SaveStartFlags(bool showInfoAtStart)
{
    TMemIniFile ini(settingsFile());
    ini.WriteBool(QStringLiteral("BASE"), QStringLiteral("Info"), showInfoAtStart);
    ini.WriteBool(QStringLiteral("UPDATE"), QStringLiteral("UpdateCheck"), UpdateCheckAtStart != 0);
    ini.UpdateFile();
}

TDuplicateItems LoadDuplicateItem()
{
    const TMemIniFile ini(settingsFile());
    const QString section = QStringLiteral("DUPLI SEARCH");
    TDuplicateItems items;
    items.Item1 = inRangeOrZero(ini.ReadInteger(section, QStringLiteral("Item1"), 0), DuplicateItemCount + 1);
    items.Item2 = inRangeOrZero(ini.ReadInteger(section, QStringLiteral("Item2"), 0), DuplicateItemCount + 1);
    if (items.Item1 == 0)
        items.Item2 = 0;
    return items;
}

void SaveDuplicateItem(const TDuplicateItems &items)
{
    TMemIniFile ini(settingsFile());
    const QString section = QStringLiteral("DUPLI SEARCH");
    ini.WriteInteger(section, QStringLiteral("Item1"), items.Item1);
    ini.WriteInteger(section, QStringLiteral("Item2"), items.Item2);
    ini.UpdateFile();
}

QStringList GroupComboItems()
{
    QStringList items{QStringLiteral("すべて"), QStringLiteral("未指定のみ")};
    for (int n = 1; n < static_cast<int>(GroupNames.size()); ++n)
        items << QStringLiteral("%1： %2").arg(QString::number(n).rightJustified(2), GroupNames[n]);
    return items;
}

QStringList SortComboItems()
{
    QStringList items;
    for (int row = 0; row < SortTypeCount; ++row) {
        const int keyword = row - stFirstKeyword;
        items << (keyword >= 0 && keyword < KeywordCount ? KeywordNames[keyword] + QStringLiteral("順")
                                                         : SortTypeTable()[row].Caption);
    }
    return items;
}
