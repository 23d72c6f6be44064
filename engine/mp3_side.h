#pragma once
// The seam where the MP3 temporary file joins a recording: the engine calls
// these at the points where a recording starts, grows, stops and is thrown
// away. Mp3TempEncoder (the encoder plug-in host) implements it; NoMp3Side
// stands in where no MP3 temporary file is wanted.

#include <cstdint>
#include <QString>

#include "platform/audio/audio_types.h"

class Mp3Side {
public:
    virtual ~Mp3Side() = default;
    // The finished MP3 temporary file, or empty when there is none to copy.
    virtual QString Mp3TempPath() const = 0;
    // The bit rate (kbit/s) that file was encoded with; 128 before any.
    virtual uint32_t Mp3TempBitrate() const { return 128; }
    // A new recording's capture device opened: start encoding into `path`
    // (16-bit formats only); on any failure there simply is no MP3 file.
    virtual void BeginMp3Temp(const QString& path, const platform::audio::PcmFormat& format) = 0;
    // Every captured block that was stored in the WAVE file.
    virtual void EncodeToMp3Temp(const uint8_t* data, uint32_t bytes) = 0;
    // Hands what was encoded so far to the disk (fdatasync).
    virtual void SyncMp3Temp() {}
    // The recording stopped: flush and close; the file stays for saving.
    virtual void FinishMp3Temp() = 0;
    // The file no longer matches the recording (resume, new recording,
    // release): close any stream without flushing, delete the file, empty path.
    virtual void DiscardMp3Temp() = 0;
};

class NoMp3Side final : public Mp3Side {
public:
    QString Mp3TempPath() const override { return {}; }
    void BeginMp3Temp(const QString&, const platform::audio::PcmFormat&) override {}
    void EncodeToMp3Temp(const uint8_t*, uint32_t) override {}
    void FinishMp3Temp() override {}
    void DiscardMp3Temp() override {}
};
