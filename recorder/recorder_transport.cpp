// The recorder half's side of the recording engine: the transport
// commands it routes to the engine, and what it shows of the engine's
// reports (readouts, slider, waveform, enabled controls, messages).
#include "recorder/recorder_panel.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QPushButton>
#include <QComboBox>
#include <QLabel>
#include <QScopedValueRollback>
#include <algorithm>
#include <set>

#include "controls/gradient_button.h"
#include "controls/trackbar.h"
#include "engine/record_formats.h"
#include "engine/recording_engine.h"
#include "recorder/control_states.h"
#include "recorder/readout.h"
#include "recorder/save_flow.h"
#include "recorder/waveform_view.h"
#include "recorder/window_controls.h"
#include "recorder/window_prompts.h"
#include "resources/strings.h"

void RecorderPanel::ConnectEngine()
{
    const std::pair<QAbstractButton*, void (RecorderPanel::*)()> commands[] = {
        {m_c.record, &RecorderPanel::OnRecord},
        {m_c.stop, &RecorderPanel::OnStop},
        {m_c.newRecording, &RecorderPanel::OnNewRecording},
        {m_c.play, &RecorderPanel::OnPlay},
        {m_c.seekStart, &RecorderPanel::OnSeekStart},
        {m_c.seekEnd, &RecorderPanel::OnSeekEnd},
        {m_c.save, &RecorderPanel::OnSave},
        {m_c.clearAfterPosition, &RecorderPanel::OnClearAfterPosition},
    };
    for (const auto& [button, operation] : commands)
        connect(button, &QAbstractButton::clicked, this, operation);

    // The position slider's notifications come as they are sent: tracking
    // while the thumb is dragged, steps, and one end of tracking.
    controls::Trackbar* slider = m_c.positionSlider;
    connect(slider, &controls::Trackbar::Scrolled, this,
            [this, slider](int code) { OnHScroll(code, slider->GetPos()); });

    RecordingEngine* e = m_engine.get();
    connect(e, &RecordingEngine::StateChanged, this, &RecorderPanel::OnEngineStateChanged);
    connect(e, &RecordingEngine::LengthChanged, this, [this] {
        ShowLength();
        // The length changes several times a second; the controls only when there comes to be data or none.
        if ((m_engine->GetDataLength() > 0) != m_statesShownWithData)
            RefreshControlStates();
    });
    connect(e, &RecordingEngine::PositionChanged, this, [this] { ShowPosition(!m_sliderScrolling); });
    connect(e, &RecordingEngine::WaveformBlock, this, &RecorderPanel::ShowWaveformBlock);
    connect(e, &RecordingEngine::AudioLost, this, &RecorderPanel::ShowAudioLost);
    connect(e, &RecordingEngine::Failed, this, &RecorderPanel::ShowEngineError);
    connect(m_saveFlow.get(), &SaveFlow::RecordingSaved, this, &RecorderPanel::RecordingSaved);
}

// ------------------------------------------------------------- commands

void RecorderPanel::OnRecord()
{
    m_engine->Record(m_c.deviceList->currentIndex(), RecordFormats::Format(m_c.formatList->currentIndex()));
}

void RecorderPanel::OnStop() { m_engine->Stop(); }

void RecorderPanel::OnPlay() { m_engine->Play(); }

void RecorderPanel::OnSeekStart() { m_engine->MoveTo(0); }

void RecorderPanel::OnSeekEnd() { m_engine->MoveTo(m_engine->LengthFrames()); }

void RecorderPanel::OnHScroll(int code, int64_t position)
{
    if (m_engine->IsRecording())
        return;  // the slider follows the recording and is disabled meanwhile
    const uint32_t frame = uint32_t(std::clamp<int64_t>(position, 0, m_engine->LengthFrames()));
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

void RecorderPanel::OnSave() { m_saveFlow->OnSave(); }

void RecorderPanel::OnClearAfterPosition() { m_engine->ClearAfterPosition(); }

void RecorderPanel::OnNewRecording()
{
    const EngineState state = m_engine->State();
    if (state != EngineState::Empty && state != EngineState::Stopped)
        return;
    if (m_saveFlow->MayDropTake())
        m_engine->DiscardTake();
}

// ------------------------------------------------------- engine reports

void RecorderPanel::ShowLength()
{
    const uint32_t frames = m_engine->LengthFrames();
    m_c.lengthReadout->setText(ReadoutText(resources::IDS_LENGTH_READOUT, frames, m_engine->Format().sampleRate));
    if (m_sliderDragging)
        m_c.positionSlider->SetRange(0, frames);
    else
        m_c.positionSlider->SetRangeAndPos(0, frames, frames);
}

void RecorderPanel::ShowPosition(bool moveSlider)
{
    const uint32_t position = m_engine->Position();
    m_c.positionReadout->setText(ReadoutText(resources::IDS_POSITION_READOUT, position, m_engine->Format().sampleRate));
    if (moveSlider && !m_sliderDragging)
        m_c.positionSlider->SetPos(position);
}

void RecorderPanel::RefreshControlStates()
{
    namespace id = RecorderControl;
    const std::pair<int, QWidget*> controls[] = {
        {id::Record, m_c.record},
        {id::SeekStart, m_c.seekStart},
        {id::SeekEnd, m_c.seekEnd},
        {id::PositionSlider, m_c.positionSlider},
        {id::Play, m_c.play},
        {id::ClearAfterPosition, m_c.clearAfterPosition},
        {id::NewRecording, m_c.newRecording},
        {id::Save, m_c.save},
        {id::Stop, m_c.stop},
        {id::DeviceList, m_c.deviceList},
        {id::FormatList, m_c.formatList},
    };
    static_assert(std::size(controls) == std::size(kEngineControls));
    m_statesShownWithData = m_engine->GetDataLength() > 0;
    const std::set<int> enabled = EnabledControls(m_engine->State(), m_statesShownWithData);
    for (const auto& [controlId, control] : controls)
        control->setEnabled(enabled.count(controlId) > 0);
}

void RecorderPanel::OnEngineStateChanged(EngineState state)
{
    if (state == EngineState::Recording || state == EngineState::Playing)
        m_c.waveform->SetFullScale(FullScaleFor(m_engine->Format().bitsPerSample));
    RefreshControlStates();
    if (m_engine->IsRecording() != m_reportedRecording) {
        m_reportedRecording = !m_reportedRecording;
        emit RecordingChanged(m_reportedRecording);
    }
}

void RecorderPanel::ShowWaveformBlock(const QByteArray& block)
{
    TakeWaveformSnapshot(*m_c.waveform, reinterpret_cast<const uint8_t*>(block.constData()), uint32_t(block.size()),
                         m_engine->Format().bitsPerSample);
}

void RecorderPanel::ShowEngineError(EngineError error)
{
    switch (error) {
    case EngineError::TakeFileNotCreated:
        return m_prompts->ShowError(resources::IDS_TAKE_FILE_NOT_CREATED);
    case EngineError::CaptureNotOpened:
        return m_prompts->ShowError(resources::IDS_CAPTURE_NOT_OPENED);
    case EngineError::CaptureLost:
        return m_prompts->ShowError(resources::IDS_RECORD_DEVICE_LOST);
    case EngineError::TakeWriteFailed:
        return m_prompts->ShowError(resources::IDS_RECORD_WRITE_FAILED);
    case EngineError::TakeSizeLimit:
        return m_prompts->ShowError(resources::IDS_RECORD_SIZE_LIMIT);
    case EngineError::OutputNotOpened:
        return m_prompts->ShowError(resources::IDS_OUTPUT_NOT_OPENED);
    case EngineError::OutputLost:
        return m_prompts->ShowError(resources::IDS_PLAYBACK_DEVICE_LOST);
    case EngineError::TakeReadFailed:
        return m_prompts->ShowError(resources::IDS_PLAYBACK_READ_FAILED);
    }
}
