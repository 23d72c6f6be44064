// CPU time per minute of recording at 48 kHz, 16-bit stereo: the recorder
// window on the offscreen platform recording through its engine (capture
// stream, file writes, readouts, waveform view) against `parecord` writing the same WAVE file from the
// same source. Both run in real time, at the same time, while a tone plays
// into the default sink.
//
//   QUILLON_BENCH_SECONDS  seconds of recording (default 20)

#include <chrono>
#include <cstdio>
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

// Runs the event loop as the program does, without polling.
void Spin(double seconds)
{
    QEventLoop loop;
    QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
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

    const QString toneFile = dir.filePath("tone.wav");
    QProcess::execute("sox", {"-n", "-r", "48000", "-c", "2", "-b", "16", toneFile, "synth",
                              QString::number(seconds * 2 + 10), "sine", "1000", "vol", "0.5"});
    QProcess tone;
    tone.start("paplay", {"--latency-msec=20", toneFile});
    if (!tone.waitForStarted()) {
        std::fprintf(stderr, "paplay did not start\n");
        return 1;
    }
    Spin(3.0);  // until the null sink's monitor runs in real time

    // The engine and parecord record the same source over the same seconds,
    // so that both meet the same load on the machine.
    QSettings settings(dir.filePath("Quillon.conf"), QSettings::IniFormat);
    SettingsStore store(&settings);
    RecorderDialog window(store);
    window.show();
    window.controlAs<QComboBox>(1266)->setCurrentIndex(-1);  // the default source
    window.controlAs<QComboBox>(1217)->setCurrentIndex(27);  // 48000 Hz, 16 bits, stereo
    RecordingEngine& engine = window.engine();
    QProcess rec;
    rec.start("parecord", {"--rate=48000", "--channels=2", "--format=s16le", "--file-format=wav",
                           dir.filePath("parecord.wav")});
    if (!rec.waitForStarted()) {
        std::fprintf(stderr, "parecord did not start\n");
        return 1;
    }
    Spin(1.0);  // parecord's own start-up is not counted; the engine's is
    const double parecordBefore = ProcessCpuSeconds(rec.processId());
    const double before = ProcessCpuSeconds(getpid());
    const double othersBefore = OtherThreadsCpuSeconds();
    window.controlAs<QAbstractButton>(1127)->click();
    if (!engine.IsRecording()) {
        std::fprintf(stderr, "the engine could not record\n");
        return 1;
    }
    Spin(seconds);
    const double parecordCpu = ProcessCpuSeconds(rec.processId()) - parecordBefore;
    window.controlAs<QAbstractButton>(1022)->click();
    while (engine.IsRecording())
        Spin(0.01);
    const double engineCpu = ProcessCpuSeconds(getpid()) - before;
    const double othersCpu = OtherThreadsCpuSeconds() - othersBefore;
    const double engineAudio = double(engine.GetDataLength()) / 192000.0;
    rec.terminate();
    rec.waitForFinished();
    tone.kill();
    tone.waitForFinished();
    // Both record in real time: parecord captured as many seconds as passed.
    const double parecordAudio = seconds;

    const double enginePerMinute = engineCpu / engineAudio * 60.0;
    const double parecordPerMinute = parecordCpu / parecordAudio * 60.0;
    std::printf("recorded %.1f s through the engine and %.1f s with parecord at the same time"
                " (48000 Hz, 16-bit, stereo)\n", engineAudio, parecordAudio);
    std::printf("recorder window:           %8.1f ms CPU per minute of recording\n", enginePerMinute * 1000);
    std::printf("  of which other threads:  %8.1f ms\n", othersCpu / engineAudio * 60.0 * 1000);
    std::printf("parecord:                  %8.1f ms CPU per minute of recording\n", parecordPerMinute * 1000);
    std::printf("ratio engine / parecord:   %8.2f\n", enginePerMinute / parecordPerMinute);
    return 0;
}
