#pragma once
// The recorder window's controls by name and type, found once in what the
// template builder made; the rest of the window never looks a control up by id.

#include <QHash>

class MixerLineList;
class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;
class WaveformView;
namespace controls {
class BitmapButton;
class BitmapSlider;
class GradientButton;
class HyperlinkLabel;
class Trackbar;
}  // namespace controls
namespace playlist {
class PlaylistBox;
}

struct WindowControls {
    // Recording settings
    QComboBox* deviceList;
    QComboBox* formatList;
    MixerLineList* lineList;
    QCheckBox* forceLineSelection;
    controls::Trackbar* lineVolume;
    controls::GradientButton* advanced;
    // Transport
    QLabel* positionReadout;
    WaveformView* waveform;
    QLabel* lengthReadout;
    controls::Trackbar* positionSlider;
    QPushButton* seekStart;
    QPushButton* seekEnd;
    QPushButton* play;
    QPushButton* stop;
    QPushButton* record;
    QLabel* savingLabel;
    controls::GradientButton* newRecording;
    controls::GradientButton* save;
    controls::GradientButton* about;
    controls::GradientButton* clearAfterPosition;
    controls::GradientButton* onlineHelp;
    // Storage settings
    QLineEdit* folderEdit;
    controls::GradientButton* browseFolder;
    QCheckBox* askForRenaming;
    QComboBox* encoding;
    QLabel* qualityBitrate;
    controls::Trackbar* quality;
    // The playlist half
    controls::BitmapButton* panelToggle;
    playlist::PlaylistBox* playlist;
    QCheckBox* loopPlaying;
    controls::BitmapButton* playlistPlay;
    controls::BitmapButton* playlistStop;
    controls::BitmapButton* playlistPause;
    controls::BitmapSlider* playlistSlider;
    QLabel* playlistStatus;
    QLabel* playlistPosition;
    // Across the bottom
    controls::HyperlinkLabel* tips;
};

// The controls of the recorder template in `byId`, as the builder returned them.
WindowControls FindWindowControls(const QHash<int, QWidget*>& byId);
