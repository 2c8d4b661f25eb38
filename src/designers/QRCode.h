// TQRCodeSettingDialog ("QRコードの設定"): what a QR code carries (a text, a phone-book entry, a mail to
// write), the carrier's form, the cell size and the colour, edited on a preview object of its own and shown
// rendered; the designer copies the preview back after OK. Resizable; it remembers its size.
#pragma once

#include "drawing/QRCodeRect.h"

#include <QDialog>

#include <memory>

class QAbstractButton;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QStackedWidget;
class TNameReadingPopup;
class TRangeEdit;
class TUniEdit;
class TUniNMDEdit;

class TQRCodeSettingDialog : public QDialog {
    Q_OBJECT
public:
    explicit TQRCodeSettingDialog(QWidget *owner);
    ~TQRCodeSettingDialog() override;

    // The preview becomes a copy of source at zoom 1, at the origin.
    void ResetPreview(const TQRCodeRect &source);
    // The code as set; the caller copies it into its object after OK, keeping that object's place.
    const TQRCodeRect &Preview() const { return Preview_; }
    // The controls from the preview.
    void ShowQRCode();
    // The sender at place row (1 ..) of "Sender.DB" into the name, telephone and mail edits.
    void FillFromSender(int row);

    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void LoadSettings();
    void SaveSettings();
    void listSenders();
    void rbKindClick();
    void rbCarrierClick();
    // The edits into the preview, which is rendered again and placed in the middle of the preview area.
    void applySettings();
    void renderPreview();
    void bbtnAddHeaderClick(int tag);

    TQRCodeRect Preview_;
    QRadioButton *rbText = nullptr, *rbAddress = nullptr, *rbMail = nullptr;
    QRadioButton *rbDocomo = nullptr, *rbSoftBank = nullptr;
    QLabel *lblInfo = nullptr;
    QStackedWidget *pgcKind = nullptr;
    QPlainTextEdit *memText = nullptr;
    TUniNMDEdit *edName = nullptr;
    TUniEdit *edKana = nullptr;
    QLineEdit *edTel1 = nullptr, *edTel2 = nullptr, *edMail1 = nullptr, *edMail2 = nullptr, *edMemo = nullptr;
    QLineEdit *edMailTo = nullptr, *edSubject = nullptr, *edBody = nullptr;
    QComboBox *cbxSender = nullptr;
    QPushButton *btnSender = nullptr, *btnRefresh = nullptr, *btnOK = nullptr, *btnCancel = nullptr;
    TRangeEdit *size = nullptr;
    QFrame *pnlColor = nullptr;
    QScrollArea *sbxPreview = nullptr;
    QWidget *pbxPreview = nullptr;
    std::unique_ptr<TNameReadingPopup> NamePopup;
};
