#include "core/AdrsList.h"

#include "core/AddressBookList.h"
#include "core/AddressRecord.h"
#include "core/AdrsSel.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "core/GrpEdt.h"
#include "core/SharedHelpers.h"
#include "core/Hyphen.h"
#include "core/TextUtils.h"
#include "db/Table.h"
#include "platform/CustomEvents.h"
#include "platform/MemIniFile.h"
#include "platform/MessageBox.h"
#include "platform/SjisCodec.h"

#include <QShowEvent>

namespace {

// A memo as lines, as a string list reads text: CR, LF or CR LF end a line; no line after the last break.
std::optional<QByteArrayList> memoLines(const QByteArray &memo)
{
    if (memo.isEmpty())
        return std::nullopt;
    QByteArrayList lines;
    QByteArray line;
    for (qsizetype i = 0; i < memo.size(); ++i) {
        const char c = memo[i];
        if (c == '\r' || c == '\n') {
            lines << line;
            line.clear();
            if (c == '\r' && i + 1 < memo.size() && memo[i + 1] == '\n')
                ++i;
        } else {
            line += c;
        }
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

}  // namespace

TAddressList::TAddressList() : QMainWindow(nullptr)
{
    setObjectName(QStringLiteral("AddressList"));
    setWindowTitle(AppTitle);
    resize(869, 461);
    setMinimumSize(520, 260);
}

TAddressList::~TAddressList()
{
    try {
        SaveAddressBookOrder();
    } catch (const EIniFileError &e) {
        ShowMessageBoxAt(nullptr, e.Message, AppTitle, MB_ICONERROR, mbpSystem);
    }
    if (DMMirvale18)
        DMMirvale18->CloseAdrsTable();
}

void TAddressList::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!shownOnce_) {
        shownOnce_ = true;
        PostMessage(this, WM_AFTERSHOW);
    }
}

bool TAddressList::event(QEvent *event)
{
    if (event->type() == static_cast<QEvent::Type>(WM_AFTERSHOW)) {
        StartUp();
        return true;
    }
    return QMainWindow::event(event);
}

void TAddressList::StartUp()
{
    QString notice;
    if (FirstRun)
        notice = QStringLiteral("使用するアドレス帳を指定するために  \r\nアドレス帳の作成画面に入ります  ");
    else if (DataPathReset)
        notice = QStringLiteral("データ保存フォルダーが切り替わりました  \r\n新しく開くアドレス帳を指定してください  ");
    else if (ChooseBookAtStart)
        notice = QStringLiteral("開くアドレス帳を指定してください  ");
    if (!notice.isEmpty())
        ShowMessageBoxAt(this, notice, AppTitle, MB_ICONINFORMATION);
    OpenAddressBook(DataPathReset || ChooseBookAtStart);
}

void TAddressList::SaveCurrentBookName()
{
    TMemIniFile ini(DataFolder + SettingsFileName);
    ini.WriteString(QStringLiteral("BASE"), QStringLiteral("AdrsName"), CurrentAdrsName);
    try {
        ini.UpdateFile();
    } catch (const EIniFileError &e) {
        ShowMessageBoxAt(this, e.Message, AppTitle, MB_ICONERROR);
    }
}

void TAddressList::OpenAddressBook(bool ask)
{
    auto indexOfCurrent = [] {
        for (size_t i = 0; i < AdrsBookList.size(); ++i)
            if (AdrsBookList[i].Name == CurrentAdrsName)
                return static_cast<int>(i);
        return -1;
    };
    // A name that matches no book must lead to the question, never to another book's folder.
    if (!ask && indexOfCurrent() < 0)
        ask = true;
    if (ask) {
        TAddressSelect dialog(this);
        dialog.BookName = CurrentAdrsName;
        dialog.SetMode(asmStartup);
        CenterFormOnOwner(&dialog, this);
        if (dialog.exec() != QDialog::Accepted) {
            setProperty("ModalResult", QDialog::Rejected);
            close();
            return;
        }
        CurrentAdrsName = dialog.BookName;
        SaveCurrentBookName();
    }
    CurrentAdrsIndex = indexOfCurrent();
    if (CurrentAdrsIndex < 0)
        return;
    setWindowTitle(AppTitle + QStringLiteral(" - ") + CurrentAdrsName);

    TDMMirvale18 &dm = *DMMirvale18;
    dm.CreateDatabaseAndHistories();
    if (!dm.OpenDatabaseAndHistories())
        return;
    dm.CreateAdrsTableObject(AdrsBookList[CurrentAdrsIndex].Folder);
    if (!dm.OpenAdrsTable())
        return;
    dm.CreateSenderTableObject();
    dm.CreateSharedTableObjects();
    LoadGroupNames();
}

bool TAddressList::ReadRecord(int32_t recNo, TAddressRecord *record)
{
    TTable &t = *DMMirvale18->AdrsTable;
    t.SetIndexName(QString());
    if (!t.FindKey({recNo})) {
        ShowMessageBoxAt(this, QStringLiteral("アドレス帳が読み出せませんでした  "), AppTitle, MB_ICONERROR);
        return false;
    }
    TAddressRecord &r = *record;
    r = TAddressRecord();
    auto text = [&](const char *field, qsizetype capacity) {
        return Sjis::cutToBytes(TrimBlanks(t.FieldByName(QLatin1String(field)).AsString()), capacity);
    };
    auto phone = [&](const char *field) {
        return Sjis::cutToBytes(HyphenatePhone(TrimBlanks(t.FieldByName(QLatin1String(field)).AsString())),
                                TAddressRecord::TelCapacity);
    };
    auto integer = [&](const char *field) { return t.FieldByName(QLatin1String(field)).AsInteger(); };
    auto flag = [&](const QString &field) { return t.FieldByName(field).AsBoolean(); };

    r.RecNo = integer("RecNo");
    r.Group = integer("Group");
    r.CustomCode = text("CustomCode", 20);
    r.Tel = phone("Tel");
    r.TelDiv = integer("TelDiv");
    r.Fax = phone("Fax");
    r.Portable1 = phone("Portable1");
    r.Portable2 = phone("Portable2");
    r.Pos = text("Pos", 7);
    r.Tdfkn = text("Tdfkn", 8);
    r.Adrs1 = text("Adrs1", 32);
    r.Adrs2 = text("Adrs2", 100);
    r.Adrs3 = text("Adrs3", 116);
    r.AdrsKana = text("AdrsKana", 100);
    r.JisCode = text("JisCode", 5);
    r.KajoCode = text("KajoCode", 6);
    r.Latitude = integer("Latitude");
    r.Longitude = integer("Longitude");
    r.PrivCorp = flag(QStringLiteral("PrivCorp"));
    r.CorpKanji = text("CorpKanji", TAddressRecord::CorpKanjiCapacity);
    r.CorpKana = text("CorpKana", 80);
    r.Dptmnt = text("Dptmnt", 100);
    r.Post = text("Post", 50);
    r.NameKanji = text("NameKanji", 75);
    r.NameKana = text("NameKana", 25);
    r.Honor = text("Honor", 10);
    r.IgnoreName = flag(QStringLiteral("IgnoreName"));
    r.URL = text("URL", 128);
    r.EMail1 = text("EMail1", 64);
    r.EMail2 = text("EMail2", 64);
    for (int n = 1; n <= 5; ++n) {
        r.Joint[n - 1] = text(qPrintable(QStringLiteral("Joint%1").arg(n)), 55);
        r.JointHonor[n - 1] = text(qPrintable(QStringLiteral("JointHonor%1").arg(n)), 10);
        r.JointPrints[n - 1] = flag(QStringLiteral("JointPrint%1").arg(n));
    }
    r.JointOwner = integer("JointOwner");
    r.JointPrint = flag(QStringLiteral("JointPrint"));
    r.PrintTarget = integer("PrintTarget");
    r.Sender = integer("Sender");
    for (int n = 1; n <= 8; ++n)
        r.Keyword[n - 1] = text(qPrintable(QStringLiteral("Keyword%1").arg(n)), 100);
    r.SymbolMark = t.FieldByName(QStringLiteral("SymbolMark")).AsString();
    r.SymbolColor = integer("SymbolColor");
    r.AddDateTime = t.FieldByName(QStringLiteral("AddDateTime")).AsDateTime();
    r.UpdDateTime = t.FieldByName(QStringLiteral("UpdDateTime")).AsDateTime();
    r.CodeMain = integer("CodeMain");
    r.CodeSub = integer("CodeSub");
    r.Note = memoLines(t.FieldByName(QStringLiteral("Note")).AsString());
    r.ExtFile = memoLines(t.FieldByName(QStringLiteral("ExtFile")).AsString());
    CurrentIndex = -1;
    return true;
}
