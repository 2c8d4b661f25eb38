#include "mainlist/HdrSel.h"

#include "core/Globals.h"
#include "core/SharedHelpers.h"
#include "platform/MessageBox.h"
#include "widgets/CheckListMoves.h"

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
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    lblHeader = new QLabel(QStringLiteral("表示する項目を設定してください："), this);
    lblHeader->setObjectName(QStringLiteral("lblHeader"));
    lvHeader = new QListWidget(this);
    lvHeader->setObjectName(QStringLiteral("lvHeader"));
    lvHeader->setSelectionMode(QAbstractItemView::SingleSelection);
    lvHeader->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvHeader->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvHeader->setMinimumSize(220, 340);
    lvHeader->installEventFilter(this);
    lblHeader->setBuddy(lvHeader);

    auto button = [this](const char *name, const QString &text, const char *glyphName) {
        auto *b = new QPushButton(CheckList::Glyph(glyphName), text, this);
        b->setObjectName(QLatin1String(name));
        return b;
    };
    bbtnTop = button("bbtnTop", QStringLiteral("最上段"), "TOP");
    bbtnUp = button("bbtnUp", QStringLiteral("上"), "UP");
    bbtnDown = button("bbtnDown", QStringLiteral("下"), "DOWN");
    bbtnBottom = button("bbtnBottom", QStringLiteral("最下段"), "BOTTOM");
    bbtnAll = button("bbtnAll", QStringLiteral("すべて表示"), "ALLVIEW");
    bbtnReView = button("bbtnReView", QStringLiteral("表示を戻す"), "REVIEW");
    bbtnReSort = button("bbtnReSort", QStringLiteral("並びを戻す"), "RESORT");
    bbtnTop->setProperty("Tag", 1);
    bbtnUp->setProperty("Tag", 0);
    bbtnDown->setProperty("Tag", 0);
    bbtnBottom->setProperty("Tag", 1);

    auto *side = new QVBoxLayout;
    for (QPushButton *b : {bbtnTop, bbtnUp, bbtnDown, bbtnBottom})
        side->addWidget(b);
    side->addSpacing(16);
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

    connect(bbtnTop, &QPushButton::clicked, this, [this] { bbtnUpClick(bbtnTop); });
    connect(bbtnUp, &QPushButton::clicked, this, [this] { bbtnUpClick(bbtnUp); });
    connect(bbtnDown, &QPushButton::clicked, this, [this] { bbtnDownClick(bbtnDown); });
    connect(bbtnBottom, &QPushButton::clicked, this, [this] { bbtnDownClick(bbtnBottom); });
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

void THeaderSelect::bbtnUpClick(QPushButton *sender)
{
    if (const int to = CheckList::UpTarget(lvHeader, sender); to >= 0)
        CheckList::MoveRow(lvHeader, Columns, lvHeader->currentRow(), to);
}

void THeaderSelect::bbtnDownClick(QPushButton *sender)
{
    if (const int to = CheckList::DownTarget(lvHeader, sender); to >= 0)
        CheckList::MoveRow(lvHeader, Columns, lvHeader->currentRow(), to);
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
