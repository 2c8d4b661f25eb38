#include "exchange/MExport.h"

#include "base/FileReplace.h"
#include "base/Folders.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "core/SharedHelpers.h"
#include "core/StagedFile.h"
#include "base/TextUtils.h"
#include "db/DatabaseError.h"
#include "db/Table.h"
#include "geo/MapLaunch.h"
#include "mainlist/AdrsList.h"
#include "platform/MemIniFile.h"
#include "platform/Forms.h"
#include "platform/MessageBox.h"
#include "base/SjisCodec.h"
#include "base/Trim.h"
#include "widgets/NamedControls.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <optional>

namespace {
const QString Section = QStringLiteral("MARK EXPORT");
}

TMarkExport::TMarkExport(TAddressList *owner) : QWidget(owner, Qt::Window), owner_(owner)
{
    setObjectName(QStringLiteral("MarkExport"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("マークファイルの出力"));
    setProperty("HelpContext", 10);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("緯度経度の保存されているデータを地図のマーク（GPX）として出力します"), this));
    gbxRange = new TListRangeBox(*owner, this);
    layout->addWidget(gbxRange);
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

    connect(gbxRange, &TListRangeBox::RangeChanged, this, [this] { updateCount(); });
    updateCount();
    adjustSize();
    CenterFormOnOwner(this, owner);
    connect(btnExport, &QPushButton::clicked, this, &TMarkExport::btnExportClick);
    connect(btnStop, &QPushButton::clicked, this, [this] { stopRequested_ = true; });
    connect(btnClose, &QPushButton::clicked, this, &QWidget::close);
}

TMarkExport::~TMarkExport()
{
    if (MarkExport == this)
        MarkExport = nullptr;
}

void TMarkExport::ListCountChanged() { gbxRange->ListCountChanged(); }

void TMarkExport::updateCount()
{
    const int count = gbxRange->RowCount();
    gbxRange->lblCount->setText(QStringLiteral("対象件数：%1件（緯度経度のあるデータのみ出力します）").arg(count));
    btnExport->setEnabled(!running_ && count > 0);
}

void TMarkExport::btnExportClick()
{
    const TMemIniFile ini(DataFolder + SettingsFileName);
    QFileDialog dialog(this, QStringLiteral("マークファイルの指定"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({QStringLiteral("マークファイル (*.gpx)"), QStringLiteral("すべてのファイル (*)")});
    dialog.setDefaultSuffix(QStringLiteral("gpx"));
    dialog.setDirectory(ini.ReadString(Section, QStringLiteral("Folder"), UserDocumentsFolder()));
    dialog.selectFile(DefaultFileName());
    const QString fileName = ChooseFile(dialog);
    if (fileName.isEmpty())
        return;
    TMemIniFile settings(DataFolder + SettingsFileName);
    settings.WriteString(Section, QStringLiteral("Folder"), QFileInfo(fileName).absolutePath());
    try {
        settings.UpdateFile();
    } catch (const EIniFileError &) {
        // Only the folder is not remembered.
    }
    ExportTo(fileName);
}

bool TMarkExport::ExportTo(const QString &fileName)
{
    if (!DMMirvale18 || !DMMirvale18->AdrsTable || !DMMirvale18->AdrsTable->Active())
        return false;
    // The marks go to a file beside the chosen one, which takes its place only when every mark is in.
    std::optional<TStagedFile> partial(std::in_place, fileName);
    const auto rows = gbxRange->Range().Rows(*owner_);
    TTable &t = *DMMirvale18->AdrsTable;
    running_ = true;
    stopRequested_ = false;
    btnExport->setEnabled(false);
    btnClose->setEnabled(false);
    btnStop->setEnabled(true);
    const TWindowWork work(this, [this] { stopRequested_ = true; });
    Written = 0;
    QString failure;
    const auto notWritten = [&fileName](int error) {
        return QStringLiteral("マークファイルが書き込めませんでした  \r\n") + fileName + WriteFailureReason(error);
    };
    QElapsedTimer sinceAsked;
    sinceAsked.start();
    if (!partial->Open())
        failure = notWritten(errno);
    try {
        t.SetIndexName(QString());
        for (size_t i = 0; i < rows.size() && failure.isEmpty() && !stopRequested_; ++i) {
            if (!t.FindKey({rows[i].second}))
                continue;
            const int32_t latitude = t.FieldByName(QStringLiteral("Latitude")).AsInteger();
            const int32_t longitude = t.FieldByName(QStringLiteral("Longitude")).AsInteger();
            if (latitude <= 0 || longitude <= 0)
                continue;
            // The mark is named after the company, or the person when there is none.
            QByteArray name = TrimBlanks(t.FieldByName(QStringLiteral("CorpKanji")).AsString());
            if (name.isEmpty())
                name = Sjis::encode(TrimBlanks(EscapedAnsiToWide(t.FieldByName(QStringLiteral("NameKanji")).AsString())));
            if (!SaveMarkRecord(partial->FileName(), latitude, longitude, name))
                failure = notWritten(errno);
            else
                ++Written;
            if (sinceAsked.elapsed() >= 50) {
                sinceAsked.restart();
                pgbarExport->setValue(static_cast<int>(int64_t(i) * 1000 / int64_t(rows.size())));
                QCoreApplication::processEvents();
            }
        }
    } catch (const EDatabaseError &e) {
        failure = e.Message;
    }
    // The finished file takes the chosen name in one step, so the name holds the old marks or all the new ones.
    if (failure.isEmpty() && !stopRequested_ && Written > 0 && !partial->Commit())
        failure = notWritten(errno);
    // An unfinished file goes before the window says anything.
    partial.reset();
    running_ = false;
    btnStop->setEnabled(false);
    btnClose->setEnabled(true);
    pgbarExport->setValue(0);
    updateCount();
    if (!failure.isEmpty()) {
        ShowMessageBoxAt(this, failure, AppTitle, MB_ICONERROR);
        return false;
    }
    // The window goes: the marks were written whole or not at all, and the user asked for no more.
    if (work.CloseAsked())
        return !stopRequested_ && Written > 0;
    if (stopRequested_) {
        ShowMessageBoxAt(this, QStringLiteral("出力を中止しました  "), AppTitle, MB_ICONINFORMATION);
        return false;
    }
    if (Written == 0) {
        ShowMessageBoxAt(this, QStringLiteral("緯度経度の保存されているデータがありません  "), AppTitle, MB_ICONINFORMATION);
        return false;
    }
    ShowMessageBoxAt(this, QStringLiteral("%1件のマークを出力しました  ").arg(Written), AppTitle, MB_ICONINFORMATION);
    return true;
}

// Esc is 閉じる: while an export runs 閉じる is disabled, and Esc leaves the window and its export alone.
void TMarkExport::keyPressEvent(QKeyEvent *event)
{
    if (!EscPresses(event, btnClose))
        QWidget::keyPressEvent(event);
}

void TMarkExport::closeEvent(QCloseEvent *event)
{
    // A close asked while exporting stops the export and waits for it (ExportTo).
    if (MarkExport == this)
        MarkExport = nullptr;
    QWidget::closeEvent(event);
}

void ShowMarkExportWindow(TAddressList *owner)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (!MarkExport)
        MarkExport = new TMarkExport(owner);
    ShowOrRestore(MarkExport->Window());
    QApplication::restoreOverrideCursor();
}
