/* Kvrail.so: railway stations (sample data) near a point, the lines of a station, and stations by the start of
   their name or of their reading. */
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#pragma pack(push, 1)
/* One station. Positions in 1/256 second of arc; texts Shift-JIS, blank-padded (readings half-width
   katakana, large letters only). */
typedef struct TRailStation {
    int32_t Latitude;  /* 0: an empty entry */
    int32_t Longitude;
    char KickCode[6];  /* the station's code for the route planner: five digits and a blank */
    char Name[22];
    char Reading[22];
    char Unused[2];
    int32_t Distance;   /* metres from the searched point (StationSearchFromPoint only) */
    int32_t Direction;  /* 1 north, 2 north-east, ... 8 north-west, seen from the searched point */
    int32_t StationNo;  /* 1 upwards, for LineList */
} TRailStation;

/* One line of a station. */
typedef struct TRailLine {
    char Name[42];
} TRailLine;
#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(TRailStation) == 72, "TRailStation");
static_assert(sizeof(TRailLine) == 42, "TRailLine");
#endif

/* Codes: 0 found, 8 nothing found, 4 invalid argument, 16 Rail.dat in "data" is missing or damaged. "data" is
   the dictionary folder, ending with "/". */

/* The three stations nearest to the point within 10 km, nearest first, into result[0..2]; result[3] and the
   entries without a station are zero-filled. */
int32_t StationSearchFromPoint(int32_t latitude, int32_t longitude, TRailStation result[4], const char *data);

/* The lines of the station: *count is set; with result (room for *count entries, as a first call without it
   answered) the lines are written, in name order. */
int32_t LineList(int32_t stationNo, int32_t *count, TRailLine *result, const char *data);

/* Stations whose name starts with key, or, for a key of one half-width katakana byte (0xA6 to 0xDD), whose
   reading starts with it; in reading order. *count and result as for LineList. */
int32_t StationListEx(const char *key, int32_t *count, TRailStation *result, const char *data);

typedef int32_t (*TStationSearchFromPoint)(int32_t, int32_t, TRailStation *, const char *);
typedef int32_t (*TLineList)(int32_t, int32_t *, TRailLine *, const char *);
typedef int32_t (*TStationListEx)(const char *, int32_t *, TRailStation *, const char *);

#ifdef __cplusplus
}
#endif
