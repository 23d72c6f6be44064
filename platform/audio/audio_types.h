#pragma once
// The audio layer follows the wave-device model the engine and the players are
// written against: the caller owns fixed blocks, hands them to a stream, and
// gets each one back, in order, on its own thread once it is done.

#include <cstdint>
#include <functional>
#include <QString>

namespace platform::audio {

// PCM only: 8-bit unsigned or 16-bit signed little-endian, 1 or 2 channels.
struct PcmFormat {
    uint32_t sampleRate = 48000;
    uint16_t bitsPerSample = 16;
    uint16_t channels = 1;

    uint16_t BlockAlign() const { return uint16_t(bitsPerSample * channels / 8); }
    uint32_t BytesPerSecond() const { return uint32_t(BlockAlign()) * sampleRate; }
    bool operator==(const PcmFormat&) const = default;
};

// A caller-owned block with its header (the WAVEHDR equivalent). The stream
// never allocates or frees `data`; it writes `bytesRecorded` (capture) or
// reads `length` bytes (playback). `user` is the caller's.
struct AudioBuffer {
    uint8_t* data = nullptr;
    uint32_t length = 0;         // capacity for capture, bytes to play for playback
    uint32_t bytesRecorded = 0;  // capture: bytes filled
    void* user = nullptr;
};

// An input device as the enumeration lists it; `index` is the position in
// the list (what the device combo and the stored "OfflineRecDev" refer to).
struct InputDevice {
    int index = -1;
    QString name;        // the server's description
    QString serverName;  // the server's source name
    bool isMonitor = false;
    bool isDefault = false;  // the server's default source
};

// Callbacks run on the thread that opened the stream, one at a time, in the
// order the events happened (queued calls).
struct CaptureCallbacks {
    std::function<void(AudioBuffer*)> bufferDone;  // MM_WIM_DATA
    std::function<void()> stopped;                 // after stop(): all data up to the stop was delivered
    std::function<void(const QString&)> failed;    // stream broke (server gone); buffers come back first
    // The server moved the stream to another source (its device went away,
    // or the user moved it); capturing goes on from there. Server names.
    std::function<void(const QString& from, const QString& to)> moved;
};

struct PlaybackCallbacks {
    std::function<void(AudioBuffer*)> bufferDone;  // MM_WOM_DONE
    // The stream broke (server gone). It comes before the blocks the stream
    // held, so that an owner can tell them from blocks that played.
    std::function<void(const QString&)> failed;
};

struct MixerCallbacks {
    std::function<void(uint32_t controlId)> controlChanged;  // MM_MIXM_CONTROL_CHANGE
};

}  // namespace platform::audio
