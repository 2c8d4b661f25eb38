#include "directory/TgtExcpt.h"

#include "base/SjisCodec.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "core/SharedHelpers.h"
#include "db/Table.h"
#include "directory/NameLists.h"
#include "directory/OrgEdit.h"
#include "platform/Forms.h"
#include "platform/MessageBox.h"
#include "widgets/NamedControls.h"
#include "widgets/UniStdCtrls.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace {

constexpr int keyRole = Qt::UserRole;

QListWidgetItem *makeItem(const QByteArray &name, int32_t key)
{
    auto *item = new QListWidgetItem(Sjis::decode(name));
    item->setData(keyRole, key);
    return item;
}

}  // namespace

TTargetException::TTargetException(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("TargetException"));
    setWindowTitle(QStringLiteral("対象除外選択"));
    setProperty("HelpContext", 22);
    auto *main = new QVBoxLayout(this);
    auto *nameRow = new QHBoxLayout;
    edtName = Named<TUniEdit>("edtName", this);
    edtName->setReadOnly(true);
    edtName->setFocusPolicy(Qt::NoFocus);
    auto *nameLabel = new QLabel(QStringLiteral("検索名称："), this);
    nameLabel->setBuddy(edtName);
    nameRow->addWidget(nameLabel);
    nameRow->addWidget(edtName, 1);
    main->addLayout(nameRow);

    auto group = [this, main](const QString &title, const QString &chosenCaption, const QString &candidateCaption,
                              const char *chosenName, const char *candidateName,
                              const std::array<const char *, 5> &buttonNames, QListWidget *&chosen,
                              QListWidget *&candidates, std::array<QPushButton *, 5> &buttons) {
        auto *box = new QGroupBox(title, this);
        auto *grid = new QGridLayout(box);
        chosen = Named<QListWidget>(chosenName, box);
        candidates = Named<QListWidget>(candidateName, box);
        auto *chosenLabel = new QLabel(chosenCaption, box);
        auto *candidateLabel = new QLabel(candidateCaption, box);
        SetViewLabel(chosenLabel, chosen);
        SetViewLabel(candidateLabel, candidates);
        grid->addWidget(chosenLabel, 0, 0);
        grid->addWidget(candidateLabel, 0, 2);
        grid->addWidget(chosen, 1, 0);
        grid->addWidget(candidates, 1, 2);
        auto *column = new QVBoxLayout;
        const QString captions[] = {QStringLiteral("追加"), QStringLiteral("削除"), QStringLiteral("すべて追加"),
                                    QStringLiteral("すべて削除"), QStringLiteral("項目の作成")};
        const QStyle::StandardPixmap glyphs[] = {QStyle::SP_ArrowLeft, QStyle::SP_ArrowRight, QStyle::SP_MediaSeekBackward,
                                                 QStyle::SP_MediaSeekForward, QStyle::SP_FileDialogNewFolder};
        for (int i = 0; i < 5; ++i) {
            buttons[static_cast<size_t>(i)] = Named<QPushButton>(buttonNames[static_cast<size_t>(i)], captions[i], box);
            buttons[static_cast<size_t>(i)]->setIcon(style()->standardIcon(glyphs[i]));
            column->addWidget(buttons[static_cast<size_t>(i)]);
        }
        column->addStretch(1);
        grid->addLayout(column, 1, 1);
        // Tab reads the group as it stands: the chosen names, the buttons between, the candidates.
        setTabOrder(chosen, buttons[0]);
        for (size_t i = 1; i < buttons.size(); ++i)
            setTabOrder(buttons[i - 1], buttons[i]);
        setTabOrder(buttons.back(), candidates);
        for (QListWidget *list : {chosen, candidates}) {
            list->setSelectionMode(QAbstractItemView::SingleSelection);
            list->setDragEnabled(true);
            list->setAcceptDrops(true);
            list->setDragDropMode(QAbstractItemView::DragDrop);
            list->viewport()->installEventFilter(this);
            list->installEventFilter(this);
        }
        main->addWidget(box, 1);
    };
    std::array<QPushButton *, 5> target{}, exception{};
    group(QStringLiteral("対象とする名称の選択"), QStringLiteral("対象に追加する名称："), QStringLiteral("追加名称の候補："),
          "lbxTargetAdd", "lbxTargetList",
          {"bbtnTargetAdd", "bbtnTargetDelete", "bbtnTargetAllAdd", "bbtnTargetAllDelete", "bbtnTargetCreate"},
          lbxTargetAdd, lbxTargetList, target);
    group(QStringLiteral("除外する名称の選択"), QStringLiteral("対象から除外する名称："), QStringLiteral("除外名称の候補："),
          "lbxExceptionAdd", "lbxExceptionList",
          {"bbtnExceptionAdd", "bbtnExceptionDelete", "bbtnExceptionAllAdd", "bbtnExceptionAllDelete",
           "bbtnExceptionCreate"},
          lbxExceptionAdd, lbxExceptionList, exception);
    std::tie(bbtnTargetAdd, bbtnTargetDelete, bbtnTargetAllAdd, bbtnTargetAllDelete, bbtnTargetCreate) =
        std::tuple(target[0], target[1], target[2], target[3], target[4]);
    std::tie(bbtnExceptionAdd, bbtnExceptionDelete, bbtnExceptionAllAdd, bbtnExceptionAllDelete, bbtnExceptionCreate) =
        std::tuple(exception[0], exception[1], exception[2], exception[3], exception[4]);
    main->addLayout(MakeOkCancelButtons(this, btnSet, btnCancel));
    btnSet->setObjectName(QStringLiteral("btnSet"));
    btnSet->setText(QStringLiteral("設定"));
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setText(QStringLiteral("キャンセル"));
    resize(ScaleByDpi(560, true), ScaleByDpi(520, true));

    for (int g : {groupTarget, groupException}) {
        const auto &b = g == groupTarget ? target : exception;
        connect(b[0], &QPushButton::clicked, this, [this, g] { MoveOne(g, true); });
        connect(b[1], &QPushButton::clicked, this, [this, g] { MoveOne(g, false); });
        connect(b[2], &QPushButton::clicked, this, [this, g] { MoveAll(g, true); });
        connect(b[3], &QPushButton::clicked, this, [this, g] { MoveAll(g, false); });
        connect(b[4], &QPushButton::clicked, this, [this, g] { CreateClick(g); });
        connect(candidateList(g), &QListWidget::itemDoubleClicked, this, [this, g] { MoveOne(g, true); });
        connect(chosenList(g), &QListWidget::itemDoubleClicked, this, [this, g] { MoveOne(g, false); });
    }
    disconnect(btnSet, nullptr, this, nullptr);
    connect(btnSet, &QPushButton::clicked, this, &TTargetException::btnSetClick);
}

void TTargetException::SetSearchName(const QByteArray &name)
{
    FSearchName = name;
    edtName->SetText(Sjis::decode(name));
}

void TTargetException::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        LoadLists();
}

void TTargetException::LoadLists()
{
    for (QListWidget *list : {lbxTargetAdd, lbxTargetList, lbxExceptionAdd, lbxExceptionList})
        list->clear();
    if (DMMirvale18 && DMMirvale18->TargetTable && DMMirvale18->TargetTable->Active()) {
        try {
            for (int g : {groupTarget, groupException}) {
                TTable &shipped = g == groupTarget ? *DMMirvale18->TargetTable : *DMMirvale18->ExceptionTable;
                for (const TNameRow &row : CategoryRows(shipped, FSearchName, false)) {
                    QListWidget *list = row.Show ? chosenList(g) : candidateList(g);
                    list->addItem(makeItem(row.Name, list->count()));
                }
            }
            for (const TNameRow &row : CategoryRows(*DMMirvale18->OriginalTable, FSearchName, true)) {
                const int g = row.Flag != 0 ? groupException : groupTarget;
                (row.Show ? chosenList(g) : candidateList(g))->addItem(makeItem(row.Name, row.RecNo + OwnKeyBase));
            }
        } catch (const EDatabaseError &e) {
            ShowMessageBoxAt(this, e.Message, AppTitle, MB_ICONERROR);
        }
    }
    for (QListWidget *list : {lbxTargetAdd, lbxTargetList, lbxExceptionAdd, lbxExceptionList})
        if (list->count() > 0)
            list->setCurrentRow(0);
    updateButtons();
}

void TTargetException::updateButtons()
{
    bbtnTargetAdd->setEnabled(lbxTargetList->count() > 0);
    bbtnTargetAllAdd->setEnabled(lbxTargetList->count() > 0);
    bbtnTargetDelete->setEnabled(lbxTargetAdd->count() > 0);
    bbtnTargetAllDelete->setEnabled(lbxTargetAdd->count() > 0);
    bbtnExceptionAdd->setEnabled(lbxExceptionList->count() > 0);
    bbtnExceptionAllAdd->setEnabled(lbxExceptionList->count() > 0);
    bbtnExceptionDelete->setEnabled(lbxExceptionAdd->count() > 0);
    bbtnExceptionAllDelete->setEnabled(lbxExceptionAdd->count() > 0);
}

// Before the first entry with a greater key, so every list stays in its load order.
void TTargetException::insertByKey(QListWidget *list, QListWidgetItem *item)
{
    const int key = item->data(keyRole).toInt();
    int at = list->count();
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->data(keyRole).toInt() > key) {
            at = i;
            break;
        }
    }
    list->insertItem(at, item);
}

void TTargetException::MoveOne(int group, bool add)
{
    QListWidget *from = add ? candidateList(group) : chosenList(group);
    QListWidget *to = add ? chosenList(group) : candidateList(group);
    const int row = from->currentRow();
    if (row < 0 || !from->item(row)->isSelected())
        return;
    QListWidgetItem *item = from->takeItem(row);
    insertByKey(to, item);
    to->setCurrentItem(item);
    if (from->count() > 0)
        from->setCurrentRow(std::min(row, from->count() - 1));
    updateButtons();
    if (from->count() == 0)
        to->setFocus();
}

void TTargetException::MoveAll(int group, bool add)
{
    QListWidget *from = add ? candidateList(group) : chosenList(group);
    QListWidget *to = add ? chosenList(group) : candidateList(group);
    if (from->count() == 0)
        return;
    QListWidgetItem *last = nullptr;
    while (from->count() > 0) {
        last = from->takeItem(from->count() - 1);
        insertByKey(to, last);
    }
    to->setCurrentItem(last);
    from->clearSelection();
    updateButtons();
    to->setFocus();
}

void TTargetException::MergeOwnItems()
{
    if (!DMMirvale18 || !DMMirvale18->OriginalTable)
        return;
    try {
        for (const TNameRow &row : CategoryRows(*DMMirvale18->OriginalTable, FSearchName, true)) {
            if (!row.Show)
                continue;
            const int g = row.Flag != 0 ? groupException : groupTarget;
            const QString name = Sjis::decode(row.Name);
            if (!chosenList(g)->findItems(name, Qt::MatchExactly | Qt::MatchCaseSensitive).isEmpty()
                || !candidateList(g)->findItems(name, Qt::MatchExactly | Qt::MatchCaseSensitive).isEmpty())
                continue;
            chosenList(g)->addItem(makeItem(row.Name, row.RecNo + OwnKeyBase));
        }
    } catch (const EDatabaseError &e) {
        ShowMessageBoxAt(this, e.Message, AppTitle, MB_ICONERROR);
    }
    updateButtons();
}

void TTargetException::RemoveName(int group, const QByteArray &name)
{
    const QString text = Sjis::decode(name);
    for (QListWidget *list : {chosenList(group), candidateList(group)}) {
        const QList<QListWidgetItem *> found = list->findItems(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (!found.isEmpty())
            delete list->takeItem(list->row(found.front()));
    }
    updateButtons();
}

// The first row of each table that carries the name with the other Show value is switched; an own name of
// the exclusion group is any row whose flag is not 0, as the search reads them.
bool TTargetException::writeShow(int group, const QStringList &names, bool show)
{
    TTable &shipped = group == groupTarget ? *DMMirvale18->TargetTable : *DMMirvale18->ExceptionTable;
    TTable &own = *DMMirvale18->OriginalTable;
    for (const QString &text : names) {
        const QByteArray name = Sjis::encode(text);
        for (TTable *table : {&shipped, &own}) {
            const bool withFlag = table == &own;
            for (const TNameRow &row : CategoryRows(*table, FSearchName, withFlag)) {
                if (row.Name != name || row.Show == show || (withFlag && (row.Flag != 0) != (group == groupException)))
                    continue;
                table->SetIndexName({});
                if (table->FindKey({row.RecNo})) {
                    try {
                        table->Edit();
                        table->FieldByName(QStringLiteral("Show")).SetAsBoolean(show);
                        table->Post();
                    } catch (const EDatabaseError &) {
                        table->Cancel();
                    }
                }
                break;
            }
        }
    }
    return true;
}

bool TTargetException::SaveSelection()
{
    for (int i = 0; i < lbxTargetAdd->count(); ++i) {
        for (int j = 0; j < lbxExceptionAdd->count(); ++j) {
            if (lbxTargetAdd->item(i)->text() == lbxExceptionAdd->item(j)->text()) {
                ShowMessageBoxAt(this,
                                 QStringLiteral("「対象に追加する名称」と「対象から除外する名称」に  \r\n同じ名称があります  \r\n"
                                                "どちらかの名称を外してください  "),
                                 AppTitle, MB_ICONINFORMATION);
                return false;
            }
        }
    }
    if (!DMMirvale18 || !DMMirvale18->TargetTable)
        return true;
    auto texts = [](const QListWidget *list) {
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out << list->item(i)->text();
        return out;
    };
    try {
        writeShow(groupTarget, texts(lbxTargetAdd), true);
        writeShow(groupTarget, texts(lbxTargetList), false);
        writeShow(groupException, texts(lbxExceptionAdd), true);
        writeShow(groupException, texts(lbxExceptionList), false);
    } catch (const EDatabaseError &) {
        return false;
    }
    return true;
}

void TTargetException::btnSetClick()
{
    if (!SaveSelection())
        return;
    FChanged = true;
    accept();
}

void TTargetException::CreateClick(int group)
{
    TOriginalEdit editor(this);
    OriginalEdit = &editor;
    CenterFormOnOwner(&editor, this);
    editor.SetFlag(group);
    editor.SetCategory(FSearchName);
    ExecDialog(editor);
    OriginalEdit = nullptr;
    if (editor.FChanged) {
        FChanged = true;
        MergeOwnItems();
    }
}

bool TTargetException::eventFilter(QObject *watched, QEvent *event)
{
    // A name is dragged only between the two lists of its group.
    for (int g : {groupTarget, groupException}) {
        for (QListWidget *list : {chosenList(g), candidateList(g)}) {
            QListWidget *partner = list == chosenList(g) ? candidateList(g) : chosenList(g);
            if (watched == list && IsEnterKey(event)) {
                const std::array<QWidget *, 5> order{lbxTargetAdd, lbxTargetList, lbxExceptionAdd, lbxExceptionList, btnSet};
                const auto at = std::find(order.begin(), order.end(), list);
                (*(at + 1))->setFocus();
                return true;
            }
            if (watched != list->viewport())
                continue;
            if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
                auto *drag = static_cast<QDropEvent *>(event);
                if (drag->source() == partner)
                    drag->acceptProposedAction();
                else
                    drag->ignore();
                return true;
            }
            if (event->type() == QEvent::Drop) {
                auto *drop = static_cast<QDropEvent *>(event);
                if (drop->source() == partner)
                    MoveOne(g, list == chosenList(g));
                drop->setDropAction(Qt::IgnoreAction);
                drop->accept();
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}
