// TSenderForm: the sender list the designers print their sender blocks from. It walks the rows of
// "Sender.DB" one at a time, edits them in place, adds and deletes rows, keeps the default sender, fills
// addresses from the dictionaries and names through the name-reading pop-up, and hands the chosen row back.
#pragma once

#include "designers/SenderRecord.h"
#include "records/NameInputWatcher.h"

#include <QDialog>
#include <QLineEdit>
#include <QPointer>

#include <array>
#include <memory>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTabWidget;
class QToolButton;
class TTable;
class TNameReadingPopup;
class TUniNMDEdit;

// The default sender's number, "Sender.ini" [SENDER] "Default"; read by the designers when they start.
inline int32_t DefaultSenderNo = 0;

// The headings a contact row offers; 1 and 3 tie the row to the telephone number, 2 to the fax number.
inline const QStringList SenderHeadItems = {QString(),           QStringLiteral("TEL"),    QStringLiteral("FAX"),
                                            QStringLiteral("TEL/FAX"), QStringLiteral("携帯"), QStringLiteral("URL"),
                                            QStringLiteral("E-Mail")};

class TSenderForm : public QDialog {
    Q_OBJECT
public:
    // The caller has opened "Sender.DB" through the data module; the window works on its sender table.
    explicit TSenderForm(QWidget *owner);
    ~TSenderForm() override;

    // The sender asked for, and after the run the one shown ("選択" ends the run with result 1, "閉じる" with 2).
    int32_t SenderNo = 0;

    void done(int result) override;
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void FormCreate();
    void FormShow();
    void LoadSettings();
    void SaveSettings();
    void ShowRecord();
    bool SaveRecord();
    bool CheckDuplicateTitle();
    // What navigation and closing ask before the row shown is left: false keeps it.
    bool LeaveRow();
    void moveTo(void (TTable::*step)());
    void FillDptmntList();
    void FillPostList();
    void AddDptmntHistory();
    void AddPostHistory();
    void UpdatePrintGlyph(QToolButton *button);
    TSenderRecord recordFromControls() const;
    void appendRow(const TSenderRecord &record);

    void edTitleChange();
    void edTitleExit();
    void DataChange();
    void cbxHeadClick(int tag);
    void sbtnPrintClick(QToolButton *button);
    void sbtnAdditionPrintClick(int tag);
    void ckbDefaultClick();
    void ckbSelInfoClick(int tag);
    void edTelChange();
    void edFaxChange();
    void bbtnNewClick();
    void bbtnDeleteClick();
    void btnChoiceClick();
    void bbtnSearchClick(int tag);
    void bbtnEditListClick(int tag);
    void DataKeyPress(QWidget *control);

    TTable &table() const;
    std::array<TUniNMDEdit *, 6> nameEdits() const;
    // Each text the user fills in: the column that keeps it, its control and the caption the user knows it by.
    struct TTextField {
        QString column;
        QWidget *control;
        QString caption;
    };
    std::vector<TTextField> textFields() const;

    QLineEdit *edTitle = nullptr, *edTel = nullptr, *edFax = nullptr, *edPos = nullptr, *edTdfkn = nullptr,
              *edAdrs1 = nullptr, *edAdrs2 = nullptr, *edAdrs3 = nullptr, *edCorp = nullptr;
    TUniNMDEdit *edName = nullptr;
    std::array<TUniNMDEdit *, 5> edJoint{};
    std::array<QLineEdit *, 5> edNote{};
    std::array<QToolButton *, 5> sbtnJointPrint{};
    QToolButton *sbtnNamePrint = nullptr;
    QCheckBox *ckbHome = nullptr, *ckbCorp = nullptr, *ckbDefault = nullptr;
    QComboBox *cbxDptmnt = nullptr, *cbxPost = nullptr;
    std::array<QComboBox *, 4> cbxHead{};
    std::array<QLineEdit *, 4> edAddition{};
    std::array<QToolButton *, 4> sbtnAdditionPrint{};
    QTabWidget *pgcSender = nullptr;
    QWidget *tbsJoint = nullptr, *tbsCorp = nullptr, *tbsContact = nullptr;
    QLabel *lblNo = nullptr, *lblCount = nullptr;
    QToolButton *sbtnFirst = nullptr, *sbtnPrior = nullptr, *sbtnNext = nullptr, *sbtnLast = nullptr;
    QPushButton *bbtnNew = nullptr, *bbtnDelete = nullptr, *btnChoice = nullptr, *btnClose = nullptr;
    QPushButton *bbtnTelSearch = nullptr, *bbtnPosSearch = nullptr, *bbtnAddressSearch = nullptr;
    QPushButton *bbtnDptmnt = nullptr, *bbtnPost = nullptr;

    std::unique_ptr<TNameReadingPopup> NamePopup;
    int32_t LastNo = 0;
    bool Modified = false, TitleChanged = false, Loading = false;
    int AdditionPrintCount = 0;
    bool shown_ = false;
    bool created_ = false;  // the set-up finished (a failed first row stops it)
};

// The window while it runs.
inline TSenderForm *SenderForm = nullptr;
