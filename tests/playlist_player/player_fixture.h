#pragma once
// What the player tests share: loaded items made from real files through the
// decoder library, and a host that records what the player asked of the
// playlist control and the window.

#include <memory>
#include <vector>

#include <QFileInfo>
#include <QLabel>
#include <QTemporaryDir>

#include "decoder/decoder_stream.h"
#include "playlist/playlist_item.h"
#include "playlist/playlist_player.h"
#include "playlist/status_line.h"

namespace playertest {

using playlist::PlaylistItem;

class TestHost : public playlist::PlayerHost {
public:
    TestHost() { status.SetWindow(&statusLabel); }

    bool IsLoopPlaying() const override { return loop; }
    void ShowStatus(const QString& title) override
    {
        ++statusCalls;
        status.ShowStatus(title);
    }
    void ShowPlayError(int stringId) override { errors.push_back(stringId); }
    void InvalidateList() override { ++invalidations; }
    QString ItemTitle(const PlaylistItem& item) const override { return QFileInfo(item.filePath()).completeBaseName(); }
    // Items here are not the list's: they never change and are never reloaded.
    bool FileChanged(const PlaylistItem&) const override { return false; }
    bool ReloadItem(PlaylistItem&) override { return false; }

    QString statusText() const { return statusLabel.text(); }

    bool loop = false;
    std::vector<int> errors;
    int invalidations = 0;
    int statusCalls = 0;

private:
    QLabel statusLabel;
    playlist::StatusLine status;
};

// Items as the loader leaves them: loaded (with an open stream), waiting or failed.
std::unique_ptr<PlaylistItem> LoadedItem(const QString& path);
std::unique_ptr<PlaylistItem> WaitingItem(const QString& path);
std::unique_ptr<PlaylistItem> FailedItem(const QString& path, uint32_t code);

// The whole item decoded afresh: what the device must receive.
QByteArray DecodedPcm(const QString& path);

}  // namespace playertest
