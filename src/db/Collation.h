// The order of the case-insensitive indexes: Shift-JIS bytes with single-byte ASCII letters folded.
#pragma once

#include <QByteArrayView>

struct sqlite3;

inline constexpr const char *SjisNoCaseCollation = "SJISNOCASE";

// Compares two Shift-JIS texts character by character: a single-byte character compares with its ASCII
// letter folded to upper case, a double-byte character (lead and trail byte) as its two bytes, so a trail
// byte that happens to look like a letter is never folded. Negative, zero or positive.
int SjisNoCaseCompare(QByteArrayView a, QByteArrayView b);

void RegisterSjisCollation(sqlite3 *db);
