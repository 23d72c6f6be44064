#include "platform/locked_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

int openExclusive(const QByteArray& name)
{
    return ::open(name.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
}

}  // namespace

bool createLockedFile(const QString& path, QFile& file, QIODevice::OpenMode extraMode)
{
    const QByteArray name = QFile::encodeName(path);
    int fd = openExclusive(name);
    if (fd < 0 && errno == EEXIST) {
        struct stat st {};
        // A link or a special file planted at our name is never followed or removed.
        if (::lstat(name.constData(), &st) != 0 || !S_ISREG(st.st_mode) || isLockedElsewhere(path))
            return false;
        if (::unlink(name.constData()) != 0)
            return false;
        fd = openExclusive(name);
    }
    if (fd < 0)
        return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        ::unlink(name.constData());
        return false;
    }
    if (!file.open(fd, QIODevice::ReadWrite | extraMode, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        ::unlink(name.constData());
        return false;
    }
    return true;
}

bool isLockedElsewhere(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return locked;
}

}  // namespace platform
