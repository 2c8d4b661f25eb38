#include "designers/PrtDialog.h"

#include "core/SharedHelpers.h"
#include "platform/Forms.h"
#include "platform/MessageBox.h"
#include "widgets/NamedControls.h"

#include <QContextMenuEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QString DeleteFailedMessage = QStringLiteral("ファイルを削除できませんでした  ");
const QString RenameFailedMessage = QStringLiteral("ファイルの名前を変更できませんでした  ");

}  // namespace

TPrintDataDialog::TPrintDataDialog(QWidget *owner) : QDialog(owner)
{
    pnlFiles = Named<QWidget>("pnlFiles", this);
    auto *files = new QVBoxLayout(pnlFiles);
    files->setContentsMargins(0, 0, 0, 0);
    auto *top = new QHBoxLayout;
    auto *lblItem = Named<QLabel>("lblItem", QStringLiteral("保存ファイル一覧"), pnlFiles);
    top->addWidget(lblItem);
    top->addStretch();
    sbtnDelete = Named<QToolButton>("sbtnDelete", pnlFiles);
    sbtnRename = Named<QToolButton>("sbtnRename", pnlFiles);
    sbtnDelete->setText(QStringLiteral("削除"));
    sbtnRename->setText(QStringLiteral("名前の変更"));
    for (QToolButton *b : {sbtnDelete, sbtnRename}) {
        b->setEnabled(false);
        b->setAutoRaise(true);
        top->addWidget(b);
    }
    files->addLayout(top);
    lvFile = Named<QTreeWidget>("lvFile", pnlFiles);
    SetViewLabel(lblItem, lvFile);
    lvFile->setColumnCount(2);
    lvFile->setHeaderLabels({QStringLiteral("タイトル"), QStringLiteral("日付")});
    lvFile->setColumnWidth(0, 250);
    lvFile->setColumnWidth(1, 100);
    lvFile->setRootIsDecorated(false);
    lvFile->setSelectionMode(QAbstractItemView::SingleSelection);
    lvFile->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvFile->setEditTriggers(QAbstractItemView::EditKeyPressed);
    lvFile->header()->setSectionsClickable(false);
    lvFile->setContextMenuPolicy(Qt::CustomContextMenu);
    lvFile->setMinimumSize(372, 220);
    files->addWidget(lvFile);

    PopupMenu = new QMenu(this);
    pmiDelete = PopupMenu->addAction(QStringLiteral("削除(&D)"));
    pmiRename = PopupMenu->addAction(QStringLiteral("名前の変更(&M)"));
    pmiDelete->setObjectName(QStringLiteral("pmiDelete"));
    pmiRename->setObjectName(QStringLiteral("pmiRename"));

    connect(sbtnDelete, &QToolButton::clicked, this, &TPrintDataDialog::DeleteSelected);
    connect(pmiDelete, &QAction::triggered, this, &TPrintDataDialog::DeleteSelected);
    connect(sbtnRename, &QToolButton::clicked, this, &TPrintDataDialog::StartRename);
    connect(pmiRename, &QAction::triggered, this, &TPrintDataDialog::StartRename);
    connect(lvFile, &QTreeWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        if (lvFile->itemAt(at))
            PopupMenu->popup(lvFile->viewport()->mapToGlobal(at));
    });
    connect(lvFile, &QTreeWidget::itemSelectionChanged, this, [this] { SelectionChanged(SelectedItem()); });
    connect(lvFile, &QTreeWidget::itemChanged, this, &TPrintDataDialog::CaptionEdited);
    lvFile->installEventFilter(this);
}

QHBoxLayout *TPrintDataDialog::MakeButtons()
{
    QPushButton *ok = nullptr, *cancel = nullptr;
    QHBoxLayout *buttons = MakeOkCancelButtons(this, ok, cancel);
    btnOK = ok;
    btnCancel = cancel;
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    return buttons;
}

void TPrintDataDialog::SetKind(uint8_t kind)
{
    DocumentKind = kind;
    KindValid = DocumentKindOf(kind, Kind);
    if (KindValid)
        setProperty("HelpContext", 109);
    FillFileList();
}

void TPrintDataDialog::FillFileList()
{
    const QSignalBlocker block(lvFile);
    lvFile->clear();
    if (!KindValid)
        return;
    for (const TListedDocument &document : ListDocuments(Kind)) {
        auto *item = new QTreeWidgetItem(lvFile, {document.Title, document.Date.toString("yyyy/MM/dd")});
        item->setFlags(item->flags() | Qt::ItemIsEditable);
        item->setData(0, Qt::UserRole, document.Title);
    }
}

QTreeWidgetItem *TPrintDataDialog::SelectedItem() const
{
    const auto selected = lvFile->selectedItems();
    return selected.isEmpty() ? nullptr : selected.front();
}

void TPrintDataDialog::SelectTitle(const QString &title)
{
    for (int i = 0; i < lvFile->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = lvFile->topLevelItem(i);
        if (item->text(0) == title) {
            lvFile->setCurrentItem(item);
            item->setSelected(true);
            lvFile->scrollToItem(item);
            return;
        }
    }
}

QString TPrintDataDialog::PathOf(const QString &title) const { return Kind.Folder + title + Kind.Extension; }

void TPrintDataDialog::SelectionChanged(QTreeWidgetItem *item)
{
    const bool other = item && item->text(0) != CurrentTitle;
    sbtnDelete->setEnabled(other);
    sbtnRename->setEnabled(other);
}

void TPrintDataDialog::DeleteSelected()
{
    const TWindowCommand command(this);
    if (!command || !SelectedItem())
        return;
    const QString title = SelectedItem()->data(0, Qt::UserRole).toString();
    if (SelectedItem()->text(0) == CurrentTitle) {
        ShowMessageBoxAt(this, QStringLiteral("現在開いているファイルは削除できません  "), AppTitle,
                         MB_ICONINFORMATION);
        return;
    }
    if (ShowMessageBoxAt(this, QStringLiteral("選択中のファイルを削除します  \r\nよろしいですか？"), AppTitle,
                         MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    // The list may have changed while the question was open: the document's row is looked up anew.
    QTreeWidgetItem *item = nullptr;
    for (int i = 0; i < lvFile->topLevelItemCount() && !item; ++i)
        if (lvFile->topLevelItem(i)->data(0, Qt::UserRole).toString() == title)
            item = lvFile->topLevelItem(i);
    if (!item)
        return;
    const QString path = PathOf(title);
    if (!QFile::remove(path) && QFile::exists(path)) {
        ShowMessageBoxAt(this, DeleteFailedMessage, AppTitle, MB_ICONERROR);
        return;
    }
    delete item;
    FilesChanged = true;
}

void TPrintDataDialog::StartRename()
{
    const TWindowCommand command(this);
    if (!command)
        return;
    if (QTreeWidgetItem *item = SelectedItem())
        lvFile->editItem(item, 0);
}

void TPrintDataDialog::CaptionEdited(QTreeWidgetItem *item, int column)
{
    if (column != 0 || Renaming)
        return;
    const QString old = item->data(0, Qt::UserRole).toString();
    const auto keepOld = [&] {
        const QSignalBlocker block(lvFile);
        item->setText(0, old);
    };
    const auto editAgain = [&] {
        keepOld();
        QTimer::singleShot(0, this, [this, item] { lvFile->editItem(item, 0); });
    };
    QString title = item->text(0).trimmed();
    if (title == old || title.isEmpty()) {
        keepOld();
        return;
    }
    if (old.compare(CurrentTitle, Qt::CaseInsensitive) == 0) {
        keepOld();
        ShowMessageBoxAt(this, QStringLiteral("現在開いているファイルの名前は変更できません  "), AppTitle,
                         MB_ICONINFORMATION);
        return;
    }
    title = CutDocumentTitle(title);
    if (HasForbiddenTitleChars(title)) {
        ShowMessageBoxAt(this, ForbiddenTitleCharsMessage(), AppTitle, MB_ICONINFORMATION);
        editAgain();
        return;
    }
    for (int i = 0; i < lvFile->topLevelItemCount(); ++i) {
        QTreeWidgetItem *other = lvFile->topLevelItem(i);
        if (other != item && other->text(0).compare(title, Qt::CaseInsensitive) == 0) {
            ShowMessageBoxAt(this, QStringLiteral("指定されたファイル名は既に存在します  "), AppTitle,
                             MB_ICONINFORMATION);
            editAgain();
            return;
        }
    }
    if (!QFile::rename(PathOf(old), PathOf(title))) {
        keepOld();
        ShowMessageBoxAt(this, RenameFailedMessage, AppTitle, MB_ICONERROR);
        return;
    }
    const QSignalBlocker block(lvFile);
    item->setText(0, title);
    item->setData(0, Qt::UserRole, title);
    FilesChanged = true;
}

bool TPrintDataDialog::eventFilter(QObject *watched, QEvent *event)
{
    // While a caption is edited the edit has the focus and its keys, Enter and Esc among them.
    if (watched == lvFile && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Delete && SelectedItem()) {
            DeleteSelected();
            return true;
        }
        if (key == Qt::Key_F2) {
            StartRename();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
