// SIGUSR1 from outside the process toggles fullscreen, the counterpart of
// the Windows program's WM_USER+1. The handler only sets
// g_fullscreenSignalled (shell_state.h); the run loop acts on it.
#pragma once

// Installs the handler. Called first thing, so that a signal sent while the
// setup dialog is open does not end the process (the default action).
void InstallFullscreenSignal();
