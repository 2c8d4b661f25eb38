// TAddressList: the program's visible main window, showing the current address book as a virtual list.
#pragma once

#include "mainlist/ListItems.h"
#include "mainlist/NarrowDown.h"
#include "mainlist/RecordListing.h"

#include <QColor>
#include <QMainWindow>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

class EDatabaseError;
class QAction;
class QActionGroup;
class QComboBox;
class QMenu;
class QLabel;
class QStatusBar;
class QToolBar;
class QToolButton;
class TAddressListModel;
class TTable;
class TUniSortListView;
struct TAddressRecord;

class TAddressList : public QMainWindow {
    Q_OBJECT
public:
    // A top-level window of its own (not a child of the hidden main form), so the desktop lists it.
    TAddressList();
    ~TAddressList() override;

    QToolBar *tbarTool;
    QWidget *pnlSpacer;
    QLabel *lblGroup;
    QComboBox *cbxGroup;
    QToolButton *sbtnEditGroup;
    QLabel *lblSort;
    QComboBox *cbxSort;
    QToolButton *sbtnSortDirection;
    TUniSortListView *lvAddress;
    QStatusBar *stbarInfo;
    std::array<QLabel *, 5> StatusPanels;

    // The commands, in the order of the menus.
    QAction *actCreate, *actOpen, *actEditGroup, *actAdrsCopy, *actImportFile, *actExportFile, *actMarkExport,
        *actExit;
    QAction *actInquiry, *actDelete, *actBatchChange;
    QAction *actNameAdrsSearch, *actCategorySearch, *actNumerSearch, *actWordSearch, *actWordNext;
    QAction *actAdrsSearch, *actDuplicateSearch, *actDisableSearch, *actCancelSearch, *actKeywordEdit,
        *actViewColumn, *actInitColumn, *actReload;
    QAction *actLayoutPrint, *actLabelPrint, *actCardPrint, *actDesignPrint, *actListPrint;
    QAction *actEnvironment, *actBackup, *actRestore, *actOptimize, *actConvertKykbn, *actConvertAdrsPos,
        *actRepairIndex;
    QAction *actTopic, *actVersion;
    QMenu *pmAdrs, *pmSearch, *pmPrint, *pmColumn;
    QToolButton *tbtnPrint;

    // The list's state.
    std::array<TColumnDef, ListItemCount> ColumnDefs;
    std::vector<int> VisibleColumns;    // for each list column, its index into ColumnDefs
    std::vector<int> ColumnFitWidths;   // for each list column, the width a divider double click gives it
    std::vector<int32_t> ShownRecNos;   // the listed records, in list order
    std::vector<std::optional<QStringList>> RowTexts;  // built when a row is first shown
    int CurrentIndex = -1;              // the row whose record the record form shows; -1 none
    std::vector<std::pair<QString, int32_t>> SenderList;  // sender titles and record numbers
    int LastSelIndex = -1;
    std::vector<bool> SelectedRows;
    int ViewGroup = 0;   // 0 all, 1 records without a group, n >= 2 group n - 1
    int SortType = 0;    // row of the sort-order table
    bool SortDir = true; // ascending
    QString SearchWord;
    int SearchResume = -1;
    TNarrowDownCondition Filter;
    // The filter and the duplicate display are suspended (the check of "絞り込み無効").
    bool SearchDisabled = false;
    int DuplicateItem1 = 0, DuplicateItem2 = 0;
    bool ShowInfoAtStart = true;

    // Accessors the other windows read the list through.
    int GetRecordCount() const { return static_cast<int>(ShownRecNos.size()); }
    int GetSelectedCount() const;
    bool IsSelected(int index) const;
    int32_t GetRecNoAt(int index) const;
    int GetFocusedIndex() const;
    int GetSelectedIndex() const;
    int GetLastSelectedIndex() const;
    int IndexOfRecNo(int32_t recNo) const;
    bool IsFirstRecord() const;
    bool IsLastRecord() const;
    void SetCurrentIndex(int index);
    bool ReadRecordAt(int index, TAddressRecord *record);
    bool ReadFirstRecord(TAddressRecord *record);
    bool ReadLastRecord(TAddressRecord *record);
    bool ReadPriorRecord(TAddressRecord *record);
    bool ReadNextRecord(TAddressRecord *record);
    void SetSelected(int index, bool on);
    void SelectItem(int index, bool clearOthers, bool makeVisible);
    int GetSenderCount() const { return static_cast<int>(SenderList.size()); }
    QString GetSenderTitle(int index) const;
    int32_t GetSenderRecNo(int index) const;
    int GetColumnCount() const { return static_cast<int>(VisibleColumns.size()); }
    int GetColumnItem(int column) const;
    QByteArray GetCategoryMainName(int32_t main);
    QByteArray GetCategorySubName(int32_t main, int32_t sub);

    // Reads the row with that record number of the open book into record; false (with a message) when
    // there is none.
    bool ReadRecord(int32_t recNo, TAddressRecord *record);

    void RefreshList(bool rebuildColumns, bool reload, bool keepPosition);
    void BuildColumns();
    void UpdateColumnMinWidths();
    // The order the listed rows follow; none in the duplicate display, whose rows follow no index.
    std::optional<TListOrder> RowOrder() const;
    void LoadRecordNumbers(int32_t keptRecNo);
    void LoadDuplicateRecordNumbers(int32_t keptRecNo);
    void LoadSenderList();
    void SetRecordSender(int32_t recNo, int32_t sender);
    bool FindNextWord();
    void UpdateListColor();
    // The background of the rows while the record form follows this list; invalid otherwise.
    const QColor &LinkColour() const { return linkColour_; }
    // The texts of a listed row, one per list column, built on first use.
    const QStringList &RowTextsAt(int row);

    void actAddressSelectExecute(QAction *action);
    void actEditGroupExecute();
    void actExitExecute();
    void actDeleteExecute();
    void actWordNextExecute();
    void actDisableSearchExecute();
    void actCancelSearchExecute();
    void actInitColumnExecute();
    void actReloadExecute();
    void actTopicExecute();
    void actInquiryExecute();
    void actWordSearchExecute();
    void actAdrsSearchExecute();
    void actDuplicateSearchExecute();
    void actKeywordEditExecute();
    void actViewColumnExecute();
    void actNumerSearchExecute();
    void actImportFileExecute();
    void actListPrintExecute();
    void actEnvironmentExecute();
    // The maintenance commands (AdrsListMaintenance.cpp).
    void actBackupExecute();
    void actRestoreExecute();
    void actMaintenanceExecute(const std::function<bool(QWidget *)> &run, bool senders);
    void actRepairIndexExecute();
    // Enables an action by its rule, as far as the window it opens exists in this build.
    static void EnableAction(QAction *action, bool rule);
    // The commands that need records or an open book follow the list and the book.
    void applyBookRules(bool bookOpen);

    void FillGroupCombo();
    void FillSortCombo();
    void UpdateSortDirButton();
    void cbxGroupChange();
    void cbxSortChange();
    void sbtnSortDirectionClick();

    // The first-show steps: the notice why a book must be chosen, then the book is opened.
    void StartUp();
    // Opens the current address book, first asking for one when ask is set.
    void OpenAddressBook(bool ask);
    // Asks the windows that work beside this one to close; false when one of them stays open.
    bool CloseSubForms();
    // Closes the designers but the one kept (1 address, 2 label, 3 card, 4 letter body; 0 none); false as soon
    // as one stays open.
    bool CloseDesigners(int except);
    // Opens designer 1 to 4 once the others have closed.
    void actDesignerExecute(int designer);
    // Writes the columns, group and sort choice to "AdrsList.ini" now (the settings dialog asks before it
    // writes the shared settings); a failure is reported.
    void SaveListSettings();
    // Writes CurrentAdrsName as [BASE] AdrsName.
    void SaveCurrentBookName();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool event(QEvent *event) override;

private:
    QStringList makeRowTexts(int row);
    void updateCountPanels();
    void selectionChanged();
    // The windows that work on a range of the list learn that its rows or its selection changed.
    void rangeWindowsCountChanged();
    bool ListTableReady() const;
    void updateFilterPanel();
    // Builds the tool bar, the list view and the status bar; the list's model comes after.
    void createControls();
    void createActions();
    void updateSearchControls();
    // Opens the book at CurrentAdrsIndex in place of the one before (whose table is already closed).
    void openBookTable();
    // Fills the list and the group box from the book whose table has just opened; a book whose records cannot
    // be listed is closed again and false answered.
    bool showOpenBook();
    // Lists the records through list over the book's table; a failed read is reported and lists nothing.
    void takeListing(int32_t keptRecNo, const std::function<std::vector<int32_t>(TTable &)> &list);
    // Makes the record current on the primary index: found or not, or no answer (the failure reported).
    std::optional<bool> findRecord(int32_t recNo, bool painting);
    void reportReadError(const EDatabaseError &e, bool painting);
    void relistKeepingSelection();
    void saveSettings();

    TAddressListModel *model_;
    bool shownOnce_ = false;
    bool categoriesHeld_ = false;
    bool readFailed_ = false;  // a read of the book failed since the last refresh
    QColor linkColour_;  // the list's background while the record form follows it; invalid otherwise
    int margin_ = 6;
};

// The main list while it exists.
inline TAddressList *AddressList = nullptr;

// Installs the main list's maker, which start-up calls.
void RegisterMainList();
