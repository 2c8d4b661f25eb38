#include "records/InputLst.h"

#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "core/HistoryData.h"
#include "core/SharedHelpers.h"
#include "platform/Forms.h"
#include "platform/MessageBox.h"
#include "widgets/NamedControls.h"
#include "widgets/ShiftJisValidator.h"
#include "widgets/UniStdCtrls.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QVBoxLayout>
#include <QValidator>
#include <QWheelEvent>

#include <algorithm>

namespace {

// Each row keeps the Shift-JIS bytes it stands for, so names are compared and written back byte for byte.
constexpr int BytesRole = Qt::UserRole;

const QString NoNameMessage = QStringLiteral("名称を入力してください  ");
const QString DuplicateMessage = QStringLiteral("既に同じ名称が登録されています  ");

// Rows as high as the font's text plus two pixels, whatever the style would add.
class TFixedHeightDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(option.fontMetrics.height() + 2);
        return size;
    }
};

QListWidgetItem *makeRow(const QByteArray &bytes)
{
    auto *row = new QListWidgetItem(Sjis::decode(bytes));
    row->setData(BytesRole, bytes);
    return row;
}

QByteArray bytesOf(const QListWidgetItem *row) { return row->data(BytesRole).toByteArray(); }

}  // namespace

TInputList::TInputList(QWidget *owner) : QDialog(owner)
{
    // FormCreate
    setObjectName(QStringLiteral("InputList"));
    setWindowTitle(QStringLiteral("入力リストの編集"));
    setProperty("HelpContext", 57);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    tabctlInputList = Named<QTabBar>("tabctlInputList", this);
    tabctlInputList->setExpanding(false);
    for (const QString &caption : {QStringLiteral(" 部署 "), QStringLiteral(" 役職 "), QStringLiteral(" 敬称 ")})
        tabctlInputList->addTab(caption);
    for (int k = 5; k < 8; ++k)
        tabctlInputList->addTab(QStringLiteral(" ") + KeywordNames[k] + QStringLiteral(" "));
    tabctlInputList->installEventFilter(this);

    lblName = Named<QLabel>("lblName", QStringLiteral("名称："), this);
    edtName = Named<TUniEdit>("edtName", this);
    nameValidator_ = new TShiftJisValidator(0, edtName);
    edtName->setValidator(nameValidator_);
    edtName->installEventFilter(this);
    lblName->setBuddy(edtName);

    lblList = Named<QLabel>("lblList", QStringLiteral("入力リスト："), this);
    lbxList = Named<QListWidget>("lbxList", this);
    lbxList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lbxList->setUniformItemSizes(true);
    lbxList->setItemDelegate(new TFixedHeightDelegate(lbxList));
    lbxList->installEventFilter(this);
    SetViewLabel(lblList, lbxList);

    // The list's buttons show the desktop theme's icon where it has one. Only OK and Cancel answer Enter for the
    // dialog; Enter in the name or the list has its own meaning.
    const auto listButton = [this](const char *name, const QString &caption, const char *themeIcon,
                                   QStyle::StandardPixmap fallback) {
        auto *button = Named<QPushButton>(
            name, QIcon::fromTheme(QLatin1String(themeIcon), style()->standardIcon(fallback)), caption, this);
        button->setAutoDefault(false);
        return button;
    };
    bbtnAdd = listButton("bbtnAdd", QStringLiteral("追加"), "list-add", QStyle::SP_FileIcon);
    bbtnUpdate = listButton("bbtnUpdate", QStringLiteral("変更"), "document-edit", QStyle::SP_DialogApplyButton);
    bbtnDelete = listButton("bbtnDelete", QStringLiteral("削除"), "list-remove", QStyle::SP_TrashIcon);
    bbtnUp = listButton("bbtnUp", QStringLiteral("上"), "go-up", QStyle::SP_ArrowUp);
    bbtnDown = listButton("bbtnDown", QStringLiteral("下"), "go-down", QStyle::SP_ArrowDown);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(tabctlInputList);
    auto *grid = new QGridLayout;
    grid->addWidget(lblName, 0, 0, 1, 2);
    grid->addWidget(edtName, 1, 0);
    grid->addWidget(bbtnAdd, 1, 1);
    grid->addWidget(lblList, 2, 0, 1, 2);
    grid->addWidget(lbxList, 3, 0, 5, 1);
    grid->addWidget(bbtnUpdate, 3, 1);
    grid->addWidget(bbtnDelete, 4, 1);
    grid->addWidget(bbtnUp, 5, 1);
    grid->addWidget(bbtnDown, 6, 1);
    grid->setRowStretch(7, 1);
    grid->setColumnMinimumWidth(0, 280);
    layout->addLayout(grid);
    layout->addLayout(MakeOkCancelButtons(this, btnOk, btnCancel));

    connect(bbtnAdd, &QPushButton::clicked, this, &TInputList::bbtnAddClick);
    connect(bbtnUpdate, &QPushButton::clicked, this, &TInputList::bbtnUpdateClick);
    connect(bbtnDelete, &QPushButton::clicked, this, &TInputList::bbtnDeleteClick);
    connect(bbtnUp, &QPushButton::clicked, this, &TInputList::bbtnUpClick);
    connect(bbtnDown, &QPushButton::clicked, this, &TInputList::bbtnDownClick);
    connect(btnOk, &QPushButton::clicked, this, &TInputList::btnOkClick);
    connect(btnCancel, &QPushButton::clicked, this, &TInputList::btnCancelClick);
    // Keyboard selection changes move the buttons' state as well as clicks do.
    connect(lbxList, &QListWidget::itemSelectionChanged, this, &TInputList::lbxListClick);
    connect(lbxList, &QListWidget::itemDoubleClicked, this, &TInputList::lbxListDblClick);
    connect(tabctlInputList, &QTabBar::currentChanged, this, &TInputList::switchTab);

    applyListInput(shownList_);
    UpdateMoveButtons();
    adjustSize();
    CenterFormOnOwner(this, owner);
    InputList = this;
}

TInputList::~TInputList()
{
    // FormDestroy: the working state is owned by value and goes with the dialog.
    if (InputList == this)
        InputList = nullptr;
}

THistoryData &TInputList::history(int list) const
{
    switch (list) {
    case ilDptmnt: return *DMMirvale18->DptmntHistory;
    case ilPost: return *DMMirvale18->PostHistory;
    case ilHonor: return *DMMirvale18->HonorHistory;
    default: return *DMMirvale18->KeywordHistory.at(static_cast<size_t>(list - ilKeyword1));
    }
}

void TInputList::applyListInput(int list)
{
    nameValidator_->SetMaxBytes(history(list).MaxLength());
    // An entry of a keyword's list is typed as the keyword itself is in the record form.
    if (list >= ilKeyword1)
        SetKeywordImeMode(edtName, 5 + list - ilKeyword1);
    else
        SetImeMode(edtName, imDontCare);
}

void TInputList::SelectList(int list)
{
    // Not a switch by the user: there is nothing of another tab to keep yet.
    {
        const QSignalBlocker blocker(tabctlInputList);
        tabctlInputList->setCurrentIndex(list);
    }
    shownList_ = list;
    applyListInput(list);
}

uint8_t TInputList::GetChangedLists() const
{
    uint8_t bits = 0;
    for (int i = 0; i < InputListCount; ++i)
        if (savedLists_[i])
            bits |= static_cast<uint8_t>(1u << i);
    return bits;
}

void TInputList::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // A window restored from the task bar is shown again by the system; reloading then would drop the edits.
    if (!event->spontaneous())
        FormShow();
}

void TInputList::FormShow()
{
    LoadListBox();
    edtName->setFocus();
}

void TInputList::LoadListBox()
{
    lbxList->setUpdatesEnabled(false);
    lbxList->clear();
    if (const auto &copy = WorkingCopy[shownList_]) {
        for (const QByteArray &bytes : *copy)
            lbxList->addItem(makeRow(bytes));
    } else {
        const THistoryData &h = history(shownList_);
        for (int i = 0; i < h.GetCount(); ++i)
            lbxList->addItem(makeRow(h.GetText(i)));
    }
    lbxList->setUpdatesEnabled(true);
}

QList<QByteArray> TInputList::listBoxItems() const
{
    QList<QByteArray> items;
    for (int i = 0; i < lbxList->count(); ++i)
        items << bytesOf(lbxList->item(i));
    return items;
}

QList<int> TInputList::selectedPositions() const
{
    QList<int> positions;
    for (int i = 0; i < lbxList->count(); ++i)
        if (lbxList->item(i)->isSelected())
            positions << i;
    return positions;
}

int TInputList::selectedCount() const { return static_cast<int>(lbxList->selectedItems().size()); }

int TInputList::indexOfName(const QByteArray &name) const
{
    for (int i = 0; i < lbxList->count(); ++i)
        if (bytesOf(lbxList->item(i)) == name)
            return i;
    return -1;
}

void TInputList::UpdateMoveButtons()
{
    const int last = lbxList->count() - 1;
    const bool any = selectedCount() > 0;
    bbtnUp->setEnabled(any && !lbxList->item(0)->isSelected());
    bbtnDown->setEnabled(any && !lbxList->item(last)->isSelected());
}

void TInputList::lbxListClick() { UpdateMoveButtons(); }

void TInputList::focusNameAtEnd()
{
    edtName->end(false);
    edtName->setFocus();
}

void TInputList::bbtnAddClick()
{
    // The validator keeps the edit to Shift-JIS, so the encoding loses nothing.
    const QByteArray name = Sjis::encode(TrimBlanks(edtName->GetText()));
    if (name.isEmpty()) {
        ShowMessageBoxAt(this, NoNameMessage, AppTitle, MB_ICONINFORMATION);
        edtName->setFocus();
        return;
    }
    if (indexOfName(name) >= 0) {
        ShowMessageBoxAt(this, DuplicateMessage, AppTitle, MB_ICONINFORMATION);
        edtName->setFocus();
        return;
    }
    lbxList->insertItem(0, makeRow(name));
    lbxList->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
    ChangedLists[shownList_] = true;
    UpdateMoveButtons();
    edtName->clear();
    edtName->setFocus();
}

void TInputList::bbtnUpdateClick()
{
    const QByteArray name = Sjis::encode(TrimBlanks(edtName->GetText()));
    if (name.isEmpty()) {
        ShowMessageBoxAt(this, NoNameMessage, AppTitle, MB_ICONINFORMATION);
        edtName->setFocus();
        return;
    }
    const QList<int> selected = selectedPositions();
    if (selected.size() != 1) {
        ShowMessageBoxAt(this,
                         selected.isEmpty() ? QStringLiteral("変更するデータを選択してください  ")
                                            : QStringLiteral("変更するデータを１件だけ選択してください  "),
                         AppTitle, MB_ICONINFORMATION);
        lbxList->setFocus();
        return;
    }
    const int target = selected.first();
    // A list read from a file may hold a name twice; any equal row other than the one changed refuses.
    for (int i = 0; i < lbxList->count(); ++i) {
        if (i != target && bytesOf(lbxList->item(i)) == name) {
            ShowMessageBoxAt(this, DuplicateMessage, AppTitle, MB_ICONINFORMATION);
            edtName->setFocus();
            return;
        }
    }
    QListWidgetItem *row = lbxList->item(target);
    row->setText(Sjis::decode(name));
    row->setData(BytesRole, name);
    lbxList->setCurrentRow(target, QItemSelectionModel::ClearAndSelect);
    ChangedLists[shownList_] = true;
    edtName->clear();
    edtName->setFocus();
}

void TInputList::bbtnDeleteClick()
{
    int remaining = selectedCount();
    if (remaining == 0)
        return;
    for (int i = lbxList->count() - 1; i >= 0 && remaining > 0; --i) {
        if (lbxList->item(i)->isSelected()) {
            delete lbxList->takeItem(i);
            --remaining;
        }
    }
    UpdateMoveButtons();
    ChangedLists[shownList_] = true;
    edtName->setFocus();
}

// Rows change places with their selection, so a selected block moves as one.
void TInputList::exchangeItems(int a, int b)
{
    QListWidgetItem *first = lbxList->item(a);
    QListWidgetItem *second = lbxList->item(b);
    const QString text = first->text();
    const QVariant bytes = first->data(BytesRole);
    const bool selected = first->isSelected();
    first->setText(second->text());
    first->setData(BytesRole, second->data(BytesRole));
    first->setSelected(second->isSelected());
    second->setText(text);
    second->setData(BytesRole, bytes);
    second->setSelected(selected);
}

void TInputList::bbtnUpClick()
{
    if (selectedCount() == 0 || lbxList->item(0)->isSelected())
        return;
    {
        const QSignalBlocker blocker(lbxList);
        lbxList->setUpdatesEnabled(false);
        for (int i = 0; i < lbxList->count() - 1; ++i)
            if (lbxList->item(i + 1)->isSelected())
                exchangeItems(i, i + 1);
        lbxList->setUpdatesEnabled(true);
    }
    ChangedLists[shownList_] = true;
    UpdateMoveButtons();
}

void TInputList::bbtnDownClick()
{
    const int last = lbxList->count() - 1;
    if (selectedCount() == 0 || lbxList->item(last)->isSelected())
        return;
    {
        const QSignalBlocker blocker(lbxList);
        lbxList->setUpdatesEnabled(false);
        for (int i = last; i >= 1; --i)
            if (lbxList->item(i - 1)->isSelected())
                exchangeItems(i - 1, i);
        lbxList->setUpdatesEnabled(true);
    }
    ChangedLists[shownList_] = true;
    UpdateMoveButtons();
}

void TInputList::lbxListDblClick()
{
    const QListWidgetItem *row = lbxList->currentItem();
    if (!row)
        return;
    edtName->SetText(row->text());
    focusNameAtEnd();
}

// Enter takes the current entry into the name field as a double click does, so that a keyboard user can change
// it with 修正 as well; with no entry current it only moves on to the field.
void TInputList::lbxListKeyPress()
{
    if (lbxList->currentItem())
        lbxListDblClick();
    else
        focusNameAtEnd();
}

void TInputList::edtNameKeyPress()
{
    if (!edtName->GetText().isEmpty()) {
        bbtnAdd->click();
        return;
    }
    const bool anyChanged = std::find(ChangedLists.begin(), ChangedLists.end(), true) != ChangedLists.end();
    (anyChanged ? btnOk : btnCancel)->setFocus();
}

bool TInputList::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == edtName && IsEnterKey(event)) {
        edtNameKeyPress();
        return true;
    }
    if (watched == lbxList && IsEnterKey(event)) {
        lbxListKeyPress();
        return true;
    }
    if (watched == tabctlInputList && event->type() == QEvent::Wheel)
        return FormMouseWheel(static_cast<QWheelEvent *>(event));
    return QDialog::eventFilter(watched, event);
}

// Esc is the Cancel button's key, so it asks before changes are thrown away.
void TInputList::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        btnCancelClick();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TInputList::FormMouseWheel(QWheelEvent *event)
{
    const int delta = event->angleDelta().y();
    if (delta == 0 || tabctlInputList->tabAt(event->position().toPoint()) < 0)
        return false;
    const int count = tabctlInputList->count();
    const int current = tabctlInputList->currentIndex();
    tabctlInputList->setCurrentIndex(delta < 0 ? (current + 1) % count : (current + count - 1) % count);
    event->accept();
    return true;
}

void TInputList::switchTab(int list)
{
    tabctlInputListChanging(shownList_);
    shownList_ = list;
    tabctlInputListChange(list);
}

void TInputList::tabctlInputListChanging(int list)
{
    KeptText[list] = edtName->GetText();
    WorkingCopy[list] = listBoxItems();
    KeptSelection[list] = selectedPositions();
}

void TInputList::tabctlInputListChange(int list)
{
    applyListInput(list);
    edtName->SetText(KeptText[list]);
    LoadListBox();
    if (const auto &kept = KeptSelection[list]) {
        for (int position : *kept)
            lbxList->item(position)->setSelected(true);
    }
    UpdateMoveButtons();
    focusNameAtEnd();
}

// Each changed list replaces its history and file whole. A list whose file cannot be written gets its
// history back as it was before, so the data module never offers what the file does not hold; it stays
// changed in the dialog, and the dialog stays open, so the user may try again or cancel.
bool TInputList::SaveChangedLists()
{
    WorkingCopy[shownList_] = listBoxItems();
    bool allSaved = true;
    for (int list = 0; list < InputListCount; ++list) {
        if (!ChangedLists[list])
            continue;
        THistoryData &h = history(list);
        const THistoryData stored = h;
        const QList<QByteArray> &items = *WorkingCopy[list];
        try {
            h.Clear();
            // Descending day counts: the newest value comes first, so the history keeps the dialog's order.
            const auto n = items.size();
            for (qsizetype j = 0; j < n; ++j)
                h.Add(items[j], static_cast<double>(n - j));
            h.SaveToFile();
        } catch (const EHistoryDataError &e) {
            h = stored;
            allSaved = false;
            ShowMessageBoxAt(this, e.Message, AppTitle, MB_ICONERROR);
            continue;
        }
        ChangedLists[list] = false;
        savedLists_[list] = true;
    }
    return allSaved;
}

void TInputList::btnOkClick()
{
    if (SaveChangedLists())
        accept();
}

void TInputList::btnCancelClick()
{
    QString changedCaptions;
    for (int list = 0; list < InputListCount; ++list)
        if (ChangedLists[list])
            changedCaptions += tabctlInputList->tabText(list) + QStringLiteral("\r\n");
    if (!changedCaptions.isEmpty()) {
        const QString question = changedCaptions + QStringLiteral("\r\n") + QStringLiteral("以上のリストが変更されています  ") +
                                 QStringLiteral("\r\n") + QStringLiteral("このままキャンセルすると変更内容が破棄されますが  ") +
                                 QStringLiteral("\r\n") + QStringLiteral("よろしいですか？  ");
        if (ShowMessageBoxAt(this, question, AppTitle, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
            return;
    }
    reject();
}

uint8_t EditInputLists(QWidget *owner, int list)
{
    TInputList dialog(owner);
    dialog.SelectList(list);
    ExecDialog(dialog);
    return dialog.GetChangedLists();
}
