#include "geo/RailLibrary.h"

#include "base/SjisCodec.h"
#include "base/Trim.h"
#include "core/Globals.h"
#include "geo/WebLinks.h"
#include "platform/MemIniFile.h"
#include "platform/MessageBox.h"

#include "core/SharedHelpers.h"
#include "widgets/NamedControls.h"

#include <QApplication>
#include <QHeaderView>
#include <QTreeWidget>

QString StationText(const char *field, int width)
{
    return TrimBlanks(Sjis::decode(QByteArray(field, width).split('\0').first()));
}

QString TSelectStInfo::Name() const { return StationText(Station.Name, sizeof Station.Name); }
QString TSelectStInfo::Reading() const { return StationText(Station.Reading, sizeof Station.Reading); }
QString TSelectStInfo::KickCode() const { return StationText(Station.KickCode, sizeof Station.KickCode); }

bool TRailLibrary::Load(QWidget *owner, const QString &folder, bool nearest, bool lines, bool list)
{
    const QString file = TRuntimeLibrary::FileNameFor(QStringLiteral("Kvrail.dll"));
    if (!library_.Load(folder, QStringLiteral("Kvrail.dll"))) {
        QApplication::restoreOverrideCursor();
        ShowMessageBoxAt(owner, file + QStringLiteral("\r\nDLLのロードに失敗しました"), file + QStringLiteral(" LoadLibrary Error"),
                         MB_OK | MB_ICONERROR);
        return false;
    }
    const struct {
        bool wanted;
        const char *name;
        void **slot;
    } functions[] = {{nearest, "StationSearchFromPoint", reinterpret_cast<void **>(&StationSearchFromPoint)},
                     {lines, "LineList", reinterpret_cast<void **>(&LineList)},
                     {list, "StationListEx", reinterpret_cast<void **>(&StationListEx)}};
    for (const auto &f : functions) {
        if (!f.wanted)
            continue;
        *f.slot = library_.GetProcAddress(f.name);
        if (!*f.slot) {
            StationSearchFromPoint = nullptr;
            LineList = nullptr;
            StationListEx = nullptr;
            library_.Free();
            QApplication::restoreOverrideCursor();
            ShowMessageBoxAt(owner, QString::fromLatin1(f.name) + QStringLiteral("\r\n関数の割り当てに失敗しました"),
                             file + QStringLiteral(" GetProcAddress Error"), MB_OK | MB_ICONERROR);
            return false;
        }
    }
    return true;
}

const std::array<TKanaRow, 10> KanaRows = {{
    {QStringLiteral("あ行"), 0xB1, 0xB5}, {QStringLiteral("か行"), 0xB6, 0xBA}, {QStringLiteral("さ行"), 0xBB, 0xBF},
    {QStringLiteral("た行"), 0xC0, 0xC4}, {QStringLiteral("な行"), 0xC5, 0xC9}, {QStringLiteral("は行"), 0xCA, 0xCE},
    {QStringLiteral("ま行"), 0xCF, 0xD3}, {QStringLiteral("や行"), 0xD4, 0xD6}, {QStringLiteral("ら行"), 0xD7, 0xDB},
    {QStringLiteral("わ行"), 0xDC, 0xDC},
}};

int ListKanaRow(const TKanaRow &row, const TStationLister &list, std::vector<TRailStation> &stations)
{
    stations.clear();
    for (int c = row.First; c <= row.Last; ++c) {
        const QByteArray key(1, char(c));
        int32_t count = 0;
        const int code = list(key, count, nullptr);
        // A letter no station starts with, whichever way the library says so, leaves the rest of the row.
        if (code == 8 || (code == 0 && count <= 0))
            continue;
        if (code != 0)
            return code;
        std::vector<TRailStation> block(static_cast<size_t>(count));
        const int second = list(key, count, block.data());
        if (second == 8)
            continue;
        if (second != 0)
            return second;
        block.resize(size_t(std::clamp<int32_t>(count, 0, int32_t(block.size()))));
        stations.insert(stations.end(), block.begin(), block.end());
    }
    return 0;
}

QString KeptRideDate(const QString &stored, const QDate &today)
{
    const QDate date = QDate::fromString(stored, QStringLiteral("yyyyMMdd"));
    // A ride today is still to come: only days before today are past.
    return stored.size() == 8 && date.isValid() && date >= today ? stored : QString();
}

bool StartRoutePlanner(const QString &from, const QString &to, const QString &date, const QString &conditions)
{
    const TMemIniFile ini(DataFolder + SettingsFileName);
    const QString urlTemplate = RoutePlannerTemplate(ini);
    if (urlTemplate.isEmpty())
        return false;
    TUrlFields fields;
    fields.From = from;
    fields.To = to;
    fields.Date = date;
    fields.Conditions = conditions;
    return OpenWebUrl(FillUrlTemplate(urlTemplate, fields));
}

QTreeWidget *StationList(const char *name, const QStringList &columns, const QList<int> &widths, QWidget *parent)
{
    auto *list = Named<QTreeWidget>(name, parent);
    list->setHeaderLabels(columns);
    list->setRootIsDecorated(false);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->header()->setSectionResizeMode(QHeaderView::Fixed);
    list->header()->setStretchLastSection(false);
    int total = 0;
    for (int i = 0; i < widths.size(); ++i) {
        list->header()->resizeSection(i, ScaleByDpi(widths[i], true));
        total += ScaleByDpi(widths[i], true);
    }
    list->setMinimumWidth(total + list->frameWidth() * 2 + list->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    return list;
}
