// The signals the player answers, installed first thing in main.
//
// SIGUSR1 from outside the process toggles fullscreen, the counterpart of
// the Windows program's WM_USER+1: the handler only sets
// g_fullscreenSignalled (shell_state.h) and the run loop acts on it; it
// never ends the process, not even in the setup dialog.
//
// SIGINT and SIGTERM end the player in every state, with the status a shell
// reports for them (130 and 143). Until the show's loop runs (the setup
// dialog, the start, its message boxes) nothing needs tearing down, so a
// signal ends the process at once by its default action. While the loop
// runs, a signal only sets g_stopSignal (shell_state.h): the loop stops
// within a frame (or one minimised wait), the music, the window and the
// display are released, and the process then ends by that same signal. A
// second signal while tearing down ends it at once.
#pragma once

// Installs the three handlers; SIGINT and SIGTERM end the process at once.
void InstallShellSignals();

// From now on SIGINT and SIGTERM ask the run loop to stop instead.
void DeferStopSignals();

// Ends the process by the signal recorded in g_stopSignal, as its default
// action would have. Returns only when none was recorded.
void RaiseStopSignal();
