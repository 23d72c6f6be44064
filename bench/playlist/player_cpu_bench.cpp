// CPU time of playing a 60-second 44.1 kHz stereo MP3 through the playlist
// player into the default sink, and of `mpg123 -o pulse` playing the same
// file to the same server at the same time. Run by `make bench` against a private server
// (PULSE_SERVER). Target: player / mpg123 <= 1.0.
#include <cstdio>
#include <map>
#include <unistd.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include "playlist/playlist_item.h"
#include "playlist/playlist_player.h"

extern char** environ;

namespace {

constexpr int kSeconds = 60;

double CpuSeconds(const rusage& r)
{
    return double(r.ru_utime.tv_sec + r.ru_stime.tv_sec) + double(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}

bool Run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(600000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::printf("%s failed: %s\n", qPrintable(program), p.readAllStandardError().constData());
        return false;
    }
    return true;
}

// A minute of a chord with a slow tremolo, so the encoder has real work.
bool MakeMp3(const QString& wave, const QString& mp3)
{
    return Run("sox",
               {"-n",   "-r",  "44100", "-c",  "2",    "-b",  "16",    wave,    "synth", QString::number(kSeconds),
                "sine", "220", "sine",  "277", "sine", "330", "remix", "1,2,3", "1,2,3", "tremolo",
                "3",    "40",  "vol",   "0.3"}) &&
        Run("lame", {"--quiet", "-b", "128", wave, mp3});
}

// The item as the loader leaves it: stream open, length and format taken.
std::unique_ptr<playlist::PlaylistItem> LoadItem(const QString& path)
{
    auto item = std::make_unique<playlist::PlaylistItem>();
    item->path = QFile::encodeName(path).toStdString();
    if (item->stream.Open(path) != 0)
        return nullptr;
    item->length = item->stream.Length();
    item->format = item->stream.Format();
    return item->length > 0 && item->format ? std::move(item) : nullptr;
}

// CPU seconds of each thread of this process by name (the main thread, and
// the sound server connection's "sound-io"), so that a slow figure says where the time went.
std::map<QString, double> ThreadCpu()
{
    std::map<QString, double> cpu;
    const double tick = double(sysconf(_SC_CLK_TCK));
    for (const QString& tid : QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat("/proc/self/task/" + tid + "/stat");
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QString line = QString::fromLatin1(stat.readAll());
        const auto open = line.indexOf('('), close = line.lastIndexOf(')');
        const QStringList fields = line.mid(close + 2).split(' ');
        if (open < 0 || close < 0 || fields.size() < 13)
            continue;
        cpu[line.mid(open + 1, close - open - 1)] += (fields[11].toDouble() + fields[12].toDouble()) / tick;
    }
    return cpu;
}

class BenchHost : public playlist::PlayerHost {
public:
    bool IsLoopPlaying() const override { return false; }
    void ShowStatus(const QString&) override {}
    void ShowPlayError(resources::StringId stringId) override { error = stringId; }
    void InvalidateList() override {}
    QString ItemTitle(const playlist::PlaylistItem&) const override { return {}; }
    bool FileChanged(const playlist::PlaylistItem&) const override { return false; }
    bool ReloadItem(playlist::PlaylistItem&) override { return false; }
    int error = 0;
};

// Plays the file through the player; returns the CPU seconds of the whole
// process (the sound server's client thread included), or -1.
double PlayThroughThePlayer(QApplication& app, const QString& mp3, double& playedSeconds)
{
    auto item = LoadItem(mp3);
    if (!item) {
        std::printf("the decoder library could not open %s\n", qPrintable(mp3));
        return -1;
    }
    BenchHost host;
    playlist::PlaylistPlayer player(host);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (player.PlaySlots().empty())
            app.quit();
    });
    QElapsedTimer wall;
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    wall.start();
    if (!player.StartItem(item.get(), true)) {
        std::printf("the player refused the item: string %d\n", host.error);
        return -1;
    }
    poll.start(250);
    app.exec();
    getrusage(RUSAGE_SELF, &after);
    playedSeconds = wall.elapsed() / 1000.0;
    for (const auto& [name, seconds] : ThreadCpu())
        std::printf("  thread %-16s %6.2f s CPU (whole life)\n", qPrintable(name), seconds);
    return CpuSeconds(after) - CpuSeconds(before);
}

// Starts `mpg123 -o pulse` on the file; it plays beside the player, so that
// both meet the same load on the machine.
pid_t StartMpg123(const QString& mp3)
{
    const QByteArray path = mp3.toLocal8Bit();
    std::vector<const char*> argv = {"mpg123", "-q", "-o", "pulse", path.constData(), nullptr};
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, const_cast<char* const*>(argv.data()), environ) != 0)
        return -1;
    return pid;
}

// Its CPU seconds once it ended, or -1.
double WaitForMpg123(pid_t pid, const QElapsedTimer& wall, double& playedSeconds)
{
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    playedSeconds = wall.elapsed() / 1000.0;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? CpuSeconds(usage) : -1;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("PULSE_SERVER")) {
        std::printf("PULSE_SERVER is not set; run through `make bench`\n");
        return 1;
    }
    QTemporaryDir dir;
    const QString mp3 = dir.filePath("minute.mp3");
    if (!MakeMp3(dir.filePath("minute.wav"), mp3))
        return 1;
    std::printf("playing %d s of 44.1 kHz stereo MP3 (128 kbit/s) into the default sink\n", kSeconds);
    std::fflush(stdout);

    double playerWall = 0, mpg123Wall = 0;
    QElapsedTimer mpg123Clock;
    mpg123Clock.start();
    const pid_t mpg123 = StartMpg123(mp3);
    const double player = PlayThroughThePlayer(app, mp3, playerWall);
    const double reference = mpg123 > 0 ? WaitForMpg123(mpg123, mpg123Clock, mpg123Wall) : -1;
    if (player < 0)
        return 1;
    std::printf("playlist player: %6.3f s CPU over %.1f s\n", player, playerWall);
    if (reference <= 0) {
        std::printf("mpg123 -o pulse could not play the file\n");
        return 1;
    }
    std::printf("mpg123 -o pulse: %6.3f s CPU over %.1f s\n", reference, mpg123Wall);
    const double ratio = player / reference;
    std::printf("RATIO playlist player / mpg123 -o pulse:              %.2f (target <= 1.00)\n", ratio);
    return playerWall > kSeconds - 1 ? 0 : 1;
}
