// The playlist at its limit: 5000 files of a few seconds (half WAVE, half
// MP3, half of those without an Info frame) listed in a list file, read and
// loaded to the last result. Reports the time to the last result against the
// decoder library opening and measuring the same files on its own and against
// `soxi -s`, the peak resident memory and the most descriptors open.

#include "../support/run_command.h"
#include "playlist/list_file.h"
#include "playlist/playlist_model.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr double kMaxResidentMiB = 150;
constexpr int kMaxDescriptors = 64;
constexpr double kMaxLoaderOverhead = 0.25;

bool Run(const std::vector<std::string>& command) { return bench::RunCommand(command); }

// A line of /proc/self/status in KiB (VmRSS, VmHWM).
long StatusKiB(const char* key)
{
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word) {
        if (word == key) {
            long kib = 0;
            status >> kib;
            return kib;
        }
    }
    return 0;
}

int OpenDescriptors()
{
    int count = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator("/proc/self/fd"))
        ++count;
    return count - 1;  // the iterator's own
}

// The most descriptors seen open while it runs, sampled every half
// millisecond; the descriptor limit below is the hard proof.
class DescriptorWatch {
public:
    DescriptorWatch()
        : m_thread([this] {
            while (!m_stop) {
                m_most = std::max(m_most.load(), OpenDescriptors());
                std::this_thread::sleep_for(std::chrono::microseconds(500));
            }
        })
    {
    }
    int Stop()
    {
        m_stop = true;
        m_thread.join();
        return m_most;
    }

private:
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_most{0};
    std::thread m_thread;
};

struct Kind {
    const char* name;
    std::vector<std::string> make;  // {src} and {out} replaced
    int copies;
};

}  // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    char pattern[] = "/tmp/quillon-playlist-bench.XXXXXX";
    if (!::mkdtemp(pattern)) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path dir(pattern);

    // A few distinct sources of 2 to 6 seconds, copied up to 5000 files.
    const std::vector<Kind> kinds = {
        {"wave", {"sox", "{src}", "{out}"}, 2500},
        {"mp3", {"lame", "--quiet", "-b", "128", "{src}", "{out}"}, 1250},
        {"mp3-no-info", {"lame", "--quiet", "-t", "-b", "128", "{src}", "{out}"}, 1250},
    };
    constexpr int kSources = 5;
    std::vector<std::string> files;
    for (int s = 0; s < kSources; ++s) {
        const std::string source = (dir / ("source-" + std::to_string(s) + ".wav")).string();
        const std::string seconds = std::to_string(2 + s);
        if (!Run({"sox", "-r", "44100", "-c", "2", "-n", "-b", "16", source, "synth", seconds, "pinknoise", "vol",
                  "0.5"})) {
            std::fprintf(stderr, "sox failed\n");
            return 1;
        }
    }
    for (const Kind& kind : kinds) {
        const std::string extension = kind.make[0] == "sox" ? ".wav" : ".mp3";
        std::vector<std::string> made;
        for (int s = 0; s < kSources; ++s) {
            const std::string out = (dir / (std::string(kind.name) + "-" + std::to_string(s) + extension)).string();
            std::vector<std::string> command;
            for (const std::string& part : kind.make)
                command.push_back(part == "{src}"       ? (dir / ("source-" + std::to_string(s) + ".wav")).string()
                                      : part == "{out}" ? out
                                                        : part);
            if (!Run(command)) {
                std::fprintf(stderr, "making %s failed\n", out.c_str());
                return 1;
            }
            made.push_back(out);
        }
        const fs::path folder = dir / kind.name;
        fs::create_directory(folder);
        for (int c = 0; c < kind.copies; ++c) {
            const std::string name = (folder / (std::to_string(c) + extension)).string();
            fs::copy_file(made[size_t(c) % made.size()], name);
            files.push_back(name);
        }
    }

    std::vector<playlist::ListEntry> entries;
    for (const std::string& file : files)
        entries.push_back({file, 0, false});
    const auto listBytes = playlist::SerializeListFile(entries, 0);
    const std::string listFile = (dir / "Quillon.lst").string();
    std::ofstream(listFile, std::ios::binary)
        .write(reinterpret_cast<const char*>(listBytes.data()), std::streamsize(listBytes.size()));
    std::vector<std::string> warm = {"cat"};
    warm.insert(warm.end(), files.begin(), files.end());
    Run(warm);

    // The loader must manage within the descriptor budget: past it, opening
    // fails and the count of loaded items below shows it.
    const int descriptorsBefore = OpenDescriptors();
    const rlimit budget{rlim_t(kMaxDescriptors), rlim_t(kMaxDescriptors)};
    rlimit saved{};
    ::getrlimit(RLIMIT_NOFILE, &saved);

    // The machine is shared: loader and library take turns, and the best
    // round of each counts.
    constexpr int kRounds = 5;
    std::string loaderRounds, libraryRounds;
    int loaded = 0, failed = 0, libraryFailed = 0, mostDescriptors = 0;
    long residentLoadedKiB = 0, peakKiB = 0;
    double loaderMs = 1e300, libraryMs = 1e300;
    for (int round = 0; round < kRounds; ++round) {
        ::setrlimit(RLIMIT_NOFILE, &budget);
        {
            loaded = failed = 0;
            auto model = std::make_unique<playlist::PlaylistModel>();
            QEventLoop loop;
            QObject::connect(model.get(), &QAbstractItemModel::dataChanged, [&](const QModelIndex& first) {
                const playlist::PlaylistItem* item = model->Item(first.row());
                if (item->IsLoaded())
                    ++loaded;
                else if (item->IsFailed())
                    ++failed;
                if (loaded + failed == int(files.size()))
                    loop.quit();
            });
            DescriptorWatch watch;
            QElapsedTimer clock;
            clock.start();
            model->Initialize(QString::fromStdString(listFile));
            loop.exec();
            loaderMs = std::min(loaderMs, double(clock.nsecsElapsed()) / 1e6);
            loaderRounds += " " + std::to_string(int(double(clock.nsecsElapsed()) / 1e6));
            mostDescriptors = std::max(mostDescriptors, watch.Stop());
            if (round == 0) {
                residentLoadedKiB = StatusKiB("VmRSS:");
                peakKiB = StatusKiB("VmHWM:");
            }
        }
        ::setrlimit(RLIMIT_NOFILE, &saved);

        // The library on its own, on this thread, the streams kept open as
        // the list keeps them.
        QElapsedTimer clock;
        clock.start();
        std::vector<ZLDEC_HANDLE> handles;
        libraryFailed = 0;
        for (const std::string& file : files) {
            ZLDEC_HANDLE handle = 0;
            uint32_t frames = 0;
            if (ZLDec_OpenStream(&handle, file.c_str(), ZLDEC_INTERFACE_VERSION, ZLDEC_OPEN_PLAY) != ZLDEC_OK ||
                ZLDec_GetStreamLength(handle, &frames) != ZLDEC_OK || frames == 0)
                ++libraryFailed;
            else
                handles.push_back(handle);
        }
        libraryMs = std::min(libraryMs, double(clock.nsecsElapsed()) / 1e6);
        libraryRounds += " " + std::to_string(int(double(clock.nsecsElapsed()) / 1e6));
        for (ZLDEC_HANDLE handle : handles)
            ZLDec_CloseStream(handle);
    }

    std::vector<std::string> soxi = {"soxi", "-s"};
    soxi.insert(soxi.end(), files.begin(), files.end());
    QElapsedTimer soxiClock;
    soxiClock.start();
    const bool soxiRan = Run(soxi);
    const double soxiMs = double(soxiClock.nsecsElapsed()) / 1e6;
    fs::remove_all(dir);

    const double overhead = loaderMs / libraryMs - 1.0;
    const bool memoryOk = double(peakKiB) / 1024.0 <= kMaxResidentMiB;
    const bool descriptorsOk = mostDescriptors <= kMaxDescriptors && loaded == int(files.size());
    const bool timeOk = overhead <= kMaxLoaderOverhead;
    std::printf("%zu files (2500 WAVE, 1250 MP3 with and 1250 without an Info frame), %d loaded, %d failed\n",
                files.size(), loaded, failed);
    std::printf("list read and loaded to the last result: %8.1f ms (best of %d)\n", loaderMs, kRounds);
    std::printf("library alone, open + measure:          %8.1f ms (best of %d, %d failed)\n", libraryMs, kRounds,
                libraryFailed);
    std::printf("loader overhead over the library:       %+7.1f %%  (target <= %+.0f %%) %s\n", overhead * 100,
                kMaxLoaderOverhead * 100, timeOk ? "ok" : "MISSED");
    std::printf("rounds (ms): loader%s; library%s\n", loaderRounds.c_str(), libraryRounds.c_str());
    std::printf("soxi -s, same files:                    %8.1f ms%s\n", soxiMs, soxiRan ? "" : " (soxi failed)");
    std::printf("ratio loader / soxi:                    %8.2f\n", loaderMs / soxiMs);
    std::printf("resident memory of the first full list: peak %.1f MiB, loaded %.1f MiB (target <= %.0f MiB) %s\n",
                double(peakKiB) / 1024.0, double(residentLoadedKiB) / 1024.0, kMaxResidentMiB,
                memoryOk ? "ok" : "MISSED");
    std::printf("descriptors: most open %d (%d before loading), limit held at %d  (target <= %d) %s\n", mostDescriptors,
                descriptorsBefore, kMaxDescriptors, kMaxDescriptors, descriptorsOk ? "ok" : "MISSED");
    return memoryOk && descriptorsOk && timeOk && soxiRan ? 0 : 1;
}
