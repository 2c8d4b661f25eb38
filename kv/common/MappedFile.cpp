#include "MappedFile.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kv {

namespace {

struct TMappedRegion {
    const unsigned char *data = nullptr;
    size_t size = 0;
    ~TMappedRegion()
    {
        if (data)
            ::munmap(const_cast<unsigned char *>(data), size);
    }
};

// What tells one file from its replacement.
struct TFileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    int64_t changed = 0;  // nanoseconds
    bool operator==(const TFileIdentity &) const = default;
};

TFileIdentity identityOf(const struct stat &st)
{
    return {st.st_dev, st.st_ino, st.st_size, int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

// The calling thread's mapping of path, made on first use and kept while the file stays the same; null when
// the file is missing, empty or cannot be mapped. A few files are kept per thread (a library reads one or
// two; tests and tools open several folders). Whether the file is still the same one is asked at most once
// per kStampInterval: the stat of its path costs more than a whole look-up, and a replaced dictionary is
// still noticed within the interval. (A replacement is installed under a new inode, so the mapping of the old
// file stays readable until then.)
std::shared_ptr<const TMappedRegion> mapForThisThread(const std::string &path)
{
    struct TKept {
        std::string path;
        TFileIdentity identity;
        std::shared_ptr<const TMappedRegion> region;
        std::chrono::steady_clock::time_point checked;
    };
    constexpr size_t kKeptFiles = 4;
    thread_local std::vector<TKept> kept;

    const auto now = std::chrono::steady_clock::now();
    auto it = std::find_if(kept.begin(), kept.end(), [&](const TKept &k) { return k.path == path; });
    if (it != kept.end() && now - it->checked < kStampInterval)
        return it->region;
    struct stat st {};
    if (it != kept.end() && ::stat(path.c_str(), &st) == 0 && it->identity == identityOf(st)) {
        it->checked = now;
        return it->region;
    }
    if (it != kept.end())
        kept.erase(it);

    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    std::shared_ptr<TMappedRegion> region;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
        void *p = ::mmap(nullptr, size_t(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
        if (p != MAP_FAILED) {
            region = std::make_shared<TMappedRegion>();
            region->data = static_cast<const unsigned char *>(p);
            region->size = size_t(st.st_size);
        }
    }
    ::close(fd);
    if (!region)
        return {};
    if (kept.size() == kKeptFiles)
        kept.erase(kept.begin());
    kept.push_back({path, identityOf(st), region, now});
    return region;
}

}  // namespace

TMappedFile::TMappedFile(const std::string &path)
{
    if (path.empty())
        return;
    std::shared_ptr<const TMappedRegion> region = mapForThisThread(path);
    if (!region)
        return;
    data_ = region->data;
    size_ = region->size;
    region_ = std::move(region);
}

}  // namespace kv
