#pragma once
// The desktop services' tests: the stand-in inhibitor on the test bus, and
// playerctl run while the window keeps answering the bus.

#include <gtest/gtest.h>

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include "support/pulse_test_support.h"
#include "support/test_support.h"

namespace desktoptest {

using audiotest::RunEventsFor;
using audiotest::RunEventsUntil;

// The stand-in inhibitor program, offering `services` while it lives.
class InhibitorStandIn {
public:
    explicit InhibitorStandIn(const QStringList& services)
    {
        m_log = m_dir.filePath("inhibitions.log");
        m_process.start(QStringLiteral(INHIBITOR_STANDIN), QStringList{m_log} + services);
        m_ready = RunEventsUntil(
                      [this] { return m_process.canReadLine() || m_process.state() == QProcess::NotRunning; }, 10000) &&
            m_process.readLine().trimmed() == "ready";
    }
    ~InhibitorStandIn()
    {
        m_process.terminate();
        m_process.waitForFinished(5000);
    }
    bool Ready() const { return m_ready; }
    QStringList Lines() const
    {
        return QString::fromUtf8(testsupport::ReadFile(m_log)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    // Runs events until the log holds `count` lines.
    QStringList WaitForLines(int count, int timeoutMs = 10000) const
    {
        RunEventsUntil([&] { return Lines().size() >= count; }, timeoutMs);
        return Lines();
    }

private:
    QTemporaryDir m_dir;
    QString m_log;
    QProcess m_process;
    bool m_ready = false;
};

struct PlayerctlResult {
    int exitCode = -1;
    QString out;
};

// playerctl against our player; the events run meanwhile, since the player
// answering it lives on this thread.
inline PlayerctlResult RunPlayerctl(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral("playerctl"), QStringList{QStringLiteral("--player=quillon")} + args);
    EXPECT_TRUE(p.waitForStarted(5000)) << "playerctl is installed by the project's dependencies";
    EXPECT_TRUE(RunEventsUntil([&] { return p.state() == QProcess::NotRunning; }, 15000))
        << args.join(' ').toStdString();
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()).trimmed()};
}

// Its output, for a command that must succeed.
inline QString Playerctl(const QStringList& args)
{
    const PlayerctlResult r = RunPlayerctl(args);
    EXPECT_EQ(r.exitCode, 0) << args.join(' ').toStdString();
    return r.out;
}

}  // namespace desktoptest
