#include "platform/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

QString tempFolder()
{
    QString t = QDir::tempPath();
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

}  // namespace platform
