#include "exchange/FieldConversion.h"

#include "core/DBInfo.h"
#include "core/Globals.h"
#include "core/SharedHelpers.h"
#include "db/Sqlite.h"
#include "db/Table.h"
#include "db/TableSchemas.h"
#include "exchange/TableMaintenance.h"
#include "platform/MessageBox.h"
#include "base/SjisCodec.h"
#include "widgets/NamedControls.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

bool ApplyFieldChanges(const QString &adrsFile, const QString &senderFile, const std::vector<TFieldChange> &changes,
                       QString *error)
{
    try {
        TSqliteDatabase db;
        db.Open(adrsFile, TablePassword, false);
        if (std::any_of(changes.begin(), changes.end(), [](const TFieldChange &c) { return c.Sender; }))
            AttachTableFile(db, senderFile, "snd");
        db.Exec("BEGIN IMMEDIATE");
        try {
            for (const TFieldChange &c : changes) {
                const QByteArray field = "\"" + c.Field.toLatin1() + "\"";
                TSqliteStatement update(db, "UPDATE " + QByteArray(c.Sender ? "snd.Sender" : "main.Adrs") + " SET " + field
                                                + " = ? WHERE RecNo = ? AND " + field + " = ?");
                update.BindText(1, c.New);
                update.BindInt(2, c.RecNo);
                update.BindText(3, c.Old);
                update.Step();
            }
            db.Exec("COMMIT");
        } catch (...) {
            db.Exec("ROLLBACK");
            throw;
        }
    } catch (const EDatabaseError &e) {
        *error = DatabaseErrorDetail(e);
        return false;
    }
    return true;
}

TFieldConversion::TFieldConversion(QWidget *owner, const char *name, const QString &caption, const QString &safetyKind)
    : QDialog(owner), safetyKind_(safetyKind)
{
    setObjectName(QLatin1String(name));
    setWindowTitle(caption);
    lblInfo = Named<QLabel>("lblInfo", this);
    lvChanges = Named<QTreeWidget>("lvChanges", this);
    lvChanges->setAccessibleName(QStringLiteral("変換するデータ"));
    lvChanges->setHeaderLabels({QStringLiteral("名前"), QStringLiteral("項目"), QStringLiteral("変換前"),
                                QStringLiteral("変換後"), QStringLiteral("データ")});
    lvChanges->setRootIsDecorated(false);
    lvChanges->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int column = 1; column < 5; ++column)
        lvChanges->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    btnOK = Named<QPushButton>("btnOK", QStringLiteral("変換"), this);
    btnCancel = Named<QPushButton>("btnCancel", QStringLiteral("キャンセル"), this);
    QHBoxLayout *buttons = MakeButtonRow({btnOK, btnCancel});
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblInfo);
    layout->addWidget(lvChanges, 1);
    layout->addLayout(buttons);
    setMinimumSize(600, 380);
    connect(btnOK, &QPushButton::clicked, this, [this] {
        if (Execute())
            accept();
    });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TFieldConversion::ShowChanges(std::vector<TFieldChange> changes)
{
    changes_ = std::move(changes);
    lvChanges->clear();
    for (const TFieldChange &c : changes_) {
        auto *item = new QTreeWidgetItem(lvChanges, {c.Name, FieldCaption(c.Field), Sjis::decode(c.Old),
                                                     Sjis::decode(c.New),
                                                     c.Sender ? QStringLiteral("差出人") : QStringLiteral("アドレス帳")});
        item->setCheckState(0, Qt::Checked);
    }
    lblInfo->setText(changes_.empty() ? QStringLiteral("変換が必要なデータはありません。")
                                      : QStringLiteral("次の %1 件を変換します。変換しないものはチェックを外してください。")
                                            .arg(changes_.size()));
    btnOK->setEnabled(!changes_.empty());
}

bool TFieldConversion::Execute()
{
    std::vector<TFieldChange> chosen;
    for (size_t i = 0; i < changes_.size(); ++i)
        if (lvChanges->topLevelItem(static_cast<int>(i))->checkState(0) == Qt::Checked)
            chosen.push_back(changes_[i]);
    if (chosen.empty() || !DMMirvale18 || !DMMirvale18->AdrsTable || CurrentAdrsIndex < 0)
        return false;
    TTable &book = *DMMirvale18->AdrsTable;
    const QString senderFile = OtherFolder + SenderTableFiles.first();
    QString error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    bool done = MakeSafetyCopy(safetyKind_,
                               {{AdrsBookList.at(static_cast<size_t>(CurrentAdrsIndex)).Folder, book.DatabaseName,
                                 AdrsTableFiles},
                                {QStringLiteral("Other"), OtherFolder, SenderTableFiles}},
                               &error);
    if (done) {
        // The data module's tables are closed while the files change under them.
        std::vector<TTable *> open;
        for (TTable *t : {DMMirvale18->AdrsTable.get(), DMMirvale18->SenderTable.get()})
            if (t && t->Active())
                open.push_back(t);
        for (TTable *t : open)
            t->Close();
        done = ApplyFieldChanges(book.FileName(), senderFile, chosen, &error);
        for (TTable *t : open) {
            try {
                t->Open();
            } catch (const EDatabaseError &e) {
                error += QStringLiteral("\r\n") + e.Message;
            }
        }
    }
    QApplication::restoreOverrideCursor();
    if (!done) {
        ShowMessageBoxAt(this, QStringLiteral("変換できませんでした  \r\nデータは変換前のままです  \r\n\r\n") + error, AppTitle,
                         MB_ICONERROR);
        return false;
    }
    ShowMessageBoxAt(this, QStringLiteral("%1 件を変換しました  ").arg(chosen.size()), AppTitle, MB_ICONINFORMATION);
    return true;
}
