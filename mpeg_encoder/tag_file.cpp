#include "mpeg_encoder/tag_file.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace mpeg_encoder {

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }

private:
    int m_fd;
};

int openFile(const char* path, int flags)
{
    int fd;
    do
        fd = ::open(path, flags | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    return fd;
}

bool readAt(int fd, uint8_t* data, size_t size, size_t& got)
{
    got = 0;
    while (got < size) {
        const ssize_t n = ::pread(fd, data + got, size - got, off_t(got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        got += size_t(n);
    }
    return true;
}

bool writeAtStart(int fd, const std::vector<uint8_t>& data)
{
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::pwrite(fd, data.data() + done, data.size() - done, off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return true;
}

}  // namespace

std::optional<std::vector<uint8_t>> readFileStart(const char* path, size_t bytes)
{
    const Descriptor fd(openFile(path, O_RDONLY));
    if (!fd)
        return std::nullopt;
    std::vector<uint8_t> start(bytes);
    size_t got = 0;
    if (!readAt(fd.get(), start.data(), bytes, got))
        return std::nullopt;
    start.resize(got);
    return start;
}

bool holdsStream(const std::vector<uint8_t>& fileStart, const FinishedTag& tag)
{
    // The stream's first bytes hold the reserved frame and the first audio
    // frames, which tell one recording from another.
    return fileStart.size() >= tag.streamStart.size() && tag.streamStart.size() >= tag.frame.size()
        && std::equal(tag.streamStart.begin(), tag.streamStart.end(), fileStart.begin());
}

BE_ERR writeTagIntoFile(const char* path, const FinishedTag& tag)
{
    const Descriptor fd(openFile(path, O_RDWR));
    if (!fd)
        return BE_ERR_FILE;
    std::vector<uint8_t> fileStart(tag.streamStart.size());
    size_t got = 0;
    if (!readAt(fd.get(), fileStart.data(), fileStart.size(), got))
        return BE_ERR_FILE;
    fileStart.resize(got);
    if (!holdsStream(fileStart, tag) || !writeAtStart(fd.get(), tag.frame))
        return BE_ERR_FILE;
    return BE_ERR_SUCCESSFUL;
}

}  // namespace mpeg_encoder
