// The list of address books: the stored order ("AdrsMng.ini"), the pending renames and deletes
// ("AdrsOp.ini") and their replay on the folders at start-up.
#pragma once

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

// A value of "AdrsOp.ini" names a folder directly below AdrsFolder; anything else (empty, ".", "..", a path
// separator, an absolute path) would reach outside it and is never acted on.
bool IsPlainBookFolderName(const QString &name);

struct TPendingOperations {
    QStringList Deletes;                              // folder names, in recorded order
    std::vector<std::pair<QString, QString>> Renames;  // old name, new name, in recorded order
    bool Unreadable = false;                          // "AdrsOp.ini" exists but could not be read
};

TPendingOperations ReadPendingOperations(const QString &adrsFolder);

// Rebuilds AdrsBookList from the folders of AdrsFolder, the stored order and the pending operations;
// with replay set, carries the pending operations out first. CurrentAdrsIndex becomes -1.
void LoadAddressBookList(bool replay);

// True when name (letter case ignored) cannot be the folder of a new book without mixing two books at the
// next start: it is a listed book's name or folder, or a pending operation still refers to it. A folder of
// that name that holds no table is no book: the new book takes it over.
bool BookFolderNameInUse(const QString &name);
// The first name + "（n）", n = 1, 2, ..., that is not in use and names nothing in AdrsFolder; a new book
// waits there for its own name.
QString TemporaryBookFolderName(const QString &name);

// Appends one pending operation to "AdrsOp.ini": section "DELETE" with a folder name, or "RENAME" with
// old name + "/" + new name. Throws EIniFileError when the file cannot be read or written; the file is then
// unchanged, so callers change AdrsBookList only after this returns.
void AppendPendingOperation(const QString &section, const QString &value);

// Writes the order of AdrsBookList (every entry's Folder, pending deletes included) to "AdrsMng.ini";
// an empty list leaves the file alone. Throws EIniFileError when the file cannot be written.
void SaveAddressBookOrder();
