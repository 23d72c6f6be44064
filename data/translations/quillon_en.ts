<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>AboutDialog</name>
    <message>
        <source>关于Recorder</source>
        <translation>About Recorder</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>主页:</source>
        <translation>Website:</translation>
    </message>
    <message>
        <source>技术支持:</source>
        <translation>Support:</translation>
    </message>
</context>
<context>
    <name>HyperlinkLabel</name>
    <message>
        <source>Unable to open hyperlink:

</source>
        <translation>Unable to open hyperlink:

</translation>
    </message>
    <message>
        <source>The operating system is out
of memory or resources.</source>
        <translation>The operating system is out
of memory or resources.</translation>
    </message>
    <message>
        <source>The specified file was not found.</source>
        <translation>The specified file was not found.</translation>
    </message>
    <message>
        <source>The specified path was not found.</source>
        <translation>The specified path was not found.</translation>
    </message>
    <message>
        <source>The operating system denied
access to the specified file.</source>
        <translation>The operating system denied
access to the specified file.</translation>
    </message>
    <message>
        <source>There was not enough memory to complete the operation.</source>
        <translation>There was not enough memory to complete the operation.</translation>
    </message>
    <message>
        <source>The .EXE file is invalid
(non-Win32 .EXE or error in .EXE image).</source>
        <translation>The .EXE file is invalid
(non-Win32 .EXE or error in .EXE image).</translation>
    </message>
    <message>
        <source>A sharing violation occurred. </source>
        <translation>A sharing violation occurred. </translation>
    </message>
    <message>
        <source>The filename association is
incomplete or invalid.</source>
        <translation>The filename association is
incomplete or invalid.</translation>
    </message>
    <message>
        <source>The DDE transaction could not
be completed because the request timed out.</source>
        <translation>The DDE transaction could not
be completed because the request timed out.</translation>
    </message>
    <message>
        <source>The DDE transaction failed.</source>
        <translation>The DDE transaction failed.</translation>
    </message>
    <message>
        <source>The DDE transaction could not
be completed because other DDE transactions
were being processed.</source>
        <translation>The DDE transaction could not
be completed because other DDE transactions
were being processed.</translation>
    </message>
    <message>
        <source>There is no application associated
with the given filename extension.</source>
        <translation>There is no application associated
with the given filename extension.</translation>
    </message>
    <message>
        <source>The specified dynamic-link library was not found.</source>
        <translation>The specified dynamic-link library was not found.</translation>
    </message>
    <message>
        <source>Unknown Error (%1) occurred.</source>
        <translation>Unknown Error (%1) occurred.</translation>
    </message>
</context>
<context>
    <name>MailDialog</name>
    <message>
        <source>发送邮件</source>
        <translation>Send Mail</translation>
    </message>
    <message>
        <source>收件人邮件地址 (多个地址之间用分号隔开)：</source>
        <translation>Recipients (separate addresses with semicolons):</translation>
    </message>
    <message>
        <source>邮件主题：</source>
        <translation>Subject:</translation>
    </message>
    <message>
        <source>邮件正文：</source>
        <translation>Message:</translation>
    </message>
    <message>
        <source>包含如下Quillon签名：</source>
        <translation>Include this Quillon signature:</translation>
    </message>
    <message>
        <source>附件 (一行一个文件)：</source>
        <translation>Attachments (one file per line):</translation>
    </message>
    <message>
        <source>发送</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>请确保邮件账户存在，而且您的邮件收发软件是业界标准的邮件客户端软件。</source>
        <translation>Make sure the account exists and your mail program is a standard mail client.</translation>
    </message>
    <message>
        <source>我的邮件账户：</source>
        <translation>My mail account:</translation>
    </message>
</context>
<context>
    <name>MixerPanel</name>
    <message>
        <source>Error getting name.</source>
        <translation>Error getting name.</translation>
    </message>
</context>
<context>
    <name>PlaylistBox</name>
    <message>
        <source>Audio Files (*.wav; *.mp3; *.flac; *.ogg; *.oga; *.opus) (%1 %2 %3)</source>
        <translation>Audio Files (*.wav; *.mp3; *.flac; *.ogg; *.oga; *.opus) (%1 %2 %3)</translation>
    </message>
    <message>
        <source>FLAC, Ogg and Opus Files (*.flac; *.ogg; *.oga; *.opus) (%1)</source>
        <translation>FLAC, Ogg and Opus Files (*.flac; *.ogg; *.oga; *.opus) (%1)</translation>
    </message>
    <message>
        <source>MP3 Files (*.mp3) (%1)</source>
        <translation>MP3 Files (*.mp3) (%1)</translation>
    </message>
    <message>
        <source>WAVE Files (*.wav) (%1)</source>
        <translation>WAVE Files (*.wav) (%1)</translation>
    </message>
</context>
<context>
    <name>PlaylistMenu</name>
    <message>
        <source>播放</source>
        <translation>Play</translation>
    </message>
    <message>
        <source>添加文件</source>
        <translation>Add Files</translation>
    </message>
    <message>
        <source>添加目录</source>
        <translation>Add Folder</translation>
    </message>
    <message>
        <source>移除条目</source>
        <translation>Remove Items</translation>
    </message>
    <message>
        <source>通过邮件发送</source>
        <translation>Send by Mail</translation>
    </message>
</context>
<context>
    <name>PlaylistRows</name>
    <message>
        <source>mono</source>
        <translation>mono</translation>
    </message>
    <message>
        <source>stereo</source>
        <translation>stereo</translation>
    </message>
    <message>
        <source>, %1 bits</source>
        <translation>, %1 bits</translation>
    </message>
    <message>
        <source>, %1 kbps</source>
        <translation>, %1 kbps</translation>
    </message>
</context>
<context>
    <name>ProgressDialog</name>
    <message>
        <source>进度</source>
        <translation>Progress</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>QFileDialog</name>
    <message>
        <source>%1 already exists.
Do you want to replace it?</source>
        <translation>%1 already exists.
Do you want to replace it?</translation>
    </message>
</context>
<context>
    <name>RecorderWindow</name>
    <message>
        <source>音频设备</source>
        <translation>Input device</translation>
    </message>
    <message>
        <source>音频输出格式</source>
        <translation>Recording format</translation>
    </message>
    <message>
        <source>录音线路</source>
        <translation>Recording lines</translation>
    </message>
    <message>
        <source>线路音量</source>
        <translation>Line volume</translation>
    </message>
    <message>
        <source>播放/录音位置</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>跳转到开头</source>
        <translation>Go to start</translation>
    </message>
    <message>
        <source>跳转到末尾</source>
        <translation>Go to end</translation>
    </message>
    <message>
        <source>播放</source>
        <translation>Play</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>录音</source>
        <translation>Record</translation>
    </message>
    <message>
        <source>保存录音文件的目录</source>
        <translation>Recording folder</translation>
    </message>
    <message>
        <source>选择目录</source>
        <translation>Choose folder</translation>
    </message>
    <message>
        <source>音频编码方式</source>
        <translation>Encoding</translation>
    </message>
    <message>
        <source>压缩质量</source>
        <translation>Quality</translation>
    </message>
    <message>
        <source>播放列表</source>
        <translation>Playlist</translation>
    </message>
    <message>
        <source>播放进度</source>
        <translation>Playback position</translation>
    </message>
    <message>
        <source>录音的波形：横向为时间，纵向为音量</source>
        <translation>Waveform of the recording: time runs across, loudness up and down</translation>
    </message>
    <message>
        <source>录音设置</source>
        <translation>Recording</translation>
    </message>
    <message>
        <source>音频设备:</source>
        <translation>Device:</translation>
    </message>
    <message>
        <source>音频输出格式:</source>
        <translation>Format:</translation>
    </message>
    <message>
        <source>录音线路:</source>
        <translation>Lines:</translation>
    </message>
    <message>
        <source>强制选择</source>
        <translation>Lock line</translation>
    </message>
    <message>
        <source>高级...</source>
        <translation>Advanced...</translation>
    </message>
    <message>
        <source>正在保存数据....</source>
        <translation>Saving...</translation>
    </message>
    <message>
        <source>新建录音</source>
        <translation>New</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>关于</source>
        <translation>About</translation>
    </message>
    <message>
        <source>部分清除</source>
        <translation>Clear to End</translation>
    </message>
    <message>
        <source>在线帮助</source>
        <translation>Online Help</translation>
    </message>
    <message>
        <source>存储设置</source>
        <translation>Saving</translation>
    </message>
    <message>
        <source>保存录音文件的目录:</source>
        <translation>Folder for recordings:</translation>
    </message>
    <message>
        <source>在保存记录前更改文件名称</source>
        <translation>Choose the file name before saving</translation>
    </message>
    <message>
        <source>音频编码方式:</source>
        <translation>Encoding:</translation>
    </message>
    <message>
        <source>压缩质量:</source>
        <translation>Quality:</translation>
    </message>
    <message>
        <source>低</source>
        <translation>Lo</translation>
    </message>
    <message>
        <source>高</source>
        <translation>Hi</translation>
    </message>
    <message>
        <source>循环播放所选择的音乐条目</source>
        <translation>Repeat the selected items</translation>
    </message>
    <message>
        <source>准备就绪</source>
        <translation>Ready</translation>
    </message>
    <message>
        <source>Quillon 2.5 中文版</source>
        <translation>Quillon 2.5</translation>
    </message>
    <message>
        <source>压缩为MP3格式 (.mp3 文件)</source>
        <translation>MP3 (.mp3 file)</translation>
    </message>
    <message>
        <source>无压缩格式 (.wav 文件)</source>
        <translation>Uncompressed (.wav file)</translation>
    </message>
</context>
<context>
    <name>SaveFlow</name>
    <message>
        <source>MP3 File (*.mp3)</source>
        <translation>MP3 File (*.mp3)</translation>
    </message>
    <message>
        <source>WAVE File (*.wav)</source>
        <translation>WAVE File (*.wav)</translation>
    </message>
</context>
<context>
    <name>RemoveItemsDialog</name>
    <message>
        <source>移除条目</source>
        <translation>Remove Items</translation>
    </message>
    <message>
        <source>是否要从列表中删除这 %1 个条目？</source>
        <translation>Remove these %1 items from the list?</translation>
    </message>
    <message>
        <source>同时删除对应的磁盘文件</source>
        <translation>Also delete the files from the disk</translation>
    </message>
    <message>
        <source>是</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>Strings</name>
    <message>
        <source>&amp;关于Quillon...</source>
        <translation>&amp;About Quillon...</translation>
    </message>
    <message>
        <source>加载email模块失败。您可能没有安装MAPI服务。</source>
        <translation>Could not load the mail module. A mail service may not be installed.</translation>
    </message>
    <message>
        <source>错误：Ambiguous Recipient!</source>
        <translation>Error: Ambiguous recipient!</translation>
    </message>
    <message>
        <source>错误：未知的收件人！</source>
        <translation>Error: Unknown recipient!</translation>
    </message>
    <message>
        <source>错误：邮件失败！</source>
        <translation>Error: Sending the mail failed!</translation>
    </message>
    <message>
        <source>错误：内存不够！</source>
        <translation>Error: Not enough memory!</translation>
    </message>
    <message>
        <source>错误：登录失败！</source>
        <translation>Error: Login failed!</translation>
    </message>
    <message>
        <source>错误：不支持邮件功能！</source>
        <translation>Error: Mail is not supported!</translation>
    </message>
    <message>
        <source>错误：用户取消了邮件！</source>
        <translation>Error: The mail was cancelled!</translation>
    </message>
    <message>
        <source>错误：附件文件没有找到！</source>
        <translation>Error: Attachment not found!</translation>
    </message>
    <message>
        <source>错误：打开附件文件失败！</source>
        <translation>Error: Could not open an attachment!</translation>
    </message>
    <message>
        <source>错误：错误的收件人类别！</source>
        <translation>Error: Wrong recipient type!</translation>
    </message>
    <message>
        <source>错误：无效的收件人！</source>
        <translation>Error: Invalid recipient!</translation>
    </message>
    <message>
        <source>错误：邮件文本太长！</source>
        <translation>Error: The message is too long!</translation>
    </message>
    <message>
        <source>错误：收件人太多！</source>
        <translation>Error: Too many recipients!</translation>
    </message>
    <message>
        <source>错误：无效的对话！</source>
        <translation>Error: Invalid session!</translation>
    </message>
    <message>
        <source>错误：未知类型！</source>
        <translation>Error: Unknown type!</translation>
    </message>
    <message>
        <source>错误：您没有指定收件人！</source>
        <translation>Error: You did not enter a recipient!</translation>
    </message>
    <message>
        <source>错误：附件太多！</source>
        <translation>Error: Too many attachments!</translation>
    </message>
    <message>
        <source>退出之前请先停止录音/播放。</source>
        <translation>Please stop recording or playback before you quit.</translation>
    </message>
    <message>
        <source>保存对当前记录所作的更改吗?</source>
        <translation>Save the changes to the current recording?</translation>
    </message>
    <message>
        <source>打开录音设备失败!</source>
        <translation>Could not open the recording device!</translation>
    </message>
    <message>
        <source>创建录音文件失败!</source>
        <translation>Could not create the recording file!</translation>
    </message>
    <message>
        <source>%d Hz %d位 单声道</source>
        <translation>%d Hz %d-bit mono</translation>
    </message>
    <message>
        <source>%d Hz %d位 立体声</source>
        <translation>%d Hz %d-bit stereo</translation>
    </message>
    <message>
        <source>播放/录音位置</source>
        <translation>Play/record position</translation>
    </message>
    <message>
        <source>音频波形</source>
        <translation>Waveform</translation>
    </message>
    <message>
        <source>记录长度</source>
        <translation>Recording length</translation>
    </message>
    <message>
        <source>跳转到开头</source>
        <translation>Go to the start</translation>
    </message>
    <message>
        <source>跳转到末尾</source>
        <translation>Go to the end</translation>
    </message>
    <message>
        <source>开始播放</source>
        <translation>Play</translation>
    </message>
    <message>
        <source>开始录音</source>
        <translation>Record</translation>
    </message>
    <message>
        <source>创建新的录音记录</source>
        <translation>Start a new recording</translation>
    </message>
    <message>
        <source>清除当前位置之后的部分</source>
        <translation>Clear everything after the position</translation>
    </message>
    <message>
        <source>将录音记录保存为MP3或WAV文件</source>
        <translation>Save the recording as an MP3 or WAV file</translation>
    </message>
    <message>
        <source>停止播放/录音</source>
        <translation>Stop playing/recording</translation>
    </message>
    <message>
        <source>打开音频设备失败！</source>
        <translation>Could not open the audio device!</translation>
    </message>
    <message>
        <source>保存文件失败！</source>
        <translation>Could not save the file!</translation>
    </message>
    <message>
        <source>
长度:
%03d:%02d.%d</source>
        <translation>
Length:
%03d:%02d.%d</translation>
    </message>
    <message>
        <source>
位置:
%03d:%02d.%d</source>
        <translation>
Position:
%03d:%02d.%d</translation>
    </message>
    <message>
        <source>正在压缩数据....</source>
        <translation>Compressing data...</translation>
    </message>
    <message>
        <source>%d%% 已完成, 剩余时间: %02d 分钟 %02d 秒</source>
        <translation>%d%% done, time left: %02d min %02d s</translation>
    </message>
    <message>
        <source>高亮度显示的线路的音量</source>
        <translation>Volume of the highlighted line</translation>
    </message>
    <message>
        <source>防止其他程序改变录音线路</source>
        <translation>Keep other programs from changing the recording line</translation>
    </message>
    <message>
        <source>显示系统录音控制窗口</source>
        <translation>Open the system recording controls</translation>
    </message>
    <message>
        <source>不能播放，条目正在被加载。请稍后再试。</source>
        <translation>Cannot play: the item is still loading. Please try again later.</translation>
    </message>
    <message>
        <source>不能播放。条目没有正确加载。</source>
        <translation>Cannot play: the item did not load correctly.</translation>
    </message>
    <message>
        <source>正在播放的条目太多。请稍后再试。</source>
        <translation>Too many items are playing. Please try again later.</translation>
    </message>
    <message>
        <source>不能播放，打开音频设备失败。</source>
        <translation>Cannot play: the audio device could not be opened.</translation>
    </message>
    <message>
        <source>不能播放。</source>
        <translation>Cannot play.</translation>
    </message>
    <message>
        <source>没有选择任何条目。</source>
        <translation>No items are selected.</translation>
    </message>
    <message>
        <source>列表条目太多。您最多可以加载 %d 个条目到列表中。</source>
        <translation>Too many items. The list can hold at most %d items.</translation>
    </message>
    <message>
        <source>您不能删除正在播放的条目。</source>
        <translation>You cannot remove an item that is playing.</translation>
    </message>
    <message>
        <source>等待加载</source>
        <translation>Waiting to load</translation>
    </message>
    <message>
        <source>正在加载...</source>
        <translation>Loading...</translation>
    </message>
    <message>
        <source>加载失败: 文件不存在。</source>
        <translation>Load failed: the file does not exist.</translation>
    </message>
    <message>
        <source>加载失败: 不能打开文件，未知错误。</source>
        <translation>Load failed: cannot open the file, unknown error.</translation>
    </message>
    <message>
        <source>加载失败: 文件可能已经损坏。</source>
        <translation>Load failed: the file may be damaged.</translation>
    </message>
    <message>
        <source>加载失败: 不可辨认的文件格式。</source>
        <translation>Load failed: unknown file format.</translation>
    </message>
    <message>
        <source>加载失败: 共享冲突。</source>
        <translation>Load failed: sharing violation.</translation>
    </message>
    <message>
        <source>加载失败: 您不能在这里加载录音记录。</source>
        <translation>Load failed: recordings cannot be loaded here.</translation>
    </message>
    <message>
        <source>加载失败: 未知错误。</source>
        <translation>Load failed: unknown error.</translation>
    </message>
    <message>
        <source>所选目录下的所有音频文件 (*.wav, *.mp3) 都将被添加到列表中。</source>
        <translation>All audio files (*.wav, *.mp3) in the chosen folder will be added to the list.</translation>
    </message>
    <message>
        <source>当前播放列表为空。 
点击鼠标右键，通过弹出菜单的“添加文件”或“添加目录”，您可以添加一些音频文件到列表中。录音记录将被自动添加到这里。</source>
        <translation>The playlist is empty.
Right-click and choose &quot;Add Files&quot; or &quot;Add Folder&quot; to add audio files to the list. Your recordings are added here automatically.</translation>
    </message>
    <message>
        <source>播放选择的条目</source>
        <translation>Play the selected items</translation>
    </message>
    <message>
        <source>暂停/继续播放</source>
        <translation>Pause/resume</translation>
    </message>
    <message>
        <source>停止播放</source>
        <translation>Stop playing</translation>
    </message>
    <message>
        <source>隐藏播放列表</source>
        <translation>Hide the playlist</translation>
    </message>
    <message>
        <source>显示播放列表</source>
        <translation>Show the playlist</translation>
    </message>
    <message>
        <source>就绪</source>
        <translation>Ready</translation>
    </message>
    <message>
        <source>正在播放： %s</source>
        <translation>Playing: %s</translation>
    </message>
    <message>
        <source>小技巧: 录音前先在“录音线路”中选择输入来源。</source>
        <translation>Tip: Before recording, choose the input source under &quot;Lines&quot;.</translation>
    </message>
    <message>
        <source>小技巧: 勾选“强制选择”可防止其他程序改变录音线路。</source>
        <translation>Tip: Tick &quot;Lock line&quot; to keep other programs from changing the recording line.</translation>
    </message>
    <message>
        <source>小技巧: 停止后再按录音键，可从当前位置继续录音。</source>
        <translation>Tip: Press Record again after a stop to go on recording from the position.</translation>
    </message>
    <message>
        <source>小技巧: “部分清除”会删去当前位置之后的所有录音。</source>
        <translation>Tip: &quot;Clear to End&quot; deletes everything recorded after the position.</translation>
    </message>
    <message>
        <source>小技巧: 保存为MP3时，压缩质量越高，文件越大。</source>
        <translation>Tip: When saving as MP3, the higher the quality, the larger the file.</translation>
    </message>
    <message>
        <source>小技巧: 勾选“在保存记录前更改文件名称”即可自行命名录音文件。</source>
        <translation>Tip: Tick &quot;Choose the file name before saving&quot; to name your recordings yourself.</translation>
    </message>
    <message>
        <source>小技巧: 保存的录音会自动加入右侧的播放列表。</source>
        <translation>Tip: Saved recordings are added to the playlist on the right automatically.</translation>
    </message>
    <message>
        <source>小技巧: 在播放列表中按右键可添加文件、目录或通过邮件发送录音。</source>
        <translation>Tip: Right-click the playlist to add files or folders, or to send recordings by mail.</translation>
    </message>
    <message>
        <source>小技巧: 勾选“循环播放所选择的音乐条目”可反复播放所选条目。</source>
        <translation>Tip: Tick &quot;Repeat the selected items&quot; to play the selection over and over.</translation>
    </message>
    <message>
        <source>访问Quillon主页，获取最新版本和在线帮助。</source>
        <translation>Visit the Quillon website for the latest version and online help.</translation>
    </message>
    <message>
        <source>写入录音文件失败，录音已停止!
已录制的部分仍可播放和保存。</source>
        <translation>Could not write the recording file; recording has stopped!
What was recorded can still be played and saved.</translation>
    </message>
    <message>
        <source>录音文件已达到最大长度，录音已停止!
已录制的部分仍可播放和保存。</source>
        <translation>The recording file has reached its maximum size; recording has stopped!
What was recorded can still be played and saved.</translation>
    </message>
    <message>
        <source>录音设备出错，录音已停止!
已录制的部分仍可播放和保存。</source>
        <translation>The recording device failed; recording has stopped!
What was recorded can still be played and saved.</translation>
    </message>
    <message>
        <source>文件路径太长，不能添加到列表中: %s
共有 %d 个文件未被添加。</source>
        <translation>This file path is too long for the list: %s
%d file(s) were not added in all.</translation>
    </message>
    <message>
        <source>错误：收件人地址和邮件主题中不能含有换行符！</source>
        <translation>Error: Recipient addresses and the subject cannot contain line breaks!</translation>
    </message>
    <message>
        <source>读取录音文件失败，播放已停止!</source>
        <translation>Could not read the recording file; playback has stopped!</translation>
    </message>
    <message>
        <source>系统过于繁忙，录音中有 %.1f 秒的声音未能录下，已用静音补足。
录音仍在继续。</source>
        <translation>The system was too busy: %.1f seconds of sound could not be recorded and were filled with silence.
Recording goes on.</translation>
    </message>
    <message>
        <source>放音设备出错，播放已停止!</source>
        <translation>The playback device failed; playback has stopped!</translation>
    </message>
    <message>
        <source>无法使用保存录音文件的目录: %s
目录名称太长或含有无法识别的字符。本次运行保存录音时将询问文件名称，设置中的目录保持不变。</source>
        <translation>The recording folder cannot be used: %s
Its name is too long or holds characters that cannot be read. This time you will be asked for a file name when saving; the folder setting stays as it is.</translation>
    </message>
    <message>
        <source>录音中…</source>
        <translation>Recording…</translation>
    </message>
    <message>
        <source>播放中…</source>
        <translation>Playing…</translation>
    </message>
    <message>
        <source>录音峰值: %s dBFS，削波: %llu 处</source>
        <translation>Recording peak: %s dBFS, clipped moments: %llu</translation>
    </message>
    <message>
        <source>音频设备“%s”已被移除，已改选默认设备“%s”。</source>
        <translation>The audio device “%s” was removed; the default device “%s” is chosen instead.</translation>
    </message>
    <message>
        <source>录音设备已由“%s”切换到“%s”!
录音仍在继续，此后的声音来自新设备。</source>
        <translation>The recording device changed from “%s” to “%s”!
Recording goes on; from here on the sound comes from the new device.</translation>
    </message>
</context>
</TS>
