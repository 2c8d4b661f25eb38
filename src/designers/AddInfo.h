// TAdditionInfoDialog ("追加情報の設定"): whether the customer barcode is printed and at which bar size, and on
// label and card papers the four additional items the addition objects print. The caller fills it, runs it
// and reads it back.
#pragma once

#include <QDialog>
#include <QString>

#include <array>
#include <cstdint>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

// The entry of the item lists for an item code; 11 to 18 are the keyword titles as they are when it is called,
// and codes not offered have none.
QString AdditionItemText(int code);

class TAdditionInfoDialog : public QDialog {
    Q_OBJECT
public:
    explicit TAdditionInfoDialog(QWidget *owner);

    // The paper kind: 0 postcard and 1 envelope show the barcode alone, 2 label and 3 card both halves.
    void SetMode(uint8_t mode);
    // 1 the receiver's items, 2 the sender's contact rows; label papers also offer the reversed telephone
    // number and the date.
    void FillAdditionItems(uint8_t group);
    bool GetAdditionChecked(int row) const;
    void SetAdditionChecked(int row, bool checked);
    // The code of the entry chosen in row, 0 when the row holds typed text or nothing.
    int GetAdditionItem(int row) const;
    // Chooses the entry carrying code; none when no entry carries it.
    void SetAdditionItem(int row, int code);
    // The trimmed text typed in row, empty when an entry is chosen.
    QString GetAdditionText(int row) const;
    void SetAdditionText(int row, const QString &text);
    bool GetBarcode() const;
    void SetBarcode(bool on);
    // The chosen bar-size index (0 "8" to 3 "11"); 0 when the list is empty.
    uint8_t GetBarSize() const;
    // An index above the largest allowed chooses the largest.
    void SetBarSize(uint8_t index);
    // The largest bar-size index the paper allows; the larger sizes leave the list.
    void SetMaxBarSize(uint8_t max);
    // No bar size fits: the barcode is off and cannot be turned on.
    void SetBarcodeDisabled(bool disabled);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void ckbAdditionClick(int row);
    void ckbBarcodeClick();

    uint8_t Mode = 0;
    uint8_t MaxBarSize = 3;
    QGroupBox *gbxAddition = nullptr, *gbxBarcode = nullptr;
    std::array<QCheckBox *, 4> ckbAddition{};
    std::array<QComboBox *, 4> cbxAddition{};
    QCheckBox *ckbBarcode = nullptr;
    QLabel *lblBarSize = nullptr;
    QComboBox *cbxBarSize = nullptr;
    QPushButton *btnOK = nullptr, *btnCancel = nullptr;
};
