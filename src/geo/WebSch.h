// TWebSearch: searches the web for a name with one of five search engines through the desktop's browser.
#pragma once

#include "geo/WebLinks.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

class TWebSearch : public QDialog {
public:
    explicit TWebSearch(QWidget *owner);

    QLineEdit *edtWord;
    QComboBox *cbxEngine;
    QPushButton *bbtnSearch, *btnClose;

    void SetKeyword(const QString &text);
    void bbtnSearchClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::array<TWebSearchEngine, webSearchEngineCount> Engines_;
};
