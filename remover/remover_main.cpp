// Kestrune, the remover: closes a running launcher through its message
// window, deletes the launcher's Run entry and says which of the two
// outcomes it met, unless the command tail is "/s". Exit code 0 always.
#include <windows.h>

#include <utility>

#include "code_page.h"
#include "command_tail.h"
#include "find_window.h"
#include "owned_text.h"
#include "run_entry.h"

namespace {

const char kCaption[] = "Kestrune";
const char kRemovedMessage[] = "Tarvolin has been removed";
const char kNotRunningMessage[] = "Tarvolin is not running";

const char kRunKeyPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kRunValueName[] = "Tarvolin";

// The launcher answers WM_CLOSE within a fraction of a second. A matching
// window whose thread never answers must not hold the remover for ever.
constexpr UINT kCloseTimeoutMs = 5000;

void CloseLauncherWindow(HWND window) {
  DWORD_PTR ignored;
  SendMessageTimeoutA(window, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, kCloseTimeoutMs, &ignored);
}

// The result is not looked at: the outcome is "removed" either way.
void RemoveLauncherRunEntry(const LeadByteTable& lead_bytes) {
  OwnedText value_name(kRunValueName, lead_bytes);
  OwnedText key_path(kRunKeyPath, lead_bytes);
  RemoveRunEntry(HKEY_CURRENT_USER, std::move(key_path), std::move(value_name));
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // The runtime's own command tail is not used: its quoting rule differs.
  LeadByteTable lead_bytes = LeadBytesOfCodePage(CP_ACP);
  bool silent = IsSilentTail(CommandTail(GetCommandLineA(), lead_bytes));

  const char* message = kNotRunningMessage;
  HWND window = FindLauncherWindow();
  if (window != NULL) {
    CloseLauncherWindow(window);
    RemoveLauncherRunEntry(lead_bytes);
    message = kRemovedMessage;
  }
  if (!silent) MessageBoxA(NULL, message, kCaption, MB_OK);
  return 0;
}
