/* Kvstripe.so: the postal customer barcode of a postal code and an address, drawn into a BMP file. */
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Bytes of the caller's buffer. */
#define KVSTRIPE_BUFFER_SIZE 42
/* Bytes of the longest address text CreateAdrsBar takes. */
#define KVSTRIPE_MAX_ADDRESS 4096

/* The bitmap: 1 bit per pixel, black bars on white, 96 dpi, the extent of the 11-point barcode (the largest
   bar size of the designers): 351 by 15 pixels horizontal, 15 by 351 vertical. The smaller bar sizes keep
   the same proportions, so the designers stretch this one bitmap to any of them. */
#define KVSTRIPE_BMP_LONG 351
#define KVSTRIPE_BMP_SHORT 15

/* Results of CreateAdrsBar. Only KVSTRIPE_OK leaves a file at the given path; every other result leaves the
   path as it was. */
#define KVSTRIPE_OK 0
/* No postal code, or one that is not seven digits (blanks around them and a hyphen after the third are
   allowed). */
#define KVSTRIPE_BAD_POSTAL_CODE 1
/* No address, one that is not Shift-JIS, or one longer than KVSTRIPE_MAX_ADDRESS. */
#define KVSTRIPE_BAD_ADDRESS 2
/* The postal code is no code of Geo.dic. */
#define KVSTRIPE_UNKNOWN_POSTAL_CODE 3
/* The postal code is a municipality's representative code (the one for addresses the postal list does not
   name, ending in "00"), which Japan Post gives no customer barcode. */
#define KVSTRIPE_NO_BARCODE 4
/* No file name, or the file could not be written or put in place. */
#define KVSTRIPE_FILE_ERROR 8
/* Dic/Geo.dic is missing or damaged. */
#define KVSTRIPE_DICTIONARY_ERROR 16

/* Makes the customer barcode of postalCode and address (zero-terminated Shift-JIS) and writes it as a BMP
   file to fileName (the local 8-bit encoding) through a temporary file in the same folder and a rename, so
   the path never holds a partial file. direction: 0 horizontal, any other value vertical (the horizontal
   barcode turned a quarter clockwise, so it reads from top to bottom).

   The address number is taken from the address after its town: the town of the postal code is looked up in
   Geo.dic of dictionaryFolder (ending with "/") and found in the address; what follows it gives the number
   by Japan Post's rules for the customer barcode. A large office's code carries no address number.

   buffer (KVSTRIPE_BUFFER_SIZE bytes, may be null) receives the data of the barcode, zero-terminated: the
   seven digits of the postal code and the address number, cut to the barcode's 20 characters, a letter
   counting as two ("26300233-30-8-403"). It is written whenever the data were made, even when the file then
   fails; otherwise it is left as it was. programFolder is not read.

   64-bit form: the platform's C calling convention (stdcall has no meaning on x86-64) and 64-bit pointers.
   Safe to call from several threads at once: every call maps the dictionary on its own and keeps nothing. */
int32_t CreateAdrsBar(const char *postalCode, const char *address, int32_t direction, char *buffer,
                      const char *programFolder, const char *dictionaryFolder, const char *fileName);

typedef int32_t (*TCreateAdrsBar)(const char *, const char *, int32_t, char *, const char *, const char *,
                                  const char *);

#ifdef __cplusplus
}
#endif
