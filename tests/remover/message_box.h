// Finding and reading the message box that a remover process shows, and
// dismissing it with its OK button.
#pragma once

#include <windows.h>

#include <string>

namespace remover_test {

struct MessageBoxContents {
  HWND box = NULL;
  std::string caption;
  std::string text;  // the message text
  int visible_buttons = 0;
  std::string ok_button;  // the text of the visible IDOK button, if any
  int visible_icons = 0;  // visible icon controls that hold an icon
};

// Waits for a visible dialog box ("#32770") of the process with this id and
// reads it. False when none appeared within `timeout_ms`.
bool WaitForMessageBox(DWORD process_id, DWORD timeout_ms, MessageBoxContents* contents);

// Presses OK: the box ends as if the user had clicked it.
void DismissMessageBox(const MessageBoxContents& contents);

}  // namespace remover_test
