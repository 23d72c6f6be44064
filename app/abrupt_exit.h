#pragma once
// Qt ends the process with exit() when the display connection breaks (the
// X server died or the session was torn down): no window closes and no
// destructor on the stack runs. While one of these lives, such an exit
// first calls its function on the window thread.

#include <functional>

class AbruptExitHook {
public:
    explicit AbruptExitHook(std::function<void()> onExit);
    ~AbruptExitHook();
    AbruptExitHook(const AbruptExitHook&) = delete;
    AbruptExitHook& operator=(const AbruptExitHook&) = delete;
};
