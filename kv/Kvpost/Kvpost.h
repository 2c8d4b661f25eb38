/* Kvpost.so: a postal code (or its first digits) to municipalities, towns and large offices. */
#pragma once

#include <stdint.h>

#include "../KvLargeOffice.h"

#ifdef __cplusplus
extern "C" {
#endif

#pragma pack(push, 1)
/* Texts are Shift-JIS, padded with blanks; readings are half-width katakana with large letters only
   ("ﾄｳｷﾖｳﾄﾁﾖﾀﾞｸ"). */
typedef struct TPostCityEntry {
    char JisCode[6];        /* five digits and a blank */
    char Reading[40];       /* prefecture and municipality */
    char Name[40];
    int16_t TownCount;      /* towns of this municipality under the code */
    int16_t LargeCount;     /* large offices of this municipality under the code */
} TPostCityEntry;

typedef struct TPostTownEntry {
    char PostalCode[8];     /* seven digits */
    char Reading[102];
    char Name[102];
    char TownCode[7];       /* six digits and a blank */
    char Reserved[3];
} TPostTownEntry;
#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(TPostCityEntry) == 90, "TPostCityEntry");
static_assert(sizeof(TPostTownEntry) == 222, "TPostTownEntry");
#endif

/* Codes: 0 found, 4 invalid input, 8 nothing found, 16 Geo.dic in "data" is missing or damaged (a code the
   program does not accept, so the failure is reported, never taken for "nothing found"). "data" is the
   dictionary folder, ending with "/". */

/* Opens a search for digits: a whole postal code of seven digits or its first three to six digits. *code
   gets the result, *cityCount the number of municipalities with towns or large offices under it. Returns
   the handle of the search (NULL when nothing was opened), to be closed with KVPostClose. A handle
   belongs to one thread at a time. */
void *KVPostFirst(const char *digits, int32_t *cityCount, int16_t *code, const char *data);
/* count municipalities from index start, in JIS code order. */
int32_t KVPostCityList(void *handle, TPostCityEntry *buf, int32_t start, int32_t count);
/* count towns of the chosen municipality from index start, in postal code then reading order. */
int32_t KVPostTownList(void *handle, const TPostCityEntry *city, TPostTownEntry *buf, int32_t start,
                       int32_t count);
/* count large offices of the chosen municipality from index start: each office into offices[i] and the
   town it lies in (its own postal code) into towns[i]. */
int32_t KVPostLgTownList(void *handle, const TPostCityEntry *city, TPostTownEntry *towns,
                         TLargeOfficeEntry *offices, int32_t start, int32_t count);
int32_t KVPostClose(void *handle);
/* The postal code (seven digits and a NUL) of a town: the five-digit JIS code and six-digit town code. */
int32_t KVPostPost(const char *jisCode, const char *townCode, char *postal8, const char *data);

typedef void *(*TKVPostFirst)(const char *, int32_t *, int16_t *, const char *);
typedef int32_t (*TKVPostCityList)(void *, TPostCityEntry *, int32_t, int32_t);
typedef int32_t (*TKVPostTownList)(void *, const TPostCityEntry *, TPostTownEntry *, int32_t, int32_t);
typedef int32_t (*TKVPostLgTownList)(void *, const TPostCityEntry *, TPostTownEntry *, TLargeOfficeEntry *,
                                     int32_t, int32_t);
typedef int32_t (*TKVPostClose)(void *);

#ifdef __cplusplus
}
#endif
