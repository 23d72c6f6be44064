#pragma once
// Small helpers shared by the tests: scratch folders, environment paths,
// running reference tools.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace testsupport {

// Folder of build/bin (program, libZLDecoder.so, libmpeg_encoder.so).
QString binDir();
// Root of the source tree.
QString sourceDir();
// build/screenshots, created on demand.
QString screenshotDir();

struct ToolResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};
// Runs a reference tool (sox, lame, mpg123, pactl ...) and waits for it.
ToolResult runTool(const QString& program, const QStringList& args, int timeoutMs = 60000);

// Writes bytes to a file, creating folders; returns false on failure.
bool writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);
// Threads of this process now, to show that nothing was left running.
int threadCount();

}  // namespace testsupport
