#pragma once
// What the player tests share: loaded items made from real files through the
// decoder library, a host that records what the player asked of the
// playlist control and the window, and a player on the fake back end.

#include <memory>
#include <vector>

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "controls/bitmap_slider.h"

#include "../zldecoder/media.h"
#include "decoder/decoder_stream.h"
#include "playlist/playlist_item.h"
#include "playlist/playlist_player.h"
#include "playlist/status_line.h"
#include "platform/audio/fake_backend.h"
#include "support/scoped_state.h"

namespace playertest {

using platform::audio::FakeBackend;
using platform::audio::FakePlaybackStream;
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
    void ShowPlayError(resources::StringId stringId) override { errors.push_back(stringId); }
    void InvalidateList() override { ++invalidations; }
    QString ItemTitle(const PlaylistItem& item) const override { return QFileInfo(item.FilePath()).completeBaseName(); }
    // Items here are not the list's: they never change and are never reloaded.
    bool FileChanged(const PlaylistItem&) const override { return false; }
    bool ReloadItem(PlaylistItem&) override { return false; }

    QString StatusText() const { return statusLabel.text(); }

    bool loop = false;
    std::vector<int> errors;
    int invalidations = 0;
    int statusCalls = 0;

private:
    QLabel statusLabel;
    playlist::StatusLine status;
};

// Items as the loader leaves them: waiting, loaded (with an open stream) or failed.
inline std::unique_ptr<PlaylistItem> WaitingItem(const QString& path)
{
    auto item = std::make_unique<PlaylistItem>();
    item->path = QFile::encodeName(path).toStdString();
    return item;
}
inline std::unique_ptr<PlaylistItem> LoadedItem(const QString& path)
{
    auto item = WaitingItem(path);
    EXPECT_EQ(item->stream.Open(path), 0u) << path.toStdString();
    item->length = item->stream.Length();
    item->format = item->stream.Format();
    EXPECT_GT(item->length, 0u);
    EXPECT_NE(item->format, nullptr);
    return item;
}
inline std::unique_ptr<PlaylistItem> FailedItem(const QString& path, uint32_t code)
{
    auto item = WaitingItem(path);
    item->length = code;
    return item;
}

// The whole item decoded afresh: what the device must receive.
inline QByteArray DecodedPcm(const QString& path) { return media::OpenStream(path).DecodeAll(); }

// A sine made by sox into a 44.1 kHz 16-bit stereo WAVE file.
inline QString SineWave(const QString& path, int frequency, double seconds, double volume = 0.5)
{
    media::Run("sox",
               {"-n", "-r", "44100", "-c", "2", "-b", "16", path, "synth", QString::number(seconds), "sine",
                QString::number(frequency), "vol", QString::number(volume)});
    return path;
}

constexpr int kPiece = 6144;
const QString kReady = QStringLiteral("就绪");

// A player with its slider, position text and host on the fake back end.
class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        slider->LoadBitmaps(137, 134, 135, 138);
        slider->setGeometry(0, 0, 217, 12);
        window.show();
        player = std::make_unique<playlist::PlaylistPlayer>(host);
        player->SetSlider(slider);
        player->SetPositionText(positionText);
    }

    // A WAVE file of noise, `frames` long, loaded as an item.
    PlaylistItem* Wave(const QString& name, int frames, int rate = 44100, int channels = 2, int bits = 16)
    {
        // 8-bit WAVE is unsigned; signed 8-bit would be widened to 16 bits.
        const QString path = media::MakeWave(dir.filePath(name + ".wav"), rate, channels, bits, frames,
                                             bits == 8 ? "unsigned-integer" : "signed-integer");
        items.push_back(LoadedItem(path));
        return items.back().get();
    }
    static void Deliver() { FakeBackend::ProcessCallbacks(); }
    // The device plays its `n` oldest pieces.
    static void Play(FakePlaybackStream* device, int n = 1)
    {
        for (int i = 0; i < n && device->CompleteNext(); ++i)
            Deliver();
    }
    // Plays the current device until the item ends (or `limit` pieces).
    void PlayToTheEnd(int limit = 100000)
    {
        for (int i = 0; i < limit && fake.LastPlaybackStream(); ++i)
            if (!fake.LastPlaybackStream()->CompleteNext())
                break;
            else
                Deliver();
    }
    // What a device received, taken before the player closes (and frees) it.
    struct Heard {
        QByteArray played;
        QByteArray written;
        int writes = 0;
    };
    // Plays the device's pieces one by one until the player closes it.
    Heard PlayOut(FakePlaybackStream* device)
    {
        Heard heard;
        const int closes = fake.PlaybackCloseCount();
        while (device->CompleteNext()) {
            heard = {device->PlayedBytes(), device->WrittenBytes(), device->WriteCount()};
            Deliver();
            if (fake.PlaybackCloseCount() != closes)
                break;
        }
        return heard;
    }
    FakePlaybackStream* Device(size_t i = 0) const
    {
        const auto all = fake.PlaybackStreams();
        return i < all.size() ? all[i] : nullptr;
    }
    const playlist::PlaySlot& Current() const { return *player->PlayingSlot(); }
    // Nothing plays or waits: every device closed, no item queued, the texts cleared.
    void ExpectIdle()
    {
        EXPECT_TRUE(player->PlaySlots().empty());
        EXPECT_TRUE(player->Queue().IsEmpty());
        EXPECT_EQ(fake.PlaybackCloseCount(), fake.PlaybackOpenCount());
        EXPECT_EQ(host.StatusText(), kReady);
        EXPECT_EQ(positionText->text(), QString());
        for (const auto& item : items)
            EXPECT_EQ(item->queued, 0) << item->FilePath().toStdString();
    }

    FakeBackend fake;
    testsupport::ScopedBackend scope{fake};
    QTemporaryDir dir;
    TestHost host;
    std::vector<std::unique_ptr<PlaylistItem>> items;  // outlive the player
    QWidget window;
    controls::BitmapSlider* slider = new controls::BitmapSlider(&window);
    QLabel* positionText = new QLabel(&window);
    std::unique_ptr<playlist::PlaylistPlayer> player;
};

}  // namespace playertest
