// The sampler's timer callback, for the thread timer the tracker starts.
#pragma once

#include <windows.h>

void CALLBACK OnTrackTimer(HWND window, UINT message, UINT_PTR timerId, DWORD tick);
// The top-level window the user works in, as the timer samples it; null for none.
HWND TopLevelWindowInFront();
