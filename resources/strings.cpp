#include "resources/strings.h"

#include <QHash>

namespace resources {
namespace {

struct Entry {
    int id;
    const char* text;  // UTF-8
};

// clang-format off
const Entry kStrings[] = {
    {101, "&关于Quillon..."},

    // Mail
    {326, "加载email模块失败。您可能没有安装MAPI服务。"},
    {328, "错误：Ambiguous Recipient!"},
    {329, "错误：未知的收件人！"},
    {330, "错误：邮件失败！"},
    {331, "错误：内存不够！"},
    {332, "错误：登录失败！"},
    {333, "错误：不支持邮件功能！"},
    {334, "错误：用户取消了邮件！"},
    {335, "错误：附件文件没有找到！"},
    {336, "错误：打开附件文件失败！"},
    {337, "错误：错误的收件人类别！"},
    {338, "错误：无效的收件人！"},
    {339, "错误：邮件文本太长！"},
    {341, "错误：收件人太多！"},
    {342, "错误：无效的对话！"},
    {343, "错误：未知类型！"},
    {344, "错误：您没有指定收件人！"},
    {442, "错误：附件太多！"},
    {443, "This email was sent via Quillon.\r\nhttps://quillon.example.com/"},

    // Recorder
    {363, "退出之前请先停止录音/播放。"},
    {364, "保存对当前记录所作的更改吗?"},
    {365, "打开录音设备失败!"},
    {366, "创建录音文件失败!"},
    {367, "%d Hz %d位 单声道"},
    {368, "%d Hz %d位 立体声"},
    {369, "播放/录音位置"},
    {370, "音频波形"},
    {371, "记录长度"},
    {372, "跳转到开头"},
    {373, "跳转到末尾"},
    {374, "开始播放"},
    {375, "开始录音"},
    {376, "创建新的录音记录"},
    {377, "清除当前位置之后的部分"},
    {378, "将录音记录保存为MP3或WAV文件"},
    {380, "停止播放/录音"},
    {381, "打开音频设备失败！"},
    {382, "保存文件失败！"},
    {384, "\n长度:\n%03d:%02d.%d"},
    {385, "\n位置:\n%03d:%02d.%d"},
    {432, "正在压缩数据...."},
    {426, "%d%% 已完成, 剩余时间: %02d 分钟 %02d 秒"},
    {440, "高亮度显示的线路的音量"},
    {441, "防止其他程序改变录音线路"},
    {444, "显示系统录音控制窗口"},

    // Playlist
    {388, "不能播放，条目正在被加载。请稍后再试。"},
    {389, "不能播放。条目没有正确加载。"},
    {390, "正在播放的条目太多。请稍后再试。"},
    {391, "不能播放，打开音频设备失败。"},
    {392, "不能播放。"},
    {393, "没有选择任何条目。"},
    {394, "列表条目太多。您最多可以加载 %d 个条目到列表中。"},
    {395, "您不能删除正在播放的条目。"},
    {396, "等待加载"},
    {397, "正在加载..."},
    {398, "加载失败: 文件不存在。"},
    {399, "加载失败: 不能打开文件，未知错误。"},
    {400, "加载失败: 文件可能已经损坏。"},
    {401, "加载失败: 不可辨认的文件格式。"},
    {402, "加载失败: 共享冲突。"},
    {403, "加载失败: 您不能在这里加载录音记录。"},
    {404, "加载失败: 未知错误。"},
    {406, "所选目录下的所有音频文件 (*.wav, *.mp3) 都将被添加到列表中。"},
    {431, "当前播放列表为空。 \n点击鼠标右键，通过弹出菜单的“添加文件”或“添加目录”，您可以添加一些音频文件到列表中。录音记录将被自动添加到这里。"},
    {433, "播放选择的条目"},
    {434, "暂停/继续播放"},
    {435, "停止播放"},
    {436, "隐藏播放列表"},
    {437, "显示播放列表"},
    {438, "就绪"},
    {439, "正在播放： %s"},

    // Tips line: ten pairs, the text at the odd id, its link at the next one.
    {445, "小技巧: 录音前先在“录音线路”中选择输入来源。"},
    {446, "https://quillon.example.com/tips/recording-lines"},
    {447, "小技巧: 勾选“强制选择”可防止其他程序改变录音线路。"},
    {448, "https://quillon.example.com/tips/force-selection"},
    {449, "小技巧: 停止后再按录音键，可从当前位置继续录音。"},
    {450, "https://quillon.example.com/tips/resume"},
    {451, "小技巧: “部分清除”会删去当前位置之后的所有录音。"},
    {452, "https://quillon.example.com/tips/partial-clear"},
    {453, "小技巧: 保存为MP3时，压缩质量越高，文件越大。"},
    {454, "https://quillon.example.com/tips/quality"},
    {455, "小技巧: 勾选“在保存记录前更改文件名称”即可自行命名录音文件。"},
    {456, "https://quillon.example.com/tips/naming"},
    {457, "小技巧: 保存的录音会自动加入右侧的播放列表。"},
    {458, "https://quillon.example.com/tips/playlist"},
    {459, "小技巧: 在播放列表中按右键可添加文件、目录或通过邮件发送录音。"},
    {460, "https://quillon.example.com/tips/playlist-menu"},
    {461, "小技巧: 勾选“循环播放所选择的音乐条目”可反复播放所选条目。"},
    {462, "https://quillon.example.com/tips/looping"},
    {463, "访问Quillon主页，获取最新版本和在线帮助。"},
    {464, "https://quillon.example.com/"},

    // Our own
    {IDS_RECORD_WRITE_FAILED, "写入录音文件失败，录音已停止!\n已录制的部分仍可播放和保存。"},
    {IDS_RECORD_SIZE_LIMIT, "录音文件已达到最大长度，录音已停止!\n已录制的部分仍可播放和保存。"},
    {IDS_RECORD_DEVICE_LOST, "录音设备出错，录音已停止!\n已录制的部分仍可播放和保存。"},
    {IDS_PATH_TOO_LONG, "文件路径太长，不能添加到列表中: %s\n共有 %d 个文件未被添加。"},
    {IDS_MAIL_LINE_BREAK, "错误：收件人地址和邮件主题中不能含有换行符！"},
    {IDS_PLAYBACK_READ_FAILED, "读取录音文件失败，播放已停止!"},
    {IDS_RECORD_AUDIO_LOST, "系统过于繁忙，录音中有 %.1f 秒的声音未能录下，已用静音补足。\n录音仍在继续。"},
    {IDS_PLAYBACK_DEVICE_LOST, "放音设备出错，播放已停止!"},
};
// clang-format on

}  // namespace

QString text(int id)
{
    static const QHash<int, QString> table = [] {
        QHash<int, QString> t;
        for (const Entry& e : kStrings)
            t.insert(e.id, QString::fromUtf8(e.text));
        return t;
    }();
    return table.value(id);
}

}  // namespace resources
