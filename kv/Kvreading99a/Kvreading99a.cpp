// Kvreading99a.so: name candidates for a reading, by binary search over the sorted lists of NameReading.dic
// (layout in data/names).
#include "Kvreading99a.h"

#include "common/MappedFile.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

using kv::le32;

constexpr char kMagic[8] = {'V', 'M', 'N', 'A', 'M', 'E', 'R', 'D'};
constexpr uint32_t kVersion = 1;
constexpr size_t kHeaderSize = 32;

// Half-width voiced and semi-voiced marks: they change the kana before them.
constexpr unsigned char kVoicedMark = 0xDE, kSemiVoicedMark = 0xDF;

enum TNameKind { nkFamily = 0, nkGiven = 1 };

bool isLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool isTrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

// The length of a reading made of whole Shift-JIS characters, or 0 when it is no such reading.
size_t readingLength(const char *reading)
{
    if (!reading)
        return 0;
    const auto *s = reinterpret_cast<const unsigned char *>(reading);
    size_t i = 0;
    while (s[i]) {
        if (!isLeadByte(s[i]))
            ++i;
        else if (isTrailByte(s[i + 1]))
            i += 2;
        else
            return 0;
    }
    return i;
}

// The candidates of one reading: at most two runs of records, since the names whose next character carries
// a sound mark sit inside the range of the reading's bytes and are no continuation of it.
struct TMatch {
    const TReadingEntry *runs[2][2] = {};  // [run][begin, end)

    size_t count() const { return size_t(runs[0][1] - runs[0][0]) + size_t(runs[1][1] - runs[1][0]); }
};

// One kind's list of a mapped file whose header and size agree; invalid when they do not.
struct TNameList {
    const TReadingEntry *begin = nullptr;
    const TReadingEntry *end = nullptr;
    bool valid = false;

    TNameList(const kv::TMappedFile &file, TNameKind kind)
    {
        const unsigned char *h = file.data();
        if (!h || file.size() < kHeaderSize || std::memcmp(h, kMagic, sizeof kMagic) != 0)
            return;
        const uint64_t family = le32(h + 20), given = le32(h + 24);
        if (le32(h + 8) != kVersion || le32(h + 12) != kHeaderSize || le32(h + 16) != sizeof(TReadingEntry)
            || le32(h + 28) != 0 || file.size() - kHeaderSize != (family + given) * sizeof(TReadingEntry))
            return;
        // The records are read in place: the entry is packed, so any address suits it.
        const auto *records = reinterpret_cast<const TReadingEntry *>(h + kHeaderSize);
        begin = kind == nkFamily ? records : records + family;
        end = begin + (kind == nkFamily ? family : given);
        valid = true;
    }

    // The first record whose first key.size() reading bytes are not below key (all of them when after).
    const TReadingEntry *lowerBound(const std::string &key, bool after = false) const
    {
        return std::partition_point(begin, end, [&](const TReadingEntry &e) {
            const int c = std::memcmp(e.Reading, key.data(), key.size());
            return after ? c <= 0 : c < 0;
        });
    }

    TMatch find(const std::string &reading) const
    {
        TMatch m;
        const TReadingEntry *first = lowerBound(reading), *last = lowerBound(reading, true);
        if (reading.size() >= KVREADING_FIELD_SIZE) {
            m.runs[0][0] = first;
            m.runs[0][1] = last;
            return m;
        }
        // Records spelt reading + ﾞ or ﾟ come together, since the mark bytes are adjacent; they end where the
        // byte after the reading passes the semi-voiced mark.
        m.runs[0][0] = first;
        m.runs[0][1] = lowerBound(reading + char(kVoicedMark));
        m.runs[1][0] = lowerBound(reading + char(kSemiVoicedMark), true);
        m.runs[1][1] = last;
        return m;
    }
};

// Checks the arguments shared by every entry, looks the reading up and hands the match to use.
template <typename TUse>
int32_t lookUp(TNameKind kind, const char *reading, const char *dicFolder, TUse use)
{
    const size_t length = readingLength(reading);
    if (length == 0)
        return KVREADING_INVALID_INPUT;
    if (!dicFolder)
        return KVREADING_DICTIONARY_ERROR;
    const kv::TMappedFile file(std::string(dicFolder) + KVREADING_DIC_FILE);
    const TNameList list(file, kind);
    if (!list.valid)
        return KVREADING_DICTIONARY_ERROR;
    const TMatch match = length > KVREADING_FIELD_SIZE ? TMatch() : list.find(std::string(reading, length));
    if (match.count() == 0)
        return KVREADING_NOT_FOUND;
    use(match);
    return KVREADING_FOUND;
}

int32_t countCandidates(TNameKind kind, const char *reading, uint32_t *count, const char *dicFolder)
{
    if (!count)
        return KVREADING_INVALID_INPUT;
    const int32_t result = lookUp(kind, reading, dicFolder, [&](const TMatch &m) { *count = uint32_t(m.count()); });
    if (result == KVREADING_NOT_FOUND)
        *count = 0;
    return result;
}

int32_t listCandidates(TNameKind kind, const char *reading, TReadingEntry *entries, int32_t count,
                       const char *dicFolder)
{
    if (!entries || count < 1)
        return KVREADING_INVALID_INPUT;
    return lookUp(kind, reading, dicFolder, [&](const TMatch &m) {
        size_t room = size_t(count);
        for (const auto &run : m.runs) {
            const size_t n = std::min(room, size_t(run[1] - run[0]));
            std::memcpy(entries, run[0], n * sizeof(TReadingEntry));
            entries += n;
            room -= n;
        }
    });
}

}  // namespace

#define KVREADING_EXPORT extern "C" __attribute__((visibility("default")))

KVREADING_EXPORT int32_t KVReadingSeiCount(const char *reading, int32_t, uint32_t *count, const char *dicFolder)
{
    return countCandidates(nkFamily, reading, count, dicFolder);
}

KVREADING_EXPORT int32_t KVReadingMeiCount(const char *reading, int32_t, uint32_t *count, const char *dicFolder)
{
    return countCandidates(nkGiven, reading, count, dicFolder);
}

KVREADING_EXPORT int32_t KVReadingSeiList(const char *reading, int32_t, TReadingEntry *entries, int32_t count,
                                          const char *dicFolder)
{
    return listCandidates(nkFamily, reading, entries, count, dicFolder);
}

KVREADING_EXPORT int32_t KVReadingMeiList(const char *reading, int32_t, TReadingEntry *entries, int32_t count,
                                          const char *dicFolder)
{
    return listCandidates(nkGiven, reading, entries, count, dicFolder);
}
