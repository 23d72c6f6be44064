#include "engine/recording_engine.h"

#include <algorithm>

#include "engine/engine_log.h"
#include "platform/paths.h"

using platform::audio::AudioBuffer;

namespace {

QString TempName(const QString& extension)
{
    return platform::JoinPath(platform::TakesFolder(),
                              QStringLiteral("quillon_temp_%1.%2").arg(platform::CurrentThreadId()).arg(extension));
}

}  // namespace

RecordingEngine::RecordingEngine(QObject* parent)
    : QObject(parent)
    , m_mp3(std::make_unique<NoMp3Side>())
    , m_writer(m_wavTemp,
               {[this](const TakeProgress& p) { OnTakeProgress(p); }, [this](bool written) { OnTakeStopped(written); },
                [this](TakeFault fault) { OnTakeFailed(fault); },
                [this](const QString& from, const QString& to) { emit CaptureDeviceMoved(from, to); }})
{
    IgnoreFileSizeSignal();
    m_playback.onBufferPlayed = [this](const AudioBuffer& buffer) {
        if (SnapshotDue())
            emit WaveformBlock(QByteArray(reinterpret_cast<const char*>(buffer.data), qsizetype(buffer.length)));
    };
    m_playback.onPositionAdvanced = [this] { ReportPosition(); };
    m_playback.onClosed = [this] {
        SetState(EngineState::Stopped);
        if (m_playback.TakeReadFailure())
            emit Failed(EngineError::TakeReadFailed);
        if (m_playback.TakeDeviceLoss())
            emit Failed(EngineError::OutputLost);
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

void RecordingEngine::SetState(EngineState state)
{
    if (m_state == state)
        return;
    m_state = state;
    emit StateChanged(state);
}

// ---------------------------------------------------------------- capture

void RecordingEngine::Record(int device, const platform::audio::PcmFormat& format)
{
    if (!IsIdle() || m_released)
        return;

    // From here on the recording differs from anything encoded before.
    m_mp3->DiscardMp3Temp();

    if (!m_writer.IsOpen()) {
        m_format = format;
        if (!m_wavTemp.Create(TempName(QStringLiteral("wav")), m_format)) {
            qCWarning(lcEngine) << "cannot create the recording file:" << m_wavTemp.ErrorString();
            emit Failed(EngineError::TakeFileNotCreated);
            return;
        }
        if (!m_writer.Open(device, m_format)) {
            m_wavTemp.CloseAndRemove();
            emit Failed(EngineError::CaptureNotOpened);
            return;
        }
        m_mp3->BeginMp3Temp(TempName(QStringLiteral("mp3")), m_format);
    }

    // A resumed recording overwrites from the position onward.
    m_takeLength = m_wavTemp.GetDataLength();
    m_lostFrames = 0;
    if (!m_writer.Start(uint64_t(m_position) * m_format.BlockAlign(), *m_mp3)) {
        StopRecordingAfterFault(EngineError::CaptureNotOpened);
        return;
    }
    m_takeOverwrites = uint64_t(m_position) * m_format.BlockAlign() < m_wavTemp.GetDataLength();
    SetState(EngineState::Recording);
    emit TakeStarted();
}

void RecordingEngine::OnTakeProgress(const TakeProgress& progress)
{
    if (!IsRecording())
        return;
    if (progress.newAudio)
        emit AudioRecorded();
    m_takeLength = uint32_t(progress.dataBytes);
    // The position follows the end of the file, also when a resumed recording
    // overwrites in the middle.
    m_position = m_takeLength / m_format.BlockAlign();
    if (!progress.snapshot.isEmpty())
        emit WaveformBlock(progress.snapshot);
    ReportLength();
    ReportPosition();
    if (progress.newAudio) {
        m_tally.Add(progress.levels);
        emit LevelsMeasured(progress.levels);
    }
    if (progress.lostFrames > 0) {
        m_lostFrames += progress.lostFrames;
        emit AudioLost(double(progress.lostFrames) / m_format.sampleRate);
    }
}

void RecordingEngine::Stop()
{
    if (IsPlaying()) {
        m_playback.Stop();  // Stopped once the device has closed
        return;
    }
    // Everything captured up to this moment still reaches the file; the
    // recording ends when the writer says so.
    if (IsRecording())
        m_writer.Stop();
}

void RecordingEngine::OnTakeStopped(bool headerWritten)
{
    if (!IsRecording())
        return;
    FinishTake();
    if (!headerWritten)
        emit Failed(EngineError::TakeWriteFailed);
}

void RecordingEngine::OnTakeFailed(TakeFault fault)
{
    if (!IsRecording())
        return;
    switch (fault) {
    case TakeFault::WriteFailed:
        StopRecordingAfterFault(EngineError::TakeWriteFailed);
        break;
    case TakeFault::SizeLimit:
        StopRecordingAfterFault(EngineError::TakeSizeLimit);
        break;
    case TakeFault::DeviceLost:
        // With nothing recorded the device never really worked.
        StopRecordingAfterFault(m_wavTemp.GetDataLength() > 0 ? EngineError::CaptureLost
                                                              : EngineError::CaptureNotOpened);
        break;
    }
}

void RecordingEngine::StopRecordingAfterFault(EngineError error)
{
    if (m_wavTemp.GetDataLength() == 0) {
        // Nothing was recorded: this was a failed start, and the device and
        // format may be chosen again.
        EnterEmpty();
    } else {
        FinishTake();
    }
    emit Failed(error);
}

void RecordingEngine::FinishTake()
{
    m_state = EngineState::Stopped;  // the file is the engine's again: its own length counts
    m_position = LengthFrames();
    ReportLength();
    ReportPosition();
    emit StateChanged(m_state);
    CountFinishedTake();
}

// --------------------------------------------------------- levels

void RecordingEngine::CountFinishedTake()
{
    // What the take overwrote was summed before; only the file knows what is left of it.
    if (m_takeOverwrites)
        StartRecount(GetDataLength());
    else if (!m_recount)
        emit TakeLevelsCounted(m_tally);
}

void RecordingEngine::RecountLevels()
{
    if (m_wavTemp.IsOpen() && m_state != EngineState::Recording)
        StartRecount(GetDataLength());
}

void RecordingEngine::StartRecount(uint64_t dataBytes)
{
    StopRecount();
    m_tally = TakeTally{};
    m_recountCancel = false;
    const uint64_t generation = ++m_recountGeneration;
    // Through a handle of its own: the window's thread goes on playing from the file.
    m_recount.reset(QThread::create([this, generation, dataBytes, path = m_wavTemp.ReadingPath(),
                                     start = uint64_t(m_wavTemp.GetHeaderSize()), format = m_format] {
        const TakeTally counted = CountTakeLevels(path, start, dataBytes, format, m_recountCancel);
        QMetaObject::invokeMethod(
            this,
            [this, generation, counted] {
                if (generation != m_recountGeneration)
                    return;
                StopRecount();
                // A take started meanwhile has been summed on top.
                m_tally.Add(counted);
                if (m_state != EngineState::Recording)
                    emit TakeLevelsCounted(m_tally);
            },
            Qt::QueuedConnection);
    }));
    m_recount->setObjectName(QStringLiteral("level recount"));
    m_recount->start();
}

void RecordingEngine::StopRecount()
{
    if (!m_recount)
        return;
    m_recountCancel = true;
    m_recount->wait();
    m_recount.reset();
    ++m_recountGeneration;
}

// --------------------------------------------------------- new recording

void RecordingEngine::DiscardTake()
{
    if (IsIdle())
        EnterEmpty();
}

void RecordingEngine::EnterEmpty()
{
    StopRecount();
    m_tally = TakeTally{};
    emit TakeLevelsCounted(m_tally);
    m_writer.Close();
    m_wavTemp.CloseAndRemove();

    m_position = 0;
    m_state = EngineState::Empty;
    ReportPosition();
    ReportLength();
    emit StateChanged(m_state);

    m_mp3->DiscardMp3Temp();
}

// ------------------------------------------------------------ export, clear

bool RecordingEngine::BeginExport()
{
    if (m_state != EngineState::Stopped || GetDataLength() == 0)
        return false;
    SetState(EngineState::Saving);
    return true;
}

TakeSource RecordingEngine::ExportSource() const
{
    TakeSource source;
    source.available = m_wavTemp.IsOpen();
    source.wavePath = m_wavTemp.Path();
    source.waveReadingPath = m_wavTemp.ReadingPath();
    source.headerSize = GetHeaderSize();
    source.format = m_format;
    source.mp3TempPath = m_mp3->Mp3TempPath();
    source.mp3TempBitrate = m_mp3->Mp3TempBitrate();
    return source;
}

void RecordingEngine::EndExport()
{
    if (m_state == EngineState::Saving)
        SetState(EngineState::Stopped);
}

void RecordingEngine::ClearAfterPosition()
{
    if (m_state != EngineState::Stopped || !m_wavTemp.IsOpen())
        return;
    const uint64_t keep = std::min<uint64_t>(uint64_t(m_position) * m_format.BlockAlign(), m_wavTemp.GetDataLength());
    m_wavTemp.TruncateData(keep);
    // The encoded copy holds the dropped part as well; a later MP3 save
    // encodes the shortened recording.
    m_mp3->DiscardMp3Temp();
    ReportLength();
    RecountLevels();
}

// --------------------------------------------------------------- playback

void RecordingEngine::Play()
{
    if (!IsIdle() || GetDataLength() == 0)
        return;
    switch (m_playback.Start()) {
    case RecordingPlayback::StartResult::Started:
        break;
    case RecordingPlayback::StartResult::DeviceFailed:
        emit Failed(EngineError::OutputNotOpened);
        return;
    case RecordingPlayback::StartResult::ReadFailed:
        emit Failed(EngineError::TakeReadFailed);
        return;
    }
    SetState(EngineState::Playing);
}

void RecordingEngine::MoveTo(uint32_t frame)
{
    if (IsRecording() || m_state == EngineState::Saving)
        return;
    m_position = std::min(frame, LengthFrames());
    m_playback.ContinueFromPosition();
    ReportPosition();
}

void RecordingEngine::RestartAt(uint32_t frame)
{
    if (IsRecording() || m_state == EngineState::Saving)
        return;
    m_position = std::min(frame, LengthFrames());
    ReportPosition();
    // A playing device hands its blocks back now; they are refilled from here.
    m_playback.Restart();
}

// ---------------------------------------------------------------- reports

uint32_t RecordingEngine::GetDataLength() const { return IsRecording() ? m_takeLength : m_wavTemp.GetDataLength(); }

uint32_t RecordingEngine::GetHeaderSize() const { return m_wavTemp.GetHeaderSize(); }

uint32_t RecordingEngine::LengthFrames() const { return GetDataLength() / m_format.BlockAlign(); }

void RecordingEngine::ReportLength() { emit LengthChanged(LengthFrames()); }

void RecordingEngine::ReportPosition() { emit PositionChanged(m_position); }

bool RecordingEngine::SnapshotDue()
{
    const uint32_t now = m_tickCount();
    if (uint32_t(now - m_lastSnapshotTick) <= kSnapshotIntervalMs)
        return false;
    m_lastSnapshotTick = now;
    return true;
}

// ---------------------------------------------------------------- release

void RecordingEngine::Release()
{
    if (m_released)
        return;
    m_released = true;
    StopRecount();
    m_playback.Close();
    m_writer.Close();
    m_state = EngineState::Empty;  // nothing is told any more: the owner is going away
    m_wavTemp.CloseAndRemove();
    m_mp3->DiscardMp3Temp();
}
