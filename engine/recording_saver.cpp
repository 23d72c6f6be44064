#include "engine/recording_saver.h"

#include <algorithm>
#include <new>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include "engine/mp3_encoding.h"
#include "platform/paths.h"
#include "platform/replacing_file.h"

namespace {

constexpr int kSaveFailed = 382;
constexpr int kCompressingTitle = 432;
constexpr qint64 kCopyBlockSize = 1 << 20;

QString WithoutTrailingSeparators(QString folder)
{
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}

bool EndsWithWav(const QString& path)
{
    return path.right(3).compare(QLatin1String("wav"), Qt::CaseInsensitive) == 0;
}

// Copies `source` to the target of `out`; an existing target is replaced
// only by the complete copy.
bool CopyFileOver(const QString& source, platform::ReplacingFile& out)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    if (!out.Open())
        return false;
    std::vector<char> block(kCopyBlockSize);
    for (;;) {
        const qint64 got = in.read(block.data(), kCopyBlockSize);
        if (got < 0)
            return false;
        if (got == 0)
            break;
        if (out.file().write(block.data(), got) != got)
            return false;
    }
    return out.Commit();
}

}  // namespace

RecordingSaver::RecordingSaver(RecordingEngine& engine, SaveView& view, std::shared_ptr<const EncoderPlugin> plugin)
    : m_engine(engine),
      m_view(view),
      m_plugin(std::move(plugin)),
      m_clock([] { return QDateTime::currentDateTime(); }),
      m_sleep([](int ms) { QThread::msleep(ulong(ms)); })
{
    m_engine.SetSaveHandler([this] { OnSave(); });
}

RecordingSaver::~RecordingSaver() { m_engine.SetSaveHandler({}); }

QString RecordingSaver::SaveFileName(const QDateTime& when)
{
    const QDate d = when.date();
    const QTime t = when.time();
    return QString::asprintf("%04d-%02d-%02d %02dh%02dm%02ds", d.year(), d.month(), d.day(), t.hour(), t.minute(),
                             t.second());
}

bool RecordingSaver::CanEncodeMp3() const
{
    return m_plugin && m_plugin->isAvailable() && m_engine.format().bitsPerSample == 16;
}

// ------------------------------------------------------------------- save

void RecordingSaver::OnSave()
{
    if (m_engine.IsRecording() || m_engine.IsPlaying())
        return;
    m_view.takeControlValues();

    const std::optional<Target> target = ChooseTarget(SaveFileName(m_clock()));
    if (!target)
        return;
    const QString path = target->stem + target->extension;

    m_view.showSavingLabel(true);
    m_view.setWaitCursor(true);

    std::optional<platform::ReplacingFile> out;
    if (target->mayReplace)
        out.emplace(path);
    else
        out.emplace(target->stem, target->extension);
    // Written over, the recording's own files would be lost with the save.
    bool cancelled = false;
    const bool written = !(target->mayReplace && IsRecordingsOwnFile(path)) &&
                         (EndsWithWav(path) ? SaveAsWave(*out) : CompressToMp3(*out, cancelled));
    if (!written) {
        m_view.setWaitCursor(false);
        m_view.showSavingLabel(false);
        if (!cancelled)
            m_view.showError(kSaveFailed);
        return;
    }

    m_view.showSavingLabel(false);
    m_view.setWaitCursor(false);
    m_engine.SetSaved(true);
    m_savedFiles.append(out->committedPath());
    m_view.addRecording(out->committedPath());
}

std::optional<RecordingSaver::Target> RecordingSaver::ChooseTarget(const QString& name)
{
    const QString folder = WithoutTrailingSeparators(m_view.recordFolder());
    const bool mp3Chosen = CanEncodeMp3() && m_view.encodeMethod() == 0;
    const bool folderIsDirectory = !folder.isEmpty() && QFileInfo(folder).isDir();

    // Without the user's word no file is replaced: a second save within the
    // same second, here or in another instance, gets a numbered name.
    if (folderIsDirectory && !m_view.askForRenaming())
        return Target{platform::joinPath(folder, name), mp3Chosen ? QStringLiteral(".mp3") : QStringLiteral(".wav"),
                      false};

    const std::optional<QString> chosen =
        m_view.chooseSavePath(mp3Chosen ? QStringLiteral("mp3") : QStringLiteral("wav"),
                              mp3Chosen ? QCoreApplication::translate("RecordingSaver", "MP3 File (*.mp3)")
                                        : QCoreApplication::translate("RecordingSaver", "WAVE File (*.wav)"),
                              folderIsDirectory ? platform::joinPath(folder, name) : name);
    if (!chosen || chosen->isEmpty())
        return std::nullopt;

    // Here the extension the user typed decides the format.
    QString path = *chosen;
    const QString extension = QFileInfo(path).suffix();
    if (extension.compare(QLatin1String("wav"), Qt::CaseInsensitive) != 0 &&
        extension.compare(QLatin1String("mp3"), Qt::CaseInsensitive) != 0)
        path += QStringLiteral(".mp3");
    if (!CanEncodeMp3())
        path = path.left(path.size() - 3) + QStringLiteral("wav");
    // The dialog asked about the name it returned, not about this one.
    const QFileInfo existing(path);
    const bool taken = existing.exists() || existing.isSymLink();
    if (path != *chosen && taken && !m_view.confirmReplace(path))
        return std::nullopt;
    // Only a file the user agreed to replace is replaced; a name that is
    // taken after the question gets a number.
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    return Target{path.left(dot), path.mid(dot), taken};
}

bool RecordingSaver::IsRecordingsOwnFile(const QString& path)
{
    const QString mp3Temp = m_engine.mp3Side().mp3TempPath();
    return platform::isSameFile(path, m_engine.recordingFile().path()) ||
           (!mp3Temp.isEmpty() && platform::isSameFile(path, mp3Temp));
}

bool RecordingSaver::SaveAsWave(platform::ReplacingFile& out)
{
    m_sleep(kWaveCopyDelayMs);
    const RecordingFile& wave = m_engine.recordingFile();
    return wave.isOpen() && CopyFileOver(wave.readingPath(), out);
}

// ------------------------------------------------------------ compression

bool RecordingSaver::CompressToMp3(const QString& path, bool& cancelled)
{
    platform::ReplacingFile out(path);
    return CompressToMp3(out, cancelled);
}

bool RecordingSaver::CompressToMp3(platform::ReplacingFile& replacement, bool& cancelled)
{
    const uint32_t bitrate = BitrateOfQuality(m_view.recordQuality());

    // Encoded while recording at this bit rate: the copy is the same file.
    const Mp3Side& side = m_engine.mp3Side();
    if (!side.mp3TempPath().isEmpty() && side.mp3TempBitrate() == bitrate &&
        CopyFileOver(side.mp3TempPath(), replacement))
        return true;

    if (!CanEncodeMp3())
        return false;
    const EncoderPlugin& plugin = *m_plugin;

    // Unbuffered: the tag call reopens the file by name before we close it.
    if (!replacement.Open(QIODevice::Unbuffered))
        return false;
    QFile& target = replacement.file();

    const BeConfig config = EncoderConfig(m_engine.format(), bitrate);
    uint32_t samplesPerChunk = 0;
    uint32_t outputBufferSize = 0;
    HBE_STREAM stream = 0;
    if (plugin.beInitStream(&config, &samplesPerChunk, &outputBufferSize, &stream) != BE_ERR_SUCCESSFUL ||
        stream == 0)
        return false;
    std::unique_ptr<uint8_t[]> outputBuffer(new (std::nothrow) uint8_t[outputBufferSize]);
    if (!outputBuffer) {
        plugin.beCloseStream(stream);
        return false;
    }

    std::unique_ptr<ProgressReporter> progress = m_view.createProgress(kCompressingTitle);
    if (progress)
        progress->SetRange(0, 100);

    const uint32_t align = std::max<uint32_t>(1, m_engine.format().blockAlign());
    const uint32_t chunk = kReadBlockSize / align * align;
    m_readBuffer.resize(kReadBlockSize);

    bool failed = false;
    QFile wave(m_engine.recordingFile().readingPath());
    if (!wave.open(QIODevice::ReadOnly) || !wave.seek(m_engine.GetHeaderSize()))
        failed = true;
    const uint64_t total = failed ? 0 : uint64_t(wave.size() - wave.pos());
    uint64_t done = 0;
    int mark = 0;

    while (!failed) {
        const qint64 got = wave.read(reinterpret_cast<char*>(m_readBuffer.data()), chunk);
        if (got < 0) {
            failed = true;
            break;
        }
        const uint32_t samples = uint32_t(got) / 2;
        if (samples == 0)
            break;
        if (!EncodeIntoFile(plugin, stream, m_readBuffer.data(), samples, outputBuffer.get(), outputBufferSize,
                            target)) {
            failed = true;
            break;
        }
        if (progress) {
            if (progress->CheckCancel()) {
                cancelled = true;
                break;
            }
            done += uint64_t(got);
            progress->SetPos(int(done * 100 / total));
            while (progress->GetPos() >= mark) {
                m_sleep(kPacingStepMs);
                mark += 10;
            }
        }
    }

    progress.reset();  // closes the display and enables the window again

    if (failed || cancelled) {
        plugin.beCloseStream(stream);
        return false;
    }

    uint32_t produced = 0;
    if (plugin.beDeinitStream(stream, outputBuffer.get(), &produced) != BE_ERR_SUCCESSFUL ||
        !WriteEncoded(target, outputBuffer.get(), std::min(produced, outputBufferSize))) {
        plugin.beCloseStream(stream);
        return false;
    }
    plugin.beCloseStream(stream);
    const QByteArray name = QFile::encodeName(replacement.writingPath());
    if (plugin.hasWriteInfoTag())
        plugin.beWriteInfoTag(stream, name.constData());
    else
        plugin.beWriteVBRHeader(name.constData());
    return replacement.Commit();
}

// ---------------------------------------------------------- partial clear

void RecordingSaver::OnClearAfterPosition()
{
    if (m_engine.IsRecording() || m_engine.IsPlaying() || m_engine.IsSaving())
        return;
    RecordingFile& wave = m_engine.recordingFile();
    if (!wave.isOpen())
        return;
    const uint64_t keep =
        std::min<uint64_t>(uint64_t(m_engine.position()) * m_engine.format().blockAlign(), wave.GetDataLength());
    wave.TruncateData(keep);
    // The encoded copy holds the dropped part as well; a later MP3 save
    // encodes the shortened recording.
    m_engine.mp3Side().DiscardMp3Temp();
    m_engine.RecountLevels();
    m_engine.ShowLength();
    m_engine.RefreshControlStates();
}
