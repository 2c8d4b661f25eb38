#include "db/Collation.h"

#include "base/SjisCodec.h"

#include <sqlite3.h>

namespace {

unsigned char fold(unsigned char c) { return (c >= 'a' && c <= 'z') ? c - ('a' - 'A') : c; }

int collate(void *, int lengthA, const void *a, int lengthB, const void *b)
{
    return SjisNoCaseCompare(QByteArrayView(static_cast<const char *>(a), lengthA),
                             QByteArrayView(static_cast<const char *>(b), lengthB));
}

}  // namespace

int SjisNoCaseCompare(QByteArrayView a, QByteArrayView b)
{
    const auto *pa = reinterpret_cast<const unsigned char *>(a.data());
    const auto *pb = reinterpret_cast<const unsigned char *>(b.data());
    const qsizetype na = a.size(), nb = b.size();
    qsizetype i = 0, j = 0;
    while (i < na && j < nb) {
        const bool leadA = Sjis::isLeadByte(pa[i]) && i + 1 < na;
        const bool leadB = Sjis::isLeadByte(pb[j]) && j + 1 < nb;
        const unsigned char ca = leadA ? pa[i] : fold(pa[i]);
        const unsigned char cb = leadB ? pb[j] : fold(pb[j]);
        if (ca != cb)
            return ca < cb ? -1 : 1;
        // Equal first bytes are both lead bytes or both single characters.
        if (leadA) {
            if (pa[i + 1] != pb[j + 1])
                return pa[i + 1] < pb[j + 1] ? -1 : 1;
            i += 2;
            j += 2;
        } else {
            ++i;
            ++j;
        }
    }
    if (i < na)
        return 1;
    return j < nb ? -1 : 0;
}

void RegisterSjisCollation(sqlite3 *db)
{
    sqlite3_create_collation(db, SjisNoCaseCollation, SQLITE_UTF8, nullptr, collate);
}
