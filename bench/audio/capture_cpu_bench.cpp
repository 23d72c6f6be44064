// CPU time of capturing 60 s of 48 kHz 16-bit stereo through the audio layer
// (the engine's fifteen 6144-byte blocks, requeued as they come back), and of
// parecord capturing the same from the same source. Run by `make bench`
// against a private server (PULSE_SERVER).
#include <csignal>
#include <fcntl.h>
#include <cstdio>
#include <cstdlib>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include "platform/audio/pulse_backend.h"

extern char** environ;

using namespace platform::audio;

namespace {

constexpr int kSeconds = 60;
volatile uint32_t g_keepChecksum = 0;
const PcmFormat kFormat{48000, 16, 2};

double CpuSeconds(const rusage& r)
{
    return double(r.ru_utime.tv_sec + r.ru_stime.tv_sec) + double(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}

pid_t Spawn(std::vector<const char*> argv, const char* stdoutPath)
{
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, stdoutPath, O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, const_cast<char* const*>(argv.data()), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Stops a child and returns the CPU time it used.
double Finish(pid_t pid)
{
    kill(pid, SIGINT);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    return CpuSeconds(usage);
}

struct LayerResult {
    double cpu = 0;
    double capturedSeconds = 0;
    QString error;
};

LayerResult CaptureThroughTheLayer(QCoreApplication& app)
{
    LayerResult result;
    PulseBackend pulse;
    std::vector<std::vector<uint8_t>> memory(15, std::vector<uint8_t>(6144));
    std::vector<AudioBuffer> blocks(15);
    uint64_t bytes = 0;
    uint32_t checksum = 0;
    std::unique_ptr<CaptureStream> stream;
    bool stopped = false;
    CaptureCallbacks callbacks;
    callbacks.bufferDone = [&](AudioBuffer* b) {
        bytes += b->bytesRecorded;
        checksum += b->data[0];  // touch the data as a consumer would
        if (!stopped)
            stream->AddBuffer(b);
    };
    callbacks.stopped = [&] { app.quit(); };

    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    stream = pulse.OpenCapture(-1, kFormat, callbacks, &result.error);
    if (!stream)
        return result;
    for (size_t i = 0; i < blocks.size(); ++i) {
        blocks[i].data = memory[i].data();
        blocks[i].length = 6144;
        stream->AddBuffer(&blocks[i]);
    }
    stream->Start();
    QTimer::singleShot(kSeconds * 1000, [&] {
        stopped = true;
        stream->Stop();
    });
    app.exec();
    stream->Close();
    getrusage(RUSAGE_SELF, &after);
    result.cpu = CpuSeconds(after) - CpuSeconds(before);
    result.capturedSeconds = double(bytes) / kFormat.BytesPerSecond();
    g_keepChecksum = checksum;
    return result;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("PULSE_SERVER")) {
        std::printf("PULSE_SERVER is not set; run through `make bench`\n");
        return 1;
    }
    // The null sink renders in long blocks while nobody needs low latency,
    // and its monitor then starves; a silent low-latency stream keeps it
    // ticking like a sound card for both contestants.
    const pid_t keeper = Spawn({"pacat", "--playback", "--raw", "--latency-msec=10", "/dev/zero"}, "/dev/null");
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));

    std::printf("capturing %d s of %u Hz %u-bit stereo from the default source\n", kSeconds, kFormat.sampleRate,
                kFormat.bitsPerSample);
    std::fflush(stdout);
    const LayerResult layer = CaptureThroughTheLayer(app);
    if (!layer.error.isEmpty()) {
        std::printf("the audio layer could not open the source: %s\n", qPrintable(layer.error));
        Finish(keeper);
        return 1;
    }
    std::printf("audio layer:                 %6.3f s CPU, %.2f s captured\n", layer.cpu, layer.capturedSeconds);
    std::fflush(stdout);

    // parecord as it comes, and with the layer's 20 ms fragments, side by side.
    const char* formatArgs[] = {"--raw", "--format=s16le", "--rate=48000", "--channels=2"};
    const pid_t plain = Spawn({"parecord", formatArgs[0], formatArgs[1], formatArgs[2], formatArgs[3]}, "/dev/null");
    const pid_t short20 = Spawn(
        {"parecord", formatArgs[0], formatArgs[1], formatArgs[2], formatArgs[3], "--latency-msec=20"}, "/dev/null");
    if (plain < 0 || short20 < 0) {
        std::printf("parecord could not be started\n");
        Finish(keeper);
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::seconds(kSeconds));
    const double plainCpu = Finish(plain);
    const double shortCpu = Finish(short20);
    Finish(keeper);
    std::printf("parecord (server's latency): %6.3f s CPU\n", plainCpu);
    std::printf("parecord --latency-msec=20:  %6.3f s CPU\n", shortCpu);
    std::printf("ratio layer / parecord:        %.2f\n", plainCpu > 0 ? layer.cpu / plainCpu : 0.0);
    std::printf("ratio layer / parecord (20 ms): %.2f\n", shortCpu > 0 ? layer.cpu / shortCpu : 0.0);
    return layer.capturedSeconds > kSeconds - 1.0 ? 0 : 1;
}
