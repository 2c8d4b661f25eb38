/* Kvkana.so: prefectures, municipalities and districts with their readings, for the area choosers. */
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#pragma pack(push, 1)
/* One prefecture. Texts are Shift-JIS, padded with blanks. */
typedef struct TKanaPrefEntry {
    uint32_t Number;       /* 1 to 47 */
    char Name[10];
    uint16_t CityCount;    /* the size of the municipality list of KVKanaCityAll */
} TKanaPrefEntry;

/* One municipality. */
typedef struct TKanaCityEntry {
    char Code[6];          /* five-digit address code and its terminating NUL */
    char Initial[2];       /* the half-width katakana letter its reading starts with, blank padded (readings
                              are written with large letters only: "ﾁﾖﾀﾞｸ" is listed under "ﾁ") */
    char Name[40];
    int16_t DistrictCount; /* the size of the district list of KVKanaOhazaAll and KVKanaOhazaAll_Chome */
} TKanaCityEntry;

/* One district (through KVKanaAzaAll: one block of a district, "本町２丁目"). */
typedef struct TKanaOazaEntry {
    char Code[8];          /* district code: the five-digit address code and three characters of our numbering
                              ("001" to "999", then "A00" to "Z99") */
    char Reserved[4];
    char Initial[2];
    char Name[40];
    uint16_t Number;       /* the district's position in its municipality, 1 upwards */
} TKanaOazaEntry;
#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(TKanaPrefEntry) == 16, "TKanaPrefEntry");
static_assert(sizeof(TKanaCityEntry) == 50, "TKanaCityEntry");
static_assert(sizeof(TKanaOazaEntry) == 56, "TKanaOazaEntry");
#endif

/* Regions of KVKanaTdfknPart, none with more than KVKANA_REGION_SIZE prefectures. */
#define KVKANA_REGION_SIZE 10
#define KVKANA_PREFECTURES 47

/* Codes: 0 found, 4 invalid input, 8 nothing found, 16 Geo.dic in "data" is missing or damaged (a code the
   program does not accept, so the failure is reported, never taken for "nothing found"). "data" is the
   dictionary folder, ending with "/".
   Every list entry fills at most count entries of buf and leaves the rest as it was. */

/* All 47 prefectures in number order into buf[47]. */
int32_t KVKanaTdfkn(TKanaPrefEntry *buf, const char *data);
/* The prefectures of one region (0 to 5) into buf[10]; the entries after the region's last are zeroed. */
int32_t KVKanaTdfknPart(int32_t region, TKanaPrefEntry *buf, const char *data);
/* The municipalities of prefecture 1 to 47 in reading order. */
int32_t KVKanaCityAll(int32_t prefecture, TKanaCityEntry *buf, int32_t count, const char *data);
/* The districts of one municipality (five-character address code) in reading order, without block numbers
   ("本町"); DistrictCount of its TKanaCityEntry is their number. */
int32_t KVKanaOhazaAll(const char *code, TKanaOazaEntry *buf, int32_t count, const char *data);
/* The same districts, as many, in the same order and with the same codes, but a district that has blocks
   (丁目) carries the mark "（丁目）" behind its name ("本町（丁目）"): its blocks are listed by KVKanaAzaAll.
   Geo.dic's build fails rather than let a marked name outgrow Name. */
int32_t KVKanaOhazaAll_Chome(const char *code, TKanaOazaEntry *buf, int32_t count, const char *data);
/* The block numbers of one district (eight-character district code), each as its own entry. */
int32_t KVKanaAzaAll(const char *districtCode, TKanaOazaEntry *buf, int32_t count, const char *data);

typedef int32_t (*TKVKanaTdfkn)(TKanaPrefEntry *, const char *);
typedef int32_t (*TKVKanaTdfknPart)(int32_t, TKanaPrefEntry *, const char *);
typedef int32_t (*TKVKanaCityAll)(int32_t, TKanaCityEntry *, int32_t, const char *);
typedef int32_t (*TKVKanaOhazaAll)(const char *, TKanaOazaEntry *, int32_t, const char *);

#ifdef __cplusplus
}
#endif
