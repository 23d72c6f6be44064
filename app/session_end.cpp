#include "app/session_end.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A signal handler may only write to a descriptor; the window thread reads
// the other end.
int g_pipe[2] = {-1, -1};

void CatchSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[0], &byte, 1);
}

const int kSignals[] = {SIGTERM, SIGHUP};

}  // namespace

SessionEndWatcher::SessionEndWatcher(std::function<void()> onEnd)
    : m_onEnd(std::move(onEnd))
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pipe) != 0)
        return;
    m_notifier = new QSocketNotifier(g_pipe[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SessionEndWatcher::OnSignal);
    struct sigaction action {};
    action.sa_handler = CatchSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int s : kSignals)
        ::sigaction(s, &action, nullptr);
}

SessionEndWatcher::~SessionEndWatcher()
{
    for (int s : kSignals)
        std::signal(s, SIG_DFL);
    delete m_notifier;
    for (int& fd : g_pipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void SessionEndWatcher::OnSignal()
{
    char byte;
    [[maybe_unused]] const ssize_t n = ::read(g_pipe[1], &byte, 1);
    if (m_onEnd)
        m_onEnd();
}
