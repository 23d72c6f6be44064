#pragma once
// The recorder window's template: every control with its id, kind, caption
// and position in dialog units, in tab order.

#include <QString>
#include <vector>

enum class ControlKind {
    GroupBox,
    Label,          // no id
    DropDownList,
    CheckListBox,
    CheckBox,
    Trackbar,
    PushButton,
    GradientButton,
    BitmapButton,
    Readout,        // centred static text
    Waveform,
    Edit,
    PlaylistBox,
    BitmapSlider,
    Hyperlink,
    StaticText,
};

struct ControlTemplate {
    int id;           // 0 for labels and group boxes
    ControlKind kind;
    const char* caption;  // UTF-8, as written: translated in context "RecorderWindow"
    int x, y, w, h;   // dialog units
    bool disabled = false;
    bool hidden = false;
};

namespace RecorderTemplate {

inline constexpr int kWidth = 465;   // dialog units
inline constexpr int kHeight = 377;
// Edit 1001 and the record folder it shows hold at most this many characters.
inline constexpr int kFolderMaxLength = 256;

const std::vector<ControlTemplate>& controls();

}  // namespace RecorderTemplate
