/* Kvjis.so: one free-form address text to its postal code, municipality (JIS) code, town code and the
   normalised parts of the address. */
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#pragma pack(push, 1)
/* Texts are Shift-JIS, padded with blanks; readings are half-width katakana. */
typedef struct TJisAdrsRecord {
    char JisCode[6];        /* five digits and a blank */
    char PostalCode[10];    /* seven digits */
    char PrefectureReading[10];
    char Prefecture[10];
    char CityReading[26];
    char City[26];
    char TownReading[102];
    char Town[102];
    char TownCode[7];       /* six digits and a blank */
    char Reserved[3];
} TJisAdrsRecord;
#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(TJisAdrsRecord) == 302, "TJisAdrsRecord");
#endif

/* Bytes of the longest address text KVJisAdrs takes. */
#define KVJIS_MAX_ADDRESS 4096

/* Codes of KVJisAdrs. */
#define KVJIS_MATCHED 0
#define KVJIS_PARTIAL 1   /* the municipality was found, the town was not: the town fields stay blank and the
                             postal code is the municipality's own (blank when it has none) */
#define KVJIS_INVALID 4   /* no address text, one that is not Shift-JIS, or one longer than KVJIS_MAX_ADDRESS */
#define KVJIS_NOT_FOUND 8
/* Dic/Geo.dic or Dic/Jis.dic is missing, damaged, or the two were not made from each other. No code the
   program accepts, so the wrapper reports a failed call instead of an unknown address. */
#define KVJIS_DICTIONARY_ERROR 16

/* Matches address (as people write it: full- or half-width digits, kanji numerals, 丁目/番地/号 or hyphens,
   with or without the prefecture) and fills rec. "data" is the dictionary folder, ending with "/". On codes 4, 8
   and 16 rec is left as it was. 64-bit form: the platform's C calling convention. Safe to call from several
   threads at once: each thread reads its own mappings of the dictionaries, kept until a file is replaced. */
int32_t KVJisAdrs(const char *address, TJisAdrsRecord *rec, const char *data);

typedef int32_t (*TKVJisAdrs)(const char *, TJisAdrsRecord *, const char *);

#ifdef __cplusplus
}
#endif
