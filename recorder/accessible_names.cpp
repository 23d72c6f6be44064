#include "recorder/accessible_names.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>

#include "controls/bitmap_slider.h"
#include "controls/gradient_button.h"
#include "controls/trackbar.h"
#include "input/mixer_line_list.h"
#include "playlist/playlist_box.h"
#include "recorder/waveform_view.h"
#include "recorder/window_controls.h"
#include "resources/strings.h"

namespace {

void Name(QWidget* control, const char* text)
{
    control->setAccessibleName(QCoreApplication::translate("RecorderWindow", text));
}

}  // namespace

// The picture buttons by what they do; the rest by what they hold.
// The playlist's picture buttons are named after their tooltips (BitmapButton).
void NameRecorderControls(const WindowControls& c)
{
    Name(c.deviceList, QT_TRANSLATE_NOOP("RecorderWindow", "音频设备"));
    Name(c.formatList, QT_TRANSLATE_NOOP("RecorderWindow", "音频输出格式"));
    Name(c.lineList, QT_TRANSLATE_NOOP("RecorderWindow", "录音线路"));
    Name(c.lineVolume, QT_TRANSLATE_NOOP("RecorderWindow", "线路音量"));
    Name(c.positionSlider, QT_TRANSLATE_NOOP("RecorderWindow", "播放/录音位置"));
    Name(c.seekStart, QT_TRANSLATE_NOOP("RecorderWindow", "跳转到开头"));
    Name(c.seekEnd, QT_TRANSLATE_NOOP("RecorderWindow", "跳转到末尾"));
    Name(c.play, QT_TRANSLATE_NOOP("RecorderWindow", "播放"));
    Name(c.stop, QT_TRANSLATE_NOOP("RecorderWindow", "停止"));
    Name(c.record, QT_TRANSLATE_NOOP("RecorderWindow", "录音"));
    Name(c.folderEdit, QT_TRANSLATE_NOOP("RecorderWindow", "保存录音文件的目录"));
    Name(c.browseFolder, QT_TRANSLATE_NOOP("RecorderWindow", "选择目录"));
    Name(c.encoding, QT_TRANSLATE_NOOP("RecorderWindow", "音频编码方式"));
    Name(c.quality, QT_TRANSLATE_NOOP("RecorderWindow", "压缩质量"));
    Name(c.playlist, QT_TRANSLATE_NOOP("RecorderWindow", "播放列表"));
    Name(c.playlistSlider, QT_TRANSLATE_NOOP("RecorderWindow", "播放进度"));
    c.waveform->setAccessibleName(resources::Text(resources::IDS_TIP_WAVEFORM));
    c.waveform->setAccessibleDescription(
        QCoreApplication::translate("RecorderWindow", "录音的波形：横向为时间，纵向为音量"));
}
