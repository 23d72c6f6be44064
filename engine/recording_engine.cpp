#include "engine/recording_engine.h"

#include <algorithm>
#include <QScopedValueRollback>

#include "engine/readout.h"
#include "engine/record_formats.h"
#include "platform/paths.h"
#include "resources/strings.h"

using platform::audio::AudioBuffer;

namespace {

constexpr int kAskSaveChanges = 364;
constexpr int kCannotOpenRecordingDevice = 365;
constexpr int kCannotCreateRecordingFile = 366;
constexpr int kCannotOpenAudioDevice = 381;
constexpr int kLengthText = 384;
constexpr int kPositionText = 385;

QString TempName(const QString& extension)
{
    return platform::joinPath(platform::tempFolder(),
                              QStringLiteral("quillon_temp_%1.%2").arg(platform::currentThreadId()).arg(extension));
}

}  // namespace

RecordingEngine::RecordingEngine(EngineView& view, QObject* parent)
    : QObject(parent), m_view(view), m_mp3(std::make_unique<NoMp3Side>())
{
    IgnoreFileSizeSignal();
    m_playback.onBufferPlayed = [this](const AudioBuffer& buffer) { TakeSnapshotIfDue(buffer); };
    m_playback.onPositionAdvanced = [this] { ShowPosition(true); };
    m_playback.onClosed = [this] {
        RefreshControlStates();
        if (m_playback.takeReadFailure())
            m_view.showError(resources::IDS_PLAYBACK_READ_FAILED);
        if (m_playback.takeDeviceLoss())
            m_view.showError(resources::IDS_PLAYBACK_DEVICE_LOST);
    };
}

RecordingEngine::~RecordingEngine() { Release(); }

void RecordingEngine::SetMp3Side(std::unique_ptr<Mp3Side> side)
{
    m_mp3 = side ? std::move(side) : std::make_unique<NoMp3Side>();
}

// ---------------------------------------------------------------- capture

void RecordingEngine::OnRecord()
{
    if (m_recording || IsPlaying() || m_released || m_saving)
        return;

    // From here on the recording differs from anything encoded before.
    m_mp3->DiscardMp3Temp();

    if (!m_waveIn) {
        m_device = m_view.selectedDevice();
        m_format = RecordFormats::format(m_view.selectedFormatRow());
        if (!m_wavTemp.Create(TempName(QStringLiteral("wav")), m_format)) {
            m_view.showError(kCannotCreateRecordingFile);
            return;
        }
        m_waveIn = OpenCaptureDevice();
        if (!m_waveIn) {
            m_wavTemp.CloseAndRemove();
            m_view.showError(kCannotOpenRecordingDevice);
            return;
        }
        m_mp3->BeginMp3Temp(TempName(QStringLiteral("mp3")), m_format);
    } else if (m_captureDeviceLost) {
        // Same device, same format: the file goes on where it stands.
        auto reopened = OpenCaptureDevice();
        if (!reopened) {
            m_view.showError(kCannotOpenRecordingDevice);
            return;
        }
        m_waveIn = std::move(reopened);
        m_captureDeviceLost = false;
        m_captureBuffers.setAllReturned();
    }

    // A resumed recording overwrites from the position onward.
    m_wavTemp.SeekToData(uint64_t(m_position) * m_format.blockAlign());

    m_recording = true;
    m_captureStopping = false;
    QueueCaptureBuffers();
    if (m_recording && !m_waveIn->start()) {
        m_captureDeviceLost = true;
        StopRecordingAfterFault(kCannotOpenRecordingDevice);
        return;
    }
    RefreshControlStates();
    SetViewFullScale();
}

std::unique_ptr<platform::audio::CaptureStream> RecordingEngine::OpenCaptureDevice()
{
    platform::audio::CaptureCallbacks callbacks;
    const uint64_t generation = ++m_captureGeneration;
    callbacks.bufferDone = [this, generation](AudioBuffer* buffer) {
        if (generation == m_captureGeneration)
            OnWaveInData(buffer);
    };
    callbacks.stopped = [this, generation] {
        if (generation == m_captureGeneration)
            OnCaptureStopped();
    };
    callbacks.failed = [this, generation](const QString&) {
        if (generation == m_captureGeneration)
            OnCaptureFailed();
    };
    return platform::audio::backend().openCapture(m_device, m_format, std::move(callbacks));
}

void RecordingEngine::CloseCaptureDevice()
{
    if (m_waveIn) {
        ++m_captureGeneration;  // blocks it still reports are given up
        if (!m_captureDeviceLost)
            m_waveIn->reset();
        m_waveIn->close();
        m_waveIn.reset();
    }
    m_captureBuffers.setAllReturned();
    m_captureDeviceLost = false;
}

void RecordingEngine::QueueCaptureBuffers()
{
    for (int i = 0; i < m_captureBuffers.count() && m_recording; ++i) {
        if (m_captureBuffers.isWithStream(i))
            continue;  // still on its way back from the last stop
        m_captureBuffers.resetHeader(m_captureBuffers[i]);
        AddCaptureBuffer(i);
    }
}

void RecordingEngine::AddCaptureBuffer(int index)
{
    m_captureBuffers.setWithStream(index, true);
    if (!m_waveIn->addBuffer(&m_captureBuffers[index]))
        m_captureBuffers.setWithStream(index, false);
}

void RecordingEngine::OnWaveInData(AudioBuffer* buffer)
{
    const int index = m_captureBuffers.indexOf(buffer);
    if (index < 0)
        return;
    m_captureBuffers.setWithStream(index, false);
    if (!m_recording)
        return;  // blocks handed back after the recording ended carry nothing of it

    int fault = 0;
    if (buffer->bytesRecorded > 0) {
        m_saved = false;
        fault = StoreCapturedData(*buffer);
    }

    // The position follows the end of the file, also when a resumed recording
    // overwrites in the middle.
    m_position = GetDataLength() / m_format.blockAlign();
    // Blocks can come thirty times a second; the waveform and the readouts
    // (which show tenths) change at most ten times, and the end of the
    // recording shows the final figures.
    if (SnapshotDue()) {
        WaveformTarget* wave = m_view.waveform();
        if (wave && buffer->bytesRecorded > 0 && !fault)
            TakeWaveformSnapshot(*wave, buffer->data, AudioBlocks::kBlockSize, m_format.bitsPerSample);
        ShowLength();
        ShowPosition(true);
    }

    if (fault) {
        StopRecordingAfterFault(fault);
        return;
    }
    m_captureBuffers.resetHeader(*buffer);
    if (m_waveIn && !m_captureDeviceLost)
        AddCaptureBuffer(index);
}

int RecordingEngine::StoreCapturedData(const AudioBuffer& buffer)
{
    const uint32_t align = m_format.blockAlign();
    const uint64_t bytes = std::min(buffer.bytesRecorded, AudioBlocks::kBlockSize);
    const uint64_t at = m_wavTemp.dataOffset();
    const uint64_t room = at < m_maxDataBytes ? (m_maxDataBytes - at) / align * align : 0;
    const uint64_t toStore = std::min(bytes, room);

    const uint64_t written = m_wavTemp.Write(buffer.data, toStore);
    if (written < toStore) {
        // Disk full, file too large for the system: keep the whole frames that made it.
        m_wavTemp.TrimToWholeFrames();
        m_mp3->EncodeToMp3Temp(buffer.data, uint32_t(written / align * align));
        return resources::IDS_RECORD_WRITE_FAILED;
    }
    m_mp3->EncodeToMp3Temp(buffer.data, uint32_t(written));
    // Stop before the 32-bit sizes of the header would overflow, not after.
    if (toStore < bytes || room - toStore < align)
        return resources::IDS_RECORD_SIZE_LIMIT;
    return 0;
}

void RecordingEngine::OnStop()
{
    if (!m_recording) {
        m_playback.Stop();  // the controls change when the device has closed
        return;
    }
    if (m_captureStopping)
        return;
    // Everything captured up to this moment still arrives, block by block,
    // and `stopped` follows; the recording ends there.
    m_captureStopping = true;
    if (!m_waveIn->stop() && m_recording && m_captureStopping) {
        m_recording = false;
        m_captureStopping = false;
        m_waveIn->reset();
        if (!FinishRecording())
            m_view.showError(resources::IDS_RECORD_WRITE_FAILED);
    }
}

void RecordingEngine::OnCaptureStopped()
{
    if (!m_recording || !m_captureStopping)
        return;
    m_recording = false;
    m_captureStopping = false;
    // The empty blocks come back and wait for the next Record.
    m_waveIn->reset();
    if (!FinishRecording())
        m_view.showError(resources::IDS_RECORD_WRITE_FAILED);
}

void RecordingEngine::OnCaptureFailed()
{
    // The stream is gone; the blocks it held came back before this call.
    m_captureDeviceLost = true;
    if (!m_recording)
        return;  // idle: the next Record opens the device again
    StopRecordingAfterFault(GetDataLength() > 0 ? resources::IDS_RECORD_DEVICE_LOST : kCannotOpenRecordingDevice);
}

void RecordingEngine::StopRecordingAfterFault(int messageId)
{
    m_recording = false;
    m_captureStopping = false;
    if (GetDataLength() == 0) {
        // Nothing was recorded: this was a failed start, and the device and
        // format may be chosen again.
        EnterEmpty();
    } else {
        if (m_waveIn && !m_captureDeviceLost)
            m_waveIn->reset();
        FinishRecording();
    }
    m_view.showError(messageId);
}

bool RecordingEngine::FinishRecording()
{
    const bool headerWritten = m_wavTemp.UpdateHeaderSizes();
    ShowLength();
    ShowPosition(true);
    RefreshControlStates();
    m_mp3->FinishMp3Temp();
    return headerWritten;
}

// --------------------------------------------------------- new recording

void RecordingEngine::OnNewRecording()
{
    if (m_recording || IsPlaying() || m_saving)
        return;
    if (GetDataLength() > 0 && !m_saved) {
        switch (m_view.ask(kAskSaveChanges)) {
        case Answer::Cancel:
            return;
        case Answer::Yes:
            OnSave();
            if (!m_saved)
                return;  // the save failed or its dialog was cancelled
            break;
        case Answer::No:
            break;
        }
        m_saved = true;
    }

    EnterEmpty();
}

void RecordingEngine::EnterEmpty()
{
    CloseCaptureDevice();
    m_wavTemp.CloseAndRemove();

    m_position = 0;
    ShowPosition(true);
    ShowLength();
    RefreshControlStates();

    m_mp3->DiscardMp3Temp();
}

void RecordingEngine::OnSave()
{
    if (!m_saveHandler || m_saving)
        return;
    const QScopedValueRollback<bool> saving(m_saving, true);
    m_saveHandler();
}

// --------------------------------------------------------------- playback

void RecordingEngine::OnPlay()
{
    if (m_recording || IsPlaying() || m_saving || GetDataLength() == 0)
        return;
    switch (m_playback.Start()) {
    case RecordingPlayback::StartResult::Started:
        break;
    case RecordingPlayback::StartResult::DeviceFailed:
        m_view.showError(kCannotOpenAudioDevice);
        return;
    case RecordingPlayback::StartResult::ReadFailed:
        m_view.showError(resources::IDS_PLAYBACK_READ_FAILED);
        return;
    }
    SetViewFullScale();
    RefreshControlStates();
}

void RecordingEngine::OnSeekStart()
{
    if (m_recording || m_saving)
        return;
    m_position = 0;
    m_playback.ContinueFromPosition();
    ShowPosition(true);
}

void RecordingEngine::OnSeekEnd()
{
    if (m_recording || m_saving)
        return;
    m_position = GetDataLength() / m_format.blockAlign();
    m_playback.ContinueFromPosition();
    ShowPosition(true);
}

void RecordingEngine::OnHScroll(int code, int64_t position)
{
    if (m_recording || m_saving)
        return;  // the slider follows the recording and is disabled meanwhile
    const uint32_t frames = GetDataLength() / m_format.blockAlign();
    const uint32_t thumb = uint32_t(std::clamp<int64_t>(position, 0, frames));
    switch (code) {
    case kThumbTrack:
        m_sliderDragging = true;
        break;
    case kEndTrack:
        m_sliderDragging = false;
        m_position = thumb;
        ShowPosition(false);
        // A playing device hands its blocks back now; they are refilled from here.
        m_playback.Restart();
        break;
    default:
        m_position = thumb;
        m_playback.ContinueFromPosition();
        ShowPosition(false);
        break;
    }
}

// ------------------------------------------------------ readouts, controls

uint32_t RecordingEngine::GetDataLength() const { return m_wavTemp.GetDataLength(); }

uint32_t RecordingEngine::GetHeaderSize() const { return m_wavTemp.GetHeaderSize(); }

void RecordingEngine::ShowLength()
{
    const uint32_t frames = GetDataLength() / m_format.blockAlign();
    m_view.setLengthText(ReadoutText(kLengthText, frames, m_format.sampleRate));
    m_view.setPositionRange(frames);
    if (!m_sliderDragging)
        m_view.setPositionThumb(frames);
}

void RecordingEngine::ShowPosition(bool moveSlider)
{
    m_view.setPositionText(ReadoutText(kPositionText, m_position, m_format.sampleRate));
    if (moveSlider && !m_sliderDragging)
        m_view.setPositionThumb(m_position);
}

void RecordingEngine::RefreshControlStates()
{
    const bool recording = IsRecording();
    const bool playing = IsPlaying();
    const bool hasData = GetDataLength() > 0;
    m_view.setControlEnabled(ControlId::Record, !recording && !playing);
    for (int id : {ControlId::SeekStart, ControlId::SeekEnd, ControlId::PositionSlider})
        m_view.setControlEnabled(id, !recording && hasData);
    for (int id : {ControlId::Play, ControlId::ClearAfterPosition, ControlId::NewRecording, ControlId::Save})
        m_view.setControlEnabled(id, !recording && !playing && hasData);
    m_view.setControlEnabled(ControlId::Stop, recording || playing);
    m_view.setControlEnabled(ControlId::DeviceList, !IsCaptureDeviceOpen());
    m_view.setControlEnabled(ControlId::FormatList, !IsCaptureDeviceOpen());
}

// --------------------------------------------------------------- waveform

bool RecordingEngine::SnapshotDue()
{
    const uint32_t now = m_tickCount();
    if (uint32_t(now - m_lastSnapshotTick) <= kSnapshotIntervalMs)
        return false;
    m_lastSnapshotTick = now;
    return true;
}

void RecordingEngine::TakeSnapshotIfDue(const AudioBuffer& buffer)
{
    WaveformTarget* view = m_view.waveform();
    if (view && SnapshotDue())
        TakeWaveformSnapshot(*view, buffer.data, buffer.length, m_format.bitsPerSample);
}

void RecordingEngine::SetViewFullScale()
{
    if (WaveformTarget* view = m_view.waveform())
        view->setFullScale(FullScaleFor(m_format.bitsPerSample));
}

// ---------------------------------------------------------------- release

void RecordingEngine::Release()
{
    if (m_released)
        return;
    m_released = true;
    m_playback.Close();
    m_recording = false;
    m_captureStopping = false;
    CloseCaptureDevice();
    m_wavTemp.CloseAndRemove();
    m_mp3->DiscardMp3Temp();
}
