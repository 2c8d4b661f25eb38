// TFigureSettingDialog ("図形の設定"): a figure's kind, its lines, corners or apex, its outline and its fill,
// set on a private copy drawn live; the designer copies the copy back unless the user cancels.
#pragma once

#include "drawing/FigureRect.h"

#include <QDialog>

#include <array>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTabWidget;
class TPaintPanel;
class TRangeEdit;

class TFigureSettingDialog : public QDialog {
    Q_OBJECT
public:
    explicit TFigureSettingDialog(QWidget *owner);

    // Fills the preview from figure (which is not changed) and the controls from the preview.
    void SetFigureRect(const TFigureRect &figure);
    // The figure as set; the caller copies it into its object after any result but Cancel.
    const TFigureRect &FPreview() const { return FPreview_; }

    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildFigurePage();
    void buildFramePage();
    void cbxFigureKindClick();
    void ckbLineClick(QCheckBox *box, int tag);
    void rbSectorDirClick(int tag);
    void ckbFrameClick();
    void ckbBackClick();
    void rbColorKindClick();
    void updateGradientControls();
    void repaintPreview();

    TFigureRect FPreview_;
    QTabWidget *pgcSetting = nullptr;
    QComboBox *cbxFigureKind = nullptr, *cbxDiameterV = nullptr, *cbxDiameterH = nullptr;
    QWidget *pnlLine = nullptr, *pnlRoundRect = nullptr, *pnlSector = nullptr;
    std::array<QCheckBox *, 4> lineBoxes{};
    std::array<QRadioButton *, 4> sectorButtons{};
    QCheckBox *ckbFrame = nullptr, *ckbBack = nullptr;
    QListWidget *dgLineType = nullptr;
    TRangeEdit *lineWidth = nullptr, *angle = nullptr;
    QLabel *lblItem7 = nullptr, *lblItem9 = nullptr, *lblItem10 = nullptr, *lblItem18 = nullptr;
    QLabel *lblItem1 = nullptr, *lblItem2 = nullptr, *lblItem3 = nullptr;
    QFrame *pnlFrameColor = nullptr, *pnlColor1 = nullptr, *pnlColor2 = nullptr;
    QAbstractButton *bbtnFrameColor = nullptr, *bbtnColorDlg1 = nullptr, *bbtnColorDlg2 = nullptr;
    QRadioButton *rbFilled = nullptr, *rbGradation = nullptr;
    TPaintPanel *pnlPreview = nullptr;
    QPushButton *btnOK = nullptr, *btnCancel = nullptr;
};
