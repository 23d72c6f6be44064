#include "platform/replacing_file.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFileInfo>
#include <QSet>

namespace platform {
namespace {

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

}  // namespace

ReplacingFile::ReplacingFile(const QString& target) : m_target(target)
{
    const QFileInfo info(target);
    if (info.isSymLink() && info.exists())
        m_target = info.canonicalFilePath();
}

ReplacingFile::~ReplacingFile() { Discard(); }

bool ReplacingFile::Open(QIODevice::OpenMode extraMode)
{
    Discard();
    mode_t mode = NewFileMode();
    if (!MayReplace(QFile::encodeName(m_target), mode))
        return false;

    QByteArray name = QFile::encodeName(QFileInfo(m_target).absolutePath() + QStringLiteral("/.quillon-save-XXXXXX"));
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    m_writingPath = QFile::decodeName(name);
    Unfinished().insert(m_writingPath);
    if (::fchmod(fd, mode) != 0 || !m_file.open(fd, QIODevice::WriteOnly | extraMode, QFileDevice::AutoCloseHandle)) {
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
    m_file.close();
    const QByteArray from = QFile::encodeName(m_writingPath), to = QFile::encodeName(m_target);
    if (!written || ::rename(from.constData(), to.constData()) != 0) {
        Discard();
        return false;
    }
    Unfinished().remove(m_writingPath);
    m_writingPath.clear();
    return true;
}

void ReplacingFile::Discard()
{
    m_file.close();
    if (!m_writingPath.isEmpty()) {
        ::unlink(QFile::encodeName(m_writingPath).constData());
        Unfinished().remove(m_writingPath);
    }
    m_writingPath.clear();
}

void ReplacingFile::DiscardUnfinished()
{
    for (const QString& path : std::as_const(Unfinished()))
        ::unlink(QFile::encodeName(path).constData());
    Unfinished().clear();
}

}  // namespace platform
