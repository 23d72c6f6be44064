#include "input/mixer_panel.h"

#include <QCoreApplication>
#include <QAbstractButton>
#include <QComboBox>
#include <QSlider>
#include <algorithm>

#include "input/input_log.h"
#include "input/mixer_line_list.h"
#include "platform/shell.h"

using platform::audio::ControlType;
using platform::audio::InputMixer;
using platform::audio::MixerControl;

namespace {

// A line whose record could not be read gets an id that names no line, so
// that highlighting it never shows or sets another line's volume.
constexpr uint32_t kUnreadableLineId = 0xFFFFFFFF;

}  // namespace

MixerPanel::MixerPanel(const Controls& controls, QObject* parent)
    : QObject(parent)
    , m_controls(controls)
{
    m_controls.force->setChecked(m_forceSelection);
    connect(m_controls.devices, &QComboBox::currentIndexChanged, this, &MixerPanel::OnDeviceChanged);
    // Picking the entry that is already chosen reports as well; it must not rebuild the list.
    connect(m_controls.devices, &QComboBox::activated, this, &MixerPanel::OnDeviceChanged);
    connect(m_controls.lines, &MixerLineList::LineCheckChanged, this, &MixerPanel::OnLineChecked);
    connect(m_controls.lines, &QListWidget::currentRowChanged, this, &MixerPanel::OnLineSelected);
    // Every user scroll, each step of a drag included, but not the position
    // RefreshVolume sets: the trackbar reports only what the user does.
    connect(m_controls.volume, &QAbstractSlider::actionTriggered, this, &MixerPanel::ApplyVolume);
    // A drag ends where the mixer stands, should it have refused a step.
    connect(m_controls.volume, &QAbstractSlider::sliderReleased, this, &MixerPanel::RefreshVolume);
    connect(m_controls.force, &QAbstractButton::clicked, this, &MixerPanel::OnForceSelection);
    connect(m_controls.advanced, &QAbstractButton::clicked, this, &MixerPanel::OnAdvancedMixer);
}

MixerPanel::~MixerPanel() = default;

void MixerPanel::OnDeviceChanged()
{
    const int id = m_controls.devices->currentIndex();
    if (id == m_mixerDeviceId)
        return;
    m_mixerDeviceId = id;
    m_mixer.reset();
    m_controls.volume->setEnabled(false);
    m_sourceCount = 0;
    m_controls.lines->RemoveAllLines();
    if (id < 0)
        return;

    // Control changes name the mixer they come from; the callback learns its
    // mixer once the open has returned it.
    auto opened = std::make_shared<const InputMixer*>(nullptr);
    m_mixer = platform::audio::Backend().OpenMixer(
        id, {[this, opened](uint32_t controlId) { OnMixerControlChange(*opened, controlId); }});
    if (!m_mixer) {
        qCWarning(lcInput) << "no mixer for input device" << id;
        return;
    }
    *opened = m_mixer.get();
    if (!m_mixer->HasRecordingDestination())
        return;

    // Several lines at once where the card allows it, else one.
    m_selectControlType = ControlType::Mixer;
    std::optional<MixerControl> select = m_mixer->DestinationControl(ControlType::Mixer);
    if (!select) {
        m_selectControlType = ControlType::Mux;
        select = m_mixer->DestinationControl(ControlType::Mux);
    }
    if (!select)
        return;
    m_selectControlId = select->id;
    const int n = m_mixer->SourceCount();
    if (n <= 0)
        return;
    m_sourceCount = n;
    m_lineChecked.fill(0);

    // Lines past the 30th are not listed: the states this program last read or
    // applied are kept for 30 lines, and a check mark without a kept state
    // could not be judged. Their select values stay as the mixer has them,
    // except that a MUX, which has one line on, switches them off whenever
    // this program writes its choice (OnLineChecked).
    for (int s = 0; s < std::min(n, kMaxLines); ++s) {
        const auto line = m_mixer->SourceLine(s);
        if (line)
            m_controls.lines->AddLine(line->name, line->id);
        else
            m_controls.lines->AddLine(QCoreApplication::translate("MixerPanel", "Error getting name."),
                                      kUnreadableLineId);
    }
    if (const auto lastOn = ReadSelection())
        m_controls.lines->Highlight(*lastOn);
    RefreshVolume();
}

std::optional<int> MixerPanel::ReadSelection()
{
    std::vector<int32_t> values;
    if (!m_mixer->ReadValues(m_selectControlId, values) || values.size() != size_t(m_sourceCount)) {
        qCWarning(lcInput) << "cannot read the recording lines of the mixer, got" << values.size() << "of"
                           << m_sourceCount;
        return std::nullopt;
    }
    int lastOn = -1;
    for (int i = 0; i < m_controls.lines->count(); ++i) {
        const bool on = values[ValueIndex(i)] != 0;
        m_controls.lines->SetChecked(i, on);
        m_lineChecked[size_t(i)] = on;
        if (on)
            lastOn = i;
    }
    return lastOn;
}

void MixerPanel::OnLineChecked()
{
    const int count = m_controls.lines->count();
    std::array<int, kMaxLines> checks{};
    for (int i = 0; i < count; ++i)
        checks[size_t(i)] = m_controls.lines->IsChecked(i);
    // The line the user changed is the first that differs from what this
    // program last read or applied, whatever another program did meanwhile.
    int changed = -1;
    for (int i = 0; i < count && changed < 0; ++i)
        if (checks[size_t(i)] != m_lineChecked[size_t(i)])
            changed = i;
    if (!m_mixer || m_sourceCount == 0)
        return;

    std::vector<int32_t> values;
    if (m_mixer->ReadValues(m_selectControlId, values) && values.size() == size_t(m_sourceCount)) {
        for (int i = 0; i < count; ++i)
            values[ValueIndex(i)] = checks[size_t(i)];
        if (m_selectControlType == ControlType::Mux) {
            // A MUX keeps exactly one line on: checking a line switches to it
            // alone, and unchecking the only active line switches it back on.
            for (int i = count; i < m_sourceCount; ++i)
                values[ValueIndex(i)] = 0;
            if (changed >= 0) {
                std::fill(values.begin(), values.end(), 0);
                values[ValueIndex(changed)] = 1;
            }
        }
        if (!m_mixer->WriteValues(m_selectControlId, values))
            qCWarning(lcInput) << "the mixer refused the recording lines";
    }
    // The list always ends showing the mixer's real state, written or not.
    ReadSelection();
}

void MixerPanel::OnMixerControlChange(const InputMixer* mixer, uint32_t controlId)
{
    if (!mixer || mixer != m_mixer.get())
        return;
    RefreshVolume();
    if (controlId != m_selectControlId || m_sourceCount == 0)
        return;
    std::vector<int32_t> values;
    if (!m_mixer->ReadValues(m_selectControlId, values) || values.size() != size_t(m_sourceCount))
        return;
    bool differs = false;
    for (int i = 0; i < m_controls.lines->count(); ++i) {
        const bool on = values[ValueIndex(i)] != 0;
        differs = differs || on != bool(m_lineChecked[size_t(i)]);
        // The marks follow another program unless forcing holds them.
        if (!m_forceSelection)
            m_controls.lines->SetChecked(i, on);
    }
    // The untouched marks still hold the user's choice: writing them back
    // undoes the other program's change.
    if (m_forceSelection && differs)
        OnLineChecked();
}

std::optional<MixerControl> MixerPanel::HighlightedVolumeControl() const
{
    const int item = m_controls.lines->currentRow();
    if (!m_mixer || item < 0)
        return std::nullopt;
    return m_mixer->LineControl(m_controls.lines->LineId(item), ControlType::Volume);
}

void MixerPanel::RefreshVolume()
{
    const auto control = HighlightedVolumeControl();
    std::vector<int32_t> values;
    const bool readable = control && m_mixer->ReadValues(control->id, values) && !values.empty();
    // A slider that could neither show nor set the highlighted line's volume
    // is switched off rather than moved in vain; it keeps its last position.
    m_controls.volume->setEnabled(readable);
    if (!readable)
        return;
    QSlider* slider = m_controls.volume;
    slider->setRange(control->minimum, control->maximum);
    slider->setPageStep((control->maximum - control->minimum) / 10);
    slider->setValue(values[0]);
}

void MixerPanel::ApplyVolume()
{
    // Called before the slider takes the new value: the position is the user's.
    const auto control = HighlightedVolumeControl();
    if (control && m_mixer->WriteValues(control->id, {m_controls.volume->sliderPosition()}))
        return;
    // Refused: the slider goes back to what the mixer holds.
    if (control)
        qCWarning(lcInput) << "the mixer refused volume" << m_controls.volume->sliderPosition();
    RefreshVolume();
}

void MixerPanel::OnAdvancedMixer()
{
    // The input devices page of the desktop's recording control; it has no
    // way to be told the device. Not starting is not reported.
    platform::CurrentShell().StartProgram(QStringLiteral("pavucontrol"), {QStringLiteral("--tab=4")});
}
