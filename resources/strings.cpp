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
    {IDS_ABOUT_MENU, QT_TRANSLATE_NOOP("Strings", "&关于Quillon...")},

    // Mail
    {IDS_MAIL_NOT_LOADED, QT_TRANSLATE_NOOP("Strings", "加载email模块失败。您可能没有安装MAPI服务。")},
    {IDS_MAIL_AMBIGUOUS_RECIPIENT, QT_TRANSLATE_NOOP("Strings", "错误：Ambiguous Recipient!")},
    {IDS_MAIL_UNKNOWN_RECIPIENT, QT_TRANSLATE_NOOP("Strings", "错误：未知的收件人！")},
    {IDS_MAIL_FAILED, QT_TRANSLATE_NOOP("Strings", "错误：邮件失败！")},
    {IDS_MAIL_NO_MEMORY, QT_TRANSLATE_NOOP("Strings", "错误：内存不够！")},
    {IDS_MAIL_LOGIN_FAILED, QT_TRANSLATE_NOOP("Strings", "错误：登录失败！")},
    {IDS_MAIL_NOT_SUPPORTED, QT_TRANSLATE_NOOP("Strings", "错误：不支持邮件功能！")},
    {IDS_MAIL_CANCELLED, QT_TRANSLATE_NOOP("Strings", "错误：用户取消了邮件！")},
    {IDS_MAIL_ATTACHMENT_NOT_FOUND, QT_TRANSLATE_NOOP("Strings", "错误：附件文件没有找到！")},
    {IDS_MAIL_ATTACHMENT_OPEN_FAILED, QT_TRANSLATE_NOOP("Strings", "错误：打开附件文件失败！")},
    {IDS_MAIL_BAD_RECIPIENT_TYPE, QT_TRANSLATE_NOOP("Strings", "错误：错误的收件人类别！")},
    {IDS_MAIL_INVALID_RECIPIENT, QT_TRANSLATE_NOOP("Strings", "错误：无效的收件人！")},
    {IDS_MAIL_TEXT_TOO_LONG, QT_TRANSLATE_NOOP("Strings", "错误：邮件文本太长！")},
    {IDS_MAIL_TOO_MANY_RECIPIENTS, QT_TRANSLATE_NOOP("Strings", "错误：收件人太多！")},
    {IDS_MAIL_INVALID_SESSION, QT_TRANSLATE_NOOP("Strings", "错误：无效的对话！")},
    {IDS_MAIL_UNKNOWN_TYPE, QT_TRANSLATE_NOOP("Strings", "错误：未知类型！")},
    {IDS_MAIL_NO_RECIPIENT, QT_TRANSLATE_NOOP("Strings", "错误：您没有指定收件人！")},
    {IDS_MAIL_TOO_MANY_ATTACHMENTS, QT_TRANSLATE_NOOP("Strings", "错误：附件太多！")},
    {IDS_MAIL_SIGNATURE, "This email was sent via Quillon.\r\nhttps://quillon.example.com/"},

    // Recorder
    {IDS_STOP_BEFORE_EXIT, QT_TRANSLATE_NOOP("Strings", "退出之前请先停止录音/播放。")},
    {IDS_ASK_SAVE_CHANGES, QT_TRANSLATE_NOOP("Strings", "保存对当前记录所作的更改吗?")},
    {IDS_CAPTURE_NOT_OPENED, QT_TRANSLATE_NOOP("Strings", "打开录音设备失败!")},
    {IDS_TAKE_FILE_NOT_CREATED, QT_TRANSLATE_NOOP("Strings", "创建录音文件失败!")},
    {IDS_FORMAT_MONO, QT_TRANSLATE_NOOP("Strings", "%d Hz %d位 单声道")},
    {IDS_FORMAT_STEREO, QT_TRANSLATE_NOOP("Strings", "%d Hz %d位 立体声")},
    {IDS_TIP_POSITION, QT_TRANSLATE_NOOP("Strings", "播放/录音位置")},
    {IDS_TIP_WAVEFORM, QT_TRANSLATE_NOOP("Strings", "音频波形")},
    {IDS_TIP_LENGTH, QT_TRANSLATE_NOOP("Strings", "记录长度")},
    {IDS_TIP_SEEK_START, QT_TRANSLATE_NOOP("Strings", "跳转到开头")},
    {IDS_TIP_SEEK_END, QT_TRANSLATE_NOOP("Strings", "跳转到末尾")},
    {IDS_TIP_PLAY, QT_TRANSLATE_NOOP("Strings", "开始播放")},
    {IDS_TIP_RECORD, QT_TRANSLATE_NOOP("Strings", "开始录音")},
    {IDS_TIP_NEW_RECORDING, QT_TRANSLATE_NOOP("Strings", "创建新的录音记录")},
    {IDS_TIP_CLEAR_AFTER_POSITION, QT_TRANSLATE_NOOP("Strings", "清除当前位置之后的部分")},
    {IDS_TIP_SAVE, QT_TRANSLATE_NOOP("Strings", "将录音记录保存为MP3或WAV文件")},
    {IDS_TIP_STOP, QT_TRANSLATE_NOOP("Strings", "停止播放/录音")},
    {IDS_OUTPUT_NOT_OPENED, QT_TRANSLATE_NOOP("Strings", "打开音频设备失败！")},
    {IDS_SAVE_FAILED, QT_TRANSLATE_NOOP("Strings", "保存文件失败！")},
    {IDS_LENGTH_READOUT, QT_TRANSLATE_NOOP("Strings", "\n长度:\n%03d:%02d.%d")},
    {IDS_POSITION_READOUT, QT_TRANSLATE_NOOP("Strings", "\n位置:\n%03d:%02d.%d")},
    {IDS_COMPRESSING_TITLE, QT_TRANSLATE_NOOP("Strings", "正在压缩数据....")},
    {IDS_COMPRESSING_PROGRESS, QT_TRANSLATE_NOOP("Strings", "%d%% 已完成, 剩余时间: %02d 分钟 %02d 秒")},
    {IDS_TIP_LINE_VOLUME, QT_TRANSLATE_NOOP("Strings", "高亮度显示的线路的音量")},
    {IDS_TIP_FORCE_LINE_SELECTION, QT_TRANSLATE_NOOP("Strings", "防止其他程序改变录音线路")},
    {IDS_TIP_ADVANCED, QT_TRANSLATE_NOOP("Strings", "显示系统录音控制窗口")},

    // Playlist
    {IDS_PLAY_ITEM_LOADING, QT_TRANSLATE_NOOP("Strings", "不能播放，条目正在被加载。请稍后再试。")},
    {IDS_PLAY_ITEM_FAILED, QT_TRANSLATE_NOOP("Strings", "不能播放。条目没有正确加载。")},
    {IDS_PLAY_TOO_MANY, QT_TRANSLATE_NOOP("Strings", "正在播放的条目太多。请稍后再试。")},
    {IDS_PLAY_DEVICE_NOT_OPENED, QT_TRANSLATE_NOOP("Strings", "不能播放，打开音频设备失败。")},
    {IDS_PLAY_FAILED, QT_TRANSLATE_NOOP("Strings", "不能播放。")},
    {IDS_NOTHING_SELECTED, QT_TRANSLATE_NOOP("Strings", "没有选择任何条目。")},
    {IDS_LIST_FULL, QT_TRANSLATE_NOOP("Strings", "列表条目太多。您最多可以加载 %d 个条目到列表中。")},
    {IDS_REMOVE_PLAYING, QT_TRANSLATE_NOOP("Strings", "您不能删除正在播放的条目。")},
    {IDS_LOAD_WAITING, QT_TRANSLATE_NOOP("Strings", "等待加载")},
    {IDS_LOAD_LOADING, QT_TRANSLATE_NOOP("Strings", "正在加载...")},
    {IDS_LOAD_FILE_MISSING, QT_TRANSLATE_NOOP("Strings", "加载失败: 文件不存在。")},
    {IDS_LOAD_OPEN_FAILED, QT_TRANSLATE_NOOP("Strings", "加载失败: 不能打开文件，未知错误。")},
    {IDS_LOAD_DAMAGED, QT_TRANSLATE_NOOP("Strings", "加载失败: 文件可能已经损坏。")},
    {IDS_LOAD_UNKNOWN_FORMAT, QT_TRANSLATE_NOOP("Strings", "加载失败: 不可辨认的文件格式。")},
    {IDS_LOAD_SHARING_VIOLATION, QT_TRANSLATE_NOOP("Strings", "加载失败: 共享冲突。")},
    {IDS_LOAD_RECORDING_HERE, QT_TRANSLATE_NOOP("Strings", "加载失败: 您不能在这里加载录音记录。")},
    {IDS_LOAD_FAILED, QT_TRANSLATE_NOOP("Strings", "加载失败: 未知错误。")},
    {IDS_ADD_FOLDER_PROMPT, QT_TRANSLATE_NOOP("Strings", "所选目录下的所有音频文件 (*.wav, *.mp3) 都将被添加到列表中。")},
    {IDS_PLAYLIST_EMPTY, QT_TRANSLATE_NOOP("Strings", "当前播放列表为空。 \n点击鼠标右键，通过弹出菜单的“添加文件”或“添加目录”，您可以添加一些音频文件到列表中。录音记录将被自动添加到这里。")},
    {IDS_TIP_PLAYLIST_PLAY, QT_TRANSLATE_NOOP("Strings", "播放选择的条目")},
    {IDS_TIP_PLAYLIST_PAUSE, QT_TRANSLATE_NOOP("Strings", "暂停/继续播放")},
    {IDS_TIP_PLAYLIST_STOP, QT_TRANSLATE_NOOP("Strings", "停止播放")},
    {IDS_TIP_HIDE_PLAYLIST, QT_TRANSLATE_NOOP("Strings", "隐藏播放列表")},
    {IDS_TIP_SHOW_PLAYLIST, QT_TRANSLATE_NOOP("Strings", "显示播放列表")},
    {IDS_STATUS_READY, QT_TRANSLATE_NOOP("Strings", "就绪")},
    {IDS_STATUS_PLAYING, QT_TRANSLATE_NOOP("Strings", "正在播放： %s")},

    // Tips line: ten pairs, the text at the odd id, its link at the next one.
    {IDS_FIRST_TIP, QT_TRANSLATE_NOOP("Strings", "小技巧: 录音前先在“录音线路”中选择输入来源。")},
    {IDS_FIRST_TIP + 1, "https://quillon.example.com/tips/recording-lines"},
    {IDS_FIRST_TIP + 2, QT_TRANSLATE_NOOP("Strings", "小技巧: 勾选“强制选择”可防止其他程序改变录音线路。")},
    {IDS_FIRST_TIP + 3, "https://quillon.example.com/tips/force-selection"},
    {IDS_FIRST_TIP + 4, QT_TRANSLATE_NOOP("Strings", "小技巧: 停止后再按录音键，可从当前位置继续录音。")},
    {IDS_FIRST_TIP + 5, "https://quillon.example.com/tips/resume"},
    {IDS_FIRST_TIP + 6, QT_TRANSLATE_NOOP("Strings", "小技巧: “部分清除”会删去当前位置之后的所有录音。")},
    {IDS_FIRST_TIP + 7, "https://quillon.example.com/tips/partial-clear"},
    {IDS_FIRST_TIP + 8, QT_TRANSLATE_NOOP("Strings", "小技巧: 保存为MP3时，压缩质量越高，文件越大。")},
    {IDS_FIRST_TIP + 9, "https://quillon.example.com/tips/quality"},
    {IDS_FIRST_TIP + 10, QT_TRANSLATE_NOOP("Strings", "小技巧: 勾选“在保存记录前更改文件名称”即可自行命名录音文件。")},
    {IDS_FIRST_TIP + 11, "https://quillon.example.com/tips/naming"},
    {IDS_FIRST_TIP + 12, QT_TRANSLATE_NOOP("Strings", "小技巧: 保存的录音会自动加入右侧的播放列表。")},
    {IDS_FIRST_TIP + 13, "https://quillon.example.com/tips/playlist"},
    {IDS_FIRST_TIP + 14, QT_TRANSLATE_NOOP("Strings", "小技巧: 在播放列表中按右键可添加文件、目录或通过邮件发送录音。")},
    {IDS_FIRST_TIP + 15, "https://quillon.example.com/tips/playlist-menu"},
    {IDS_FIRST_TIP + 16, QT_TRANSLATE_NOOP("Strings", "小技巧: 勾选“循环播放所选择的音乐条目”可反复播放所选条目。")},
    {IDS_FIRST_TIP + 17, "https://quillon.example.com/tips/looping"},
    {IDS_FIRST_TIP + 18, QT_TRANSLATE_NOOP("Strings", "访问Quillon主页，获取最新版本和在线帮助。")},
    {IDS_FIRST_TIP + 19, "https://quillon.example.com/"},

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

QString Text(StringId id)
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
