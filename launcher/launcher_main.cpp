// Tarvolin, the launcher service: the process entry, the single-instance
// guard, the hidden message window and its window procedure. The window
// procedure only dispatches; the channels do the work.
#include <windows.h>

#include "shared_memory_channel.h"
#include "window_text_channel.h"

LRESULT CALLBACK LauncherWindowProc(HWND window, UINT message, WPARAM w_param, LPARAM l_param);

namespace {

// One string, two namespaces: the window class and the instance mutex.
const char kLauncherName[] = "Tarvolin";
const char kWindowName[] = "Quillmere Launcher";

constexpr int kWindowWidth = 227;
constexpr int kWindowHeight = 27;

// Open from start-up until the message loop has ended; the lock that clients
// and the worker share around the request region.
HANDLE g_instance_mutex;

bool IsNtFamily() {
  OSVERSIONINFOA version;
  ZeroMemory(&version, sizeof version);
  version.dwOSVersionInfoSize = sizeof version;
  return GetVersionExA(&version) != 0 && version.dwPlatformId >= VER_PLATFORM_WIN32_NT;
}

// Answering without default processing creates the window with an empty
// text: only a client ever sets it.
LRESULT OnNcCreate() {
  OpenRequestChannel(g_instance_mutex);
  return TRUE;
}

// The window is never destroyed: it ends with the process.
LRESULT OnClose() {
  CloseRequestChannel();
  PostQuitMessage(0);
  return 0;
}

ATOM RegisterLauncherClass(HINSTANCE instance) {
  WNDCLASSA window_class;
  ZeroMemory(&window_class, sizeof window_class);
  window_class.lpfnWndProc = LauncherWindowProc;
  window_class.hInstance = instance;
  window_class.lpszClassName = kLauncherName;
  return RegisterClassA(&window_class);
}

}  // namespace

LRESULT CALLBACK LauncherWindowProc(HWND window, UINT message, WPARAM w_param, LPARAM l_param) {
  switch (message) {
    case WM_NCCREATE:
      return OnNcCreate();
    case WM_CLOSE:
      return OnClose();
    case WM_USER:
      ServeWindowTextRequest(window, w_param, l_param);
      break;
  }
  return DefWindowProcA(window, message, w_param, l_param);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  if (!IsNtFamily()) return 0;

  SetLastError(ERROR_SUCCESS);
  g_instance_mutex = CreateMutexA(NULL, FALSE, kLauncherName);
  if (GetLastError() == ERROR_ALREADY_EXISTS) return 0;  // another launcher runs
  // No mutex (another kind of object has the name): no guard and no lock, so
  // the region could never be read safely. End instead of running unguarded.
  if (g_instance_mutex == NULL) return 0;

  if (RegisterLauncherClass(instance) == 0) return 0;

  HWND window = CreateWindowExA(0, kLauncherName, kWindowName, WS_OVERLAPPEDWINDOW, 0, 0,
                                kWindowWidth, kWindowHeight, NULL, NULL, instance, NULL);
  if (window == NULL) {
    // Nothing could ever end the message loop: give back whatever the
    // creation set up and free the name for a later launcher.
    CloseRequestChannel();
    CloseHandle(g_instance_mutex);
    return 0;
  }
  ShowWindow(window, SW_HIDE);

  MSG message;
  BOOL got;
  while ((got = GetMessageA(&message, NULL, 0, 0)) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  CloseHandle(g_instance_mutex);
  // -1 only comes with a bad argument; the exit code is 0 then as well.
  return got == 0 ? static_cast<int>(message.wParam) : 0;
}
