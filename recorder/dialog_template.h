#pragma once
// The recorder window's template: every control with its id, kind, caption
// and position in dialog units, in tab order.

#include <QString>
#include <vector>

enum class ControlKind {
    GroupBox,
    Label,  // no id
    DropDownList,
    CheckListBox,
    CheckBox,
    Trackbar,
    PushButton,
    GradientButton,
    BitmapButton,
    Readout,  // centred static text
    Waveform,
    Edit,
    PlaylistBox,
    BitmapSlider,
    Hyperlink,
    StaticText,
};

struct ControlTemplate {
    int id;  // 0 for labels and group boxes
    ControlKind kind;
    const char* caption;  // UTF-8, as written: translated in context "RecorderWindow"
    int x, y, w, h;       // dialog units
    bool disabled = false;
    bool hidden = false;
};

// The ids of the template's controls; only the template table and this list
// hold their numbers.
namespace RecorderControl {
inline constexpr int Play = 103;
inline constexpr int PlaylistPlay = 104;
inline constexpr int FolderEdit = 1001;
inline constexpr int BrowseFolder = 1002;
inline constexpr int Encoding = 1003;
inline constexpr int Quality = 1004;
inline constexpr int PanelToggle = 1007;
inline constexpr int SavingLabel = 1008;
inline constexpr int ForceLineSelection = 1009;
inline constexpr int LineVolume = 1010;
inline constexpr int Playlist = 1011;
inline constexpr int PlaylistStatus = 1012;
inline constexpr int About = 1013;
inline constexpr int PlaylistPosition = 1014;
inline constexpr int PlaylistSlider = 1015;
inline constexpr int Tips = 1016;
inline constexpr int QualityBitrate = 1017;
inline constexpr int PlaylistPause = 1021;
inline constexpr int Stop = 1022;
inline constexpr int PlaylistStop = 1023;
inline constexpr int AskForRenaming = 1024;
inline constexpr int LoopPlaying = 1025;
inline constexpr int Waveform = 1084;
inline constexpr int OnlineHelp = 1091;
inline constexpr int Save = 1116;
inline constexpr int PositionReadout = 1119;
inline constexpr int LengthReadout = 1120;
inline constexpr int PositionSlider = 1121;
inline constexpr int SeekStart = 1122;
inline constexpr int SeekEnd = 1123;
inline constexpr int ClearAfterPosition = 1124;
inline constexpr int NewRecording = 1125;
inline constexpr int Record = 1127;
inline constexpr int Advanced = 1147;
inline constexpr int FormatList = 1217;
inline constexpr int DeviceList = 1266;
inline constexpr int LineList = 1268;
}  // namespace RecorderControl

namespace RecorderTemplate {

inline constexpr int kWidth = 465;  // dialog units
inline constexpr int kHeight = 377;
// Edit 1001 and the record folder it shows hold at most this many characters.
inline constexpr int kFolderMaxLength = 256;

const std::vector<ControlTemplate>& Controls();

}  // namespace RecorderTemplate
