// TBatchChange: the dialog that sets chosen fields of every record selected in the main list to one value each.
#pragma once

#include "core/AddressRecord.h"
#include "db/DatabaseError.h"

#include <QDialog>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class TAddressList;
class TContinualAdrsSearch;
class TTable;
class TUniComboBox;
class TUniEdit;

class TBatchChange : public QDialog {
    Q_OBJECT
public:
    explicit TBatchChange(TAddressList *owner);
    ~TBatchChange() override;

    QLabel *lblMsg1, *lblMsg2;
    QGroupBox *gbxMain, *gbxSub, *gbxMemo, *gbxOther;
    QCheckBox *chkGroup;
    TUniComboBox *cbxGroup;
    QCheckBox *chkGetJisCode;
    QLabel *lblGetJisCode;
    QCheckBox *chkPrivCorp;
    QWidget *pnlPrivCorp;
    QRadioButton *rbPriv, *rbCorp;
    QCheckBox *chkIgnoreName;
    QWidget *pnlIgnoreName;
    QRadioButton *rbIgnoreNameTrue, *rbIgnoreNameFalse;
    QCheckBox *chkCategory;
    QLabel *lblCatMain, *lblCatSub;
    TUniComboBox *Cbx_CatMain, *Cbx_CatSub;
    QCheckBox *chkPrintTarget;
    QWidget *pnlPrintTarget;
    QRadioButton *rbPrintTarget, *rbPrintException, *rbPrintUnspec;
    QCheckBox *chkSender;
    TUniComboBox *cbxSender;
    std::array<QCheckBox *, 8> chkKeyword{};
    std::array<TUniEdit *, 5> edtKeyword{};       // keywords 1 to 5
    std::array<TUniComboBox *, 3> cbxKeyword{};   // keywords 6 to 8
    QCheckBox *chkSymbolMark;
    TUniComboBox *cbxSymbolMark;
    QCheckBox *chkSymbolColor;
    QFrame *pnlSymbolColor;  // its "Tag" holds the chosen colour, 0x00BBGGRR
    QPushButton *bbtnSymbolColor;
    QPushButton *btnStart, *btnCancel;

    // Exists only during a run that looks up municipality codes.
    std::unique_ptr<TContinualAdrsSearch> FAdrsSearch;
    int32_t FShownCatMain = 0;
    // After a completed run: per selected row in list order, the number of its record when it was changed, else 0.
    std::vector<int32_t> ChangedRecNos;

    void InitControls();
    void FillGroups();
    void FillSenders();
    void FillKeywordList(int k);
    void FillSymbolMarks();
    void FillCategoryMain(int number);
    void FillCategorySub(int mainNumber, int subCode);
    // The chosen values in a zero-filled record.
    TAddressRecord BuildRecord() const;

    void Cbx_CatMainChange();
    void CheckBoxClick(QCheckBox *sender);
    void rbPrivCorpClick();
    void rbIgnoreNameClick();
    void rbPrintTargetClick();
    void bbtnSymbolColorClick();
    void NextFocusKeyPress();
    void btnCancelClick();
    void btnStartClick();

public slots:
    // While a run is going, Escape and closing the window ask it to stop instead.
    void reject() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class TRunEnd { Completed, Stopped, MissingRecord, Failed };
    struct TRunOutcome {
        TRunEnd End = TRunEnd::Completed;
        int Failed = 0;    // records whose post was refused
        QString Error;     // what ended a failed run
        // The last refused post's failure, whose Reason says why when that is known.
        std::optional<EDatabaseError> Refusal;
    };

    void createControls();
    std::array<QCheckBox *, 17> groupChecks() const;
    std::array<uint8_t, 17> checkedFlags() const;
    TRunOutcome runChange();
    bool applyChanges(TTable &t, const TAddressRecord &values);
    bool changeRecord(TTable &t, const TAddressRecord &values, TRunOutcome &outcome);

    TAddressList *owner_;
    bool running_ = false;
    bool stopRequested_ = false;
};

// The main list's batch-edit command: closes the record form, runs the dialog centred over the list and, after a
// completed run, reloads the list and selects its first selected row again.
void ExecuteBatchChange(TAddressList *list);
// Installs ExecuteBatchChange as the main list's batch change.
void RegisterBatchChange();
