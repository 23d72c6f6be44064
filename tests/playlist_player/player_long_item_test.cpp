// An item of 2^31 frames and more (13.5 hours at 44.1 kHz) on the position
// slider: a sparse WAVE file, read by the real library, so that nothing of
// its two gigabytes is written.
#include <gtest/gtest.h>

#include <QFile>
#include <QTest>

#include "platform/audio/fake_backend.h"
#include "support/scoped_state.h"
#include "player_fixture.h"

using namespace playertest;
using platform::audio::FakeBackend;

namespace {

// 8-bit mono WAVE whose data chunk announces `frames` bytes of silence.
QString sparseWave(const QString& path, uint32_t frames)
{
    QByteArray header;
    auto u32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            header.append(char(v >> (8 * i)));
    };
    auto u16 = [&](uint16_t v) {
        header.append(char(v));
        header.append(char(v >> 8));
    };
    header.append("RIFF");
    u32(36 + frames);
    header.append("WAVEfmt ");
    u32(16);
    u16(1), u16(1), u32(44100), u32(44100), u16(1), u16(8);
    header.append("data");
    u32(frames);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(header);
    EXPECT_TRUE(file.resize(header.size() + qint64(frames)));
    return path;
}

}  // namespace

TEST(PlayerLongItem, TheSliderSpansTheWholeItemAndASeekLandsWhereTheThumbWasLetGo)
{
    FakeBackend fake;
    testsupport::ScopedBackend scope(fake);
    QTemporaryDir dir;
    const uint32_t frames = (1u << 31) + 44100 * 60;
    auto item = LoadedItem(sparseWave(dir.filePath("night.wav"), frames));
    ASSERT_EQ(item->length, frames);
    TestHost host;
    QWidget window;
    auto* slider = new controls::BitmapSlider(&window);
    slider->LoadBitmaps(137, 134, 135, 138);
    slider->setGeometry(0, 0, 217, 12);
    window.show();
    {
        playlist::PlaylistPlayer player(host);
        player.SetSlider(slider);
        player.PlaySelected({item.get()});
        ASSERT_TRUE(host.errors.empty());
        EXPECT_EQ(slider->GetMax(), frames);

        // The thumb let go in the middle seeks to about the middle.
        const int middle = 217 / 2;
        QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(middle, 6));
        QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(middle, 6));
        const qint64 target = slider->GetPos();
        EXPECT_NEAR(double(target), frames / 2.0, frames / 150.0);
        EXPECT_EQ(player.currentSlot()->position, uint32_t(target)) << "not restarted at 0";
        EXPECT_NEAR(slider->ThumbCentre(), middle, 1);

        // The stale pieces come back; the first fresh one moves on from there.
        FakeBackend::processCallbacks();
        ASSERT_TRUE(fake.lastPlaybackStream()->completeNext());
        FakeBackend::processCallbacks();
        EXPECT_EQ(player.currentSlot()->position, uint32_t(target) + 6144);
        EXPECT_EQ(slider->GetPos(), target + 6144);
        EXPECT_NEAR(slider->ThumbCentre(), middle, 1);
    }
}
