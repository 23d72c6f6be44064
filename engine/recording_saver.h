#pragma once
// Saving and partial clearing of the recording. A save names the file from
// the clock, puts it into the record folder or asks for a name, and writes a
// copy of the temporary WAVE file or an MP3 file: a copy of the MP3 temporary
// file when it was encoded at the current quality, else encoded now under a
// progress display. Saved files go to the playlist through the view.
//
// The saver installs itself as the engine's save handler, so the Yes answer of
// the new-recording question saves as well. Construct it after the engine and
// destroy it before (the window declares it after the engine).

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include "engine/encoder_plugin.h"
#include "engine/recording_engine.h"
#include "engine/save_view.h"
#include "platform/replacing_file.h"

class RecordingSaver {
public:
    // The encoder reads the recording in blocks of this size (whole frames).
    static constexpr uint32_t kReadBlockSize = 204800;
    // The WAVE copy waits this long first; the progress display is paced at
    // one step of this many ms per tenth of the job, so it is seen even for
    // short recordings.
    static constexpr int kWaveCopyDelayMs = 300;
    static constexpr int kPacingStepMs = 60;

    using Clock = std::function<QDateTime()>;
    using Sleep = std::function<void(int milliseconds)>;

    // `plugin` may be null or unbound: every save then writes WAVE.
    RecordingSaver(RecordingEngine& engine, SaveView& view, std::shared_ptr<const EncoderPlugin> plugin);
    ~RecordingSaver();
    RecordingSaver(const RecordingSaver&) = delete;
    RecordingSaver& operator=(const RecordingSaver&) = delete;

    // Save button 1116 and the Yes of the new-recording question. Marks the
    // recording saved on success only.
    void OnSave();
    // Writes the recording as MP3 to `path`; true when the file is complete.
    // `cancelled` is set when the user cancelled in the progress display.
    // On false a file that was at `path` is as it was, and nothing else is left.
    bool CompressToMp3(const QString& path, bool& cancelled);
    // Partial-clear button 1124: drops everything after the position.
    void OnClearAfterPosition();

    // "2008-03-05 14h07m09s" for 5 March 2008, 14:07:09.
    static QString SaveFileName(const QDateTime& when);

    // Every file saved so far, oldest first.
    const QStringList& savedFiles() const { return m_savedFiles; }

    // Tests and the benchmark: the local time of a save, and the waits.
    void SetClock(Clock clock) { m_clock = std::move(clock); }
    void SetSleep(Sleep sleep) { m_sleep = std::move(sleep); }

private:
    // Where a save goes: `stem` + `extension`, replacing a file there only
    // when the user agreed, else under the next free number.
    struct Target {
        QString stem, extension;
        bool mayReplace;
    };
    // MP3 can be written at all: plug-in bound, 16-bit recording.
    bool CanEncodeMp3() const;
    // The target of a save; nothing when the user cancelled the dialog.
    std::optional<Target> ChooseTarget(const QString& name);
    bool SaveAsWave(platform::ReplacingFile& out);
    bool CompressToMp3(platform::ReplacingFile& out, bool& cancelled);
    // `path` leads to the temporary WAVE or MP3 file of the recording.
    bool IsRecordingsOwnFile(const QString& path);

    RecordingEngine& m_engine;
    SaveView& m_view;
    std::shared_ptr<const EncoderPlugin> m_plugin;
    Clock m_clock;
    Sleep m_sleep;
    std::vector<uint8_t> m_readBuffer;
    QStringList m_savedFiles;
};
