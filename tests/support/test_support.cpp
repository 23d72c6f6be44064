#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace testsupport {

static QString EnvPath(const char* name, const QString& fallback)
{
    const QByteArray v = qgetenv(name);
    return v.isEmpty() ? fallback : QString::fromLocal8Bit(v);
}

QString BinDir() { return EnvPath("QUILLON_BIN_DIR", QDir::currentPath()); }
QString SourceDir() { return EnvPath("QUILLON_SOURCE_DIR", QDir::currentPath()); }

QString SoundServer() { return EnvPath("QUILLON_SOUND_SERVER", QStringLiteral("pulseaudio")); }

QString SoundServerScript()
{
    return SourceDir() + (OnPipeWire() ? "/scripts/pipewire-server.sh" : "/scripts/pulse-server.sh");
}

QString ScreenshotDir()
{
    const QString dir = EnvPath("QUILLON_SCREENSHOT_DIR", QDir::temp().filePath("quillon-screenshots"));
    QDir().mkpath(dir);
    return dir;
}

ToolResult RunTool(const QString& program, const QStringList& args, int timeoutMs)
{
    ToolResult r;
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted(10000)) {
        r.err = "could not start " + program.toLocal8Bit();
        return r;
    }
    p.closeWriteChannel();
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.err = "timed out: " + program.toLocal8Bit();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(bytes) == bytes.size();
}

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

double SoxStat(const QStringList& args, const QString& name)
{
    const ToolResult r = RunTool("sox", args);
    const QRegularExpression re(QRegularExpression::escape(name) + R"(\s*:\s*(-?[0-9.]+))");
    const auto m = re.match(QString::fromLocal8Bit(r.err));
    if (!m.hasMatch()) {
        ADD_FAILURE() << "sox " << args.join(' ').toStdString() << "\n" << r.err.toStdString();
        return -1;
    }
    return m.captured(1).toDouble();
}

int ThreadCount()
{
    return int(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

QStringList ExportedSymbols(const QString& library)
{
    const ToolResult nm = RunTool("nm", {"-D", "--defined-only", "--format=just-symbols", library});
    EXPECT_EQ(nm.exitCode, 0) << nm.err.toStdString();
    QStringList names = QString::fromLatin1(nm.out).split('\n', Qt::SkipEmptyParts);
    names.sort();
    return names;
}

}  // namespace testsupport

void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }
