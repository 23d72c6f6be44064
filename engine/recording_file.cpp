#include "engine/recording_file.h"

#include <csignal>
#include <mutex>
#include <unistd.h>

#include <QFileInfo>

#include "engine/engine_log.h"
#include "platform/locked_file.h"

RecordingFile::~RecordingFile() { CloseAndRemove(); }

bool RecordingFile::Create(const QString& path, const platform::audio::PcmFormat& format)
{
    CloseAndRemove();
    // Whatever is already at the name is not ours to delete: a leftover that
    // the start-up could not salvage keeps it, and this file takes the next.
    m_wavTempPath = platform::CreateLockedFile(path, m_wavTemp, QIODevice::Unbuffered);
    if (m_wavTempPath.isEmpty()) {
        qCWarning(lcEngine) << "cannot create the take's file at" << path;
        return false;
    }
    m_header = WaveHeader::ForEmptyFile(format);
    if (!WriteWaveHeader()) {
        qCWarning(lcEngine) << "cannot write the take's header:" << m_wavTemp.errorString();
        CloseAndRemove();
        return false;
    }
    return true;
}

QString RecordingFile::ReadingPath() const
{
    if (!IsOpen())
        return m_wavTempPath;
    const QString byHandle = QStringLiteral("/proc/self/fd/%1").arg(m_wavTemp.handle());
    return QFileInfo::exists(byHandle) ? byHandle : m_wavTempPath;
}

uint32_t RecordingFile::GetHeaderSize() const { return IsOpen() ? WaveHeader::kSize : 0; }

uint32_t RecordingFile::GetDataLength() const
{
    if (!IsOpen())
        return 0;
    const qint64 length = m_wavTemp.size() - WaveHeader::kSize;
    return length > 0 ? uint32_t(length) : 0;
}

bool RecordingFile::WriteWaveHeader()
{
    const auto image = m_header.Image();
    if (!m_wavTemp.seek(0))
        return false;
    int offset = 0;
    for (int piece : WaveHeader::kPieceSizes) {
        if (m_wavTemp.write(reinterpret_cast<const char*>(image.data()) + offset, piece) != piece)
            return false;
        offset += piece;
    }
    return true;
}

bool RecordingFile::UpdateHeaderSizes()
{
    if (!IsOpen())
        return false;
    m_header.SetSizesFromFileLength(uint64_t(m_wavTemp.size()));
    return WriteWaveHeader();
}

bool RecordingFile::SyncToDisk()
{
    if (!IsOpen())
        return false;
    const qint64 at = m_wavTemp.pos();
    const bool header = UpdateHeaderSizes();
    const bool back = m_wavTemp.seek(at);
    return header && back && ::fdatasync(m_wavTemp.handle()) == 0;
}

bool RecordingFile::SeekToData(uint64_t dataOffset) { return m_wavTemp.seek(qint64(WaveHeader::kSize + dataOffset)); }

uint64_t RecordingFile::DataOffset() const
{
    const qint64 pos = m_wavTemp.pos() - WaveHeader::kSize;
    return pos > 0 ? uint64_t(pos) : 0;
}

uint64_t RecordingFile::Write(const uint8_t* data, uint64_t bytes)
{
    // A short write sets no error: the write that follows it says why the
    // disk took no more.
    uint64_t done = 0;
    while (done < bytes) {
        const qint64 n = m_wavTemp.write(reinterpret_cast<const char*>(data + done), qint64(bytes - done));
        if (n <= 0)
            break;
        done += uint64_t(n);
    }
    return done;
}

int64_t RecordingFile::ReadAt(uint64_t dataOffset, uint8_t* into, uint64_t bytes)
{
    if (!SeekToData(dataOffset))
        return -1;
    return m_wavTemp.read(reinterpret_cast<char*>(into), qint64(bytes));
}

bool RecordingFile::TruncateData(uint64_t dataBytes)
{
    if (!IsOpen() || !m_wavTemp.resize(qint64(WaveHeader::kSize + dataBytes))) {
        qCWarning(lcEngine) << "cannot cut the take to" << dataBytes << "bytes:" << m_wavTemp.errorString();
        return false;
    }
    return UpdateHeaderSizes();
}

bool RecordingFile::TrimToWholeFrames()
{
    const uint16_t align = m_header.format.BlockAlign();
    const qint64 data = m_wavTemp.size() - WaveHeader::kSize;
    if (align == 0 || data < 0 || data % align == 0)
        return true;
    return m_wavTemp.resize(WaveHeader::kSize + data - data % align);
}

void RecordingFile::CloseAndRemove()
{
    // Removed while still locked: once unlocked, the name belongs to whoever
    // takes it next.
    if (m_wavTemp.isOpen()) {
        platform::RemoveLockedFile(m_wavTempPath, m_wavTemp);
        m_wavTemp.close();
    }
    m_wavTempPath.clear();
}

void IgnoreFileSizeSignal()
{
    static std::once_flag once;
    std::call_once(once, [] { std::signal(SIGXFSZ, SIG_IGN); });
}
