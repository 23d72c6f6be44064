#pragma once
// One entry of the playlist and the states the loader moves it through.
//
//   waiting   stream closed, length 0,          the first loading picture, imageCount 1
//   loading   stream closed, length kLoading,   the four loading pictures, imageCount 4
//   failed    stream closed, length = the code, the failed picture, imageCount 1
//   loaded    stream open,   length in frames,  the stream's pictures or the default one

#include "decoder/decoder_stream.h"
#include "playlist/loader.h"

#include <QImage>
#include <QList>
#include <QString>

#include <cstdint>
#include <string>

namespace playlist {

inline constexpr uint32_t kLoading = 0xFFFFFFFFu;

struct PlaylistItem {
    // The file system's bytes of the full path.
    std::string path;
    // Names the item's loads; a result for an id no item holds is dropped.
    uint64_t id = 0;
    // Open only while loaded; the item owns it. The player borrows it.
    decoder::DecoderStream stream;
    // The stream's PCM format (owned by the library); null unless loaded.
    const ZLWaveFormat* format = nullptr;
    // Loaded: sample frames (above 0). Otherwise 0, kLoading or the code.
    uint32_t length = 0;
    // The row pictures; the first imageCount of them are shown in turn.
    QList<QImage> images;
    uint8_t imageCount = 1;
    int8_t imageFrame = 0;
    uint8_t imageWidth = 0;
    uint8_t imageHeight = 0;
    uint8_t marked = 0;
    uint8_t queued = 0;     // in the play queue
    uint8_t attribute = 0;  // 0..5, carried through the list file only
    // The file as it was when loaded or when its load failed.
    FileStamp stamp;

    bool IsWaiting() const { return !stream.IsOpen() && length == 0; }
    bool IsLoading() const { return !stream.IsOpen() && length == kLoading; }
    bool IsLoaded() const { return stream.IsOpen(); }
    bool IsFailed() const { return !stream.IsOpen() && length != 0 && length != kLoading; }

    QString FilePath() const;
};

}  // namespace playlist
