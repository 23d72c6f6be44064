#pragma once
// The MP3 temporary file of a recording: every captured block is encoded as
// it arrives, so that saving at the same quality is a plain copy. Any failure
// of the plug-in or the file gives the file up silently; capture goes on and a
// later MP3 save encodes from the WAVE data instead.

#include <cstdint>
#include <functional>
#include <memory>
#include <QFile>
#include <QString>

#include "engine/encoder_plugin.h"
#include "engine/mp3_side.h"

class Mp3TempEncoder final : public Mp3Side {
public:
    // `recordQuality` reads the quality setting (0..15) when a recording starts.
    Mp3TempEncoder(std::shared_ptr<const EncoderPlugin> plugin, std::function<int()> recordQuality);
    ~Mp3TempEncoder() override;

    QString Mp3TempPath() const override { return m_mp3TempPath; }
    uint32_t Mp3TempBitrate() const override { return m_mp3TempBitrate; }

    void BeginMp3Temp(const QString& path, const platform::audio::PcmFormat& format) override;
    void EncodeToMp3Temp(const uint8_t* data, uint32_t bytes) override;
    void SyncMp3Temp() override;
    void FinishMp3Temp() override;
    void DiscardMp3Temp() override { AbandonMp3Temp(); }

    // Closes the stream without flushing, deletes the file, empties the path.
    void AbandonMp3Temp();

    bool IsEncoding() const { return m_mp3Stream != 0; }

private:
    std::shared_ptr<const EncoderPlugin> m_plugin;
    std::function<int()> m_recordQuality;

    QFile m_mp3Temp;
    QString m_mp3TempPath;
    HBE_STREAM m_mp3Stream = 0;
    std::unique_ptr<uint8_t[]> m_mp3OutBuffer;
    uint32_t m_mp3OutBufferSize = 0;
    uint32_t m_mp3TempBitrate = 128;
};
