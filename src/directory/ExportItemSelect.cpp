#include "directory/ExportItemSelect.h"

#include "core/Globals.h"
#include "core/SharedHelpers.h"
#include "platform/MessageBox.h"
#include "widgets/CheckListMoves.h"
#include "widgets/NamedControls.h"

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScopeGuard>
#include <QVBoxLayout>

#include <algorithm>

TItemSelectDialog::TItemSelectDialog(QWidget *owner, const TKind &kind)
    : QDialog(owner), table_(kind.Table), emptyMessage_(kind.EmptyMessage)
{
    setObjectName(QLatin1String(kind.Name));
    setWindowTitle(kind.Caption);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setProperty("HelpContext", kind.HelpContext);

    lblItem = new QLabel(kind.Prompt, this);
    lvItem = new QListWidget(this);
    lvItem->setObjectName(kind.ListName);
    lvItem->setSelectionMode(QAbstractItemView::SingleSelection);
    lvItem->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvItem->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvItem->setMinimumSize(220, 340);
    SetViewLabel(lblItem, lvItem);
    enterMovesToOk(lvItem);

    auto *side = new QVBoxLayout;
    std::tie(bbtnTop, bbtnUp, bbtnDown, bbtnBottom) = CheckList::MakeMoveButtons(this, side, lvItem, Items);
    bbtnAll = Named<QPushButton>("bbtnAll", CheckList::Glyph("ALLVIEW"), kind.AllCaption, this);
    bbtnReSort = Named<QPushButton>("bbtnReSort", CheckList::Glyph("RESORT"), QStringLiteral("並びを戻す"), this);
    for (QPushButton *b : {bbtnAll, bbtnReSort})
        side->addWidget(b);
    side->addStretch();
    auto *body = new QHBoxLayout;
    body->addWidget(lvItem);
    body->addLayout(side);
    options_ = new QVBoxLayout;
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblItem);
    layout->addLayout(body);
    layout->addLayout(options_);
    layout->addLayout(MakeOkCancelButtons(this, btnOk, btnCancel));
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(bbtnAll, &QPushButton::clicked, this, &TItemSelectDialog::bbtnAllClick);
    connect(bbtnReSort, &QPushButton::clicked, this, &TItemSelectDialog::bbtnReSortClick);
    connect(btnOk, &QPushButton::clicked, this, &TItemSelectDialog::btnOkClick);
    connect(btnCancel, &QPushButton::clicked, this, &TItemSelectDialog::btnCancelClick);
    connect(lvItem, &QListWidget::itemDoubleClicked, this, &TItemSelectDialog::lvItemDblClick);
}

void TItemSelectDialog::addOption(QWidget *option) { options_->addWidget(option); }

void TItemSelectDialog::enterMovesToOk(QWidget *control) { control->installEventFilter(this); }

void TItemSelectDialog::takeItems(const std::vector<TItemChoice> &entries, int lastIndex)
{
    const size_t count = std::min({entries.size(), table_.size(), static_cast<size_t>(std::max(lastIndex + 1, 0))});
    Items.assign(entries.begin(), entries.begin() + static_cast<std::ptrdiff_t>(count));
    fillList();
}

void TItemSelectDialog::giveItems(std::vector<TItemChoice> &entries)
{
    storeChecks();
    if (entries.size() < Items.size())
        entries.resize(Items.size());
    std::copy(Items.begin(), Items.end(), entries.begin());
}

void TItemSelectDialog::fillList()
{
    lvItem->setUpdatesEnabled(false);
    lvItem->clear();
    for (const TItemChoice &entry : Items) {
        // A row outside the table has no title; it keeps its place so the caller gets it back unchanged.
        auto *row = new QListWidgetItem(entry.TableRow < table_.size() ? table_[entry.TableRow].Title : QString());
        row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        row->setCheckState(entry.Chosen ? Qt::Checked : Qt::Unchecked);
        lvItem->addItem(row);
    }
    lvItem->setUpdatesEnabled(true);
    lvItem->setCurrentRow(0);
    lvItem->setFocus();
}

void TItemSelectDialog::storeChecks()
{
    for (int row = 0; row < lvItem->count(); ++row)
        Items[static_cast<size_t>(row)].Chosen = lvItem->item(row)->checkState() == Qt::Checked;
}

void TItemSelectDialog::bbtnAllClick() { CheckList::CheckAll(lvItem); }

void TItemSelectDialog::bbtnReSortClick()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restoreCursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    storeChecks();
    std::stable_sort(Items.begin(), Items.end(),
                     [](const TItemChoice &a, const TItemChoice &b) { return a.TableRow < b.TableRow; });
    fillList();
}

void TItemSelectDialog::btnOkClick()
{
    if (CheckList::AnyChecked(lvItem)) {
        accept();
        return;
    }
    ShowMessageBoxAt(this, emptyMessage_, AppTitle, MB_ICONINFORMATION);
    lvItem->setFocus();
}

void TItemSelectDialog::btnCancelClick() { reject(); }

void TItemSelectDialog::lvItemDblClick() { CheckList::ToggleCurrent(lvItem); }

bool TItemSelectDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (IsEnterKey(event)) {
        btnOk->setFocus();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

// ---- The directory's CSV columns ----

TExportItemSelect::TExportItemSelect(QWidget *owner)
    : TItemSelectDialog(owner, {"ExportItemSelect", 26, QStringLiteral("出力項目の設定"),
                                QStringLiteral("出力する項目を設定してください："), QStringLiteral("lvExportItem"),
                                QStringLiteral("すべて出力"),
                                QStringLiteral("出力する項目は１つ以上選択してください  "), SearchItemTable()}),
      lvExportItem(lvItem)
{
    ExportItemSelect = this;
}

TExportItemSelect::~TExportItemSelect()
{
    if (ExportItemSelect == this)
        ExportItemSelect = nullptr;
}

void TExportItemSelect::SetItems(const std::vector<TItemChoice> &entries, int lastIndex)
{
    takeItems(entries, lastIndex);
}

void TExportItemSelect::GetItems(std::vector<TItemChoice> &entries) { giveItems(entries); }

// ---- The record form's clipboard items ----

TCopyItemSet::TCopyItemSet(QWidget *owner)
    : TItemSelectDialog(owner, {"CopyItemSet", 61, QStringLiteral("コピーする項目の設定"),
                                QStringLiteral("クリップボードにコピーする項目を設定してください："),
                                QStringLiteral("lvCopyItem"), QStringLiteral("すべてコピー"),
                                QStringLiteral("コピーする項目は１つ以上選択してください  "), CopyItemTable()}),
      lvCopyItem(lvItem)
{
    chkLastReturn = Named<QCheckBox>("chkLastReturn", QStringLiteral("末尾に改行を入れる"), this);
    addOption(chkLastReturn);
    enterMovesToOk(chkLastReturn);
    connect(chkLastReturn, &QCheckBox::toggled, this, &TCopyItemSet::chkLastReturnClick);
    CopyItemSet = this;
}

TCopyItemSet::~TCopyItemSet()
{
    if (CopyItemSet == this)
        CopyItemSet = nullptr;
}

void TCopyItemSet::SetItems(const std::vector<TItemChoice> &entries, int lastIndex, bool lastReturn)
{
    takeItems(entries, lastIndex);
    chkLastReturn->setChecked(lastReturn);
    chkLastReturnClick();
}

void TCopyItemSet::GetItems(std::vector<TItemChoice> &entries, bool &lastReturn)
{
    giveItems(entries);
    lastReturn = chkLastReturn->isChecked();
}

void TCopyItemSet::chkLastReturnClick() { SetCaptionColour(chkLastReturn, chkLastReturn->isChecked()); }
