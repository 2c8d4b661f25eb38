#include "designers/PrtSave.h"

#include "platform/MessageBox.h"
#include "widgets/NamedControls.h"
#include "widgets/ShiftJisValidator.h"
#include "widgets/UniStdCtrls.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

TPrintDataSaveDialog::TPrintDataSaveDialog(QWidget *owner) : TPrintDataDialog(owner)
{
    setObjectName(QStringLiteral("PrintDataSaveDialog"));
    setWindowTitle(QStringLiteral("名前を付けて保存"));
    auto *root = new QVBoxLayout(this);
    root->addWidget(FileListPanel());
    auto *title = new QHBoxLayout;
    auto *label = Named<QLabel>("lblTitle", QStringLiteral("タイトル"), this);
    edTitle = Named<QLineEdit>("edTitle", this);
    LimitToShiftJis(edTitle, MaxDocumentTitleBytes);
    SetImeMode(edTitle, imHira);
    label->setBuddy(edTitle);
    title->addWidget(label);
    title->addWidget(edTitle, 1);
    root->addLayout(title);
    root->addLayout(MakeButtons());
    edTitle->installEventFilter(this);
}

void TPrintDataSaveDialog::SetTitle(const QString &title)
{
    CurrentTitle = title;
    SelectTitle(title);
    edTitle->setSelection(0, int(edTitle->text().size()));
}

QString TPrintDataSaveDialog::GetTitle() const { return edTitle->text().trimmed(); }

void TPrintDataSaveDialog::SelectionChanged(QTreeWidgetItem *item)
{
    TPrintDataDialog::SelectionChanged(item);
    if (item)
        edTitle->setText(item->text(0));
}

void TPrintDataSaveDialog::accept()
{
    const QString title = GetTitle();
    if (title.isEmpty())
        return;
    if (HasForbiddenTitleChars(title)) {
        ShowMessageBoxAt(this, ForbiddenTitleCharsMessage(), AppTitle, MB_ICONINFORMATION);
        edTitle->setSelection(0, int(edTitle->text().size()));
        edTitle->setFocus();
        return;
    }
    for (int i = 0; i < lvFile->topLevelItemCount(); ++i)
        if (lvFile->topLevelItem(i)->text(0).compare(title, Qt::CaseInsensitive) == 0) {
            if (ShowMessageBoxAt(this, QStringLiteral("同名のファイルが存在します．上書きしますか？  "), AppTitle,
                                 MB_YESNO | MB_ICONQUESTION) != IDYES)
                return;
            break;
        }
    TPrintDataDialog::accept();
}

bool TPrintDataSaveDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == edTitle && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            btnOK->setFocus();
            return true;
        }
    }
    return TPrintDataDialog::eventFilter(watched, event);
}
