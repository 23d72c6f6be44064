#pragma once
// The recording's temporary WAVE file: a 44-byte header and the raw frames.
// Every write goes straight to the kernel (no buffering in the process), so a
// crash loses nothing that the engine was handed; the header's sizes are
// repaired at the next start from the file length.

#include <cstdint>
#include <QFile>
#include <QString>

#include "engine/wave_header.h"
#include "platform/audio/audio_types.h"

class RecordingFile {
public:
    // The header's sizes are 32-bit: the data must stay below 4 GiB minus the header.
    static constexpr uint64_t kMaxDataBytes = 0x100000000ull - WaveHeader::kSize;

    ~RecordingFile();

    // Creates the file (mode 0600, locked, never through a link) with the
    // header of an empty recording in `format`, at `path` or, when that name
    // is taken, at a numbered one beside it (path() tells); false leaves
    // nothing behind.
    bool Create(const QString& path, const platform::audio::PcmFormat& format);
    bool IsOpen() const { return m_wavTemp.isOpen(); }
    const QString& Path() const { return m_wavTempPath; }
    // Where to open the recording for reading: through this process's own
    // handle, which still reaches it when its name was deleted from under it.
    QString ReadingPath() const;

    // 44 while open, else 0.
    uint32_t GetHeaderSize() const;
    // File length minus the header; 0 while closed.
    uint32_t GetDataLength() const;

    // Takes the sizes from the file length and writes the whole header in its
    // three pieces; the file position is 44 afterwards.
    bool WriteWaveHeader();
    bool UpdateHeaderSizes();
    // Refreshes the header's sizes and hands everything to the disk
    // (fdatasync); the write position stays where it was.
    bool SyncToDisk();

    // Where the next write goes, in data bytes.
    bool SeekToData(uint64_t dataOffset);
    uint64_t DataOffset() const;
    // Writes at the current position; returns the bytes that reached the file.
    uint64_t Write(const uint8_t* data, uint64_t bytes);
    // Reads at `dataOffset`; returns the bytes read, -1 when the read failed.
    int64_t ReadAt(uint64_t dataOffset, uint8_t* into, uint64_t bytes);
    // Drops everything after the first `dataBytes` bytes of data and writes
    // the header for the new length.
    bool TruncateData(uint64_t dataBytes);
    // Cuts a frame that a failed write left half-written.
    bool TrimToWholeFrames();

    // Closes the file (if open) and deletes it.
    void CloseAndRemove();

    QString ErrorString() const { return m_wavTemp.errorString(); }

private:
    QFile m_wavTemp;
    QString m_wavTempPath;
    WaveHeader m_header;
};

// A write past the file-size limit must fail with EFBIG instead of killing the
// process with SIGXFSZ. Process-wide; idempotent.
void IgnoreFileSizeSignal();
