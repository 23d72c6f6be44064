#include "playlist/playlist_adder.h"

#include <QDir>
#include <QFileInfo>

#include <utility>

#include "playlist/playlist_model.h"

namespace playlist {

namespace {
const char* const kFolderPasses[] = {"mp3", "mp2", "mp1", "wav", "flac", "ogg", "oga", "opus"};
}  // namespace

PlaylistAdder::PlaylistAdder(PlaylistModel& model, std::function<bool(const PlaylistItem&)> isPlaying)
    : m_model(model)
    , m_isPlaying(std::move(isPlaying))
{
}

bool PlaylistAdder::AddOne(const QString& path, Outcome& outcome)
{
    const unsigned r = m_model.AddItem(path, 0);
    if (r == PlaylistModel::kListFull) {
        ++outcome.listFull;
        return false;
    }
    if (r == PlaylistModel::kPathRefused) {
        outcome.refused.append(path);
        return true;
    }
    RefreshIfChanged(int(r));
    if (outcome.first < 0)
        outcome.first = int(r);
    outcome.select = int(r);
    return true;
}

void PlaylistAdder::AddFileList(const QStringList& paths, bool rememberFolder, Outcome& outcome)
{
    bool first = true;
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (!info.exists() || info.isDir())
            break;
        const qsizetype refusedBefore = outcome.refused.size();
        if (!AddOne(path, outcome))
            break;
        const bool wasFirst = std::exchange(first, false);
        if (outcome.refused.size() > refusedBefore)
            continue;
        m_model.SetListModified();
        if (wasFirst && rememberFolder)
            RememberFolder(kAddFilesSlot, info.absolutePath());
    }
}

PlaylistAdder::Outcome PlaylistAdder::AddFiles(const QStringList& paths, bool rememberFolder)
{
    Outcome outcome;
    AddFileList(paths, rememberFolder, outcome);
    return outcome;
}

PlaylistAdder::Outcome PlaylistAdder::AddDropped(const QStringList& paths)
{
    QStringList files;
    QStringList folders;
    for (const QString& path : paths)
        (QFileInfo(path).isDir() ? folders : files).append(path);
    Outcome outcome;
    AddFileList(files, false, outcome);
    for (const QString& folder : folders)
        AddFolder(folder, outcome);
    return outcome;
}

void PlaylistAdder::AddFolder(const QString& folder, Outcome& outcome)
{
    // Name filters of QDir match in any letter case.
    const QDir dir(folder);
    for (const char* ext : kFolderPasses) {
        const QStringList names = dir.entryList({QStringLiteral("*.") + QString::fromLatin1(ext)},
                                                QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
        for (const QString& name : names)
            if (!AddOne(dir.filePath(name), outcome))
                break;
    }
    m_model.SetListModified();
}

PlaylistAdder::Outcome PlaylistAdder::AddDirectory(const QString& folder)
{
    Outcome outcome;
    AddFolder(folder, outcome);
    RememberFolder(kAddDirectorySlot, folder);
    return outcome;
}

void PlaylistAdder::RememberFolder(int slot, const QString& folder)
{
    if (!m_folders || (*m_folders)[slot] == folder)
        return;
    (*m_folders)[slot] = folder;
    if (m_foldersChanged)
        m_foldersChanged();
}

PlaylistAdder::Outcome PlaylistAdder::AddRecording(const QString& path)
{
    Outcome outcome;
    AddOne(path, outcome);
    // The recording is saved all the same: a full list only leaves it out.
    outcome.listFull = 0;
    if (outcome.first >= 0)
        m_model.SetListModified();
    return outcome;
}

void PlaylistAdder::RefreshIfChanged(int row)
{
    PlaylistItem* item = m_model.Item(row);
    if (item && !(m_isPlaying && m_isPlaying(*item)) && m_model.FileChanged(*item))
        m_model.Reload(item);
}

}  // namespace playlist
