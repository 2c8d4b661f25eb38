#include "directory/NmAdSch.h"

#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "core/SharedHelpers.h"
#include "db/Table.h"
#include "directory/CtgryLst.h"
#include "directory/CtgrySch.h"
#include "directory/NameLists.h"
#include "directory/SearchThread.h"
#include "directory/TgtExcpt.h"
#include "geo/DicLibraries.h"
#include "mainlist/DirectorySearchServices.h"
#include "platform/Forms.h"
#include "platform/MessageBox.h"
#include "platform/SingleInstance.h"
#include "widgets/NamedControls.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

namespace {

const QString JobWords[] = {QStringLiteral("検索"), QStringLiteral("件数確認"), QStringLiteral("ファイル出力")};

}  // namespace

TNameAdrsSearch::TNameAdrsSearch()
    : TDirectorySearchWindow({"NameAdrsSearch", QStringLiteral("名称住所検索"), 20, QStringLiteral("NAMEADRS SEARCH"),
                              QStringLiteral("NmAd.shc"), 0, 342, false, true, QStringLiteral("名称住所検索エラー")},
                             std::make_unique<TSearchThread>())
{
    QWidget *own = createOwnConditions();
    QWidget *options = createOwnOptions();
    for (bool (TDMMirvale18::*open)() : {&TDMMirvale18::OpenTargetTable, &TDMMirvale18::OpenExceptionTable,
                                         &TDMMirvale18::OpenOriginalTable})
        if (DMMirvale18)
            (DMMirvale18->*open)();
    // The category names of the result rows, as the tables offer them.
    if (DMMirvale18) {
        mainNames_.insert(0, Sjis::encode(QStringLiteral("指定なし")));
        DMMirvale18->ForEachCategory(false, {}, [this](TTable &t) {
            if (t.FieldByName(QStringLiteral("Show")).AsBoolean())
                mainNames_.insert(t.FieldByName(QStringLiteral("CatNo")).AsInteger(), t.FieldByName(QStringLiteral("Name")).AsString());
        });
        DMMirvale18->ForEachCategory(true, {}, [this](TTable &t) {
            if (t.FieldByName(QStringLiteral("Show")).AsBoolean())
                subNames_.insert(t.FieldByName(QStringLiteral("CatNo")).AsInteger(), t.FieldByName(QStringLiteral("Name")).AsString());
        });
    }
    finishCreation(own, options);
    setMatchMode(0);
}

TNameAdrsSearch::~TNameAdrsSearch()
{
    // Deleted while shown (its owner going with it), the window leaves the screen while it is whole: the focus
    // leaving the name box on the way reaches the window's handlers, which QWidget's destructor would run over
    // a window whose parts are gone.
    hide();
    if (DMMirvale18) {
        DMMirvale18->CloseTargetTable();
        DMMirvale18->CloseExceptionTable();
        DMMirvale18->CloseOriginalTable();
    }
    if (NameAdrsSearch == this)
        NameAdrsSearch = nullptr;
}

TDirectorySearchWindow *TNameAdrsSearch::otherWindow() const { return CategorySearch; }

QWidget *TNameAdrsSearch::createOwnConditions()
{
    auto *panel = Named<QWidget>("pnlNameCondition", this);
    auto *layout = new QGridLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    bbtnNameList = Named<QPushButton>("bbtnNameList", QStringLiteral("名称一覧"), panel);
    bbtnNameList->setIcon(style()->standardIcon(QStyle::SP_FileDialogListView));
    auto *modes = Named<QGroupBox>("gbxMatch", QStringLiteral("検索方法"), panel);
    auto *modeLayout = new QGridLayout(modes);
    auto *group = new QButtonGroup(this);
    const std::pair<const char *, QString> modeDefs[] = {{"rbFront", QStringLiteral("前方一致")},
                                                         {"rbAmbiguous", QStringLiteral("あいまい")},
                                                         {"rbRear", QStringLiteral("後方一致")},
                                                         {"rbFull", QStringLiteral("完全一致")}};
    QRadioButton **buttons[] = {&rbFront, &rbAmbiguous, &rbRear, &rbFull};
    for (int i = 0; i < 4; ++i) {
        *buttons[i] = Named<QRadioButton>(modeDefs[i].first, modeDefs[i].second, modes);
        (*buttons[i])->setProperty("Tag", i);
        group->addButton(*buttons[i], i);
        modeLayout->addWidget(*buttons[i], i / 2, i % 2);
        enterMovesTo(*buttons[i], [this] { chkNormal->setFocus(); });
    }
    // The mode follows the checked button however it was checked: a screen reader ticks a radio button
    // without clicking it.
    connect(group, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (on && id != matchMode_)
            setMatchMode(id);
    });
    auto *targetLabel = new QLabel(QStringLiteral("対象名称："), panel);
    auto *exceptionLabel = new QLabel(QStringLiteral("除外名称："), panel);
    lbxTarget = Named<QListWidget>("lbxTarget", panel);
    lbxException = Named<QListWidget>("lbxException", panel);
    SetViewLabel(targetLabel, lbxTarget);
    SetViewLabel(exceptionLabel, lbxException);
    for (QListWidget *list : {lbxTarget, lbxException})
        list->setSelectionMode(QAbstractItemView::NoSelection);
    bbtnTargetException = Named<QPushButton>("bbtnTargetException", QStringLiteral("対象除外選択"), panel);
    bbtnTargetException->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    layout->addWidget(bbtnNameList, 0, 0, 1, 1, Qt::AlignLeft);
    layout->addWidget(modes, 1, 0, 1, 2);
    layout->addWidget(targetLabel, 2, 0);
    layout->addWidget(exceptionLabel, 2, 1);
    layout->addWidget(lbxTarget, 3, 0);
    layout->addWidget(lbxException, 3, 1);
    layout->addWidget(bbtnTargetException, 4, 1, 1, 1, Qt::AlignRight);
    layout->setRowStretch(3, 1);
    connect(bbtnNameList, &QPushButton::clicked, this, &TNameAdrsSearch::bbtnNameListClick);
    connect(bbtnTargetException, &QPushButton::clicked, this, &TNameAdrsSearch::bbtnTargetExceptionClick);
    for (QWidget *box : {static_cast<QWidget *>(nmcbxName), static_cast<QWidget *>(nmedtName)})
        enterMovesTo(box, [this] {
            const std::array<QRadioButton *, 4> all{rbFront, rbAmbiguous, rbRear, rbFull};
            all[static_cast<size_t>(std::clamp(matchMode_, 0, 3))]->setFocus();
        });
    return panel;
}

QWidget *TNameAdrsSearch::createOwnOptions()
{
    auto *panel = Named<QWidget>("pnlGetCount", this);
    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *label = new QLabel(QStringLiteral("表示件数："), panel);
    cbxGetCount = Named<QComboBox>("cbxGetCount", panel);
    for (int n : {20, 50, 100, 200})
        cbxGetCount->addItem(QString::number(n) + QStringLiteral(" 件"), n);
    label->setBuddy(cbxGetCount);
    layout->addWidget(label);
    layout->addWidget(cbxGetCount);
    enterMovesTo(cbxGetCount, [this] { cbxArea->setFocus(); });
    return panel;
}

void TNameAdrsSearch::setMatchMode(int mode)
{
    // Taken first: checking the button below toggles it, and the toggle finds the mode already set.
    matchMode_ = mode;
    const std::array<QRadioButton *, 4> all{rbFront, rbAmbiguous, rbRear, rbFull};
    for (int i = 0; i < 4; ++i) {
        SetCaptionColour(all[static_cast<size_t>(i)], i == mode);
        if (i == mode)
            all[static_cast<size_t>(i)]->setChecked(true);
    }
    updateTargetException();
}

void TNameAdrsSearch::nameChanged() { updateTargetException(); }

void TNameAdrsSearch::updateTargetException()
{
    const bool on = matchMode_ == 1 && !lastName_.isEmpty();
    for (QWidget *w : {static_cast<QWidget *>(lbxTarget), static_cast<QWidget *>(lbxException),
                       static_cast<QWidget *>(bbtnTargetException)})
        w->setEnabled(on);
    for (QListWidget *list : {lbxTarget, lbxException}) {
        list->setBackgroundRole(on ? QPalette::Base : QPalette::Button);
        list->clear();
    }
    if (!on || !DMMirvale18 || !DMMirvale18->TargetTable || !DMMirvale18->TargetTable->Active())
        return;
    try {
        const TChosenNames chosen = ChosenNames(*DMMirvale18->TargetTable, *DMMirvale18->ExceptionTable,
                                                *DMMirvale18->OriginalTable, lastName_);
        for (const QByteArray &name : chosen.Targets)
            lbxTarget->addItem(Sjis::decode(name));
        for (const QByteArray &name : chosen.Exclusions)
            lbxException->addItem(Sjis::decode(name));
    } catch (const EDatabaseError &e) {
        ShowMessageBoxAt(this, e.Message, AppTitle, MB_ICONERROR);
    }
}

int TNameAdrsSearch::pageSize() const { return cbxGetCount->currentData().toInt() > 0 ? cbxGetCount->currentData().toInt() : 20; }

bool TNameAdrsSearch::checkConditions(int job)
{
    if (job == jobOutput && area_->Region() == 0) {
        ShowMessageBoxAt(this, QStringLiteral("全国を指定したファイル出力はできません  "), AppTitle, MB_ICONINFORMATION);
        return false;
    }
    if (job == jobOutput && area_->ChosenPrefectureCount() > 1) {
        ShowMessageBoxAt(this, QStringLiteral("複数都道府県を指定したファイル出力はできません  "), AppTitle, MB_ICONINFORMATION);
        return false;
    }
    const bool needsName = chkNormal->isChecked() || chkMainNumber->isChecked();
    const bool narrow = job == jobOutput ? area_->TownChosen() : area_->CityChosen();
    const QString name = Sjis::decode(FilteredName());
    if (needsName && !narrow && StripSpacesToAnsi(name).isEmpty()) {
        ShowMessageBoxAt(this,
                         QStringLiteral("この条件で") + JobWords[job] + QStringLiteral("を行うために  ") + QStringLiteral("\r\n")
                             + QStringLiteral("名称が入力されている必要があります  "),
                         AppTitle, MB_ICONINFORMATION);
        nameBox()->setFocus();
        return false;
    }
    return true;
}

void TNameAdrsSearch::completeConditions()
{
    for (TDirectoryCondition &c : conditions_)
        c.MatchMode = static_cast<uint32_t>(matchMode_);
    // The single condition of the whole country, without an area list, names every category.
    if (conditions_.size() == 1 && area_->AreaList.empty())
        PutText(conditions_.front().CategoryCode, "0000");
    nameList_.clear();
    const QByteArray name = FilteredName();
    if (!name.isEmpty())
        nameList_ += name + ',';
    for (int i = 0; i < lbxTarget->count(); ++i)
        nameList_ += Sjis::encode(lbxTarget->item(i)->text()) + ',';
    exclusionList_.clear();
    for (int i = 0; i < lbxException->count(); ++i)
        exclusionList_ += Sjis::encode(lbxException->item(i)->text()) + ',';
}

void TNameAdrsSearch::entryFromControls(TSearchHistoryEntry &entry) const { entry.MatchMode = matchMode_; }

void TNameAdrsSearch::controlsFromEntry(const TSearchHistoryEntry &entry)
{
    setMatchMode(entry.MatchMode >= 1 && entry.MatchMode <= 3 ? entry.MatchMode : 0);
    const int page = cbxGetCount->findData(entry.PageSize);
    cbxGetCount->setCurrentIndex(page >= 0 ? page : 0);
}

QByteArray TNameAdrsSearch::categoryName(bool sub, int32_t catNo) { return (sub ? subNames_ : mainNames_).value(catNo); }

std::vector<QWidget *> TNameAdrsSearch::ownConditionControls() const
{
    return {rbFront, rbAmbiguous, rbRear, rbFull, lbxTarget, lbxException, bbtnNameList, bbtnTargetException, cbxGetCount};
}

void TNameAdrsSearch::bbtnNameListClick()
{
    TCategoryList dialog(this);
    CategoryList = &dialog;
    CenterFormOnOwner(&dialog, this);
    const bool chosen = ExecDialog(dialog) == QDialog::Accepted;
    CategoryList = nullptr;
    if (!chosen)
        return;
    setNameText(dialog.GetSelectedKanji());
    nameBox()->setFocus();
}

void TNameAdrsSearch::bbtnTargetExceptionClick()
{
    TTargetException dialog(this);
    TargetException = &dialog;
    CenterFormOnOwner(&dialog, this);
    dialog.SetSearchName(lastName_);
    ExecDialog(dialog);
    TargetException = nullptr;
    if (dialog.FChanged)
        updateTargetException();
}

void RegisterDirectorySearches()
{
    // A window that already exists is only brought forward; closing frees it and clears its global.
    ShowNameAdrsSearch = [](TAddressList *) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        if (!NameAdrsSearch)
            NameAdrsSearch = new TNameAdrsSearch;
        NameAdrsSearch->show();
        ForceForegroundWindow(NameAdrsSearch);
        QApplication::restoreOverrideCursor();
    };
    ShowCategorySearch = [](TAddressList *) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        if (!CategorySearch)
            CategorySearch = new TCategorySearch;
        CategorySearch->show();
        ForceForegroundWindow(CategorySearch);
        QApplication::restoreOverrideCursor();
    };
    ApplyDirectoryHistoryLimit = [] {
        for (TDirectorySearchWindow *w : {static_cast<TDirectorySearchWindow *>(NameAdrsSearch),
                                          static_cast<TDirectorySearchWindow *>(CategorySearch)})
            if (w)
                w->ApplyHistoryLimit();
    };
    UpdateDirectoryLinkColor = [] {
        for (TDirectorySearchWindow *w : {static_cast<TDirectorySearchWindow *>(NameAdrsSearch),
                                          static_cast<TDirectorySearchWindow *>(CategorySearch)})
            if (w)
                w->UpdateLinkColor();
    };
    CloseDirectorySearches = [] {
        for (TDirectorySearchWindow *w : {static_cast<TDirectorySearchWindow *>(NameAdrsSearch),
                                          static_cast<TDirectorySearchWindow *>(CategorySearch)}) {
            if (w && !w->close())
                return false;
            // At once, not when the event loop comes round: the program may be ending, and the window writes
            // its settings and closes its tables as it goes.
            delete w;
        }
        return true;
    };
}
