/* The large-office record that Kvpost.so and Kvaddr.so both fill. */
#pragma once

#pragma pack(push, 1)
/* Shift-JIS, padded with blanks; the reading is half-width katakana. */
typedef struct TLargeOfficeEntry {
    char Reading[62];
    char Name[62];
} TLargeOfficeEntry;
#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(TLargeOfficeEntry) == 124, "TLargeOfficeEntry");
#endif
