// The area search of Kvdir17.so: a condition as a query, and the walk over the listings that answer it in
// listing order, through the name, category and area indexes of the directory file.
#pragma once

#include "DirectoryFile.h"
#include "Kvdir17.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kvdir {

// The codes of the library.
inline constexpr int32_t kFound = 0, kAreaExhausted = 1, kInvalidArgument = 4, kNothingFound = 8,
                         kDataMissing = 16, kStoppedByCaller = 100;

// One area search as the condition and the name lists ask for it.
struct TAreaQuery {
    std::string dataFolder;  // ends with "/"
    std::string areaCode;    // "", 2, 5 or 8 characters
    uint32_t kinds = 0;      // the bits of TDirectoryCondition.Kinds that are searched; 0 finds nothing
    uint32_t legalForm = 0;
    uint32_t category = 0;   // 0 any, a main category (1 to 99) or a sub category (main × 100 + sub)
    uint32_t mode = 0;       // TMatchMode
    std::vector<std::string> names;       // keys; a listing matches one of them, or any listing when empty
    std::vector<std::string> exclusions;  // keys; a listing holding one of them is left out
    uint32_t hash = 0;       // identifies the query inside a resume context
};

// The folder of a record's data folder field, trimmed and ending with "/"; empty when the field is.
std::string DataFolderOf(const char (&field)[256]);

// The query of a condition, or false when the condition is not valid. With faxOnly only the kinds fax and
// telephone-and-fax are searched.
bool ParseCondition(const TDirectoryCondition &condition, const char *const names[2], bool faxOnly,
                    TAreaQuery &query);

// The hits of one area, in listing order, from any position on. The walk calls the abort callback before it
// starts and now and then while it works.
class TAreaSearch {
public:
    // An area code the directory does not know holds no listings.
    TAreaSearch(const TDirectoryFile &file, const TAreaQuery &query);
    ~TAreaSearch();
    TAreaSearch(const TAreaSearch &) = delete;
    TAreaSearch &operator=(const TAreaSearch &) = delete;

    // The listings of the area: hits lie in [first(), end()).
    uint32_t first() const { return first_; }
    uint32_t end() const { return end_; }

    struct TWalk {
        int32_t code = kFound;  // kFound, or kStoppedByCaller when the callback answered 0
        uint32_t next = 0;      // where a walk goes on: the hit take refused, or the first position not looked
                                // at; end() when every hit was taken
    };
    // Offers every hit from position from on to take, until take answers false.
    TWalk walk(uint32_t from, const std::function<bool(uint32_t)> &take, TDirectoryAbort abort);

private:
    class TCandidates;
    bool matches(uint32_t id) const;

    const TDirectoryFile &file_;
    const TAreaQuery &query_;
    uint32_t first_ = 0, end_ = 0;
    std::unique_ptr<TCandidates> candidates_;
};

}  // namespace kvdir
