// Test windows serviced by a message-pumping thread of their own.
#include "test_window.h"

namespace remover_test {

namespace {

// A blocked handler is let go at the latest after this, so that a failing
// test never leaves the thread stuck.
constexpr DWORD kLongestBlockMs = 60000;
constexpr DWORD kCreateTimeoutMs = 10000;

}  // namespace

TestWindow::TestWindow(const std::string& class_name, OnClose on_close)
    : class_name_(class_name),
      on_close_(on_close),
      created_(CreateEventA(NULL, TRUE, FALSE, NULL)),
      release_(CreateEventA(NULL, TRUE, FALSE, NULL)) {
  thread_ = std::thread([this] { Run(); });
  WaitForSingleObject(created_, kCreateTimeoutMs);
}

TestWindow::~TestWindow() {
  SetEvent(release_);
  // The thread may not have its message queue yet if creation failed early;
  // it then ends by itself.
  if (thread_id_ != 0) PostThreadMessageA(thread_id_, WM_QUIT, 0, 0);
  thread_.join();
  CloseHandle(created_);
  CloseHandle(release_);
}

void TestWindow::Run() {
  WNDCLASSA window_class;
  ZeroMemory(&window_class, sizeof window_class);
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = GetModuleHandleA(NULL);
  window_class.lpszClassName = class_name_.c_str();
  if (RegisterClassA(&window_class) == 0) {
    SetEvent(created_);
    return;
  }
  HWND created = CreateWindowExA(0, class_name_.c_str(), "", WS_OVERLAPPEDWINDOW, 0, 0, 100, 30,
                                 NULL, NULL, window_class.hInstance, NULL);
  if (created != NULL) {
    SetWindowLongPtrA(created, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowPos(created, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  thread_id_ = GetCurrentThreadId();
  window_ = created;
  SetEvent(created_);
  if (created != NULL) {
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) DispatchMessageA(&message);
    DestroyWindow(created);
  }
  UnregisterClassA(class_name_.c_str(), window_class.hInstance);
}

LRESULT CALLBACK TestWindow::WindowProc(HWND window, UINT message, WPARAM w_param, LPARAM l_param) {
  auto* self = reinterpret_cast<TestWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (message == WM_CLOSE && self != nullptr) {
    ++self->close_count_;
    if (self->on_close_ == OnClose::kBlock) WaitForSingleObject(self->release_, kLongestBlockMs);
    return 0;  // the window stays until the test ends it
  }
  return DefWindowProcA(window, message, w_param, l_param);
}

int ZOrderIndex(HWND window) {
  int index = 0;
  for (HWND w = GetWindow(GetDesktopWindow(), GW_CHILD); w != NULL; w = GetWindow(w, GW_HWNDNEXT)) {
    if (w == window) return index;
    ++index;
  }
  return -1;
}

}  // namespace remover_test
