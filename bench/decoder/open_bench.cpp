// The playlist's loader opens and measures every file of the list; this
// times that over a mixed set of about 300 files (constant and variable bit
// rate MP3 with and without an Info frame, with and without tags, MP2,
// WAVE) and compares it with `soxi -s` reading the lengths of the same files
// (exact for us; soxi estimates an MP3 without Info frame from its size).

#include "../support/run_command.h"
#include <zldecoder.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kCopiesOfEach = 17;
constexpr int kRounds = 7;

bool Run(const std::vector<std::string>& command, bool quiet = true) { return bench::RunCommand(command, quiet); }

struct Variant {
    const char* name;
    std::vector<std::string> command;  // {in} and {out} are replaced
};

std::vector<std::string> Expand(const std::vector<std::string>& pattern, const std::string& in, const std::string& out)
{
    std::vector<std::string> command;
    for (const std::string& part : pattern)
        command.push_back(part == "{in}" ? in : part.rfind("{out}", 0) == 0 ? out + part.substr(5) : part);
    return command;
}

long ResidentKiB()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

double MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int main()
{
    char pattern[] = "/tmp/quillon-decoder-bench.XXXXXX";
    if (!::mkdtemp(pattern)) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path dir(pattern);

    const std::vector<Variant> variants = {
        {"cbr", {"lame", "--quiet", "-b", "128", "{in}", "{out}.mp3"}},
        {"cbr-tagged",
         {"lame", "--quiet", "-b", "192", "--add-id3v2", "--tt", "Title", "--ta", "Artist", "{in}", "{out}.mp3"}},
        {"cbr-no-info", {"lame", "--quiet", "-t", "-b", "128", "{in}", "{out}.mp3"}},
        {"vbr-no-info", {"lame", "--quiet", "-t", "-V", "4", "{in}", "{out}.mp3"}},
        {"vbr", {"lame", "--quiet", "-V", "2", "{in}", "{out}.mp3"}},
        {"vbr-tagged", {"lame", "--quiet", "-V", "5", "--id3v1-only", "--tt", "Title", "{in}", "{out}.mp3"}},
        {"mp2", {"sox", "{in}", "-C", "192", "{out}.mp2"}},
        {"wave", {"sox", "{in}", "{out}.wav"}},
        {"wave8", {"sox", "{in}", "-b", "8", "-c", "1", "{out}.wav"}},
    };
    std::vector<std::string> files;
    std::vector<size_t> kindOf;  // index into variants
    for (const char* seconds : {"30", "150"}) {
        const std::string source = (dir / (std::string("source-") + seconds + ".wav")).string();
        if (!Run({"sox", "-r", "44100", "-c", "2", "-n", "-b", "16", source, "synth", seconds, "pinknoise", "vol",
                  "0.5"})) {
            std::fprintf(stderr, "sox failed\n");
            return 1;
        }
        for (const Variant& v : variants) {
            const std::string base = (dir / (std::string(v.name) + "-" + seconds)).string();
            if (!Run(Expand(v.command, source, base))) {
                std::fprintf(stderr, "making %s failed\n", base.c_str());
                return 1;
            }
            const std::string made = v.command.back() == "{out}.mp3" ? base + ".mp3"
                : v.command.back() == "{out}.mp2"                    ? base + ".mp2"
                                                                     : base + ".wav";
            for (int copy = 0; copy < kCopiesOfEach; ++copy) {
                const std::string name = base + "-" + std::to_string(copy) + fs::path(made).extension().string();
                fs::copy_file(made, name);
                files.push_back(name);
                kindOf.push_back(size_t(&v - variants.data()));
            }
        }
        fs::remove(source);
    }
    // Both sides read from the page cache.
    std::vector<std::string> warm = {"cat"};
    warm.insert(warm.end(), files.begin(), files.end());
    Run(warm);

    // Both sides in turns, several rounds: on a busy machine the best round
    // of each is the fairest comparison.
    std::vector<double> libraryRounds, soxiRounds, perKind(variants.size());
    uint64_t totalFrames = 0;
    double residentPerStream = 0;
    std::vector<std::string> soxi = {"soxi", "-s"};
    soxi.insert(soxi.end(), files.begin(), files.end());
    for (int round = 0; round < kRounds; ++round) {
        const long residentBefore = ResidentKiB();
        const auto started = Clock::now();
        std::vector<ZLDEC_HANDLE> handles(files.size());
        std::vector<double> kindTimes(variants.size());
        totalFrames = 0;
        for (size_t i = 0; i < files.size(); ++i) {
            const auto fileStarted = Clock::now();
            const ZLWaveFormat* format = nullptr;
            uint32_t frames = 0;
            if (ZLDec_OpenStream(&handles[i], files[i].c_str(), ZLDEC_INTERFACE_VERSION, ZLDEC_OPEN_PLAY) != ZLDEC_OK ||
                ZLDec_GetStreamLength(handles[i], &frames) != ZLDEC_OK ||
                ZLDec_GetStreamFormat(handles[i], &format) != ZLDEC_OK) {
                std::fprintf(stderr, "cannot open %s\n", files[i].c_str());
                return 1;
            }
            totalFrames += frames;
            kindTimes[kindOf[i]] += MillisecondsSince(fileStarted);
        }
        if (round == 0)  // later rounds reuse what the first one freed
            residentPerStream = double(ResidentKiB() - residentBefore) / double(files.size());
        for (const ZLDEC_HANDLE handle : handles)
            ZLDec_CloseStream(handle);
        libraryRounds.push_back(MillisecondsSince(started));
        if (libraryRounds.back() == *std::min_element(libraryRounds.begin(), libraryRounds.end()))
            perKind = kindTimes;

        const auto soxiStarted = Clock::now();
        if (!Run(soxi)) {
            std::fprintf(stderr, "soxi failed\n");
            return 1;
        }
        soxiRounds.push_back(MillisecondsSince(soxiStarted));
    }
    const double library = *std::min_element(libraryRounds.begin(), libraryRounds.end());
    const double reference = *std::min_element(soxiRounds.begin(), soxiRounds.end());

    std::printf("%zu files (%zu kinds x 2 lengths x %d copies), %.1f hours of audio; best of %d rounds\n", files.size(),
                variants.size(), kCopiesOfEach, double(totalFrames) / 44100.0 / 3600.0, kRounds);
    std::printf("ZLDecoder open + measure + close: %7.1f ms (%.3f ms a file)\n", library,
                library / double(files.size()));
    std::printf("soxi -s, same files:              %7.1f ms\n", reference);
    std::printf("ratio ZLDecoder / soxi:           %7.2f\n", library / reference);
    for (size_t k = 0; k < variants.size(); ++k)
        std::printf("  %-12s %6.3f ms a file\n", variants[k].name, perKind[k] / (2.0 * kCopiesOfEach));
    std::printf("memory of the open streams: about %.1f KiB a stream\n", residentPerStream);
    fs::remove_all(dir);
    return 0;
}
