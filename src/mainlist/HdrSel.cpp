#include "mainlist/HdrSel.h"

#include "core/Globals.h"
#include "core/SharedHelpers.h"
#include "platform/MessageBox.h"
#include "widgets/CheckListMoves.h"
#include "widgets/NamedControls.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScopeGuard>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QString captionOf(const TColumnDef &def)
{
    const int keyword = def.ItemNo - liFirstKeyword;
    if (keyword >= 0 && keyword < static_cast<int>(KeywordNames.size()))
        return KeywordNames[keyword];
    return ListItemTable()[def.ItemRow].Caption;
}

QListWidgetItem *makeRow(const QString &caption, bool ticked)
{
    auto *row = new QListWidgetItem(caption);
    row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    row->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    return row;
}

}  // namespace

THeaderSelect::THeaderSelect(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("HeaderSelect"));
    setWindowTitle(QStringLiteral("表示項目の設定"));
    setProperty("HelpContext", 51);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    lblHeader = Named<QLabel>("lblHeader", QStringLiteral("表示する項目を設定してください："), this);
    lvHeader = Named<QListWidget>("lvHeader", this);
    lvHeader->setSelectionMode(QAbstractItemView::SingleSelection);
    lvHeader->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvHeader->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvHeader->setMinimumSize(220, 340);
    lvHeader->installEventFilter(this);
    SetViewLabel(lblHeader, lvHeader);

    auto *side = new QVBoxLayout;
    std::tie(bbtnTop, bbtnUp, bbtnDown, bbtnBottom) = CheckList::MakeMoveButtons(this, side, lvHeader, Columns);
    bbtnAll = Named<QPushButton>("bbtnAll", CheckList::Glyph("ALLVIEW"), QStringLiteral("すべて表示"), this);
    bbtnReView = Named<QPushButton>("bbtnReView", CheckList::Glyph("REVIEW"), QStringLiteral("表示を戻す"), this);
    bbtnReSort = Named<QPushButton>("bbtnReSort", CheckList::Glyph("RESORT"), QStringLiteral("並びを戻す"), this);
    for (QPushButton *b : {bbtnAll, bbtnReView, bbtnReSort})
        side->addWidget(b);
    side->addStretch();
    auto *body = new QHBoxLayout;
    body->addWidget(lvHeader);
    body->addLayout(side);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblHeader);
    layout->addLayout(body);
    layout->addLayout(MakeOkCancelButtons(this, btnOk, btnCancel));
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(bbtnAll, &QPushButton::clicked, this, &THeaderSelect::bbtnAllClick);
    connect(bbtnReView, &QPushButton::clicked, this, &THeaderSelect::bbtnReViewClick);
    connect(bbtnReSort, &QPushButton::clicked, this, &THeaderSelect::bbtnReSortClick);
    connect(btnOk, &QPushButton::clicked, this, &THeaderSelect::btnOkClick);
    connect(btnCancel, &QPushButton::clicked, this, &THeaderSelect::btnCancelClick);
    connect(lvHeader, &QListWidget::itemDoubleClicked, this, &THeaderSelect::lvHeaderDblClick);
}

void THeaderSelect::SetColumns(const std::array<TColumnDef, ListItemCount> &defs)
{
    Columns = defs;
    fillList();
}

void THeaderSelect::GetColumns(std::array<TColumnDef, ListItemCount> &defs)
{
    storeTicks();
    defs = Columns;
}

void THeaderSelect::fillList()
{
    lvHeader->clear();
    for (const TColumnDef &def : Columns)
        lvHeader->addItem(makeRow(captionOf(def), def.Visible));
    lvHeader->setCurrentRow(0);
    lvHeader->setFocus();
}

void THeaderSelect::storeTicks()
{
    for (int row = 0; row < ListItemCount; ++row)
        Columns[row].Visible = lvHeader->item(row)->checkState() == Qt::Checked;
}

void THeaderSelect::bbtnAllClick() { CheckList::CheckAll(lvHeader); }

void THeaderSelect::bbtnReViewClick()
{
    for (int row = 0; row < lvHeader->count(); ++row)
        lvHeader->item(row)->setCheckState(ListItemTable()[Columns[row].ItemRow].Shown ? Qt::Checked : Qt::Unchecked);
}

void THeaderSelect::bbtnReSortClick()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restoreCursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    storeTicks();
    std::stable_sort(Columns.begin(), Columns.end(),
                     [](const TColumnDef &a, const TColumnDef &b) { return a.ItemRow < b.ItemRow; });
    fillList();
}

void THeaderSelect::btnOkClick()
{
    if (CheckList::AnyChecked(lvHeader)) {
        accept();
        return;
    }
    ShowMessageBoxAt(this, QStringLiteral("表示する項目は１つ以上選択してください  "), AppTitle, MB_ICONINFORMATION);
    lvHeader->setFocus();
}

void THeaderSelect::btnCancelClick() { reject(); }

void THeaderSelect::lvHeaderDblClick() { CheckList::ToggleCurrent(lvHeader); }

bool THeaderSelect::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lvHeader && IsEnterKey(event)) {
        btnOk->setFocus();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
