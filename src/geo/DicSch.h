// TDicSearch: the modal dictionary window "検索" that turns a telephone number, a postal code or an address into
// a chosen place (TDicSearchResult) or, for a number the open address book holds, into that record's number.
//
// A caller creates it with its form as owner, centres it (CenterFormOnOwner), calls SetOwnerHandle,
// SetListHelpContext(34) and SetPages, then StartWith: 1 means the answer is already decided, 0 that the
// window must be shown modally (exec(); QDialog::Accepted means the user chose), anything else that there is
// nothing to use. After a choice ResultKind() tells what was chosen; GetResultRecord copies the record, and
// for dicResultAdrsBook GetSelectedHit gives the RecNo of the chosen address-book record.
#pragma once

#include "Kvdir17/Kvdir17.h"
#include "geo/TelPlace.h"

#include <QByteArray>
#include <QDialog>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class QLabel;
class QLineEdit;
class QCheckBox;
class QComboBox;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;
class TKykbnSearch;
class TPosSearch;
class TAdrsSearch;

#pragma pack(push, 1)
// The window's answer, 652 bytes. Texts are short strings: a length byte and that many Shift-JIS bytes
// (read and write them with ShortString and PutShortString). Coordinates in 1/1000 second of arc.
struct TDicSearchResult {
    uint8_t Individual;  // 1 for a private person (directory entries only)
    char Tel[14];        // hyphenated
    char Unused1[1];
    uint32_t TelKind;    // a directory entry's number kind: 1 fax, 2 fax and telephone, 3 main number; else 0
    char PosCode[9];     // "123-4567"
    char Prefecture[9];
    char City[33];
    char Town[101];      // for a directory entry its town and street number
    char Address[117];   // the rest of the address: a directory entry's building, else empty
    char AddressKana[147];
    char JisCode[6];
    char KajoCode[7];
    char Name[121];      // a directory entry's name or a large office's
    char NameKana[63];
    char Unused2[3];
    int32_t Latitude;
    int32_t Longitude;
    int32_t CatMain;     // a directory entry's category codes, else 0
    int32_t CatSub;
};
#pragma pack(pop)
static_assert(sizeof(TDicSearchResult) == 652);
static_assert(offsetof(TDicSearchResult, TelKind) == 16 && offsetof(TDicSearchResult, PosCode) == 20 &&
              offsetof(TDicSearchResult, Town) == 71 && offsetof(TDicSearchResult, AddressKana) == 289 &&
              offsetof(TDicSearchResult, KajoCode) == 442 && offsetof(TDicSearchResult, NameKana) == 570 &&
              offsetof(TDicSearchResult, Latitude) == 636);

template <std::size_t N>
QByteArray ShortString(const char (&field)[N])
{
    const int length = std::min<int>(static_cast<unsigned char>(field[0]), int(N) - 1);
    return QByteArray(field + 1, length);
}
// Cut to the field's room, never inside a character.
void PutShortString(char *field, std::size_t room, const QByteArray &text);
template <std::size_t N>
void PutShortString(char (&field)[N], const QByteArray &text)
{
    PutShortString(field, N - 1, text);
}

// Result kinds.
inline constexpr int dicResultTel = 0;
inline constexpr int dicResultPos = 1;
inline constexpr int dicResultAdrs = 2;
inline constexpr int dicResultAdrsBook = 8;
inline constexpr int dicResultDirectory = 9;

// Page bits of SetPages.
inline constexpr int dicPageTel = 1;        // with the directory search
inline constexpr int dicPageTelLocal = 2;  // without it
inline constexpr int dicPagePos = 4;
inline constexpr int dicPageAdrs = 8;

// One record of the open address book holding the searched number.
struct TAdrsBookHit {
    uint8_t PrivCorp = 0;  // 1 a person
    QByteArray Name;       // the person's or the company's name, trimmed
    QByteArray Name2;      // a company's contact name, trimmed; empty for a person
};

class TDicSearch : public QDialog {
    Q_OBJECT
public:
    explicit TDicSearch(QWidget *owner);
    ~TDicSearch() override;

    // The window that owns message boxes while this one is not showing.
    void SetOwnerHandle(QWidget *owner) { ownerHandle_ = owner; }
    void SetListHelpContext(int context) { listHelpContext_ = context; }
    // The page on top decides what F1 opens.
    int HelpContext() const { return property("HelpContext").toInt(); }
    void SetPages(int pages, bool searchAdrsBook, bool showSaveBox);
    // kind 0 telephone, 1 postal code, 2 address. 0 show the window, 1 decided, 9 cancelled.
    int StartWith(int kind, const QByteArray &key);

    int ResultKind() const { return resultKind_; }
    void GetResultRecord(TDicSearchResult &result) const { result = result_; }
    int GetSelectedHit() const;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // One dictionary page's controls and state.
    struct TPage {
        QWidget *tab = nullptr;
        QLineEdit *edit = nullptr;
        QPushButton *search = nullptr;
        QTreeWidget *cities = nullptr;
        QTreeWidget *towns = nullptr;
        QComboBox *viewKana = nullptr;
        QRadioButton *viewTowns = nullptr;
        QRadioButton *viewLarge = nullptr;
        int city = -1;
        int kanaIndex = 0;
        QString status;  // the page's own hint or answer, shown again when the page comes back
        QString listedFor;  // the query the page's lists answer; empty while they answer none
        bool statusError = false;
    };

    void buildControls();
    QWidget *buildPage(int kind, const char *tabName, const char *prefix, int maxLength);
    void buildListPage(QWidget *listPage);
    QWidget *boxOwner();
    // The current dictionary page's status: setStatus keeps it with the page, showStatus puts it up.
    void setStatus(const QString &text, bool error);
    void showStatus();

    void pgctlDicTypeChange();
    void btnPriorClick();
    void btnDecisionClick();
    int telSearch();
    int adrsBookSearch(const QByteArray &digits);
    int directorySearch(const QByteArray &digits);
    // 0 found, 4 or 8 as the dictionary answered, 9 a library error.
    int kykbnSearch(const QByteArray &digits);
    void placeSearch(int kind);
    void selectCity(int kind);
    void fillTowns(int kind);
    void clearLists(TPage &page);
    void viewTypeClick(int kind);
    void decideOrList();
    void fillHitList();
    bool buildResult();
    void loadAreaCode();
    void saveAreaCode();
    bool largeMode(int kind) const;
    template <class TSearch>
    TSearch &wrapper(std::unique_ptr<TSearch> &search);

    std::array<TPage, 3> pages_;
    QStackedWidget *pgctlSearch_ = nullptr;
    QTabWidget *pgctlDicType_ = nullptr;
    QWidget *tabstSearch_ = nullptr;
    QWidget *tabstTelList_ = nullptr;
    QTreeWidget *lvTelList_ = nullptr;
    QLineEdit *edtListTel_ = nullptr;
    QLineEdit *edtListField_ = nullptr;
    QLabel *lblListTitle_ = nullptr;
    QLabel *lblStatus_ = nullptr;
    QCheckBox *chkSaveTel_ = nullptr;
    QPushButton *btnPrior_ = nullptr;
    QPushButton *btnDecision_ = nullptr;
    QPushButton *btnCancel_ = nullptr;

    std::unique_ptr<TKykbnSearch> kykbn_;
    std::unique_ptr<TPosSearch> pos_;
    std::unique_ptr<TAdrsSearch> adrs_;
    QWidget *ownerHandle_ = nullptr;
    int listHelpContext_ = 0;
    bool searchAdrsBook_ = true;
    bool directoryAllowed_ = true;
    bool decided_ = false;
    bool directoryHidden_ = false;
    bool saveBoxShown_ = false;
    int resultKind_ = dicResultTel;
    TDicSearchResult result_{};
    std::vector<TAdrsBookHit> bookHits_;
    std::vector<int> bookRecNos_;
    QString numberField_;
    TDirectoryDetail details_[KVDIR_TEL_RESULTS]{};
    int hitCount_ = 0;
    int chosenHit_ = -1;
};
