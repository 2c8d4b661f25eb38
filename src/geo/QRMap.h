// TQRCodeMap: the QR code of a link that opens a map of the record's address on a mobile telephone.
#pragma once

#include <QDialog>
#include <QImage>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;
class TPaintPanel;
class TUpDown;

class TQRCodeMap : public QDialog {
public:
    explicit TQRCodeMap(QWidget *owner);
    ~TQRCodeMap() override;

    QLabel *lblMessage1, *lblMessage2, *lblMessage3;
    QLineEdit *edtAdrs;
    TPaintPanel *pnlQRCode;
    QLineEdit *edtSize;
    TUpDown *udSize;
    QPushButton *btnClose;

    void SetAddress(const QString &address);
    // The link the code carries for the current address.
    QByteArray Link() const;
    const QImage &Image() const { return Image_; }
    int Size() const { return Size_; }

    void edtSizeEnter();
    void edtSizeExit();
    // Whether the up-down took the value (1 to 5).
    bool udSizeChangingEx(int value);

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void BuildCode();

    QImage Image_;
    int Size_ = 3;
    QString Address_;
    QString LinkTemplate_;
    int EnteredSize_ = 3;
};
