#include "core/DBInfo.h"

#include "base/Folders.h"
#include "core/Globals.h"
#include "db/Session.h"
#include "db/Table.h"
#include "db/TableSchemas.h"
#include "platform/MessageBox.h"

#include <functional>

namespace {

std::unique_ptr<TTable> makeTable(const QString &folder, const QString &file, const TTableSchema &schema,
                                  bool exclusive = false)
{
    auto table = std::make_unique<TTable>();
    table->DatabaseName = IncludeTrailingPathDelimiter(folder);
    table->TableName = file;
    table->Schema = schema;
    table->Exclusive = exclusive;
    return table;
}

// The engine's failure to make the file (a full disk, a folder that cannot be written) goes to the open that
// needed it, which reports it: it is why the table cannot be opened.
bool createFile(TTable *table)
{
    if (!table)
        return false;
    if (!FileExists(table->FileName()))
        table->CreateTable();
    return true;
}

void showOpenError(const QString &message, const EDatabaseError &e)
{
    ShowMessageBoxAt(nullptr, DatabaseErrorText(message, e), AppTitle, MB_ICONERROR, mbpSystem);
}

}  // namespace

TDMMirvale18::TDMMirvale18() { Session().AddPassword(TablePassword); }

TDMMirvale18::~TDMMirvale18()
{
    FreeSharedTableObjects();
    FreeSenderTableObject();
    FreeAdrsTableObject();
    SubAdrsTable.reset();
    SubSenderTable.reset();
    FreeDatabaseAndHistories();
    Session().RemovePassword(TablePassword);
}

void TDMMirvale18::forEachHistory(const std::function<void(std::unique_ptr<THistoryData> &)> &action)
{
    for (auto *h : {&DptmntHistory, &PostHistory, &HonorHistory, &KeywordHistory[0], &KeywordHistory[1],
                    &KeywordHistory[2]})
        action(*h);
}

void TDMMirvale18::CreateDatabaseAndHistories()
{
    try {
        DptmntHistory = std::make_unique<THistoryData>(HistoryFolder + QStringLiteral("Dptmnt.mtd"), 100, true);
        PostHistory = std::make_unique<THistoryData>(HistoryFolder + QStringLiteral("Post.mtd"), 50, true);
        HonorHistory = std::make_unique<THistoryData>(HistoryFolder + QStringLiteral("Honor.mtd"), 10, true);
        for (int i = 0; i < 3; ++i)
            KeywordHistory[i] = std::make_unique<THistoryData>(
                HistoryFolder + QStringLiteral("Keyword%1.mtd").arg(i + 1), 100, true);
    } catch (const EHistoryDataError &) {
        FreeDatabaseAndHistories();
    }
}

bool TDMMirvale18::OpenDatabaseAndHistories()
{
    bool complete = true;
    forEachHistory([&](std::unique_ptr<THistoryData> &h) {
        if (!h) {
            complete = false;
            return;
        }
        try {
            h->LoadFromFile();
        } catch (const EHistoryDataError &e) {
            // The list is left empty and the user's entries stay in the file untouched.
            ShowMessageBoxAt(nullptr, e.Message, AppTitle, MB_ICONWARNING, mbpSystem);
        }
    });
    if (!complete)
        CloseDatabaseAndHistories();
    return complete;
}

void TDMMirvale18::CloseDatabaseAndHistories()
{
    forEachHistory([](std::unique_ptr<THistoryData> &h) {
        if (h && h->IsLoaded())
            h->FreeItems();
    });
}

void TDMMirvale18::FreeDatabaseAndHistories()
{
    forEachHistory([](std::unique_ptr<THistoryData> &h) { h.reset(); });
}

void TDMMirvale18::CreateAdrsTableObject(const QString &folder)
{
    AdrsTable = makeTable(AdrsFolder + folder, QStringLiteral("Adrs.DB"), AdrsTableSchema());
}

void TDMMirvale18::CreateSenderTableObject()
{
    SenderTable = makeTable(OtherFolder, QStringLiteral("Sender.DB"), SenderTableSchema());
}

void TDMMirvale18::CreateSharedTableObjects()
{
    CategoryTable = makeTable(CategoryFolder, QStringLiteral("Category.DB"), CategoryTableSchema());
    TargetTable = makeTable(CategoryFolder, QStringLiteral("Target.DB"), TargetTableSchema());
    ExceptionTable = makeTable(CategoryFolder, QStringLiteral("Exception.DB"), TargetTableSchema());
    OriginalTable = makeTable(OtherFolder, QStringLiteral("Original.DB"), OriginalTableSchema());
    OxaCatmTable = makeTable(CategoryFolder, QStringLiteral("OxaCatm.DB"), OxaCatmTableSchema());
    OxaCatsTable = makeTable(CategoryFolder, QStringLiteral("OxaCats.DB"), OxaCatsTableSchema());
}

void TDMMirvale18::FreeAdrsTableObject() { AdrsTable.reset(); }
void TDMMirvale18::FreeSenderTableObject() { SenderTable.reset(); }

void TDMMirvale18::FreeSharedTableObjects()
{
    for (auto *t : {&CategoryTable, &TargetTable, &ExceptionTable, &OriginalTable, &OxaCatmTable, &OxaCatsTable})
        t->reset();
}

bool TDMMirvale18::openCounted(int &count, TTable *table, bool (TDMMirvale18::*create)(), const QString &message)
{
    ++count;
    if (!table)
        return false;
    // A table whose first open failed is tried again rather than reported open.
    if (table->Active())
        return true;
    try {
        (this->*create)();
        table->SetIndexName(QString());
        table->Open();
        return true;
    } catch (const EDatabaseError &e) {
        showOpenError(message, e);
        return false;
    }
}

void TDMMirvale18::closeCounted(int &count, TTable *table)
{
    if (count <= 0)
        return;
    if (--count == 0 && table && table->Active())
        table->Close();
}

bool TDMMirvale18::OpenAdrsTable()
{
    return openCounted(AdrsRefCount, AdrsTable.get(), &TDMMirvale18::CreateAdrsTableFile,
                       QStringLiteral("アドレス帳ファイルがオープンできませんでした  "));
}
bool TDMMirvale18::OpenSenderTable()
{
    return openCounted(SenderRefCount, SenderTable.get(), &TDMMirvale18::CreateSenderTableFile,
                       QStringLiteral("差出人ファイルがオープンできませんでした  "));
}
bool TDMMirvale18::OpenCategoryTable()
{
    return openCounted(CategoryRefCount, CategoryTable.get(), &TDMMirvale18::CreateCategoryTableFile,
                       QStringLiteral("カテゴリファイルがオープンできませんでした  "));
}
bool TDMMirvale18::OpenTargetTable()
{
    return openCounted(TargetRefCount, TargetTable.get(), &TDMMirvale18::CreateTargetTableFile,
                       QStringLiteral("対象ファイルがオープンできませんでした  "));
}
bool TDMMirvale18::OpenExceptionTable()
{
    return openCounted(ExceptionRefCount, ExceptionTable.get(), &TDMMirvale18::CreateExceptionTableFile,
                       QStringLiteral("除外ファイルがオープンできませんでした  "));
}
bool TDMMirvale18::OpenOriginalTable()
{
    return openCounted(OriginalRefCount, OriginalTable.get(), &TDMMirvale18::CreateOriginalTableFile,
                       QStringLiteral("オリジナルファイルがオープンできませんでした  "));
}
bool TDMMirvale18::OpenOxaCatmTable()
{
    return openCounted(OxaCatmRefCount, OxaCatmTable.get(), &TDMMirvale18::CreateOxaCatmTableFile,
                       QStringLiteral("Oxaカテゴリメインファイルがオープンできませんでした  "));
}
bool TDMMirvale18::OpenOxaCatsTable()
{
    return openCounted(OxaCatsRefCount, OxaCatsTable.get(), &TDMMirvale18::CreateOxaCatsTableFile,
                       QStringLiteral("Oxaカテゴリサブファイルがオープンできませんでした  "));
}

void TDMMirvale18::CloseAdrsTable() { closeCounted(AdrsRefCount, AdrsTable.get()); }
void TDMMirvale18::CloseSenderTable() { closeCounted(SenderRefCount, SenderTable.get()); }
void TDMMirvale18::CloseCategoryTable() { closeCounted(CategoryRefCount, CategoryTable.get()); }
void TDMMirvale18::CloseTargetTable() { closeCounted(TargetRefCount, TargetTable.get()); }
void TDMMirvale18::CloseExceptionTable() { closeCounted(ExceptionRefCount, ExceptionTable.get()); }
void TDMMirvale18::CloseOriginalTable() { closeCounted(OriginalRefCount, OriginalTable.get()); }
void TDMMirvale18::CloseOxaCatmTable() { closeCounted(OxaCatmRefCount, OxaCatmTable.get()); }
void TDMMirvale18::CloseOxaCatsTable() { closeCounted(OxaCatsRefCount, OxaCatsTable.get()); }

bool TDMMirvale18::CreateAdrsTableFile() { return createFile(AdrsTable.get()); }
bool TDMMirvale18::CreateSenderTableFile() { return createFile(SenderTable.get()); }
bool TDMMirvale18::CreateCategoryTableFile() { return createFile(CategoryTable.get()); }
bool TDMMirvale18::CreateTargetTableFile() { return createFile(TargetTable.get()); }
bool TDMMirvale18::CreateExceptionTableFile() { return createFile(ExceptionTable.get()); }
bool TDMMirvale18::CreateOriginalTableFile() { return createFile(OriginalTable.get()); }
bool TDMMirvale18::CreateOxaCatmTableFile() { return createFile(OxaCatmTable.get()); }
bool TDMMirvale18::CreateOxaCatsTableFile() { return createFile(OxaCatsTable.get()); }

bool TDMMirvale18::openSub(std::unique_ptr<TTable> &sub, const QString &message)
{
    try {
        sub->Open();
        return true;
    } catch (const EDatabaseError &e) {
        showOpenError(message, e);
        return false;
    }
}

bool TDMMirvale18::OpenSubAdrsTable(const QString &folder)
{
    SubAdrsTable = makeTable(AdrsFolder + folder, QStringLiteral("Adrs.DB"), AdrsTableSchema(), true);
    return openSub(SubAdrsTable, QStringLiteral("アドレス帳ファイルがオープンできませんでした（サブ）  "));
}

void TDMMirvale18::CloseSubAdrsTable() { SubAdrsTable.reset(); }

bool TDMMirvale18::OpenSubSenderTable()
{
    SubSenderTable = makeTable(OtherFolder, QStringLiteral("Sender.DB"), SenderTableSchema(), true);
    return openSub(SubSenderTable, QStringLiteral("差出人ファイルがオープンできませんでした（サブ）  "));
}

void TDMMirvale18::CloseSubSenderTable() { SubSenderTable.reset(); }

void TDMMirvale18::ForEachCategory(bool sub, const QString &filter, const std::function<void(TTable &)> &row)
{
    TTable *table = sub ? OxaCatsTable.get() : OxaCatmTable.get();
    if (table && (sub ? OpenOxaCatsTable() : OpenOxaCatmTable())) {
        try {
            table->SetFiltered(false);
            table->SetFilter(filter);
            table->SetFiltered(!filter.isEmpty());
            for (table->First(); !table->Eof(); table->Next())
                row(*table);
            table->SetFiltered(false);
            table->SetFilter(QString());
        } catch (const EDatabaseError &e) {
            ShowMessageBoxAt(nullptr, e.Message, AppTitle, MB_ICONERROR, mbpSystem);
        }
    }
    if (sub)
        CloseOxaCatsTable();
    else
        CloseOxaCatmTable();
}

QByteArray TDMMirvale18::CategoryName(bool sub, int32_t catNo)
{
    QByteArray name;
    bool found = false;
    ForEachCategory(sub, QStringLiteral("CatNo=%1").arg(catNo), [&](TTable &t) {
        if (!found)
            name = t.FieldByName(QStringLiteral("Name")).AsString();
        found = true;
    });
    return name;
}
