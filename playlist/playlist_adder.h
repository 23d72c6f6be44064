#pragma once
// The one way files join the playlist: the add-files and add-folder
// commands, drops, the command line and saved or salvaged recordings all add
// through it, so that each behaves as the others do.

#include <functional>

#include <QString>
#include <QStringList>

#include "settings/settings_store.h"

namespace playlist {

class PlaylistModel;
struct PlaylistItem;

class PlaylistAdder {
public:
    // Slots of the remembered folders: added files, added folder.
    static constexpr int kAddFilesSlot = 1;
    static constexpr int kAddDirectorySlot = 2;

    struct Outcome {
        int first = -1;       // the first row added or found
        int select = -1;      // the row to select afterwards (-1: keep the selection)
        int listFull = 0;     // how often the full list stopped adding
        QStringList refused;  // paths too long for the list file, in order
    };

    // `isPlaying` keeps a playing item from being loaded again when its
    // file, added once more, has changed.
    PlaylistAdder(PlaylistModel& model, std::function<bool(const PlaylistItem&)> isPlaying);

    // The application's remembered folders; not owned, may be null.
    // `changed` runs whenever adding has remembered another folder.
    void SetFolderHistory(FolderHistory* history, std::function<void()> changed = {})
    {
        m_folders = history;
        m_foldersChanged = std::move(changed);
    }
    FolderHistory* GetFolderHistory() const { return m_folders; }

    // Files in order, stopping at the first one missing or a folder or at a
    // full list. `rememberFolder` keeps the first file's folder for the
    // next add-files dialog.
    Outcome AddFiles(const QStringList& paths, bool rememberFolder = false);
    // Dropped or given on the command line: the files as AddFiles adds
    // them, then each folder as AddDirectory does.
    Outcome AddDropped(const QStringList& paths);
    // The folder's audio files pass by pass (MPEG, WAVE, then the free
    // formats), each pass in name order and any letter case; the folder is
    // remembered for the next add-folder dialog.
    Outcome AddDirectory(const QString& folder);
    // A saved or salvaged recording: a full list drops it without a word,
    // a path too long for the list file is refused.
    Outcome AddRecording(const QString& path);

private:
    // Adds one file; false when the list is full.
    bool AddOne(const QString& path, Outcome& outcome);
    void AddFileList(const QStringList& paths, bool rememberFolder, Outcome& outcome);
    void AddFolder(const QString& folder, Outcome& outcome);
    // A row added again whose file changed meanwhile is loaded again,
    // unless it plays (its next play looks again).
    void RefreshIfChanged(int row);
    void RememberFolder(int slot, const QString& folder);

    PlaylistModel& m_model;
    std::function<bool(const PlaylistItem&)> m_isPlaying;
    FolderHistory* m_folders = nullptr;
    std::function<void()> m_foldersChanged;
};

}  // namespace playlist
