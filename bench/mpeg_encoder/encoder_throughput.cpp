// Encodes one minute of generated 44.1 kHz 16-bit stereo music-like sound
// from a WAVE file through the plug-in, the way a save does (204800-byte
// reads, calls of at most outputBufferSize / 2 samples, no pacing), and the
// same file with the lame command line at the same settings. Reports both
// throughputs and their ratio from one run of each; the target is the
// plug-in within 10 % of lame. CPU time decides, wall time is shown.

#include "mpeg_encoder/mpeg_encoder.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <numbers>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr uint32_t kRate = 44100;
constexpr int kChannels = 2;
constexpr uint32_t kSeconds = 60;
constexpr uint32_t kKbps = 128;
constexpr size_t kReadBytes = 204800;
constexpr double kTarget = 0.90;

struct Timing {
    double wallSeconds = 0;
    double cpuSeconds = 0;
};

double Seconds(const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; }

double ProcessCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

void PutLittleEndian(std::vector<uint8_t>& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(uint8_t(value >> (8 * i)));
}

// Chords changing every half second with plucked envelopes, a bass line and a little noise.
bool WriteMusicLikeWave(const std::string& path)
{
    const uint32_t frames = kRate * kSeconds;
    const uint32_t dataBytes = frames * kChannels * 2;
    std::vector<uint8_t> file;
    file.reserve(44 + dataBytes);
    file.insert(file.end(), {'R', 'I', 'F', 'F'});
    PutLittleEndian(file, 36 + dataBytes, 4);
    file.insert(file.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    PutLittleEndian(file, 16, 4);
    PutLittleEndian(file, 1, 2);
    PutLittleEndian(file, kChannels, 2);
    PutLittleEndian(file, kRate, 4);
    PutLittleEndian(file, kRate * kChannels * 2, 4);
    PutLittleEndian(file, kChannels * 2, 2);
    PutLittleEndian(file, 16, 2);
    file.insert(file.end(), {'d', 'a', 't', 'a'});
    PutLittleEndian(file, dataBytes, 4);

    const double chords[4][3] = {
        {220.0, 277.2, 329.6}, {196.0, 246.9, 293.7}, {174.6, 220.0, 261.6}, {164.8, 207.7, 246.9}};
    std::mt19937 random(1);
    std::normal_distribution<double> noise(0.0, 0.01);
    const uint32_t beat = kRate / 2;
    for (uint32_t i = 0; i < frames; ++i) {
        const auto& chord = chords[(i / beat) % 4];
        const double t = double(i) / kRate;
        const double pluck = std::exp(-4.0 * double(i % beat) / kRate);
        for (int c = 0; c < kChannels; ++c) {
            double v = 0.5 * std::sin(2 * std::numbers::pi * chord[0] / 2 * t);
            for (int k = 0; k < 3; ++k) {
                const double f = chord[k] * (c == 0 ? 1.0 : 1.003);
                v += pluck *
                    (std::sin(2 * std::numbers::pi * f * t) + 0.4 * std::sin(4 * std::numbers::pi * f * t) +
                     0.2 * std::sin(6 * std::numbers::pi * f * t));
            }
            const double sample = std::clamp(0.15 * v + noise(random), -1.0, 1.0);
            PutLittleEndian(file, uint32_t(uint16_t(int16_t(std::lround(sample * 32767)))), 2);
        }
    }
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        return false;
    const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    return std::fclose(out) == 0 && written;
}

struct Plugin {
    BeInitStreamFunction initStream;
    BeEncodeChunkFunction encodeChunk;
    BeDeinitStreamFunction deinitStream;
    BeCloseStreamFunction closeStream;
    BeWriteInfoTagFunction writeInfoTag;
};

bool LoadPlugin(Plugin& p)
{
    const char* dir = std::getenv("QUILLON_BIN_DIR");
    const std::string path = std::string(dir && *dir ? dir : QUILLON_DEFAULT_BIN_DIR) + "/libmpeg_encoder.so";
    void* library = dlopen(path.c_str(), RTLD_NOW);
    if (!library) {
        std::fprintf(stderr, "cannot load %s: %s\n", path.c_str(), dlerror());
        return false;
    }
    p.initStream = reinterpret_cast<BeInitStreamFunction>(dlsym(library, "beInitStream"));
    p.encodeChunk = reinterpret_cast<BeEncodeChunkFunction>(dlsym(library, "beEncodeChunk"));
    p.deinitStream = reinterpret_cast<BeDeinitStreamFunction>(dlsym(library, "beDeinitStream"));
    p.closeStream = reinterpret_cast<BeCloseStreamFunction>(dlsym(library, "beCloseStream"));
    p.writeInfoTag = reinterpret_cast<BeWriteInfoTagFunction>(dlsym(library, "beWriteInfoTag"));
    return p.initStream && p.encodeChunk && p.deinitStream && p.closeStream && p.writeInfoTag;
}

// The save loop of the recorder, without its progress pacing.
bool EncodeWithPlugin(const Plugin& p, const std::string& wavePath, const std::string& mp3Path, Timing& timing)
{
    const auto wallStart = std::chrono::steady_clock::now();
    const double cpuStart = ProcessCpuSeconds();

    BeConfig config;
    std::memset(&config, 0, sizeof config);
    config.kind = BE_CONFIG_EXTENDED;
    config.version = BE_CONFIG_VERSION;
    config.size = BE_CONFIG_SIZE;
    config.sampleRate = kRate;
    config.mode = BE_MODE_STEREO;
    config.bitrate = kKbps;
    config.preset = BE_PRESET_HIGH_QUALITY;
    config.mpegVersion = 1;
    config.originalBit = 1;
    config.writeVbrHeader = 1;
    config.noBitReservoir = 1;
    config.quality = 10;

    FILE* wave = std::fopen(wavePath.c_str(), "rb");
    const int out = ::open(mp3Path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    uint32_t chunk = 0, bufferSize = 0;
    HBE_STREAM stream = 0;
    if (!wave || out < 0 || p.initStream(&config, &chunk, &bufferSize, &stream) != BE_ERR_SUCCESSFUL) {
        std::fprintf(stderr, "cannot start the plug-in encode\n");
        return false;
    }
    std::vector<uint8_t> output(bufferSize);
    static std::vector<int16_t> readBuffer(kReadBytes / 2);
    std::fseek(wave, 44, SEEK_SET);
    bool ok = true;
    for (;;) {
        const size_t samples = std::fread(readBuffer.data(), 2, readBuffer.size(), wave);
        if (samples == 0)
            break;
        for (size_t at = 0; at < samples && ok;) {
            const uint32_t n = uint32_t(std::min<size_t>(samples - at, bufferSize / 2));
            uint32_t produced = 0;
            ok = p.encodeChunk(stream, n, readBuffer.data() + at, output.data(), &produced) == BE_ERR_SUCCESSFUL &&
                ::write(out, output.data(), produced) == ssize_t(produced);
            at += n;
        }
        if (!ok)
            break;
    }
    uint32_t produced = 0;
    ok = ok && p.deinitStream(stream, output.data(), &produced) == BE_ERR_SUCCESSFUL &&
        ::write(out, output.data(), produced) == ssize_t(produced);
    p.closeStream(stream);
    ok = ok && p.writeInfoTag(stream, mp3Path.c_str()) == BE_ERR_SUCCESSFUL;
    ::close(out);
    std::fclose(wave);

    timing.cpuSeconds = ProcessCpuSeconds() - cpuStart;
    timing.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    return ok;
}

bool EncodeWithLame(const std::string& wavePath, const std::string& mp3Path, Timing& timing)
{
    // The plug-in's settings: plain stereo, constant 128 kbit/s, quality 2, no reservoir.
    const std::string kbps = std::to_string(kKbps);
    std::vector<std::string> args = {"lame",  "--quiet", "-m", "s",       "-b",     kbps,
                                     "--cbr", "-q",      "2",  "--nores", wavePath, mp3Path};
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    const auto wallStart = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, "lame", nullptr, nullptr, argv.data(), environ) != 0) {
        std::fprintf(stderr, "cannot start lame\n");
        return false;
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "lame failed\n");
        return false;
    }
    timing.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    timing.cpuSeconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    return true;
}

long FileSize(const std::string& path)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return -1;
    std::fseek(f, 0, SEEK_END);
    const long size = std::ftell(f);
    std::fclose(f);
    return size;
}

}  // namespace

int main()
{
    char folderTemplate[] = "/tmp/quillon-encoder-bench.XXXXXX";
    const char* folder = mkdtemp(folderTemplate);
    if (!folder)
        return 1;
    const std::string wavePath = std::string(folder) + "/music.wav";
    const std::string pluginPath = std::string(folder) + "/plugin.mp3";
    const std::string lamePath = std::string(folder) + "/lame.mp3";

    Plugin plugin{};
    Timing ours, lame;
    const bool ran = WriteMusicLikeWave(wavePath) && LoadPlugin(plugin) && EncodeWithLame(wavePath, lamePath, lame) &&
        EncodeWithPlugin(plugin, wavePath, pluginPath, ours);
    const long ourBytes = FileSize(pluginPath);
    const long lameBytes = FileSize(lamePath);
    for (const auto& path : {wavePath, pluginPath, lamePath})
        std::remove(path.c_str());
    rmdir(folder);
    if (!ran)
        return 1;

    const double audio = kSeconds;
    const double ratio = lame.cpuSeconds / ours.cpuSeconds;  // our throughput over lame's
    std::printf("MP3 encoder plug-in vs lame: %u s of %u Hz 16-bit stereo at %u kbit/s, one run each\n", kSeconds,
                kRate, kKbps);
    std::printf("  plug-in  cpu %6.3f s (%5.1fx real time)  wall %6.3f s  %ld bytes\n", ours.cpuSeconds,
                audio / ours.cpuSeconds, ours.wallSeconds, ourBytes);
    std::printf("  lame     cpu %6.3f s (%5.1fx real time)  wall %6.3f s  %ld bytes\n", lame.cpuSeconds,
                audio / lame.cpuSeconds, lame.wallSeconds, lameBytes);
    std::printf("  throughput ratio plug-in / lame: %.3f (cpu), %.3f (wall); target >= %.2f: %s\n", ratio,
                lame.wallSeconds / ours.wallSeconds, kTarget, ratio >= kTarget ? "met" : "MISSED");
    return ratio >= kTarget ? 0 : 1;
}
