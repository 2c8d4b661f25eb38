#include "core/AddressBookList.h"

#include "base/Folders.h"
#include "core/Globals.h"
#include "platform/MemIniFile.h"

#include <QDir>
#include <QFile>

#include <algorithm>

namespace {

const QString OrderFile = QStringLiteral("AdrsMng.ini");
const QString OperationsFile = QStringLiteral("AdrsOp.ini");

bool sameName(const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

int indexOfName(const QStringList &list, const QString &name)
{
    for (int i = 0; i < list.size(); ++i)
        if (sameName(list[i], name))
            return i;
    return -1;
}

QStringList readOrderList()
{
    const TMemIniFile ini(AdrsFolder + OrderFile);
    QStringList order;
    for (int i = 1; ini.ValueExists(QStringLiteral("SORT"), QString::number(i)); ++i) {
        const QString name = ini.ReadString(QStringLiteral("SORT"), QString::number(i), QString());
        if (indexOfName(order, name) < 0)
            order << name;
    }
    return order;
}

// Deletes the files directly in the book's folder, then the folder; true when the folder is gone.
bool deleteBookFolder(const QString &name)
{
    QDir dir(AdrsFolder + name);
    for (const QString &file : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
        dir.remove(file);
    return QDir(AdrsFolder).rmdir(name);
}

// A book moves as one folder rename, so it is never left split between two folders; a target that already
// exists keeps the rename pending rather than mixing two books.
bool renameBookFolder(const QString &oldName, const QString &newName)
{
    if (QFileInfo::exists(AdrsFolder + newName))
        return false;
    return QDir(AdrsFolder).rename(oldName, newName);
}

void writePendingOperations(const TPendingOperations &ops)
{
    const QString file = AdrsFolder + OperationsFile;
    if (ops.Deletes.isEmpty() && ops.Renames.empty()) {
        QFile::remove(file);
        return;
    }
    TMemIniFile ini(file);
    ini.Clear();
    ini.WriteInteger(QStringLiteral("DELETE"), QStringLiteral("Count"), ops.Deletes.size());
    for (int i = 0; i < ops.Deletes.size(); ++i)
        ini.WriteString(QStringLiteral("DELETE"), QString::number(i + 1), ops.Deletes[i]);
    ini.WriteInteger(QStringLiteral("RENAME"), QStringLiteral("Count"), static_cast<int>(ops.Renames.size()));
    for (size_t i = 0; i < ops.Renames.size(); ++i)
        ini.WriteString(QStringLiteral("RENAME"), QString::number(i + 1),
                        ops.Renames[i].first + '/' + ops.Renames[i].second);
    ini.UpdateFile();
}

void replay(TPendingOperations &ops, QStringList &order)
{
    QStringList stillDeleting;
    for (const QString &name : ops.Deletes) {
        if (deleteBookFolder(name)) {
            const int at = indexOfName(order, name);
            if (at >= 0)
                order.removeAt(at);
        } else {
            stillDeleting << name;
        }
    }
    ops.Deletes = stillDeleting;

    // A rename that stays pending holds back every later rename of the same chain: its old name is the
    // new name of the one that failed, and its folder only exists once that one is done.
    std::vector<std::pair<QString, QString>> stillRenaming;
    QStringList heldNames;
    for (const auto &[oldName, newName] : ops.Renames) {
        bool done = false;
        if (indexOfName(heldNames, oldName) < 0)
            done = !QFileInfo::exists(AdrsFolder + oldName) || renameBookFolder(oldName, newName);
        if (done) {
            const int at = indexOfName(order, oldName);
            if (at >= 0)
                order[at] = newName;
        } else {
            stillRenaming.emplace_back(oldName, newName);
            heldNames << newName;
        }
    }
    ops.Renames = stillRenaming;

    // Replaying is idempotent (a done delete or rename finds its old folder gone), so when the file cannot
    // be rewritten the old one stays and the next start simply finds less to do.
    try {
        writePendingOperations(ops);
    } catch (const EIniFileError &) {
    }
}

// Book folders below AdrsFolder, sorted without regard to case.
QStringList scanBooks()
{
    QStringList found;
    for (const QFileInfo &entry : QDir(AdrsFolder).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden))
        if (QFileInfo::exists(entry.absoluteFilePath() + QStringLiteral("/Adrs.DB")))
            found << entry.fileName();
    std::stable_sort(found.begin(), found.end(),
                     [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return found;
}

}  // namespace

bool IsPlainBookFolderName(const QString &name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    return std::none_of(name.begin(), name.end(),
                        [](QChar c) { return c == '/' || c == '\\' || c.unicode() < 0x20; });
}

TPendingOperations ReadPendingOperations(const QString &adrsFolder)
{
    TPendingOperations ops;
    const TMemIniFile ini(adrsFolder + OperationsFile);
    ops.Unreadable = ini.ReadFailed();
    const int deletes = ini.ReadCount(QStringLiteral("DELETE"), QStringLiteral("Count"));
    for (int i = 1; i <= deletes; ++i) {
        const QString name = ini.ReadString(QStringLiteral("DELETE"), QString::number(i), QString());
        if (IsPlainBookFolderName(name) && DirectoryExists(adrsFolder + name))
            ops.Deletes << name;
    }
    const int renames = ini.ReadCount(QStringLiteral("RENAME"), QStringLiteral("Count"));
    for (int i = 1; i <= renames; ++i) {
        const QString value = ini.ReadString(QStringLiteral("RENAME"), QString::number(i), QString());
        const int slash = value.indexOf('/');
        if (slash < 0)
            continue;
        const QString oldName = value.left(slash), newName = value.mid(slash + 1);
        if (IsPlainBookFolderName(oldName) && IsPlainBookFolderName(newName))
            ops.Renames.emplace_back(oldName, newName);
    }
    return ops;
}

void LoadAddressBookList(bool replayPending)
{
    AdrsBookList.clear();
    CurrentAdrsIndex = -1;

    QStringList order = readOrderList();
    TPendingOperations ops = ReadPendingOperations(AdrsFolder);
    // An unreadable operations file is left alone: rewriting it would lose what it holds.
    if (replayPending && !ops.Unreadable)
        replay(ops, order);

    const QStringList found = scanBooks();
    QStringList books;
    for (const QString &name : order) {
        const int at = indexOfName(found, name);
        if (at >= 0 && indexOfName(books, found[at]) < 0)
            books << found[at];
    }
    for (const QString &name : found)
        if (indexOfName(books, name) < 0)
            books << name;

    for (const QString &folder : books) {
        TAdrsFolderInfo info{folder, folder, abReady};
        if (indexOfName(ops.Deletes, folder) >= 0) {
            info.Name.clear();
            info.State = abDeletePending;
        } else {
            bool renamed = false;
            for (const auto &[oldName, newName] : ops.Renames) {
                if (sameName(oldName, info.Name)) {
                    info.Name = newName;
                    renamed = true;
                }
            }
            if (renamed)
                info.State = abRenamePending;
        }
        AdrsBookList.push_back(info);
    }
}

bool BookFolderNameInUse(const QString &name)
{
    for (const TAdrsFolderInfo &book : AdrsBookList)
        if (sameName(book.Name, name) || sameName(book.Folder, name))
            return true;
    const TPendingOperations ops = ReadPendingOperations(AdrsFolder);
    if (indexOfName(ops.Deletes, name) >= 0)
        return true;
    return std::any_of(ops.Renames.begin(), ops.Renames.end(), [&](const auto &rename) {
        return sameName(rename.first, name) || sameName(rename.second, name);
    });
}

QString TemporaryBookFolderName(const QString &name)
{
    const QStringList onDisk =
        QDir(AdrsFolder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (int n = 1;; ++n) {
        const QString folder = name + QStringLiteral("（") + QString::number(n) + QStringLiteral("）");
        if (indexOfName(onDisk, folder) < 0 && !BookFolderNameInUse(folder))
            return folder;
    }
}

void AppendPendingOperation(const QString &section, const QString &value)
{
    TMemIniFile ini(AdrsFolder + OperationsFile);
    const int count = ini.ReadCount(section, QStringLiteral("Count")) + 1;
    ini.WriteInteger(section, QStringLiteral("Count"), count);
    ini.WriteString(section, QString::number(count), value);
    ini.UpdateFile();
}

void SaveAddressBookOrder()
{
    if (AdrsBookList.empty())
        return;
    TMemIniFile ini(AdrsFolder + OrderFile);
    ini.EraseSection(QStringLiteral("SORT"));
    for (size_t i = 0; i < AdrsBookList.size(); ++i)
        ini.WriteString(QStringLiteral("SORT"), QString::number(i + 1), AdrsBookList[i].Folder);
    ini.UpdateFile();
}
