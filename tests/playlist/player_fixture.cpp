#include "player_fixture.h"

#include "../zldecoder/media.h"

#include <QFile>
#include <gtest/gtest.h>

namespace playertest {

namespace {
std::unique_ptr<PlaylistItem> ItemFor(const QString& path)
{
    auto item = std::make_unique<PlaylistItem>();
    item->path = QFile::encodeName(path).toStdString();
    return item;
}
}  // namespace

std::unique_ptr<PlaylistItem> LoadedItem(const QString& path)
{
    auto item = ItemFor(path);
    EXPECT_EQ(item->stream.Open(path), 0u) << path.toStdString();
    item->length = item->stream.Length();
    item->format = item->stream.Format();
    EXPECT_GT(item->length, 0u);
    EXPECT_NE(item->format, nullptr);
    return item;
}

std::unique_ptr<PlaylistItem> WaitingItem(const QString& path) { return ItemFor(path); }

std::unique_ptr<PlaylistItem> FailedItem(const QString& path, uint32_t code)
{
    auto item = ItemFor(path);
    item->length = code;
    return item;
}

QByteArray DecodedPcm(const QString& path) { return media::OpenStream(path).DecodeAll(); }

QString SineWave(const QString& path, int frequency, double seconds, double volume)
{
    media::Run("sox",
               {"-n", "-r", "44100", "-c", "2", "-b", "16", path, "synth", QString::number(seconds), "sine",
                QString::number(frequency), "vol", QString::number(volume)});
    return path;
}

}  // namespace playertest
