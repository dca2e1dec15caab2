// Reading another process's message box: its caption, its static text, its
// buttons and icon. Control texts of another process are read with
// WM_GETTEXT, which GetWindowTextA does not send across processes.
#include "message_box.h"

#include <string.h>

#include <vector>

namespace remover_test {

namespace {

constexpr DWORD kTextTimeoutMs = 2000;
constexpr DWORD kPollMs = 20;

struct BoxSearch {
  DWORD process_id;
  HWND box;
};

BOOL CALLBACK FindProcessDialog(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<BoxSearch*>(param);
  DWORD process_id = 0;
  GetWindowThreadProcessId(window, &process_id);
  char class_name[16];
  if (process_id == search->process_id && IsWindowVisible(window) &&
      GetClassNameA(window, class_name, sizeof class_name) > 0 &&
      strcmp(class_name, "#32770") == 0) {
    search->box = window;
    return FALSE;
  }
  return TRUE;
}

std::string TextOf(HWND window) {
  char text[1024] = "";
  DWORD_PTR copied = 0;
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                      SMTO_ABORTIFHUNG, kTextTimeoutMs, &copied);
  return std::string(text, copied < sizeof text ? copied : 0);
}

BOOL CALLBACK CollectChild(HWND child, LPARAM children) {
  reinterpret_cast<std::vector<HWND>*>(children)->push_back(child);
  return TRUE;
}

bool HoldsIcon(HWND icon_control) {
  DWORD_PTR icon = 0;
  SendMessageTimeoutA(icon_control, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, kTextTimeoutMs, &icon);
  return icon != 0;
}

bool HasClass(HWND window, const char* name) {
  char class_name[32];
  return GetClassNameA(window, class_name, sizeof class_name) > 0 &&
         _stricmp(class_name, name) == 0;
}

void ReadBox(HWND box, MessageBoxContents* contents) {
  contents->box = box;
  contents->caption = TextOf(box);
  std::vector<HWND> children;
  EnumChildWindows(box, CollectChild, reinterpret_cast<LPARAM>(&children));
  for (HWND child : children) {
    if (!IsWindowVisible(child)) continue;
    if (HasClass(child, "Button")) {
      ++contents->visible_buttons;
      if (GetDlgCtrlID(child) == IDOK) contents->ok_button = TextOf(child);
    } else if (HasClass(child, "Static")) {
      if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        // Some platforms keep an empty icon control in every box.
        if (HoldsIcon(child)) ++contents->visible_icons;
      } else if (contents->text.empty()) {
        contents->text = TextOf(child);
      }
    }
  }
}

}  // namespace

bool WaitForMessageBox(DWORD process_id, DWORD timeout_ms, MessageBoxContents* contents) {
  const DWORD start = GetTickCount();
  for (;;) {
    BoxSearch search = {process_id, NULL};
    EnumWindows(FindProcessDialog, reinterpret_cast<LPARAM>(&search));
    if (search.box != NULL) {
      ReadBox(search.box, contents);
      return true;
    }
    if (GetTickCount() - start >= timeout_ms) return false;
    Sleep(kPollMs);
  }
}

void DismissMessageBox(const MessageBoxContents& contents) {
  PostMessageA(contents.box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(contents.box, IDOK)));
}

}  // namespace remover_test
