// The damaged forms of a dictionary file — a header, then fixed-size records — that a library must refuse
// rather than read.
#pragma once

#include <QByteArray>

#include <utility>
#include <vector>

namespace test {

using TDamagedFiles = std::vector<std::pair<const char *, QByteArray>>;

// good is a sound file; its record count is the little-endian u32 at countOffset.
inline TDamagedFiles DamagedDictionaries(const QByteArray &good, int recordSize, int countOffset)
{
    QByteArray wrongMagic = good;
    wrongMagic[0] = 'X';
    QByteArray moreRecordsThanBytes = good;
    moreRecordsThanBytes[countOffset + 3] = 0x7F;
    return {
        {"empty", QByteArray()},
        {"header cut", good.left(20)},
        {"records cut", good.left(good.size() - recordSize)},
        {"half a record more", good + QByteArray(recordSize / 2, '\0')},
        {"wrong magic", wrongMagic},
        {"more records than bytes", moreRecordsThanBytes},
    };
}

}  // namespace test
