// CPU time per minute of recording at 48 kHz, 16-bit stereo: the recorder
// window on the offscreen platform recording through its engine (capture
// stream, file writes, readouts, waveform view), in two takes. The first
// also encodes the MP3 temporary file, as the program does when the plug-in
// is found, against `parecord | lame` with the same settings; the second
// writes the WAVE file alone, against `parecord` writing the same WAVE file;
// a third take writes the WAVE file alone without the two-second syncs (the
// writer's seam turns them off), so that their cost shows. Both sides run in
// real time, at the same time, from the same source, while a tone plays into
// the default sink. Targets: WAVE <= 1.1x parecord, MP3 <= 0.8x parecord | lame.
// The sound library's own thread and the wake-ups of both sides are shown
// apart: the server's pace sets both sides' floor.
//
//   QUILLON_BENCH_SECONDS  seconds of recording (default 20)

#include <chrono>
#include <cstdio>
#include <dlfcn.h>
#include <thread>
#include <unistd.h>
#include <QFile>
#include <QFileInfo>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QTimer>
#include <QAbstractButton>
#include <QComboBox>
#include <QSettings>
#include <QProcess>
#include <QTemporaryDir>

#include "settings/settings_store.h"
#include "engine/recording_engine.h"
#include "recorder/dialog_template.h"
#include "recorder/recorder_dialog.h"

namespace {

// Time on a CPU so far, from the scheduler's own count in nanoseconds (the
// tick-sampled user and system times are too coarse for a process that runs
// in short bursts).
double ScheduledSeconds(const QString& schedstat)
{
    QFile f(schedstat);
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    return double(f.readAll().split(' ').value(0).toLongLong()) / 1e9;
}

// All threads of process `pid` but `exceptThread`.
double ProcessCpuSeconds(qint64 pid, qint64 exceptThread = 0)
{
    double total = 0;
    const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
    for (const QString& task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        if (task.toLongLong() != exceptThread)
            total += ScheduledSeconds(tasks + QLatin1Char('/') + task + QStringLiteral("/schedstat"));
    return total;
}

// The sound server connection's thread, mostly.
double OtherThreadsCpuSeconds() { return ProcessCpuSeconds(getpid(), gettid()); }

// Time on a CPU and wake-ups of the threads of `pid` named `name`, or of all.
struct ThreadUse {
    double seconds = 0;
    qint64 wakeups = 0;
};

ThreadUse UseOf(qint64 pid, const QByteArray& name = {})
{
    ThreadUse use;
    const QString tasks = QStringLiteral("/proc/%1/task/").arg(pid);
    for (const QString& task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks + task + QStringLiteral("/comm"));
        if (!name.isEmpty() && (!comm.open(QIODevice::ReadOnly) || comm.readAll().trimmed() != name))
            continue;
        use.seconds += ScheduledSeconds(tasks + task + QStringLiteral("/schedstat"));
        QFile status(tasks + task + QStringLiteral("/status"));
        if (status.open(QIODevice::ReadOnly))
            for (const QByteArray& line : status.readAll().split('\n'))
                if (line.startsWith("voluntary_ctxt_switches:"))
                    use.wakeups += line.mid(24).trimmed().toLongLong();
    }
    return use;
}

// Runs the event loop as the program does, without polling.
void Spin(double seconds)
{
    QEventLoop loop;
    QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

struct Phase {
    double enginePerMinute = 0, othersPerMinute = 0, referencePerMinute = 0, engineAudio = 0;
    // The sound library's thread alone, and wake-ups a second of both sides.
    double soundThreadPerMinute = 0, soundWakeups = 0, engineWakeups = 0, referenceWakeups = 0;
    bool ok = false;
};

// One take through the window while `reference` (a command line, maybe a
// pipe of two) records the same source; the CPU time of every process of
// the reference counts.
Phase RecordSideBySide(RecorderDialog& window, const QStringList& parecordArgs, const QStringList& encoderArgs,
                       double seconds)
{
    Phase phase;
    RecordingEngine& engine = window.Engine();
    QProcess rec, encoder;
    if (!encoderArgs.isEmpty()) {
        rec.setStandardOutputProcess(&encoder);
        encoder.start(encoderArgs.first(), encoderArgs.mid(1));
        if (!encoder.waitForStarted()) {
            std::fprintf(stderr, "%s did not start\n", qPrintable(encoderArgs.first()));
            return phase;
        }
    }
    rec.start("parecord", parecordArgs);
    if (!rec.waitForStarted()) {
        std::fprintf(stderr, "parecord did not start\n");
        return phase;
    }
    const auto referenceCpu = [&] {
        return ProcessCpuSeconds(rec.processId()) +
            (encoderArgs.isEmpty() ? 0 : ProcessCpuSeconds(encoder.processId()));
    };
    Spin(1.0);  // the reference's own start-up is not counted; the engine's is
    const double referenceBefore = referenceCpu();
    const double before = ProcessCpuSeconds(getpid());
    const double othersBefore = OtherThreadsCpuSeconds();
    const ThreadUse soundBefore = UseOf(getpid(), "sound-io"), engineBefore = UseOf(getpid()),
                    referenceBeforeUse = UseOf(rec.processId());
    window.ControlAs<QAbstractButton>(RecorderControl::Record)->click();
    if (!engine.IsRecording()) {
        std::fprintf(stderr, "the engine could not record\n");
        return phase;
    }
    Spin(seconds);
    const double reference = referenceCpu() - referenceBefore;
    phase.referenceWakeups = double(UseOf(rec.processId()).wakeups - referenceBeforeUse.wakeups) / seconds;
    window.ControlAs<QAbstractButton>(RecorderControl::Stop)->click();
    while (engine.IsRecording())
        Spin(0.01);
    const double engineCpu = ProcessCpuSeconds(getpid()) - before;
    const double othersCpu = OtherThreadsCpuSeconds() - othersBefore;
    const ThreadUse soundAfter = UseOf(getpid(), "sound-io"), engineAfter = UseOf(getpid());
    phase.engineAudio = double(engine.GetDataLength()) / 192000.0;
    rec.terminate();
    rec.waitForFinished();
    encoder.closeWriteChannel();
    encoder.waitForFinished();
    // The reference records in real time: it captured as many seconds as passed.
    phase.enginePerMinute = engineCpu / phase.engineAudio * 60.0;
    phase.othersPerMinute = othersCpu / phase.engineAudio * 60.0;
    phase.soundThreadPerMinute = (soundAfter.seconds - soundBefore.seconds) / phase.engineAudio * 60.0;
    phase.engineWakeups = double(engineAfter.wakeups - engineBefore.wakeups) / phase.engineAudio;
    phase.soundWakeups = double(soundAfter.wakeups - soundBefore.wakeups) / phase.engineAudio;
    phase.referencePerMinute = reference / seconds * 60.0;
    phase.ok = phase.engineAudio > 0;
    return phase;
}

double Ratio(const Phase& p) { return p.referencePerMinute > 0 ? p.enginePerMinute / p.referencePerMinute : 0; }

void Report(const char* title, const char* referenceName, const Phase& p)
{
    std::printf("%s\n", title);
    std::printf("  recorder window:           %8.1f ms CPU per minute (%.1f s recorded)\n", p.enginePerMinute * 1000,
                p.engineAudio);
    std::printf("    of which other threads:  %8.1f ms\n", p.othersPerMinute * 1000);
    std::printf("    the sound library's:     %8.1f ms (wakes %.0f times a second)\n", p.soundThreadPerMinute * 1000,
                p.soundWakeups);
    std::printf("    wake-ups a second:       %8.0f\n", p.engineWakeups);
    std::printf("  %-26s %8.1f ms CPU per minute (parecord wakes %.0f times a second)\n", referenceName,
                p.referencePerMinute * 1000, p.referenceWakeups);
    std::printf("  ratio:                     %8.2f\n", Ratio(p));
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double seconds = qEnvironmentVariableIsSet("QUILLON_BENCH_SECONDS")
        ? qEnvironmentVariable("QUILLON_BENCH_SECONDS").toDouble()
        : 20.0;
    QTemporaryDir dir;
    qputenv("TMPDIR", dir.path().toLocal8Bit());
    // Takes in progress go to the state folder, on disk as a user's would be.
    qputenv("XDG_STATE_HOME", dir.filePath("state").toLocal8Bit());
    // The window looks for the plug-in beside the program, which is the
    // build's program folder, not this one: loaded from there, the window
    // finds it already loaded by its name.
    const QByteArray plugin = qgetenv("QUILLON_BIN_DIR") + "/libmpeg_encoder.so";
    if (!dlopen(plugin.constData(), RTLD_NOW | RTLD_GLOBAL))
        std::fprintf(stderr, "%s\n", dlerror());

    const QString toneFile = dir.filePath("tone.wav");
    QProcess::execute("sox",
                      {"-n", "-r", "48000", "-c", "2", "-b", "16", toneFile, "synth", QString::number(seconds * 4 + 20),
                       "sine", "1000", "vol", "0.5"});
    QProcess tone;
    tone.start("paplay", {"--latency-msec=20", toneFile});
    if (!tone.waitForStarted()) {
        std::fprintf(stderr, "paplay did not start\n");
        return 1;
    }
    Spin(3.0);  // until the null sink's monitor runs in real time

    // The engine and the reference record the same source over the same
    // seconds, so that both meet the same load on the machine.
    QSettings settings(dir.filePath("Quillon.conf"), QSettings::IniFormat);
    SettingsStore store(&settings);
    RecorderDialog window(store);
    window.show();
    window.ControlAs<QComboBox>(RecorderControl::DeviceList)->setCurrentIndex(-1);  // the default source
    window.ControlAs<QComboBox>(RecorderControl::FormatList)->setCurrentIndex(27);  // 48000 Hz, 16 bits, stereo
    const QStringList parecordToFile = {"--rate=48000", "--channels=2", "--format=s16le", "--file-format=wav",
                                        dir.filePath("parecord.wav")};
    const QStringList parecordToPipe = {"--rate=48000", "--channels=2", "--format=s16le", "--raw"};
    std::printf("recording 48000 Hz, 16-bit, stereo for %.0f s per take, side by side\n", seconds);

    // A 16-bit take is also encoded into the MP3 temporary file while it
    // records (when the plug-in is found), at the quality setting's rate
    // with the plug-in's high-quality preset (LAME -q 2): the fair
    // reference is parecord piped into lame with the same settings.
    const int kbps = 112;  // the default quality setting
    const Phase withMp3 =
        RecordSideBySide(window, parecordToPipe,
                         {"lame", "--quiet", "-r", "-s", "48", "--bitwidth", "16", "--signed", "--little-endian", "-m",
                          "j", "-q", "2", "-b", QString::number(kbps), "-", dir.filePath("lame.mp3")},
                         seconds);
    bool mp3 = false;
    for (const QFileInfo& temp :
         QDir(dir.filePath("state/tessaly/Quillon")).entryInfoList({"quillon_temp_*.mp3"}, QDir::Files))
        mp3 = mp3 || temp.size() > 0;
    window.Engine().DiscardTake();  // a new recording, nothing to save

    // The WAVE side alone, against parecord writing the same WAVE file.
    window.Engine().SetMp3Side(nullptr);
    const Phase waveOnly = RecordSideBySide(window, parecordToFile, {}, seconds);
    window.Engine().DiscardTake();

    // The same take once more with the syncs turned off: what they cost.
    window.Engine().GetTakeWriter().SetSyncsEnabled(false);
    const Phase unsynced = RecordSideBySide(window, parecordToFile, {}, seconds);
    window.Engine().GetTakeWriter().SetSyncsEnabled(true);
    tone.kill();
    tone.waitForFinished();

    if (mp3 && withMp3.ok)
        Report("with the MP3 temporary file (as the program records):", "parecord | lame -q 2:", withMp3);
    else
        std::printf("the MP3 plug-in was not found: no MP3 take\n");
    if (!waveOnly.ok || !unsynced.ok)
        return 1;
    Report("the WAVE file alone:", "parecord:", waveOnly);
    Report("the WAVE file alone, no syncs:", "parecord:", unsynced);
    std::printf("cost of the 2 s syncs:       %8.1f ms CPU per minute (ratio %.2f with, %.2f without)\n",
                (waveOnly.enginePerMinute - unsynced.enginePerMinute) * 1000, Ratio(waveOnly), Ratio(unsynced));
    std::printf("RATIO recording, WAVE file alone / parecord:          %.2f (target <= 1.10)\n", Ratio(waveOnly));
    if (mp3 && withMp3.ok)
        std::printf("RATIO recording with MP3 temp file / parecord | lame: %.2f (target <= 0.80)\n", Ratio(withMp3));
    return 0;
}
