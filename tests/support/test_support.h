#pragma once
// Small helpers shared by the tests: scratch folders, environment paths,
// running reference tools.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <ostream>

namespace testsupport {

// Folder of build/bin (program, libZLDecoder.so, libmpeg_encoder.so).
QString BinDir();
// Root of the source tree.
QString SourceDir();
// build/screenshots, created on demand.
QString ScreenshotDir();

struct ToolResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};
// The sound server a real-server test runs against: "pulseaudio" or
// "pipewire" (QUILLON_SOUND_SERVER, set by the harness).
QString SoundServer();
inline bool OnPipeWire() { return SoundServer() == QLatin1String("pipewire"); }
// The script that starts and stops a private server of that kind:
// `bash <script> start|stop DIR`, the server then at unix:DIR/native.
QString SoundServerScript();

// Runs a reference tool (sox, lame, mpg123, pactl ...) and waits for it.
ToolResult RunTool(const QString& program, const QStringList& args, int timeoutMs = 60000);

// One figure of `sox <args> stat`, which reports on standard error; -1 (and
// a test failure) when sox does not give it. Its rough frequency counts zero
// crossings per sample of all channels: mix stereo down first ("remix 1").
double SoxStat(const QStringList& args, const QString& name);

// Writes bytes to a file, creating folders; returns false on failure.
bool WriteFile(const QString& path, const QByteArray& bytes);
QByteArray ReadFile(const QString& path);
// Threads of this process now, to show that nothing was left running.
int ThreadCount();
// The names a shared library exports, sorted (from `nm -D`).
QStringList ExportedSymbols(const QString& library);

}  // namespace testsupport

// Readable failures: gtest finds this beside QString.
void PrintTo(const QString& text, std::ostream* os);
