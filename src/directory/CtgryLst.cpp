#include "directory/CtgryLst.h"

#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "core/HistoryData.h"
#include "core/SharedHelpers.h"
#include "db/Table.h"
#include "directory/NameLists.h"
#include "platform/MessageBox.h"
#include "widgets/NamedControls.h"
#include "widgets/ShiftJisValidator.h"
#include "widgets/UniStdCtrls.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QTreeView>

namespace {

constexpr int kanaBytes = 30;
constexpr int kanjiBytes = 50;
const QStringList TabCaptions{QStringLiteral("あ行"), QStringLiteral("か行"), QStringLiteral("さ行"), QStringLiteral("た行"),
                              QStringLiteral("な行"), QStringLiteral("は行"), QStringLiteral("ま行"), QStringLiteral("や行"),
                              QStringLiteral("ら行"), QStringLiteral("わ行"), QStringLiteral("独自"), QStringLiteral("履歴")};
// The first byte of each kana row's readings, "ｱ" to "ﾜ", and the end of the last row ("ﾝ").
const std::array<uint8_t, 11> RowStarts{0xB1, 0xB6, 0xBB, 0xC0, 0xC5, 0xCA, 0xCF, 0xD4, 0xD7, 0xDC, 0xDD};

}  // namespace

// The shown rows, fetched from the table when first painted.
class TCategoryList::TRows : public QAbstractTableModel {
public:
    explicit TRows(TCategoryList *list) : QAbstractTableModel(list), list_(list) {}

    std::vector<std::optional<std::array<QString, 2>>> Cache;
    bool Clearing = false;

    void Reset(int count)
    {
        beginResetModel();
        Cache.assign(static_cast<size_t>(count), std::nullopt);
        endResetModel();
    }
    const std::array<QString, 2> *Fetch(int row) const
    {
        auto &slot = const_cast<TRows *>(this)->Cache[static_cast<size_t>(row)];
        if (!slot && !Clearing) {
            TTable &t = list_->table();
            t.SetIndexName({});
            if (t.FindKey({list_->FRecNos[static_cast<size_t>(row)]}))
                slot = std::array<QString, 2>{list_->GroupHeading(row),
                                              Sjis::decode(t.FieldByName(QStringLiteral("Kanji")).AsString())};
        }
        return slot ? &*slot : nullptr;
    }
    int rowCount(const QModelIndex &parent) const override { return parent.isValid() ? 0 : static_cast<int>(Cache.size()); }
    int columnCount(const QModelIndex &parent) const override { return parent.isValid() ? 0 : 2; }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount({}))
            return {};
        try {
            const auto *texts = Fetch(index.row());
            return texts ? (*texts)[static_cast<size_t>(index.column())] : QString();
        } catch (const EDatabaseError &) {
            return QString();
        }
    }

private:
    TCategoryList *list_;
};

TCategoryList::TCategoryList(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("CategoryList"));
    setWindowTitle(QStringLiteral("名称一覧"));
    setProperty("HelpContext", 21);
    auto *grid = new QGridLayout(this);
    auto *indexLabel = new QLabel(QStringLiteral("リストの選択："), this);
    cbxIndex = Named<QComboBox>("cbxIndex", this);
    cbxIndex->addItems(TabCaptions);
    cbxIndex->setMaxVisibleItems(12);
    indexLabel->setBuddy(cbxIndex);
    lvCategory = Named<QTreeView>("lvCategory", this);
    rows_ = new TRows(this);
    lvCategory->setModel(rows_);
    lvCategory->setAccessibleName(QStringLiteral("名称一覧"));
    lvCategory->setHeaderHidden(true);
    lvCategory->setRootIsDecorated(false);
    lvCategory->setUniformRowHeights(true);
    lvCategory->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvCategory->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvCategory->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvCategory->setColumnWidth(0, ScaleByDpi(40, true));
    lvCategory->header()->setStretchLastSection(true);
    auto *note = new QLabel(QStringLiteral("※履歴の最大件数は20件です"), this);
    btnSelect = Named<QPushButton>("btnSelect", QStringLiteral("決定"), this);
    btnCancel = Named<QPushButton>("btnCancel", QStringLiteral("キャンセル"), this);
    btnMode = Named<QPushButton>("btnMode", QStringLiteral("編集画面を表示"), this);
    for (QPushButton *b : {btnSelect, btnCancel, btnMode})
        b->setAutoDefault(false);
    grid->addWidget(indexLabel, 0, 0);
    grid->addWidget(cbxIndex, 0, 1);
    grid->addWidget(lvCategory, 1, 0, 2, 2);
    auto *decide = new QVBoxLayout;
    decide->addWidget(btnSelect);
    decide->addWidget(btnCancel);
    decide->addStretch(1);
    grid->addLayout(decide, 1, 2, 2, 1);
    grid->addWidget(note, 3, 0, 1, 2);
    grid->addWidget(btnMode, 3, 2);

    pnlEdit = Named<QWidget>("pnlEdit", this);
    auto *edit = new QGridLayout(pnlEdit);
    edit->setContentsMargins(0, 0, 0, 0);
    edtKana = Named<QLineEdit>("edtKana", pnlEdit);
    MakeReadingField(edtKana, kanaBytes);
    SetImeMode(edtKana, imSKata);
    edtKanji = Named<QLineEdit>("edtKanji", pnlEdit);
    edtKanji->setValidator(new TShiftJisValidator(kanjiBytes, edtKanji));
    SetImeMode(edtKanji, imHira);
    auto *kanaLabel = new QLabel(QStringLiteral("カナ："), pnlEdit);
    auto *kanjiLabel = new QLabel(QStringLiteral("漢字："), pnlEdit);
    kanaLabel->setBuddy(edtKana);
    kanjiLabel->setBuddy(edtKanji);
    chkOriginal = Named<QCheckBox>("chkOriginal", QStringLiteral("「独自」欄に登録する"), pnlEdit);
    btnAdd = Named<QPushButton>("btnAdd", QStringLiteral("登録"), pnlEdit);
    btnUpdate = Named<QPushButton>("btnUpdate", QStringLiteral("変更"), pnlEdit);
    btnDelete = Named<QPushButton>("btnDelete", QStringLiteral("削除"), pnlEdit);
    btnUpdate->setProperty("Tag", 1);
    for (QPushButton *b : {btnAdd, btnUpdate, btnDelete})
        b->setAutoDefault(false);
    edit->addWidget(kanaLabel, 0, 0);
    edit->addWidget(edtKana, 0, 1);
    edit->addWidget(kanjiLabel, 1, 0);
    edit->addWidget(edtKanji, 1, 1);
    edit->addWidget(chkOriginal, 2, 1);
    auto *editButtons = new QHBoxLayout;
    editButtons->addWidget(btnAdd);
    editButtons->addWidget(btnUpdate);
    editButtons->addWidget(btnDelete);
    edit->addLayout(editButtons, 3, 1);
    grid->addWidget(pnlEdit, 4, 0, 1, 3);
    resize(ScaleByDpi(440, true), ScaleByDpi(420, true));

    connect(cbxIndex, &QComboBox::activated, this, [this](int tab) {
        if (tab != FIndexTab)
            ChangeIndexTab(tab);
    });
    connect(btnSelect, &QPushButton::clicked, this, &TCategoryList::btnSelectClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnMode, &QPushButton::clicked, this, [this] { SetEditPanelVisible(pnlEdit->isHidden()); });
    connect(btnAdd, &QPushButton::clicked, this, [this] { AddOrChange(0); });
    connect(btnUpdate, &QPushButton::clicked, this, [this] { AddOrChange(1); });
    connect(btnDelete, &QPushButton::clicked, this, &TCategoryList::btnDeleteClick);
    connect(lvCategory, &QAbstractItemView::doubleClicked, this, &TCategoryList::btnSelectClick);
    connect(lvCategory->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        showSelectedEntry();
        btnUpdate->setEnabled(selectedRows().size() == 1);
    });
    connect(chkOriginal, &QCheckBox::toggled, this, [this](bool on) { SetCaptionColour(chkOriginal, on); });
    for (QWidget *w : {static_cast<QWidget *>(cbxIndex), static_cast<QWidget *>(lvCategory), static_cast<QWidget *>(edtKana),
                       static_cast<QWidget *>(edtKanji), static_cast<QWidget *>(chkOriginal)})
        w->installEventFilter(this);
    if (DMMirvale18)
        DMMirvale18->OpenCategoryTable();
}

TCategoryList::~TCategoryList()
{
    if (DMMirvale18)
        DMMirvale18->CloseCategoryTable();
}

TTable &TCategoryList::table() const { return *DMMirvale18->CategoryTable; }

void TCategoryList::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    pnlEdit->hide();
    btnMode->setText(QStringLiteral("編集画面を表示"));
    cbxIndex->setCurrentIndex(tabHistory);
    ChangeIndexTab(tabHistory);
}

QByteArray TCategoryList::KanaHead(const QByteArray &reading)
{
    const QByteArray three = reading.left(3);
    const bool voiced = three.contains('\xDE') || three.contains('\xDF');
    return voiced ? three : three.left(2);
}

QString TCategoryList::GroupHeading(int row) const
{
    const QByteArray head = KanaHead(FKanaList[static_cast<size_t>(row)].first);
    if (row > 0 && KanaHead(FKanaList[static_cast<size_t>(row - 1)].first) == head)
        return {};
    return Sjis::decode(head);
}

void TCategoryList::ChangeIndexTab(int tab)
{
    FIndexTab = tab;
    RefreshList();
}

void TCategoryList::RefreshList()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    rows_->Clearing = true;
    FRecNos.clear();
    FKanaList.clear();
    rows_->Reset(0);
    rows_->Clearing = false;
    if (DMMirvale18 && DMMirvale18->CategoryTable && table().Active()) {
        TTable &t = table();
        auto take = [&] {
            FRecNos.push_back(t.FieldByName(QStringLiteral("RecNo")).AsInteger());
            FKanaList.emplace_back(t.FieldByName(QStringLiteral("Kana")).AsString(),
                                   t.FieldByName(QStringLiteral("Original")).AsBoolean());
        };
        try {
            if (FIndexTab < tabOwn) {
                const QByteArray from(1, static_cast<char>(RowStarts[static_cast<size_t>(FIndexTab)]));
                const QByteArray to(1, static_cast<char>(RowStarts[static_cast<size_t>(FIndexTab) + 1]));
                t.SetIndexName(QStringLiteral("Kana"));
                for (t.FindNearest({from}); !t.Eof() && t.FieldByName(QStringLiteral("Kana")).AsString() < to; t.Next())
                    take();
            } else if (FIndexTab == tabOwn) {
                t.SetIndexName(QStringLiteral("Kana"));
                for (t.First(); !t.Eof(); t.Next())
                    if (t.FieldByName(QStringLiteral("Original")).AsBoolean())
                        take();
            } else {
                t.SetIndexName(QStringLiteral("AxsDateTime"));
                for (t.Last(); !t.Bof() && FRecNos.size() < HistoryRows; t.Prior()) {
                    if (t.FieldByName(QStringLiteral("AxsDateTime")).AsDateTime() == 0)
                        break;
                    take();
                }
            }
        } catch (const EDatabaseError &e) {
            ShowMessageBoxAt(this, e.Message, AppTitle, MB_ICONERROR);
        }
    }
    rows_->Reset(static_cast<int>(FRecNos.size()));
    if (FRecNos.empty()) {
        edtKana->clear();
        edtKanji->clear();
        chkOriginal->setChecked(false);
        btnUpdate->setEnabled(false);
    } else {
        btnUpdate->setEnabled(true);
        lvCategory->selectionModel()->setCurrentIndex(rows_->index(0, 0),
                                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    // Tabs browsed by arrows in their box keep the focus there; Enter goes on to the list.
    if (!cbxIndex->hasFocus())
        (FRecNos.empty() ? static_cast<QWidget *>(btnCancel) : lvCategory)->setFocus();
}

std::vector<int> TCategoryList::selectedRows() const
{
    std::vector<int> rows;
    for (const QModelIndex &i : lvCategory->selectionModel()->selectedRows())
        rows.push_back(i.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

QByteArray TCategoryList::rowKanji(int row) const
{
    const auto *texts = rows_->Fetch(row);
    return texts ? Sjis::encode((*texts)[1]) : QByteArray();
}

QByteArray TCategoryList::GetSelectedKanji() const
{
    const std::vector<int> rows = selectedRows();
    return rows.empty() ? QByteArray() : rowKanji(rows.front());
}

void TCategoryList::showSelectedEntry()
{
    const std::vector<int> rows = selectedRows();
    if (rows.size() == 1) {
        const auto &[kana, original] = FKanaList[static_cast<size_t>(rows.front())];
        edtKana->setText(Sjis::decode(kana));
        edtKanji->setText(Sjis::decode(rowKanji(rows.front())));
        chkOriginal->setChecked(original);
    } else {
        edtKana->clear();
        edtKanji->clear();
        chkOriginal->setChecked(false);
    }
}

void TCategoryList::SetEditPanelVisible(bool visible)
{
    if (visible == !pnlEdit->isHidden())
        return;
    const int height = pnlEdit->sizeHint().height();
    pnlEdit->setVisible(visible);
    btnMode->setText(visible ? QStringLiteral("編集画面を隠す") : QStringLiteral("編集画面を表示"));
    resize(width(), this->height() + (visible ? height : -height));
    if (visible && screen()) {
        const int bottom = screen()->availableGeometry().bottom();
        if (frameGeometry().bottom() > bottom)
            move(x(), std::max(screen()->availableGeometry().top(), y() - (frameGeometry().bottom() - bottom)));
    }
}

// Every row with this reading and name is a duplicate, except the row being changed.
bool TCategoryList::isDuplicate(const QByteArray &kana, const QByteArray &kanji, int32_t self) const
{
    TTable &t = table();
    t.SetIndexName(QStringLiteral("Kana"));
    for (t.FindNearest({kana}); !t.Eof() && t.FieldByName(QStringLiteral("Kana")).AsString() == kana; t.Next()) {
        if (t.FieldByName(QStringLiteral("RecNo")).AsInteger() == self)
            continue;
        if (t.FieldByName(QStringLiteral("Kanji")).AsString() == kanji)
            return true;
    }
    return false;
}

void TCategoryList::AddOrChange(int tag)
{
    const std::vector<int> rows = selectedRows();
    if (tag == 1 && rows.size() != 1)
        return;
    auto refuse = [this](const QString &text, QLineEdit *edit, bool caretToEnd) {
        ShowMessageBoxAt(this, text, AppTitle, MB_ICONINFORMATION);
        if (edit) {
            edit->setFocus();
            if (caretToEnd)
                edit->end(false);
        }
    };
    const QByteArray kana = Sjis::encode(edtKana->text().trimmed());
    if (kana.isEmpty())
        return refuse(QStringLiteral("カナを入力してください  "), edtKana, false);
    const QByteArray kanji = Sjis::encode(edtKanji->text().trimmed());
    if (kanji.isEmpty())
        return refuse(QStringLiteral("漢字を入力してください  "), edtKanji, false);
    const auto first = static_cast<uint8_t>(kana[0]);
    if (first < 0xB1 || first > 0xDC)
        return refuse(QStringLiteral("カナの最初の１文字目は  \r\n「ｱ」～「ﾜ」の範囲で入力してください  "), edtKana, true);
    const bool original = chkOriginal->isChecked();
    const int32_t self = tag == 1 ? FRecNos[static_cast<size_t>(rows.front())] : -1;
    if (tag == 1) {
        const auto &[oldKana, oldOriginal] = FKanaList[static_cast<size_t>(rows.front())];
        if (kana == oldKana && kanji == rowKanji(rows.front()) && original == oldOriginal)
            return;
    }
    if (!DMMirvale18 || !DMMirvale18->CategoryTable)
        return;
    TTable &t = table();
    try {
        if (isDuplicate(kana, kanji, self))
            return refuse(QStringLiteral("同じ内容が既に登録されています  "), nullptr, false);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
        t.SetIndexName({});
        if (tag == 0) {
            const int32_t recNo = NextRecNo(t);
            if (t.RecordCount() >= MaxRows) {
                ShowMessageBoxAt(this, QStringLiteral("最大登録件数10万件に達しました  \r\nこれ以上登録できません  "), AppTitle,
                                 MB_ICONINFORMATION);
                return;
            }
            t.Append();
            t.FieldByName(QStringLiteral("RecNo")).SetAsInteger(recNo);
        } else {
            if (!t.FindKey({self})) {
                ShowMessageBoxAt(this, QStringLiteral("変更データを参照できませんでした  "), AppTitle, MB_ICONERROR);
                return;
            }
            t.Edit();
        }
        t.FieldByName(QStringLiteral("Original")).SetAsBoolean(original);
        t.FieldByName(QStringLiteral("Kana")).SetAsString(kana);
        t.FieldByName(QStringLiteral("Kanji")).SetAsString(kanji);
        try {
            t.Post();
        } catch (const EDatabaseError &) {
            t.Cancel();
        }
    } catch (const EDatabaseError &e) {
        ShowMessageBoxAt(this, e.Message, AppTitle, MB_ICONERROR);
        return;
    }
    RefreshList();
    repaint();
    for (size_t i = 0; i < FRecNos.size(); ++i) {
        if (FKanaList[i].first == kana && FKanaList[i].second == original && rowKanji(static_cast<int>(i)) == kanji) {
            lvCategory->selectionModel()->setCurrentIndex(rows_->index(static_cast<int>(i), 0),
                                                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            break;
        }
    }
}

void TCategoryList::btnDeleteClick()
{
    const std::vector<int> rows = selectedRows();
    if (rows.empty()) {
        (FRecNos.empty() ? static_cast<QWidget *>(btnCancel) : lvCategory)->setFocus();
        return;
    }
    const QString n = QString::number(rows.size());
    const QString what = FIndexTab == tabOwn       ? QStringLiteral("件のデータを「独自」欄から削除します")
                         : FIndexTab == tabHistory ? QStringLiteral("件のデータを「履歴」欄から削除します")
                                                   : QStringLiteral("件のデータを削除します");
    if (ShowMessageBoxAt(this, n + what + QStringLiteral("\r\n") + QStringLiteral("よろしいですか？  "), AppTitle,
                         MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    int changed = 0;
    TTable &t = table();
    // The selection changes as one, so a kill leaves all of it or none, and the count said is what the
    // table holds.
    try {
        t.StartTransaction();
        for (int row : rows) {
            t.SetIndexName({});
            if (!t.FindKey({FRecNos[static_cast<size_t>(row)]}))
                continue;
            if (FIndexTab < tabOwn) {
                t.Delete();
            } else {
                t.Edit();
                if (FIndexTab == tabOwn)
                    t.FieldByName(QStringLiteral("Original")).SetAsBoolean(false);
                else
                    t.FieldByName(QStringLiteral("AxsDateTime")).Clear();
                t.Post();
            }
            ++changed;
        }
        t.Commit();
    } catch (const EDatabaseError &e) {
        changed = 0;
        t.Abandon();
        QApplication::restoreOverrideCursor();
        ShowMessageBoxAt(this, e.Message, AppTitle, MB_ICONERROR);
        RefreshList();
        return;
    }
    QApplication::restoreOverrideCursor();
    ShowMessageBoxAt(this, QString::number(changed) + QStringLiteral("件のデータを削除しました  "), AppTitle, MB_ICONINFORMATION);
    RefreshList();
}

void TCategoryList::btnSelectClick()
{
    const std::vector<int> rows = selectedRows();
    if (rows.empty()) {
        (FRecNos.empty() ? static_cast<QWidget *>(btnCancel) : lvCategory)->setFocus();
        return;
    }
    if (rows.size() > 1) {
        ShowMessageBoxAt(this, QStringLiteral("決定するには１件だけ選択してください  "), AppTitle, MB_ICONINFORMATION);
        return;
    }
    // The kanji is read before the stamp, while the row is in the cache or the table.
    rowKanji(rows.front());
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        TTable &t = table();
        t.SetIndexName({});
        if (t.FindKey({FRecNos[static_cast<size_t>(rows.front())]})) {
            t.Edit();
            t.FieldByName(QStringLiteral("AxsDateTime")).SetAsDateTime(DateTimeToDouble(QDateTime::currentDateTime()));
            try {
                t.Post();
            } catch (const EDatabaseError &) {
                t.Cancel();
            }
        }
    } catch (const EDatabaseError &) {
    }
    QApplication::restoreOverrideCursor();
    accept();
}

bool TCategoryList::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const bool enter = IsEnterKey(event);
        if (watched == lvCategory && enter) {
            btnSelect->setFocus();
            return true;
        }
        if (watched == lvCategory && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Delete) {
            btnDeleteClick();
            return true;
        }
        if (enter && watched == cbxIndex) {
            lvCategory->setFocus();
            return true;
        }
        if (enter && watched == edtKana) {
            edtKanji->setFocus();
            edtKanji->end(false);
            return true;
        }
        if (enter && watched == edtKanji) {
            chkOriginal->setFocus();
            return true;
        }
        if (enter && watched == chkOriginal) {
            btnAdd->setFocus();
            return true;
        }
    } else if (event->type() == QEvent::FocusOut && (watched == edtKana || watched == edtKanji)) {
        auto *edit = static_cast<QLineEdit *>(watched);
        const int limit = edit == edtKana ? kanaBytes : kanjiBytes;
        const QByteArray text = Sjis::encode(edit->text());
        if (text.size() > limit)
            edit->setText(Sjis::decode(CopyLeftMbcs(text, limit)));
    }
    return QDialog::eventFilter(watched, event);
}
