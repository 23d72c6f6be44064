#pragma once
// Records what a stream reports, as text, so a test can compare whole
// sequences of callbacks at once.

#include <string>
#include <vector>
#include <QString>

#include "platform/audio/audio_types.h"

namespace audiotest {

using platform::audio::AudioBuffer;

struct EventLog {
    std::vector<std::string> events;
    std::vector<AudioBuffer*> buffers;  // every buffer given back, in order

    // Buffers are named by their position in `pool` ("b0", "b1", ...).
    std::vector<AudioBuffer>* pool = nullptr;

    explicit EventLog(std::vector<AudioBuffer>* named = nullptr)
        : pool(named)
    {
    }

    std::string NameOf(AudioBuffer* b) const
    {
        if (pool)
            for (size_t i = 0; i < pool->size(); ++i)
                if (&(*pool)[i] == b)
                    return "b" + std::to_string(i);
        return "?";
    }

    platform::audio::CaptureCallbacks CaptureCallbacks()
    {
        platform::audio::CaptureCallbacks c;
        c.bufferDone = [this](AudioBuffer* b) {
            buffers.push_back(b);
            events.push_back(NameOf(b) + ":" + std::to_string(b->bytesRecorded));
        };
        c.stopped = [this] { events.push_back("stopped"); };
        c.failed = [this](const QString& why) { events.push_back("failed:" + why.toStdString()); };
        return c;
    }

    platform::audio::PlaybackCallbacks PlaybackCallbacks()
    {
        platform::audio::PlaybackCallbacks c;
        c.bufferDone = [this](AudioBuffer* b) {
            buffers.push_back(b);
            events.push_back(NameOf(b));
        };
        c.failed = [this](const QString& why) { events.push_back("failed:" + why.toStdString()); };
        return c;
    }
};

// Fixed blocks with their headers, like the engine's.
struct BufferPool {
    BufferPool(int count, uint32_t size)
        : storage(size_t(count), std::vector<uint8_t>(size))
        , headers(size_t(count))
    {
        for (size_t i = 0; i < size_t(count); ++i)
            headers[i] = AudioBuffer{storage[i].data(), size};
    }
    std::vector<std::vector<uint8_t>> storage;
    std::vector<AudioBuffer> headers;
    AudioBuffer* operator[](int i) { return &headers[size_t(i)]; }
};

}  // namespace audiotest
