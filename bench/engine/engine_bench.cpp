// CPU time per minute of recording at 48 kHz, 16-bit stereo: the whole engine
// (capture stream, file writes, readouts, waveform view painting on the
// offscreen platform) against `parecord` writing the same WAVE file from the
// same source. Both run in real time while a tone plays into the default sink.
//
//   QUILLON_BENCH_SECONDS  seconds of recording for each side (default 20)

#include <chrono>
#include <cstdio>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <QFile>
#include <QFileInfo>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QTimer>
#include <QLabel>
#include <QProcess>
#include <QSlider>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include "engine/recording_engine.h"
#include "recorder/waveform_view.h"

namespace {

double Seconds(const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; }

double CpuSeconds(int who)
{
    rusage u{};
    getrusage(who, &u);
    return Seconds(u.ru_utime) + Seconds(u.ru_stime);
}

// User and system time of another process so far.
double ProcessCpuSeconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray line = stat.readAll();
    // Fields after the command name in parentheses: state is field 3, utime 14, stime 15.
    const QList<QByteArray> f = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (f.size() < 13)
        return 0;
    return double(f[11].toLongLong() + f[12].toLongLong()) / double(sysconf(_SC_CLK_TCK));
}

// The part of the recorder window the engine talks to while recording.
class BenchWindow : public QWidget, public EngineView {
public:
    BenchWindow()
    {
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(&m_position);
        layout->addWidget(&m_wave);
        layout->addWidget(&m_length);
        layout->addWidget(&m_slider);
        m_slider.setOrientation(Qt::Horizontal);
        m_wave.setFixedSize(224, 54);
        resize(320, 200);
        show();
        m_wave.Initialize();
    }
    int selectedDevice() const override { return -1; }
    int selectedFormatRow() const override { return 27; }  // 48000 Hz, 16 bits, stereo
    void setPositionText(const QString& t) override { m_position.setText(t); }
    void setLengthText(const QString& t) override { m_length.setText(t); }
    void setPositionRange(uint32_t m) override { m_slider.setRange(0, int(m)); }
    void setPositionThumb(uint32_t p) override { m_slider.setValue(int(p)); }
    uint32_t positionThumb() const override { return uint32_t(m_slider.value()); }
    void setControlEnabled(int, bool) override {}
    void showError(int id) override { std::fprintf(stderr, "engine reported message %d\n", id); }
    Answer ask(int) override { return Answer::No; }
    WaveformTarget* waveform() override { return &m_wave; }

private:
    QLabel m_position, m_length;
    WaveformView m_wave;
    QSlider m_slider;
};

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

    // The engine.
    BenchWindow window;
    RecordingEngine engine(window);
    const double before = CpuSeconds(RUSAGE_SELF);
    engine.OnRecord();
    if (!engine.IsRecording()) {
        std::fprintf(stderr, "the engine could not record\n");
        return 1;
    }
    Spin(seconds);
    engine.OnStop();
    while (engine.IsRecording())
        Spin(0.01);
    const double engineCpu = CpuSeconds(RUSAGE_SELF) - before;
    const double engineAudio = double(engine.GetDataLength()) / 192000.0;

    // parecord, the same format from the same source into a WAVE file.
    QProcess rec;
    rec.start("parecord", {"--rate=48000", "--channels=2", "--format=s16le", "--file-format=wav",
                           dir.filePath("parecord.wav")});
    if (!rec.waitForStarted()) {
        std::fprintf(stderr, "parecord did not start\n");
        return 1;
    }
    Spin(seconds);
    const double parecordCpu = ProcessCpuSeconds(rec.processId());
    rec.terminate();
    rec.waitForFinished();
    tone.kill();
    tone.waitForFinished();
    const double parecordAudio = double(QFileInfo(dir.filePath("parecord.wav")).size() - 44) / 192000.0;

    const double enginePerMinute = engineCpu / engineAudio * 60.0;
    const double parecordPerMinute = parecordCpu / parecordAudio * 60.0;
    std::printf("recorded %.1f s through the engine, %.1f s with parecord (48000 Hz, 16-bit, stereo)\n",
                engineAudio, parecordAudio);
    std::printf("engine with waveform view: %8.1f ms CPU per minute of recording\n", enginePerMinute * 1000);
    std::printf("parecord:                  %8.1f ms CPU per minute of recording\n", parecordPerMinute * 1000);
    std::printf("ratio engine / parecord:   %8.2f\n", enginePerMinute / parecordPerMinute);
    return 0;
}
