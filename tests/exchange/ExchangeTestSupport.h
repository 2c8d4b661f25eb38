// A book in a temporary folder filled with varied records, shared by the import, export and dialog tests.
#pragma once

#include "core/AddressRecord.h"
#include "core/Globals.h"
#include "core/HistoryData.h"
#include "base/TextUtils.h"
#include "db/Table.h"
#include "db/TableSchemas.h"
#include "base/SjisCodec.h"

#include <QApplication>
#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QTimer>

#include <memory>

namespace test {

inline std::unique_ptr<TTable> OpenBookTable(const QString &folder)
{
    auto t = std::make_unique<TTable>();
    t->DatabaseName = folder;
    t->TableName = "Adrs.DB";
    t->Schema = AdrsTableSchema();
    if (!QFileInfo::exists(t->FileName()))
        t->CreateTable();
    t->Open();
    return t;
}

// Record n of a sample book: every item the list shows has a value, some with commas, quotes and line breaks.
inline TAddressRecord SampleRecord(int n, bool beyondShiftJis)
{
    TAddressRecord r;
    r.Group = n % 11;
    r.CustomCode = "C" + QByteArray::number(n);
    r.Tel = "03" + QByteArray::number(10000000 + n);
    r.TelDiv = n % 3 == 0 ? 3 : 0;
    r.Fax = n % 2 ? "0612345678" : "";
    r.Portable1 = "090" + QByteArray::number(10000000 + n);
    r.Pos = n % 5 ? "1000001" : "060";
    r.Tdfkn = Sjis::encode(PrefectureNamesW[n % 47].toString());
    r.Adrs2 = Sjis::encode(QStringLiteral("本町%1丁目%2番").arg(n % 9 + 1).arg(n % 30 + 1));
    r.Adrs3 = n % 4 ? Sjis::encode(QStringLiteral("第%1ビル, 3F").arg(n)) : QByteArray();
    r.AdrsKana = Sjis::encode(QStringLiteral("ﾎﾝﾁｮｳ"));
    r.PrivCorp = n % 2;
    r.CorpKanji = Sjis::encode(QStringLiteral("株式会社\"山田\"商事 %1").arg(n));
    r.CorpKana = Sjis::encode(QStringLiteral("ﾔﾏﾀﾞｼｮｳｼﾞ"));
    r.Dptmnt = Sjis::encode(QStringLiteral("営業部"));
    r.Post = Sjis::encode(QStringLiteral("課長"));
    r.NameKanji = WideToEscapedAnsi(beyondShiftJis && n % 7 == 0 ? QStringLiteral("𠮷田 太郎") : QStringLiteral("山田 太郎"));
    r.NameKana = Sjis::encode(QStringLiteral("ﾔﾏﾀﾞ ﾀﾛｳ"));
    r.URL = "https://example.jp/" + QByteArray::number(n);
    r.EMail1 = "user" + QByteArray::number(n) + "@example.jp";
    r.Joint[0] = WideToEscapedAnsi(QStringLiteral("花子"));
    r.Keyword[0] = Sjis::encode(QStringLiteral("取引先"));
    r.Keyword[7] = Sjis::encode(QStringLiteral("キー%1").arg(n));
    if (n % 3 == 1)
        r.Note = QByteArrayList{Sjis::encode(QStringLiteral("一行目, カンマ")), "\"quoted\" line"};
    r.SymbolMark = Sjis::encode(QStringLiteral("●"));
    r.SymbolColor = 0x0000FF;
    r.AddDateTime = DateTimeToDouble(QDateTime(QDate(2024, 1, 1 + n % 28), QTime(9, n % 60, n % 60)));
    r.UpdDateTime = DateTimeToDouble(QDateTime(QDate(2025, 2, 1 + n % 28), QTime(10, n % 60, 0)));
    return r;
}

inline void AddSampleRecords(TTable &t, int count, bool beyondShiftJis)
{
    t.StartTransaction();
    for (int n = 0; n < count; ++n) {
        t.Append();
        SetAddressRecordFields(t, SampleRecord(n, beyondShiftJis));
        t.Post();
    }
    t.Commit();
}

inline void SetSampleGroupNames()
{
    for (int g = 1; g <= 10; ++g)
        GroupNames[g] = QStringLiteral("グループ%1").arg(g);
}

// Counts the file dialogs that open while it lives and closes each at once, as a user's Esc would.
class FileDialogCount : public QObject {
public:
    FileDialogCount() { qApp->installEventFilter(this); }
    ~FileDialogCount() override { qApp->removeEventFilter(this); }
    int shown = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (auto *files = qobject_cast<QFileDialog *>(watched); files && event->type() == QEvent::Show) {
            ++shown;
            QTimer::singleShot(0, files, &QDialog::reject);
        }
        return false;
    }
};

}  // namespace test
