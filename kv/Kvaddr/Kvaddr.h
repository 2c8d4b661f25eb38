/* Kvaddr.so: an address text to its municipalities, then their towns and large offices. */
#pragma once

#include <stdint.h>

#include "../KvLargeOffice.h"

#ifdef __cplusplus
extern "C" {
#endif

#pragma pack(push, 1)
/* Texts are Shift-JIS, padded with blanks; readings are half-width katakana with large letters only
   ("ﾎﾂｶｲﾄﾞｳ"). */
typedef struct TAddrCityEntry {
    char JisCode[6];        /* five digits and a blank */
    char PrefectureReading[10];
    char Prefecture[10];
    char CityReading[26];
    char City[26];
    char Reserved[2];
} TAddrCityEntry;

typedef struct TAddrTownEntry {
    char PostalCode[10];    /* seven digits */
    char Reading[102];
    char Name[102];
    char TownCode[7];       /* six digits and a blank */
    char Reserved[3];
} TAddrTownEntry;
#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(TAddrCityEntry) == 80, "TAddrCityEntry");
static_assert(sizeof(TAddrTownEntry) == 224, "TAddrTownEntry");
#endif

/* Codes: 0 found, 4 invalid input, 8 nothing found, 16 Geo.dic in "data" is missing or damaged (a code the
   program does not accept, so the failure is reported, never taken for "nothing found").
   "address" is a full-width Shift-JIS address text: the prefecture, the municipality and the start of a
   town name, each part optional from the left ("東京都千代田区丸の内", "千代田区", "横浜市中区山下"); "data"
   is the dictionary folder, ending with "/". */

/* The municipalities the text names (those whose name it begins with, or that it begins to name). */
int32_t KVAddrJisCount(const char *address, int32_t *count, const char *data);
int32_t KVAddrJisList(const char *address, TAddrCityEntry *buf, int32_t count, const char *data);
/* The towns (large offices) of the chosen municipality that the rest of the text begins to name, in
   reading order; all of them when the text names no town. */
int32_t KVAddrTownCount(const char *address, const TAddrCityEntry *city, int32_t *count, const char *data);
int32_t KVAddrTownList(const char *address, const TAddrCityEntry *city, TAddrTownEntry *buf, int32_t count,
                       const char *data);
int32_t KVAddrLargeCount(const char *address, const TAddrCityEntry *city, int32_t *count, const char *data);
/* Each office into offices[i] and the town it lies in (its own postal code) into towns[i]. */
int32_t KVAddrLargeList(const char *address, const TAddrCityEntry *city, TAddrTownEntry *towns,
                        TLargeOfficeEntry *offices, int32_t count, const char *data);

typedef int32_t (*TKVAddrJisCount)(const char *, int32_t *, const char *);
typedef int32_t (*TKVAddrJisList)(const char *, TAddrCityEntry *, int32_t, const char *);
typedef int32_t (*TKVAddrTownCount)(const char *, const TAddrCityEntry *, int32_t *, const char *);
typedef int32_t (*TKVAddrTownList)(const char *, const TAddrCityEntry *, TAddrTownEntry *, int32_t,
                                   const char *);
typedef int32_t (*TKVAddrLargeList)(const char *, const TAddrCityEntry *, TAddrTownEntry *,
                                    TLargeOfficeEntry *, int32_t, const char *);

#ifdef __cplusplus
}
#endif
