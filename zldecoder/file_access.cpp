#include "file_access.h"

#include "zldecoder.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <utility>
#include <unistd.h>

namespace zldecoder {

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = other.Release();
    }
    return *this;
}

UniqueFd::~UniqueFd()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

int UniqueFd::Release()
{
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

bool FileIdentity::operator==(const FileIdentity& other) const
{
    return device == other.device && inode == other.inode && size == other.size &&
        modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
}

uint32_t CodeForOpenError(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
        return ZLDEC_ERR_NO_FILE;
    case EBUSY:
    case ETXTBSY:
    case EWOULDBLOCK:
        return ZLDEC_ERR_LOCKED;
    default:
        return ZLDEC_ERR_CANNOT_OPEN;
    }
}

namespace {

// Writers that want the file to themselves hold an exclusive flock or a write
// record lock; a shared request that conflicts means "in use elsewhere".
bool IsLockedElsewhere(int fd)
{
    if (::flock(fd, LOCK_SH | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK)
            return true;
    } else {
        ::flock(fd, LOCK_UN);
    }
    struct flock probe {};
    probe.l_type = F_RDLCK;
    probe.l_whence = SEEK_SET;
    if (::fcntl(fd, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK)
        return true;
    return false;
}

}  // namespace

uint32_t OpenRegularFile(const char* path, OpenedFile& out)
{
    // O_NONBLOCK: a FIFO or a device at the path must not block us.
    UniqueFd fd(::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0)
        return CodeForOpenError(errno);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        return ZLDEC_ERR_CANNOT_OPEN;
    if (!S_ISREG(st.st_mode))
        return ZLDEC_ERR_CANNOT_OPEN;
    if (IsLockedElsewhere(fd.get()))
        return ZLDEC_ERR_LOCKED;
    out.identity = FileIdentity{st.st_dev, st.st_ino, static_cast<uint64_t>(st.st_size), st.st_mtim};
    out.fd = std::move(fd);
    return ZLDEC_OK;
}

}  // namespace zldecoder
