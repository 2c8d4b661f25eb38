// TWordSettingDialog ("文章の表示設定"): a free text's face, size, ratio, style and colour, its placement,
// line spacing and wrapping, its frame and back, and its writing direction, set on a private copy drawn
// live; the designer copies the copy back unless the user cancels.
#pragma once

#include "drawing/WordRect.h"

#include <QDialog>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTabWidget;
class TPaintPanel;
class TRangeEdit;

class TWordSettingDialog : public QDialog {
    Q_OBJECT
public:
    explicit TWordSettingDialog(QWidget *owner);

    // Fills the preview from text (which is not changed) and the controls from the preview.
    void SetWordRect(const TWordRect &text);
    // The text as set; the caller copies it into its object after any result but Cancel.
    const TWordRect &FPreview() const { return FPreview_; }

    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildFontPage();
    void buildAlignPage();
    void buildFramePage();
    void ShowFont();
    void lbFontsClick();
    void ckbStyleClick();
    void rbAlignClick(QRadioButton *clicked, bool horizontal, int tag);
    void ckbLineSpaceClick();
    void ckbFrameClick();
    void ckbBackClick();
    void FrameViewClick();
    void rbDirectionClick(int tag);
    void setFont(const TFont &font);
    void repaintPreview();

    TWordRect FPreview_;
    bool FUpdating = false;
    QTabWidget *pgcSetting = nullptr;
    QListWidget *lbFonts = nullptr;
    QLabel *lblCharset = nullptr;
    QComboBox *cbxFSize = nullptr;
    TRangeEdit *vhRatio = nullptr;
    QCheckBox *ckbBold = nullptr, *ckbItalic = nullptr;
    QFrame *pnlFontColor = nullptr, *pnlFrameColor = nullptr, *pnlBackColor = nullptr;
    QAbstractButton *bbtnFontColor = nullptr, *bbtnFrameColor = nullptr, *bbtnBackColor = nullptr;
    QRadioButton *rbLeft = nullptr, *rbHorzCenter = nullptr, *rbRight = nullptr;
    QRadioButton *rbTop = nullptr, *rbVertCenter = nullptr, *rbBottom = nullptr;
    QCheckBox *ckbLineSpace = nullptr, *ckbWrap = nullptr, *ckbFrame = nullptr, *ckbBack = nullptr;
    QComboBox *cbxLineSpace = nullptr, *cbxLineCount = nullptr, *cbxCorner = nullptr, *cbxLineWidth = nullptr;
    QLabel *lblLineCount = nullptr, *lblCorner = nullptr, *lblLineWidth = nullptr, *lblFrameColor = nullptr;
    QLabel *lblBackColor = nullptr;
    QRadioButton *rbVertical = nullptr, *rbHorizontal = nullptr;
    TPaintPanel *pnlPreview = nullptr;
    QPushButton *btnOK = nullptr, *btnCancel = nullptr;
};
