#pragma once
// The window with its desktop services, on the real sound server and the
// test bus, with its own settings and list file; the stand-in inhibitor on
// the bus, and playerctl run while the window keeps answering it.

#include <QProcess>
#include <memory>

#include "app/desktop_integration.h"
#include "controls/widget_test_helpers.h"
#include "recorder/window_fixture.h"
#include "support/pulse_test_support.h"

namespace desktoptest {

using audiotest::RunEventsFor;
using audiotest::RunEventsUntil;

// The stand-in inhibitor program, offering `services` while it lives.
class InhibitorStandIn {
public:
    explicit InhibitorStandIn(const QStringList& services)
    {
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
    const QString m_log = m_dir.filePath("inhibitions.log");
    QProcess m_process;
    bool m_ready = false;
};

// playerctl against our player; the events run meanwhile, since the player
// answering it lives on this thread.
inline testsupport::ToolResult RunPlayerctl(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral("playerctl"), QStringList{QStringLiteral("--player=quillon")} + args);
    EXPECT_TRUE(p.waitForStarted(5000)) << "playerctl is installed by the project's dependencies";
    EXPECT_TRUE(RunEventsUntil([&] { return p.state() == QProcess::NotRunning; }, 15000))
        << args.join(' ').toStdString();
    return {p.exitCode(), p.readAllStandardOutput().trimmed(), {}};
}

// Its output, for a command that must succeed.
inline QString Playerctl(const QStringList& args)
{
    const auto r = RunPlayerctl(args);
    EXPECT_EQ(r.exitCode, 0) << args.join(' ').toStdString();
    return QString::fromUtf8(r.out);
}

// The window tests' window, on the real sound server instead of the fake card.
class DesktopWindowTest : public windowtest::RecorderWindowTest {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(qgetenv("PULSE_SERVER").isEmpty()) << "the harness starts the sound server";
        ASSERT_FALSE(qgetenv("DBUS_SESSION_BUS_ADDRESS").isEmpty()) << "the harness starts the bus";
        RecorderWindowTest::SetUp();
        scopedBackend.reset();
        Open().show();
    }
    // The services go before the window they serve.
    void TearDown() override
    {
        desktop.reset();
        RecorderWindowTest::TearDown();
    }
    void StartDesktopServices() { desktop = std::make_unique<DesktopIntegration>(*window); }
    playlist::PlaylistPanel& List() { return window->PlaylistPanel(); }

    testsupport::ScopedEnv cache{"XDG_CACHE_HOME", dir.filePath("cache")};
    std::unique_ptr<DesktopIntegration> desktop;
    // Message boxes are counted and closed, as a person reading them would.
    widgettest::MessageBoxCatcher boxes;
};

}  // namespace desktoptest
