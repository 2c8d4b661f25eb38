#include "exchange/FImport.h"

#include "base/Folders.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "core/HistoryData.h"
#include "core/SharedHelpers.h"
#include "db/DatabaseError.h"
#include "db/Table.h"
#include "db/TableSchemas.h"
#include "exchange/TableMaintenance.h"
#include "mainlist/AdrsList.h"
#include "base/FileReplace.h"
#include "platform/Forms.h"
#include "platform/MessageBox.h"
#include "base/SjisCodec.h"
#include "base/Trim.h"
#include "widgets/NamedControls.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QPainter>
#include <QRadioButton>
#include <QStyleOptionComboBox>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <cerrno>

namespace {

const QString NoItem = QStringLiteral("（取り込まない）");

// Puts an item (-1 none) into a cell of the column-choice row: its caption shown, its number kept, and a name
// that tells a screen reader which column it is.
void setChoice(QAbstractItemModel *model, const QModelIndex &cell, int itemNo)
{
    const bool chosen = IsImportItem(itemNo);
    model->setData(cell, chosen ? itemNo : -1, Qt::UserRole);
    const QString caption = chosen ? TextItemCaption(itemNo) : NoItem;
    model->setData(cell, caption, Qt::DisplayRole);
    model->setData(cell, QStringLiteral("%1列目の項目：%2").arg(cell.column() + 1).arg(caption), Qt::AccessibleTextRole);
}

// The column-choice row: each cell is drawn as a closed list and opens one while it is edited. One list at a
// time, however many columns, keeps the preview quick; the cells themselves are on the accessibility bus.
class TItemChoiceDelegate : public QStyledItemDelegate {
public:
    explicit TItemChoiceDelegate(TFileImport *window) : QStyledItemDelegate(window), window_(window) {}

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        if (index.row() != 0) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionComboBox box;
        box.initFrom(option.widget);
        box.rect = option.rect.adjusted(1, 1, -1, -1);
        box.state = option.state | QStyle::State_Enabled;
        box.currentText = index.data().toString();
        QStyle *style = option.widget ? option.widget->style() : QApplication::style();
        style->drawComplexControl(QStyle::CC_ComboBox, &box, painter, option.widget);
        style->drawControl(QStyle::CE_ComboBoxLabel, &box, painter, option.widget);
    }

    // Wide enough for the caption beside the list's arrow, as a list box of its own would be.
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const QSize text = QStyledItemDelegate::sizeHint(option, index);
        if (index.row() != 0)
            return text;
        QStyleOptionComboBox box;
        box.initFrom(option.widget);
        const QStyle *style = option.widget ? option.widget->style() : QApplication::style();
        return style->sizeFromContents(QStyle::CT_ComboBox, &box, text, option.widget);
    }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &index) const override
    {
        auto *choice = new QComboBox(parent);
        choice->setObjectName(QStringLiteral("cbxItem%1").arg(index.column() + 1));
        choice->setAccessibleName(QStringLiteral("%1列目の項目").arg(index.column() + 1));
        choice->addItem(NoItem, -1);
        for (int item = 1; item < TextItemEnd; ++item)
            choice->addItem(TextItemCaption(item), item);
        // A choice made in the list is taken at once, as a list box in the cell would take it.
        connect(choice, &QComboBox::activated, this, [this, choice] {
            emit const_cast<TItemChoiceDelegate *>(this)->commitData(choice);
            emit const_cast<TItemChoiceDelegate *>(this)->closeEditor(choice);
        });
        QTimer::singleShot(0, choice, &QComboBox::showPopup);
        return choice;
    }

    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        auto *choice = static_cast<QComboBox *>(editor);
        choice->setCurrentIndex(std::max(0, choice->findData(index.data(Qt::UserRole))));
    }

    // The list commits when an item is picked in it, and again when it closes on a choice set without a pick (a
    // screen reader's): either way the window decides.
    void setModelData(QWidget *editor, QAbstractItemModel *, const QModelIndex &index) const override
    {
        window_->ChooseColumnItem(index.column(), static_cast<QComboBox *>(editor)->currentData().toInt());
    }

private:
    TFileImport *window_;
};

}  // namespace

TFileImport::TFileImport(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("FileImport"));
    setWindowTitle(QStringLiteral("テキストファイルの取り込み"));
    setProperty("HelpContext", 5);
    auto *layout = new QVBoxLayout(this);
    auto *file = new QHBoxLayout;
    auto *lblFileName = new QLabel(QStringLiteral("ファイル名："), this);
    file->addWidget(lblFileName);
    edtFileName = Named<QLineEdit>("edtFileName", this);
    lblFileName->setBuddy(edtFileName);
    edtFileName->setReadOnly(true);
    file->addWidget(edtFileName, 1);
    btnBrowse = Named<QPushButton>("btnBrowse", QStringLiteral("参照(&R)..."), this);
    // The window has no default button: Enter in the preview's cells, the lists and the ticks is theirs, and a
    // file dialog opening behind them would take the user's next keys.
    btnBrowse->setAutoDefault(false);
    file->addWidget(btnBrowse);
    layout->addLayout(file);

    auto *options = new QHBoxLayout;
    auto *lblCode = new QLabel(QStringLiteral("文字コード："), this);
    options->addWidget(lblCode);
    cbxCode = Named<QComboBox>("cbxCode", this);
    lblCode->setBuddy(cbxCode);
    cbxCode->addItems({QStringLiteral("Shift-JIS"), QStringLiteral("UTF-8")});
    options->addWidget(cbxCode);
    options->addSpacing(16);
    options->addWidget(new QLabel(QStringLiteral("区切り文字："), this));
    rbComma = Named<QRadioButton>("rbComma", QStringLiteral("カンマ"), this);
    rbTab = Named<QRadioButton>("rbTab", QStringLiteral("タブ"), this);
    rbComma->setChecked(true);
    options->addWidget(rbComma);
    options->addWidget(rbTab);
    options->addSpacing(16);
    chkHeader = Named<QCheckBox>("chkHeader", QStringLiteral("1行目を項目名として取り込まない"), this);
    options->addWidget(chkHeader);
    options->addStretch();
    layout->addLayout(options);

    auto *lblPreview =
        new QLabel(QStringLiteral("各列に取り込む項目を選んでください（先頭%1行を表示しています）").arg(PreviewRows), this);
    layout->addWidget(lblPreview);
    grdPreview = Named<QTableWidget>("grdPreview", this);
    SetViewLabel(lblPreview, grdPreview);
    // Only the column-choice row is editable (its items' flags); a click or Enter opens its list as well.
    grdPreview->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked
                                | QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    grdPreview->setItemDelegate(new TItemChoiceDelegate(this));
    for (const auto signal : {&QAbstractItemView::clicked, &QAbstractItemView::activated})
        connect(grdPreview, signal, this, [this](const QModelIndex &index) {
            if (index.row() == 0)
                grdPreview->edit(index);
        });
    grdPreview->verticalHeader()->setDefaultSectionSize(grdPreview->fontMetrics().height() + 8);
    layout->addWidget(grdPreview, 1);

    lblStatus = Named<QLabel>("lblStatus", this);
    layout->addWidget(lblStatus);
    pgbarImport = Named<QProgressBar>("pgbarImport", this);
    pgbarImport->setRange(0, 1000);
    pgbarImport->setValue(0);
    layout->addWidget(pgbarImport);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    btnImport = Named<QPushButton>("btnImport", QStringLiteral("取り込み(&I)"), this);
    btnStop = Named<QPushButton>("btnStop", QStringLiteral("中止(&S)"), this);
    btnCancel = Named<QPushButton>("btnCancel", QStringLiteral("閉じる"), this);
    btnStop->setEnabled(false);
    btnImport->setEnabled(false);
    for (QPushButton *b : {btnImport, btnStop, btnCancel}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    layout->addLayout(buttons);
    resize(ScaleByDpi(760, true), ScaleByDpi(520, true));

    connect(btnBrowse, &QPushButton::clicked, this, [this] {
        QFileDialog dialog(this, QStringLiteral("取り込むファイルの選択"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setFileMode(QFileDialog::ExistingFile);
        // Again in the folder of the file chosen last, else where the user keeps documents.
        const QFileInfo chosen(QDir::fromNativeSeparators(edtFileName->text()));
        dialog.setDirectory(!edtFileName->text().isEmpty() && chosen.absoluteDir().exists() ? chosen.absolutePath()
                                                                                            : UserDocumentsFolder());
        dialog.setNameFilters({QStringLiteral("テキストファイル (*.csv *.txt *.tsv)"), QStringLiteral("すべてのファイル (*)")});
        ShowFileColumnsWhole(dialog);
        NameFileDialogBoxes(dialog);
        // Read as it is chosen, before the file dialog closes: keys typed on (Alt+I right after Enter) are
        // handled while the file dialog's own loop is still running, and must find the file read and 取り込み
        // enabled rather than be lost on a disabled button.
        bool loaded = false;
        connect(&dialog, &QFileDialog::fileSelected, this, [this, &loaded](const QString &fileName) {
            loaded = true;
            LoadFile(fileName);
        });
        ExecDialog(dialog);
        // While the file dialog asks, this window's ticks are held and put back as they were when it closes,
        // undoing the separator and header the file was read with: they are chosen again.
        if (loaded && !fileName_.isEmpty())
            chooseByFile();
    });
    connect(cbxCode, &QComboBox::activated, this, [this] { refreshPreview(); });
    connect(rbComma, &QRadioButton::toggled, this, [this] { refreshPreview(); });
    connect(chkHeader, &QCheckBox::toggled, this, [this] { refreshPreview(); });
    connect(btnImport, &QPushButton::clicked, this, &TFileImport::btnImportClick);
    connect(btnStop, &QPushButton::clicked, this, [this] { stopRequested_ = true; });
    connect(btnCancel, &QPushButton::clicked, this, &TFileImport::reject);
}

QString TFileImport::ReportFile() const { return DataFolder + QStringLiteral("InError.txt"); }
QString TFileImport::SafetyFolder() const { return DataRootFolder + SafetyImport + QLatin1Char('/'); }

void TFileImport::LoadFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        ShowMessageBoxAt(this, QStringLiteral("ファイルが開けませんでした  \r\n") + fileName, AppTitle, MB_ICONERROR);
        return;
    }
    // A field of megabytes is not read, let alone laid out in a cell, for a preview that shows its beginning.
    fileName_ = fileName;
    head_ = file.read(PreviewBytes);
    headCut_ = !file.atEnd();
    edtFileName->setText(QDir::toNativeSeparators(fileName));
    // The encoding is the whole file's: a file may hold its first character beyond ASCII far past what the
    // preview reads.
    file.seek(0);
    const TTextEncoding encoding = DetectTextEncoding(file);
    // A file in UTF-16 says so by its mark and reads as nothing else: the list shows it, with no other choice.
    const bool utf16 = encoding == TTextEncoding::Utf16;
    if (utf16 && cbxCode->count() == Utf16Code)
        cbxCode->addItem(QStringLiteral("UTF-16"));
    else if (!utf16 && cbxCode->count() > Utf16Code)
        cbxCode->removeItem(Utf16Code);
    cbxCode->setCurrentIndex(utf16 ? Utf16Code : encoding == TTextEncoding::Utf8 ? 1 : 0);
    cbxCode->setEnabled(!utf16);
    if (!chooseByFile()) {
        fileName_.clear();
        head_.clear();
        edtFileName->clear();
    }
}

bool TFileImport::chooseByFile()
{
    // A tab in the first line and no comma: a tab-separated file.
    const QString text = previewText();
    const QString firstLine = text.left(text.indexOf(QLatin1Char('\n')));
    const bool tab = firstLine.contains(QLatin1Char('\t')) && !firstLine.contains(QLatin1Char(','));
    {
        const QSignalBlocker block(rbComma);
        (tab ? rbTab : rbComma)->setChecked(true);
    }
    grdPreview->setColumnCount(0);
    if (!refreshPreview())
        return false;
    // Columns named like an item go to that item.
    TCsvReader reader(previewText(), tab ? QLatin1Char('\t') : QLatin1Char(','), headCut_);
    TCsvRow header;
    if (reader.Next(header)) {
        bool named = false;
        for (qsizetype c = 0; c < header.Fields.size(); ++c)
            for (int item = 1; item < TextItemEnd; ++item)
                if (TrimBlanks(header.Fields[c]) == TextItemCaption(item)) {
                    // A second column named like an item that takes one is left for the user to choose.
                    if (JoinsColumns(item) || columnWith(item, -1) < 0)
                        SetColumnItem(static_cast<int>(c), item);
                    named = true;
                    break;
                }
        chkHeader->setChecked(named);
    }
    return true;
}

TTextEncoding TFileImport::encoding() const
{
    switch (cbxCode->currentIndex()) {
    case 1:
        return TTextEncoding::Utf8;
    case Utf16Code:
        return TTextEncoding::Utf16;
    default:
        return TTextEncoding::ShiftJis;
    }
}

QString TFileImport::previewText() const
{
    QString text = DecodeImportText(head_, encoding());
    // The read may end inside a character; the last one goes, the field it ends is shown cut anyway.
    if (headCut_ && !text.isEmpty())
        text.chop(text.size() > 1 && text.back().isLowSurrogate() ? 2 : 1);
    return text;
}

bool TFileImport::refreshPreview()
{
    const std::vector<int> kept = ColumnItems();
    TCsvReader reader(previewText(), rbTab->isChecked() ? QLatin1Char('\t') : QLatin1Char(','), headCut_);
    std::vector<TCsvRow> rows;
    TCsvRow row;
    int columns = 0;
    bool lastCut = false;  // the last row reaches the end of what was read
    while (static_cast<int>(rows.size()) < PreviewRows + 1 && reader.Next(row)) {
        columns = std::max(columns, static_cast<int>(row.Fields.size()));
        rows.push_back(row);
        lastCut = headCut_ && reader.Position() >= reader.Size();
    }
    const auto shown = [](const QString &text, bool cut) {
        return cut || text.size() > PreviewFieldUnits ? CutToUnits(text, PreviewFieldUnits) + QStringLiteral("…") : text;
    };
    grdPreview->clear();
    if (columns > MaxColumns) {
        grdPreview->setColumnCount(0);
        grdPreview->setRowCount(0);
        btnImport->setEnabled(false);
        ShowMessageBoxAt(this,
                         QStringLiteral("列の数が多すぎるため取り込めません  \r\n取り込める列は%1列までです  \r\n").arg(MaxColumns)
                             + edtFileName->text(),
                         AppTitle, MB_ICONERROR);
        return false;
    }
    grdPreview->setColumnCount(columns);
    grdPreview->setRowCount(static_cast<int>(rows.size()) + 1);
    QStringList lines{QStringLiteral("項目")};
    for (int c = 0; c < columns; ++c) {
        auto *choice = new QTableWidgetItem;
        choice->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
        grdPreview->setItem(0, c, choice);
        SetColumnItem(c, c < static_cast<int>(kept.size()) ? kept[c] : -1);
    }
    for (size_t r = 0; r < rows.size(); ++r) {
        lines << QString::number(rows[r].Line);
        const bool cut = lastCut && r + 1 == rows.size();
        for (int c = 0; c < columns; ++c) {
            auto *cell = new QTableWidgetItem(
                c < rows[r].Fields.size() ? shown(rows[r].Fields[c], cut && c + 1 == rows[r].Fields.size()) : QString());
            cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            if (r == 0 && chkHeader->isChecked())
                cell->setForeground(Qt::gray);
            grdPreview->setItem(static_cast<int>(r) + 1, c, cell);
        }
        if (rows[r].Malformed && columns > 0)
            grdPreview->item(static_cast<int>(r) + 1, 0)->setText(QStringLiteral("（引用符の誤り）") + shown(rows[r].Text, cut));
    }
    grdPreview->setVerticalHeaderLabels(lines);
    grdPreview->resizeColumnsToContents();
    for (int c = 0; c < columns; ++c)
        grdPreview->setColumnWidth(c, std::min(std::max(grdPreview->columnWidth(c), ScaleByDpi(110, true)), ScaleByDpi(260, true)));
    btnImport->setEnabled(!head_.isEmpty());
    return true;
}

std::vector<int> TFileImport::ColumnItems() const
{
    std::vector<int> items;
    for (int c = 0; c < grdPreview->columnCount(); ++c) {
        const QTableWidgetItem *choice = grdPreview->item(0, c);
        items.push_back(choice ? choice->data(Qt::UserRole).toInt() : -1);
    }
    return items;
}

void TFileImport::SetColumnItem(int column, int itemNo)
{
    if (grdPreview->item(0, column))
        setChoice(grdPreview->model(), grdPreview->model()->index(0, column), itemNo);
}

int TFileImport::columnWith(int itemNo, int except) const
{
    const std::vector<int> items = ColumnItems();
    for (int c = 0; c < static_cast<int>(items.size()); ++c)
        if (c != except && items[c] == itemNo)
            return c;
    return -1;
}

bool TFileImport::ChooseColumnItem(int column, int itemNo)
{
    const int other = columnWith(itemNo, column);
    if (IsImportItem(itemNo) && !JoinsColumns(itemNo) && other >= 0) {
        const QString message = QStringLiteral("「%1」はすでに%2列目に選ばれています  \r\n「%1」に取り込める列は1つだけです  ")
                                    .arg(TextItemCaption(itemNo))
                                    .arg(other + 1);
        // Said once the list has closed: a box over the open list would take its focus, which commits it again.
        QMetaObject::invokeMethod(
            this, [this, message] { ShowMessageBoxAt(this, message, AppTitle, MB_ICONINFORMATION); }, Qt::QueuedConnection);
        return false;
    }
    SetColumnItem(column, itemNo);
    return true;
}

bool TFileImport::makeSafetyCopy(int *writeError)
{
    const TTable &book = *DMMirvale18->AdrsTable;
    QStringList files = AdrsTableFiles;
    if (QFile::exists(book.DatabaseName + QStringLiteral("Group.dat")))
        files << QStringLiteral("Group.dat");
    QString failed;
    return CopySafetyFiles(book.DatabaseName, files, SafetyFolder(), writeError, &failed);
}

void TFileImport::btnImportClick()
{
    const std::vector<int> items = ColumnItems();
    if (std::none_of(items.begin(), items.end(), IsImportItem)) {
        ShowMessageBoxAt(this, QStringLiteral("取り込む項目を指定してください  "), AppTitle, MB_ICONINFORMATION);
        return;
    }
    if (!DMMirvale18 || !DMMirvale18->AdrsTable || !DMMirvale18->AdrsTable->Active())
        return;
    if (ShowMessageBoxAt(this, QStringLiteral("テキストファイルの内容をアドレス帳に取り込みます  \r\nよろしいですか？  "), AppTitle,
                         MB_YESNO | MB_ICONQUESTION)
        != IDYES)
        return;
    QFile file(fileName_);
    if (!file.open(QIODevice::ReadOnly)) {
        ShowMessageBoxAt(this, QStringLiteral("ファイルが開けませんでした  \r\n") + fileName_, AppTitle, MB_ICONERROR);
        return;
    }
    // A book that cannot be written would refuse every row: the copy of the previous import stays the one kept.
    const TTable &book = *DMMirvale18->AdrsTable;
    int blocked = WriteAccessError(book.FileName());
    blocked = blocked ? blocked : WriteAccessError(book.DatabaseName);
    if (IsNotWritable(blocked)) {
        ShowMessageBoxAt(this,
                         QStringLiteral("取り込みに失敗しました  \r\nアドレス帳は取り込み前のままです  \r\n\r\n")
                             + QDir::toNativeSeparators(book.FileName()) + WriteFailureReason(blocked),
                         AppTitle, MB_ICONERROR);
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    int writeError = 0;
    const bool copied = makeSafetyCopy(&writeError);
    QApplication::restoreOverrideCursor();
    if (!copied) {
        ShowMessageBoxAt(this,
                         QStringLiteral("アドレス帳の控えが作成できませんでした  \r\n取り込みを中止します  \r\n") + SafetyFolder()
                             + WriteFailureReason(writeError),
                         AppTitle, MB_ICONERROR);
        return;
    }

    TImportConverter converter(items, DateTimeToDouble(QDateTime::currentDateTime()));
    QHash<QString, int32_t> mains, subs;
    DMMirvale18->ForEachCategory(false, QString(), [&](TTable &t) {
        mains.insert(Sjis::decode(TrimBlanks(t.FieldByName(QStringLiteral("Name")).AsString())),
                     t.FieldByName(QStringLiteral("CatNo")).AsInteger());
    });
    DMMirvale18->ForEachCategory(true, QString(), [&](TTable &t) {
        const int32_t catNo = t.FieldByName(QStringLiteral("CatNo")).AsInteger();
        subs.insert(QString::number(catNo / 100) + QLatin1Char('\t')
                        + Sjis::decode(TrimBlanks(t.FieldByName(QStringLiteral("Name")).AsString())),
                    catNo);
    });
    converter.SetCategories(mains, subs);
    converter.SetMunicipalities(DictionaryMunicipalities(AppFolder, AppFolder + QStringLiteral("Dic/")));
    qsizetype unreadableAt = -1;
    const QString text = DecodeImportText(file.readAll(), encoding(), &unreadableAt);
    TCsvReader reader(text, rbTab->isChecked() ? QLatin1Char('\t') : QLatin1Char(','), false, unreadableAt);

    running_ = true;
    stopRequested_ = false;
    for (QWidget *w : std::initializer_list<QWidget *>{btnImport, btnBrowse, btnCancel, cbxCode, rbComma, rbTab, chkHeader, grdPreview})
        w->setEnabled(false);
    btnStop->setEnabled(true);
    lblStatus->setText(QStringLiteral("取り込み中..."));
    const TWindowWork work(this, [this] { stopRequested_ = true; });
    Outcome = ImportRows(*DMMirvale18->AdrsTable, reader, converter, chkHeader->isChecked(), MaxAdrsRecords,
                         [this](qsizetype position, qsizetype size) {
                             pgbarImport->setValue(size > 0 ? static_cast<int>(position * 1000 / size) : 0);
                             QCoreApplication::processEvents();
                             return !stopRequested_;
                         });
    running_ = false;
    for (QWidget *w : std::initializer_list<QWidget *>{btnImport, btnBrowse, btnCancel, rbComma, rbTab, chkHeader, grdPreview})
        w->setEnabled(true);
    cbxCode->setEnabled(encoding() != TTextEncoding::Utf16);
    btnStop->setEnabled(false);
    pgbarImport->setValue(0);
    lblStatus->clear();

    if (!Outcome.Failure.isEmpty()) {
        ShowMessageBoxAt(this, QStringLiteral("取り込みに失敗しました  \r\nアドレス帳は取り込み前のままです  \r\n\r\n") + Outcome.Failure,
                         AppTitle, MB_ICONERROR);
        return;
    }
    if (Outcome.UnreadableLine > 0) {
        if (!work.CloseAsked())
            ShowMessageBoxAt(this,
                             QStringLiteral("%1行目に、%2では読めないデータがあります  \r\n取り込みを中止しました  \r\n"
                                            "アドレス帳は取り込み前のままです  \r\n\r\nファイルの文字コードを確かめてください  ")
                                 .arg(Outcome.UnreadableLine)
                                 .arg(cbxCode->currentText()),
                             AppTitle, MB_ICONERROR);
        return;
    }
    if (Outcome.Stopped) {
        if (!work.CloseAsked())
            ShowMessageBoxAt(this, QStringLiteral("取り込みを中止しました  \r\nアドレス帳は取り込み前のままです  "), AppTitle, MB_ICONINFORMATION);
        return;
    }
    QString message = QStringLiteral("%1件のデータを取り込みました  ").arg(Outcome.Added);
    const QStringList changes = ImportChangeLines(Outcome);
    for (const QString &line : changes)
        message += QStringLiteral("\r\n") + line;
    if (!Outcome.Problems.empty()) {
        const bool written = ReplaceFileWhole(ReportFile(), ImportReport(Outcome));
        const int error = written ? 0 : errno;
        message += written ? QStringLiteral("\r\n\r\n行番号と理由は次のファイルに記録しました  \r\n") + QDir::toNativeSeparators(ReportFile())
                           : QStringLiteral("\r\n\r\n報告ファイルが書き込めませんでした  \r\n") + QDir::toNativeSeparators(ReportFile())
                                 + WriteFailureReason(error);
    }
    // The dialog goes either way; the report file is written all the same.
    if (!work.CloseAsked())
        ShowMessageBoxAt(this, message, AppTitle, changes.isEmpty() ? MB_ICONINFORMATION : MB_ICONWARNING);
    if (Outcome.Added > 0)
        accept();
}

void TFileImport::reject()
{
    // A run ends through its stop button, so the book is never left between two states.
    if (running_) {
        stopRequested_ = true;
        return;
    }
    QDialog::reject();
}

bool ImportTextFile(TAddressList *owner)
{
    TFileImport dialog(owner);
    CenterFormOnOwner(&dialog, owner);
    return ExecDialog(dialog) == QDialog::Accepted;
}
