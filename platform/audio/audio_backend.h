#pragma once
// The seam between Quillon and the sound system. PulseBackend is the real one;
// FakeBackend lets tests script devices, buffers and mixer changes exactly.

#include <memory>
#include <optional>
#include <vector>
#include <QObject>

#include "platform/audio/audio_types.h"

namespace platform::audio {

// The capture device (waveIn). All calls from the owner's thread.
class CaptureStream {
public:
    virtual ~CaptureStream() = default;
    // Queues a block to be filled (waveInAddBuffer). Returned through
    // bufferDone when full, or partly filled by stop() / reset().
    virtual bool AddBuffer(AudioBuffer* buffer) = 0;
    // waveInStart. Fails while a stop is still delivering (before `stopped`).
    virtual bool Start() = 0;
    // Stops capturing at this moment. Unlike waveInStop nothing captured up to
    // the call is lost: the frames still waiting (in the server too) fill the
    // queued blocks and blocks added later, the last one partly; then
    // `stopped` is called once. Empty blocks stay queued. start() again
    // resumes with fresh audio. On a stream that is not capturing it does
    // nothing (and reports nothing).
    virtual bool Stop() = 0;
    // waveInReset: every queued block comes back at once (a partly filled one
    // with what it holds, empty ones with 0); frames not yet delivered are
    // dropped and capturing stops. A stop still delivering ends here, its
    // `stopped` following the blocks.
    virtual void Reset() = 0;
    // Closes the device; blocks still queued are given up, and callbacks not
    // yet delivered are dropped. Destroying the stream closes it.
    virtual void Close() = 0;
    // Bytes put into blocks since the open, handed back or not; any thread
    // may ask. Beside what came back it tells how much audio is already in.
    virtual uint64_t BytesFilled() const = 0;
};

// The output device (waveOut). All calls from the owner's thread.
class PlaybackStream {
public:
    virtual ~PlaybackStream() = default;
    // Queues `buffer->Length` bytes (whole frames; false otherwise); returned
    // through bufferDone once played.
    virtual bool Write(AudioBuffer* buffer) = 0;
    // waveOutReset: playback stops and every queued block comes back at once.
    // Blocks written afterwards play at once, also after a pause.
    virtual void Reset() = 0;
    // waveOutPause: falls silent now, keeping everything not yet heard;
    // Resume() (waveOutRestart) plays on from the first frame not heard.
    // Blocks written meanwhile wait.
    virtual void Pause() = 0;
    virtual void Resume() = 0;
    // Frames of what was written since the open or the last reset that the
    // listener has heard by now, as the server tells it (its latency included).
    virtual uint64_t PlayedFrames() const = 0;
    // Like CaptureStream::close.
    virtual void Close() = 0;
};

// The mixer of an input device, shaped like the wave mixer API so that the
// mixer panel can follow the Windows logic literally.
enum class ControlType : uint32_t {
    Mixer = 0x71010001,  // several lines may be on
    Mux = 0x70010001,    // exactly one line on
    Volume = 0x50030001,
};

struct MixerLine {
    uint32_t id = 0;
    QString name;
};

struct MixerControl {
    uint32_t id = 0;
    ControlType type = ControlType::Mux;
    int32_t minimum = 0;
    int32_t maximum = 0;
    uint32_t itemCount = 0;  // select controls: one value per source line
};

// Every change of a control, by another program or by this one, is reported
// through MixerCallbacks::ControlChanged on the opening thread; a write that
// changes nothing reports nothing. Reads right after a write see it.
class InputMixer {
public:
    virtual ~InputMixer() = default;
    // The recording destination (DST_WAVEIN); false when there is none.
    virtual bool HasRecordingDestination() const = 0;
    // Number of source lines of the recording destination.
    virtual int SourceCount() const = 0;
    virtual std::optional<MixerLine> SourceLine(int source) const = 0;
    // A control of the destination (select controls) by type.
    virtual std::optional<MixerControl> DestinationControl(ControlType type) const = 0;
    // A control of a source line (volume) by type.
    virtual std::optional<MixerControl> LineControl(uint32_t lineId, ControlType type) const = 0;
    // Values of a control: select controls give itemCount values, value k
    // belonging to source line itemCount - 1 - k; volume gives one value.
    virtual bool ReadValues(uint32_t controlId, std::vector<int32_t>& values) const = 0;
    virtual bool WriteValues(uint32_t controlId, const std::vector<int32_t>& values) = 0;
};

// Tells its owner's thread that the server's input devices changed (one
// added or removed): the list is to be read again. Bursts of changes come
// as one report.
class InputDeviceWatch : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    void InputDevicesChanged();
};

class AudioBackend {
public:
    virtual ~AudioBackend() = default;
    // Sources that are not monitors first, then monitors, each group in the
    // server's order. No server: an empty list, within two seconds.
    virtual std::vector<InputDevice> InputDevices() = 0;
    // device -1: the default source. Failure: nullptr and a reason in *error.
    virtual std::unique_ptr<CaptureStream> OpenCapture(int device, const PcmFormat& format, CaptureCallbacks callbacks,
                                                       QString* error = nullptr) = 0;
    // Always the default output.
    virtual std::unique_ptr<PlaybackStream> OpenPlayback(const PcmFormat& format, PlaybackCallbacks callbacks,
                                                         QString* error = nullptr) = 0;
    virtual std::unique_ptr<InputMixer> OpenMixer(int device, MixerCallbacks callbacks) = 0;
    // A watch on the input devices for the calling thread; one that never
    // reports where the back end cannot tell.
    virtual std::unique_ptr<InputDeviceWatch> WatchInputDevices() { return std::make_unique<InputDeviceWatch>(); }
};

// The process-wide backend: PulseAudio unless a test installed another.
AudioBackend& Backend();
// Installs a backend for tests (nullptr restores the default); not owned.
void SetBackendForTesting(AudioBackend* backend);

}  // namespace platform::audio
