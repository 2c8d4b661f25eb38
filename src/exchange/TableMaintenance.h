// Maintenance of a table file: the safety copy made before any change, the rewrite that compacts it and the
// repair that rebuilds its indexes. A rewritten file replaces the old one only once it is complete and checked.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

struct TTableSchema;
class TSqliteDatabase;
class QByteArray;

// The safety copies in the data root, one folder per kind of change.
inline const QString SafetyOptimize = QStringLiteral("backup.opt");
inline const QString SafetyKykbn = QStringLiteral("backup.kyk");
inline const QString SafetyAdrsPos = QStringLiteral("backup.cap");
inline const QString SafetyRepair = QStringLiteral("backup.rep");

// The files of folder named in files (those that exist) copied into target, made anew. False when one cannot
// be: nothing of target is left, *diskFull tells whether the disk had no room for it and *failed names the file
// (empty when target itself could not be made).
bool CopySafetyFiles(const QString &folder, const QStringList &files, const QString &target, bool *diskFull,
                     QString *failed);

// One folder of a safety copy: the files of Folder named in Files, kept below Part (the book's folder name, or
// "Other") of the kind's folder.
struct TSafetyPart {
    QString Part;
    QString Folder;
    QStringList Files;
};

// Copies the parts to the data root's safety folder kind, replacing their previous safety copy; false with
// *error set (a full disk said in words) when one cannot be made, and then none of the parts is left.
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
// table files and the hidden files of unfinished print output. Run at start, before anything is opened.
void RemoveLeftoversOfKilledWork();
