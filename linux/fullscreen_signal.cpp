// The SIGUSR1 handler (see fullscreen_signal.h).
#include "linux/fullscreen_signal.h"

#include "linux/shell_state.h"

#include <csignal>
#include <cstring>

// Async-signal-safe: one store to a sig_atomic_t.
static void OnFullscreenSignal(int)
{
    g_fullscreenSignalled = 1;
}

void InstallFullscreenSignal()
{
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = OnFullscreenSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted system calls (of the sound or display threads) go on.
    action.sa_flags = SA_RESTART;
    sigaction(SIGUSR1, &action, nullptr);
}
