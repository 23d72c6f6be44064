#include "platform/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

QString tempFolder()
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

QString programFolder()
{
    return QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
}

QString homeFolder() { return QDir::homePath(); }

long currentThreadId() { return long(syscall(SYS_gettid)); }

QString joinPath(const QString& folder, const QString& name)
{
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

QString firstFreeName(const QString& stem, const QString& extension)
{
    QString candidate = stem + extension;
    for (int n = 2; QFileInfo(candidate).exists() || QFileInfo(candidate).isSymLink(); ++n)
        candidate = stem + QStringLiteral(" %1").arg(n) + extension;
    return candidate;
}

bool isSameFile(const QString& a, const QString& b)
{
    struct stat sa {}, sb {};
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0 && ::stat(QFile::encodeName(b).constData(), &sb) == 0 &&
           sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace platform
