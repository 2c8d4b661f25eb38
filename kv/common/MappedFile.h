// Read-only mapping of a dictionary or data file, shared by the stand-in libraries.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace kv {

// How long a thread reads its mapping of a file before it asks again whether the file is still the same one.
inline constexpr std::chrono::milliseconds kStampInterval{1000};

// The calling thread's mapping of a file. A thread maps a file on its first use and keeps the mapping while
// the file stays the same one (device, inode, size and time of change): mapping a dictionary afresh and
// touching its pages again on every call would cost a look-up far more than the look-up itself. A file
// replaced by another is mapped anew on the thread's first use once kStampInterval has passed since it last
// asked. Each thread has its own mappings, so two
// threads calling at once share nothing that changes; an object holds its mapping for its own lifetime (a
// search handle keeps reading the file it was opened on, even once the thread has mapped a replacement).
class TMappedFile {
public:
    // Empty (data() null) when the file is missing, not a regular file, empty or cannot be mapped.
    explicit TMappedFile(const std::string &path);
    TMappedFile(const TMappedFile &) = delete;
    TMappedFile &operator=(const TMappedFile &) = delete;

    const unsigned char *data() const { return data_; }
    size_t size() const { return size_; }

private:
    std::shared_ptr<const void> region_;  // keeps the mapping
    const unsigned char *data_ = nullptr;
    size_t size_ = 0;
};

// Little-endian 32-bit field of a file header.
inline uint32_t le32(const unsigned char *p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

}  // namespace kv
