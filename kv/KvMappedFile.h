// Read-only mapping of one dictionary file for the length of a call, shared by the stand-in libraries. Each
// call maps the file on its own, so a library keeps no state between calls and several threads may call it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kv {

class TMappedFile {
public:
    // Empty (data() null) when the file is missing, not a regular file, empty or cannot be mapped.
    explicit TMappedFile(const std::string &path)
    {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return;
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
            void *p = ::mmap(nullptr, size_t(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
            if (p != MAP_FAILED) {
                data_ = static_cast<const unsigned char *>(p);
                size_ = size_t(st.st_size);
            }
        }
        ::close(fd);
    }
    ~TMappedFile()
    {
        if (data_)
            ::munmap(const_cast<unsigned char *>(data_), size_);
    }
    TMappedFile(const TMappedFile &) = delete;
    TMappedFile &operator=(const TMappedFile &) = delete;

    const unsigned char *data() const { return data_; }
    size_t size() const { return size_; }

private:
    const unsigned char *data_ = nullptr;
    size_t size_ = 0;
};

// Little-endian 32-bit field of a file header.
inline uint32_t le32(const unsigned char *p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

}  // namespace kv
