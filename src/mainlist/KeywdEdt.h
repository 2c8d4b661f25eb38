// TKeywordEdit: the titles of the eight keyword fields and the input-method mode of each, shared by every book.
#pragma once

#include <QDialog>

#include <array>
#include <cstdint>

class QLabel;
class QPushButton;
class TUniComboBox;
class TUniEdit;

class TKeywordEdit : public QDialog {
    Q_OBJECT
public:
    explicit TKeywordEdit(QWidget *owner);
    ~TKeywordEdit() override;

    QLabel *lblName;
    QLabel *lblMode;
    // Indexed by keyword number less one, like KeywordNames.
    std::array<QLabel *, 8> lblKeyword{};
    std::array<TUniEdit *, 8> edtKeyword{};
    std::array<TUniComboBox *, 8> cbxKeyword{};
    QPushButton *btnOk;
    QPushButton *btnCancel;

    // Read by the main list after OK: what it has to pass on to the windows that show keywords.
    uint8_t NamesChanged = 0;
    uint8_t ModesChanged = 0;

    void btnOkClick();
    void btnCancelClick();
    void NextFocusKeyPress();
    void edtKeywordExit(TUniEdit *edit);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
