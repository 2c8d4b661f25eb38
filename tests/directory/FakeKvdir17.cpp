// Test-only directory libraries, kept out of the program folder. Built twice:
// - partial: every entry of Kvdir17.so but kvdir_tel_mask, which the program never calls and still requires;
// - scripted: a directory whose areas are described by their area code "id,hits,per": area id holds hits
//   entries (entry id × 1000 + n), and each call returns the next per of them (at most a page). per 0: every
//   call answers 0 with no hits and no end. A call told to stop still returns its hits and moves its context
//   on, as a library stopped after its last read may.
#include "Kvdir17/Kvdir17.h"

#include <cstdio>
#include <cstring>

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

struct Area {
    int id = 0, hits = 0, per = 0;
};

Area areaOf(const TDirectoryCondition *condition)
{
    Area a;
    char code[sizeof condition->AreaCode + 1] = {};
    std::memcpy(code, condition->AreaCode, sizeof condition->AreaCode);
    std::sscanf(code, "%d,%d,%d", &a.id, &a.hits, &a.per);
    return a;
}

// A library that answers 0 forever would hang a worker lacking its guard; this one gives up, as damaged data.
constexpr uint32_t stallLimit = 1000;

}  // namespace

FAKE_EXPORT int32_t kvdir_search_area(TDirectoryCondition *condition, TDirectoryHit *page, int32_t *count,
                                      TDirectoryResume *resume, int32_t, TDirectoryAbort abort, const char *const[2])
{
    const Area area = areaOf(condition);
    uint32_t &next = resume->State[0];
    if (area.per == 0) {
        resume->AreaDone = 0;
        return ++resume->State[1] > stallLimit ? 16 : 0;
    }
    if (static_cast<int>(next) >= area.hits)
        return 1;
    int n = 0;
    while (n < area.per && n < static_cast<int>(condition->PageSize) && static_cast<int>(next) < area.hits) {
        TDirectoryHit &hit = page[n++];
        hit.Entry = static_cast<uint32_t>(area.id * 1000) + next++;
        std::snprintf(hit.Tel, sizeof hit.Tel, "%u", hit.Entry);
        std::snprintf(hit.Name, sizeof hit.Name, "Entry %u", hit.Entry);
        std::memcpy(hit.MainCategory, "01", 2);
        std::memcpy(hit.SubCategory, "02", 2);
    }
    *count = n;
    resume->AreaDone = static_cast<int>(next) >= area.hits ? 1 : 0;
    return abort && abort(0, 0) == 0 ? 100 : 0;
}
FAKE_EXPORT int32_t kvdir_search_area_count(TDirectoryCondition *condition, int32_t *count, int32_t, TDirectoryAbort,
                                            const char *const[2])
{
    *count = areaOf(condition).hits;
    return *count > 0 ? 0 : 1;
}
FAKE_EXPORT int32_t kvdir_search_area_fax(TDirectoryCondition *condition, TDirectoryHit *page, int32_t *count,
                                          TDirectoryResume *resume, int32_t reserved, TDirectoryAbort abort,
                                          const char *const names[2])
{
    return kvdir_search_area(condition, page, count, resume, reserved, abort, names);
}
FAKE_EXPORT int32_t kvdir_search_area_count_fax(TDirectoryCondition *condition, int32_t *count, int32_t reserved,
                                                TDirectoryAbort abort, const char *const names[2])
{
    return kvdir_search_area_count(condition, count, reserved, abort, names);
}
FAKE_EXPORT int32_t kvdir_search_tel(TDirectoryTelRequest *, TDirectoryDetail *, int32_t *) { return 8; }
FAKE_EXPORT int32_t kvdir_search_tel_one(TDirectoryTelRequest *, TDirectoryDetail *, uint32_t) { return 8; }
#ifndef FAKE_KVDIR17_PARTIAL
FAKE_EXPORT int32_t kvdir_tel_mask(TDirectoryTelRequest *, uint32_t *) { return 8; }
#endif
