#include "platform/locked_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <QFileInfo>
#include <QRandomGenerator>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/platform_log.h"

namespace platform {
namespace {

// Where a name made from `path` stands: the folder, the name without its
// extension, and the extension with its dot.
struct NameParts {
    QString stem, extension;
    QString Numbered(int n) const
    {
        return n < 2 ? stem + extension : QStringLiteral("%1-%2%3").arg(stem).arg(n).arg(extension);
    }
};

NameParts SplitName(const QString& path)
{
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot <= slash + 1)
        return {path, QString()};
    return {path.left(dot), path.mid(dot)};
}

// A file nobody else can reach: unnamed where the file system allows it,
// else under a private name that no clean-up looks at.
int CreateUnreachable(const QByteArray& folder, QByteArray& privateName)
{
    const int fd = ::open(folder.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL))
        return fd;
    for (int attempt = 0; attempt < 100; ++attempt) {
        privateName = folder + "/.quillon_new_" + QByteArray::number(::getpid()) + '_' +
            QByteArray::number(QRandomGenerator::global()->generate());
        const int named = ::open(privateName.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (named >= 0 || errno != EEXIST)
            return named;
    }
    return -1;
}

// Fails with EEXIST rather than replacing anything at `name`.
bool GiveName(int fd, const QByteArray& privateName, const QByteArray& name)
{
    if (!privateName.isEmpty())
        return ::link(privateName.constData(), name.constData()) == 0;
    char self[40];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
    return ::linkat(AT_FDCWD, self, AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW) == 0;
}

bool NamesFile(const QByteArray& name, int fd)
{
    struct stat open {
    }, named{};
    return ::fstat(fd, &open) == 0 && ::lstat(name.constData(), &named) == 0 && open.st_dev == named.st_dev &&
        open.st_ino == named.st_ino;
}

bool CopyInto(int from, const QByteArray& target)
{
    const int to = ::open(target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (to < 0)
        return false;
    char buffer[65536];
    off_t at = 0;
    bool ok = true;
    for (;;) {
        const ssize_t n = ::pread(from, buffer, sizeof buffer, at);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ok = false;
            break;
        }
        for (ssize_t done = 0; ok && done < n;) {
            const ssize_t w = ::write(to, buffer + done, size_t(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            ok = w > 0;
            done += ok ? w : 0;
        }
        if (!ok)
            break;
        at += n;
    }
    ok = ok && ::fsync(to) == 0;
    ok = ::close(to) == 0 && ok;
    if (!ok)
        ::unlink(target.constData());
    return ok;
}

}  // namespace

QString CreateLockedFile(const QString& path, QFile& file, QIODevice::OpenMode extraMode)
{
    QByteArray privateName;
    const int fd = CreateUnreachable(QFile::encodeName(QFileInfo(path).path()), privateName);
    if (fd < 0) {
        qCWarning(lcPlatform) << "cannot create a file in" << QFileInfo(path).path() << ::strerror(errno);
        return {};
    }
    // Locked before it has a name: no clean-up ever sees it unlocked.
    ::flock(fd, LOCK_EX | LOCK_NB);
    const NameParts parts = SplitName(path);
    QString named;
    for (int n = 1; n < 100 && named.isEmpty(); ++n) {
        const QString candidate = parts.Numbered(n);
        if (GiveName(fd, privateName, QFile::encodeName(candidate)))
            named = candidate;
        else if (errno != EEXIST)
            break;
    }
    if (!privateName.isEmpty())
        ::unlink(privateName.constData());
    if (named.isEmpty() || !file.open(fd, QIODevice::ReadWrite | extraMode, QFileDevice::AutoCloseHandle)) {
        qCWarning(lcPlatform) << "cannot name a new file after" << path << ::strerror(errno);
        if (!named.isEmpty())
            ::unlink(QFile::encodeName(named).constData());
        ::close(fd);
        return {};
    }
    return named;
}

bool LockExistingFile(const QString& path, QFile& file)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    // The name is checked again after locking: it may have been moved away
    // and taken by a new file in between.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::flock(fd, LOCK_EX | LOCK_NB) != 0 || !NamesFile(name, fd) ||
        !file.open(fd, QIODevice::ReadWrite, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
}

bool RemoveLockedFile(const QString& path, const QFile& file)
{
    const QByteArray name = QFile::encodeName(path);
    return file.isOpen() && NamesFile(name, file.handle()) && ::unlink(name.constData()) == 0;
}

bool MoveLockedFile(const QString& path, QFile& file, const QString& target)
{
    const QByteArray from = QFile::encodeName(path);
    const QByteArray to = QFile::encodeName(target);
    if (!file.isOpen() || !NamesFile(from, file.handle()))
        return false;
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno == EINVAL || errno == ENOSYS) {
        // File systems without the no-replace rename: a link fails where a name is taken.
        if (::link(from.constData(), to.constData()) == 0)
            return ::unlink(from.constData()) == 0;
    }
    if (errno != EXDEV || !CopyInto(file.handle(), to)) {
        qCWarning(lcPlatform) << "cannot move" << path << "to" << target << ::strerror(errno);
        return false;
    }
    if (::unlink(from.constData()) == 0)
        return true;
    qCWarning(lcPlatform) << "moved" << path << "by copy but cannot remove it" << ::strerror(errno);
    return false;
}

bool IsLockedElsewhere(const QString& path)
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
