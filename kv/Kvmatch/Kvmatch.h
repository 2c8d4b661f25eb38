/* Kvmatch.so: a municipality and town code to the town's position and its normalised address. */
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#pragma pack(push, 1)
/* Texts are Shift-JIS, padded with blanks; readings are half-width katakana written with large letters
   only ("ﾄｳｷﾖｳﾄ"). Long town names are split between the first and the second part, never inside a
   character. */
typedef struct TMatchAdrsRecord {
    uint32_t Latitude;      /* 1/256 second of arc */
    uint32_t Longitude;
    char PostalCode[8];
    char PrefectureReading[10];
    char Prefecture[10];
    char CityReading[26];
    char City[26];
    char TownReading1[38];
    char Town1[38];
    char TownReading2[34];
    char Town2[38];
} TMatchAdrsRecord;
#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(TMatchAdrsRecord) == 236, "TMatchAdrsRecord");
#endif

/* key: eleven characters, the five-digit JIS code and the six-digit town code; a town code of zeros asks
   for the municipality itself (its own position, no town). The JIS code may also be that of a city
   with wards ("27100" 大阪市, "13100" for Tokyo's special wards), whose wards number their towns as one
   sequence: the answer is then the town with its ward as the municipality (City "大阪市北区", "北区"), as
   for the ward's own code; such a city has no record of its own, so its code with zeros is unknown.
   Codes: 0 found, 4 invalid key, 8 unknown, 16 Geo.dic in "data" is missing or damaged (a code the program
   does not accept, so the failure is reported, never taken for "unknown"). "data" is the dictionary
   folder, ending with "/". */
int32_t KVMatchAdrs(const char *key, TMatchAdrsRecord *rec, const char *data);

typedef int32_t (*TKVMatchAdrs)(const char *, TMatchAdrsRecord *, const char *);

#ifdef __cplusplus
}
#endif
