// The player's signal handlers (see shell_signals.h).
#include "linux/shell_signals.h"

#include "linux/shell_state.h"

#include <csignal>
#include <cstring>

// 1 once the run loop takes stop requests; read by the stop handler.
static volatile sig_atomic_t s_stopDeferred = 0;

// Async-signal-safe: one store to a sig_atomic_t.
static void OnFullscreenSignal(int)
{
    g_fullscreenSignalled = 1;
}

// Ends the process by signal: the default action restored and the signal
// sent again (from a handler: once it returns). Async-signal-safe.
static void EndBySignal(int signal)
{
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Either one store for the run loop, or the end by this signal.
static void OnStopSignal(int signal)
{
    if (s_stopDeferred && g_stopSignal == 0) {
        g_stopSignal = signal;
        return;
    }
    EndBySignal(signal);
}

// Installs handler for signal. Interrupted system calls (of the sound or
// display threads) go on.
static void InstallHandler(int signal, void (*handler)(int))
{
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(signal, &action, nullptr);
}

void InstallShellSignals()
{
    InstallHandler(SIGUSR1, OnFullscreenSignal);
    // Even where the program was started with them ignored (in the
    // background of a script): a stop asked for is always a stop.
    InstallHandler(SIGINT, OnStopSignal);
    InstallHandler(SIGTERM, OnStopSignal);
}

void DeferStopSignals()
{
    s_stopDeferred = 1;
}

void RaiseStopSignal()
{
    if (g_stopSignal != 0)
        EndBySignal(g_stopSignal);
}
