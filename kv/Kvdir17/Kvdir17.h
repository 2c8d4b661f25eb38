/* Kvdir17.so: the business telephone directory — area searches by name, kind and legal form, page by page
   with a resume context, counts, and the look-up of numbers and single entries. */
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#pragma pack(push, 1)
/* Texts are Shift-JIS, NUL-terminated or blank padded within their fields; integers little-endian. */

/* One area of a search. */
typedef struct TDirectoryCondition {
    char CategoryCode[6];   /* four digits and a NUL: the sub category (main × 100 + sub); "0000" or all zero
                               for every category */
    char Reserved1[2];
    uint32_t NameListPair;  /* always 0 here: the name lists travel as the last argument of the calls */
    char AreaCode[56];      /* "" whole country, 2 digits a prefecture, 5 a municipality, 8 a district */
    uint32_t One1;          /* 1 */
    uint32_t Kinds;         /* bit set: 1 normal numbers, 2 fax, 4 telephone and fax, 8 main numbers */
    char Reserved2[16];
    uint32_t LegalForm;     /* 0 any, 1 株式, 2 有限, 3 合資, 4 合名, 5 相互, 6 財団法人, 7 社団法人 */
    uint32_t Continuation;  /* 1: go on from the resume context; the library never writes it */
    uint32_t One2;          /* 1 */
    uint32_t MatchMode;     /* name match: 0 prefix, 1 fuzzy (anywhere in the name), 2 suffix, 3 exact */
    uint32_t PageSize;      /* slots of the page buffer: 20, 50, 100 or 200 */
    char DataFolder[256];   /* the folder holding the directory data, ending with "/" */
    char DicFolder[256];    /* the dictionary folder, ending with "/" */
} TDirectoryCondition;

/* One hit of an area search. */
typedef struct TDirectoryHit {
    char Tel[14];           /* the number as listed, digits */
    char Reserved1[2];
    uint32_t Kind;          /* 1 fax, 2 telephone and fax, 3 main number, anything else normal */
    uint32_t Entry;         /* the entry's reference for kvdir_search_tel_one */
    char Name[126];
    char Address[106];
    char Reserved2[8];
    char MainCategory[2];   /* two digits */
    char SubCategory[2];    /* two digits */
    char Reserved3[4];
} TDirectoryHit;

/* The whole entry. */
typedef struct TDirectoryDetail {
    char Tel[14];
    char Reserved1[6];
    uint32_t Kind;
    char PostalCode[8];     /* seven digits */
    char Name[120];
    char NameReading[62];   /* half-width katakana */
    char Prefecture[10];
    char City[26];
    char Address1[38];      /* town */
    char Address2[38];      /* block and number */
    char Address3[82];      /* building */
    char PrefectureReading[10];
    char CityReading[26];
    char Address1Reading[38];
    char Address2Reading[34];
    char Address3Reading[34];
    char AddressCode[16];   /* the five-digit JIS code, then the six-digit town code */
    char Reserved2[2];
    uint32_t Person;        /* 99 an individual, anything else a company */
    char Reserved3[8];
    uint32_t Latitude;      /* 1/256 second of arc */
    uint32_t Longitude;
    char MainCategory[2];
    char SubCategory[2];
    char Reserved4[4];
} TDirectoryDetail;

/* The request of the number look-ups. */
typedef struct TDirectoryTelRequest {
    char Tel[16];           /* a number (digits, hyphens ignored) or, for kvdir_search_tel_one, the hit's number */
    uint32_t One;           /* 1 */
    char DataFolder[256];
    char DicFolder[256];
} TDirectoryTelRequest;

/* Where an area search goes on. Opaque but for the last two words: the caller zero-fills it and sets both
   to -1 before the first call of a search, and zero-fills it again (both 0) when moving to the next area;
   after a call that returned 0, AreaDone != 0 means the area has no more hits. */
typedef struct TDirectoryResume {
    uint32_t State[9];
    int32_t Started;
    int32_t AreaDone;
} TDirectoryResume;
#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(TDirectoryCondition) == 624, "TDirectoryCondition");
static_assert(sizeof(TDirectoryHit) == 272, "TDirectoryHit");
static_assert(sizeof(TDirectoryDetail) == 596, "TDirectoryDetail");
static_assert(sizeof(TDirectoryTelRequest) == 532, "TDirectoryTelRequest");
static_assert(sizeof(TDirectoryResume) == 44, "TDirectoryResume");
#endif

/* Details of kvdir_search_tel. */
#define KVDIR_TEL_RESULTS 8

/* Codes: 0 found (an area search: a page, more may follow), 1 the area has no (more) hits, 4 invalid
   argument, 8 nothing found (number look-ups), 16 directory data missing or damaged, 100 stopped through
   the callback. */

/* The abort callback: called now and then while a search works, with two values the caller does not need;
   returns 0 to stop (the call then returns 100), anything else to go on. */
typedef int32_t (*TDirectoryAbort)(int32_t, int32_t);

/* names: the name list and the exclusion list, each "name,name,...," (NULL or "" for none); the name list
   starts with the search name the match mode applies to, the further names are target names that a fuzzy
   search also accepts; an entry whose name holds an exclusion name is left out. NULL: no names. */

/* The next page of an area: up to PageSize hits into page, their number into *count. */
int32_t kvdir_search_area(TDirectoryCondition *condition, TDirectoryHit *page, int32_t *count,
                          TDirectoryResume *resume, int32_t reserved, TDirectoryAbort abort,
                          const char *const names[2]);
/* The number of hits of an area. */
int32_t kvdir_search_area_count(TDirectoryCondition *condition, int32_t *count, int32_t reserved,
                                TDirectoryAbort abort, const char *const names[2]);
/* The same two over the entries that have a fax number (kinds 1 and 2) only. */
int32_t kvdir_search_area_fax(TDirectoryCondition *condition, TDirectoryHit *page, int32_t *count,
                              TDirectoryResume *resume, int32_t reserved, TDirectoryAbort abort,
                              const char *const names[2]);
int32_t kvdir_search_area_count_fax(TDirectoryCondition *condition, int32_t *count, int32_t reserved,
                                    TDirectoryAbort abort, const char *const names[2]);
/* The entries listed under a number (at most KVDIR_TEL_RESULTS) into result, their number into *count. */
int32_t kvdir_search_tel(TDirectoryTelRequest *request, TDirectoryDetail result[8], int32_t *count);
/* The entry of a hit: request->Tel its number, entry its reference. */
int32_t kvdir_search_tel_one(TDirectoryTelRequest *request, TDirectoryDetail *detail, uint32_t entry);
/* The kinds (the bit set of TDirectoryCondition.Kinds) under which a number is listed into *kinds. */
int32_t kvdir_tel_mask(TDirectoryTelRequest *request, uint32_t *kinds);

typedef int32_t (*TKvdirSearchArea)(TDirectoryCondition *, TDirectoryHit *, int32_t *, TDirectoryResume *,
                                    int32_t, TDirectoryAbort, const char *const[2]);
typedef int32_t (*TKvdirSearchAreaCount)(TDirectoryCondition *, int32_t *, int32_t, TDirectoryAbort,
                                         const char *const[2]);
typedef int32_t (*TKvdirSearchTel)(TDirectoryTelRequest *, TDirectoryDetail *, int32_t *);
typedef int32_t (*TKvdirSearchTelOne)(TDirectoryTelRequest *, TDirectoryDetail *, uint32_t);
typedef int32_t (*TKvdirTelMask)(TDirectoryTelRequest *, uint32_t *);

#ifdef __cplusplus
}
#endif
