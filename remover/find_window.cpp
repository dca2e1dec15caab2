// The live walk over the top-level windows, from the top of the z-order.
#include "find_window.h"

#include "class_name.h"

namespace {

constexpr int kClassNameBufferSize = 1024;

// A class name that cannot be read (the window is gone) does not match.
bool HasLauncherClassName(HWND window) {
  char class_name[kClassNameBufferSize];
  if (GetClassNameA(window, class_name, sizeof class_name) == 0) return false;
  return IsLauncherClassName(class_name);
}

}  // namespace

HWND FindLauncherWindow() {
  HWND window = GetWindow(GetDesktopWindow(), GW_CHILD);
  while (window != NULL && !HasLauncherClassName(window)) {
    window = GetWindow(window, GW_HWNDNEXT);
  }
  return window;
}
