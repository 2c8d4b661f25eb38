#include "directory/AreaChooser.h"

#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "core/Globals.h"
#include "geo/KanaAdrsSearch.h"
#include "platform/MessageBox.h"

#include <QComboBox>
#include <QListWidget>
#include <QPainter>
#include <QStyledItemDelegate>

namespace {

constexpr int codeRole = Qt::UserRole;
constexpr int nameRole = Qt::UserRole + 1;
constexpr int countRole = Qt::UserRole + 2;  // a prefecture's number of cities, a city's number of towns
const QString NoChoice = QStringLiteral("指定しない");

// The region box's regions over the dictionary's six: Tokyo is a region of its own besides 関東, which keeps
// it too, as the dictionary's 関東 does.
constexpr int tokyo = 13;
constexpr int tokyoRegion = 3;
int dictionaryRegion(int region) { return region <= 2 ? region - 1 : region - 2; }

// The hiragana letter a half-width katakana reading starts with.
QString kanaGroup(const QByteArray &reading)
{
    if (reading.isEmpty())
        return {};
    const QString full = ToFullWidthW(Sjis::decode(reading.left(1)));
    if (full.isEmpty())
        return {};
    QChar c = full.at(0);
    if (c.unicode() >= 0x30A1 && c.unicode() <= 0x30F6)
        c = QChar(c.unicode() - 0x60);
    return QString(c);
}

// Rows "group\tname": the group in a narrow first column, the name after it.
class TKanaGroupDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem o = option;
        initStyleOption(&o, index);
        const QString text = o.text;
        o.text.clear();
        o.widget->style()->drawControl(QStyle::CE_ItemViewItem, &o, painter, o.widget);
        const int group = o.fontMetrics.horizontalAdvance(QStringLiteral("あ")) + 8;
        const qsizetype tab = text.indexOf(QLatin1Char('\t'));
        QRect r = o.rect.adjusted(3, 0, -2, 0);
        painter->save();
        painter->setPen(o.palette.color(o.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(r, Qt::AlignVCenter | Qt::AlignLeft, text.left(tab));
        r.setLeft(r.left() + group);
        painter->drawText(r, Qt::AlignVCenter | Qt::AlignLeft,
                          o.fontMetrics.elidedText(text.mid(tab + 1), Qt::ElideRight, r.width()));
        painter->restore();
    }
};

void addRow(QListWidget *list, const QString &group, const QByteArray &name, const QByteArray &code, int count)
{
    auto *item = new QListWidgetItem(group + QLatin1Char('\t') + Sjis::decode(name), list);
    item->setData(codeRole, code);
    item->setData(nameRole, name);
    item->setData(countRole, count);
}

// The group letter is shown on the first row of each group only.
QString groupOnce(const QString &group, QString &last)
{
    const QString shown = group == last ? QString() : group;
    last = group;
    return shown;
}

}  // namespace

const QStringList &TAreaChooser::RegionNames()
{
    static const QStringList names{QStringLiteral("全国"),     QStringLiteral("北海道・東北"), QStringLiteral("関東"),
                                   QStringLiteral("東京都"),   QStringLiteral("中部"),         QStringLiteral("近畿"),
                                   QStringLiteral("中国・四国"), QStringLiteral("九州・沖縄")};
    return names;
}

std::vector<int> TAreaChooser::RegionPrefectures(TKanaAdrsSearch &dictionary, int region)
{
    std::vector<int> numbers;
    if (region <= 0 || region >= RegionNames().size())
        return numbers;
    if (dictionary.SearchPrefectures(dictionaryRegion(region)) != 0)
        return numbers;
    for (int i = 0; i < dictionary.GetPrefectureCount(); ++i) {
        const int number = static_cast<int>(dictionary.GetPrefecture(i).Number);
        if (region != tokyoRegion || number == tokyo)
            numbers.push_back(number);
    }
    return numbers;
}

TAreaChooser::TAreaChooser(QComboBox *cbxArea, QListWidget *lbxTdfkn, QListWidget *lbxCity, QListWidget *lbxOhaza,
                           QWidget *owner)
    : QObject(owner), cbxArea_(cbxArea), lbxTdfkn_(lbxTdfkn), lbxCity_(lbxCity), lbxOhaza_(lbxOhaza), owner_(owner)
{
    // Without the dictionary the window still searches the whole country.
    try {
        dictionary_ = std::make_unique<TKanaAdrsSearch>(AppFolder, AppFolder + QStringLiteral("Dic/"));
    } catch (const EDicSearchError &e) {
        ShowMessageBoxAt(owner, e.Message, AppTitle, MB_ICONERROR);
    }
    cbxArea_->addItems(RegionNames());
    for (QListWidget *list : {lbxTdfkn_, lbxCity_, lbxOhaza_}) {
        list->setSelectionMode(QAbstractItemView::ExtendedSelection);
        list->setItemDelegate(new TKanaGroupDelegate(list));
        list->setUniformItemSizes(true);
        // The delegate cuts long names itself.
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    connect(cbxArea_, &QComboBox::activated, this, [this] {
        if (!filling_ && cbxArea_->currentIndex() != region_)
            RegionChanged();
    });
    connect(lbxTdfkn_, &QListWidget::itemSelectionChanged, this, [this] {
        if (!filling_)
            prefecturesClicked();
    });
    connect(lbxCity_, &QListWidget::itemSelectionChanged, this, [this] {
        if (!filling_)
            lowerListClicked(lbxCity_, shownCities_);
    });
    connect(lbxOhaza_, &QListWidget::itemSelectionChanged, this, [this] {
        if (!filling_)
            lowerListClicked(lbxOhaza_, shownTowns_);
    });
}

TAreaChooser::~TAreaChooser() = default;

std::vector<int> TAreaChooser::selectedRows(const QListWidget *list)
{
    std::vector<int> rows;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->isSelected())
            rows.push_back(i);
    return rows;
}

void TAreaChooser::showListsEnabled(bool enabled)
{
    for (QListWidget *list : {lbxTdfkn_, lbxCity_, lbxOhaza_}) {
        list->setEnabled(enabled);
        list->setBackgroundRole(enabled ? QPalette::Base : QPalette::Button);
    }
}

void TAreaChooser::SetEnabled(bool enabled)
{
    cbxArea_->setEnabled(enabled);
    showListsEnabled(enabled && region_ != 0);
}

void TAreaChooser::RegionChanged()
{
    region_ = std::max(0, cbxArea_->currentIndex());
    filling_ = true;
    showListsEnabled(region_ != 0);
    lbxTdfkn_->clear();
    lbxCity_->clear();
    lbxOhaza_->clear();
    AreaList.clear();
    if (region_ == 0) {
        AreaList.push_back({});
    } else {
        fillPrefectures();
        if (lbxTdfkn_->count() > 0) {
            lbxTdfkn_->setCurrentRow(0);
            lbxTdfkn_->item(0)->setSelected(true);
        }
        fillCities();
        takeCodes(lbxTdfkn_);
    }
    shownPrefectures_ = {selectedRows(lbxTdfkn_).empty() ? -1 : 0, static_cast<int>(selectedRows(lbxTdfkn_).size())};
    shownCities_ = shownTowns_ = {-1, 0};
    filling_ = false;
    emit AreaChanged();
}

void TAreaChooser::fillPrefectures()
{
    lbxTdfkn_->clear();
    if (!dictionary_)
        return;
    QString last;
    try {
        for (int number : RegionPrefectures(*dictionary_, region_)) {
            const QByteArray name = PrefectureNames()[static_cast<size_t>(number - 1)];
            const QString group = kanaGroup(PrefectureReadings()[static_cast<size_t>(number - 1)]);
            int cities = 0;
            for (int i = 0; i < dictionary_->GetPrefectureCount(); ++i)
                if (static_cast<int>(dictionary_->GetPrefecture(i).Number) == number)
                    cities = dictionary_->GetPrefecture(i).CityCount;
            addRow(lbxTdfkn_, groupOnce(group, last), name, QByteArray::number(number).rightJustified(2, '0'), cities);
        }
    } catch (const EDicSearchError &e) {
        ShowMessageBoxAt(owner_, e.Message, AppTitle, MB_ICONERROR);
    }
}

// The cities of the one chosen prefecture, after the row that chooses none of them.
void TAreaChooser::fillCities()
{
    lbxCity_->clear();
    lbxOhaza_->clear();
    const std::vector<int> rows = selectedRows(lbxTdfkn_);
    if (rows.size() != 1 || !dictionary_)
        return;
    addRow(lbxCity_, {}, Sjis::encode(NoChoice), {}, 0);
    const QListWidgetItem *prefecture = lbxTdfkn_->item(rows.front());
    try {
        dictionary_->SearchCities(prefecture->data(codeRole).toByteArray().toInt(), prefecture->data(countRole).toInt());
        QString last;
        for (int i = 0; i < dictionary_->GetCityCount(); ++i) {
            const TKanaCityEntry &c = dictionary_->GetCity(i);
            addRow(lbxCity_, groupOnce(kanaGroup(FieldText(c.Initial)), last), FieldText(c.Name), FieldText(c.Code),
                   c.DistrictCount);
        }
    } catch (const EDicSearchError &e) {
        while (lbxCity_->count() > 1)
            delete lbxCity_->takeItem(1);
        ShowMessageBoxAt(owner_, e.Message, AppTitle, MB_ICONERROR);
    }
}

// The towns of the one chosen city, after the row that chooses none of them.
void TAreaChooser::fillTowns()
{
    lbxOhaza_->clear();
    const std::vector<int> rows = selectedRows(lbxCity_);
    if (rows.size() != 1 || rows.front() == 0)
        return;
    addRow(lbxOhaza_, {}, Sjis::encode(NoChoice), {}, 0);
    const QListWidgetItem *city = lbxCity_->item(rows.front());
    if (city->data(countRole).toInt() <= 0 || !dictionary_)
        return;
    try {
        dictionary_->SearchOazas(city->data(codeRole).toByteArray().left(5), city->data(countRole).toInt(), true);
        QString last;
        for (int i = 0; i < dictionary_->GetOazaCount(); ++i) {
            const TKanaOazaEntry &t = dictionary_->GetOaza(i);
            addRow(lbxOhaza_, groupOnce(kanaGroup(FieldText(t.Initial)), last), FieldText(t.Name), FieldText(t.Code), 0);
        }
    } catch (const EDicSearchError &e) {
        while (lbxOhaza_->count() > 1)
            delete lbxOhaza_->takeItem(1);
        ShowMessageBoxAt(owner_, e.Message, AppTitle, MB_ICONERROR);
    }
}

void TAreaChooser::prefecturesClicked()
{
    std::vector<int> rows = selectedRows(lbxTdfkn_);
    // A list never stays without a choice: the focused row is chosen again.
    if (rows.empty() && lbxTdfkn_->currentRow() >= 0) {
        filling_ = true;
        lbxTdfkn_->currentItem()->setSelected(true);
        filling_ = false;
        rows = selectedRows(lbxTdfkn_);
    }
    const std::pair<int, int> shown{rows.empty() ? -1 : rows.front(), static_cast<int>(rows.size())};
    if (shown == shownPrefectures_)
        return;
    shownPrefectures_ = shown;
    shownCities_ = shownTowns_ = {-1, 0};
    filling_ = true;
    fillCities();
    filling_ = false;
    AreaList.clear();
    takeCodes(lbxTdfkn_);
    emit AreaChanged();
}

// The codes of the chosen rows of a list; "指定しない" (row 0 of the city and town lists) stands for the list
// above it.
void TAreaChooser::takeCodes(QListWidget *list)
{
    const int level = list == lbxTdfkn_ ? areaLevelPrefecture : list == lbxCity_ ? areaLevelCity : areaLevelTown;
    for (int row : selectedRows(list)) {
        if (row == 0 && list != lbxTdfkn_)
            takeCodes(list == lbxCity_ ? lbxTdfkn_ : lbxCity_);
        else
            AreaList.push_back({list->item(row)->data(codeRole).toByteArray(), level});
    }
}

// The city and town lists count only while the list above them has at most one choice. A choice replaces the
// codes of the level above; "指定しない" clicked clears the other choices, another row clears "指定しない".
void TAreaChooser::lowerListClicked(QListWidget *list, std::pair<int, int> &shownRows)
{
    if (selectedRows(list == lbxCity_ ? lbxTdfkn_ : lbxCity_).size() > 1)
        return;
    filling_ = true;
    if (selectedRows(list).empty() && list->currentRow() >= 0)
        list->currentItem()->setSelected(true);
    if (list->count() > 0 && list->item(0)->isSelected() && list->currentRow() == 0)
        for (int i = 1; i < list->count(); ++i)
            list->item(i)->setSelected(false);
    else if (list->count() > 0 && selectedRows(list).size() > 1)
        list->item(0)->setSelected(false);
    filling_ = false;
    const std::vector<int> rows = selectedRows(list);
    const std::pair<int, int> shown{rows.empty() ? -1 : rows.front(), static_cast<int>(rows.size())};
    if (shown == shownRows)
        return;
    shownRows = shown;
    if (list == lbxCity_) {
        shownTowns_ = {-1, 0};
        filling_ = true;
        fillTowns();
        filling_ = false;
    }
    AreaList.clear();
    takeCodes(list);
    emit AreaChanged();
}

void TAreaChooser::Restore(int region, const std::vector<TAreaCode> &areas)
{
    filling_ = true;
    cbxArea_->setCurrentIndex(std::clamp<int>(region, 0, static_cast<int>(RegionNames().size()) - 1));
    filling_ = false;
    const int level = areas.empty() ? areaLevelNone : areas.front().Level;
    if (cbxArea_->currentIndex() == 0 || level == areaLevelNone || areas.front().Code.isEmpty()) {
        RegionChanged();
        return;
    }
    region_ = cbxArea_->currentIndex();
    filling_ = true;
    showListsEnabled(true);
    fillPrefectures();
    auto select = [](QListWidget *list, const std::function<bool(const QByteArray &)> &chosen) {
        list->clearSelection();
        bool first = true;
        for (int i = 0; i < list->count(); ++i) {
            if (i > 0 && chosen(list->item(i)->data(codeRole).toByteArray())) {
                list->item(i)->setSelected(true);
                if (first)
                    list->setCurrentRow(i, QItemSelectionModel::Current);
                first = false;
            }
        }
    };
    // Row 0 of the prefecture list is a prefecture, not "指定しない".
    for (int i = 0; i < lbxTdfkn_->count(); ++i) {
        const QByteArray code = lbxTdfkn_->item(i)->data(codeRole).toByteArray();
        const bool chosen = std::any_of(areas.begin(), areas.end(), [&](const TAreaCode &a) { return a.Code.left(2) == code; });
        lbxTdfkn_->item(i)->setSelected(chosen);
        if (chosen && lbxTdfkn_->currentRow() < 0)
            lbxTdfkn_->setCurrentRow(i, QItemSelectionModel::Current);
    }
    fillCities();
    if (level >= areaLevelCity && lbxCity_->count() > 0) {
        select(lbxCity_, [&](const QByteArray &code) {
            return std::any_of(areas.begin(), areas.end(), [&](const TAreaCode &a) { return a.Code.left(5) == code.left(5); });
        });
        fillTowns();
        if (level == areaLevelTown)
            select(lbxOhaza_, [&](const QByteArray &code) {
                return std::any_of(areas.begin(), areas.end(), [&](const TAreaCode &a) { return a.Code == code; });
            });
    }
    if (lbxCity_->count() > 0 && selectedRows(lbxCity_).empty())
        lbxCity_->item(0)->setSelected(true);
    if (lbxOhaza_->count() > 0 && selectedRows(lbxOhaza_).empty())
        lbxOhaza_->item(0)->setSelected(true);
    filling_ = false;
    AreaList = areas;
    auto shownOf = [](const QListWidget *list) {
        const std::vector<int> rows = selectedRows(list);
        return std::pair<int, int>{rows.empty() ? -1 : rows.front(), static_cast<int>(rows.size())};
    };
    shownPrefectures_ = shownOf(lbxTdfkn_);
    shownCities_ = shownOf(lbxCity_);
    shownTowns_ = shownOf(lbxOhaza_);
    emit AreaChanged();
}

bool TAreaChooser::CityChosen() const
{
    const std::vector<int> rows = selectedRows(lbxCity_);
    return !rows.empty() && rows.front() >= 1;
}

bool TAreaChooser::TownChosen() const
{
    const std::vector<int> rows = selectedRows(lbxOhaza_);
    return !rows.empty() && rows.front() >= 1;
}

int TAreaChooser::ChosenPrefectureCount() const { return static_cast<int>(selectedRows(lbxTdfkn_).size()); }

QByteArray TAreaChooser::AreaCaption() const
{
    const int level = AreaList.empty() ? areaLevelNone : AreaList.front().Level;
    if (level == areaLevelNone)
        return {};
    auto nameIfOne = [](const QListWidget *list, bool always) {
        const std::vector<int> rows = selectedRows(list);
        if (rows.empty() || (!always && rows.size() != 1))
            return QByteArray();
        return list->item(rows.front())->data(nameRole).toByteArray().trimmed();
    };
    QByteArray caption = nameIfOne(lbxTdfkn_, level > areaLevelPrefecture);
    if (level >= areaLevelCity)
        caption += nameIfOne(lbxCity_, level > areaLevelCity);
    if (level >= areaLevelTown)
        caption += nameIfOne(lbxOhaza_, false);
    return caption;
}
