// The recorder window's side of the recording engine: the transport
// commands it routes to the engine, and what it shows of the engine's
// reports (readouts, slider, waveform, enabled controls, messages).
#include "recorder/recorder_dialog.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QScopedValueRollback>
#include <algorithm>
#include <set>

#include "controls/trackbar.h"
#include "engine/record_formats.h"
#include "engine/recording_engine.h"
#include "recorder/control_states.h"
#include "recorder/readout.h"
#include "recorder/save_flow.h"
#include "recorder/waveform_view.h"
#include "resources/strings.h"

void RecorderDialog::connectEngine()
{
    const std::pair<int, void (RecorderDialog::*)()> commands[] = {
        {1127, &RecorderDialog::OnRecord},       {1022, &RecorderDialog::OnStop},
        {1125, &RecorderDialog::OnNewRecording}, {103, &RecorderDialog::OnPlay},
        {1122, &RecorderDialog::OnSeekStart},    {1123, &RecorderDialog::OnSeekEnd},
        {1116, &RecorderDialog::OnSave},         {1124, &RecorderDialog::OnClearAfterPosition},
    };
    for (const auto& [id, operation] : commands)
        connect(controlAs<QAbstractButton>(id), &QAbstractButton::clicked, this, operation);

    // The position slider's notifications come as they are sent: tracking
    // while the thumb is dragged, steps, and one end of tracking.
    auto* slider = controlAs<controls::Trackbar>(1121);
    connect(slider, &controls::Trackbar::scrolled, this, [this, slider](int code) { OnHScroll(code, slider->GetPos()); });

    RecordingEngine* e = m_engine.get();
    connect(e, &RecordingEngine::stateChanged, this, &RecorderDialog::OnEngineStateChanged);
    connect(e, &RecordingEngine::lengthChanged, this, [this] { ShowLength(), RefreshControlStates(); });
    connect(e, &RecordingEngine::positionChanged, this, [this] { ShowPosition(!m_sliderScrolling); });
    connect(e, &RecordingEngine::waveformBlock, this, &RecorderDialog::ShowWaveformBlock);
    connect(e, &RecordingEngine::audioLost, this, &RecorderDialog::ShowAudioLost);
    connect(e, &RecordingEngine::failed, this, &RecorderDialog::ShowEngineError);
    connect(m_saveFlow.get(), &SaveFlow::recordingSaved, this, &RecorderDialog::addRecording);
}

// ------------------------------------------------------------- commands

void RecorderDialog::OnRecord()
{
    m_engine->Record(controlAs<QComboBox>(1266)->currentIndex(),
                     RecordFormats::format(controlAs<QComboBox>(1217)->currentIndex()));
}

void RecorderDialog::OnStop() { m_engine->Stop(); }

void RecorderDialog::OnPlay() { m_engine->Play(); }

void RecorderDialog::OnSeekStart() { m_engine->MoveTo(0); }

void RecorderDialog::OnSeekEnd() { m_engine->MoveTo(m_engine->lengthFrames()); }

void RecorderDialog::OnHScroll(int code, int64_t position)
{
    if (m_engine->IsRecording())
        return;  // the slider follows the recording and is disabled meanwhile
    const uint32_t frame = uint32_t(std::clamp<int64_t>(position, 0, m_engine->lengthFrames()));
    const QScopedValueRollback<bool> scrolling(m_sliderScrolling, true);
    switch (code) {
    case controls::Trackbar::ThumbTrack:
        m_sliderDragging = true;
        break;
    case controls::Trackbar::EndTrack:
        m_sliderDragging = false;
        m_engine->RestartAt(frame);
        break;
    default:
        m_engine->MoveTo(frame);
        break;
    }
}

void RecorderDialog::OnSave() { m_saveFlow->OnSave(); }

void RecorderDialog::OnClearAfterPosition() { m_engine->ClearAfterPosition(); }

void RecorderDialog::OnNewRecording()
{
    const EngineState state = m_engine->state();
    if (state != EngineState::Empty && state != EngineState::Stopped)
        return;
    if (m_saveFlow->MayDropTake())
        m_engine->DiscardTake();
}

// ------------------------------------------------------- engine reports

void RecorderDialog::ShowLength()
{
    const uint32_t frames = m_engine->lengthFrames();
    controlAs<QLabel>(1120)->setText(ReadoutText(384, frames, m_engine->format().sampleRate));
    auto* slider = controlAs<controls::Trackbar>(1121);
    slider->SetRange(0, frames);
    if (!m_sliderDragging)
        slider->SetPos(frames);
}

void RecorderDialog::ShowPosition(bool moveSlider)
{
    const uint32_t position = m_engine->position();
    controlAs<QLabel>(1119)->setText(ReadoutText(385, position, m_engine->format().sampleRate));
    if (moveSlider && !m_sliderDragging)
        controlAs<controls::Trackbar>(1121)->SetPos(position);
}

void RecorderDialog::RefreshControlStates()
{
    const std::set<int> enabled = EnabledControls(m_engine->state(), m_engine->GetDataLength() > 0);
    for (int id : kEngineControls)
        control(id)->setEnabled(enabled.count(id) > 0);
}

void RecorderDialog::OnEngineStateChanged(EngineState state)
{
    if (state == EngineState::Recording || state == EngineState::Playing)
        static_cast<WaveformView*>(control(1084))->setFullScale(FullScaleFor(m_engine->format().bitsPerSample));
    RefreshControlStates();
    if (m_engine->IsRecording() != m_reportedRecording) {
        m_reportedRecording = !m_reportedRecording;
        emit recordingChanged(m_reportedRecording);
    }
}

void RecorderDialog::ShowWaveformBlock(const QByteArray& block)
{
    TakeWaveformSnapshot(*static_cast<WaveformView*>(control(1084)), reinterpret_cast<const uint8_t*>(block.constData()),
                         uint32_t(block.size()), m_engine->format().bitsPerSample);
}

void RecorderDialog::ShowEngineError(EngineError error)
{
    switch (error) {
    case EngineError::TakeFileNotCreated:
        return showError(366);
    case EngineError::CaptureNotOpened:
        return showError(365);
    case EngineError::CaptureLost:
        return showError(resources::IDS_RECORD_DEVICE_LOST);
    case EngineError::TakeWriteFailed:
        return showError(resources::IDS_RECORD_WRITE_FAILED);
    case EngineError::TakeSizeLimit:
        return showError(resources::IDS_RECORD_SIZE_LIMIT);
    case EngineError::OutputNotOpened:
        return showError(381);
    case EngineError::OutputLost:
        return showError(resources::IDS_PLAYBACK_DEVICE_LOST);
    case EngineError::TakeReadFailed:
        return showError(resources::IDS_PLAYBACK_READ_FAILED);
    }
}
