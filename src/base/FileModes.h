// The modes of what the program makes. What it keeps for itself (books, settings, histories, documents, backups,
// safety copies, caches, working files) is the user's alone whatever the umask: folders 0700, files 0600, as the
// XDG base directories ask of the folders holding such data. A file the user chose the place of (an export) is
// the user's like any other and gets what their umask gives.
#pragma once

#include <QString>
#include <QStringList>

#include <sys/types.h>

enum class TFileAccess {
    Private,       // the program's own
    UsersDefault,  // a file or folder at a place the user chose for it
};

inline constexpr mode_t PrivateFolderMode = 0700;
inline constexpr mode_t PrivateFileMode = 0600;

// The permissions the user's new files get (0666 less the umask).
mode_t NewFileMode();
// The mode a new file of that access gets.
mode_t NewFileMode(TFileAccess access);
// The mode a file written in the place of one of mode existing gets (a rewrite, a repair, a copy of it): a file
// of the user's keeps it; one of the program's keeps the user's own bits of it alone, so a file the user made
// read-only stays so and none is left more open than a new one.
mode_t ReplacingFileMode(mode_t existing, TFileAccess access);

// Makes one folder level with the mode of its access (less the umask); false, errno set, when it cannot,
// EEXIST when something is there.
bool MakeFolder(const QString &folder, TFileAccess access = TFileAccess::Private);
// Makes file, empty, with the private mode: a file another part (the table engine) then fills, which would
// otherwise make it with a mode of its own. False, errno set, when it cannot; EEXIST when something is there.
bool CreatePrivateFile(const QString &file);

// When folder, the user's own, is open to others (an earlier start made it so, with all it holds), takes the
// group's and others' access away from it and from everything below it that the user owns; what a folder holds
// goes before the folder itself, so a run cut short is taken up again by the next. Links are not followed, what
// the user does not own is passed by with all it holds, and each folder of leave (one the user chose, lying
// below) keeps its own mode while what lies below it is narrowed.
void NarrowLeftOpen(const QString &folder, const QStringList &leave = {});
