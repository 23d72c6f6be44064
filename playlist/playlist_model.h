#pragma once
// The playlist's data: its items, the list file and the loader. Views learn
// of added, changed and removed rows through the model's own signals
// (rowsInserted, dataChanged, rowsAboutToBeRemoved / rowsRemoved). Model row
// i is item i; the view adds its own placeholder row if it wants one. Used
// from the window thread only.

#include "playlist/loader.h"
#include "playlist/playlist_item.h"

#include <QAbstractListModel>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace playlist {

class PlaylistModel : public QAbstractListModel {
    Q_OBJECT
public:
    static constexpr unsigned maxItems = kMaxItems;
    // AddItem's answers besides an index.
    static constexpr unsigned kListFull = kMaxItems;
    static constexpr unsigned kPathRefused = kMaxItems + 1;

    // DisplayRole: the path; AccessibleTextRole: the title with the state
    // or, once loaded, the format.
    enum Role {
        StateTextRole = Qt::UserRole + 1,  // the row text of a pending or failed item, else empty
        TitleRole,                         // the title as the row shows it
        DetailRole,                        // the format line of a loaded item, else empty
        PictureRole,                       // the picture of the animation's current frame
        PictureSizeRole,                   // the room the row's pictures take
        QueuedRole,                        // in the play queue
    };
    // Animated pictures move on a frame this often, while any row has them.
    static constexpr int kAnimationMs = 500;

    explicit PlaylistModel(QObject* parent = nullptr);
    ~PlaylistModel() override;

    // The loader runs from construction on. Initialize reads the list file
    // (once, before any adding) and fixes where it is written back.
    void Initialize(const QString& listFilePath = DefaultListFilePath());
    // Writes the list file if it changed and stops the loader (within its
    // bound). The destructor does it if nobody did.
    void Shutdown();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    int Count() const { return static_cast<int>(m_items.size()); }
    // Null when out of range. Owned by the model: valid until removed.
    PlaylistItem* Item(int index) const;
    int IndexOf(const PlaylistItem* item) const;

    // The index of the new or already present item, kListFull, or
    // kPathRefused for a path too long for the list file. A relative path
    // is taken from the current folder.
    unsigned AddItem(const QString& path, uint8_t attribute = 0);

    // Removes item `index`; with deleteFile its file goes too. The caller
    // keeps items that are playing.
    void RemoveItem(int index, bool deleteFile);

    // True when the file of a loaded or failed item is no longer the one
    // its row shows (replaced, rewritten or only touched since).
    bool FileChanged(const PlaylistItem& item) const;
    // A loaded or failed item goes back to the loader (waiting, loading,
    // loaded) to show and play what its file holds now. False for an item
    // that is still waiting or loading. The caller keeps items that play.
    bool Reload(PlaylistItem* item);

    void ReadListFile(const QString& path);
    // Replaces the list file atomically, keeping the entries another
    // instance added meanwhile; false leaves the old file as it was.
    bool WriteListFile();
    const QString& ListFilePath() const { return m_listFilePath; }
    bool ListModified() const { return m_listModified; }
    // Marks the list changed; it is written a moment later (kListWriteDelayMs),
    // so that a crash or a kill loses next to nothing, and again at Shutdown
    // if it changed since.
    void SetListModified();
    static constexpr int kListWriteDelayMs = 1000;

    // "Quillon.lst" beside the program when that folder is writable, else
    // in the user's data folder.
    static QString DefaultListFilePath();
    // Tests keep their list files out of the test programs' folder.
    static void SetDefaultListFileForTesting(const QString& path);

    // The row text of a waiting, loading or failed item (empty when loaded).
    static QString StateText(const PlaylistItem& item);
    // The message for paths refused by one command (empty when none).
    static QString RefusedPathsMessage(const QStringList& refused);

    // The shared pictures of waiting, loading, failed and loaded rows.
    static const QList<QImage>& LoadingImages();
    static const QList<QImage>& FailedImages();
    static const QList<QImage>& DefaultImages();

    bool IsAnimating() const { return m_animation.isActive(); }

signals:
    // An item's load ended, loaded or failed.
    void LoadFinished(playlist::PlaylistItem* item);

private:
    void TakeLoadResults();
    unsigned AddFileName(const std::string& fileName, uint8_t attribute);
    void OnLoadStart(PlaylistItem* item);
    void OnLoadDone(PlaylistItem* item, const LoadResult& result);
    void Changed(PlaylistItem* item);
    // The waiting state a new or reloaded item starts in.
    static void MakeWaiting(PlaylistItem& item);
    void WriteChangedList();
    // Moves the animated rows on a frame.
    void AdvanceFrames();

    std::vector<std::unique_ptr<PlaylistItem>> m_items;
    std::unordered_map<uint64_t, PlaylistItem*> m_byId;
    uint64_t m_lastId = 0;
    std::unordered_set<std::string> m_fileNames;
    // Names this run removed (and did not add again): writing the list
    // must not take them back from the file.
    std::unordered_set<std::string> m_removedNames;
    // Results the loader handed over, not yet taken by this thread.
    std::mutex m_resultsLock;
    std::vector<LoadResult> m_results;
    int m_lastChangedRow = 0;
    std::unique_ptr<Loader> m_loader;
    QString m_listFilePath;
    bool m_listModified = false;
    QTimer m_listWriteTimer;
    QTimer m_animation;
    bool m_initialized = false;
    bool m_shutDown = false;
};

}  // namespace playlist
