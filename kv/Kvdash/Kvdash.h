/* Kvdash.so: hyphenates Japanese telephone numbers as the numbering plan groups them (0312345678 -> 03-1234-5678). */
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The caller's current time in UTC: 16 bytes, little-endian, day of week 0 = Sunday. */
#pragma pack(push, 1)
typedef struct TSystemTime {
    uint16_t wYear;
    uint16_t wMonth;
    uint16_t wDayOfWeek;
    uint16_t wDay;
    uint16_t wHour;
    uint16_t wMinute;
    uint16_t wSecond;
    uint16_t wMilliseconds;
} TSystemTime;
#pragma pack(pop)

/* The table the library reads from the dictionary folder; written at build time by data/areacodes. */
#define KVDASH_DIC_FILE "Dash.dic"
/* Bytes of the caller's output buffer. */
#define KVDASH_OUT_SIZE 14

/* Results of GetHyphen. */
#define KVDASH_OK 0
/* The dictionary file is missing, unreadable, or not a table of this library (wrong magic, version or size,
   inconsistent record). */
#define KVDASH_DICTIONARY_ERROR 1
/* A null number or buffer, a number without digits, or a character other than digits, blanks and hyphens. */
#define KVDASH_INVALID_NUMBER 4
/* The digits are no number of the numbering plan, or their hyphenated form is longer than KVDASH_OUT_SIZE. */
#define KVDASH_UNKNOWN_NUMBER 8

/* Hyphenates number (zero-terminated; blanks and hyphens in it are ignored, the digits are grouped afresh)
   into out14: up to 14 bytes, the rest zero, with no terminator when all 14 are used. On an error out14 is
   left as it was. dicFolder is the folder of Dash.dic in the local 8-bit encoding, ending with "/".
   utc is the caller's current time; the table holds no dated changes of the plan, so it may be null.

   The number is dialled as within Japan: "0" + national number, or the national number itself for the
   "00.." carrier numbers.

   64-bit form: the platform's C calling convention (stdcall has no meaning on x86-64) and 64-bit pointers;
   the record layout and the 14-byte buffer are unchanged. Safe to call from several threads at once: each
   thread reads its own mapping of the table, kept until the file is replaced. */
int32_t GetHyphen(const char *number, char *out14, const char *dicFolder, const TSystemTime *utc);

typedef int32_t (*TGetHyphenFunc)(const char *number, char *out14, const char *dicFolder, const TSystemTime *utc);

#ifdef __cplusplus
}
#endif
