#include "platform/replacing_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include "platform/locked_file.h"
#include "platform/paths.h"
#include "platform/platform_log.h"

namespace platform {
namespace {

// Unfinished files are this prefix and six letters or digits (mkostemp's).
const QString kUnfinishedPrefix = QStringLiteral(".quillon-save-");
constexpr int kUnfinishedRandomLength = 6;
// Numbered names a new file tries before giving up.
constexpr int kMaxNumber = 9999;

// The files being written now; saving runs on the window's thread only.
QSet<QString>& Unfinished()
{
    static QSet<QString> paths;
    return paths;
}

mode_t NewFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// An existing target must take writes, as it would if it were overwritten in
// place: a read-only file stays the user's.
bool MayReplace(const QByteArray& target, mode_t& mode)
{
    struct stat st {};
    if (::stat(target.constData(), &st) != 0)
        return errno == ENOENT;
    if (!S_ISREG(st.st_mode))
        return false;
    const int fd = ::open(target.constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;
    ::close(fd);
    mode = st.st_mode & 07777;
    return true;
}

bool NamesFile(const QByteArray& name, int fd)
{
    struct stat open {
    }, named{};
    return ::fstat(fd, &open) == 0 && ::lstat(name.constData(), &named) == 0 && open.st_dev == named.st_dev &&
        open.st_ino == named.st_ino;
}

// A new file in `folder` under an unfinished name, locked. Another
// instance's clean-up may take the file between its creation and the lock:
// then it is given up and another made.
int CreateLockedUnfinished(const QString& folder, QByteArray& name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = QFile::encodeName(folder + QLatin1Char('/') + kUnfinishedPrefix) + "XXXXXX";
        const int fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd < 0)
            return -1;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && NamesFile(name, fd))
            return fd;
        ::close(fd);
    }
    return -1;
}

bool IsUnfinishedName(const QString& name)
{
    if (name.size() != kUnfinishedPrefix.size() + kUnfinishedRandomLength || !name.startsWith(kUnfinishedPrefix))
        return false;
    for (const QChar c : QStringView(name).mid(kUnfinishedPrefix.size()))
        if (!(c.unicode() < 128 && (c.isLetter() || c.isDigit())))
            return false;
    return true;
}

// Gives the file at `from` the name `to` unless something is there; false
// with errno EEXIST when something is.
bool ClaimName(const QByteArray& from, const QByteArray& to)
{
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return false;
    // File systems without the no-replace rename: a link fails where a name is taken.
    if (::link(from.constData(), to.constData()) == 0) {
        ::unlink(from.constData());
        return true;
    }
    if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS)
        return false;
    // Nor links (FAT): the last resort checks first, in two steps.
    struct stat st {};
    if (::lstat(to.constData(), &st) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(from.constData(), to.constData()) == 0;
}

}  // namespace

ReplacingFile::ReplacingFile(const QString& target)
    : m_target(target)
    , m_committedPath(target)
{
    const QFileInfo info(target);
    if (info.isSymLink() && info.exists())
        m_target = info.canonicalFilePath();
}

ReplacingFile::ReplacingFile(const QString& stem, const QString& extension)
    : m_target(stem + extension)
    , m_stem(stem)
    , m_extension(extension)
{
}

ReplacingFile::~ReplacingFile() { Discard(); }

bool ReplacingFile::Open(QIODevice::OpenMode extraMode)
{
    Discard();
    mode_t mode = NewFileMode();
    if (m_stem.isEmpty() && !MayReplace(QFile::encodeName(m_target), mode)) {
        qCWarning(lcPlatform) << "may not replace" << m_target << ":" << qt_error_string(errno);
        return false;
    }

    QByteArray name;
    const int fd = CreateLockedUnfinished(QFileInfo(m_target).absolutePath(), name);
    if (fd < 0) {
        qCWarning(lcPlatform) << "cannot create a file beside" << m_target << ":" << qt_error_string(errno);
        return false;
    }
    m_writingPath = QFile::decodeName(name);
    Unfinished().insert(m_writingPath);
    if (::fchmod(fd, mode) != 0 || !m_file.open(fd, QIODevice::WriteOnly | extraMode, QFileDevice::AutoCloseHandle)) {
        qCWarning(lcPlatform) << "cannot open" << m_writingPath << ":" << qt_error_string(errno);
        ::close(fd);
        Discard();
        return false;
    }
    return true;
}

bool ReplacingFile::Commit()
{
    if (!m_file.isOpen())
        return false;
    const bool written = m_file.flush() && m_file.error() == QFileDevice::NoError && ::fsync(m_file.handle()) == 0;
    // Still open, so still locked: no clean-up takes the file before it has its name.
    const QByteArray from = QFile::encodeName(m_writingPath);
    const bool named = written &&
        (m_stem.isEmpty() ? ::rename(from.constData(), QFile::encodeName(m_target).constData()) == 0
                          : ClaimFreeName(from));
    if (!named) {
        qCWarning(lcPlatform) << "cannot give" << m_writingPath << "the name" << m_target << ":"
                              << (written ? qt_error_string(errno) : m_file.errorString());
        Discard();
        return false;
    }
    m_file.close();
    Unfinished().remove(m_writingPath);
    m_writingPath.clear();
    return true;
}

bool ReplacingFile::ClaimFreeName(const QByteArray& from)
{
    for (int n = 1; n <= kMaxNumber; ++n) {
        const QString candidate = n < 2 ? m_stem + m_extension : m_stem + QStringLiteral(" %1").arg(n) + m_extension;
        if (ClaimName(from, QFile::encodeName(candidate))) {
            m_committedPath = candidate;
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

void ReplacingFile::Discard()
{
    if (!m_writingPath.isEmpty()) {
        ::unlink(QFile::encodeName(m_writingPath).constData());
        Unfinished().remove(m_writingPath);
    }
    m_file.close();
    m_writingPath.clear();
}

void ReplacingFile::DiscardUnfinished()
{
    for (const QString& path : std::as_const(Unfinished()))
        ::unlink(QFile::encodeName(path).constData());
    Unfinished().clear();
}

void ReplacingFile::RemoveAbandoned(const QString& folder)
{
    if (folder.isEmpty())
        return;
    const QDir::Filters filters = QDir::Files | QDir::Hidden | QDir::System | QDir::CaseSensitive;
    for (const QString& name : QDir(folder).entryList({kUnfinishedPrefix + QStringLiteral("*")}, filters)) {
        if (!IsUnfinishedName(name))
            continue;
        // A live writer holds its lock; the file of a killed one is free.
        const QString path = JoinPath(folder, name);
        QFile file;
        if (LockExistingFile(path, file))
            RemoveLockedFile(path, file);
    }
}

}  // namespace platform
