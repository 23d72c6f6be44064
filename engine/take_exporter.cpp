#include "engine/take_exporter.h"

#include <algorithm>
#include <new>
#include <optional>
#include <QFile>

#include "engine/engine_log.h"
#include "engine/mp3_encoding.h"
#include "platform/paths.h"
#include "platform/replacing_file.h"

namespace {

constexpr qint64 kCopyBlockSize = 1 << 20;

// Copies `source` to the target of `out`; an existing target is replaced
// only by the complete copy.
bool CopyFileOver(const QString& source, platform::ReplacingFile& out)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        qCWarning(lcEngine) << "export: cannot read" << source << in.errorString();
        return false;
    }
    if (!out.Open())
        return false;
    std::vector<char> block(kCopyBlockSize);
    for (;;) {
        const qint64 got = in.read(block.data(), kCopyBlockSize);
        if (got < 0)
            return false;
        if (got == 0)
            break;
        if (out.File().write(block.data(), got) != got) {
            qCWarning(lcEngine) << "export: write failed:" << out.File().errorString();
            return false;
        }
    }
    return out.Commit();
}

// `path` leads to the take's own WAVE or MP3 temporary file.
bool IsTakesOwnFile(const TakeSource& source, const QString& path)
{
    return platform::IsSameFile(path, source.wavePath) ||
        (!source.mp3TempPath.isEmpty() && platform::IsSameFile(path, source.mp3TempPath));
}

}  // namespace

TakeExporter::TakeExporter(std::shared_ptr<const EncoderPlugin> plugin)
    : m_plugin(std::move(plugin))
{
}

bool TakeExporter::CanEncodeMp3(const platform::audio::PcmFormat& format) const
{
    return m_plugin && m_plugin->IsAvailable() && format.bitsPerSample == 16;
}

ExportResult TakeExporter::Export(const TakeSource& source, const ExportTarget& target, ExportFormat format,
                                  int quality, const Progress& progress, const std::atomic<bool>& cancel)
{
    const QString path = target.stem + target.extension;
    // Written over, the take's own files would be lost with the export.
    if (target.mayReplace && IsTakesOwnFile(source, path)) {
        qCWarning(lcEngine) << "export: refused to write over the take's own file" << path;
        return {};
    }
    std::optional<platform::ReplacingFile> out;
    if (target.mayReplace)
        out.emplace(path);
    else
        out.emplace(target.stem, target.extension);

    bool cancelled = false;
    const bool written = format == ExportFormat::Wave
        ? CopyWave(source, *out)
        : EncodeMp3(source, BitrateOfQuality(quality), *out, progress, cancel, cancelled);
    if (cancelled)
        return {ExportStatus::Cancelled, {}};
    if (!written)
        return {};
    return {ExportStatus::Saved, out->CommittedPath()};
}

bool TakeExporter::CopyWave(const TakeSource& source, platform::ReplacingFile& out)
{
    return source.available && CopyFileOver(source.waveReadingPath, out);
}

bool TakeExporter::EncodeMp3(const TakeSource& source, uint32_t bitrate, platform::ReplacingFile& replacement,
                             const Progress& progress, const std::atomic<bool>& cancel, bool& cancelled)
{
    // Encoded while recording at this bit rate: the copy is the same file.
    if (!source.mp3TempPath.isEmpty() && source.mp3TempBitrate == bitrate &&
        CopyFileOver(source.mp3TempPath, replacement))
        return true;

    if (!CanEncodeMp3(source.format))
        return false;
    const EncoderPlugin& plugin = *m_plugin;

    // Unbuffered: the tag call reopens the file by name before we close it.
    if (!replacement.Open(QIODevice::Unbuffered))
        return false;
    QFile& target = replacement.File();

    const BeConfig config = EncoderConfig(source.format, bitrate);
    uint32_t samplesPerChunk = 0;
    uint32_t outputBufferSize = 0;
    HBE_STREAM stream = 0;
    if (plugin.beInitStream(&config, &samplesPerChunk, &outputBufferSize, &stream) != BE_ERR_SUCCESSFUL ||
        stream == 0) {
        qCWarning(lcEngine) << "export: the encoder refused a stream at" << bitrate << "kbit/s";
        return false;
    }
    std::unique_ptr<uint8_t[]> outputBuffer(new (std::nothrow) uint8_t[outputBufferSize]);
    if (!outputBuffer) {
        plugin.beCloseStream(stream);
        return false;
    }

    if (progress)
        progress(0);

    const uint32_t align = std::max<uint32_t>(1, source.format.BlockAlign());
    const uint32_t chunk = kReadBlockSize / align * align;
    m_readBuffer.resize(kReadBlockSize);

    bool failed = false;
    QFile wave(source.waveReadingPath);
    if (!source.available || !wave.open(QIODevice::ReadOnly) || !wave.seek(source.headerSize))
        failed = true;
    const uint64_t total = failed ? 0 : uint64_t(wave.size() - wave.pos());
    uint64_t done = 0;

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
        done += uint64_t(got);
        if (progress)
            progress(int(done * 100 / total));
        if (cancel.load()) {
            cancelled = true;
            break;
        }
    }
    if (failed)
        qCWarning(lcEngine) << "export: encoding failed:" << wave.errorString() << target.errorString();

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
    const QByteArray name = QFile::encodeName(replacement.WritingPath());
    if (plugin.HasWriteInfoTag())
        plugin.beWriteInfoTag(stream, name.constData());
    else
        plugin.beWriteVBRHeader(name.constData());
    return replacement.Commit();
}
