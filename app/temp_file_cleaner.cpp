#include "app/temp_file_cleaner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QtEndian>
#include <sys/stat.h>

#include "platform/locked_file.h"
#include "platform/paths.h"

namespace {

constexpr qint64 kHeaderSize = 44;

QString clockName(const QDateTime& t)
{
    const QDate d = t.date();
    const QTime c = t.time();
    return QString::asprintf("%04d-%02d-%02d %02dh%02dm%02ds", d.year(), d.month(), d.day(), c.hour(),
                             c.minute(), c.second());
}

bool isPlainFile(const QString& path)
{
    const QFileInfo info(path);
    return info.isFile() && !info.isSymLink();
}

}  // namespace

bool repairWaveFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite))
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
    // The size fields are 32-bit: a file beyond them keeps what they can describe.
    const qint64 maxData = (qint64(0xFFFFFFFF) - 36) / blockAlign * blockAlign;
    data = std::min(data, maxData);
    if (data <= 0)
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
    : m_tempFolder(std::move(tempFolder)), m_recordFolder(std::move(recordFolder)),
      m_fallbackFolder(std::move(fallbackFolder))
{
}

QString TempFileCleaner::defaultRecoveryFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/tessaly/Quillon/recovered");
}

void TempFileCleaner::CleanTempFiles()
{
    const QDir dir(m_tempFolder);
    const QDir::Filters filters = QDir::Files | QDir::Hidden | QDir::System;

    for (const QString& name : dir.entryList({QStringLiteral("quillon_temp_*.wav")}, filters, QDir::Name)) {
        const QString path = platform::joinPath(m_tempFolder, name);
        if (!isPlainFile(path) || platform::isLockedElsewhere(path))
            continue;
        // Only a file without audio goes; one that could not be moved stays for the next start.
        if (salvage(path) == Salvage::NoAudio)
            QFile::remove(path);
    }
    // The MP3 side is only ever a copy of the WAVE data.
    for (const QString& name : dir.entryList({QStringLiteral("quillon_temp_*.mp3")}, filters, QDir::Name)) {
        const QString path = platform::joinPath(m_tempFolder, name);
        if (!isPlainFile(path) || platform::isLockedElsewhere(path))
            continue;
        QFile::remove(path);
    }
}

TempFileCleaner::Salvage TempFileCleaner::salvage(const QString& path)
{
    if (QFileInfo(path).size() <= kHeaderSize || !repairWaveFile(path))
        return Salvage::NoAudio;
    const QString target = targetPathFor(QFileInfo(path).lastModified());
    // rename() never replaces an existing file, and copies across file systems.
    if (target.isEmpty() || !QFile::rename(path, target))
        return Salvage::Failed;
    // Private while it was a temporary file; now it is the user's recording.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(QFile::encodeName(target).constData(), 0666 & ~mask);
    m_salvaged.append(target);
    return Salvage::Salvaged;
}

QString TempFileCleaner::targetPathFor(const QDateTime& when) const
{
    QString folder = m_recordFolder;
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        folder = m_fallbackFolder;
        if (!QDir().mkpath(folder))
            return {};
    }
    const QString base = platform::joinPath(folder, clockName(when) + QStringLiteral(" recovered"));
    QString candidate = base + QStringLiteral(".wav");
    for (int n = 2; QFileInfo::exists(candidate); ++n) {
        if (n > 9999)
            return {};
        candidate = base + QStringLiteral(" %1.wav").arg(n);
    }
    return candidate;
}
