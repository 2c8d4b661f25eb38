#include "exchange/CnvKykbn.h"

#include "core/DBInfo.h"
#include "core/Globals.h"
#include "db/Sqlite.h"
#include "db/Table.h"
#include "db/TableSchemas.h"
#include "exchange/TableMaintenance.h"
#include "platform/MessageBox.h"
#include "platform/SjisCodec.h"
#include "widgets/NamedControls.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const char *const NumberFields[] = {"Tel", "Fax", "Portable1", "Portable2"};
const char *const SenderNumberFields[] = {"Tel", "Fax"};

QString fieldCaption(const QString &field)
{
    if (field == QLatin1String("Tel"))
        return QStringLiteral("電話番号");
    if (field == QLatin1String("Fax"))
        return QStringLiteral("FAX番号");
    return QStringLiteral("携帯番号");
}

void scan(TSqliteDatabase &db, const QByteArray &select, bool sender, const char *const *fields, int fieldCount,
          const std::vector<TKykbnRule> &rules, std::vector<TNumberChange> *changes)
{
    TSqliteStatement rows(db, select);
    while (rows.Step()) {
        for (int i = 0; i < fieldCount; ++i) {
            const QByteArray old = rows.ColumnText(2 + i);
            const QByteArray renewed = ConvertKykbn(rules, old);
            if (!renewed.isEmpty())
                changes->push_back({sender, rows.ColumnInt(0), Sjis::decode(rows.ColumnText(1)),
                                    QLatin1String(fields[i]), old, renewed});
        }
    }
}

// The book's and senders' tables of the data module, closed while the files change under them.
std::vector<TTable *> openNumberTables()
{
    std::vector<TTable *> open;
    if (DMMirvale18)
        for (TTable *t : {DMMirvale18->AdrsTable.get(), DMMirvale18->SenderTable.get()})
            if (t && t->Active())
                open.push_back(t);
    return open;
}

}  // namespace

std::vector<TKykbnRule> LoadKykbnRules(const QString &file)
{
    std::vector<TKykbnRule> rules;
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return rules;
    for (const QByteArray &line : in.readAll().split('\n')) {
        if (line.trimmed().isEmpty() || line.startsWith('#'))
            continue;
        const QList<QByteArray> f = line.trimmed().split('\t');
        TKykbnRule r{QDate::fromString(QString::fromLatin1(f.value(0)), Qt::ISODate), f.value(1), f.value(2).toInt(),
                     f.value(3), QString::fromUtf8(f.value(4))};
        if (f.size() >= 4 && r.Date.isValid() && !r.OldPrefix.isEmpty() && r.OldLength > r.OldPrefix.size())
            rules.push_back(r);
    }
    return rules;
}

QByteArray ConvertKykbn(const std::vector<TKykbnRule> &rules, const QByteArray &number)
{
    QByteArray digits;
    for (char c : number)
        if (c >= '0' && c <= '9')
            digits += c;
        else if (c != '-' && c != ' ')
            return {};
    for (const TKykbnRule &r : rules)
        if (digits.size() == r.OldLength && digits.startsWith(r.OldPrefix))
            return r.NewPrefix + digits.mid(r.OldPrefix.size());
    return {};
}

std::vector<TNumberChange> FindKykbnChanges(const QString &adrsFile, const QString &senderFile,
                                            const std::vector<TKykbnRule> &rules)
{
    std::vector<TNumberChange> changes;
    TSqliteDatabase db;
    db.Open(adrsFile, TablePassword, false);
    scan(db, "SELECT RecNo, CASE WHEN NameKanji <> '' THEN NameKanji ELSE CorpKanji END, Tel, Fax, Portable1, "
             "Portable2 FROM Adrs ORDER BY RecNo",
         false, NumberFields, 4, rules, &changes);
    if (QFileInfo::exists(senderFile)) {
        TSqliteDatabase senders;
        senders.Open(senderFile, TablePassword, false);
        scan(senders, "SELECT RecNo, Name, Tel, Fax FROM Sender ORDER BY RecNo", true, SenderNumberFields, 2, rules,
             &changes);
    }
    return changes;
}

bool ApplyNumberChanges(const QString &adrsFile, const QString &senderFile, const std::vector<TNumberChange> &changes,
                        QString *error)
{
    try {
        TSqliteDatabase db;
        db.Open(adrsFile, TablePassword, false);
        const bool senders = std::any_of(changes.begin(), changes.end(), [](const TNumberChange &c) { return c.Sender; });
        if (senders)
            AttachTableFile(db, senderFile, "snd");
        db.Exec("BEGIN IMMEDIATE");
        try {
            for (const TNumberChange &c : changes) {
                // Only a number still as it was listed is changed: the user confirmed that one.
                TSqliteStatement update(db, "UPDATE " + QByteArray(c.Sender ? "snd.Sender" : "main.Adrs") + " SET \""
                                                + c.Field.toLatin1() + "\" = ? WHERE RecNo = ? AND \""
                                                + c.Field.toLatin1() + "\" = ?");
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
        *error = e.Message;
        return false;
    }
    return true;
}

TConvertKykbn::TConvertKykbn(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("ConvertKykbn"));
    setWindowTitle(QStringLiteral("局番変換"));
    lblInfo = Named<QLabel>("lblInfo", this);
    lvChanges = Named<QTreeWidget>("lvChanges", this);
    lvChanges->setHeaderLabels({QStringLiteral("名前"), QStringLiteral("項目"), QStringLiteral("変換前"),
                                QStringLiteral("変換後"), QStringLiteral("データ")});
    lvChanges->setRootIsDecorated(false);
    lvChanges->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    btnOK = Named<QPushButton>("btnOK", QStringLiteral("変換"), this);
    btnCancel = Named<QPushButton>("btnCancel", QStringLiteral("キャンセル"), this);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblInfo);
    layout->addWidget(lvChanges, 1);
    layout->addLayout(buttons);
    for (int column = 1; column < 5; ++column)
        lvChanges->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    setMinimumSize(600, 380);
    connect(btnOK, &QPushButton::clicked, this, [this] {
        if (Execute())
            accept();
    });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    if (DMMirvale18 && DMMirvale18->AdrsTable) {
        try {
            changes_ = FindKykbnChanges(DMMirvale18->AdrsTable->FileName(), OtherFolder + SenderTableFiles.first(),
                                        LoadKykbnRules(AppFolder + QStringLiteral("Dic/Kykbn.tsv")));
        } catch (const EDatabaseError &e) {
            ShowMessageBoxAt(this, e.Message, AppTitle, MB_ICONERROR);
        }
    }
    for (const TNumberChange &c : changes_) {
        auto *item = new QTreeWidgetItem(lvChanges, {c.Name, fieldCaption(c.Field), QString::fromLatin1(c.Old),
                                                     QString::fromLatin1(c.New),
                                                     c.Sender ? QStringLiteral("差出人") : QStringLiteral("アドレス帳")});
        item->setCheckState(0, Qt::Checked);
    }
    lblInfo->setText(changes_.empty() ? QStringLiteral("変換が必要な電話番号はありません。")
                                      : QStringLiteral("次の %1 件の番号を変換します。変換しないものはチェックを外してください。")
                                            .arg(changes_.size()));
    btnOK->setEnabled(!changes_.empty());
}

bool TConvertKykbn::Execute()
{
    std::vector<TNumberChange> chosen;
    for (size_t i = 0; i < changes_.size(); ++i)
        if (lvChanges->topLevelItem(static_cast<int>(i))->checkState(0) == Qt::Checked)
            chosen.push_back(changes_[i]);
    if (chosen.empty() || !DMMirvale18 || !DMMirvale18->AdrsTable || CurrentAdrsIndex < 0)
        return false;
    const QString adrsFile = DMMirvale18->AdrsTable->FileName();
    const QString senderFile = OtherFolder + SenderTableFiles.first();
    QString error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    bool done = MakeSafetyCopy(SafetyKykbn, AdrsBookList.at(static_cast<size_t>(CurrentAdrsIndex)).Folder,
                               DMMirvale18->AdrsTable->DatabaseName, AdrsTableFiles, &error)
                && MakeSafetyCopy(SafetyKykbn, QStringLiteral("Other"), OtherFolder, SenderTableFiles, &error);
    if (done) {
        const std::vector<TTable *> open = openNumberTables();
        for (TTable *t : open)
            t->Close();
        done = ApplyNumberChanges(adrsFile, senderFile, chosen, &error);
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
        ShowMessageBoxAt(this, QStringLiteral("局番を変換できませんでした  \r\n") + error, AppTitle, MB_ICONERROR);
        return false;
    }
    ShowMessageBoxAt(this, QStringLiteral("%1 件の番号を変換しました  ").arg(chosen.size()), AppTitle, MB_ICONINFORMATION);
    return true;
}
