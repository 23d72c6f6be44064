#pragma once
// Opening a file for reading with the library's result codes, and telling
// whether it is still the same file later on.

#include <cstdint>
#include <ctime>
#include <sys/types.h>

namespace zldecoder {

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd)
        : m_fd(fd)
    {
    }
    UniqueFd(UniqueFd&& other) noexcept
        : m_fd(other.Release())
    {
    }
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd();

    int get() const { return m_fd; }
    int Release();

private:
    int m_fd = -1;
};

struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    uint64_t size = 0;
    timespec modified{};

    bool operator==(const FileIdentity& other) const;
};

struct OpenedFile {
    UniqueFd fd;
    FileIdentity identity;
};

// Opens a regular file read-only. Returns 0, or ZLDEC_ERR_NO_FILE,
// ZLDEC_ERR_LOCKED or ZLDEC_ERR_CANNOT_OPEN.
uint32_t OpenRegularFile(const char* path, OpenedFile& out);

// The code for an errno of open(2).
uint32_t CodeForOpenError(int error);

}  // namespace zldecoder
