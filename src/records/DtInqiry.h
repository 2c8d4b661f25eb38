// TDataInquiry: the record form that registers, shows, edits and deletes one record of the open address book.
#pragma once

#include "mainlist/RecordFormServices.h"

#include "core/AddressRecord.h"
#include "directory/ItemChoice.h"

#include <QColor>
#include <QRect>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class QWheelEvent;
class TAddressList;
class TDirectorySearchWindow;
class THistoryData;
class TNMDEdit;
class TUniComboBox;
class TUniNMDEdit;
enum TNameDicKind : quint8;
struct TMapSearchParams;

// Results of TDataInquiry::CheckUnsavedChanges.
inline constexpr int ucSaved = 0;          // saving was chosen and the input was stored
inline constexpr int ucNothingSaved = 1;  // nothing to save, discarded or skipped
inline constexpr int ucCancelled = 9;     // cancelled, not valid or not stored: the input stays on the form

// Results of TDataInquiry::StoreRecord.
inline constexpr int srStored = 0;
inline constexpr int srNotStored = 1;  // refused with a message, or declined by the user
inline constexpr int srError = 9;      // the table could not be written; nothing of the row was kept


// One window for the whole program: modeless, over the main list window, freeing itself when closed.
class TDataInquiry : public QWidget, public TRecordFormServices {
    Q_OBJECT
public:
    explicit TDataInquiry(TAddressList *owner);
    ~TDataInquiry() override;

    // Top panel.
    QToolButton *sbtnFirst, *sbtnPrior, *sbtnNext, *sbtnLast;
    QLabel *lblNowRec, *lblTotalRec;
    QCheckBox *chkContinualAdd;
    QPushButton *bbtnNew;
    // Pages and the command buttons under them.
    QTabWidget *pgctlData;
    QWidget *tabstMain, *tabstSub, *tabstMemo1, *tabstOther;
    QPushButton *btnAdd, *btnUpdate, *btnDelete, *btnClose, *btnCopy, *bbtnCopySetting;

    // Main page.
    TUniComboBox *cbxGroup;
    QPushButton *bbtnEditGroup;
    QLineEdit *edtCustomCode, *edtTel, *edtFax, *edtPortable1, *edtPortable2;
    QCheckBox *chkMainNumber;
    QPushButton *bbtnTelSch;
    QLineEdit *edtPos;
    QPushButton *bbtnPosSch;
    QLineEdit *edtTdfkn, *edtAdrs1, *edtAdrs2, *edtAdrs3, *edtAdrsKana, *edtJisCode;
    QLabel *lblKajoCode;
    QPushButton *bbtnAdrsSearch, *bbtnGetJisCode, *bbtnMap, *bbtnQRMap, *bbtnRoot;
    QToolButton *sbtnPriv, *sbtnCorp;
    QButtonGroup *grpPrivCorp;
    QPushButton *bbtnWebSearch;
    QLabel *lblCorpKanji, *lblCorpKana, *lblDptmnt, *lblPost;
    TNMDEdit *nmedtCorpKanji;
    QLineEdit *edtCorpKana;
    QComboBox *cbxDptmnt, *cbxPost;
    QPushButton *bbtnDptmnt, *bbtnPost;
    TUniNMDEdit *nmedtNameKanji, *nmedtNameKana;
    QComboBox *cbxHonor;
    QPushButton *bbtnHonor;
    TUniComboBox *Cbx_CatMain, *Cbx_CatSub;
    QCheckBox *chkIgnoreName;

    // Sub page.
    QLineEdit *edtURL, *edtEMail1, *edtEMail2;
    QPushButton *bbtnGetURL, *bbtnOpenURL, *bbtnEMail1, *bbtnEMail2;
    QGroupBox *gbxJoint;
    std::array<TUniNMDEdit *, 5> nmedtJoint;
    std::array<QComboBox *, 5> cbxJointHonor;
    QPushButton *bbtnJointHonor;
    TUniComboBox *cbxJointOwner;
    QToolButton *sbtnJointPrintM;
    std::array<QToolButton *, 5> sbtnJointPrint;
    QGroupBox *gbxSender;
    TUniComboBox *cbxSender;
    QToolButton *sbtnPrintTarget, *sbtnPrintException;

    // Memo page.
    QGroupBox *gbxKeyword;
    std::array<QLabel *, 8> lblKeyword;
    std::array<QLineEdit *, 5> edtKeyword;
    std::array<QComboBox *, 3> cbxKeyword;  // keywords 6 to 8
    std::array<QPushButton *, 3> bbtnKeyword;
    QPlainTextEdit *mmoNote;

    // Other page.
    QGroupBox *gbxExtFile;
    QTreeWidget *lvExtFile;
    QPushButton *bbtnAddExtFile, *bbtnDelExtFile, *bbtnOpenExtFile;
    QLineEdit *edtDetailPath, *edtDetailFile;
    QGroupBox *gbxSymbol;
    TUniComboBox *cbxSymbolMark;
    QFrame *pnlSymbolColor;
    QPushButton *bbtnSymbolColor;
    QLineEdit *edtAddDateTime, *edtUpdDateTime;

    // -1 none, 0 the name-and-address search's hits, 1 the main list, 2 the category search's hits.
    int SourceList = -1;
    // -1 unset, 0 a new record typed by hand, 1 an entry of SourceList.
    int Linked = -1;
    // The controls as they stood after the last fill, the reference of the unsaved-input test when no
    // record is held.
    std::unique_ptr<TAddressRecord> EntrySnapshot;
    // A copy of the stored record shown; none in every new-record mode.
    std::unique_ptr<TAddressRecord> HeldRecord;
    int GroupNo = 0;
    // The group a new record starts with: clearing the form keeps the group of the record before, which the
    // user has not chosen for this one.
    int CarriedGroup = 0;
    int JointOwner = 0;  // 0 the person, 1-5 joint name n
    int SenderNo = 0;    // RecNo in Sender.DB, 0 the default sender
    bool SkipUnsavedCheck = false;
    int Latitude = 0, Longitude = 0;  // 1/1000 second of arc, 0 = no place
    std::array<QRect, 4> TabRects;    // in pgctlData's co-ordinates
    int ShownCatMain = 0;
    std::vector<TItemChoice> CopyItems;  // what btnCopy copies, in copy order
    bool CopyLastReturn = true;          // the copied text ends with a line break

    // Services for the other windows.
    QWidget *FormWindow() override { return this; }
    int GetSourceList() const override { return SourceList; }
    int GetLinked() const override { return Linked; }
    void ShowRecord(const TAddressRecord &record) override;
    void BeginNewRecord() override;
    // ucSaved, ucNothingSaved or ucCancelled.
    int CheckUnsavedChanges(bool closing, bool refreshList) override;
    void SetSourceList(int kind) override;
    void SetLinked(int flag);
    void SetSkipUnsavedCheck(bool flag) override { SkipUnsavedCheck = flag; }
    int32_t GetRecNo() const override;
    void UpdateRecordNavigator() override;
    void NewFromDirectory(const TDirectoryDetail &detail) override;
    void RefreshGroupList() override;
    void RefreshSenderList() override;
    void SelectSender(int32_t senderNo) override;
    void ApplyKeywordNames() override;
    void ApplyKeywordInputModes() override;
    // flags: one per item, Group, JisCode and KajoCode, PrivCorp, IgnoreName, the categories, PrintTarget,
    // Sender, Keyword1-8, SymbolMark, SymbolColor.
    void ApplyBatchChange(const TAddressRecord &record, const std::array<uint8_t, 17> &flags);

    // Set-up and record display.
    void LoadSettings();
    void SaveSettings();
    void SaveCopySettings();
    void InitInputLists();
    void ClearControls();
    void RecordToControls(TAddressRecord &record);
    void HoldRecord(const TAddressRecord &record);
    void TakeEntrySnapshot(bool take);
    void DisableRecordNavigator() override;
    void FillFromDetail(const TDirectoryDetail &detail);

    // Editing sections.
    void InitGroupList();
    void UpdatePrivCorp();
    void UpdateJointPrintGlyph(QToolButton *button);
    void InitSenderList();
    void InitSymbolMarkList();
    void RefillDptmntList();
    void RefillPostList();
    void RefillHonorLists();
    void RefillKeywordList(int n);
    void SelectMainCategory(int code);
    void SelectSubCategory(int mainCode, int subCode);

    // Storing.
    bool IsInputChanged() const;
    bool ValidateInput(bool isNew);
    int StoreRecord(int mode, int32_t *newRecNo);
    void UpdateInputHistories();

    // Handlers.
    void btnCloseClick();
    void bbtnNewClick();
    void sbtnMoveRecordClick(int tag);
    void btnAddClick();
    void btnUpdateClick();
    void btnDeleteClick();
    void cbxGroupClick();
    void bbtnEditGroupClick();
    void sbtnPrivCorpClick();
    void chkIgnoreNameClick();
    void nmedtJointChange(int n);
    void nmedtJointExit(int n);
    void cbxJointOwnerClick();
    void sbtnJointPrintClick(int tag);
    void cbxSenderClick();
    void bbtnAddExtFileClick();
    void bbtnDelExtFileClick();
    void bbtnOpenExtFileClick();
    void lvExtFileSelectItem();
    void bbtnSymbolColorClick();
    void bbtnEditListClick(int tag);
    void Cbx_CatMainChange();
    void mmoNoteExit();
    void chkContinualAddClick();
    void chkMainNumberClick();
    void pgctlDataChange();
    void btnCopyClick();
    void bbtnCopySettingClick();
    void bbtnGetJisCodeClick();
    // tag: 0 the telephone numbers, 1 the postal code, 2 the address.
    void bbtnDicSchClick(int tag);
    // kind: 0 telephone, 1 postal code, 2 address; key as typed.
    void RunDictionarySearch(int kind, const QString &key, bool showExtra);
    // Outside links (maps, QR map link, web search, home page, mail).
    void UpdateMapRouteHints() override;
    void bbtnMapClick();
    void bbtnQRMapClick();
    void bbtnRootClick();
    void bbtnWebSearchClick();
    void bbtnOpenURLClick();
    // tag: 0 edtEMail1, 1 edtEMail2.
    void bbtnEMailClick(int tag);
    // The map request of the record as the form shows it.
    TMapSearchParams MapRequestOfForm() const;
    // The address of the four address edits as one text, as the main list shows it (JoinAddressParts).
    QString AddressOfForm() const;
    // Takes a point picked on the map: a held record's row first, the form only when that worked (the
    // failure is shown). True when the point is kept.
    bool KeepMapPoint(int32_t latitude, int32_t longitude);
    void nmedtNameConvertNeed(QObject *Sender, TNameDicKind Kind, bool Show, const QByteArray &Value);
    void nmedtNameConvertKeyDown(QObject *Sender, quint32 &Key, bool &Handled);
    void WMNameDicSelected();
    // The value of every item of CopyItemTable as the controls stand, in table order.
    std::array<QString, CopyItemCount> CopyItemValues() const;
    // True when the wheel turned over a page tab and switched the page.
    bool FormMouseWheel(QWheelEvent *event);

    // The full paths of the attached files, in list order.
    QStringList ExtFilePaths() const;
    // The colour of pnlSymbolColor as a 0x00BBGGRR value.
    int32_t SymbolColor() const;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // What the user is told of the last StoreRecord that answered srError.
    QString storeFailure_;
    // The search window whose hits the form walks (SourceList 0 or 2), while it exists.
    TDirectorySearchWindow *HitList() const;
    void RecolourHitLists();
    // No search window's hit is shown any more.
    void LeaveHits();
    // A search window shows the hit this form was filled from.
    bool OnDirectoryHit() const;
    bool StepThroughHits(int tag);
    // The navigator's buttons and position over the list the shown entry belongs to.
    void ShowNavigator(bool first, bool last, int index, int count);

    void createControls();
    QWidget *createMainPage();
    QWidget *createSubPage();
    QWidget *createMemoPage();
    QWidget *createOtherPage();
    void connectHandlers();
    void connectLinkButtons();
    void bindEnterKeys();
    void loadGlyphs();
    void FormShow();
    void WMInquirySetup();

    // The controls read back into a record: as they stand for a snapshot, or with the store's rules
    // (trimmed texts, digits-only numbers) for the row written.
    TAddressRecord ControlsToRecord(bool forStore) const;
    void setSymbolColor(int32_t bgr);
    int printTargetValue() const;
    void setPrintTarget(int value);
    void selectSymbolMark(const QByteArray &mark);
    void addExtFileRow(const QString &path);
    void rebuildJointOwnerList();
    void setActivePage(QWidget *page);
    void focusMain(QWidget *control, bool selectAll);
    void focusAtEnd(QWidget *control);
    // The name for a person, the company's name for a company; caret to the end.
    void focusPersonOrCompany();
    void focusOrNext(QWidget *control);
    void StartNewRecordLookUp();
    // CheckUnsavedChanges once the input has changed: asks when the settings say so, then stores or discards.
    int saveOrDiscard(bool refreshList);
    void NextFocusKeyPress(QWidget *sender);
    // The next control in tab order; fieldsOnly passes over buttons and read-only edits.
    void focusNext(QWidget *sender, bool fieldsOnly);
    QWidget *holdOrAddButton() const;
    bool confirmSameNumbers();
    // The seven name edits in the order of the name pop-up's tags.
    std::array<TUniNMDEdit *, 7> nameEdits() const;
    void refillFromHistory(QComboBox *combo, const THistoryData *history);

    static constexpr int MaxExtFiles = 10;
    static QByteArray digitsOf(const QString &text);
    // The text of a list of lines as a memo shows it: every line ended by a line break.
    static QString linesText(const std::optional<QByteArrayList> &lines);
    static QString formatDateTime(double value, const QString &format);

    TAddressList *owner_;
    bool shownOnce_ = false;
    // What Enter does in each control that has its own rule; every other input control moves on in tab order.
    std::unordered_map<QObject *, std::function<void()>> enterActions_;
};

// The record form while it exists.
// Installs the maker through which the main list opens the record form.
void RegisterRecordForm();
