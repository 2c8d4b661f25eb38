#include "exchange/FExport.h"

#include "base/Folders.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "core/SharedHelpers.h"
#include "db/DatabaseError.h"
#include "db/Table.h"
#include "mainlist/AdrsList.h"
#include "mainlist/ListItems.h"
#include "platform/MemIniFile.h"
#include "platform/Forms.h"
#include "platform/MessageBox.h"
#include "base/SjisCodec.h"
#include "widgets/CheckListMoves.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
const QString Section = QStringLiteral("FILE EXPORT");
}

TFileExport::TFileExport(TAddressList *owner) : QWidget(owner, Qt::Window), owner_(owner)
{
    setObjectName(QStringLiteral("FileExport"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("テキストファイルの出力"));
    setProperty("HelpContext", 8);
    auto *layout = new QVBoxLayout(this);

    gbxRange = new TListRangeBox(*owner, this);
    layout->addWidget(gbxRange);

    auto *items = new QGroupBox(QStringLiteral("出力項目（チェックした項目をこの順に出力します）"), this);
    auto *itemRow = new QHBoxLayout(items);
    lstItems = Named<QListWidget>("lstItems", items);
    lstItems->setAccessibleName(items->title());
    itemRow->addWidget(lstItems, 1);
    auto *side = new QVBoxLayout;
    CheckList::MakeMoveButtons(this, side, lstItems, ItemOrder);
    side->addStretch();
    itemRow->addLayout(side);
    layout->addWidget(items, 1);

    auto *format = new QGroupBox(QStringLiteral("出力形式"), this);
    auto *formatRow = new QHBoxLayout(format);
    chkHeader = Named<QCheckBox>("chkHeader", QStringLiteral("1行目に項目名を出力する"), format);
    formatRow->addWidget(chkHeader);
    formatRow->addSpacing(12);
    auto *lblCode = new QLabel(QStringLiteral("文字コード："), format);
    formatRow->addWidget(lblCode);
    cbxCode = Named<QComboBox>("cbxCode", format);
    lblCode->setBuddy(cbxCode);
    cbxCode->addItems({QStringLiteral("Shift-JIS"), QStringLiteral("UTF-8")});
    formatRow->addWidget(cbxCode);
    formatRow->addSpacing(12);
    rbComma = Named<QRadioButton>("rbComma", QStringLiteral("カンマ区切り"), format);
    rbTab = Named<QRadioButton>("rbTab", QStringLiteral("タブ区切り"), format);
    rbComma->setChecked(true);
    formatRow->addWidget(rbComma);
    formatRow->addWidget(rbTab);
    formatRow->addStretch();
    layout->addWidget(format);

    pgbarExport = Named<QProgressBar>("pgbarExport", this);
    pgbarExport->setRange(0, 1000);
    pgbarExport->setValue(0);
    layout->addWidget(pgbarExport);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    btnExport = Named<QPushButton>("btnExport", QStringLiteral("出力(&O)..."), this);
    btnStop = Named<QPushButton>("btnStop", QStringLiteral("中止(&S)"), this);
    btnClose = Named<QPushButton>("btnClose", QStringLiteral("閉じる"), this);
    btnStop->setEnabled(false);
    for (QPushButton *b : {btnExport, btnStop, btnClose})
        buttons->addWidget(b);
    layout->addLayout(buttons);

    for (int item = 0; item < TextItemEnd; ++item) {
        auto *row = new QListWidgetItem(TextItemCaption(item), lstItems);
        row->setCheckState(Qt::Unchecked);
        ItemOrder.push_back(item);
    }
    loadSettings();
    resize(ScaleByDpi(460, true), ScaleByDpi(600, true));
    CenterFormOnOwner(this, owner);

    connect(gbxRange, &TListRangeBox::RangeChanged, this, [this] { updateCount(); });
    updateCount();
    connect(btnExport, &QPushButton::clicked, this, &TFileExport::btnExportClick);
    connect(btnStop, &QPushButton::clicked, this, [this] { stopRequested_ = true; });
    connect(btnClose, &QPushButton::clicked, this, &QWidget::close);
}

TFileExport::~TFileExport()
{
    if (FileExport == this)
        FileExport = nullptr;
}

void TFileExport::ListCountChanged() { gbxRange->ListCountChanged(); }

void TFileExport::UpdateKeywordNames()
{
    for (int row = 0; row < lstItems->count(); ++row)
        lstItems->item(row)->setText(TextItemCaption(ItemOrder[row]));
}

TExportOptions TFileExport::Options() const
{
    TExportOptions options;
    for (int row = 0; row < lstItems->count(); ++row)
        if (lstItems->item(row)->checkState() == Qt::Checked)
            options.Items.push_back(ItemOrder[row]);
    options.Header = chkHeader->isChecked();
    options.Encoding = cbxCode->currentIndex() == 1 ? TTextEncoding::Utf8 : TTextEncoding::ShiftJis;
    options.Separator = rbTab->isChecked() ? '\t' : ',';
    return options;
}

void TFileExport::updateCount()
{
    const int count = gbxRange->RowCount();
    gbxRange->lblCount->setText(QStringLiteral("出力件数：%1件").arg(count));
    btnExport->setEnabled(!running_ && count > 0);
}

void TFileExport::btnExportClick()
{
    if (Options().Items.empty()) {
        ShowMessageBoxAt(this, QStringLiteral("出力する項目を指定してください  "), AppTitle, MB_ICONINFORMATION);
        return;
    }
    const TMemIniFile ini(DataFolder + SettingsFileName);
    QFileDialog dialog(this, QStringLiteral("出力ファイルの指定"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    const bool tab = rbTab->isChecked();
    dialog.setNameFilters({tab ? QStringLiteral("テキストファイル (*.txt)") : QStringLiteral("CSVファイル (*.csv)"),
                           QStringLiteral("すべてのファイル (*)")});
    dialog.setDefaultSuffix(tab ? QStringLiteral("txt") : QStringLiteral("csv"));
    dialog.setDirectory(ini.ReadString(Section, QStringLiteral("Folder"), UserDocumentsFolder()));
    dialog.selectFile(tab ? QStringLiteral("Adrs.txt") : QStringLiteral("Adrs.csv"));
    const QString fileName = ChooseFile(dialog);
    if (!fileName.isEmpty())
        ExportTo(fileName);
}

void TFileExport::ExportTo(const QString &fileName)
{
    saveSettings(QFileInfo(fileName).absolutePath());
    if (!DMMirvale18 || !DMMirvale18->AdrsTable || !DMMirvale18->AdrsTable->Active())
        return;
    // The category names are read once: each would otherwise walk its table.
    QHash<int32_t, QByteArray> names;
    DMMirvale18->ForEachCategory(false, QString(), [&](TTable &t) {
        names.insert(t.FieldByName(QStringLiteral("CatNo")).AsInteger(), t.FieldByName(QStringLiteral("Name")).AsString());
    });
    DMMirvale18->ForEachCategory(true, QString(), [&](TTable &t) {
        names.insert(-t.FieldByName(QStringLiteral("CatNo")).AsInteger(), t.FieldByName(QStringLiteral("Name")).AsString());
    });
    const TCategoryNameFn categoryName = [&names](int32_t main, int32_t sub) {
        return sub < 0 ? names.value(main) : names.value(-(main * 100 + sub));
    };
    // The run reads through a table object of its own: the list, repainting while the run lets events through,
    // moves the cursor of the book's shared one.
    TTable reader;
    reader.DatabaseName = DMMirvale18->AdrsTable->DatabaseName;
    reader.TableName = DMMirvale18->AdrsTable->TableName;
    try {
        reader.Open();
    } catch (const EDatabaseError &e) {
        ShowMessageBoxAt(this, QStringLiteral("出力に失敗しました  \r\n") + e.Message, AppTitle, MB_ICONERROR);
        return;
    }
    running_ = true;
    stopRequested_ = false;
    btnExport->setEnabled(false);
    btnClose->setEnabled(false);
    btnStop->setEnabled(true);
    const TWindowWork work(this, [this] { stopRequested_ = true; });
    Outcome = ExportRows(reader, gbxRange->Range().Rows(*owner_), Options(), categoryName, fileName,
                         [this](int done, int total) {
                             pgbarExport->setValue(total > 0 ? static_cast<int>(int64_t(done) * 1000 / total) : 0);
                             QCoreApplication::processEvents();
                             return !stopRequested_;
                         });
    running_ = false;
    btnStop->setEnabled(false);
    btnClose->setEnabled(true);
    pgbarExport->setValue(0);
    updateCount();
    if (!Outcome.Failure.isEmpty()) {
        ShowMessageBoxAt(this, QStringLiteral("出力に失敗しました  \r\n") + Outcome.Failure, AppTitle, MB_ICONERROR);
        return;
    }
    // The window goes: the file was written whole or not at all, and the user asked for no more.
    if (work.CloseAsked())
        return;
    if (Outcome.Stopped) {
        ShowMessageBoxAt(this, QStringLiteral("出力を中止しました  "), AppTitle, MB_ICONINFORMATION);
    } else {
        QString message = QStringLiteral("%1件のデータを出力しました  ").arg(Outcome.Written);
        const bool changed = !Outcome.Unmappable.isEmpty() || !Outcome.Replaced.isEmpty();
        if (changed)
            message += QStringLiteral("\r\n");
        if (!Outcome.Unmappable.isEmpty())
            message += QStringLiteral("\r\nShift-JISで表せない文字を「?」で出力しました（%1）  ").arg(Outcome.Unmappable);
        if (!Outcome.Replaced.isEmpty()) {
            QStringList replaced;
            for (const QChar c : Outcome.Replaced)
                replaced << QStringLiteral("%1→%2").arg(c).arg(Sjis::readBack(c));
            message += QStringLiteral("\r\nShift-JISで表せない文字を似た文字で出力しました（%1）  ").arg(replaced.join(QStringLiteral("、")));
        }
        if (changed)
            message += QStringLiteral("\r\nUTF-8で出力するとそのまま出力できます  ");
        ShowMessageBoxAt(this, message, AppTitle, changed ? MB_ICONWARNING : MB_ICONINFORMATION);
    }
}

void TFileExport::loadSettings()
{
    const TMemIniFile ini(DataFolder + SettingsFileName);
    // "Items": the exported items in their order; the rest follow in the list's order.
    const QStringList chosen = ini.ReadString(Section, QStringLiteral("Items"), QStringLiteral("1,2,3,5,8,9,12,14,15,16")).split(QLatin1Char(','));
    int at = 0;
    for (const QString &entry : chosen) {
        bool ok = false;
        const int item = entry.toInt(&ok);
        const auto found = std::find(ItemOrder.begin(), ItemOrder.end(), item);
        if (!ok || found == ItemOrder.end() || found - ItemOrder.begin() < at)
            continue;
        CheckList::MoveRow(lstItems, ItemOrder, static_cast<int>(found - ItemOrder.begin()), at);
        lstItems->item(at++)->setCheckState(Qt::Checked);
    }
    lstItems->setCurrentRow(0);
    chkHeader->setChecked(ini.ReadBool(Section, QStringLiteral("Header"), true));
    cbxCode->setCurrentIndex(ini.ReadInteger(Section, QStringLiteral("Code"), 0) == 1 ? 1 : 0);
    (ini.ReadInteger(Section, QStringLiteral("Separator"), 0) == 1 ? rbTab : rbComma)->setChecked(true);
}

void TFileExport::saveSettings(const QString &folder) const
{
    TMemIniFile ini(DataFolder + SettingsFileName);
    ini.WriteString(Section, QStringLiteral("Folder"), folder);
    QStringList items;
    for (const int item : Options().Items)
        items << QString::number(item);
    ini.WriteString(Section, QStringLiteral("Items"), items.join(QLatin1Char(',')));
    ini.WriteBool(Section, QStringLiteral("Header"), chkHeader->isChecked());
    ini.WriteInteger(Section, QStringLiteral("Code"), cbxCode->currentIndex());
    ini.WriteInteger(Section, QStringLiteral("Separator"), rbTab->isChecked() ? 1 : 0);
    try {
        ini.UpdateFile();
    } catch (const EIniFileError &) {
        // The export goes on with the choices on screen; they are only not remembered.
    }
}

// Esc is 閉じる: while an export runs 閉じる is disabled, and Esc leaves the window and its export alone.
void TFileExport::keyPressEvent(QKeyEvent *event)
{
    if (!EscPresses(event, btnClose))
        QWidget::keyPressEvent(event);
}

void TFileExport::closeEvent(QCloseEvent *event)
{
    // A close asked while exporting stops the export and waits for it (ExportTo).
    if (FileExport == this)
        FileExport = nullptr;
    QWidget::closeEvent(event);
}

void ShowOrRestore(QWidget *window)
{
    if (window->isMinimized()) {
        window->showNormal();
    } else {
        window->show();
        window->raise();
        window->activateWindow();
    }
}

void ShowFileExportWindow(TAddressList *owner)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (!FileExport)
        FileExport = new TFileExport(owner);
    ShowOrRestore(FileExport->Window());
    QApplication::restoreOverrideCursor();
}
