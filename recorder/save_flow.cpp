#include "recorder/save_flow.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QThread>

#include "engine/recording_engine.h"
#include "platform/paths.h"
#include "resources/strings.h"

namespace {

QString WithoutTrailingSeparators(QString folder)
{
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}

bool EndsWithWav(const QString& path) { return path.right(3).compare(QLatin1String("wav"), Qt::CaseInsensitive) == 0; }

}  // namespace

SaveFlow::SaveFlow(RecordingEngine& engine, SavePrompts& prompts, std::shared_ptr<const EncoderPlugin> plugin,
                   QObject* parent)
    : QObject(parent)
    , m_engine(engine)
    , m_prompts(prompts)
    , m_exporter(std::move(plugin))
    , m_clock([] { return QDateTime::currentDateTime(); })
    , m_sleep([](int ms) { QThread::msleep(ulong(ms)); })
{
    connect(&m_engine, &RecordingEngine::AudioRecorded, this, [this] { m_saved = false; });
}

QString SaveFlow::SaveFileName(const QDateTime& when)
{
    const QDate d = when.date();
    const QTime t = when.time();
    return QString::asprintf("%04d-%02d-%02d %02dh%02dm%02ds", d.year(), d.month(), d.day(), t.hour(), t.minute(),
                             t.second());
}

bool SaveFlow::MayDropTake()
{
    if (m_engine.GetDataLength() == 0 || m_saved)
        return true;
    switch (m_prompts.Ask(resources::IDS_ASK_SAVE_CHANGES)) {
    case Answer::Cancel:
        return false;
    case Answer::Yes:
        OnSave();
        return m_saved;  // false when the save failed or its dialog was cancelled
    case Answer::No:
        m_saved = true;
        return true;
    }
    return false;
}

void SaveFlow::OnSave()
{
    // From here until the end the take stands still and the window's
    // commands are refused, also while the dialogs let events through.
    if (!m_engine.BeginExport())
        return;
    m_prompts.TakeControlValues();

    const auto chosen = ChooseTarget(SaveFileName(m_clock()), m_exporter.CanEncodeMp3(m_engine.Format()));
    if (!chosen) {
        m_engine.EndExport();
        return;
    }

    m_prompts.ShowSavingLabel(true);
    m_prompts.SetWaitCursor(true);
    const ExportResult result = Write(chosen->first, chosen->second);

    // Still Saving while the cursor goes back: the clicks and close requests
    // that waited for the save are dropped then, not carried out.
    if (result.status != ExportStatus::Saved) {
        m_prompts.SetWaitCursor(false);
        m_prompts.ShowSavingLabel(false);
        m_engine.EndExport();
        if (result.status == ExportStatus::Failed)
            m_prompts.ShowError(resources::IDS_SAVE_FAILED);
        return;
    }
    m_prompts.ShowSavingLabel(false);
    m_prompts.SetWaitCursor(false);
    m_engine.EndExport();
    m_saved = true;
    m_savedFiles.append(result.path);
    emit RecordingSaved(result.path);
}

ExportResult SaveFlow::Write(const ExportTarget& target, ExportFormat format)
{
    if (format == ExportFormat::Wave)
        m_sleep(kWaveCopyDelayMs);

    // The progress dialog appears once encoding begins (a copy needs none),
    // and its Cancel becomes the exporter's cancel flag.
    std::unique_ptr<ProgressReporter> progress;
    bool started = false;
    std::atomic<bool> cancel = false;
    int mark = 0;
    auto onProgress = [&](int percent) {
        if (!started) {
            started = true;
            progress = m_prompts.CreateProgress(resources::IDS_COMPRESSING_TITLE);
            if (progress)
                progress->SetRange(0, 100);
            return;
        }
        if (!progress)
            return;
        if (progress->CheckCancel()) {
            cancel = true;
            return;
        }
        progress->SetPos(percent);
        while (progress->GetPos() >= mark) {
            m_sleep(kPacingStepMs);
            mark += 10;
        }
    };
    const ExportResult result =
        m_exporter.Export(m_engine.ExportSource(), target, format, m_prompts.RecordQuality(), onProgress, cancel);
    progress.reset();  // closes the display and enables the window again
    return result;
}

std::optional<std::pair<ExportTarget, ExportFormat>> SaveFlow::ChooseTarget(const QString& name, bool canEncodeMp3)
{
    const QString folder = WithoutTrailingSeparators(m_prompts.RecordFolder());
    const bool mp3Chosen = canEncodeMp3 && m_prompts.EncodeMethod() == 0;
    const bool folderIsDirectory = !folder.isEmpty() && QFileInfo(folder).isDir();

    // Without the user's word no file is replaced: a second save within the
    // same second, here or in another instance, gets a numbered name.
    if (folderIsDirectory && !m_prompts.AskForRenaming())
        return std::pair{ExportTarget{platform::JoinPath(folder, name),
                                      mp3Chosen ? QStringLiteral(".mp3") : QStringLiteral(".wav"), false},
                         mp3Chosen ? ExportFormat::Mp3 : ExportFormat::Wave};

    const std::optional<QString> chosen =
        m_prompts.ChooseSavePath(mp3Chosen ? QStringLiteral("mp3") : QStringLiteral("wav"),
                                 mp3Chosen ? QCoreApplication::translate("SaveFlow", "MP3 File (*.mp3)")
                                           : QCoreApplication::translate("SaveFlow", "WAVE File (*.wav)"),
                                 folderIsDirectory ? platform::JoinPath(folder, name) : name);
    if (!chosen || chosen->isEmpty())
        return std::nullopt;

    // Here the extension the user typed decides the format.
    QString path = *chosen;
    const QString extension = QFileInfo(path).suffix();
    if (extension.compare(QLatin1String("wav"), Qt::CaseInsensitive) != 0 &&
        extension.compare(QLatin1String("mp3"), Qt::CaseInsensitive) != 0)
        path += QStringLiteral(".mp3");
    if (!canEncodeMp3)
        path = path.left(path.size() - 3) + QStringLiteral("wav");
    // The dialog asked about the name it returned, not about this one.
    const QFileInfo existing(path);
    const bool taken = existing.exists() || existing.isSymLink();
    if (path != *chosen && taken && !m_prompts.ConfirmReplace(path))
        return std::nullopt;
    // Only a file the user agreed to replace is replaced; a name that is
    // taken after the question gets a number.
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    return std::pair{ExportTarget{path.left(dot), path.mid(dot), taken},
                     EndsWithWav(path) ? ExportFormat::Wave : ExportFormat::Mp3};
}
