#pragma once
// The world around a save: the engine on the fake audio back end, a window
// that answers with plain members, the real encoder plug-in (or a stand-in),
// a private temporary folder, and the reference tools that judge the files.

#include <memory>
#include <optional>
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <vector>

#include "encoder_shim.h"
#include "engine/encoder_plugin.h"
#include "engine/engine_view.h"
#include "engine/mp3_temp_encoder.h"
#include "engine/recording_engine.h"
#include "engine/recording_saver.h"
#include "engine/save_view.h"
#include "platform/audio/fake_backend.h"

namespace savingtest {

// Rows of the format list.
inline constexpr int kMono8k8Bit = 0;
inline constexpr int kMono8k16Bit = 1;
inline constexpr int kStereo22k16Bit = 15;
inline constexpr int kMono44k8Bit = 20;
inline constexpr int kStereo44k16Bit = 23;
inline constexpr int kMono48k16Bit = 25;
inline constexpr int kStereo48k16Bit = 27;

// Folders of the plug-ins: the real one (build/bin) and the stand-ins.
QString realPluginFolder();
QString shimFolder(const char* variant);  // "counting", "without_info_tag", ...
// The stand-in's state while some code holds it loaded; null otherwise.
ShimState* loadedShim(const char* variant);
// Whether a library of the plug-in's name is loaded in this process.
bool encoderLibraryLoaded();

class FakeEngineView : public EngineView {
public:
    int device = 0;  // -1: the default source
    int formatRow = kStereo44k16Bit;
    Answer answer = Answer::Cancel;
    std::vector<int> errors;
    std::vector<int> questions;
    QString lengthText;

    int selectedDevice() const override { return device; }
    int selectedFormatRow() const override { return formatRow; }
    void setPositionText(const QString&) override {}
    void setLengthText(const QString& text) override { lengthText = text; }
    void setPositionRange(uint32_t) override {}
    void setPositionThumb(uint32_t position) override { thumb = position; }
    uint32_t positionThumb() const override { return thumb; }
    void setControlEnabled(int, bool) override {}
    void showError(int id) override { errors.push_back(id); }
    Answer ask(int id) override
    {
        questions.push_back(id);
        return answer;
    }
    WaveformTarget* waveform() override { return nullptr; }

private:
    uint32_t thumb = 0;
};

struct ProgressLog {
    int created = 0;
    int destroyed = 0;
    std::vector<std::pair<int, int>> ranges;
    std::vector<int> positions;
    int checks = 0;
    int cancelAtCheck = 0;  // 1-based; 0 = never
};

class FakeProgress : public ProgressReporter {
public:
    explicit FakeProgress(ProgressLog& log) : m_log(log) { ++m_log.created; }
    ~FakeProgress() override { ++m_log.destroyed; }
    void SetRange(int low, int high) override { m_log.ranges.emplace_back(low, high); }
    int SetPos(int pos) override
    {
        m_log.positions.push_back(pos);
        return std::exchange(m_pos, pos);
    }
    int GetPos() const override { return m_pos; }
    bool CheckCancel() override { return ++m_log.checks == m_log.cancelAtCheck; }

private:
    ProgressLog& m_log;
    int m_pos = 0;
};

class FakeSaveView : public SaveView {
public:
    struct DialogCall {
        QString defaultExtension;
        QString filter;
        QString initialName;
    };

    QString folder;
    int method = 0;  // MP3
    bool rename = false;
    int quality = 10;  // 128 kbit/s
    std::optional<QString> dialogAnswer;
    std::vector<DialogCall> dialogCalls;
    bool progressAvailable = true;
    ProgressLog progress;
    std::vector<int> errors;
    QStringList added;
    QStringList events;  // label and cursor changes, in order
    int controlValueReads = 0;

    void takeControlValues() override { ++controlValueReads; }
    QString recordFolder() const override { return folder; }
    int encodeMethod() const override { return method; }
    bool askForRenaming() const override { return rename; }
    int recordQuality() const override { return quality; }
    std::optional<QString> chooseSavePath(const QString& ext, const QString& filter, const QString& initial) override
    {
        dialogCalls.push_back({ext, filter, initial});
        return dialogAnswer;
    }
    void showSavingLabel(bool shown) override { events << (shown ? "label shown" : "label hidden"); }
    void setWaitCursor(bool wait) override { events << (wait ? "wait cursor" : "normal cursor"); }
    void showError(int id) override { errors.push_back(id); }
    std::unique_ptr<ProgressReporter> createProgress(int titleId) override
    {
        progressTitles.push_back(titleId);
        if (!progressAvailable)
            return nullptr;
        return std::make_unique<FakeProgress>(progress);
    }
    void addRecording(const QString& path) override { added << path; }

    std::vector<int> progressTitles;
};

// One recorder with its engine, MP3 side and saver.
class SavingSession {
public:
    enum class Audio { Fake, Server };
    // `pluginFolder` empty: no plug-in anywhere. Audio::Server records from
    // the PulseAudio server's default source instead of the fake back end.
    explicit SavingSession(const QString& pluginFolder, Audio audio = Audio::Fake);
    ~SavingSession();

    // Starts (or resumes) recording, captures `frames` of a tone, stops.
    void Record(int formatRow, double frequency, uint32_t frames);
    void StartRecording(int formatRow);
    void Capture(double frequency, uint32_t frames);
    void StopRecording();

    QString tempFolder() const { return m_temp.path(); }
    QString saveFolder() const { return m_saves.path(); }
    QString mp3TempPath() { return engine->mp3Side().mp3TempPath(); }
    QString wavTempPath() { return engine->recordingFile().path(); }
    int totalSleepMs() const;

    platform::audio::FakeBackend backend;
    FakeEngineView engineView;
    FakeSaveView saveView;
    std::shared_ptr<EncoderPlugin> plugin;
    std::unique_ptr<RecordingEngine> engine;
    std::unique_ptr<RecordingSaver> saver;
    std::vector<int> sleeps;

private:
    QByteArray m_oldTmpDir;
    QTemporaryDir m_temp;
    QTemporaryDir m_saves;
};

// What the reference tools say about an MP3 file.
struct DecodedMp3 {
    bool ok = false;
    QString problem;
    int rate = 0;
    int channels = 0;
    int bitrateKbps = 0;          // of a constant bit rate stream, -1 for any other
    uint32_t frames = 0;          // decoded by mpg123, encoder delay and padding removed
    std::vector<int16_t> samples;  // interleaved
};
DecodedMp3 decodeMp3(const QString& path);

// What sox says about a WAVE file, and its samples.
struct WaveInfo {
    bool ok = false;
    int rate = 0;
    int channels = 0;
    int bits = 0;
    uint32_t frames = 0;
};
WaveInfo probeWave(const QString& path);

// The frequency of the strongest tone in channel 0, from its zero crossings.
double toneFrequency(const std::vector<int16_t>& interleaved, int channels, int rate);

QByteArray fileBytes(const QString& path);

}  // namespace savingtest
