#include "resources/strings.h"

#include <QCoreApplication>
#include <QHash>

namespace resources {
namespace {

struct Entry {
    int id;
    const char* text;  // UTF-8
};

// Texts are marked for the translation catalogue (context "Strings"); links
// and the default mail signature are the same in every language.

// clang-format off
const Entry kStrings[] = {
    {101, QT_TRANSLATE_NOOP("Strings", "&关于Quillon...")},

    // Mail
    {326, QT_TRANSLATE_NOOP("Strings", "加载email模块失败。您可能没有安装MAPI服务。")},
    {328, QT_TRANSLATE_NOOP("Strings", "错误：Ambiguous Recipient!")},
    {329, QT_TRANSLATE_NOOP("Strings", "错误：未知的收件人！")},
    {330, QT_TRANSLATE_NOOP("Strings", "错误：邮件失败！")},
    {331, QT_TRANSLATE_NOOP("Strings", "错误：内存不够！")},
    {332, QT_TRANSLATE_NOOP("Strings", "错误：登录失败！")},
    {333, QT_TRANSLATE_NOOP("Strings", "错误：不支持邮件功能！")},
    {334, QT_TRANSLATE_NOOP("Strings", "错误：用户取消了邮件！")},
    {335, QT_TRANSLATE_NOOP("Strings", "错误：附件文件没有找到！")},
    {336, QT_TRANSLATE_NOOP("Strings", "错误：打开附件文件失败！")},
    {337, QT_TRANSLATE_NOOP("Strings", "错误：错误的收件人类别！")},
    {338, QT_TRANSLATE_NOOP("Strings", "错误：无效的收件人！")},
    {339, QT_TRANSLATE_NOOP("Strings", "错误：邮件文本太长！")},
    {341, QT_TRANSLATE_NOOP("Strings", "错误：收件人太多！")},
    {342, QT_TRANSLATE_NOOP("Strings", "错误：无效的对话！")},
    {343, QT_TRANSLATE_NOOP("Strings", "错误：未知类型！")},
    {344, QT_TRANSLATE_NOOP("Strings", "错误：您没有指定收件人！")},
    {442, QT_TRANSLATE_NOOP("Strings", "错误：附件太多！")},
    {443, "This email was sent via Quillon.\r\nhttps://quillon.example.com/"},

    // Recorder
    {363, QT_TRANSLATE_NOOP("Strings", "退出之前请先停止录音/播放。")},
    {364, QT_TRANSLATE_NOOP("Strings", "保存对当前记录所作的更改吗?")},
    {365, QT_TRANSLATE_NOOP("Strings", "打开录音设备失败!")},
    {366, QT_TRANSLATE_NOOP("Strings", "创建录音文件失败!")},
    {367, QT_TRANSLATE_NOOP("Strings", "%d Hz %d位 单声道")},
    {368, QT_TRANSLATE_NOOP("Strings", "%d Hz %d位 立体声")},
    {369, QT_TRANSLATE_NOOP("Strings", "播放/录音位置")},
    {370, QT_TRANSLATE_NOOP("Strings", "音频波形")},
    {371, QT_TRANSLATE_NOOP("Strings", "记录长度")},
    {372, QT_TRANSLATE_NOOP("Strings", "跳转到开头")},
    {373, QT_TRANSLATE_NOOP("Strings", "跳转到末尾")},
    {374, QT_TRANSLATE_NOOP("Strings", "开始播放")},
    {375, QT_TRANSLATE_NOOP("Strings", "开始录音")},
    {376, QT_TRANSLATE_NOOP("Strings", "创建新的录音记录")},
    {377, QT_TRANSLATE_NOOP("Strings", "清除当前位置之后的部分")},
    {378, QT_TRANSLATE_NOOP("Strings", "将录音记录保存为MP3或WAV文件")},
    {380, QT_TRANSLATE_NOOP("Strings", "停止播放/录音")},
    {381, QT_TRANSLATE_NOOP("Strings", "打开音频设备失败！")},
    {382, QT_TRANSLATE_NOOP("Strings", "保存文件失败！")},
    {384, QT_TRANSLATE_NOOP("Strings", "\n长度:\n%03d:%02d.%d")},
    {385, QT_TRANSLATE_NOOP("Strings", "\n位置:\n%03d:%02d.%d")},
    {432, QT_TRANSLATE_NOOP("Strings", "正在压缩数据....")},
    {426, QT_TRANSLATE_NOOP("Strings", "%d%% 已完成, 剩余时间: %02d 分钟 %02d 秒")},
    {440, QT_TRANSLATE_NOOP("Strings", "高亮度显示的线路的音量")},
    {441, QT_TRANSLATE_NOOP("Strings", "防止其他程序改变录音线路")},
    {444, QT_TRANSLATE_NOOP("Strings", "显示系统录音控制窗口")},

    // Playlist
    {388, QT_TRANSLATE_NOOP("Strings", "不能播放，条目正在被加载。请稍后再试。")},
    {389, QT_TRANSLATE_NOOP("Strings", "不能播放。条目没有正确加载。")},
    {390, QT_TRANSLATE_NOOP("Strings", "正在播放的条目太多。请稍后再试。")},
    {391, QT_TRANSLATE_NOOP("Strings", "不能播放，打开音频设备失败。")},
    {392, QT_TRANSLATE_NOOP("Strings", "不能播放。")},
    {393, QT_TRANSLATE_NOOP("Strings", "没有选择任何条目。")},
    {394, QT_TRANSLATE_NOOP("Strings", "列表条目太多。您最多可以加载 %d 个条目到列表中。")},
    {395, QT_TRANSLATE_NOOP("Strings", "您不能删除正在播放的条目。")},
    {396, QT_TRANSLATE_NOOP("Strings", "等待加载")},
    {397, QT_TRANSLATE_NOOP("Strings", "正在加载...")},
    {398, QT_TRANSLATE_NOOP("Strings", "加载失败: 文件不存在。")},
    {399, QT_TRANSLATE_NOOP("Strings", "加载失败: 不能打开文件，未知错误。")},
    {400, QT_TRANSLATE_NOOP("Strings", "加载失败: 文件可能已经损坏。")},
    {401, QT_TRANSLATE_NOOP("Strings", "加载失败: 不可辨认的文件格式。")},
    {402, QT_TRANSLATE_NOOP("Strings", "加载失败: 共享冲突。")},
    {403, QT_TRANSLATE_NOOP("Strings", "加载失败: 您不能在这里加载录音记录。")},
    {404, QT_TRANSLATE_NOOP("Strings", "加载失败: 未知错误。")},
    {406, QT_TRANSLATE_NOOP("Strings", "所选目录下的所有音频文件 (*.wav, *.mp3) 都将被添加到列表中。")},
    {431, QT_TRANSLATE_NOOP("Strings", "当前播放列表为空。 \n点击鼠标右键，通过弹出菜单的“添加文件”或“添加目录”，您可以添加一些音频文件到列表中。录音记录将被自动添加到这里。")},
    {433, QT_TRANSLATE_NOOP("Strings", "播放选择的条目")},
    {434, QT_TRANSLATE_NOOP("Strings", "暂停/继续播放")},
    {435, QT_TRANSLATE_NOOP("Strings", "停止播放")},
    {436, QT_TRANSLATE_NOOP("Strings", "隐藏播放列表")},
    {437, QT_TRANSLATE_NOOP("Strings", "显示播放列表")},
    {438, QT_TRANSLATE_NOOP("Strings", "就绪")},
    {439, QT_TRANSLATE_NOOP("Strings", "正在播放： %s")},

    // Tips line: ten pairs, the text at the odd id, its link at the next one.
    {445, QT_TRANSLATE_NOOP("Strings", "小技巧: 录音前先在“录音线路”中选择输入来源。")},
    {446, "https://quillon.example.com/tips/recording-lines"},
    {447, QT_TRANSLATE_NOOP("Strings", "小技巧: 勾选“强制选择”可防止其他程序改变录音线路。")},
    {448, "https://quillon.example.com/tips/force-selection"},
    {449, QT_TRANSLATE_NOOP("Strings", "小技巧: 停止后再按录音键，可从当前位置继续录音。")},
    {450, "https://quillon.example.com/tips/resume"},
    {451, QT_TRANSLATE_NOOP("Strings", "小技巧: “部分清除”会删去当前位置之后的所有录音。")},
    {452, "https://quillon.example.com/tips/partial-clear"},
    {453, QT_TRANSLATE_NOOP("Strings", "小技巧: 保存为MP3时，压缩质量越高，文件越大。")},
    {454, "https://quillon.example.com/tips/quality"},
    {455, QT_TRANSLATE_NOOP("Strings", "小技巧: 勾选“在保存记录前更改文件名称”即可自行命名录音文件。")},
    {456, "https://quillon.example.com/tips/naming"},
    {457, QT_TRANSLATE_NOOP("Strings", "小技巧: 保存的录音会自动加入右侧的播放列表。")},
    {458, "https://quillon.example.com/tips/playlist"},
    {459, QT_TRANSLATE_NOOP("Strings", "小技巧: 在播放列表中按右键可添加文件、目录或通过邮件发送录音。")},
    {460, "https://quillon.example.com/tips/playlist-menu"},
    {461, QT_TRANSLATE_NOOP("Strings", "小技巧: 勾选“循环播放所选择的音乐条目”可反复播放所选条目。")},
    {462, "https://quillon.example.com/tips/looping"},
    {463, QT_TRANSLATE_NOOP("Strings", "访问Quillon主页，获取最新版本和在线帮助。")},
    {464, "https://quillon.example.com/"},

    // Our own
    {IDS_RECORD_WRITE_FAILED, QT_TRANSLATE_NOOP("Strings", "写入录音文件失败，录音已停止!\n已录制的部分仍可播放和保存。")},
    {IDS_RECORD_SIZE_LIMIT, QT_TRANSLATE_NOOP("Strings", "录音文件已达到最大长度，录音已停止!\n已录制的部分仍可播放和保存。")},
    {IDS_RECORD_DEVICE_LOST, QT_TRANSLATE_NOOP("Strings", "录音设备出错，录音已停止!\n已录制的部分仍可播放和保存。")},
    {IDS_PATH_TOO_LONG, QT_TRANSLATE_NOOP("Strings", "文件路径太长，不能添加到列表中: %s\n共有 %d 个文件未被添加。")},
    {IDS_MAIL_LINE_BREAK, QT_TRANSLATE_NOOP("Strings", "错误：收件人地址和邮件主题中不能含有换行符！")},
    {IDS_PLAYBACK_READ_FAILED, QT_TRANSLATE_NOOP("Strings", "读取录音文件失败，播放已停止!")},
    {IDS_RECORD_AUDIO_LOST, QT_TRANSLATE_NOOP("Strings", "系统过于繁忙，录音中有 %.1f 秒的声音未能录下，已用静音补足。\n录音仍在继续。")},
    {IDS_PLAYBACK_DEVICE_LOST, QT_TRANSLATE_NOOP("Strings", "放音设备出错，播放已停止!")},
    {IDS_RECORD_FOLDER_UNUSABLE, QT_TRANSLATE_NOOP("Strings", "无法使用保存录音文件的目录: %s\n目录名称太长或含有无法识别的字符。本次运行保存录音时将询问文件名称，设置中的目录保持不变。")},
    {IDS_INHIBIT_RECORDING, QT_TRANSLATE_NOOP("Strings", "录音中…")},
    {IDS_INHIBIT_PLAYING, QT_TRANSLATE_NOOP("Strings", "播放中…")},
    {IDS_TAKE_LEVELS, QT_TRANSLATE_NOOP("Strings", "录音峰值: %s dBFS，削波: %llu 处")},
    {IDS_DEVICE_REMOVED_DEFAULT_CHOSEN, QT_TRANSLATE_NOOP("Strings", "音频设备“%s”已被移除，已改选默认设备“%s”。")},
    {IDS_CAPTURE_DEVICE_MOVED, QT_TRANSLATE_NOOP("Strings", "录音设备已由“%s”切换到“%s”!\n录音仍在继续，此后的声音来自新设备。")},
};
// clang-format on

}  // namespace

QString text(int id)
{
    static const QHash<int, const char*> table = [] {
        QHash<int, const char*> t;
        for (const Entry& e : kStrings)
            t.insert(e.id, e.text);
        return t;
    }();
    const char* source = table.value(id);
    // A text without a translation comes back as it is written.
    return source ? QCoreApplication::translate("Strings", source) : QString();
}

}  // namespace resources
