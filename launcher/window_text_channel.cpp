// Window-text request channel: the text of the message window is the target
// or command line; no scheme is parsed and no length rule applies.
#include "window_text_channel.h"

#include "launch_actions.h"
#include "request_text.h"
#include "window_text_count.h"

namespace {

constexpr LPARAM kActionOpenWithShell = 0;
constexpr LPARAM kActionStartProgram = 1;

}  // namespace

void ServeWindowTextRequest(HWND window, WPARAM text_count, LPARAM action_code) {
  const int text_length = GetWindowTextLengthA(window);
  const size_t read_count = WindowTextReadCount(text_count, text_length > 0 ? text_length : 0);
  if (read_count == 0) return;  // not even a terminator would arrive

  HANDLE heap = GetProcessHeap();
  char* text = static_cast<char*>(HeapAlloc(heap, 0, read_count + 1));
  if (text == NULL) return;
  text[0] = '\0';
  GetWindowTextA(window, text, static_cast<int>(read_count));

  if (action_code == kActionOpenWithShell) {
    OpenWithShell(text, kShowStateWindowTextRequest);
  } else if (action_code == kActionStartProgram) {
    StartProgram(text, kShowStateWindowTextRequest);
  }
  HeapFree(heap, 0, text);
}
