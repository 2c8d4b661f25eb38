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
