// TWordSearch: asks for the word the main list looks for in the texts of its shown rows.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class TUniEdit;

class TWordSearch : public QDialog {
    Q_OBJECT
public:
    explicit TWordSearch(QWidget *owner);

    QLabel *lblMsg1;
    QLabel *lblMsg2;
    QLabel *lblMsg3;
    TUniEdit *edtWord;
    QPushButton *btnSearch;
    QPushButton *btnClear;
    QPushButton *btnCancel;

    // Shown selected, so that typing replaces it.
    void SetWord(const QString &word);
    // Without leading and trailing blanks and control characters; empty switches the search off.
    QString GetWord() const;

    void btnSearchClick();
    void btnClearClick();
    void btnCancelClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
