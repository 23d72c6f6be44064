// The playlist model's side of the list file "Quillon.lst": read once at
// the start, written back merged with what another instance wrote.
#include "playlist/playlist_model.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <unistd.h>

#include <algorithm>

#include "playlist/list_file.h"
#include "playlist/playlist_log.h"

namespace playlist {

namespace {
// A list file's entries, each with the path it names (a relative one taken
// from the list's folder). A missing or unreadable file gives none.
std::vector<std::pair<std::string, ListEntry>> ReadListEntries(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (file.exists())
            qCWarning(lcPlaylist) << "cannot read the list" << path << ":" << file.errorString();
        return {};
    }
    const qint64 fileLength = file.size();
    // No valid list holds more than the largest count of the largest entries.
    const QByteArray bytes = file.read(qint64(kListHeaderSize + 0xFFFF * kListEntrySize));
    file.close();
    const std::string folder = QFile::encodeName(QFileInfo(path).absolutePath()).toStdString();
    std::vector<std::pair<std::string, ListEntry>> named;
    for (ListEntry& entry :
         ParseListFile(std::span(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())),
                       uint64_t(std::max<qint64>(fileLength, 0)))) {
        const bool relative = entry.path.empty() || entry.path.front() != '/';
        std::string name = relative ? folder + "/" + entry.path : entry.path;
        named.emplace_back(std::move(name), std::move(entry));
    }
    return named;
}
}  // namespace

void PlaylistModel::ReadListFile(const QString& path)
{
    for (const auto& [name, entry] : ReadListEntries(path))
        AddFileName(name, entry.attribute);
}

bool PlaylistModel::WriteListFile()
{
    if (m_listFilePath.isEmpty())
        return false;
    std::vector<ListEntry> entries;
    entries.reserve(m_items.size());
    for (const auto& it : m_items)
        entries.push_back({it->path, it->attribute, it->marked != 0});
    // A second instance may have written the list since this one read it:
    // what it holds beyond ours stays, after ours, unless this run removed it.
    std::unordered_set<std::string> written = m_fileNames;
    for (auto& [name, entry] : ReadListEntries(m_listFilePath)) {
        if (entries.size() >= maxItems)
            break;
        if (entry.path.size() > kListMaxPathBytes || m_removedNames.contains(name) || !written.insert(name).second)
            continue;
        entries.push_back(std::move(entry));
    }
    const auto bytes = SerializeListFile(entries, uint32_t(QDateTime::currentSecsSinceEpoch()));

    QDir().mkpath(QFileInfo(m_listFilePath).absolutePath());
    // Written beside the old file and renamed over it: a crash or a full
    // disk leaves either the old list or the new one, never a torn one.
    QSaveFile file(m_listFilePath);
    if (!file.open(QIODevice::WriteOnly)) {
        qCWarning(lcPlaylist) << "cannot write the list" << m_listFilePath << ":" << file.errorString();
        return false;
    }
    if (file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) != qint64(bytes.size()) ||
        !file.flush() || ::fsync(file.handle()) != 0) {
        qCWarning(lcPlaylist) << "cannot write the list" << m_listFilePath << ":" << file.errorString()
                              << qt_error_string(errno);
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        qCWarning(lcPlaylist) << "cannot replace the list" << m_listFilePath << ":" << file.errorString();
        return false;
    }
    return true;
}

namespace {
QString& ListFileForTesting()
{
    static QString path;
    return path;
}
}  // namespace

void PlaylistModel::SetDefaultListFileForTesting(const QString& path) { ListFileForTesting() = path; }

QString PlaylistModel::DefaultListFilePath()
{
    if (!ListFileForTesting().isEmpty())
        return ListFileForTesting();
    const QString programFolder = QCoreApplication::applicationDirPath();
    if (QFileInfo(programFolder).isWritable())
        return programFolder + QStringLiteral("/Quillon.lst");
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
        QStringLiteral("/tessaly/Quillon/Quillon.lst");
}

}  // namespace playlist
