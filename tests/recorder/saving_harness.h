#pragma once
// The world around a save: the engine on the fake audio back end, views that
// answer with plain members, the real encoder plug-in (or a stand-in), private
// temporary and save folders, and the reference tools that judge the files.

#include <optional>

#include <QDir>
#include <QStringList>
#include <QTemporaryDir>

#include "engine/encoder_shim.h"
#include "engine/encoder_plugin.h"
#include "engine/engine_fixture.h"
#include "engine/mp3_temp_encoder.h"
#include "engine/recording_engine.h"
#include "platform/audio/fake_backend.h"
#include "support/scoped_state.h"
#include "recorder/save_flow.h"
#include "support/test_support.h"

namespace savingtest {

// Rows of the format list.
inline constexpr int kMono8k8Bit = 0, kMono44k8Bit = 20, kStereo44k16Bit = 23, kMono48k16Bit = 25, kStereo48k16Bit = 27;
inline const QString kClockName = QStringLiteral("2008-03-05 14h07m09s");

inline QString RealPluginFolder() { return testsupport::BinDir(); }
// "counting", "without_info_tag", "without_version"
inline QString ShimFolder(const char* variant) { return QStringLiteral(QUILLON_SHIM_ROOT "/") + variant; }
ShimState* LoadedShim(const char* variant);  // null unless some code holds it loaded
bool EncoderLibraryLoaded();                 // a library of the plug-in's name is in this process

struct ProgressLog {
    int created = 0;
    std::function<void()> duringCheck;  // what the user does while the display runs
    std::vector<int> positions;
};

struct FakeProgress : ProgressReporter {
    explicit FakeProgress(ProgressLog& log)
        : log(log)
    {
        ++log.created;
    }
    void SetRange(int, int) override {}
    int SetPos(int p) override { return log.positions.push_back(p), std::exchange(pos, p); }
    int GetPos() const override { return pos; }
    bool CheckCancel() override
    {
        if (log.duringCheck)
            log.duringCheck();
        return false;
    }
    ProgressLog& log;
    int pos = 0;
};

class FakeSaveView : public SavePrompts {
public:
    QString folder;
    int method = 0;  // MP3
    bool rename = false;
    int quality = 10;  // 128 kbit/s
    std::optional<QString> dialogAnswer;
    QStringList dialogCalls;  // "extension|filter|initial name"
    ProgressLog progress;
    std::vector<int> errors, questions;
    std::deque<Answer> answers;  // scripted replies to Ask(); Cancel when none are left
    int labelShows = 0;
    bool labelShown = false, waitCursor = false;

    void TakeControlValues() override {}
    QString RecordFolder() const override { return folder; }
    int EncodeMethod() const override { return method; }
    bool AskForRenaming() const override { return rename; }
    int RecordQuality() const override { return quality; }
    std::optional<QString> ChooseSavePath(const QString& ext, const QString& filter, const QString& initial) override
    {
        dialogCalls << ext + "|" + filter + "|" + initial;
        return dialogAnswer;
    }
    bool ConfirmReplace(const QString&) override { return false; }
    void ShowSavingLabel(bool shown) override
    {
        labelShows += shown;
        labelShown = shown;
    }
    void SetWaitCursor(bool wait) override { waitCursor = wait; }
    // The saving label was shown `shows` times and is gone, the cursor normal again.
    bool ShownAndRestored(int shows) const { return labelShows == shows && !labelShown && !waitCursor; }
    void ShowError(resources::StringId id) override { errors.push_back(id); }
    std::unique_ptr<ProgressReporter> CreateProgress(resources::StringId) override
    {
        return std::make_unique<FakeProgress>(progress);
    }
    Answer Ask(resources::StringId id) override
    {
        questions.push_back(id);
        const Answer a = answers.empty() ? Answer::Cancel : answers.front();
        if (!answers.empty())
            answers.pop_front();
        return a;
    }
};

// One recorder with its engine, MP3 side and save flow.
class SavingSession {
    // First, so that they go last: the engine is gone before its folders.
    QTemporaryDir m_temp, m_saves;
    testsupport::ScopedEnv m_tmpDir{"TMPDIR", m_temp.path()};
    testsupport::ScopedEnv m_stateHome{"XDG_STATE_HOME", m_temp.path() + "/state"};

public:
    enum class Audio { Fake, Server };
    // `pluginFolder` empty: no plug-in anywhere. Audio::Server records from
    // the sound server's default source instead of the fake back end.
    explicit SavingSession(const QString& pluginFolder, Audio audio = Audio::Fake);
    // What was recorded on the fake input plays on the sound server.
    void PlayOnTheServer() { m_fakeAudio.reset(); }

    // Starts (or resumes) recording, captures `frames` of a tone, stops.
    void Record(int formatRow, double frequency, uint32_t frames)
    {
        StartRecording(formatRow);
        Capture(frequency, frames);
        StopRecording();
    }
    void StartRecording(int formatRow)
    {
        engineView.formatRow = formatRow, engine->Record(engineView.device, RecordFormats::Format(formatRow));
    }
    void Capture(double frequency, uint32_t frames);
    void StopRecording();
    void SaveAt(int second);  // OnSave with the clock at 14:07:<second>
    // New recording as the window runs it: the question, then the take goes.
    void NewRecording()
    {
        const EngineState state = engine->State();
        if ((state == EngineState::Empty || state == EngineState::Stopped) && saver->MayDropTake())
            engine->DiscardTake();
    }

    uint32_t Frames() const { return engine->GetDataLength() / engine->Format().BlockAlign(); }
    // Where the takes in progress live.
    QString TempFolder() const { return m_temp.path() + "/state/tessaly/Quillon"; }
    QString SaveFolder() const { return m_saves.path(); }
    QString Saved(const QString& name) const { return m_saves.filePath(name); }
    QStringList SavedFiles() const { return QDir(SaveFolder()).entryList(QDir::Files); }
    QStringList Mp3TempFiles() const
    {
        return QDir(TempFolder()).entryList({"*.mp3"}, QDir::AllEntries | QDir::NoDotAndDotDot);
    }
    QString Mp3TempPath() { return engine->GetMp3Side().Mp3TempPath(); }
    QString WavTempPath() { return engine->GetRecordingFile().Path(); }

    platform::audio::FakeBackend backend;
    std::optional<testsupport::ScopedBackend> m_fakeAudio;
    enginetest::EngineReports engineView;
    FakeSaveView saveView;  // answers Cancel unless told otherwise
    std::shared_ptr<EncoderPlugin> plugin;
    std::unique_ptr<RecordingEngine> engine;
    std::unique_ptr<SaveFlow> saver;
    QStringList added;  // what reached the playlist
    std::vector<int> sleeps;
};

// mpg123 decodes the file to the recording's length, rate and channels, at
// one bit rate throughout, with the tone at its frequency.
void ExpectMp3Holds(const QString& path, uint32_t frames, int rate, int channels, int kbps, double tone);
// soxi reads the WAVE file as the recording, and its header matches its size.
void ExpectWaveHolds(const QString& path, uint32_t frames, int rate, int channels, int bits);

}  // namespace savingtest
