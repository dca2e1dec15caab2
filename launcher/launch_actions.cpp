// Launch actions over CreateProcessA and ShellExecuteA.
#include "launch_actions.h"

#include <windows.h>
#include <shellapi.h>

void StartProgram(char* command_line, int show_state) {
  STARTUPINFOA startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(show_state);

  PROCESS_INFORMATION process;
  ZeroMemory(&process, sizeof process);
  const DWORD flags = CREATE_DEFAULT_ERROR_MODE | CREATE_NEW_PROCESS_GROUP;
  if (CreateProcessA(NULL, command_line, NULL, NULL, FALSE, flags, NULL, NULL, &startup,
                     &process)) {
    // Nothing of the new process is kept: no waiting, no watching.
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
}

void OpenWithShell(const char* target, int show_state) {
  ShellExecuteA(NULL, "open", target, NULL, NULL, show_state);
}
