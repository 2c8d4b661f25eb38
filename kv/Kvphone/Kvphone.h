/* Kvphone.so: a telephone number to its area, the municipalities its exchange serves and their towns. */
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#pragma pack(push, 1)
/* Texts are Shift-JIS, padded with blanks. */
typedef struct TPhoneCityEntry {
    char JisCode[6];        /* five digits and a blank */
    char Name[40];          /* prefecture and municipality, "東京都千代田区" */
    char Reserved[2];
    uint32_t TownCount;     /* the size of the town list of KVPhoneTown2First */
} TPhoneCityEntry;

typedef struct TPhoneTownEntry {
    char Initial[2];        /* the half-width katakana letter the town's reading starts with (a large one:
                               readings are written without small letters) */
    char PostalCode[8];     /* seven digits */
    char Code[12];          /* the five-digit JIS code of the town's municipality, the six-digit town code
                               (characters 6 to 11; Geo.dic's, a ward's count on across its city's wards, so
                               a folded entry's JisCode with it names the town too), a blank */
    char Name[74];
} TPhoneTownEntry;
#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(TPhoneCityEntry) == 52, "TPhoneCityEntry");
static_assert(sizeof(TPhoneTownEntry) == 96, "TPhoneTownEntry");
#endif

/* Entries of one page of KVPhoneTown2First/Next/Prev, and the most municipalities of one number. */
#define KVPHONE_PAGE 20
#define KVPHONE_MAX_CITIES 20
#define KVPHONE_PREFIX_SIZE 14

/* Codes: 0 found (for the town pages: the last page), 1 more pages follow, 4 invalid number, 8 not found,
   16 Phone.dic or Geo.dic in "data" is missing or damaged (a code the program does not accept, so the failure
   is reported, never taken for "not found").
   "digits" are the digits of a number dialled within Japan ("0312345678"); "data" is the dictionary
   folder, ending with "/". */

/* The area of the number: prefix14 gets its area code and exchange digits as "AA-EEEE" (blank padded),
   cityCount the number of municipalities that exchange serves. The digits may stop after the exchange
   ("031234"); too few to tell the area ("0123"), more than a fixed line has, or none of the plan's numbers
   give 4; a number without an area (mobile, free dial, IP telephone, ...) gives 8. */
int32_t KVPhonePrefix(const char *digits, char *prefix14, int16_t *cityCount, const char *data);
/* Those municipalities, in JIS code order, into buf[KVPHONE_MAX_CITIES]. */
int32_t KVPhoneCity2(const char *digits, TPhoneCityEntry *buf, const char *data);
/* Opens the town list of one of those municipalities, in reading order, and fills its first page; *code
   is 0, 1 or 8 as above. Returns the handle of the list (NULL when nothing was opened), to be closed with
   KVPhoneTown2Close. A handle belongs to one thread at a time. */
void *KVPhoneTown2First(const char *digits, const TPhoneCityEntry *city, TPhoneTownEntry *page,
                        int32_t *code, const char *data);
/* The next or the previous page of an open list: 0 when it is the last (first) page, 1 when more follow,
   8 when there is none. The entries of a short page after the last town are zeroed. */
int32_t KVPhoneTown2Next(void *handle, TPhoneTownEntry *page);
int32_t KVPhoneTown2Prev(void *handle, TPhoneTownEntry *page);
int32_t KVPhoneTown2Close(void *handle);

typedef int32_t (*TKVPhonePrefix)(const char *, char *, int16_t *, const char *);
typedef int32_t (*TKVPhoneCity2)(const char *, TPhoneCityEntry *, const char *);
typedef void *(*TKVPhoneTown2First)(const char *, const TPhoneCityEntry *, TPhoneTownEntry *, int32_t *,
                                    const char *);
typedef int32_t (*TKVPhoneTown2Next)(void *, TPhoneTownEntry *);
typedef int32_t (*TKVPhoneTown2Close)(void *);

#ifdef __cplusplus
}
#endif
