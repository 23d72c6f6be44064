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
T* Find(const QHash<int, QWidget*>& byId, int id)
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
        Find<QComboBox>(c, id::DeviceList),
        Find<QComboBox>(c, id::FormatList),
        Find<MixerLineList>(c, id::LineList),
        Find<QCheckBox>(c, id::ForceLineSelection),
        Find<controls::Trackbar>(c, id::LineVolume),
        Find<controls::GradientButton>(c, id::Advanced),
        Find<QLabel>(c, id::PositionReadout),
        Find<WaveformView>(c, id::Waveform),
        Find<QLabel>(c, id::LengthReadout),
        Find<controls::Trackbar>(c, id::PositionSlider),
        Find<QPushButton>(c, id::SeekStart),
        Find<QPushButton>(c, id::SeekEnd),
        Find<QPushButton>(c, id::Play),
        Find<QPushButton>(c, id::Stop),
        Find<QPushButton>(c, id::Record),
        Find<QLabel>(c, id::SavingLabel),
        Find<controls::GradientButton>(c, id::NewRecording),
        Find<controls::GradientButton>(c, id::Save),
        Find<controls::GradientButton>(c, id::About),
        Find<controls::GradientButton>(c, id::ClearAfterPosition),
        Find<controls::GradientButton>(c, id::OnlineHelp),
        Find<QLineEdit>(c, id::FolderEdit),
        Find<controls::GradientButton>(c, id::BrowseFolder),
        Find<QCheckBox>(c, id::AskForRenaming),
        Find<QComboBox>(c, id::Encoding),
        Find<QLabel>(c, id::QualityBitrate),
        Find<controls::Trackbar>(c, id::Quality),
        Find<controls::BitmapButton>(c, id::PanelToggle),
        Find<playlist::PlaylistBox>(c, id::Playlist),
        Find<QCheckBox>(c, id::LoopPlaying),
        Find<controls::BitmapButton>(c, id::PlaylistPlay),
        Find<controls::BitmapButton>(c, id::PlaylistStop),
        Find<controls::BitmapButton>(c, id::PlaylistPause),
        Find<controls::BitmapSlider>(c, id::PlaylistSlider),
        Find<QLabel>(c, id::PlaylistStatus),
        Find<QLabel>(c, id::PlaylistPosition),
        Find<controls::HyperlinkLabel>(c, id::Tips),
    };
}
