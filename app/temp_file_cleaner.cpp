#include "app/temp_file_cleaner.h"

#include <cerrno>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QtEndian>
#include <sys/stat.h>

#include "app/app_log.h"
#include "platform/locked_file.h"
#include "platform/paths.h"
#include "platform/replacing_file.h"

namespace {

constexpr qint64 kHeaderSize = 44;

QString ClockName(const QDateTime& t)
{
    const QDate d = t.date();
    const QTime c = t.time();
    return QString::asprintf("%04d-%02d-%02d %02dh%02dm%02ds", d.year(), d.month(), d.day(), c.hour(), c.minute(),
                             c.second());
}

}  // namespace

bool RepairWaveFile(QFile& f)
{
    if (!f.seek(0))
        return false;
    const QByteArray h = f.read(kHeaderSize);
    if (h.size() < kHeaderSize || !h.startsWith("RIFF") || h.mid(8, 8) != "WAVEfmt " || h.mid(36, 4) != "data")
        return false;
    const auto* p = reinterpret_cast<const uchar*>(h.constData());
    const quint16 tag = qFromLittleEndian<quint16>(p + 20);
    const quint16 blockAlign = qFromLittleEndian<quint16>(p + 32);
    if (tag != 1 || blockAlign == 0)
        return false;
    qint64 data = f.size() - kHeaderSize;
    data -= data % blockAlign;
    // The size fields are 32-bit: cutting a longer file to fit would lose audio.
    const qint64 maxData = (qint64(0xFFFFFFFF) - 36) / blockAlign * blockAlign;
    if (data <= 0 || data > maxData)
        return false;
    if (!f.resize(kHeaderSize + data))
        return false;
    uchar sizes[4];
    qToLittleEndian<quint32>(quint32(kHeaderSize + data - 8), sizes);
    if (!f.seek(4) || f.write(reinterpret_cast<const char*>(sizes), 4) != 4)
        return false;
    qToLittleEndian<quint32>(quint32(data), sizes);
    if (!f.seek(40) || f.write(reinterpret_cast<const char*>(sizes), 4) != 4)
        return false;
    return f.flush();
}

TempFileCleaner::TempFileCleaner(QString tempFolder, QString recordFolder, QString fallbackFolder)
    : m_tempFolder(std::move(tempFolder))
    , m_recordFolder(std::move(recordFolder))
    , m_fallbackFolder(std::move(fallbackFolder))
{
}

QString TempFileCleaner::DefaultRecoveryFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
        QStringLiteral("/tessaly/Quillon/recovered");
}

void TempFileCleaner::CleanTempFiles()
{
    const QDir dir(m_tempFolder);
    // Name filters ignore case unless told otherwise; a user's "QUILLON_TEMP_x.MP3" is not ours.
    const QDir::Filters filters = QDir::Files | QDir::Hidden | QDir::System | QDir::CaseSensitive;

    for (const QString& name : dir.entryList({QStringLiteral("quillon_temp_*.wav")}, filters, QDir::Name)) {
        const QString path = platform::JoinPath(m_tempFolder, name);
        QFile file;
        // Held by a running instance, a link or no plain file: not a leftover.
        if (platform::LockExistingFile(path, file))
            Salvage(path, file);
    }
    // The MP3 side is only ever a copy of the WAVE data.
    for (const QString& name : dir.entryList({QStringLiteral("quillon_temp_*.mp3")}, filters, QDir::Name)) {
        const QString path = platform::JoinPath(m_tempFolder, name);
        QFile file;
        if (platform::LockExistingFile(path, file))
            platform::RemoveLockedFile(path, file);
    }
    // A save killed halfway leaves its unfinished file beside the saved ones.
    if (!m_recordFolder.isEmpty())
        platform::ReplacingFile::RemoveAbandoned(m_recordFolder);
}

void TempFileCleaner::Salvage(const QString& path, QFile& file)
{
    if (file.size() <= kHeaderSize) {
        platform::RemoveLockedFile(path, file);  // nothing was recorded
        return;
    }
    const QDateTime when = QFileInfo(path).lastModified();
    const bool repaired = RepairWaveFile(file);
    if (!repaired)
        qCWarning(lcApp) << "cannot repair the leftover" << path << ":" << file.errorString();
    const QString target = TargetPathFor(when, repaired ? QStringLiteral("recovered") : QStringLiteral("damaged"));
    // A file that cannot be moved stays for the next start.
    if (target.isEmpty() || !platform::MoveLockedFile(path, file, target)) {
        qCWarning(lcApp) << "cannot move the leftover" << path << "to" << target << ":" << qt_error_string(errno);
        return;
    }
    // Private while it was a temporary file; now it is the user's recording.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(QFile::encodeName(target).constData(), 0666 & ~mask);
    m_salvaged.append(target);
}

QString TempFileCleaner::TargetPathFor(const QDateTime& when, const QString& what) const
{
    QString folder = m_recordFolder;
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        folder = m_fallbackFolder;
        if (!QDir().mkpath(folder)) {
            qCWarning(lcApp) << "cannot make the folder" << folder << "for leftovers";
            return {};
        }
    }
    const QString base = platform::JoinPath(folder, ClockName(when) + QLatin1Char(' ') + what);
    QString candidate = base + QStringLiteral(".wav");
    for (int n = 2; QFileInfo::exists(candidate); ++n) {
        if (n > 9999) {
            qCWarning(lcApp) << "no free name beside" << base;
            return {};
        }
        candidate = base + QStringLiteral(" %1.wav").arg(n);
    }
    return candidate;
}
