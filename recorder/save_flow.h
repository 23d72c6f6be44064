#pragma once
// Saving as the user sees it: the name from the clock, the record folder or
// the save-file dialog, the saving label and wait cursor, the progress dialog
// with its Cancel, and the message when it fails. The take itself is written
// by the engine's exporter while the engine holds it still. A saved file is
// announced by recordingSaved, for the playlist.
//
// It also keeps whether the take was saved since audio last reached it, and
// asks the question before an unsaved take is dropped.

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>

#include "engine/take_exporter.h"
#include "recorder/save_prompts.h"

class RecordingEngine;

class SaveFlow : public QObject {
    Q_OBJECT
public:
    // The WAVE copy waits this long first; the progress display is paced at
    // one step of this many ms per tenth of the job, so it is seen even for
    // short recordings.
    static constexpr int kWaveCopyDelayMs = 300;
    static constexpr int kPacingStepMs = 60;

    using Clock = std::function<QDateTime()>;
    using Sleep = std::function<void(int milliseconds)>;

    // `plugin` may be null or unbound: every save then writes WAVE.
    SaveFlow(RecordingEngine& engine, SavePrompts& prompts, std::shared_ptr<const EncoderPlugin> plugin,
             QObject* parent = nullptr);

    // The Save button. Marks the take saved on success only.
    void OnSave();
    // Before the take is dropped: with unsaved audio asks whether to save the changes and
    // saves on Yes. True when the take may go (No, a done save, nothing
    // unsaved); false on Cancel or when the save did not happen.
    bool MayDropTake();
    bool IsSaved() const { return m_saved; }

    // "2008-03-05 14h07m09s" for 5 March 2008, 14:07:09.
    static QString SaveFileName(const QDateTime& when);
    // Every file saved so far, oldest first.
    const QStringList& SavedFiles() const { return m_savedFiles; }

    // Tests and the benchmark: the local time of a save, and the waits.
    void SetClock(Clock clock) { m_clock = std::move(clock); }
    void SetSleep(Sleep sleep) { m_sleep = std::move(sleep); }

signals:
    void RecordingSaved(const QString& path);

private:
    // The target and format of a save; nothing when the user cancelled the dialog.
    std::optional<std::pair<ExportTarget, ExportFormat>> ChooseTarget(const QString& name, bool canEncodeMp3);
    ExportResult Write(const ExportTarget& target, ExportFormat format);

    RecordingEngine& m_engine;
    SavePrompts& m_prompts;
    TakeExporter m_exporter;
    Clock m_clock;
    Sleep m_sleep;
    bool m_saved = false;
    QStringList m_savedFiles;
};
