#include "directory/CtgrySch.h"

#include "base/SjisCodec.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "core/SharedHelpers.h"
#include "db/Table.h"
#include "directory/NmAdSch.h"
#include "directory/SearchThread.h"
#include "geo/DicLibraries.h"
#include "widgets/NamedControls.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

TCategorySearch::TCategorySearch()
    : TDirectorySearchWindow({"CategorySearch", QStringLiteral("カテゴリ検索"), 27, QStringLiteral("CATEGORY SEARCH"),
                              QStringLiteral("Ctgry.shc"), 2, 330, true, false, QStringLiteral("カテゴリ検索エラー")},
                             std::make_unique<TSearchCategoryThread>())
{
    QWidget *own = createOwnConditions();
    if (DMMirvale18) {
        DMMirvale18->OpenOxaCatmTable();
        DMMirvale18->OpenOxaCatsTable();
    }
    // Only the selected hits are written to a file here.
    bbtnFileExport->hide();
    finishCreation(own, nullptr);
}

TCategorySearch::~TCategorySearch()
{
    // Whole as it leaves the screen, as the name search window is.
    hide();
    if (DMMirvale18) {
        DMMirvale18->CloseOxaCatmTable();
        DMMirvale18->CloseOxaCatsTable();
    }
    if (CategorySearch == this)
        CategorySearch = nullptr;
}

TDirectorySearchWindow *TCategorySearch::otherWindow() const { return NameAdrsSearch; }

QWidget *TCategorySearch::createOwnConditions()
{
    auto *panel = Named<QWidget>("pnlCategory", this);
    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *label = new QLabel(QStringLiteral("カテゴリ："), panel);
    layout->addWidget(label);
    auto *lists = new QHBoxLayout;
    lbxMain = Named<QListWidget>("lbxMain", panel);
    lbxSub = Named<QListWidget>("lbxSub", panel);
    lbxMain->setAccessibleName(QStringLiteral("大分類"));
    lbxSub->setAccessibleName(QStringLiteral("小分類"));
    label->setBuddy(lbxMain);
    // Narrow enough for the category lists, the conditions and the area lists to fit the window's first width.
    lbxMain->setMinimumWidth(ScaleByDpi(130, true));
    lbxSub->setMinimumWidth(ScaleByDpi(130, true));
    lists->addWidget(lbxMain, 1);
    lists->addWidget(lbxSub, 1);
    layout->addLayout(lists, 1);
    connect(lbxMain, &QListWidget::itemClicked, this, [this] { lbxMainClick(); });
    connect(lbxMain, &QListWidget::currentRowChanged, this, [this] { lbxMainClick(); });
    connect(lbxSub, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            subIndex_ = row;
    });
    return panel;
}

void TCategorySearch::fillMainList()
{
    const QSignalBlocker block(lbxMain);
    lbxMain->clear();
    auto *none = new QListWidgetItem(QStringLiteral("指定なし"), lbxMain);
    none->setData(Qt::UserRole, 0);
    if (DMMirvale18)
        DMMirvale18->ForEachCategory(false, {}, [this](TTable &t) {
            if (!t.FieldByName(QStringLiteral("Show")).AsBoolean())
                return;
            auto *item = new QListWidgetItem(Sjis::decode(t.FieldByName(QStringLiteral("Name")).AsString()), lbxMain);
            item->setData(Qt::UserRole, t.FieldByName(QStringLiteral("CatNo")).AsInteger());
        });
    if (mainIndex_ < 0 || mainIndex_ >= lbxMain->count())
        mainIndex_ = 0;
    lbxMain->setCurrentRow(mainIndex_);
}

void TCategorySearch::fillSubList(int mainNo)
{
    const QSignalBlocker block(lbxSub);
    lbxSub->clear();
    lbxSub->setEnabled(mainNo != 0);
    lbxSub->setBackgroundRole(mainNo != 0 ? QPalette::Base : QPalette::Button);
    if (mainNo == 0 || !DMMirvale18)
        return;
    DMMirvale18->ForEachCategory(true, QStringLiteral("CatMainNo=%1").arg(mainNo), [this](TTable &t) {
        if (!t.FieldByName(QStringLiteral("Show")).AsBoolean())
            return;
        auto *item = new QListWidgetItem(Sjis::decode(t.FieldByName(QStringLiteral("Name")).AsString()), lbxSub);
        item->setData(Qt::UserRole, t.FieldByName(QStringLiteral("CatNo")).AsInteger());
    });
    if (subIndex_ < 0 || subIndex_ >= lbxSub->count())
        subIndex_ = 0;
    if (lbxSub->count() > 0)
        lbxSub->setCurrentRow(subIndex_);
}

void TCategorySearch::lbxMainClick()
{
    const int row = lbxMain->currentRow();
    if (row < 0 || row == mainIndex_)
        return;
    mainIndex_ = row;
    subIndex_ = 0;
    fillSubList(lbxMain->item(row)->data(Qt::UserRole).toInt());
}

QByteArray TCategorySearch::CategoryCode() const
{
    const QListWidgetItem *main = lbxMain->currentItem();
    const int mainNo = main ? main->data(Qt::UserRole).toInt() : 0;
    if (mainNo == 0)
        return {};
    // A main category without a sub category to choose is searched whole.
    const QListWidgetItem *sub = lbxSub->currentItem();
    const int catNo = sub ? sub->data(Qt::UserRole).toInt() : mainNo * 100;
    return QByteArray::number(catNo).rightJustified(4, '0');
}

void TCategorySearch::completeConditions()
{
    const QByteArray code = CategoryCode();
    for (TDirectoryCondition &c : conditions_) {
        c.MatchMode = 1;
        PutText(c.CategoryCode, code);
    }
    const QByteArray name = FilteredName();
    nameList_ = name.isEmpty() ? QByteArray() : name + ',';
    exclusionList_.clear();
}

void TCategorySearch::entryFromControls(TSearchHistoryEntry &entry) const
{
    entry.MatchMode = 1;
    entry.MainIndex = lbxMain->currentRow();
    entry.SubIndex = lbxSub->currentRow();
}

void TCategorySearch::controlsFromEntry(const TSearchHistoryEntry &entry)
{
    mainIndex_ = entry.MainIndex;
    subIndex_ = entry.SubIndex;
    fillMainList();
    const QListWidgetItem *main = lbxMain->currentItem();
    fillSubList(main ? main->data(Qt::UserRole).toInt() : 0);
}

QByteArray TCategorySearch::categoryName(bool sub, int32_t catNo)
{
    QHash<int32_t, QByteArray> &known = names_[sub ? 1 : 0];
    const auto it = known.constFind(catNo);
    if (it != known.constEnd())
        return *it;
    const QByteArray name = DMMirvale18 ? DMMirvale18->CategoryName(sub, catNo) : QByteArray();
    known.insert(catNo, name);
    return name;
}

std::vector<QWidget *> TCategorySearch::ownConditionControls() const { return {lbxMain, lbxSub}; }
