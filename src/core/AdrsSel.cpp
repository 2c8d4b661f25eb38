#include "core/AdrsSel.h"

#include "base/FileReplace.h"
#include "base/Folders.h"
#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "core/AddressBookList.h"
#include "core/Globals.h"
#include "core/SharedHelpers.h"
#include "platform/Forms.h"
#include "platform/MemIniFile.h"
#include "platform/MessageBox.h"
#include "widgets/NamedControls.h"
#include "widgets/ShiftJisValidator.h"
#include "widgets/UniStdCtrls.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValidator>

#include <algorithm>

namespace {

constexpr int MaxNameBytes = 100;
const QString ForbiddenCharacters = QStringLiteral("\\/:;*?\"<>|");

bool sameName(const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// The rename editor of lvAdrs: the edited text goes to lvAdrsEdited, which alone decides what the row and the
// book's entry become.
class TRenameDelegate : public QStyledItemDelegate {
public:
    explicit TRenameDelegate(TAddressSelect *dialog) : QStyledItemDelegate(dialog), dialog_(dialog) {}

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
        // The editor exists only while the edit lasts, so the mode ends with it.
        SetImeMode(editor, imHira);
        return editor;
    }

    void setModelData(QWidget *editor, QAbstractItemModel *, const QModelIndex &index) const override
    {
        dialog_->lvAdrsEdited(index.row(), static_cast<QLineEdit *>(editor)->text());
    }

private:
    TAddressSelect *dialog_;
};

}  // namespace

TAddressSelect::TAddressSelect(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("AddressSelect"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    rbNew = Named<QRadioButton>("rbNew", QStringLiteral("新しいアドレス帳を作成する："), this);
    rbNew->setProperty("Tag", 0);
    edtNew = Named<TUniEdit>("edtNew", this);
    edtNew->setAccessibleName(QStringLiteral("新しいアドレス帳の名前"));
    edtNew->setValidator(new TShiftJisValidator(MaxNameBytes, edtNew));
    SetImeMode(edtNew, imHira);

    rbOpen = Named<QRadioButton>("rbOpen", QStringLiteral("既存のアドレス帳を開く："), this);
    rbOpen->setProperty("Tag", 1);
    lvAdrs = Named<QListWidget>("lvAdrs", this);
    lvAdrs->setAccessibleName(QStringLiteral("既存のアドレス帳"));
    lvAdrs->setSelectionMode(QAbstractItemView::SingleSelection);
    lvAdrs->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvAdrs->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvAdrs->setContextMenuPolicy(Qt::CustomContextMenu);
    lvAdrs->setItemDelegate(new TRenameDelegate(this));
    QPalette listPalette = lvAdrs->palette();
    for (const QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        listPalette.setColor(QPalette::Inactive, role, listPalette.color(QPalette::Active, role));
    lvAdrs->setPalette(listPalette);

    imglstAdrs = {style()->standardIcon(QStyle::SP_TrashIcon), style()->standardIcon(QStyle::SP_DirIcon),
                  style()->standardIcon(QStyle::SP_ArrowUp), style()->standardIcon(QStyle::SP_ArrowDown)};
    const auto makeAction = [this](const char *name, const QString &text, int image) {
        auto *action = Named<QAction>(name, imglstAdrs[image], text, this);
        action->setToolTip(text);
        action->setStatusTip(text);
        return action;
    };
    actDelete = makeAction("actDelete", QStringLiteral("削除"), 0);
    actRename = makeAction("actRename", QStringLiteral("名前の変更"), 1);
    actUp = makeAction("actUp", QStringLiteral("上に移動"), 2);
    actDown = makeAction("actDown", QStringLiteral("下に移動"), 3);
    const auto actionButton = [this](const char *name, QAction *action) {
        auto *button = Named<QToolButton>(name, this);
        button->setDefaultAction(action);
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        return button;
    };
    bbtnDelete = actionButton("bbtnDelete", actDelete);
    bbtnRename = actionButton("bbtnRename", actRename);
    bbtnUp = actionButton("bbtnUp", actUp);
    bbtnDown = actionButton("bbtnDown", actDown);
    pmAdrs = Named<QMenu>("pmAdrs", this);
    pmAdrs->addActions({actDelete, actRename, actUp, actDown});

    arrangeControls();

    for (QRadioButton *button : {rbNew, rbOpen})
        connect(button, &QRadioButton::toggled, this, [this, button](bool checked) {
            if (checked)
                rbSelectClick(button);
        });
    connect(lvAdrs, &QListWidget::itemSelectionChanged, this, &TAddressSelect::lvAdrsSelectItem);
    connect(lvAdrs, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { pmAdrs->popup(lvAdrs->viewport()->mapToGlobal(at)); });
    connect(actDelete, &QAction::triggered, this, &TAddressSelect::actDeleteExecute);
    connect(actRename, &QAction::triggered, this, &TAddressSelect::actRenameExecute);
    connect(actUp, &QAction::triggered, this, &TAddressSelect::actUpExecute);
    connect(actDown, &QAction::triggered, this, &TAddressSelect::actDownExecute);
    connect(btnOk, &QPushButton::clicked, this, &TAddressSelect::btnOkClick);
    connect(btnCancel, &QPushButton::clicked, this, &TAddressSelect::btnCancelClick);
    for (QWidget *watched : {static_cast<QWidget *>(rbNew), static_cast<QWidget *>(edtNew),
                             static_cast<QWidget *>(rbOpen), static_cast<QWidget *>(lvAdrs), lvAdrs->viewport()})
        watched->installEventFilter(this);

    FillBookList();
}

void TAddressSelect::arrangeControls()
{
    auto *layout = new QGridLayout(this);
    layout->addWidget(rbNew, 0, 0, 1, 2);
    layout->addWidget(edtNew, 1, 0);
    layout->addWidget(rbOpen, 2, 0, 1, 2);
    layout->addWidget(lvAdrs, 3, 0);
    auto *bookButtons = new QVBoxLayout;
    for (QToolButton *button : {bbtnDelete, bbtnRename, bbtnUp, bbtnDown})
        bookButtons->addWidget(button);
    bookButtons->addStretch();
    layout->addLayout(bookButtons, 3, 1);
    layout->addLayout(MakeOkCancelButtons(this, btnOk, btnCancel), 4, 0, 1, 2);
    layout->setColumnMinimumWidth(0, 260);
    setTabOrder(rbNew, edtNew);
    setTabOrder(edtNew, rbOpen);
    setTabOrder(rbOpen, lvAdrs);
    setTabOrder(lvAdrs, bbtnDelete);
    setTabOrder(bbtnDelete, bbtnRename);
    setTabOrder(bbtnRename, bbtnUp);
    setTabOrder(bbtnUp, bbtnDown);
    setTabOrder(bbtnDown, btnOk);
    setTabOrder(btnOk, btnCancel);
}

int TAddressSelect::message(const QString &text, unsigned flags)
{
    return ShowMessageBoxAt(this, text, AppTitle, flags, mbpCentreOnOwner);
}

int TAddressSelect::bookIndexOf(const QListWidgetItem *row) const { return row->data(Qt::UserRole).toInt(); }

bool TAddressSelect::isCurrentBook(const QListWidgetItem *row) const { return sameName(row->text(), BookName); }

QListWidgetItem *TAddressSelect::rowOfBook(int bookIndex) const
{
    for (int r = 0; r < lvAdrs->count(); ++r)
        if (bookIndexOf(lvAdrs->item(r)) == bookIndex)
            return lvAdrs->item(r);
    return nullptr;
}

void TAddressSelect::FillBookList()
{
    lvAdrs->clear();
    for (size_t i = 0; i < AdrsBookList.size(); ++i) {
        if (AdrsBookList[i].State == abDeletePending)
            continue;
        auto *row = new QListWidgetItem(imglstAdrs[1], AdrsBookList[i].Name, lvAdrs);
        row->setData(Qt::UserRole, static_cast<int>(i));
        row->setFlags(row->flags() | Qt::ItemIsEditable);
    }
}

// The effective mode follows the books that can be chosen: a list whose books all wait for deletion offers
// nothing to open either.
void TAddressSelect::SetMode(int mode)
{
    Mode = mode;
    const bool noBooks = AdrsBookList.empty();
    int effective = mode;
    if (mode == asmOpen && noBooks)
        effective = asmCreate;
    else if (mode == asmStartup)
        effective = noBooks ? asmCreate : asmOpen;
    setProperty("HelpContext", 44);
    if (effective == asmCreate) {
        setWindowTitle(QStringLiteral("アドレス帳の作成"));
        rbNew->setChecked(true);
        edtNew->setText(BookName);
    } else {
        setWindowTitle(QStringLiteral("アドレス帳の切り替え"));
        rbOpen->setChecked(true);
    }
}

void TAddressSelect::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TAddressSelect::FormShow()
{
    if (lvAdrs->count() == 0) {
        rbOpen->setEnabled(false);
        lvAdrs->setEnabled(false);
        QPalette palette = lvAdrs->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Button));
        lvAdrs->setPalette(palette);
        for (QAction *action : {actDelete, actRename, actUp, actDown})
            action->setEnabled(false);
    } else {
        int row = 0;
        for (int r = 0; r < lvAdrs->count(); ++r) {
            if (sameName(lvAdrs->item(r)->text(), BookName)) {
                row = r;
                break;
            }
        }
        lvAdrs->setCurrentRow(row);
        lvAdrs->scrollToItem(lvAdrs->item(row));
    }
    if (rbOpen->isChecked())
        lvAdrs->setFocus();
    else
        focusEditAtEnd();
}

void TAddressSelect::focusEditAtEnd()
{
    edtNew->setFocus();
    edtNew->end(false);
}

void TAddressSelect::rbSelectClick(QRadioButton *clicked)
{
    QRadioButton *other = clicked == rbNew ? rbOpen : rbNew;
    SetCaptionColour(clicked, true);
    SetCaptionColour(other, false);
    if (!isVisible())
        return;
    if (clicked == rbNew)
        focusEditAtEnd();
    else
        lvAdrs->setFocus();
}

bool TAddressSelect::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lvAdrs->viewport()) {
        if (event->type() == QEvent::MouseButtonRelease) {
            // The list drops its selection only while it handles the release of a click beside the rows,
            // so the focused row is chosen again once that is done.
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (lvAdrs->count() > 0 && lvAdrs->selectedItems().isEmpty() && lvAdrs->currentItem())
                        lvAdrs->currentItem()->setSelected(true);
                },
                Qt::QueuedConnection);
        } else if (event->type() == QEvent::MouseButtonDblClick && rbOpen->isChecked()
                   && !lvAdrs->selectedItems().isEmpty()) {
            btnOk->click();
            return true;
        }
        return false;
    }
    if (event->type() == QEvent::FocusIn) {
        if (watched == edtNew)
            rbNew->setChecked(true);
        else if (watched == lvAdrs)
            rbOpen->setChecked(true);
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    if (watched == lvAdrs) {
        // Keys the rename editor did not use come up to the list; the edit has them, not the list or the
        // dialog (Enter would otherwise also press OK).
        if (const QWidget *focus = QApplication::focusWidget(); focus && focus != lvAdrs && lvAdrs->isAncestorOf(focus))
            return true;
        if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_F2) {
            if (!lvAdrs->selectedItems().isEmpty())
                actRenameExecute();
            return true;
        }
    }
    if (!IsEnterKey(event))
        return false;
    if (watched == rbNew)
        focusEditAtEnd();
    else if (watched == edtNew || watched == lvAdrs)
        btnOk->setFocus();
    else if (watched == rbOpen)
        lvAdrs->setFocus();
    return true;
}

void TAddressSelect::lvAdrsSelectItem()
{
    const QList<QListWidgetItem *> selected = lvAdrs->selectedItems();
    if (selected.isEmpty())
        return;
    const int row = lvAdrs->row(selected.first());
    actUp->setEnabled(row > 0);
    actDown->setEnabled(row < lvAdrs->count() - 1);
}

void TAddressSelect::actRenameExecute()
{
    const TWindowCommand command(this);
    if (!command)
        return;
    const QList<QListWidgetItem *> selected = lvAdrs->selectedItems();
    if (!selected.isEmpty())
        lvAdrs->editItem(selected.first());
}

// Runs once the edit that asks for it has ended; a null text shows the row's caption.
void TAddressSelect::restartRename(int row, const QString &text)
{
    QMetaObject::invokeMethod(
        this,
        [this, row, text] {
            QListWidgetItem *item = lvAdrs->item(row);
            if (!item)
                return;
            lvAdrs->setCurrentItem(item);
            lvAdrs->editItem(item);
            if (auto *editor = qobject_cast<QLineEdit *>(lvAdrs->indexWidget(lvAdrs->model()->index(row, 0)));
                editor && !text.isNull())
                editor->setText(text);
        },
        Qt::QueuedConnection);
}

bool TAddressSelect::checkNameRules(const QString &name, const QString &emptyMessage)
{
    if (name.isEmpty()) {
        message(emptyMessage, MB_ICONINFORMATION);
        return false;
    }
    if (name.startsWith('.')) {
        message(QStringLiteral("' . ' で始まる名前は指定できません  "), MB_ICONINFORMATION);
        return false;
    }
    // Control characters count as forbidden too: the operations file could not carry such a name, and its
    // rename or delete would be dropped at the next start.
    if (std::any_of(name.begin(), name.end(),
                    [](QChar c) { return ForbiddenCharacters.contains(c) || c.unicode() < 0x20; })) {
        message(QStringLiteral("アドレス帳には次の文字は使えません\r\n \\ / : ; * ? \" < > |   "),
                MB_ICONINFORMATION);
        return false;
    }
    return true;
}

bool TAddressSelect::recordOperation(const QString &section, const QString &value)
{
    try {
        AppendPendingOperation(section, value);
        return true;
    } catch (const EIniFileError &e) {
        message(e.Message, MB_ICONERROR);
        return false;
    }
}

void TAddressSelect::lvAdrsEdited(int row, const QString &S)
{
    const TWindowCommand command(this);
    if (!command)
        return;
    QListWidgetItem *item = lvAdrs->item(row);
    if (!item || S == item->text())
        return;
    const QString oldName = item->text();
    if (!checkNameRules(S, QStringLiteral("空白の名前に変更することはできません  ")))
        return;
    if (isCurrentBook(item)) {
        message(QStringLiteral("現在編集中のアドレス帳の名前は変更できません  "), MB_ICONINFORMATION);
        return;
    }
    if (Sjis::encode(S).size() > MaxNameBytes) {
        message(QStringLiteral("アドレス帳の名前の長さは全角で５０文字分までです  "), MB_ICONINFORMATION);
        // The cut name is offered in the editor rather than put on the row: the row and the book's entry
        // must never disagree, so the row changes only when a rename is recorded, and confirming the cut
        // name records it like any other rename.
        restartRename(row, CopyLeftMbcsW(S, MaxNameBytes));
        return;
    }
    for (int r = 0; r < lvAdrs->count(); ++r) {
        if (r != row && sameName(lvAdrs->item(r)->text(), S)) {
            message(QStringLiteral("指定された名前のアドレス帳は既に存在します  "), MB_ICONINFORMATION);
            restartRename(row, QString());
            return;
        }
    }
    // A name whose folder still belongs to a book waiting for deletion is recorded as it is: the deletes
    // are carried out first at the next start, and a rename whose target folder still exists stays pending.
    if (!recordOperation(QStringLiteral("RENAME"), oldName + '/' + S))
        return;
    TAdrsFolderInfo &book = AdrsBookList[bookIndexOf(item)];
    book.Name = S;
    book.State = abRenamePending;
    item->setText(S);
}

void TAddressSelect::actDeleteExecute()
{
    const TWindowCommand command(this);
    if (!command)
        return;
    const QList<QListWidgetItem *> selected = lvAdrs->selectedItems();
    if (selected.isEmpty())
        return;
    const int bookIndex = bookIndexOf(selected.first());
    if (isCurrentBook(selected.first())) {
        message(QStringLiteral("現在編集中のアドレス帳は削除できません  "), MB_ICONINFORMATION);
        return;
    }
    if (message(QStringLiteral("アドレス帳 '") + selected.first()->text() + QStringLiteral("' を削除します  \r\nよろしいですか？  "),
                MB_ICONQUESTION | MB_YESNO | MB_DEFBUTTON2)
        != IDYES)
        return;
    // The rows may have been made again while the question was open: the book's row is looked up anew.
    QListWidgetItem *item = rowOfBook(bookIndex);
    if (!item)
        return;
    TAdrsFolderInfo &book = AdrsBookList[bookIndex];
    if (!recordOperation(QStringLiteral("DELETE"), book.Folder))
        return;
    book.Name.clear();
    book.State = abDeletePending;
    const int row = lvAdrs->row(item);
    delete lvAdrs->takeItem(row);
    if (lvAdrs->count() > 0)
        lvAdrs->setCurrentRow(std::min(row, lvAdrs->count() - 1));
    // The list may pick the next row while the removed one is still counted.
    lvAdrsSelectItem();
}

void TAddressSelect::moveSelected(int step)
{
    const TWindowCommand command(this);
    if (!command)
        return;
    const QList<QListWidgetItem *> selected = lvAdrs->selectedItems();
    if (selected.isEmpty())
        return;
    const int row = lvAdrs->row(selected.first());
    const int target = row + step;
    if (target < 0 || target >= lvAdrs->count())
        return;
    const int moved = bookIndexOf(selected.first());
    const int other = bookIndexOf(lvAdrs->item(target));
    std::swap(AdrsBookList[moved], AdrsBookList[other]);
    if (CurrentAdrsIndex == moved)
        CurrentAdrsIndex = other;
    else if (CurrentAdrsIndex == other)
        CurrentAdrsIndex = moved;
    FillBookList();
    lvAdrs->setCurrentRow(target);
    lvAdrs->setFocus();
}

void TAddressSelect::actUpExecute() { moveSelected(-1); }

void TAddressSelect::actDownExecute() { moveSelected(1); }

void TAddressSelect::btnOkClick()
{
    const TWindowCommand command(this);
    if (!command)
        return;
    if (rbNew->isChecked()) {
        if (createBook())
            accept();
        return;
    }
    const QList<QListWidgetItem *> selected = lvAdrs->selectedItems();
    if (selected.isEmpty()) {
        message(QStringLiteral("アドレス帳を選択してください  "), MB_ICONINFORMATION);
        lvAdrs->setFocus();
        return;
    }
    const QString name = selected.first()->text();
    if (!sameName(name, BookName))
        BookChanged = true;
    BookName = name;
    accept();
}

bool TAddressSelect::createBook()
{
    QString name = TrimBlanks(edtNew->text());
    if (!checkNameRules(name, QStringLiteral("作成するアドレス帳の名前を入力してください  "))) {
        focusEditAtEnd();
        return false;
    }
    bool found = false;
    for (int r = 0; r < lvAdrs->count() && !found; ++r) {
        const QString caption = lvAdrs->item(r)->text();
        if (!sameName(caption, name))
            continue;
        if (message(QStringLiteral("アドレス帳 '") + caption + QStringLiteral("' は存在します  \r\n開きますか？  "),
                    MB_ICONQUESTION | MB_YESNO)
            != IDYES) {
            focusEditAtEnd();
            return false;
        }
        name = caption;
        found = true;
    }
    // A ready book's folder is its name, so the rows above have met it already. Any other use of the name (a
    // book waiting for its delete or rename, a name a pending operation still refers to) means the folder may be
    // deleted or taken over at the next start: the new book waits in a folder of its own and gets its name when
    // those operations are done. A leftover folder without a table is no book and nothing waits for it, so the
    // new book takes it: a rename onto it could never be done.
    const bool waits = !found && BookFolderNameInUse(name);
    QString bookFolder = waits ? TemporaryBookFolderName(name) : name;
    if (found) {
        const auto book = std::find_if(AdrsBookList.begin(), AdrsBookList.end(),
                                       [&name](const TAdrsFolderInfo &b) { return sameName(b.Name, name); });
        if (book != AdrsBookList.end())
            bookFolder = book->Folder;
    }
    // The folder is made before the book is listed or its rename recorded: a book that cannot be made leaves
    // nothing behind that names it.
    const QString folder = AdrsFolder + bookFolder;
    if (!DirectoryExists(folder) && !ForceDirectories(folder)) {
        message(QStringLiteral("アドレス帳を作成できませんでした  ") + WriteFailureAt(folder, errno), MB_ICONINFORMATION);
        lvAdrs->setFocus();
        return false;
    }
    if (waits && !recordOperation(QStringLiteral("RENAME"), bookFolder + '/' + name)) {
        QDir().rmdir(folder);
        focusEditAtEnd();
        return false;
    }
    if (!found)
        AdrsBookList.push_back({name, bookFolder, waits ? abRenamePending : abReady});
    if (!sameName(name, BookName))
        BookChanged = true;
    BookName = name;
    return true;
}

void TAddressSelect::btnCancelClick() { reject(); }

bool TAddressSelect::FormCloseQuery()
{
    if (Mode != asmStartup)
        return true;
    return message(QStringLiteral("キャンセルした場合アドレス帳が開けませんので  \r\nVelmora を終了することになります  \r\n"
                                  "よろしいですか？  "),
                   MB_ICONQUESTION | MB_YESNO | MB_DEFBUTTON2)
        != IDNO;
}

// Cancel, Esc and the close box all end here.
void TAddressSelect::reject()
{
    const TWindowCommand command(this);
    if (command && FormCloseQuery())
        QDialog::reject();
}
