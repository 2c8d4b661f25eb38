// The result side of the directory search windows: the page of hits, opening a hit in the record form and
// stepping through the hits from there, the CSV output of selected hits and the choice of its file.
#include "directory/SearchWindow.h"

#include "base/FileReplace.h"
#include "base/Folders.h"
#include "base/SjisCodec.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "core/Settings.h"
#include "core/SharedHelpers.h"
#include "db/Table.h"
#include "directory/DirectoryCsv.h"
#include "directory/DirectoryDll.h"
#include "directory/ExportItemSelect.h"
#include "geo/DicLibraries.h"
#include "mainlist/AdrsList.h"
#include "mainlist/RecordFormServices.h"
#include "platform/Forms.h"
#include "platform/MessageBox.h"
#include "platform/SingleInstance.h"

#include <QApplication>
#include <cerrno>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QScopeGuard>
#include <QScreen>
#include <QTreeView>

namespace {

const QByteArray ChomeMark = Sjis::encode(QStringLiteral("（丁目）"));

}  // namespace

// ---- The page of hits ----

const std::array<int, THitListModel::ColumnCount> &THitListModel::DefaultWidths()
{
    static const std::array<int, ColumnCount> widths{48, 108, 48, 180, 260, 170, 210};
    return widths;
}

THitListModel::THitListModel(QObject *parent) : QAbstractTableModel(parent) {}

void THitListModel::SetPage(std::vector<TDirectoryHit> hits, int pageNo, int pageSize)
{
    beginResetModel();
    hits_ = std::move(hits);
    pageNo_ = pageNo;
    pageSize_ = pageSize;
    endResetModel();
}

void THitListModel::Clear()
{
    beginResetModel();
    hits_.clear();
    pageNo_ = -1;
    endResetModel();
}

void THitListModel::SetOmission(const QByteArray &caption)
{
    // The caption of a town that has blocks ends in the mark, which no address holds.
    const qsizetype mark = caption.indexOf(ChomeMark);
    omission_ = mark >= 0 ? caption.left(mark) : caption;
    if (!hits_.empty())
        emit dataChanged(index(0, 4), index(rowCount() - 1, 4));
}

void THitListModel::SetLinkColour(const QColor &colour)
{
    linkColour_ = colour;
    if (!hits_.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1), {Qt::BackgroundRole});
}

QString THitListModel::CellText(int row, int column) const
{
    if (row < 0 || row >= rowCount())
        return {};
    const TDirectoryHit &hit = hits_[static_cast<size_t>(row)];
    switch (column) {
    case 0:
        return QString::number(row + (pageNo_ - 1) * pageSize_ + 1);
    case 1:
        return Sjis::decode(FieldText(hit.Tel));
    case 2:
        return hit.Kind == 1 ? QStringLiteral("Fax") : hit.Kind == 2 ? QStringLiteral("F兼") : hit.Kind == 3 ? QStringLiteral("代表") : QString();
    case 3:
        return Sjis::decode(FieldText(hit.Name));
    case 4: {
        QByteArray address = FieldText(hit.Address);
        if (!omission_.isEmpty()) {
            const qsizetype at = address.indexOf(omission_);
            if (at >= 0)
                address.remove(at, omission_.size());
        }
        return Sjis::decode(address);
    }
    default: {
        const int main = FieldText(hit.MainCategory).toInt();
        const int catNo = column == 5 ? main : main * 100 + FieldText(hit.SubCategory).toInt();
        return catNo == 0 || !CategoryName ? QString() : Sjis::decode(CategoryName(column == 6, catNo));
    }
    }
}

int THitListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(hits_.size());
}

int THitListModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant THitListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    if (role == Qt::DisplayRole)
        return CellText(index.row(), index.column());
    if (role == Qt::BackgroundRole && linkColour_.isValid())
        return linkColour_;
    if (role == Qt::TextAlignmentRole && index.column() == 0)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant THitListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const QStringList titles{QStringLiteral("No."),      QStringLiteral("電話番号"), QStringLiteral("区分"),
                                    QStringLiteral("掲載名"),   QStringLiteral("住所"),     QStringLiteral("大分類名"),
                                    QStringLiteral("小分類名")};
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return titles.value(section);
    return {};
}

// ---- The record form ----

bool TDirectorySearchWindow::hitIsShownInForm() const
{
    return RecordForm && RecordForm->GetSourceList() == kind_.SourceKind;
}

void TDirectorySearchWindow::updateRecordNavigator()
{
    if (hitIsShownInForm())
        RecordForm->UpdateRecordNavigator();
}

void TDirectorySearchWindow::UpdateLinkColor()
{
    const bool linked = hitIsShownInForm() && RecordForm->GetLinked() == 1 && ViewBGPaint;
    const QColor colour = linked ? ColorFromBgr(ViewBGColor) : QColor();
    model_->SetLinkColour(colour);
    QPalette palette = lvResult->palette();
    palette.setColor(QPalette::Base, linked ? colour : QApplication::palette(lvResult).color(QPalette::Base));
    lvResult->setPalette(palette);
}

int TDirectorySearchWindow::GetHitCount() const { return static_cast<int>(model_->Hits().size()); }
bool TDirectorySearchWindow::IsFirstHit() const { return model_->Hits().empty() || currentHit_ < 1; }
bool TDirectorySearchWindow::IsLastHit() const { return model_->Hits().empty() || currentHit_ >= GetHitCount() - 1; }

void TDirectorySearchWindow::SetCurrentHit(int index)
{
    if (index >= -1 && index < GetHitCount())
        currentHit_ = index;
}

bool TDirectorySearchWindow::InquireFirstHit(TDirectoryDetail &detail) { return FetchHitDetail(0, detail); }
bool TDirectorySearchWindow::InquireLastHit(TDirectoryDetail &detail) { return FetchHitDetail(GetHitCount() - 1, detail); }

bool TDirectorySearchWindow::InquirePriorHit(TDirectoryDetail &detail)
{
    return !IsFirstHit() && FetchHitDetail(currentHit_ - 1, detail);
}

bool TDirectorySearchWindow::InquireNextHit(TDirectoryDetail &detail)
{
    return !IsLastHit() && FetchHitDetail(currentHit_ + 1, detail);
}

bool TDirectorySearchWindow::FetchHitDetail(int index, TDirectoryDetail &detail) { return fetchDetail(index, detail, true); }

// The entry of a hit through the library, over the folders the search used.
bool TDirectorySearchWindow::fetchDetail(int index, TDirectoryDetail &detail, bool select)
{
    if (index < 0 || index >= GetHitCount() || !CheckDataLocation())
        return false;
    TDirectoryCondition folders{};
    PutText(folders.DataFolder, QFile::encodeName(dataFolder()));
    PutText(folders.DicFolder, QFile::encodeName(AppFolder + QStringLiteral("Dic/")));
    if (FetchDirectoryDetail(model_->Hits()[static_cast<size_t>(index)], folders, detail) != 0)
        return false;
    if (select) {
        currentHit_ = index;
        const QModelIndex row = model_->index(index, 0);
        lvResult->selectionModel()->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        lvResult->scrollTo(row);
    }
    return true;
}

std::vector<int> TDirectorySearchWindow::selectedRows() const
{
    std::vector<int> rows;
    for (const QModelIndex &i : lvResult->selectionModel()->selectedRows())
        rows.push_back(i.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void TDirectorySearchWindow::sbtnInquiryClick() { openSelectedHit(); }

void TDirectorySearchWindow::openSelectedHit()
{
    const std::vector<int> rows = selectedRows();
    if (rows.empty())
        return;
    const QModelIndex current = lvResult->currentIndex();
    const int row = current.isValid() && lvResult->selectionModel()->isRowSelected(current.row()) ? current.row() : rows.front();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    int32_t recNo = -1;
    bool saved = false;
    if (RecordForm) {
        recNo = RecordForm->GetRecNo();
        // The form's question runs as this window's command too: this goes on after it.
        int answer = 9;
        if (!RunAsCommandOf(this, [&answer] { answer = RecordForm->CheckUnsavedChanges(false, false); }) || answer == 9)
            return;
        saved = answer == 0;
        if (recNo == -1 && DMMirvale18 && DMMirvale18->AdrsTable && DMMirvale18->AdrsTable->Active()) {
            try {
                TTable &adrs = *DMMirvale18->AdrsTable;
                adrs.SetIndexName({});
                adrs.Last();
                if (!adrs.Eof() || !adrs.Bof())
                    recNo = adrs.FieldByName(QStringLiteral("RecNo")).AsInteger();
            } catch (const EDatabaseError &) {
                recNo = -1;
            }
        }
    }
    TDirectoryDetail detail{};
    if (fetchDetail(row, detail, true) && MakeRecordForm) {
        if (!RecordForm)
            RecordForm = MakeRecordForm(AddressList);
        QWidget *form = RecordForm->FormWindow();
        if (form->isMinimized())
            form->showNormal();
        RecordForm->SetSourceList(kind_.SourceKind);
        RecordForm->NewFromDirectory(detail);
        form->show();
        ForceForegroundWindow(form);
    }
    if (saved && AddressList) {
        AddressList->RefreshList(false, true, true);
        const int index = AddressList->IndexOfRecNo(recNo);
        if (index >= 0)
            AddressList->SelectItem(index, false, true);
        else
            AddressList->SelectItem(0, false, false);
    }
}

// ---- Output of selected hits ----

void TDirectorySearchWindow::sbtnFileExportClick()
{
    const std::vector<int> rows = selectedRows();
    if (rows.empty() || !CheckDataLocation())
        return;
    const QString question = QString::number(rows.size()) + QStringLiteral(" 件のデータを  ") + QStringLiteral("\r\n")
                             + QStringLiteral("CSV形式でテキストファイルに出力します  ") + QStringLiteral("\r\n")
                             + QStringLiteral("よろしいですか？  ");
    if (ShowMessageBoxAt(this, question, AppTitle, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    panel(5)->setText(QStringLiteral("ファイル出力"));
    repaint();
    linesWritten_ = 0;
    const int choice = chooseOutputFile();
    if (choice == 9)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const int error = writeSelectedHits(rows, choice == 1);
    QApplication::restoreOverrideCursor();
    if (error != 0) {
        panel(6)->setText(QStringLiteral(" 件数： "));
        panel(7)->setText(QStringLiteral(" エラー"));
        ShowMessageBoxAt(this,
                         QStringLiteral("ファイルに出力できませんでした  \r\n") + outputFileName_ + QStringLiteral("  ")
                             + WriteFailureReason(error),
                         AppTitle, MB_ICONERROR);
        return;
    }
    panel(6)->setText(QStringLiteral(" 件数： ") + QString::number(linesWritten_));
    panel(7)->setText(QStringLiteral("出力完了"));
    ShowMessageBoxAt(this, QString::number(linesWritten_) + QStringLiteral(" 件のデータを出力しました  "), AppTitle,
                     MB_ICONINFORMATION);
}

// The lines of the selected hits, written whole: a new file takes the name only once every line is in it, lines
// added to a file the disk does not take all of are taken back, and the window goes on. 0, or the errno of the
// write that failed.
int TDirectorySearchWindow::writeSelectedHits(const std::vector<int> &rows, bool append)
{
    QByteArray batch;
    if (!append)
        batch = DirectoryCsvHeader(outputItems_) + "\r\n";
    const bool needsDetail = ChoiceNeedsDetail(outputItems_);
    const TCategoryNameLookup names = [this](bool sub, int32_t catNo) { return categoryName(sub, catNo); };
    int lines = 0;
    for (int row : rows) {
        TDirectoryDetail detail{};
        const bool fromDetail = needsDetail && fetchDetail(row, detail, false);
        const QByteArray line = DirectoryCsvLine(outputItems_, model_->Hits()[static_cast<size_t>(row)],
                                                 fromDetail ? &detail : nullptr, names);
        if (!line.isEmpty()) {
            batch += line + "\r\n";
            ++lines;
        }
    }
    // A failure never answers 0, whatever errno was left with.
    const auto failed = [] { return errno != 0 ? errno : EIO; };
    int error = 0;
    errno = 0;
    if (!append) {
        error = ReplaceFileWhole(outputFileName_, batch, {}, TFileAccess::UsersDefault) ? 0 : failed();
    } else {
        QFile file(outputFileName_);
        error = file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)
                    ? WriteInPlace(file, file.size(), batch)
                    : failed();
    }
    if (error == 0)
        linesWritten_ = lines;
    return error;
}

// 0 create or overwrite, 1 append, 9 cancelled.
int TDirectorySearchWindow::chooseOutputFile()
{
    QString name = outputFileName_;
    bool ask = true;
    if (!name.isEmpty()) {
        const QFileInfo info(name);
        if (DirectoryExists(info.absolutePath())) {
            const int answer = ShowMessageBoxAt(this, name + QStringLiteral("  ") + QStringLiteral("\r\n")
                                                          + QStringLiteral("へ出力します  ") + QStringLiteral("\r\n\r\n")
                                                          + QStringLiteral("出力先を変更しますか？  "),
                                                AppTitle, MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2);
            if (answer == IDCANCEL)
                return 9;
            ask = answer == IDYES;
        } else {
            name = DataRootFolder + info.fileName();
        }
    }
    if (ask) {
        QFileDialog dialog(this);
        dialog.setObjectName(QStringLiteral("dlgSave"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        NameFileDialogBoxes(dialog);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        const QStringList filters{QStringLiteral("テキストファイル (*.txt)"), QStringLiteral("CSVファイル (*.csv)"),
                                  QStringLiteral("すべてのファイル (*.*)")};
        dialog.setNameFilters(filters);
        if (!name.isEmpty() && QFileInfo::exists(name)) {
            dialog.setDirectory(QFileInfo(name).absolutePath());
            dialog.selectFile(QFileInfo(name).fileName());
        } else {
            dialog.setDirectory(DataRootFolder);
            dialog.selectFile(QStringLiteral("検索結果"));
        }
        QPoint at = geometry().topLeft() + QPoint(15, 15);
        if (const QScreen *screen = this->screen()) {
            const QRect work = screen->availableGeometry();
            at.setX(std::clamp(at.x(), work.left(), std::max(work.left(), work.right() - dialog.width())));
            at.setY(std::clamp(at.y(), work.top(), std::max(work.top(), work.bottom() - dialog.height())));
        }
        dialog.move(at);
        if (ExecDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return 9;
        name = dialog.selectedFiles().constFirst().trimmed();
        if (QFileInfo(name).suffix().isEmpty())
            name += filters.indexOf(dialog.selectedNameFilter()) == 1 ? QStringLiteral(".csv") : QStringLiteral(".txt");
    }
    const QString folder = QFileInfo(name).absolutePath();
    if (!DirectoryExists(folder) && !ForceDirectories(folder, TFileAccess::UsersDefault)) {
        ShowMessageBoxAt(this, QStringLiteral("フォルダーが作成できませんでした  ") + WriteFailureAt(folder, errno), AppTitle,
                         MB_ICONERROR);
        return 9;
    }
    int result = 0;
    if (QFileInfo::exists(name)) {
        const int answer = ShowMessageBoxAt(
            this,
            QStringLiteral("既にあるファイルを指定しました  \r\n上書きするなら「はい」  \r\n追加するなら「いいえ」  \r\n"
                           "中止するなら「キャンセル」  \r\nを選択してください  "),
            AppTitle, MB_YESNOCANCEL | MB_ICONQUESTION);
        if (answer == IDCANCEL)
            return 9;
        result = answer == IDYES ? 0 : 1;
    }
    outputFileName_ = name;
    return result;
}

void TDirectorySearchWindow::sbtnExportItemSelectClick()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    TExportItemSelect dialog(this);
    ExportItemSelect = &dialog;
    CenterFormOnOwner(&dialog, this);
    dialog.SetItems(outputItems_, static_cast<int>(outputItems_.size()) - 1);
    QApplication::restoreOverrideCursor();
    if (ExecDialog(dialog) == QDialog::Accepted) {
        dialog.GetItems(outputItems_);
        saveOutputItems();
    }
    ExportItemSelect = nullptr;
}
