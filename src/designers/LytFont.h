// TLayoutFontDialog ("フォントの設定"): the face, bold and italic style and colour of the text objects of the
// address and label designers, with a sample, and whether the choice goes to every object.
#pragma once

#include "drawing/Canvas.h"

#include <QDialog>

class QCheckBox;
class QFrame;
class QLabel;
class QListWidget;
class QPushButton;

class TLayoutFontDialog : public QDialog {
    Q_OBJECT
public:
    explicit TLayoutFontDialog(QWidget *owner);

    // The sample font becomes font turned horizontal, at 15 points.
    void SetFont(const TFont &font);
    // The sample font as edited (after Cancel too; callers use it only after OK).
    const TFont &GetFont() const { return Font_; }
    // "すべての枠のフォントを変更する".
    bool GetApplyAll() const;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void ShowFont();
    void lbFontsClick();
    void FontStyleClick(QCheckBox *clicked);
    // The sample text and the character set's name for a face of charset.
    void showCharset(int charset);
    void showSample();

    TFont Font_;
    bool Loading = false;
    QListWidget *lbFonts = nullptr;
    QLabel *pnlSample = nullptr, *lblCharset = nullptr;
    QCheckBox *ckbBold = nullptr, *ckbItalic = nullptr, *ckbAll = nullptr;
    QFrame *pnlFontColor = nullptr;
    QPushButton *btnOK = nullptr, *btnCancel = nullptr;
};
