#include "app/abrupt_exit.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdlib>
#include <utility>

namespace {

std::function<void()>& Pending()
{
    static std::function<void()> onExit;
    return onExit;
}

void RunPending()
{
    // Taken first: whatever it does, it runs once.
    std::function<void()> onExit = std::exchange(Pending(), nullptr);
    // The window's objects belong to the window thread; an exit from any
    // other thread leaves them alone.
    if (onExit && QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread())
        onExit();
}

}  // namespace

AbruptExitHook::AbruptExitHook(std::function<void()> onExit)
{
    static const bool registered = std::atexit(&RunPending) == 0;
    (void)registered;
    Pending() = std::move(onExit);
}

AbruptExitHook::~AbruptExitHook() { Pending() = nullptr; }
