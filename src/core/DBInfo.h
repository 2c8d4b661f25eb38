// TDMMirvale18: the one owner of the tables and the input histories. Windows open and close each table
// through it by reference count, so a table stays open while any of them uses it.
#pragma once

#include "core/HistoryData.h"

#include <QString>

#include <array>
#include <functional>
#include <memory>

class TTable;

class TDMMirvale18 {
public:
    TDMMirvale18();
    ~TDMMirvale18();
    TDMMirvale18(const TDMMirvale18 &) = delete;
    TDMMirvale18 &operator=(const TDMMirvale18 &) = delete;

    int AdrsRefCount = 0, SenderRefCount = 0, CategoryRefCount = 0, TargetRefCount = 0, ExceptionRefCount = 0,
        OriginalRefCount = 0, OxaCatmRefCount = 0, OxaCatsRefCount = 0;

    std::unique_ptr<THistoryData> DptmntHistory, PostHistory, HonorHistory;
    std::array<std::unique_ptr<THistoryData>, 3> KeywordHistory;

    std::unique_ptr<TTable> AdrsTable, SenderTable, CategoryTable, TargetTable, ExceptionTable, OriginalTable,
        OxaCatmTable, OxaCatsTable;
    std::unique_ptr<TTable> SubAdrsTable, SubSenderTable;

    void CreateDatabaseAndHistories();
    // Loads the six histories. A history that cannot be read is reported and left empty (and is never saved
    // over), so the book still opens; false only when the histories do not exist.
    bool OpenDatabaseAndHistories();
    void CloseDatabaseAndHistories();
    void FreeDatabaseAndHistories();

    void CreateAdrsTableObject(const QString &folder);
    void CreateSenderTableObject();
    void CreateSharedTableObjects();
    void FreeAdrsTableObject();
    void FreeSenderTableObject();
    void FreeSharedTableObjects();

    bool OpenAdrsTable();
    bool OpenSenderTable();
    bool OpenCategoryTable();
    bool OpenTargetTable();
    bool OpenExceptionTable();
    bool OpenOriginalTable();
    bool OpenOxaCatmTable();
    bool OpenOxaCatsTable();
    void CloseAdrsTable();
    void CloseSenderTable();
    void CloseCategoryTable();
    void CloseTargetTable();
    void CloseExceptionTable();
    void CloseOriginalTable();
    void CloseOxaCatmTable();
    void CloseOxaCatsTable();

    // Each makes its table's file when it has none; false when the table object is missing. The engine's
    // failure to make it is thrown (EDatabaseError), for the open that needed the file to report.
    bool CreateAdrsTableFile();
    bool CreateSenderTableFile();
    bool CreateCategoryTableFile();
    bool CreateTargetTableFile();
    bool CreateExceptionTableFile();
    bool CreateOriginalTableFile();
    bool CreateOxaCatmTableFile();
    bool CreateOxaCatsTableFile();

    // Walks the rows of the main (sub false) or sub category table that meet filter ("CatNo=5"; every row when
    // empty), the table opened for the walk and closed again; a table that cannot be read is reported.
    void ForEachCategory(bool sub, const QString &filter, const std::function<void(TTable &)> &row);
    // The name of the category numbered catNo (main: its number; sub: main * 100 + sub), empty when none.
    QByteArray CategoryName(bool sub, int32_t catNo);

    bool OpenSubAdrsTable(const QString &folder);
    void CloseSubAdrsTable();
    bool OpenSubSenderTable();
    void CloseSubSenderTable();

private:
    bool openCounted(int &count, TTable *table, bool (TDMMirvale18::*createFile)(), const QString &message);
    static void closeCounted(int &count, TTable *table);
    static bool openSub(std::unique_ptr<TTable> &sub, const QString &message);
    void forEachHistory(const std::function<void(std::unique_ptr<THistoryData> &)> &action);
};

inline TDMMirvale18 *DMMirvale18 = nullptr;
