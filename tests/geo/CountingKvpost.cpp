// A test-only postal-code library with the entries of Kvpost.so and one municipality ("1000001"; "1000002"
// adds a second, whose lists fail as with a damaged dictionary), counting the calls it gets, so tests can see
// which calls a wrapper makes. It has none of the other libraries' entries, so copied
// under another library's name it is one that lacks its entries.
#include "Kvpost/Kvpost.h"

#include <cstring>
#include <map>
#include <string>

namespace {

std::map<std::string, int> calls;
int search;  // its address is the handle of the one search

void fill(char *field, std::size_t width, const char *text)
{
    std::memset(field, ' ', width);
    std::memcpy(field, text, std::strlen(text));
}

void fillTowns(TPostTownEntry *towns, int count)
{
    for (int i = 0; i < count; ++i) {
        fill(towns[i].PostalCode, sizeof towns[i].PostalCode, "1000001");
        fill(towns[i].Reading, sizeof towns[i].Reading, "\xC1\xD6\xC0\xDE");  // ﾁﾖﾀﾞ
        fill(towns[i].Name, sizeof towns[i].Name, "\x90\xE7\x91\xE3\x93\x63");  // 千代田
        fill(towns[i].TownCode, sizeof towns[i].TownCode, "001000");
    }
}

}  // namespace

#define EXPORT extern "C" __attribute__((visibility("default")))

EXPORT int32_t CountingKvpostCalls(const char *entry) { return calls[entry]; }

EXPORT void *KVPostFirst(const char *digits, int32_t *cityCount, int16_t *code, const char *)
{
    ++calls["KVPostFirst"];
    const bool two = std::strcmp(digits, "1000002") == 0, known = two || std::strcmp(digits, "1000001") == 0;
    *cityCount = two ? 2 : known ? 1 : 0;
    *code = known ? 0 : 8;
    return known ? &search : nullptr;
}

EXPORT int32_t KVPostCityList(void *, TPostCityEntry *buf, int32_t, int32_t count)
{
    ++calls["KVPostCityList"];
    if (count < 1)
        return 8;
    fill(buf->JisCode, sizeof buf->JisCode, "13101");
    fill(buf->Reading, sizeof buf->Reading, "\xC4\xB3\xB7\xD6\xB3\xC4\xC1\xD6\xC0\xDE\xB8");  // ﾄｳｷﾖｳﾄﾁﾖﾀﾞｸ
    fill(buf->Name, sizeof buf->Name, "\x93\x8C\x8B\x9E\x93\x73\x90\xE7\x91\xE3\x93\x63\x8B\xE6");  // 東京都千代田区
    buf->TownCount = 2;
    buf->LargeCount = 1;
    if (count > 1) {
        buf[1] = buf[0];
        fill(buf[1].JisCode, sizeof buf[1].JisCode, "13102");
    }
    return 0;
}

// The second municipality's lists fail with the code of a damaged dictionary.
bool failing(const TPostCityEntry *city) { return std::strncmp(city->JisCode, "13102", 5) == 0; }

EXPORT int32_t KVPostTownList(void *, const TPostCityEntry *city, TPostTownEntry *buf, int32_t, int32_t count)
{
    ++calls["KVPostTownList"];
    if (failing(city))
        return 16;
    fillTowns(buf, count);
    return 0;
}

EXPORT int32_t KVPostLgTownList(void *, const TPostCityEntry *city, TPostTownEntry *towns,
                                TLargeOfficeEntry *offices, int32_t, int32_t count)
{
    ++calls["KVPostLgTownList"];
    if (failing(city))
        return 16;
    fillTowns(towns, count);
    for (int i = 0; i < count; ++i) {
        fill(offices[i].Reading, sizeof offices[i].Reading, "\xCF\xD9\xC9\xB3\xC1");  // ﾏﾙﾉｳﾁ
        fill(offices[i].Name, sizeof offices[i].Name, "\x8A\xDB\x82\xCC\x93\xE0");  // 丸の内
    }
    return 0;
}

EXPORT int32_t KVPostClose(void *)
{
    ++calls["KVPostClose"];
    return 0;
}

EXPORT int32_t KVPostPost(const char *, const char *, char *, const char *) { return 8; }
