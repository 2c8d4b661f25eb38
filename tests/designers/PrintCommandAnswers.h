// What a designer's print command asks through its windows, answered as a user printing every record of the
// list to a PDF file answers it: for tests that run the command while a timer calls AnswerPrintCommand.
#pragma once

#include "designers/LytPrt.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>

namespace test {

// The wizard, the first time it shows (wizardShown then set): every record of the list, 次へ, then button (印刷,
// or the preview's); the PDF file dialog: pdf; Qt's own question whether to replace a file there: Yes.
inline void AnswerPrintCommand(bool &wizardShown, const QString &pdf, const QString &button = QStringLiteral("btnPrint"))
{
    QWidget *modal = QApplication::activeModalWidget();
    if (auto *wizard = qobject_cast<TLayoutPrintDialog *>(modal); wizard && !wizardShown) {
        wizardShown = true;
        wizard->findChild<QRadioButton *>(QStringLiteral("rbAll"))->click();
        wizard->findChild<QPushButton *>(QStringLiteral("btnNext"))->click();
        wizard->findChild<QPushButton *>(button)->click();
        if (wizard->isVisible())
            wizard->reject();
    } else if (auto *files = qobject_cast<QFileDialog *>(modal)) {
        files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(pdf);
        QMetaObject::invokeMethod(files, "accept", Qt::QueuedConnection);
    } else if (auto *replace = qobject_cast<QMessageBox *>(modal)) {
        replace->button(QMessageBox::Yes)->click();
    }
}

}  // namespace test
