#include "engine/recording_engine.h"

#include <algorithm>
#include <QScopedValueRollback>

#include "engine/engine_log.h"
#include "engine/readout.h"
#include "engine/record_formats.h"
#include "platform/paths.h"
#include "resources/strings.h"

using platform::audio::AudioBuffer;

Q_LOGGING_CATEGORY(lcEngine, "quillon.engine", QtCriticalMsg)

namespace {

constexpr int kAskSaveChanges = 364;
constexpr int kCannotOpenRecordingDevice = 365;
constexpr int kCannotCreateRecordingFile = 366;
constexpr int kCannotOpenAudioDevice = 381;
constexpr int kLengthText = 384;
constexpr int kPositionText = 385;

QString TempName(const QString& extension)
{
    return platform::joinPath(platform::takesFolder(),
                              QStringLiteral("quillon_temp_%1.%2").arg(platform::currentThreadId()).arg(extension));
}

}  // namespace

RecordingEngine::RecordingEngine(EngineView& view, QObject* parent)
    : QObject(parent)
    , m_view(view)
    , m_mp3(std::make_unique<NoMp3Side>())
    , m_writer(m_wavTemp,
               {[this](const TakeProgress& p) { OnTakeProgress(p); }, [this](bool written) { OnTakeStopped(written); },
                [this](TakeFault fault) { OnTakeFailed(fault); },
                [this](const QString& from, const QString& to) { emit captureDeviceMoved(from, to); }})
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

void RecordingEngine::SetTickClock(TickClock clock)
{
    m_tickCount = clock;
    m_writer.SetClock(std::move(clock));
}

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

    if (!m_writer.IsOpen()) {
        const int device = m_view.selectedDevice();
        m_format = RecordFormats::format(m_view.selectedFormatRow());
        if (!m_wavTemp.Create(TempName(QStringLiteral("wav")), m_format)) {
            qCWarning(lcEngine) << "cannot create the recording file:" << m_wavTemp.errorString();
            m_view.showError(kCannotCreateRecordingFile);
            return;
        }
        if (!m_writer.Open(device, m_format)) {
            m_wavTemp.CloseAndRemove();
            m_view.showError(kCannotOpenRecordingDevice);
            return;
        }
        m_mp3->BeginMp3Temp(TempName(QStringLiteral("mp3")), m_format);
    }

    // A resumed recording overwrites from the position onward.
    m_takeLength = m_wavTemp.GetDataLength();
    m_lostFrames = 0;
    m_recording = true;
    if (!m_writer.Start(uint64_t(m_position) * m_format.blockAlign(), *m_mp3)) {
        m_recording = false;
        StopRecordingAfterFault(kCannotOpenRecordingDevice);
        return;
    }
    RefreshControlStates();
    SetViewFullScale();
}

void RecordingEngine::OnTakeProgress(const TakeProgress& progress)
{
    if (!m_recording)
        return;
    if (progress.newAudio)
        m_saved = false;
    m_takeLength = uint32_t(progress.dataBytes);
    // The position follows the end of the file, also when a resumed recording
    // overwrites in the middle.
    m_position = m_takeLength / m_format.blockAlign();
    WaveformTarget* wave = m_view.waveform();
    if (wave && !progress.snapshot.isEmpty())
        TakeWaveformSnapshot(*wave, reinterpret_cast<const uint8_t*>(progress.snapshot.constData()),
                             uint32_t(progress.snapshot.size()), m_format.bitsPerSample);
    ShowLength();
    ShowPosition(true);
    if (progress.newAudio)
        emit levelsMeasured(progress.levels);
    if (progress.lostFrames > 0) {
        m_lostFrames += progress.lostFrames;
        emit audioLost(double(progress.lostFrames) / m_format.sampleRate);
    }
}

void RecordingEngine::OnStop()
{
    if (!m_recording) {
        m_playback.Stop();  // the controls change when the device has closed
        return;
    }
    // Everything captured up to this moment still reaches the file; the
    // recording ends when the writer says so.
    m_writer.Stop();
}

void RecordingEngine::OnTakeStopped(bool headerWritten)
{
    if (!m_recording)
        return;
    m_recording = false;
    ShowFinishedTake();
    if (!headerWritten)
        m_view.showError(resources::IDS_RECORD_WRITE_FAILED);
}

void RecordingEngine::OnTakeFailed(TakeFault fault)
{
    if (!m_recording)
        return;
    m_recording = false;
    switch (fault) {
    case TakeFault::WriteFailed:
        StopRecordingAfterFault(resources::IDS_RECORD_WRITE_FAILED);
        break;
    case TakeFault::SizeLimit:
        StopRecordingAfterFault(resources::IDS_RECORD_SIZE_LIMIT);
        break;
    case TakeFault::DeviceLost:
        StopRecordingAfterFault(GetDataLength() > 0 ? resources::IDS_RECORD_DEVICE_LOST
                                                    : kCannotOpenRecordingDevice);
        break;
    }
}

void RecordingEngine::StopRecordingAfterFault(int messageId)
{
    if (GetDataLength() == 0) {
        // Nothing was recorded: this was a failed start, and the device and
        // format may be chosen again.
        EnterEmpty();
    } else {
        ShowFinishedTake();
    }
    m_view.showError(messageId);
}

void RecordingEngine::ShowFinishedTake()
{
    m_position = GetDataLength() / m_format.blockAlign();
    ShowLength();
    ShowPosition(true);
    RefreshControlStates();
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
    m_writer.Close();
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

uint32_t RecordingEngine::GetDataLength() const { return m_recording ? m_takeLength : m_wavTemp.GetDataLength(); }

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
    m_writer.Close();
    m_recording = false;
    m_wavTemp.CloseAndRemove();
    m_mp3->DiscardMp3Temp();
}
