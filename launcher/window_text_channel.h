// The window-text request channel: a client sets the message window's text
// and sends WM_USER with a text count (wParam) and an action code (lParam).
#pragma once

#include <windows.h>

// Reads at most text_count - 1 bytes of the window's text and starts the
// action that the code selects: 0 opens it with the shell, 1 starts it as a
// command line, anything else launches nothing. Show state 1 for both.
void ServeWindowTextRequest(HWND window, WPARAM text_count, LPARAM action_code);
