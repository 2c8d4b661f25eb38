// TLayoutDetailDialog ("フォント・配置の詳細設定"): the layout-detail half of the printed-items record —
// the items shown, the largest character sizes, the company lines' ratios and the name's arrangement.
#pragma once

#include "designers/PrintForm.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTabWidget;
class TExTrackBar;

// The step 1 to 5 of a click at x on a track bar whose channel runs from left to right: the ends beyond the
// channel give the end steps, any other point the nearest step.
int TrackStepAt(int x, int left, int right);

class TLayoutDetailDialog : public QDialog {
    Q_OBJECT
public:
    // Opens on the page [PRINTFORM] Detail of "Mirvale18.ini" names.
    explicit TLayoutDetailDialog(QWidget *owner);

    void SetDetail(const TPrintForm &form);
    // Writes bytes 60-100 of form only.
    void GetDetail(TPrintForm &form) const;
    void SetPrintKind(uint8_t kind);
    // Manual: the split set of fixed objects is in use and its items are chosen one by one.
    void SetManual(bool manual);
    // Which item boxes a manual layout offers: 0 all, 1 the receiver's only, 2 the sender's and contacts' only.
    void SetItemGroups(uint8_t mode);
    void SetSenderOnly(bool senderOnly);

    bool GetPosChecked() const;
    void SetPosChecked(bool checked);
    bool GetAddressChecked(int index) const;
    void SetAddressChecked(int index, bool checked);
    bool GetNameChecked() const;
    void SetNameChecked(bool checked);
    bool GetCorpChecked() const;
    void SetCorpChecked(bool checked);
    bool GetDptmntChecked() const;
    void SetDptmntChecked(bool checked);
    bool GetPostChecked() const;
    void SetPostChecked(bool checked);
    bool GetSenderPosChecked() const;
    void SetSenderPosChecked(bool checked);
    bool GetSenderAddressChecked(int index) const;
    void SetSenderAddressChecked(int index, bool checked);
    bool GetSenderNameChecked() const;
    void SetSenderNameChecked(bool checked);
    bool GetSenderCorpChecked() const;
    void SetSenderCorpChecked(bool checked);
    bool GetSenderDptmntChecked() const;
    void SetSenderDptmntChecked(bool checked);
    bool GetSenderPostChecked() const;
    void SetSenderPostChecked(bool checked);
    bool GetAdditionChecked(int index) const;
    void SetAdditionChecked(int index, bool checked);

    bool Manual() const { return Manual_; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void done(int result) override;

private:
    void buildAutoPage();
    void buildFontPage();
    void buildLayoutPage();
    void ckbAutoClick();
    void enableItems();
    void recolour();
    void tbrMouseDown(TExTrackBar *bar, const QPoint &pos);

    bool Manual_ = false;
    uint8_t ItemGroups = 0;
    uint8_t PrintKind = 0;

    QTabWidget *pgcDetail = nullptr;
    QWidget *TabSheet1 = nullptr, *tbsName = nullptr, *TabSheet2 = nullptr;
    QCheckBox *ckbAuto = nullptr;
    QCheckBox *ckbPos = nullptr, *ckbName = nullptr, *ckbCorp = nullptr, *ckbDptmnt = nullptr, *ckbPost = nullptr;
    std::array<QCheckBox *, 3> ckbAddress{};
    QCheckBox *ckbS_Pos = nullptr, *ckbS_Name = nullptr, *ckbS_Corp = nullptr, *ckbS_Dptmnt = nullptr,
              *ckbS_Post = nullptr;
    std::array<QCheckBox *, 3> ckbS_Address{};
    std::array<QCheckBox *, 4> ckbAddition{};
    TExTrackBar *tbrName = nullptr, *tbrAddress = nullptr, *tbrAddition = nullptr;
    TExTrackBar *tbrSendName = nullptr, *tbrSendAddress = nullptr, *tbrSendAddition = nullptr;
    QLabel *lblAddress2 = nullptr, *lblNameFont = nullptr, *lblAddressFont = nullptr, *lblAdditionFont = nullptr;
    QLabel *lblMin1 = nullptr, *lblMax1 = nullptr;
    QLabel *lblSender = nullptr, *lblSendNameFont = nullptr, *lblSendAddressFont = nullptr,
           *lblSendAdditionFont = nullptr;
    QLineEdit *edNameRatio = nullptr;
    QComboBox *cbxCorpRatio = nullptr, *cbxDptmntRatio = nullptr, *cbxPostRatio = nullptr;
    QLabel *lblNameRatio = nullptr, *lblCorpRatio = nullptr, *lblDptmntRatio = nullptr, *lblPostRatio = nullptr;
    QCheckBox *ckbCharSpace = nullptr, *ckbCorpBreak = nullptr;
    QLabel *lblNameAlign = nullptr, *lblSendNameAlign = nullptr;
    QRadioButton *rbEqual = nullptr, *rbLeft = nullptr, *rbRight = nullptr, *rbCenter = nullptr;
    QRadioButton *rbS_Equal = nullptr, *rbS_Left = nullptr, *rbS_Right = nullptr, *rbS_Center = nullptr;
    QRadioButton *rbSeries = nullptr, *rbParallel = nullptr;
};
