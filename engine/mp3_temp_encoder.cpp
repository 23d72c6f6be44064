#include "engine/mp3_temp_encoder.h"

#include <algorithm>
#include <new>
#include <unistd.h>

#include "engine/mp3_encoding.h"
#include "platform/locked_file.h"

Mp3TempEncoder::Mp3TempEncoder(std::shared_ptr<const EncoderPlugin> plugin, std::function<int()> recordQuality)
    : m_plugin(std::move(plugin))
    , m_recordQuality(std::move(recordQuality))
{
}

Mp3TempEncoder::~Mp3TempEncoder() { AbandonMp3Temp(); }

void Mp3TempEncoder::BeginMp3Temp(const QString& path, const platform::audio::PcmFormat& format)
{
    if (!m_plugin || !m_plugin->IsAvailable() || format.bitsPerSample != 16)
        return;
    AbandonMp3Temp();  // one recording, one file

    // Unbuffered: every encoded byte reaches the file before the plug-in
    // reopens it by name to write the information frame.
    m_mp3TempPath = platform::CreateLockedFile(path, m_mp3Temp, QIODevice::Unbuffered);
    if (m_mp3TempPath.isEmpty())
        return;

    const BeConfig config = EncoderConfig(format, BitrateOfQuality(m_recordQuality ? m_recordQuality() : 9));
    m_mp3TempBitrate = config.bitrate;
    uint32_t samplesPerChunk = 0;
    uint32_t outputBufferSize = 0;
    const BE_ERR result = m_plugin->beInitStream(&config, &samplesPerChunk, &outputBufferSize, &m_mp3Stream);
    if (result != BE_ERR_SUCCESSFUL || m_mp3Stream == 0) {
        m_mp3Stream = 0;
        AbandonMp3Temp();
        return;
    }

    if (m_mp3OutBufferSize < outputBufferSize) {
        m_mp3OutBuffer.reset();
        m_mp3OutBufferSize = 0;
        m_mp3OutBuffer.reset(new (std::nothrow) uint8_t[outputBufferSize]);
        if (!m_mp3OutBuffer) {
            AbandonMp3Temp();
            return;
        }
        m_mp3OutBufferSize = outputBufferSize;
    }
}

void Mp3TempEncoder::EncodeToMp3Temp(const uint8_t* data, uint32_t bytes)
{
    if (m_mp3Stream == 0)
        return;
    const uint32_t samples = bytes / 2;
    if (!EncodeIntoFile(*m_plugin, m_mp3Stream, data, samples, m_mp3OutBuffer.get(), m_mp3OutBufferSize, m_mp3Temp))
        AbandonMp3Temp();
}

void Mp3TempEncoder::SyncMp3Temp()
{
    if (m_mp3Temp.isOpen())
        ::fdatasync(m_mp3Temp.handle());
}

void Mp3TempEncoder::FinishMp3Temp()
{
    if (m_mp3Stream == 0)
        return;
    uint32_t produced = 0;
    if (m_plugin->beDeinitStream(m_mp3Stream, m_mp3OutBuffer.get(), &produced) != BE_ERR_SUCCESSFUL) {
        AbandonMp3Temp();
        return;
    }
    if (!WriteEncoded(m_mp3Temp, m_mp3OutBuffer.get(), std::min(produced, m_mp3OutBufferSize))) {
        AbandonMp3Temp();
        return;
    }
    m_plugin->beCloseStream(m_mp3Stream);
    // The tag functions rewrite the start of the file by name while it is
    // still open here; their results do not matter.
    const QByteArray name = QFile::encodeName(m_mp3TempPath);
    if (m_plugin->HasWriteInfoTag())
        m_plugin->beWriteInfoTag(m_mp3Stream, name.constData());
    else
        m_plugin->beWriteVBRHeader(name.constData());
    m_mp3Stream = 0;
    // The file is kept for saving, open and so locked: another instance's
    // start-up must not take it while the window holds the recording.
    m_mp3OutBuffer.reset();
    m_mp3OutBufferSize = 0;
}

void Mp3TempEncoder::AbandonMp3Temp()
{
    if (m_mp3Stream != 0)
        m_plugin->beCloseStream(m_mp3Stream);
    m_mp3Stream = 0;
    m_mp3OutBuffer.reset();
    m_mp3OutBufferSize = 0;
    // Removed before the lock goes with the close: the name is not ours after.
    if (m_mp3Temp.isOpen()) {
        platform::RemoveLockedFile(m_mp3TempPath, m_mp3Temp);
        m_mp3Temp.close();
    }
    m_mp3TempPath.clear();
}
