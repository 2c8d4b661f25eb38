// TAddressCopy: the window that copies records of the open address book into another one by TAdrsRecordCopier.
#pragma once

#include "core/Globals.h"
#include "db/DatabaseError.h"

#include <QWidget>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class TAddressList;
class TField;
class TTable;
class TUpDown;
class TUniEdit;

// Outcome of copying one record.
enum TCopyOutcome : int { coAdded = 0, coOverwritten = 1, coSkipped = 2, coLimitReached = 9, coFailed = -1 };


// The choices of one copy run.
struct TAdrsCopyRules {
    std::array<bool, 4> NumberItems{};  // Tel, Fax, Portable1, Portable2 take part in the same-number test
    int BothType = 0;                   // 0 every ticked item must match, 1 any one
    int SameNumCheck = 0;               // 0 register same-number records anyway, 1 leave them out
    int SameCustomCheck = 1;            // 0 overwrite the target's record of the same customer code, 1 leave it
    bool SameAddDateTime = true;
    bool SameUpdDateTime = true;
};

// Copies the current record of one "Adrs.DB" into another by the rules. The tables stay open and positioned
// by the caller; the copier only reads the source's current row and writes the target.
class TAdrsRecordCopier {
public:
    // targetRecordCount is the target's record count, raised here for every record appended.
    TAdrsRecordCopier(TTable &source, TTable &target, const TAdrsCopyRules &rules, int &targetRecordCount);

    // A failure while comparing, filling or posting cancels the target's pending change and gives coFailed;
    // a failed post never leaves part of a record behind.
    TCopyOutcome CopyRecord();
    // The engine's failure of the record just tried, when it failed so; its Reason says why (a full disk, a place
    // that cannot be written, a book another program holds) when that is known.
    const std::optional<EDatabaseError> &Failure() const { return failure_; }

private:
    struct FieldPair {
        TField *source;
        TField *target;
    };
    bool isSameNumber();
    bool allItemsMatch();
    bool anyItemMatches();
    void fillTarget();

    TTable &source_;
    TTable &target_;
    TAdrsCopyRules rules_;
    int &targetRecordCount_;
    std::vector<FieldPair> integers_, booleans_, texts_;
    std::array<FieldPair, 4> numbers_;  // Tel, Fax, Portable1, Portable2
    FieldPair customCode_, addDateTime_, updDateTime_;
    std::vector<int> tickedItems_;  // indexes into numbers_, in their fixed order
    std::optional<EDatabaseError> failure_;
};

class TAddressCopy : public QWidget {
    Q_OBJECT
public:
    explicit TAddressCopy(TAddressList *owner);
    ~TAddressCopy() override;

    QLabel *lblAdrs;
    QListWidget *lvAdrs;
    QRadioButton *rbList, *rbRange, *rbAll;
    TUniEdit *edtRangeBegin, *edtRangeEnd;
    TUpDown *udRangeBegin, *udRangeEnd;
    QLabel *lblRangeBegin, *lblRangeEnd;
    QLabel *lblDataCountTitle, *lblDataCount;
    QCheckBox *chkTel, *chkFax, *chkPortable1, *chkPortable2;
    QRadioButton *rbAnd, *rbOr;
    QRadioButton *rbNewAdd, *rbNotAdd;
    QRadioButton *rbDestUpdate, *rbNotUpdate;
    QCheckBox *chkSameAddDateTime, *chkSameUpdDateTime;
    QProgressBar *pgbarAdrsCopy;
    QPushButton *btnCopy, *btnCancel;

    int DataSelect = 0;
    int BeginPos = 0, EndPos = 0;
    int BeginMin = 0, BeginMax = 0, EndMin = 0, EndMax = 0;
    int BeginPosOnEnter = 0, EndPosOnEnter = 0;
    int TickedNumberItems = 0;
    int BothType = 0;
    int SameNumCheck = 0;
    int SameCustomCheck = 1;
    int TargetCount = 0;
    int AddedCount = 0, OverwrittenCount = 0, SkippedCount = 0;
    // Records whose comparison, filling or posting failed: reported, never counted as copied.
    int FailedCount = 0;
    // The last failure of the engine in the last run: why its records failed or the run was taken back, told
    // below its message.
    std::optional<EDatabaseError> Failure;
    int TargetRecordCount = 0;
    // How often a run shows its progress and takes the stop button: the window repaints and answers without
    // the copy paying for an event pass per record. 0: before every record.
    int EventIntervalMs = 25;

    // The main list rebuilt its rows or changed its selection: the range bounds and the count follow it.
    void ListCountChanged();

    void rbDataSelectClick(int tag);
    void rbBothTypeClick(int tag);
    void rbSameNumCheckClick(int tag);
    void rbSameCustomCheckClick(int tag);
    void chkNumberItemClick(QCheckBox *item);
    void chkSameAddDateTimeClick();
    void chkSameUpdDateTimeClick();
    void udRangeBeginClick(int step);
    void udRangeEndClick(int step);
    void btnCopyClick();
    void btnCancelClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // How a run of the record loop ended.
    enum class RunEnd { Done, Stopped, Undone };

    void FormCreate();
    void createControls();
    void loadSettings();
    void saveSettings();
    void fillBookList();
    void setRangeBounds();
    void showBeginPos();
    void showEndPos();
    void writeRangeEdits();
    void updateTargetCount();
    bool applyTypedRange(TUniEdit *edit);
    void stepRange(TUniEdit *edit, int step);
    void updateNumberChoices();
    TAdrsCopyRules rules() const;
    std::vector<int32_t> recordsToCopy() const;
    RunEnd copyRecords(TTable &source, TTable &target);
    void showSummary();

    TAddressList *owner_;
    QButtonGroup *dataSelectGroup_, *bothTypeGroup_, *sameNumGroup_, *sameCustomGroup_;
};

// The copy window while it exists.
inline TAddressCopy *AddressCopy = nullptr;

// The main window's command: makes the copy window when there is none, then shows or restores it.
void ShowAddressCopy(TAddressList *owner);
