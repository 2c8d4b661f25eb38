// Maintenance of a table file: the safety copy made before any change, the rewrite that compacts it and the
// repair that rebuilds its indexes. A rewritten file replaces the old one only once it is complete and checked.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

struct TTableSchema;
class TSqliteDatabase;
class QByteArray;

// The safety copies in the data root, one folder per kind of change. Each is made aside, under ".<name>.making"
// beside it, and renamed into its place once whole; the copy it replaces waits under ".<name>.replaced" for that
// moment and then goes. So a kill or a full disk leaves the previous copy or the new one, never a part of either.
inline const QString SafetyImport = QStringLiteral("backup.imp");
inline const QString SafetyOptimize = QStringLiteral("backup.opt");
inline const QString SafetyKykbn = QStringLiteral("backup.kyk");
inline const QString SafetyAdrsPos = QStringLiteral("backup.cap");
inline const QString SafetyRepair = QStringLiteral("backup.rep");
inline const QStringList SafetyFolders{SafetyImport, SafetyOptimize, SafetyKykbn, SafetyAdrsPos, SafetyRepair};

// The files of folder named in files (those that exist) copied into target, which they replace whole. False
// when they cannot be: target stays as it was, *writeError is the errno of the write to target that failed (0
// when none did) and *failed names the file (empty when the folder itself could not be made or put in place).
bool CopySafetyFiles(const QString &folder, const QStringList &files, const QString &target, int *writeError,
                     QString *failed);

// One folder of a safety copy: the files of Folder named in Files, kept below Part (the book's folder name, or
// "Other") of the kind's folder.
struct TSafetyPart {
    QString Part;
    QString Folder;
    QStringList Files;
};

// Copies the parts to the data root's safety folder kind in one replacement of that folder: their previous
// copies go, the other parts it holds (other books') stay. False with *error set (a full disk said in words)
// when one cannot be made, and then the folder stays as it was.
bool MakeSafetyCopy(const QString &kind, const std::vector<TSafetyPart> &parts, QString *error);

// Attaches a table file (made empty when missing) to db under alias, keyed and paged as every table file.
void AttachTableFile(TSqliteDatabase &db, const QString &file, const QByteArray &alias);

// "ok" or what SQLite's integrity check found.
QString CheckTableFile(const QString &file);

// Compacts the file through VACUUM INTO a new file and checks the new file before it replaces the old one.
bool OptimizeTableFile(const QString &file, QString *error);

// Checks the file; when anything is wrong, rebuilds it from its rows with the indexes of schema made afresh and
// sets *repaired. The rows of the table are kept as they are.
bool RepairTableFile(const QString &file, const TTableSchema &schema, bool *repaired, QString *error);

// Removes what work killed in an earlier run left behind: the unfinished rewrites and repairs of the books'
// table files, the hidden files of unfinished print output, and the safety copies being made or replaced (a
// safety folder a kill left missing between the two renames takes its new copy, which was whole by then). Run
// at start, before anything is opened.
void RemoveLeftoversOfKilledWork();
