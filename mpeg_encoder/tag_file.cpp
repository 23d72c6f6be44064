#include "mpeg_encoder/tag_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace mpeg_encoder {

namespace {

bool WriteAtStart(int fd, const std::vector<uint8_t>& data)
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

TagFile::TagFile(const char* path)
{
    do
        m_fd = ::open(path, O_RDWR | O_CLOEXEC);
    while (m_fd < 0 && errno == EINTR);
    struct stat st {};
    if (m_fd >= 0 && ::fstat(m_fd, &st) == 0 && S_ISREG(st.st_mode))
        m_size = uint64_t(st.st_size);
    else
        m_unreadable = true;
}

TagFile::~TagFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool TagFile::HoldsStream(const FinishedTag& tag)
{
    if (m_unreadable || tag.streamBytes != m_size || tag.streamBytes < tag.frame.size())
        return false;
    if (!m_crc) {
        std::vector<uint8_t> buffer(1 << 20);
        uLong crc = crc32_z(0, nullptr, 0);
        for (uint64_t at = 0; at < m_size;) {
            const ssize_t n = ::pread(m_fd, buffer.data(), buffer.size(), off_t(at));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                m_unreadable = true;
                return false;
            }
            crc = crc32_z(crc, buffer.data(), size_t(n));
            at += uint64_t(n);
        }
        m_crc = uint32_t(crc);
    }
    return *m_crc == tag.streamCrc;
}

BE_ERR TagFile::Write(const FinishedTag& tag)
{
    if (!HoldsStream(tag) || !WriteAtStart(m_fd, tag.frame))
        return BE_ERR_FILE;
    m_crc.reset();  // the file has changed
    return BE_ERR_SUCCESSFUL;
}

}  // namespace mpeg_encoder
