// Kvdash.so: telephone-number hyphenation over the prefix table Dash.dic (layout in data/areacodes).
#include "Kvdash.h"

#include "common/MappedFile.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

namespace {

using kv::le32;
using kv::TMappedFile;

constexpr char kMagic[8] = {'V', 'M', 'D', 'A', 'S', 'H', 'T', 'B'};
constexpr uint32_t kVersion = 1;
constexpr size_t kHeaderSize = 32;
constexpr size_t kRecordSize = 16;
constexpr size_t kMaxPrefix = 9;
constexpr size_t kMaxGroups = 4;

// Byte offsets inside a record.
constexpr size_t kDigits = 0, kPrefixLength = 1, kGroupCount = 2, kGroups = 3, kPrefix = 7;

// The records of a mapped table whose header and size agree; empty when they do not.
struct TTable {
    const unsigned char *records = nullptr;
    size_t count = 0;
    size_t longestPrefix = 0;
    bool valid = false;

    explicit TTable(const TMappedFile &file)
    {
        const unsigned char *h = file.data();
        if (!h || file.size() < kHeaderSize || std::memcmp(h, kMagic, sizeof kMagic) != 0)
            return;
        const uint32_t recordCount = le32(h + 20);
        if (le32(h + 8) != kVersion || le32(h + 12) != kHeaderSize || le32(h + 16) != kRecordSize
            || le32(h + 24) > kMaxPrefix || le32(h + 28) != 0
            || (file.size() - kHeaderSize) / kRecordSize != recordCount
            || (file.size() - kHeaderSize) % kRecordSize != 0)
            return;
        records = h + kHeaderSize;
        count = recordCount;
        longestPrefix = le32(h + 24);
        valid = true;
    }

    // The record for exactly this length and prefix, or null.
    const unsigned char *find(size_t digits, std::string_view prefix) const
    {
        auto less = [](size_t d1, std::string_view p1, size_t d2, std::string_view p2) {
            if (d1 != d2)
                return d1 < d2;
            if (p1.size() != p2.size())
                return p1.size() < p2.size();
            return p1 < p2;
        };
        size_t lo = 0, hi = count;
        while (lo < hi) {
            const size_t mid = lo + (hi - lo) / 2;
            const unsigned char *r = records + mid * kRecordSize;
            const size_t length = std::min<size_t>(r[kPrefixLength], kMaxPrefix);
            const std::string_view p(reinterpret_cast<const char *>(r + kPrefix), length);
            if (less(r[kDigits], p, digits, prefix))
                lo = mid + 1;
            else if (less(digits, prefix, r[kDigits], p))
                hi = mid;
            else
                return r;
        }
        return nullptr;
    }
};

// A record the table could not have been written with.
bool inconsistent(const unsigned char *r)
{
    const size_t groups = r[kGroupCount];
    if (r[kPrefixLength] > kMaxPrefix || groups > kMaxGroups)
        return true;
    if (groups == 0)
        return false;
    size_t sum = 0;
    for (size_t i = 0; i < groups; ++i) {
        if (r[kGroups + i] == 0)
            return true;
        sum += r[kGroups + i];
    }
    return sum != r[kDigits] || sum + groups - 1 > KVDASH_OUT_SIZE;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int32_t GetHyphen(const char *number, char *out14,
                                                                    const char *dicFolder, const TSystemTime *)
{
    if (!number || !out14)
        return KVDASH_INVALID_NUMBER;
    // No number of the plan has more digits than the buffer holds, so longer input needs no room.
    char digits[KVDASH_OUT_SIZE];
    size_t count = 0;
    bool tooLong = false;
    for (const char *c = number; *c; ++c) {
        if (*c == ' ' || *c == '-')
            continue;
        if (*c < '0' || *c > '9')
            return KVDASH_INVALID_NUMBER;
        if (count < sizeof digits)
            digits[count++] = *c;
        else
            tooLong = true;
    }
    if (count == 0)
        return KVDASH_INVALID_NUMBER;

    if (!dicFolder)
        return KVDASH_DICTIONARY_ERROR;
    const TMappedFile file(std::string(dicFolder) + KVDASH_DIC_FILE);
    const TTable table(file);
    if (!table.valid)
        return KVDASH_DICTIONARY_ERROR;
    if (tooLong)
        return KVDASH_UNKNOWN_NUMBER;

    const std::string_view dialled(digits, count);
    for (size_t k = std::min(table.longestPrefix, count) + 1; k-- > 0;) {
        const unsigned char *r = table.find(count, dialled.substr(0, k));
        if (!r)
            continue;
        if (inconsistent(r))
            return KVDASH_DICTIONARY_ERROR;
        if (r[kGroupCount] == 0)
            return KVDASH_UNKNOWN_NUMBER;
        char text[KVDASH_OUT_SIZE] = {};
        size_t at = 0, from = 0;
        for (size_t g = 0; g < r[kGroupCount]; ++g) {
            if (g > 0)
                text[at++] = '-';
            std::memcpy(text + at, digits + from, r[kGroups + g]);
            at += r[kGroups + g];
            from += r[kGroups + g];
        }
        std::memcpy(out14, text, sizeof text);
        return KVDASH_OK;
    }
    return KVDASH_UNKNOWN_NUMBER;
}
