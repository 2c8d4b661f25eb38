#include "mainlist/AdrsList.h"

#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "core/AddressBookList.h"
#include "core/AddressRecord.h"
#include "core/AdrsSel.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "core/GrpEdt.h"
#include "core/Main.h"
#include "core/SharedHelpers.h"
#include "db/Table.h"
#include "mainlist/AdrsCopy.h"
#include "mainlist/AdrsListSettings.h"
#include "mainlist/AdrsSch.h"
#include "mainlist/DataExchangeServices.h"
#include "mainlist/DirectorySearchServices.h"
#include "mainlist/DupliSch.h"
#include "mainlist/HdrSel.h"
#include "mainlist/KeywdEdt.h"
#include "mainlist/ListPrintServices.h"
#include "mainlist/MaintenanceServices.h"
#include "mainlist/LayoutServices.h"
#include "mainlist/RecordFormServices.h"
#include "mainlist/RecordListing.h"
#include "mainlist/WordSch.h"
#include "platform/CustomEvents.h"
#include "base/Folders.h"
#include "platform/Forms.h"
#include "platform/MemIniFile.h"
#include "platform/MessageBox.h"
#include "platform/SingleInstance.h"
#include "widgets/UniSortListView.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QApplication>
#include <QScopeGuard>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QShowEvent>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QToolButton>

namespace {

QString readFailedMessage() { return QStringLiteral("アドレス帳が読み出せませんでした  "); }

}  // namespace

// The list's rows for the view: only the count is known up front; a row's texts are made when it is shown.
class TAddressListModel : public QAbstractTableModel {
public:
    explicit TAddressListModel(TAddressList *list) : QAbstractTableModel(list), list_(list) {}

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : list_->GetRecordCount();
    }
    int columnCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : list_->GetColumnCount();
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid())
            return {};
        const QStringList &texts = list_->RowTextsAt(index.row());
        return index.column() < texts.size() ? texts[index.column()] : QString();
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || section >= list_->GetColumnCount())
            return {};
        const int row = list_->ColumnDefs[list_->VisibleColumns[section]].ItemRow;
        if (role == Qt::DisplayRole)
            return row >= liFirstKeyword && row < liFirstKeyword + 8 ? KeywordNames[row - liFirstKeyword]
                                                                      : ListItemTable()[row].Caption;
        return {};
    }
    // The whole list changed: rows, columns or both.
    void reset()
    {
        beginResetModel();
        endResetModel();
    }

private:
    TAddressList *list_;
};

namespace {

// Draws a cell as the list shows it: the highlight, the link colour while the record form follows this list,
// hits of the word search in yellow (selected) or blue, the symbol mark in its own colour, aligned as its item
// is and cut with an ellipsis.
class TAddressRowDelegate : public QStyledItemDelegate {
public:
    TAddressRowDelegate(TAddressList *list, int margin) : QStyledItemDelegate(list), list_(list), margin_(margin) {}

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        const QPalette &palette = option.palette;
        QColor background = palette.color(QPalette::Base);
        if (selected)
            background = palette.color(QPalette::Highlight);
        else if (list_->LinkColour().isValid())
            background = list_->LinkColour();
        painter->fillRect(option.rect, background);

        QString text = index.data().toString();
        if (text.isEmpty())
            return;
        const int defIndex = list_->VisibleColumns[index.column()];
        const TColumnDef &def = list_->ColumnDefs[defIndex];
        QColor colour;
        if (def.ItemNo == liSymbol) {
            const int comma = text.indexOf(QLatin1Char(','));
            bool ok = false;
            const uint bgr = comma >= 0 ? text.mid(comma + 2).toUInt(&ok, 16) : 0;
            colour = QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
            text = comma >= 0 ? text.left(comma) : text;
        } else {
            const bool hit = !list_->SearchWord.isEmpty() && text.contains(list_->SearchWord);
            colour = selected ? (hit ? QColor(Qt::yellow) : palette.color(QPalette::HighlightedText))
                              : (hit ? QColor(Qt::blue) : palette.color(QPalette::Text));
        }
        const int align = ListItemTable()[def.ItemRow].Align;
        const Qt::Alignment horizontal = align == 2 ? Qt::AlignRight : align == 1 ? Qt::AlignHCenter : Qt::AlignLeft;
        const QRect area = option.rect.adjusted(margin_, 0, -margin_, 0);
        // A row is one line high: the line breaks of a note are drawn as blanks, and the ellipsis counts them so.
        for (QChar &c : text)
            if (c == u'\r' || c == u'\n')
                c = u' ';
        painter->save();
        painter->setPen(colour);
        painter->setFont(option.font);
        painter->drawText(area, horizontal | Qt::AlignVCenter | Qt::TextSingleLine,
                          option.fontMetrics.elidedText(text, Qt::ElideRight, area.width()));
        painter->restore();
    }

private:
    TAddressList *list_;
    int margin_;
};

}  // namespace

TAddressList::TAddressList() : QMainWindow(nullptr)
{
    Q_INIT_RESOURCE(AdrsList);
    setObjectName(QStringLiteral("AddressList"));
    setWindowTitle(AppTitle);
    resize(869, 461);
    setMinimumSize(520, 260);
    margin_ = ScaleByDpi(6, true);

    for (int i = 0; i < ListItemCount; ++i)
        ColumnDefs[i] = {i, i, ScaleByDpi(ListItemTable()[i].Width, true), ListItemTable()[i].Shown};

    createControls();
    model_ = new TAddressListModel(this);
    lvAddress->setModel(model_);
    lvAddress->setItemDelegate(new TAddressRowDelegate(this, margin_));
    connect(lvAddress->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection &selected, const QItemSelection &deselected) {
                // The mirror takes the new state of exactly the rows that changed.
                for (const QItemSelectionRange &r : deselected)
                    for (int row = r.top(); row <= r.bottom(); ++row)
                        if (row < static_cast<int>(SelectedRows.size()))
                            SelectedRows[row] = false;
                for (const QItemSelectionRange &r : selected)
                    for (int row = r.top(); row <= r.bottom(); ++row)
                        if (row < static_cast<int>(SelectedRows.size()))
                            SelectedRows[row] = true;
                selectionChanged();
            });
    connect(lvAddress, &TUniSortListView::OnColumnWidthChange, this, [this](int column, int width) {
        if (column < static_cast<int>(VisibleColumns.size()))
            ColumnDefs[VisibleColumns[column]].Width = width;
        lvAddress->viewport()->update();
    });
    connect(lvAddress, &TUniSortListView::OnDividerDblClick, this, [this](int column) {
        if (column < static_cast<int>(ColumnFitWidths.size()))
            lvAddress->header()->resizeSection(column, ColumnFitWidths[column]);
    });


    const double ppi = screen() ? screen()->logicalDotsPerInch() : 96.0;
    setGeometry(LoadWindowPlacement(screen() ? screen()->geometry().size() : QSize(1024, 768), ppi));
    const TListSettings list = LoadListSettings(ppi);
    ColumnDefs = list.ColumnDefs;
    ViewGroup = list.ViewGroup;
    SortType = list.SortType;
    SortDir = list.SortDir;
    ShowInfoAtStart = LoadStartFlags();
    const bool searchListRead = LoadSearchList(Filter);
    const TDuplicateItems duplicates = LoadDuplicateItem();
    DuplicateItem1 = duplicates.Item1;
    DuplicateItem2 = duplicates.Item2;
    FillSortCombo();
    UpdateSortDirButton();
    createActions();
    // A stored filter read to its end offers both commands, even one without conditions.
    if (searchListRead) {
        EnableAction(actDisableSearch, true);
        EnableAction(actCancelSearch, true);
    }

    connect(cbxGroup, &QComboBox::activated, this, &TAddressList::cbxGroupChange);
    connect(cbxSort, &QComboBox::activated, this, &TAddressList::cbxSortChange);
    connect(sbtnSortDirection, &QToolButton::clicked, this, &TAddressList::sbtnSortDirectionClick);
    updateCountPanels();
    updateFilterPanel();
}

void RegisterMainList()
{
    MakeMainList = [] {
        auto list = std::make_unique<TAddressList>();
        AddressList = list.get();
        return std::unique_ptr<QWidget>(std::move(list));
    };
}

TAddressList::~TAddressList()
{
    if (AddressList == this)
        AddressList = nullptr;
    saveSettings();
    if (DMMirvale18) {
        DMMirvale18->CloseAdrsTable();
        if (categoriesHeld_) {
            DMMirvale18->CloseOxaCatmTable();
            DMMirvale18->CloseOxaCatsTable();
        }
    }
    // The view asks the model and the delegate for headers and cells while it is hidden and destroyed; both
    // read this window's members, which are gone once this body ends. Its viewport's events stop reaching this
    // window's filter first, which would otherwise ask the view being destroyed for its viewport.
    lvAddress->viewport()->removeEventFilter(this);
    delete lvAddress;
}

// Writes what the window keeps between runs, in the order it has always been written; a file that cannot be
// written is reported and the rest are still written.
void TAddressList::saveSettings()
{
    auto attempt = [](const auto &save) {
        try {
            save();
        } catch (const EIniFileError &e) {
            ShowMessageBoxAt(nullptr, e.Message, AppTitle, MB_ICONERROR, mbpSystem);
        }
    };
    const double ppi = screen() ? screen()->logicalDotsPerInch() : 96.0;
    attempt([this] { SaveDuplicateItem({DuplicateItem1, DuplicateItem2}); });
    try {
        SaveSearchList(Filter);
    } catch (const ENarrowDownError &e) {
        ShowMessageBoxAt(this, e.Message, AppTitle, MB_ICONERROR);
    }
    attempt([this, ppi] { ::SaveListSettings({ColumnDefs, ViewGroup, SortType, SortDir}, ppi); });
    attempt([] { SaveAddressBookOrder(); });
    attempt([this, ppi] { SaveWindowPlacement(normalGeometry(), ppi); });
}

void TAddressList::SaveListSettings()
{
    try {
        ::SaveListSettings({ColumnDefs, ViewGroup, SortType, SortDir}, screen() ? screen()->logicalDotsPerInch() : 96.0);
    } catch (const EIniFileError &e) {
        ShowMessageBoxAt(this, e.Message, AppTitle, MB_ICONERROR);
    }
}

void TAddressList::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!shownOnce_) {
        shownOnce_ = true;
        PostMessage(this, WM_AFTERSHOW);
    }
}

bool TAddressList::event(QEvent *event)
{
    if (event->type() == static_cast<QEvent::Type>(WM_AFTERSHOW)) {
        StartUp();
        return true;
    }
    // The long hint of the control under the mouse goes to the first status panel.
    if (event->type() == QEvent::StatusTip) {
        StatusPanels[0]->setText(static_cast<QStatusTipEvent *>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void TAddressList::StartUp()
{
    if (ShowInfoAtStart && RunInfoDialog) {
        const auto [showInfo, checkUpdate] = RunInfoDialog(this);
        ShowInfoAtStart = showInfo;
        UpdateCheckAtStart = checkUpdate;
    }
    try {
        SaveStartFlags(ShowInfoAtStart);
    } catch (const EIniFileError &e) {
        ShowMessageBoxAt(this, e.Message, AppTitle, MB_ICONERROR);
    }
    if (UpdateCheckAtStart && RunStartupUpdateCheck)
        RunStartupUpdateCheck(this, [this] {
            setProperty("ModalResult", QDialog::Rejected);
            close();
        });
    QString notice;
    if (FirstRun)
        notice = QStringLiteral("使用するアドレス帳を指定するために  \r\nアドレス帳の作成画面に入ります  ");
    else if (DataPathReset)
        notice = QStringLiteral("データ保存フォルダーが切り替わりました  \r\n新しく開くアドレス帳を指定してください  ");
    else if (ChooseBookAtStart)
        notice = QStringLiteral("開くアドレス帳を指定してください  ");
    if (!notice.isEmpty())
        ShowMessageBoxAt(this, notice, AppTitle, MB_ICONINFORMATION);
    OpenAddressBook(DataPathReset || ChooseBookAtStart);
}

void TAddressList::SaveCurrentBookName()
{
    TMemIniFile ini(DataFolder + SettingsFileName);
    ini.WriteString(QStringLiteral("BASE"), QStringLiteral("AdrsName"), CurrentAdrsName);
    try {
        ini.UpdateFile();
    } catch (const EIniFileError &e) {
        ShowMessageBoxAt(this, e.Message, AppTitle, MB_ICONERROR);
    }
}

void TAddressList::OpenAddressBook(bool ask)
{
    auto indexOfCurrent = [] {
        for (size_t i = 0; i < AdrsBookList.size(); ++i)
            if (AdrsBookList[i].Name == CurrentAdrsName)
                return static_cast<int>(i);
        return -1;
    };
    // A name that matches no book must lead to the question, never to another book's folder.
    if (!ask && indexOfCurrent() < 0)
        ask = true;
    if (ask) {
        TAddressSelect dialog(this);
        dialog.BookName = CurrentAdrsName;
        dialog.SetMode(asmStartup);
        CenterFormOnOwner(&dialog, this);
        if (ExecDialog(dialog) != QDialog::Accepted) {
            setProperty("ModalResult", QDialog::Rejected);
            close();
            return;
        }
        CurrentAdrsName = dialog.BookName;
        SaveCurrentBookName();
    }
    CurrentAdrsIndex = indexOfCurrent();
    if (CurrentAdrsIndex < 0)
        return;

    TDMMirvale18 &dm = *DMMirvale18;
    dm.CreateDatabaseAndHistories();
    if (!dm.OpenDatabaseAndHistories())
        return;
    // The book's table is opened first; a book that cannot be opened stops here, before any other table.
    dm.CreateAdrsTableObject(AdrsBookList[CurrentAdrsIndex].Folder);
    if (!dm.OpenAdrsTable()) {
        RefreshList(true, true, false);
        return;
    }
    dm.CreateSenderTableObject();
    dm.CreateSharedTableObjects();
    // The category names of the list's cells are looked up row by row; holding the tables open while the
    // window lives keeps each look-up from opening an encrypted file again.
    dm.OpenOxaCatmTable();
    dm.OpenOxaCatsTable();
    categoriesHeld_ = true;
    if (showOpenBook())
        LoadSenderList();
}

bool TAddressList::ReadRecord(int32_t recNo, TAddressRecord *record)
{
    const std::optional<bool> found = findRecord(recNo, false);
    if (!found)
        return false;
    if (!*found) {
        ShowMessageBoxAt(this, readFailedMessage(), AppTitle, MB_ICONERROR);
        return false;
    }
    *record = GetAddressRecordFields(*DMMirvale18->AdrsTable);
    CurrentIndex = -1;
    return true;
}

// ---- The list ----

int TAddressList::GetSelectedCount() const
{
    return static_cast<int>(std::count(SelectedRows.begin(), SelectedRows.end(), true));
}

bool TAddressList::IsSelected(int index) const
{
    return index >= 0 && index < static_cast<int>(SelectedRows.size()) && SelectedRows[index];
}

int32_t TAddressList::GetRecNoAt(int index) const
{
    return index >= 0 && index < GetRecordCount() ? ShownRecNos[index] : -1;
}

int TAddressList::GetFocusedIndex() const { return lvAddress->GetFocused(); }

int TAddressList::GetSelectedIndex() const
{
    const auto it = std::find(SelectedRows.begin(), SelectedRows.end(), true);
    return it == SelectedRows.end() ? -1 : static_cast<int>(it - SelectedRows.begin());
}

int TAddressList::GetLastSelectedIndex() const
{
    for (int i = static_cast<int>(SelectedRows.size()) - 1; i >= 0; --i)
        if (SelectedRows[i])
            return i;
    return -1;
}

int TAddressList::IndexOfRecNo(int32_t recNo) const
{
    if (recNo < 0)
        return -1;
    const auto it = std::find(ShownRecNos.begin(), ShownRecNos.end(), recNo);
    return it == ShownRecNos.end() ? -1 : static_cast<int>(it - ShownRecNos.begin());
}

bool TAddressList::IsFirstRecord() const { return ShownRecNos.empty() || CurrentIndex < 1; }
bool TAddressList::IsLastRecord() const { return ShownRecNos.empty() || CurrentIndex >= GetRecordCount() - 1; }

void TAddressList::SetCurrentIndex(int index)
{
    if (index >= -1 && index <= GetRecordCount() - 1)
        CurrentIndex = index;
}

bool TAddressList::ReadRecordAt(int index, TAddressRecord *record)
{
    if (index < 0 || index >= GetRecordCount())
        return false;
    if (ShownRecNos[index] == -1) {
        ShowMessageBoxAt(this, QStringLiteral("指定したIndexは範囲外です  "), AppTitle, MB_ICONERROR);
        return false;
    }
    if (!ReadRecord(ShownRecNos[index], record))
        return false;
    CurrentIndex = index;
    SelectItem(index, true, true);
    return true;
}

bool TAddressList::ReadFirstRecord(TAddressRecord *record) { return ReadRecordAt(0, record); }
bool TAddressList::ReadLastRecord(TAddressRecord *record) { return ReadRecordAt(GetRecordCount() - 1, record); }
bool TAddressList::ReadPriorRecord(TAddressRecord *record)
{
    return !IsFirstRecord() && ReadRecordAt(CurrentIndex - 1, record);
}
bool TAddressList::ReadNextRecord(TAddressRecord *record)
{
    return !IsLastRecord() && ReadRecordAt(CurrentIndex + 1, record);
}

void TAddressList::SetSelected(int index, bool on)
{
    if (index < 0 || index >= GetRecordCount())
        return;
    const QModelIndex row = model_->index(index, 0);
    QItemSelectionModel *selection = lvAddress->selectionModel();
    if (on) {
        selection->setCurrentIndex(row, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    } else {
        selection->select(row, QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    }
}

void TAddressList::SelectItem(int index, bool clearOthers, bool makeVisible)
{
    if (ShownRecNos.empty()) {
        LastSelIndex = -1;
        return;
    }
    index = std::clamp(index, 0, GetRecordCount() - 1);
    if (clearOthers)
        lvAddress->selectionModel()->clearSelection();
    SetSelected(index, true);
    if (makeVisible)
        lvAddress->scrollTo(model_->index(index, 0));
}

QString TAddressList::GetSenderTitle(int index) const
{
    return index >= 0 && index < GetSenderCount() ? SenderList[index].first : QString();
}

int32_t TAddressList::GetSenderRecNo(int index) const
{
    return index >= 0 && index < GetSenderCount() ? SenderList[index].second : -1;
}

int TAddressList::GetColumnItem(int column) const
{
    return column >= 0 && column < GetColumnCount() ? ColumnDefs[VisibleColumns[column]].ItemRow : -1;
}

namespace {

}  // namespace

QByteArray TAddressList::GetCategoryMainName(int32_t main) { return DMMirvale18->CategoryName(false, main); }

QByteArray TAddressList::GetCategorySubName(int32_t main, int32_t sub)
{
    return DMMirvale18->CategoryName(true, main * 100 + sub);
}

void TAddressList::BuildColumns()
{
    VisibleColumns.clear();
    for (int i = 0; i < ListItemCount; ++i)
        if (ColumnDefs[i].Visible)
            VisibleColumns.push_back(i);
    model_->reset();
    for (size_t c = 0; c < VisibleColumns.size(); ++c)
        lvAddress->header()->resizeSection(static_cast<int>(c), ColumnDefs[VisibleColumns[c]].Width);
    UpdateColumnMinWidths();
}

void TAddressList::UpdateColumnMinWidths()
{
    const QFontMetrics metrics(lvAddress->font());
    ColumnFitWidths.clear();
    for (size_t c = 0; c < VisibleColumns.size(); ++c)
        ColumnFitWidths.push_back(
            metrics.horizontalAdvance(model_->headerData(static_cast<int>(c), Qt::Horizontal, Qt::DisplayRole).toString())
            + 2 * margin_);
}

bool TAddressList::ListTableReady() const
{
    return DMMirvale18 && DMMirvale18->AdrsTable && DMMirvale18->AdrsTable->Active();
}

std::optional<TListOrder> TAddressList::RowOrder() const
{
    if (DuplicateItem1 >= 1 && !SearchDisabled)
        return std::nullopt;
    return TListOrder{SortTypeTable()[SortType].IndexName, SortDir};
}

void TAddressList::LoadRecordNumbers(int32_t keptRecNo)
{
    const bool filtering = !Filter.Conditions.empty() && !SearchDisabled;
    takeListing(keptRecNo, [&](TTable &t) {
        return ListRecordNumbers(t, SortTypeTable()[SortType].IndexName, SortDir, ViewGroup,
                                 filtering ? &Filter : nullptr);
    });
}

void TAddressList::LoadDuplicateRecordNumbers(int32_t keptRecNo)
{
    takeListing(keptRecNo, [&](TTable &t) {
        return ListDuplicateRecordNumbers(t, DuplicateItem1, DuplicateItem2, ViewGroup);
    });
}

// A book that cannot be read through lists nothing: the user is told why and can open another one.
void TAddressList::takeListing(int32_t keptRecNo, const std::function<std::vector<int32_t>(TTable &)> &list)
{
    CurrentIndex = -1;
    ShownRecNos.clear();
    if (ListTableReady()) {
        try {
            ShownRecNos = list(*DMMirvale18->AdrsTable);
        } catch (const EDatabaseError &e) {
            ShownRecNos.clear();
            reportReadError(e, false);
        }
    }
    CurrentIndex = IndexOfRecNo(keptRecNo);
    RowTexts.assign(ShownRecNos.size(), std::nullopt);
    SelectedRows.assign(ShownRecNos.size(), false);
}

std::optional<bool> TAddressList::findRecord(int32_t recNo, bool painting)
{
    if (!ListTableReady())
        return false;
    TTable &t = *DMMirvale18->AdrsTable;
    try {
        t.SetIndexName(QString());
        return t.FindKey({recNo});
    } catch (const EDatabaseError &e) {
        reportReadError(e, painting);
        return std::nullopt;
    }
}

void TAddressList::reportReadError(const EDatabaseError &e, bool painting)
{
    readFailed_ = true;
    const QString text = DatabaseErrorText(readFailedMessage(), e);
    if (!painting) {
        ShowMessageBoxAt(this, text, AppTitle, MB_ICONERROR);
        return;
    }
    // A cell being painted cannot wait for a message box: it is shown once the painting is over.
    QMetaObject::invokeMethod(this, [this, text] { ShowMessageBoxAt(this, text, AppTitle, MB_ICONERROR); },
                              Qt::QueuedConnection);
}

void TAddressList::RefreshList(bool rebuildColumns, bool reload, bool keepPosition)
{
    // Every refresh reads the book again, even after a failure (the other program may have let go).
    readFailed_ = false;
    const int topRow = keepPosition && !ShownRecNos.empty() ? lvAddress->GetTopItem() : -1;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (rebuildColumns)
        BuildColumns();
    else
        UpdateColumnMinWidths();
    const int32_t kept = CurrentIndex >= 0 ? GetRecNoAt(CurrentIndex) : RecordForm ? RecordForm->GetRecNo() : -1;
    if (reload) {
        ShownRecNos.clear();
        RowTexts.clear();
        SelectedRows.clear();
        model_->reset();
        if (RowOrder())
            LoadRecordNumbers(kept);
        else
            LoadDuplicateRecordNumbers(kept);
    } else {
        RowTexts.assign(ShownRecNos.size(), std::nullopt);
        SelectedRows.assign(ShownRecNos.size(), false);
    }
    model_->reset();
    updateCountPanels();
    updateFilterPanel();
    applyBookRules(DMMirvale18 && DMMirvale18->AdrsTable && DMMirvale18->AdrsTable->Active());
    if (RecordForm && RecordForm->GetSourceList() == 1)
        RecordForm->UpdateRecordNavigator();
    if (ShownRecNos.empty() && AddressCopy)
        AddressCopy->ListCountChanged();
    rangeWindowsCountChanged();
    if (topRow >= 0 && !ShownRecNos.empty())
        lvAddress->scrollTo(model_->index(std::min(topRow, GetRecordCount() - 1), 0), QAbstractItemView::PositionAtTop);
    for (TLayoutServices *designer : {LayoutForm, LabelForm})
        if (designer)
            designer->ListChanged();
    QApplication::restoreOverrideCursor();
}

const QStringList &TAddressList::RowTextsAt(int row)
{
    static const QStringList none;
    if (row < 0 || row >= static_cast<int>(RowTexts.size()))
        return none;
    std::optional<QStringList> &texts = RowTexts[row];
    if (!texts)
        texts = makeRowTexts(row);
    return *texts;
}

QStringList TAddressList::makeRowTexts(int row)
{
    QStringList texts;
    // After a failed read the rows stay blank until the next refresh, so a locked table costs one wait and
    // one message, not one of each per row.
    if (readFailed_ || findRecord(ShownRecNos[row], true) != true)
        return texts;
    TTable &t = *DMMirvale18->AdrsTable;
    const QFontMetrics metrics(lvAddress->font());
    TListCells cells(t, [this](int32_t main, int32_t sub) {
        return sub < 0 ? GetCategoryMainName(main) : GetCategorySubName(main, sub);
    });
    for (size_t c = 0; c < VisibleColumns.size(); ++c) {
        texts << cells.Text(ColumnDefs[VisibleColumns[c]].ItemNo, row);
        const int width = metrics.horizontalAdvance(texts.last()) + 2 * margin_;
        if (c < ColumnFitWidths.size() && width > ColumnFitWidths[c])
            ColumnFitWidths[c] = width;
    }
    return texts;
}

void TAddressList::updateCountPanels()
{
    StatusPanels[2]->setText(QStringLiteral("選択件数： ") + QString::number(GetSelectedCount()));
    StatusPanels[3]->setText(QStringLiteral("表示件数： ") + QString::number(GetRecordCount()));
}

void TAddressList::rangeWindowsCountChanged()
{
    for (TListRangeWindow *window : std::initializer_list<TListRangeWindow *>{FileExport, MarkExport, ListPrint})
        if (window)
            window->ListCountChanged();
}

void TAddressList::selectionChanged()
{
    updateCountPanels();
    if (AddressCopy && GetSelectedCount() > 0)
        AddressCopy->ListCountChanged();
    rangeWindowsCountChanged();
    const int first = GetSelectedIndex();
    if (first != LastSelIndex) {
        LastSelIndex = first;
        for (TLayoutServices *designer : {LayoutForm, LabelForm})
            if (designer)
                designer->ListChanged();
    }
    SearchResume = -1;
}

bool TAddressList::FindNextWord()
{
    const int count = GetRecordCount();
    if (count == 0 || !ListTableReady())
        return false;
    int start = SearchResume;
    if (start < 0)
        start = std::max(GetFocusedIndex(), 0);
    TListCells cells(*DMMirvale18->AdrsTable, [this](int32_t main, int32_t sub) {
        return sub < 0 ? GetCategoryMainName(main) : GetCategorySubName(main, sub);
    });
    for (int n = 0; n < count; ++n) {
        const int row = (start + n) % count;
        const std::optional<bool> found = findRecord(ShownRecNos[row], false);
        if (!found)
            return false;
        if (!*found) {
            ShowMessageBoxAt(this, readFailedMessage(), AppTitle, MB_ICONERROR);
            return false;
        }
        for (int defIndex : VisibleColumns) {
            const int item = ColumnDefs[defIndex].ItemNo;
            if (item == liSymbol)
                continue;
            if (cells.Text(item, row).contains(SearchWord) && !SearchWord.isEmpty()) {
                SelectItem(row, true, true);
                SearchResume = row + 1;
                return true;
            }
        }
    }
    return false;
}

void TAddressList::LoadSenderList()
{
    SenderList.clear();
    TDMMirvale18 &dm = *DMMirvale18;
    if (dm.SenderTable && dm.OpenSenderTable()) {
        TTable &t = *dm.SenderTable;
        try {
            t.SetIndexName(QString());
            t.Scan({QStringLiteral("RecNo"), QStringLiteral("Title")}, true, [this](const QVariantList &v) {
                SenderList.emplace_back(Sjis::decode(TrimBlanks(v[1].toByteArray())),
                                        static_cast<int32_t>(v[0].toLongLong()));
            });
        } catch (const EDatabaseError &e) {
            SenderList.clear();
            ShowMessageBoxAt(this, DatabaseErrorText(QStringLiteral("差出人ファイルが読み出せませんでした  "), e),
                             AppTitle, MB_ICONERROR);
        }
    }
    dm.CloseSenderTable();
    if (RecordForm)
        RecordForm->RefreshSenderList();
}

void TAddressList::SetRecordSender(int32_t recNo, int32_t sender)
{
    TTable &t = *DMMirvale18->AdrsTable;
    t.SetIndexName(QString());
    if (!t.FindKey({recNo}))
        return;
    t.Edit();
    try {
        t.FieldByName(QStringLiteral("Sender")).SetAsInteger(sender);
        t.Post();
    } catch (...) {
        t.Cancel();
        throw;
    }
    if (RecordForm && RecordForm->GetSourceList() == 1 && GetRecNoAt(CurrentIndex) == recNo)
        RecordForm->SelectSender(sender);
}

void TAddressList::updateFilterPanel()
{
    QLabel *panel = StatusPanels[1];
    const bool filtering = !Filter.Conditions.empty();
    QString text;
    int bgr = 0;
    if (SearchDisabled && filtering) {
        text = QStringLiteral("絞り込み無効");
        bgr = 0x8FBF8F;
    } else if (SearchDisabled && DuplicateItem1 >= 1) {
        text = QStringLiteral("重複表示無効");
        bgr = 0xBFBF8F;
    } else if (filtering) {
        text = QStringLiteral("絞り込み中");
        bgr = 0xAFFFAF;
    } else if (DuplicateItem1 >= 1) {
        text = QStringLiteral("重複表示中");
        bgr = 0xFFFFAF;
    }
    panel->setText(text);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, text.isEmpty() ? stbarInfo->palette().color(QPalette::Window)
                                                      : QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF));
    panel->setPalette(palette);
}

void TAddressList::FillGroupCombo()
{
    cbxGroup->clear();
    cbxGroup->addItems(GroupComboItems());
    cbxGroup->setCurrentIndex(ViewGroup);
}

void TAddressList::FillSortCombo()
{
    cbxSort->clear();
    cbxSort->addItems(SortComboItems());
    cbxSort->setCurrentIndex(SortType);
}

void TAddressList::UpdateSortDirButton()
{
    sbtnSortDirection->setIcon(style()->standardIcon(SortDir ? QStyle::SP_ArrowUp : QStyle::SP_ArrowDown));
    const QString hint = SortDir ? QStringLiteral("表示方向： 昇順|指定中の表示順の昇順と降順を切り替えます")
                                 : QStringLiteral("表示方向： 降順|指定中の表示順の昇順と降順を切り替えます");
    sbtnSortDirection->setToolTip(hint.section(QLatin1Char('|'), 0, 0));
    sbtnSortDirection->setStatusTip(hint.section(QLatin1Char('|'), 1));
}

// The list again after its filter, duplicate display, group, order or direction changed: the record the form
// shows stays current; without one, the record that was selected stays selected wherever it now stands.
void TAddressList::relistKeepingSelection()
{
    const int selected = GetSelectedIndex();
    const int32_t selectedRecNo = selected >= 0 ? GetRecNoAt(selected) : -1;
    RefreshList(false, true, false);
    SelectItem(CurrentIndex >= 0 ? CurrentIndex : IndexOfRecNo(selectedRecNo), false, true);
    lvAddress->setFocus();
}

void TAddressList::cbxGroupChange()
{
    if (cbxGroup->currentIndex() == ViewGroup)
        return;
    ViewGroup = cbxGroup->currentIndex();
    relistKeepingSelection();
}

void TAddressList::cbxSortChange()
{
    if (cbxSort->currentIndex() == SortType)
        return;
    SortType = cbxSort->currentIndex();
    SortDir = true;
    UpdateSortDirButton();
    relistKeepingSelection();
}

void TAddressList::sbtnSortDirectionClick()
{
    SortDir = !SortDir;
    UpdateSortDirButton();
    relistKeepingSelection();
}

// ---- Commands ----

void TAddressList::EnableAction(QAction *action, bool rule)
{
    action->setEnabled(rule && action->property("Available").toBool());
}

bool TAddressList::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lvAddress->viewport() && event->type() == QEvent::MouseButtonPress && !ShownRecNos.empty()
        && !lvAddress->indexAt(static_cast<QMouseEvent *>(event)->position().toPoint()).isValid()) {
        const int focused = std::max(GetFocusedIndex(), 0);
        if (GetSelectedCount() == 0)
            SetSelected(focused, true);
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TAddressList::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && isEnabled()) {
        event->accept();
        actExit->trigger();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void TAddressList::applyBookRules(bool bookOpen)
{
    for (QAction *action : {actAdrsCopy, actExportFile, actMarkExport, actInquiry, actDelete, actBatchChange,
                            actListPrint, actOptimize, actConvertKykbn, actConvertAdrsPos, actRepairIndex})
        EnableAction(action, !ShownRecNos.empty());
    // Filtering and printing have nothing to work on until a book is open.
    EnableAction(actAdrsSearch, bookOpen);
    EnableAction(actDuplicateSearch, bookOpen);
    tbtnPrint->setEnabled(bookOpen);
}

// The filter and duplicate commands and the sort controls follow the filter, the duplicate display and the
// suspension of both.
void TAddressList::updateSearchControls()
{
    const bool set = !Filter.Conditions.empty() || DuplicateItem1 >= 1;
    EnableAction(actDisableSearch, set || actDisableSearch->isChecked());
    EnableAction(actCancelSearch, set);
    const bool sortable = RowOrder().has_value();
    cbxSort->setEnabled(sortable);
    sbtnSortDirection->setEnabled(sortable);
}

void TAddressList::openBookTable()
{
    TDMMirvale18 &dm = *DMMirvale18;
    dm.CreateAdrsTableObject(AdrsBookList[CurrentAdrsIndex].Folder);
    if (dm.OpenAdrsTable()) {
        showOpenBook();
        return;
    }
    setWindowTitle(AppTitle);
    RefreshList(true, true, false);  // nothing of the book that was open before may stay listed
}

bool TAddressList::showOpenBook()
{
    LoadGroupNames();
    FillGroupCombo();
    RefreshList(true, true, false);
    // A book whose records cannot be listed counts as not opened: it is let go, and the caption names no
    // book, until the user opens one that can be read.
    if (readFailed_) {
        DMMirvale18->CloseAdrsTable();
        setWindowTitle(AppTitle);
        return false;
    }
    setWindowTitle(AppTitle + QStringLiteral(" - ") + CurrentAdrsName);
    SelectItem(0, false, false);
    return true;
}

void TAddressList::actAddressSelectExecute(QAction *action)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    TAddressSelect dialog(this);
    dialog.BookName = CurrentAdrsName;
    dialog.SetMode(action->data().toInt());
    CenterFormOnOwner(&dialog, this);
    QApplication::restoreOverrideCursor();
    if (ExecDialog(dialog) != QDialog::Accepted || !dialog.BookChanged || !CloseSubForms())
        return;
    DMMirvale18->CloseAdrsTable();
    DMMirvale18->FreeAdrsTableObject();
    CurrentAdrsName = dialog.BookName;
    SaveCurrentBookName();
    CurrentAdrsIndex = -1;
    for (size_t i = 0; i < AdrsBookList.size(); ++i)
        if (AdrsBookList[i].Name == CurrentAdrsName)
            CurrentAdrsIndex = static_cast<int>(i);
    CurrentIndex = -1;
    if (CurrentAdrsIndex >= 0) {
        openBookTable();
    } else {
        setWindowTitle(AppTitle);
        RefreshList(true, true, false);
    }
    lvAddress->setFocus();
}

void TAddressList::actEditGroupExecute()
{
    // The record form asks for it too: the dialog appears over whichever of the two the user works in.
    const QWidget *active = QApplication::activeWindow();
    QWidget *form = RecordForm ? RecordForm->FormWindow() : nullptr;
    const bool fromList = active == this;
    TGruopEdit dialog(this);
    if (fromList)
        CenterFormOnOwner(&dialog, this);
    else if (form && active == form)
        CenterFormOnOwner(&dialog, form);
    if (ExecDialog(dialog) == QDialog::Accepted && dialog.NamesChanged) {
        FillGroupCombo();
        const int first = GetSelectedIndex();
        RefreshList(true, false, true);
        SelectItem(first, false, false);
        if (RecordForm)
            RecordForm->RefreshGroupList();
        RefreshListPrintPreview();
    }
    if (fromList)
        lvAddress->setFocus();
}

void TAddressList::actExitExecute()
{
    setProperty("ModalResult", mrCancel);
    close();
}

void TAddressList::actDeleteExecute()
{
    const int first = GetSelectedIndex();
    if (first < 0)
        return;
    if (ShowMessageBoxAt(this, QStringLiteral("選択したデータを削除します  \r\nよろしいですか？  "), AppTitle,
                         MB_ICONQUESTION | MB_YESNO | MB_DEFBUTTON2)
        != IDYES)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    TTable &t = *DMMirvale18->AdrsTable;
    t.SetIndexName(QString());
    std::vector<int32_t> deleted;
    bool currentDeleted = false;
    // The selection goes as one: a kill or a failed row leaves every selected record in the book, never some.
    try {
        t.StartTransaction();
        for (int row = 0; row < GetRecordCount(); ++row) {
            if (!SelectedRows[row] || !t.FindKey({ShownRecNos[row]}))
                continue;
            t.Delete();
            deleted.push_back(ShownRecNos[row]);
            currentDeleted = currentDeleted || row == CurrentIndex;
        }
        t.Commit();
    } catch (const EDatabaseError &e) {
        deleted.clear();
        currentDeleted = false;
        t.Abandon();
        QApplication::restoreOverrideCursor();
        ShowMessageBoxAt(this, e.Message, AppTitle, MB_ICONERROR);
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    if (currentDeleted)
        CurrentIndex = -1;
    if (currentDeleted && RecordForm && RecordForm->GetSourceList() == 1) {
        RecordForm->SetSkipUnsavedCheck(true);
        RecordForm->FormWindow()->close();
    }
    if (!deleted.empty()) {
        RefreshList(false, true, true);
        SelectItem(first, false, true);
        for (TLayoutServices *designer : {LayoutForm, LabelForm})
            if (designer)
                designer->DataDeleted(deleted);
    }
    QApplication::restoreOverrideCursor();
    lvAddress->setFocus();
}

void TAddressList::actWordNextExecute()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    FindNextWord();
    QApplication::restoreOverrideCursor();
}

void TAddressList::actDisableSearchExecute()
{
    SearchDisabled = actDisableSearch->isChecked();
    updateSearchControls();
    relistKeepingSelection();
}

void TAddressList::actCancelSearchExecute()
{
    const bool wasSuspended = actDisableSearch->isChecked();
    Filter = TNarrowDownCondition();
    DuplicateItem1 = DuplicateItem2 = 0;
    actDisableSearch->setChecked(false);
    SearchDisabled = false;
    updateSearchControls();
    updateFilterPanel();
    if (!wasSuspended)
        relistKeepingSelection();
    lvAddress->setFocus();
}

void TAddressList::actInitColumnExecute()
{
    for (TColumnDef &def : ColumnDefs)
        def.Width = ScaleByDpi(ListItemTable()[def.ItemNo].Width, true);
    for (size_t c = 0; c < VisibleColumns.size(); ++c)
        lvAddress->header()->resizeSection(static_cast<int>(c), ColumnDefs[VisibleColumns[c]].Width);
}

void TAddressList::actReloadExecute()
{
    const int first = GetSelectedIndex();
    RefreshList(false, false, true);
    SelectItem(first, false, false);
}

void TAddressList::actTopicExecute()
{
    if (MainForm)
        MainForm->AppHelp(0, 0);
}

void TAddressList::UpdateListColor()
{
    const bool linked = RecordForm && RecordForm->GetSourceList() == 1 && RecordForm->GetLinked() == 1 && ViewBGPaint;
    linkColour_ = linked ? QColor(ViewBGColor & 0xFF, (ViewBGColor >> 8) & 0xFF, (ViewBGColor >> 16) & 0xFF) : QColor();
    lvAddress->viewport()->update();
}

// Shows the focused selected record in the record form, or brings the form forward when it already shows it.
void TAddressList::actInquiryExecute()
{
    if (ShownRecNos.empty() || GetSelectedIndex() < 0)
        return;
    // One row stays selected: the focused one when it is selected, else the first.
    const int focused = GetFocusedIndex();
    for (int row = GetLastSelectedIndex(); row >= 0 && GetSelectedCount() > 1; --row)
        if (SelectedRows[row] && row != focused)
            SetSelected(row, false);
    const int index = GetSelectedIndex();
    bool refresh = false;
    if (RecordForm) {
        if (index == CurrentIndex && RecordForm->GetSourceList() == 1) {
            ForceForegroundWindow(RecordForm->FormWindow());
            return;
        }
        // The form's question runs as this window's command too: this goes on after it.
        int answer = 9;
        if (!RunAsCommandOf(this, [&answer] { answer = RecordForm->CheckUnsavedChanges(false, false); }) || answer == 9)
            return;
        refresh = answer == 0;
    }
    TAddressRecord record;
    if (ReadRecordAt(index, &record)) {
        if (!RecordForm)
            RecordForm = MakeRecordForm(this);
        QWidget *form = RecordForm->FormWindow();
        if (form->isMinimized())
            form->showNormal();
        RecordForm->SetSourceList(1);
        RecordForm->ShowRecord(record);
        ForceForegroundWindow(form);
    }
    if (refresh) {
        RefreshList(false, true, true);
        SelectItem(CurrentIndex, false, false);
    }
}

void TAddressList::actNumerSearchExecute()
{
    if (!RecordForm)
        RecordForm = MakeRecordForm(this);
    QWidget *form = RecordForm->FormWindow();
    if (form->isMinimized())
        form->showNormal();
    // The form's question and look-up run as this window's command too; a close of the form pressed in its
    // question closes it once this handler has returned.
    if (RunAsCommandOf(this, [] { RecordForm->BeginNewRecord(); }) && RecordForm)
        ForceForegroundWindow(RecordForm->FormWindow());
}

void TAddressList::actWordSearchExecute()
{
    TWordSearch dialog(this);
    CenterFormOnOwner(&dialog, this);
    dialog.SetWord(SearchWord);
    if (ExecDialog(dialog) != QDialog::Accepted)
        return;
    SearchWord = dialog.GetWord();
    EnableAction(actWordNext, !SearchWord.isEmpty());
    lvAddress->viewport()->update();
    if (SearchWord.isEmpty())
        return;
    SearchResume = -1;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool found = FindNextWord();
    QApplication::restoreOverrideCursor();
    if (!found)
        ShowMessageBoxAt(this, QStringLiteral("指定した文字列は見つかりませんでした  "), AppTitle, MB_ICONINFORMATION);
}

void TAddressList::actDuplicateSearchExecute()
{
    TDuplicateSearch dialog(this);
    CenterFormOnOwner(&dialog, this);
    dialog.SetItems(DuplicateItem1, DuplicateItem2);
    if (ExecDialog(dialog) != QDialog::Accepted)
        return;
    dialog.GetItems(DuplicateItem1, DuplicateItem2);
    actDisableSearch->setChecked(false);
    SearchDisabled = false;
    // The duplicate display and a filter exclude each other.
    if (DuplicateItem1 >= 1)
        Filter = TNarrowDownCondition();
    updateSearchControls();
    relistKeepingSelection();
}

void TAddressList::actKeywordEditExecute()
{
    TKeywordEdit dialog(this);
    CenterFormOnOwner(&dialog, this);
    if (ExecDialog(dialog) != QDialog::Accepted)
        return;
    if (dialog.NamesChanged) {
        FillSortCombo();
        const int first = GetSelectedIndex();
        RefreshList(true, false, true);
        SelectItem(first, false, false);
        if (RecordForm)
            RecordForm->ApplyKeywordNames();
        if (FileExport)
            FileExport->UpdateKeywordNames();
        if (ListPrint)
            ListPrint->UpdateKeywordNames();
    }
    if (dialog.ModesChanged && RecordForm)
        RecordForm->ApplyKeywordInputModes();
}

void TAddressList::actImportFileExecute()
{
    if (!CloseSubForms())
        return;
    if (RunFileImport(this)) {
        RefreshList(false, true, false);
        SelectItem(0, false, false);
    }
    lvAddress->setFocus();
}

void TAddressList::actEnvironmentExecute()
{
    const TEnvironmentResult result = RunEnvironment(this);
    if (result.MustEnd) {
        QCoreApplication::processEvents();
        close();
        return;
    }
    if (!result.Accepted)
        return;
    if (result.DataFolderChanged) {
        Filter = TNarrowDownCondition();
        actDisableSearch->setChecked(false);
        SearchDisabled = false;
        updateFilterPanel();
        ShownRecNos.clear();
        RowTexts.clear();
        SelectedRows.clear();
        CurrentIndex = -1;
        model_->reset();
        // The settings dialog made the new folder's histories and Other/ before it took the folder.
        LoadAddressBookList(true);
        if (DMMirvale18) {
            if (categoriesHeld_) {
                DMMirvale18->CloseOxaCatmTable();
                DMMirvale18->CloseOxaCatsTable();
                categoriesHeld_ = false;
            }
            DMMirvale18->FreeSharedTableObjects();
            DMMirvale18->FreeSenderTableObject();
            DMMirvale18->CloseAdrsTable();
            DMMirvale18->FreeAdrsTableObject();
            DMMirvale18->CloseDatabaseAndHistories();
            DMMirvale18->FreeDatabaseAndHistories();
        }
        const double ppi = screen() ? screen()->logicalDotsPerInch() : 96.0;
        const TListSettings list = LoadListSettings(ppi);
        ColumnDefs = list.ColumnDefs;
        ViewGroup = list.ViewGroup;
        SortType = list.SortType;
        SortDir = list.SortDir;
        FillSortCombo();
        UpdateSortDirButton();
        OpenAddressBook(false);
        // The new folder's book is listed in the colour and with the programs just chosen too.
        if (result.LinkColorChanged)
            UpdateListColor();
        return;
    }
    if (result.HistoryCountChanged && ApplyDirectoryHistoryLimit)
        ApplyDirectoryHistoryLimit();
    if (result.LinkColorChanged) {
        if (UpdateDirectoryLinkColor)
            UpdateDirectoryLinkColor();
        UpdateListColor();
    }
    if (result.MapRouteChanged && RecordForm)
        RecordForm->UpdateMapRouteHints();
    lvAddress->setFocus();
}

void TAddressList::actListPrintExecute()
{
    if (ListPrintPrinterCount() == 0) {
        ShowMessageBoxAt(this, QStringLiteral("プリンターがインストールされていません  "), AppTitle, MB_ICONINFORMATION);
        return;
    }
    ShowListPrint(this);
}

void TAddressList::actViewColumnExecute()
{
    THeaderSelect dialog(this);
    CenterFormOnOwner(&dialog, this);
    dialog.SetColumns(ColumnDefs);
    if (ExecDialog(dialog) != QDialog::Accepted)
        return;
    dialog.GetColumns(ColumnDefs);
    const int first = GetSelectedIndex();
    RefreshList(true, false, true);
    SelectItem(first, false, false);
    if (ListPrint)
        ListPrint->UpdateAddressListTemplate();
}

void TAddressList::actAdrsSearchExecute()
{
    TAddressSearch dialog(this);
    CenterFormOnOwner(&dialog, this);
    dialog.SetConditions(Filter);
    if (ExecDialog(dialog) != QDialog::Accepted)
        return;
    dialog.GetConditions(Filter);
    actDisableSearch->setChecked(false);
    SearchDisabled = false;
    // A filter and the duplicate display exclude each other.
    DuplicateItem1 = DuplicateItem2 = 0;
    updateSearchControls();
    relistKeepingSelection();
}

bool TAddressList::CloseSubForms()
{
    // In the documented order; a window that stays (unsaved work the user keeps) keeps this one open too.
    if (RecordForm) {
        RecordForm->FormWindow()->close();
        if (RecordForm)
            return false;
    }
    if (AddressCopy) {
        AddressCopy->close();
        if (AddressCopy)
            return false;
    }
    for (TListRangeWindow **window : {&FileExport, &MarkExport})
        if (*window) {
            (*window)->Window()->close();
            if (*window)
                return false;
        }
    if (ListPrint) {
        ListPrint->Window()->close();
        if (ListPrint)
            return false;
    }
    if (CloseDirectorySearches && !CloseDirectorySearches())
        return false;
    return CloseDesigners(0);
}

bool TAddressList::CloseDesigners(int except)
{
    // 1 the address designer, 2 the label window in label mode, 3 in card mode, 4 the letter-body designer.
    const auto closes = [](TLayoutServices *&designer) {
        designer->FormWindow()->close();
        return designer == nullptr;
    };
    if (except != 1 && LayoutForm && !closes(LayoutForm))
        return false;
    if (LabelForm && except != (LabelForm->IsCardMode() ? 3 : 2) && !closes(LabelForm))
        return false;
    if (except != 4 && DesignForm && !closes(DesignForm))
        return false;
    return true;
}

void TAddressList::actDesignerExecute(int designer)
{
    if (!CloseDesigners(designer))
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QScopeGuard restore([] { QApplication::restoreOverrideCursor(); });
    switch (designer) {
    case 1: ShowLayoutForm(this); break;
    case 2:
    case 3: ShowLabelForm(this, designer == 3); break;
    default: ShowDesignForm(this); break;
    }
}

void TAddressList::closeEvent(QCloseEvent *event)
{
    // The windows it closes ask on its behalf.
    if (!AskBeforeClose(this, [this] { return CloseSubForms(); })) {
        setProperty("ModalResult", QVariant());
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}
