#pragma once
// The recording lines of the chosen input device: which lines feed the
// recording (check marks of the line list, written to the mixer's select control), the
// volume of the highlighted line (its slider), holding the user's choice
// against other programs (1009) and the desktop's recording control (1147).
// Every mixer failure is silent: the list stays empty or the slider as it was,
// except that the slider is off whenever it cannot show the highlighted
// line's volume, and a refused write puts it back where the mixer stands.

#include <QObject>
#include <array>
#include <memory>
#include <optional>

#include "platform/audio/audio_backend.h"

class QAbstractButton;
class QComboBox;
class QSlider;
class MixerLineList;

class MixerPanel : public QObject {
    Q_OBJECT
public:
    // m_lineChecked holds this many lines; see OnDeviceChanged for the rest.
    static constexpr int kMaxLines = 30;

    struct Controls {
        QComboBox* devices = nullptr;
        MixerLineList* lines = nullptr;
        QSlider* volume = nullptr;
        QAbstractButton* force = nullptr;
        QAbstractButton* advanced = nullptr;
    };

    // Connects the controls' notifications to the operations below. The device
    // list is expected to be filled already; the mixer opens at the first
    // OnDeviceChanged.
    explicit MixerPanel(const Controls& controls, QObject* parent = nullptr);
    ~MixerPanel() override;

    void OnDeviceChanged();
    // The selected row stands for another device than before (the list was
    // read again): the mixer opens anew even when the row is the same.
    void OnDeviceReplaced()
    {
        m_mixerDeviceId = -2;
        OnDeviceChanged();
    }
    void OnLineChecked();
    void OnLineSelected() { RefreshVolume(); }
    void RefreshVolume();
    void ApplyVolume();
    void OnMixerControlChange(const platform::audio::InputMixer* mixer, uint32_t controlId);
    void OnForceSelection() { m_forceSelection = !m_forceSelection; }
    void OnAdvancedMixer();

    bool ForceSelection() const { return m_forceSelection; }
    int MixerDeviceId() const { return m_mixerDeviceId; }

private:
    // Reads the select control; on success sets every check mark and
    // m_lineChecked from it. Returns the last line that is on (-1 for none).
    std::optional<int> ReadSelection();
    std::optional<platform::audio::MixerControl> HighlightedVolumeControl() const;
    // The select control's value for list item `item`: the order is reversed.
    size_t ValueIndex(int item) const { return size_t(m_sourceCount - 1 - item); }

    Controls m_controls;
    std::unique_ptr<platform::audio::InputMixer> m_mixer;
    int m_mixerDeviceId = -1;
    platform::audio::ControlType m_selectControlType = platform::audio::ControlType::Mux;
    uint32_t m_selectControlId = 0;
    int m_sourceCount = 0;  // the destination's lines, listed or not
    std::array<int, kMaxLines> m_lineChecked{};
    bool m_forceSelection = false;  // starts off at every start, never stored
};
