#include "recorder/window_controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "controls/bitmap_slider.h"
#include "controls/gradient_button.h"
#include "controls/hyperlink_label.h"
#include "controls/trackbar.h"
#include "input/mixer_line_list.h"
#include "playlist/playlist_box.h"
#include "recorder/dialog_template.h"
#include "recorder/waveform_view.h"

namespace {

// The control with `id`, of the kind the template gives it; a template and a
// list out of step stop the program at once rather than at the first click.
template <typename T>
T* find(const QHash<int, QWidget*>& byId, int id)
{
    T* widget = qobject_cast<T*>(byId.value(id));
    Q_ASSERT_X(widget, "FindWindowControls", "the template lacks a control or gives it another kind");
    return widget;
}

}  // namespace

WindowControls FindWindowControls(const QHash<int, QWidget*>& c)
{
    namespace id = RecorderControl;
    return WindowControls{
        find<QComboBox>(c, id::DeviceList),
        find<QComboBox>(c, id::FormatList),
        find<MixerLineList>(c, id::LineList),
        find<QCheckBox>(c, id::ForceLineSelection),
        find<controls::Trackbar>(c, id::LineVolume),
        find<controls::GradientButton>(c, id::Advanced),
        find<QLabel>(c, id::PositionReadout),
        find<WaveformView>(c, id::Waveform),
        find<QLabel>(c, id::LengthReadout),
        find<controls::Trackbar>(c, id::PositionSlider),
        find<QPushButton>(c, id::SeekStart),
        find<QPushButton>(c, id::SeekEnd),
        find<QPushButton>(c, id::Play),
        find<QPushButton>(c, id::Stop),
        find<QPushButton>(c, id::Record),
        find<QLabel>(c, id::SavingLabel),
        find<controls::GradientButton>(c, id::NewRecording),
        find<controls::GradientButton>(c, id::Save),
        find<controls::GradientButton>(c, id::About),
        find<controls::GradientButton>(c, id::ClearAfterPosition),
        find<controls::GradientButton>(c, id::OnlineHelp),
        find<QLineEdit>(c, id::FolderEdit),
        find<controls::GradientButton>(c, id::BrowseFolder),
        find<QCheckBox>(c, id::AskForRenaming),
        find<QComboBox>(c, id::Encoding),
        find<QLabel>(c, id::QualityBitrate),
        find<controls::Trackbar>(c, id::Quality),
        find<controls::BitmapButton>(c, id::PanelToggle),
        find<playlist::PlaylistBox>(c, id::Playlist),
        find<QCheckBox>(c, id::LoopPlaying),
        find<controls::BitmapButton>(c, id::PlaylistPlay),
        find<controls::BitmapButton>(c, id::PlaylistStop),
        find<controls::BitmapButton>(c, id::PlaylistPause),
        find<controls::BitmapSlider>(c, id::PlaylistSlider),
        find<QLabel>(c, id::PlaylistStatus),
        find<QLabel>(c, id::PlaylistPosition),
        find<controls::HyperlinkLabel>(c, id::Tips),
    };
}
