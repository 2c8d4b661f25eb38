// Telephone numbers shown with the hyphens of the numbering plan, through the library Kvdash.so that the
// whole program shares: loaded by the first user, freed with the last.
#pragma once

#include <QByteArray>
#include <QString>

// Results of LoadHyphenDll and TryHyphenatePhone besides the library's own codes.
inline constexpr int hyphenLibraryMissing = 11;   // Kvdash.so cannot be loaded
inline constexpr int hyphenFunctionMissing = 12;  // Kvdash.so has no GetHyphen
inline constexpr int hyphenNotLoaded = 13;

// Adds one user of the library. The first user loads it from libraryFolder; the dictionary folder then
// becomes the default of later calls. Returns 0 (loaded, or a user already counted), hyphenLibraryMissing
// (the user stays counted, so later calls do not try again) or hyphenFunctionMissing (the user is dropped
// and the library freed); each failure shows an error box.
int LoadHyphenDll(const QString &libraryFolder, const QString &dictionaryFolder);

// Drops one user when there is one; the last one frees the library.
void FreeHyphenDll();

// Replaces number by its hyphenated form and returns 0; otherwise leaves it unchanged and returns the
// library's error code or hyphenNotLoaded. An empty dicFolder means the default one.
int TryHyphenatePhone(QByteArray &number, const QString &dicFolder);

// The number without surrounding blanks, hyphenated when the library knows it.
QByteArray HyphenatePhone(const QByteArray &number, const QString &dicFolder = {});
