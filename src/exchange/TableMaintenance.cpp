#include "exchange/TableMaintenance.h"

#include "base/FileReplace.h"
#include "base/Folders.h"
#include "core/Globals.h"
#include "core/SharedHelpers.h"
#include "core/StagedFile.h"
#include "db/DatabaseError.h"
#include "db/Sqlite.h"
#include "db/Table.h"
#include "db/TableSchemas.h"
#include "exchange/BackupStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <functional>

namespace {

// Beside a table file while it is rewritten, and in its folder while it is repaired.
const QString OptimizingSuffix = QStringLiteral(".optimizing");
const QString RepairingFolder = QStringLiteral(".repairing/");

// The file at temporary replaces file in one step, once it is on the disk, with the mode the user gave file.
bool replaceWith(const QString &temporary, const QString &file, QString *error)
{
    QFile written(temporary);
    if (!written.open(QIODevice::ReadOnly) || !GiveReplacingMode(written.handle(), file, TFileAccess::Private)
        || !RenameDurably(written.handle(), temporary, file)) {
        QFile::remove(temporary);
        *error = QDir::toNativeSeparators(file) + QStringLiteral("  \r\nを置き換えられません  ");
        return false;
    }
    return true;
}

QByteArray sqlString(const QString &text) { return "'" + QFile::encodeName(text).replace("'", "''") + "'"; }

}  // namespace

void AttachTableFile(TSqliteDatabase &db, const QString &file, const QByteArray &alias)
{
    // The connection may not create files: an empty file is an empty database to SQLite.
    if (!QFileInfo::exists(file) && !CreatePrivateFile(file))
        throw EDatabaseError(file + QStringLiteral(": cannot be made"), SQLITE_CANTOPEN, errno,
                             QFileInfo(file).absolutePath() + QLatin1Char('/'));
    db.Exec("PRAGMA cipher_default_page_size = 4096");
    db.Exec("ATTACH DATABASE " + sqlString(file) + " AS " + alias + " KEY " + sqlString(QString::fromLatin1(TablePassword)));
    db.Exec("PRAGMA cipher_default_page_size = 1024");
}

namespace {

qint64 pragmaValue(TSqliteDatabase &db, const QByteArray &pragma)
{
    TSqliteStatement read(db, "PRAGMA " + pragma);
    return read.Step() ? read.ColumnInt(0) : 0;
}

const QString MakingSuffix = QStringLiteral(".making");
const QString ReplacedSuffix = QStringLiteral(".replaced");

// ".<name><suffix>/" beside the safety folder.
QString besideFolder(const QString &folder, const QString &suffix)
{
    const QFileInfo info(QDir::cleanPath(folder));
    return info.path() + QStringLiteral("/.") + info.fileName() + suffix + QLatin1Char('/');
}

void removeFolder(const QString &folder)
{
    if (QFileInfo::exists(folder))
        DeleteFolderTree(folder);
}

// The old copy is moved aside only once the new one is whole: a folder missing while its old copy waits aside
// takes the new one (the old one if the new cannot be moved). Neither side folder is kept.
void settleSafetyFolder(const QString &folder)
{
    const QString making = besideFolder(folder, MakingSuffix), replaced = besideFolder(folder, ReplacedSuffix);
    if (QFileInfo::exists(replaced) && !QFileInfo::exists(folder) && !ReplaceTreeDurably(making, folder))
        ReplaceTreeDurably(replaced, folder);
    removeFolder(making);
    removeFolder(replaced);
}

// fill makes the new copy in the folder it is given; it then replaces folder in two renames, and the old copy
// goes only once the new one is there to stay.
bool replaceSafetyFolder(const QString &folder, const std::function<bool(const QString &making)> &fill, int *writeError)
{
    settleSafetyFolder(folder);
    const QString making = besideFolder(folder, MakingSuffix), replaced = besideFolder(folder, ReplacedSuffix);
    if (!ForceDirectories(making)) {
        *writeError = errno;
        return false;
    }
    if (!fill(making) || !ReplaceTreeDurably(making, folder, replaced)) {
        removeFolder(making);
        return false;
    }
    removeFolder(replaced);
    return true;
}

// The files of folder named in files (those that exist) copied into target.
bool copyFiles(const QString &folder, const QStringList &files, const QString &target, int *writeError, QString *failed)
{
    if (!ForceDirectories(target)) {
        *writeError = errno;
        return false;
    }
    for (const QString &name : files) {
        if (!QFileInfo::exists(folder + name))
            continue;
        if (!CopyFileSummed(folder + name, target + name, nullptr, {}, writeError)) {
            *failed = folder + name;
            return false;
        }
    }
    return true;
}

// A file of the safety copy being replaced that the new one keeps: a link to it costs no room, a copy serves a
// disk that has no links.
bool keepFile(const QString &file, const QString &kept, int *writeError)
{
    if (!ForceDirectories(QFileInfo(kept).path())) {
        *writeError = errno;
        return false;
    }
    return ::link(QFile::encodeName(file).constData(), QFile::encodeName(kept).constData()) == 0
           || CopyFileSummed(file, kept, nullptr, {}, writeError);
}

}  // namespace

bool CopySafetyFiles(const QString &folder, const QStringList &files, const QString &target, int *writeError,
                     QString *failed)
{
    *writeError = 0;
    failed->clear();
    return replaceSafetyFolder(
        target, [&](const QString &making) { return copyFiles(folder, files, making, writeError, failed); },
        writeError);
}

bool MakeSafetyCopy(const QString &kind, const std::vector<TSafetyPart> &parts, QString *error)
{
    const QString kindFolder = DataRootFolder + kind + QLatin1Char('/');
    int writeError = 0;
    QString failed;
    // The parts are replaced together: a copy of some parts only would not match any state of the data.
    const bool made = replaceSafetyFolder(
        kindFolder,
        [&](const QString &making) {
            for (const QString &rel : FilesBelow(kindFolder)) {
                const QString part = rel.section(QLatin1Char('/'), 0, 0);
                if (std::any_of(parts.begin(), parts.end(), [&](const TSafetyPart &p) { return p.Part == part; }))
                    continue;
                if (!keepFile(kindFolder + rel, making + rel, &writeError)) {
                    failed = kindFolder + rel;
                    return false;
                }
            }
            for (const TSafetyPart &p : parts)
                if (!copyFiles(p.Folder, p.Files, making + p.Part + QLatin1Char('/'), &writeError, &failed))
                    return false;
            return true;
        },
        &writeError);
    if (made)
        return true;
    // A write the disk refused names the copy's folder, where the room or the permission is missing.
    *error = QStringLiteral("安全のためのコピーを作成できません  ");
    if (writeError != 0)
        *error += QStringLiteral("\r\n") + QDir::toNativeSeparators(kindFolder) + WriteFailureReason(writeError);
    else if (!failed.isEmpty())
        *error += QStringLiteral("\r\n") + QDir::toNativeSeparators(failed);
    return false;
}

QString CheckTableFile(const QString &file)
{
    try {
        TSqliteDatabase db;
        db.Open(file, TablePassword, false);
        TSqliteStatement check(db, "PRAGMA integrity_check");
        QStringList found;
        while (check.Step())
            found << QString::fromUtf8(check.ColumnText(0));
        return found.join(QLatin1Char('\n'));
    } catch (const EDatabaseError &e) {
        return e.Message;
    }
}

bool OptimizeTableFile(const QString &file, QString *error)
{
    const QString temporary = file + OptimizingSuffix;
    QFile::remove(temporary);
    try {
        // The export writes every table and index afresh into the new file, as VACUUM INTO would on a newer
        // SQLite; the two header values it does not carry are set after it.
        TSqliteDatabase db;
        db.Open(file, TablePassword, false);
        const qint64 version = pragmaValue(db, "user_version");
        const qint64 application = pragmaValue(db, "application_id");
        AttachTableFile(db, temporary, "fresh");
        db.Exec("SELECT sqlcipher_export('fresh')");
        db.Exec("PRAGMA fresh.user_version = " + QByteArray::number(version));
        db.Exec("PRAGMA fresh.application_id = " + QByteArray::number(application));
        db.Exec("DETACH DATABASE fresh");
    } catch (const EDatabaseError &e) {
        QFile::remove(temporary);
        *error = e.Message;
        return false;
    }
    const QString found = CheckTableFile(temporary);
    if (found != QLatin1String("ok")) {
        QFile::remove(temporary);
        *error = found;
        return false;
    }
    return replaceWith(temporary, file, error);
}

bool RepairTableFile(const QString &file, const TTableSchema &schema, bool *repaired, QString *error)
{
    *repaired = false;
    if (CheckTableFile(file) == QLatin1String("ok"))
        return true;
    // The new file is made as a new table is, with every index of the schema, then given the old rows.
    const QFileInfo info(file);
    const QString scratch = info.path() + QLatin1Char('/') + RepairingFolder;
    QDir(scratch).removeRecursively();
    ForceDirectories(scratch);
    const QString temporary = scratch + info.fileName();
    try {
        {
            TTable fresh;
            fresh.DatabaseName = scratch;
            fresh.TableName = info.fileName();
            fresh.Schema = schema;
            fresh.CreateTable();
        }
        TSqliteDatabase db;
        db.Open(file, TablePassword, false);
        AttachTableFile(db, temporary, "fresh");
        const QByteArray table = "\"" + info.completeBaseName().toUtf8() + "\"";
        db.Exec("BEGIN");
        // The columns named: a bare "SELECT *" lets SQLite copy each index of the old file as it stands, damage
        // and all, where every row must go into the new indexes afresh.
        QByteArrayList columns;
        for (const TFieldDef &field : schema.Fields)
            columns << "\"" + field.Name.toUtf8() + "\"";
        const QByteArray list = columns.join(", ");
        db.Exec("INSERT INTO fresh." + table + " (" + list + ") SELECT " + list + " FROM main." + table);
        // The numbers of deleted records stay used, as in the old file.
        if (TSqliteStatement(db, "SELECT 1 FROM main.sqlite_master WHERE name = 'sqlite_sequence'").Step())
            db.Exec("UPDATE fresh.sqlite_sequence SET seq = max(seq, (SELECT ifnull(max(seq), 0) FROM "
                    "main.sqlite_sequence WHERE name = '" + info.completeBaseName().toUtf8() + "')) WHERE name = '"
                    + info.completeBaseName().toUtf8() + "'");
        db.Exec("COMMIT");
        db.Exec("DETACH DATABASE fresh");
    } catch (const EDatabaseError &e) {
        QDir(scratch).removeRecursively();
        *error = e.Message;
        return false;
    }
    const QString found = CheckTableFile(temporary);
    if (found != QLatin1String("ok")) {
        QDir(scratch).removeRecursively();
        *error = found;
        return false;
    }
    const bool replaced = replaceWith(temporary, file, error);
    QDir(scratch).removeRecursively();
    *repaired = replaced;
    return replaced;
}

void RemoveLeftoversOfKilledWork()
{
    RemoveUnfinishedOutput();
    // One copy of the program runs on a data folder, so no rewrite or repair of a book is under way now.
    for (const QString &book : QDir(AdrsFolder).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString folder = AdrsFolder + book + QLatin1Char('/');
        for (const QString &file : AdrsTableFiles)
            QFile::remove(folder + file + OptimizingSuffix);
        QDir(folder + RepairingFolder).removeRecursively();
    }
    for (const QString &kind : SafetyFolders)
        settleSafetyFolder(DataRootFolder + kind);
}
