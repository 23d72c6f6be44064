#pragma once
// Writes a take into a file of its own, as WAVE (a copy of the take's file)
// or as MP3 (a copy of the MP3 temporary file when it was encoded at the bit
// rate asked for, else encoded now). No user interface: whoever runs it shows
// the progress it reports and sets the cancel flag.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>
#include <QString>

#include "engine/encoder_plugin.h"
#include "platform/audio/audio_types.h"

namespace platform {
class ReplacingFile;
}

// What a take is made of on disk.
struct TakeSource {
    bool available = false;   // the take's file is open
    QString wavePath;         // its name in the takes folder
    QString waveReadingPath;  // where it reads, even if the name was deleted
    uint32_t headerSize = 0;
    platform::audio::PcmFormat format;
    QString mp3TempPath;  // empty: none to copy
    uint32_t mp3TempBitrate = 0;
};

// Where an export goes: `stem` + `extension`. An existing file there is
// replaced only when `mayReplace`; otherwise the export takes the next free
// numbered name (" 2", " 3" …).
struct ExportTarget {
    QString stem, extension;
    bool mayReplace = false;
};

enum class ExportFormat { Wave, Mp3 };

enum class ExportStatus {
    Saved,
    Failed,     // nothing is left at the target; the cause is logged
    Cancelled,  // the cancel flag was seen; nothing is left at the target
};

struct ExportResult {
    ExportStatus status = ExportStatus::Failed;
    QString path;  // the file written, when Saved
};

class TakeExporter {
public:
    // The encoder reads the take in blocks of this size (whole frames).
    static constexpr uint32_t kReadBlockSize = 204800;

    // Called with 0 when encoding begins (a copy reports nothing), then with
    // the share done in per cent after every block; the cancel flag is read
    // right after each call.
    using Progress = std::function<void(int percent)>;

    // `plugin` may be null or unbound: MP3 cannot be written then.
    explicit TakeExporter(std::shared_ptr<const EncoderPlugin> plugin);

    // MP3 can be written for a take in `format`: plug-in bound, 16 bits.
    bool CanEncodeMp3(const platform::audio::PcmFormat& format) const;

    // `quality` 0..15 picks the MP3 bit rate.
    ExportResult Export(const TakeSource& source, const ExportTarget& target, ExportFormat format, int quality,
                        const Progress& progress, const std::atomic<bool>& cancel);

private:
    bool CopyWave(const TakeSource& source, platform::ReplacingFile& out);
    bool EncodeMp3(const TakeSource& source, uint32_t bitrate, platform::ReplacingFile& out, const Progress& progress,
                   const std::atomic<bool>& cancel, bool& cancelled);

    std::shared_ptr<const EncoderPlugin> m_plugin;
    std::vector<uint8_t> m_readBuffer;
};
