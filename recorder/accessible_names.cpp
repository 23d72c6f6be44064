#include "recorder/accessible_names.h"

#include <QCoreApplication>
#include <QWidget>

#include "resources/strings.h"

namespace {

struct Name {
    int controlId;
    const char* text;  // translated in context "RecorderWindow"
};

// The picture buttons by what they do; the rest by what they hold.
// The playlist's picture buttons are named after their tooltips (BitmapButton).
const Name kNames[] = {
    {1266, QT_TRANSLATE_NOOP("RecorderWindow", "音频设备")},
    {1217, QT_TRANSLATE_NOOP("RecorderWindow", "音频输出格式")},
    {1268, QT_TRANSLATE_NOOP("RecorderWindow", "录音线路")},
    {1010, QT_TRANSLATE_NOOP("RecorderWindow", "线路音量")},
    {1121, QT_TRANSLATE_NOOP("RecorderWindow", "播放/录音位置")},
    {1122, QT_TRANSLATE_NOOP("RecorderWindow", "跳转到开头")},
    {1123, QT_TRANSLATE_NOOP("RecorderWindow", "跳转到末尾")},
    {103, QT_TRANSLATE_NOOP("RecorderWindow", "播放")},
    {1022, QT_TRANSLATE_NOOP("RecorderWindow", "停止")},
    {1127, QT_TRANSLATE_NOOP("RecorderWindow", "录音")},
    {1001, QT_TRANSLATE_NOOP("RecorderWindow", "保存录音文件的目录")},
    {1002, QT_TRANSLATE_NOOP("RecorderWindow", "选择目录")},
    {1003, QT_TRANSLATE_NOOP("RecorderWindow", "音频编码方式")},
    {1004, QT_TRANSLATE_NOOP("RecorderWindow", "压缩质量")},
    {1011, QT_TRANSLATE_NOOP("RecorderWindow", "播放列表")},
    {1015, QT_TRANSLATE_NOOP("RecorderWindow", "播放进度")},
};

constexpr int kWaveformId = 1084;

}  // namespace

void NameRecorderControls(const QHash<int, QWidget*>& controls)
{
    for (const Name& n : kNames) {
        if (QWidget* w = controls.value(n.controlId))
            w->setAccessibleName(QCoreApplication::translate("RecorderWindow", n.text));
    }
    if (QWidget* waveform = controls.value(kWaveformId)) {
        waveform->setAccessibleName(resources::text(resources::IDS_TIP_WAVEFORM));
        waveform->setAccessibleDescription(
            QCoreApplication::translate("RecorderWindow", "录音的波形：横向为时间，纵向为音量"));
    }
}
