// TDirectorySearchWindow: what the two directory search windows share — the area choice, telephone kinds and
// legal form, the job buttons and the busy state, the worker they drive, the page of hits in a virtual list
// with its status bar, paging, opening a hit in the record form and stepping through the hits from there,
// the CSV output of selected hits, the remembered conditions and the window settings. The name-and-address
// search (NmAdSch) and the category search (CtgrySch) add their own conditions.
#pragma once

#include "Kvdir17/Kvdir17.h"
#include "directory/AreaChooser.h"
#include "directory/ItemChoice.h"
#include "directory/SearchHistory.h"
#include "platform/Forms.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSplitter;
class QStatusBar;
class QToolButton;
class QTreeView;
class QVBoxLayout;
class TSearchThread;

// The page of hits shown: one row per hit, the cells as the list shows them.
class THitListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int ColumnCount = 7;
    static const std::array<int, ColumnCount> &DefaultWidths();

    explicit THitListModel(QObject *parent = nullptr);

    // The category names of the two category columns: main (sub false, catNo its number) or sub (main × 100 +
    // sub); empty when there is none.
    std::function<QByteArray(bool sub, int32_t catNo)> CategoryName;

    void SetPage(std::vector<TDirectoryHit> hits, int pageNo, int pageSize);
    void Clear();
    const std::vector<TDirectoryHit> &Hits() const { return hits_; }
    int PageNo() const { return pageNo_; }
    // The area caption cut from the front of each address while set; empty shows the addresses whole.
    void SetOmission(const QByteArray &caption);
    void SetLinkColour(const QColor &colour);
    QString CellText(int row, int column) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<TDirectoryHit> hits_;
    int pageNo_ = -1;
    int pageSize_ = 20;
    QByteArray omission_;
    QColor linkColour_;
};

class TDirectorySearchWindow : public QWidget {
    Q_OBJECT
public:
    ~TDirectorySearchWindow() override;

    // Jobs of the job buttons.
    static constexpr int jobSearch = 0;
    static constexpr int jobCount = 1;
    static constexpr int jobOutput = 2;

    // Conditions.
    QComboBox *nmcbxName;  // with the remembered names; shown while HistoryCount >= 1
    QLineEdit *nmedtName;  // shown otherwise
    QCheckBox *chkNormal, *chkFax, *chkFaxCombi, *chkMainNumber;
    QComboBox *cbxCorpDiv;
    QComboBox *cbxArea;
    QListWidget *lbxTdfkn, *lbxCity, *lbxOhaza;
    QSplitter *spltCenter, *spltAdrs;
    QCheckBox *chkOmissionAdrs;
    // Jobs.
    QPushButton *bbtnSearch, *bbtnNext, *bbtnPrior, *bbtnCount, *bbtnFileExport, *bbtnStop, *bbtnClose;
    QWidget *pnlSearch;
    QProgressBar *aniSearch;
    // Results.
    QToolButton *sbtnInquiry, *sbtnFileExport, *sbtnExportItemSelect;
    QLabel *pnlAdrs;
    QTreeView *lvResult;
    QStatusBar *stbarInfo;
    std::vector<QLabel *> StatusPanels;

    // Services for the record form and the main window.
    bool InquireFirstHit(TDirectoryDetail &detail);
    bool InquirePriorHit(TDirectoryDetail &detail);
    bool InquireNextHit(TDirectoryDetail &detail);
    bool InquireLastHit(TDirectoryDetail &detail);
    bool IsFirstHit() const;
    bool IsLastHit() const;
    int GetHitCount() const;
    int CurrentHit() const { return currentHit_; }
    void SetCurrentHit(int index);
    // Fetches the entry of hit index and makes it the current hit, selected alone and in view.
    bool FetchHitDetail(int index, TDirectoryDetail &detail);
    void UpdateLinkColor();
    void ApplyHistoryLimit();
    bool IsBusy() const;
    // The other window runs a job: this window's job buttons wait.
    void SetSearchEnabled(bool enabled);

    // Handlers.
    void JobButtonClick(int tag, int job);
    void bbtnStopClick();
    void sbtnInquiryClick();
    void sbtnFileExportClick();
    void sbtnExportItemSelectClick();

    // What the window hands to its worker (read by tests): one condition per area, the name and exclusion lists.
    const std::vector<TDirectoryCondition> &Conditions() const { return conditions_; }
    const QByteArray &NameList() const { return nameList_; }
    const QByteArray &ExclusionList() const { return exclusionList_; }
    const TSearchHistory &History() const { return history_; }
    const std::vector<TItemChoice> &OutputItems() const { return outputItems_; }
    const QString &OutputFileName() const { return outputFileName_; }
    // The name as the conditions take it: the box's text through the character filter.
    QByteArray FilteredName() const;

protected:
    struct TKind {
        const char *Name;       // objectName
        QString Caption;
        int HelpContext;
        QString Section;        // of "Mirvale18.ini"
        QString HistoryFile;    // in the data root folder
        int SourceKind;         // of the record form
        int DefaultTopHeight;
        bool CategoryHistory;   // entries with the category list indexes
        bool MatchPanel;        // the status bar shows the match mode
        QString SearchErrorWord;
    };
    TDirectorySearchWindow(const TKind &kind, std::unique_ptr<TSearchThread> worker);

    // Called by the window's constructor once its own controls are in place: settings, history, lists.
    void finishCreation(QWidget *ownConditions, QWidget *ownOptions);
    // The other search window while it exists.
    virtual TDirectorySearchWindow *otherWindow() const = 0;
    // The refusals before a job; true lets the job start.
    virtual bool checkConditions(int) { return true; }
    // The window's own fields of each condition and the two name lists.
    virtual void completeConditions() = 0;
    virtual int pageSize() const { return 20; }
    // The window's own fields of a remembered search, both ways.
    virtual void entryFromControls(TSearchHistoryEntry &entry) const = 0;
    virtual void controlsFromEntry(const TSearchHistoryEntry &entry) = 0;
    // The last name changed (typed, chosen, restored).
    virtual void nameChanged() {}
    virtual QByteArray categoryName(bool sub, int32_t catNo) = 0;
    // The controls a job disables besides the common ones.
    virtual std::vector<QWidget *> ownConditionControls() const = 0;
    // Rows of a full page, where Page Down turns the page.
    virtual int lastPageRow() const { return pageSize() - 1; }

    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

    QWidget *nameBox() const;
    void setNameText(const QByteArray &name);
    // Enter in control moves the focus to target.
    void enterMovesTo(QWidget *control, const std::function<void()> &action);
    void setTelKindsFrom(int32_t bits);
    int32_t telKinds() const;
    QString dataFolder() const;

    TAreaChooser *area_;
    std::vector<TDirectoryCondition> conditions_;
    QByteArray nameList_, exclusionList_;
    QByteArray lastName_;
    TSearchHistory history_;
    QString settingsSection_;

private:
    void createControls();
    // Puts the focusable controls of panel between previous and next in the Tab order.
    void chainAfter(QWidget *previous, QWidget *panel, QWidget *next);
    void loadSettings();
    void saveSettings();
    void saveOutputItems();
    void fillNameItems();
    void saveHistory();
    void rememberSearch();
    void applyEntry(const TSearchHistoryEntry &entry);
    void buildConditions();
    void setBusy(bool busy, const QString &job);
    bool setIdle(bool paging);
    void resetStatus();
    void showStatus(int state, int count);
    QLabel *panel(int n) const;
    void showPage(bool withCaption);
    void clearList();
    void updateRecordNavigator();
    bool hitIsShownInForm() const;
    void pageSearchDone();
    void countDone();
    void outputDone();
    void openSelectedHit();
    bool fetchDetail(int index, TDirectoryDetail &detail, bool select);
    int chooseOutputFile();
    int writeSelectedHits(const std::vector<int> &rows, bool append);
    std::vector<int> selectedRows() const;
    void nameBoxLeft();

    TKind kind_;
    std::unique_ptr<TSearchThread> worker_;
    THitListModel *model_;
    QVBoxLayout *conditionColumn_;
    QWidget *conditionPanel_;
    QByteArray areaCaption_;
    int currentHit_ = -1;
    int pageSize_ = 20;
    int requestKind_ = 0;
    bool rememberedButtons_[2] = {false, false};
    bool othersBusy_ = false;
    std::vector<TItemChoice> outputItems_;
    QString outputFileName_;
    QString outputFileBefore_;
    int linesWritten_ = 0;
    std::array<int, THitListModel::ColumnCount> columnWidths_{};
    bool shownOnce_ = false;
    bool pickingName_ = false;
    QTimer historyWrite_;
    QTimer busyPaint_;
    // The job running, from its button to its end; a close of the window meanwhile (the program's end) stops it and
    // waits for it. That close is no 中止: a file output it cuts short leaves the file as it was.
    std::optional<TWindowWork> job_;
    // What Enter does in the controls that move the focus on.
    std::unordered_map<QObject *, std::function<void()>> enterActions_;  // the user picks a remembered search in the name box's list
};
