#include "platform/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "platform/platform_log.h"

namespace platform {

namespace {

QString StateHome()
{
    // Relative values are to be ignored, as the base directory rules say.
    const QString xdg = QFile::decodeName(qgetenv("XDG_STATE_HOME"));
    if (xdg.startsWith(QLatin1Char('/')))
        return xdg;
    return QDir::homePath() + QStringLiteral("/.local/state");
}

// Creates `folder` and its missing parents; the last one private. Empty
// when all is well, else why not.
QString MakePrivateFolder(const QString& folder)
{
    const QFileInfo parent(QFileInfo(folder).path());
    if (!QDir().mkpath(parent.filePath()))
        return QStringLiteral("cannot create %1").arg(parent.filePath());
    const QByteArray name = QFile::encodeName(folder);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        return QStringLiteral("cannot create %1: %2").arg(folder, QString::fromLocal8Bit(strerror(errno)));
    struct stat st {};
    if (::lstat(name.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return QStringLiteral("%1 is not a folder").arg(folder);
    if (st.st_uid != ::geteuid())
        return QStringLiteral("%1 belongs to another user").arg(folder);
    if ((st.st_mode & 0777) != 0700 && ::chmod(name.constData(), 0700) != 0)
        return QStringLiteral("cannot make %1 private").arg(folder);
    // A read-only file system or a full disk shows only when writing.
    char probe[] = "/.quillon-probe-XXXXXX";
    QByteArray probePath = name + probe;
    const int fd = ::mkstemp(probePath.data());
    if (fd < 0)
        return QStringLiteral("cannot write in %1: %2").arg(folder, QString::fromLocal8Bit(strerror(errno)));
    ::close(fd);
    ::unlink(probePath.constData());
    return {};
}

}  // namespace

QString TakesFolder()
{
    const QString folder = StateHome() + QStringLiteral("/tessaly/Quillon");
    const QString problem = MakePrivateFolder(folder);
    if (problem.isEmpty())
        return folder;
    static QMutex logged;
    static QString lastProblem;
    {
        const QMutexLocker lock(&logged);
        if (lastProblem != problem) {
            lastProblem = problem;
            qCWarning(lcPlatform) << "recordings in progress go to the temporary folder:" << problem;
        }
    }
    return TempFolder();
}

QString TempFolder()
{
    // Qt answers with an empty path when $TMPDIR names no folder (a stale
    // setting, or the folder removed meanwhile): joined to a file name that
    // would be the root folder.
    QString t = QDir::tempPath();
    if (t.isEmpty())
        t = QStringLiteral("/tmp");
    while (t.size() > 1 && t.endsWith(QLatin1Char('/')))
        t.chop(1);
    return t;
}

QString ProgramFolder()
{
    return QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
}

QString HomeFolder() { return QDir::homePath(); }

long CurrentThreadId() { return long(syscall(SYS_gettid)); }

QString JoinPath(const QString& folder, const QString& name)
{
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

QString FirstFreeName(const QString& stem, const QString& extension)
{
    QString candidate = stem + extension;
    for (int n = 2; QFileInfo(candidate).exists() || QFileInfo(candidate).isSymLink(); ++n)
        candidate = stem + QStringLiteral(" %1").arg(n) + extension;
    return candidate;
}

bool IsSameFile(const QString& a, const QString& b)
{
    struct stat sa {
    }, sb{};
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0 && ::stat(QFile::encodeName(b).constData(), &sb) == 0 &&
        sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace platform
