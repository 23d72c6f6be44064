#include "recorder/dialog_template.h"

#include <QtGlobal>

namespace RecorderTemplate {

const std::vector<ControlTemplate>& Controls()
{
    using K = ControlKind;
    // Captions are marked for the translation catalogue; the builder looks them up.
    // clang-format off
    static const std::vector<ControlTemplate> table = {
        {0,    K::GroupBox,       QT_TRANSLATE_NOOP("RecorderWindow", "录音设置"),            7,   4,   208, 126},
        {0,    K::Label,          QT_TRANSLATE_NOOP("RecorderWindow", "音频设备:"),           14,  20,  58,  8},
        {1266, K::DropDownList,   "",                    74,  18,  135, 89},
        {0,    K::Label,          QT_TRANSLATE_NOOP("RecorderWindow", "音频输出格式:"),       14,  36,  58,  8},
        {1217, K::DropDownList,   "",                    74,  34,  135, 117},
        {0,    K::Label,          QT_TRANSLATE_NOOP("RecorderWindow", "录音线路:"),           14,  52,  58,  8},
        {1268, K::CheckListBox,   "",                    74,  50,  135, 74},
        {1009, K::CheckBox,       QT_TRANSLATE_NOOP("RecorderWindow", "强制选择"),            16,  68,  53,  10},
        {1010, K::Trackbar,       "",                    13,  87,  54,  14},
        {1147, K::GradientButton, QT_TRANSLATE_NOOP("RecorderWindow", "高级..."),             14,  108, 55,  16},
        {1119, K::Readout,        "",                    7,   138, 46,  27},
        {1084, K::Waveform,       "",                    55,  138, 112, 27},
        {1120, K::Readout,        "",                    169, 138, 46,  27},
        {1121, K::Trackbar,       "",                    7,   172, 207, 20, true},
        {1122, K::PushButton,     "<<",                  7,   197, 35,  17, true},
        {1123, K::PushButton,     ">>",                  50,  197, 35,  17, true},
        {103,  K::PushButton,     ">",                   93,  197, 35,  17, true},
        {1022, K::PushButton,     "S",                   136, 197, 35,  17, true},
        {1127, K::PushButton,     "R",                   179, 197, 35,  17},
        {1008, K::StaticText,     QT_TRANSLATE_NOOP("RecorderWindow", "正在保存数据...."),    85,  216, 129, 8,  false, true},
        {1125, K::GradientButton, QT_TRANSLATE_NOOP("RecorderWindow", "新建录音"),            7,   225, 59,  16, true},
        {1116, K::GradientButton, QT_TRANSLATE_NOOP("RecorderWindow", "保存"),                81,  225, 59,  16, true},
        {1013, K::GradientButton, QT_TRANSLATE_NOOP("RecorderWindow", "关于"),                155, 225, 59,  16},
        {1124, K::GradientButton, QT_TRANSLATE_NOOP("RecorderWindow", "部分清除"),            7,   244, 59,  16, true},
        {1091, K::GradientButton, QT_TRANSLATE_NOOP("RecorderWindow", "在线帮助"),            155, 244, 59,  16},
        {0,    K::GroupBox,       QT_TRANSLATE_NOOP("RecorderWindow", "存储设置"),            7,   267, 208, 90},
        {0,    K::Label,          QT_TRANSLATE_NOOP("RecorderWindow", "保存录音文件的目录:"), 14,  280, 174, 8},
        {1001, K::Edit,           "",                    14,  291, 174, 14},
        {1002, K::GradientButton, "...",                 188, 291, 19,  14},
        {1024, K::CheckBox,       QT_TRANSLATE_NOOP("RecorderWindow", "在保存记录前更改文件名称"), 14, 308, 194, 10},
        {0,    K::Label,          QT_TRANSLATE_NOOP("RecorderWindow", "音频编码方式:"),       14,  326, 111, 8},
        {1003, K::DropDownList,   "",                    14,  337, 111, 42},
        {0,    K::Label,          QT_TRANSLATE_NOOP("RecorderWindow", "压缩质量:"),           142, 326, 34,  8},
        {1017, K::StaticText,     "128 bps",             177, 326, 33,  8},
        {0,    K::Label,          QT_TRANSLATE_NOOP("RecorderWindow", "低"),                  132, 340, 9,   8},
        {1004, K::Trackbar,       "",                    142, 338, 56,  12},
        {0,    K::Label,          QT_TRANSLATE_NOOP("RecorderWindow", "高"),                  200, 340, 9,   8},
        {1007, K::BitmapButton,   "",                    216, 7,   9,   19},
        {1011, K::PlaylistBox,    "",                    226, 7,   232, 298},
        {1025, K::CheckBox,       QT_TRANSLATE_NOOP("RecorderWindow", "循环播放所选择的音乐条目"), 226, 308, 164, 10},
        {104,  K::BitmapButton,   "",                    226, 323, 16,  16},
        {1023, K::BitmapButton,   "",                    244, 323, 16,  16},
        {1021, K::BitmapButton,   "",                    262, 323, 16,  16},
        {1015, K::BitmapSlider,   "",                    284, 327, 221, 15},
        {1012, K::StaticText,     QT_TRANSLATE_NOOP("RecorderWindow", "准备就绪"),            227, 344, 160, 12},
        {1014, K::StaticText,     "",                    389, 344, 69,  12},
        {1016, K::Hyperlink,      "",                    7,   362, 451, 8},
    };
    // clang-format on
    return table;
}

}  // namespace RecorderTemplate
