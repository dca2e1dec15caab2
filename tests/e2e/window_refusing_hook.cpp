// A CBT hook DLL for the tests: installed for all threads, it refuses the
// creation of every window of the class "Tarvolin", so that the launcher's
// CreateWindowExA fails, and sets the event "TarvolinTestWindowRefused" each
// time it does, so that a test can tell the hook ran.
#include <windows.h>

#include <string.h>

namespace {

LRESULT CALLBACK RefuseLauncherWindow(int code, WPARAM w_param, LPARAM l_param) {
  if (code == HCBT_CREATEWND) {
    char class_name[64];
    HWND window = reinterpret_cast<HWND>(w_param);
    if (GetClassNameA(window, class_name, sizeof class_name) > 0 &&
        strcmp(class_name, "Tarvolin") == 0) {
      HANDLE refused = OpenEventA(EVENT_MODIFY_STATE, FALSE, "TarvolinTestWindowRefused");
      if (refused != NULL) {
        SetEvent(refused);
        CloseHandle(refused);
      }
      return 1;  // nonzero: the window is not created
    }
  }
  return CallNextHookEx(NULL, code, w_param, l_param);
}

}  // namespace

// Exported by a plain C name, free of any call-convention decoration.
extern "C" __declspec(dllexport) HOOKPROC LauncherWindowRefusingHook() {
  return RefuseLauncherWindow;
}
