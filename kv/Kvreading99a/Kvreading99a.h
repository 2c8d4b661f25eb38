/* Kvreading99a.so: the written forms of Japanese family and given names for a reading typed in kana. */
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Bytes of each field of a candidate. */
#define KVREADING_FIELD_SIZE 12

/* One candidate, 24 bytes: the reading and one written form of it, Shift-JIS, zero padded (no terminator
   when all 12 bytes are used). The reading is spelt as the name edits send it: katakana, in its half-width
   form wherever one exists ("ｻﾄｳ", "ｽｽﾞｷ"). */
#pragma pack(push, 1)
typedef struct TReadingEntry {
    char Reading[KVREADING_FIELD_SIZE];
    char Written[KVREADING_FIELD_SIZE];
} TReadingEntry;
#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(TReadingEntry) == 24, "TReadingEntry is 24 bytes");
#else
_Static_assert(sizeof(TReadingEntry) == 24, "TReadingEntry is 24 bytes");
#endif

/* The name list the library reads from the dictionary folder; written at build time by data/names. */
#define KVREADING_DIC_FILE "NameReading.dic"

/* Results. */
#define KVREADING_FOUND 0
/* The dictionary file is missing, unreadable or not a list of this library (wrong magic, version or size). */
#define KVREADING_DICTIONARY_ERROR 1
/* A null or empty reading, a reading that ends inside a double-byte character, a null count pointer or
   buffer, or a buffer count below 1. */
#define KVREADING_INVALID_INPUT 4
/* No name has a reading that begins with the one asked for. */
#define KVREADING_NOT_FOUND 8

/* Candidates are the names whose reading begins with the given one, whole characters: the pop-up is asked
   while the reading is still being typed, and shows each reading on a row of its own. "ｶ" finds "ｶﾄｳ" but
   not "ｶﾞﾄｳ" (the voiced mark belongs to the character before it). A reading longer than 12 bytes finds
   nothing.

   Order: by the reading's bytes, so the reading itself comes before its longer continuations; within a
   reading the most common kanji spelling first, and the reading spelt in kana last.

   Arguments of every entry:
     reading    the reading, Shift-JIS, NUL-terminated
     reserved   0 (no meaning is given to it)
     dicFolder  the folder of NameReading.dic in the local 8-bit encoding, ending with "/"
   Sei entries look up family names, Mei entries given names.

   Count entries: *count is set to the number of candidates (0 with KVREADING_NOT_FOUND); on any other
   result it is left as it was.
   List entries: the first min(count, candidates) candidates are copied to entries; the rest of the buffer
   is left as it was.

   64-bit form: the platform's C calling convention (stdcall has no meaning on x86-64) and 64-bit pointers;
   the record layout is unchanged. Safe to call from several threads at once: each thread reads its own
   mapping of the list, kept until the file is replaced. */
int32_t KVReadingSeiCount(const char *reading, int32_t reserved, uint32_t *count, const char *dicFolder);
int32_t KVReadingMeiCount(const char *reading, int32_t reserved, uint32_t *count, const char *dicFolder);
int32_t KVReadingSeiList(const char *reading, int32_t reserved, TReadingEntry *entries, int32_t count,
                         const char *dicFolder);
int32_t KVReadingMeiList(const char *reading, int32_t reserved, TReadingEntry *entries, int32_t count,
                         const char *dicFolder);

typedef int32_t (*TKVReadingCountFunc)(const char *reading, int32_t reserved, uint32_t *count,
                                       const char *dicFolder);
typedef int32_t (*TKVReadingListFunc)(const char *reading, int32_t reserved, TReadingEntry *entries,
                                      int32_t count, const char *dicFolder);

#ifdef __cplusplus
}
#endif
