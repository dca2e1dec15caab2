// Finding the launcher's message window among the top-level windows.
#pragma once

#include <windows.h>

// The highest top-level window in z-order, hidden ones included, whose class
// name IsLauncherClassName accepts; null when there is none.
HWND FindLauncherWindow();
