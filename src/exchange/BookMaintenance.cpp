#include "exchange/BookMaintenance.h"

#include "base/FileReplace.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "core/SharedHelpers.h"
#include "db/Table.h"
#include "db/TableSchemas.h"
#include "exchange/TableMaintenance.h"
#include "platform/MessageBox.h"
#include "widgets/NamedControls.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <sqlite3.h>

TBookMaintenance::TBookMaintenance(QWidget *owner, const char *name, const QString &caption, const QString &info,
                                   const QString &safetyKind)
    : QDialog(owner), safetyKind_(safetyKind)
{
    setObjectName(QLatin1String(name));
    setWindowTitle(caption);
    auto *lblInfo = Named<QLabel>("lblInfo", info, this);
    auto *lblBook = Named<QLabel>("lblBook", QStringLiteral("アドレス帳：") + CurrentAdrsName, this);
    lblProgress = Named<QLabel>("lblProgress", QString(), this);
    btnOK = Named<QPushButton>("btnOK", QStringLiteral("実行"), this);
    btnCancel = Named<QPushButton>("btnCancel", QStringLiteral("キャンセル"), this);
    btnOK->setDefault(true);
    QHBoxLayout *buttons = MakeButtonRow({btnOK, btnCancel});
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblInfo);
    layout->addWidget(lblBook);
    layout->addWidget(lblProgress);
    layout->addLayout(buttons);
    setMinimumWidth(400);
    connect(btnOK, &QPushButton::clicked, this, [this] {
        if (Execute())
            accept();
    });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool TBookMaintenance::Execute()
{
    if (!DMMirvale18 || !DMMirvale18->AdrsTable || CurrentAdrsIndex < 0)
        return false;
    TTable &table = *DMMirvale18->AdrsTable;
    const QString folder = table.DatabaseName;
    const QString file = folder + AdrsTableFiles.first();
    // A book the user cannot write (made read-only, or in a folder that is) is refused as a record stored in it
    // is, before anything: the rewrite would put a new file in place of the one the user keeps from changes.
    for (const QString &place : {file, folder}) {
        const int blocked = WriteAccessError(place);
        if (IsNotWritable(blocked)) {
            const EDatabaseError refused(place + QStringLiteral(": cannot be written"), SQLITE_READONLY, blocked, folder);
            ShowMessageBoxAt(this, DatabaseErrorText(QStringLiteral("処理できませんでした  "), refused), AppTitle,
                             MB_ICONERROR);
            return false;
        }
    }
    btnOK->setEnabled(false);
    btnCancel->setEnabled(false);
    lblProgress->setText(QStringLiteral("処理中です。しばらくお待ちください..."));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QApplication::processEvents();
    QString error;
    bool done = MakeSafetyCopy(safetyKind_,
                               {{AdrsBookList.at(static_cast<size_t>(CurrentAdrsIndex)).Folder, folder, AdrsTableFiles}},
                               &error);
    if (done) {
        const bool wasOpen = table.Active();
        table.Close();
        done = Work(file, &error);
        if (wasOpen) {
            try {
                table.Open();
            } catch (const EDatabaseError &e) {
                error += QStringLiteral("\r\n") + e.Message;
            }
        }
    }
    QApplication::restoreOverrideCursor();
    lblProgress->clear();
    btnOK->setEnabled(true);
    btnCancel->setEnabled(true);
    if (!done) {
        ShowMessageBoxAt(this, QStringLiteral("処理できませんでした  \r\n") + error, AppTitle, MB_ICONERROR);
        return false;
    }
    ShowMessageBoxAt(this, DoneMessage(), AppTitle, MB_ICONINFORMATION);
    return true;
}
