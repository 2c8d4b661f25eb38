// A test-only directory library with every entry of Kvdir17.so but kvdir_tel_mask, which the program never
// calls and still requires. Kept out of the program folder.
#include "Kvdir17/Kvdir17.h"

#define PARTIAL_EXPORT extern "C" __attribute__((visibility("default")))

PARTIAL_EXPORT int32_t kvdir_search_area(TDirectoryCondition *, TDirectoryHit *, int32_t *, TDirectoryResume *, int32_t,
                                         TDirectoryAbort, const char *const[2])
{
    return 1;
}
PARTIAL_EXPORT int32_t kvdir_search_area_count(TDirectoryCondition *, int32_t *, int32_t, TDirectoryAbort,
                                               const char *const[2])
{
    return 1;
}
PARTIAL_EXPORT int32_t kvdir_search_area_fax(TDirectoryCondition *, TDirectoryHit *, int32_t *, TDirectoryResume *,
                                             int32_t, TDirectoryAbort, const char *const[2])
{
    return 1;
}
PARTIAL_EXPORT int32_t kvdir_search_area_count_fax(TDirectoryCondition *, int32_t *, int32_t, TDirectoryAbort,
                                                   const char *const[2])
{
    return 1;
}
PARTIAL_EXPORT int32_t kvdir_search_tel(TDirectoryTelRequest *, TDirectoryDetail *, int32_t *) { return 8; }
PARTIAL_EXPORT int32_t kvdir_search_tel_one(TDirectoryTelRequest *, TDirectoryDetail *, uint32_t) { return 8; }
