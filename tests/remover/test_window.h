// A hidden top-level window of a chosen class, owned by a thread of the test
// process that pumps messages, so that a WM_CLOSE sent from another process
// (the remover) is delivered while the test's main thread waits.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

namespace remover_test {

class TestWindow {
 public:
  enum class OnClose {
    kAnswer,  // counts the message and answers 0; the window stays
    kBlock,   // counts the message, then keeps its thread inside the handler
  };

  // Registers `class_name` and creates the window at the top of the z-order.
  TestWindow(const std::string& class_name, OnClose on_close);
  // Lets a blocked handler go, ends the thread; the window and class go too.
  ~TestWindow();
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;

  // Null when the window could not be created.
  HWND window() const { return window_; }
  // WM_CLOSE messages received so far.
  int close_count() const { return close_count_.load(); }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM w_param, LPARAM l_param);
  void Run();

  std::string class_name_;
  OnClose on_close_;
  HANDLE created_ = NULL;  // set once the window exists or creation failed
  HANDLE release_ = NULL;  // lets a blocked WM_CLOSE handler return
  HWND window_ = NULL;
  DWORD thread_id_ = 0;
  std::atomic<int> close_count_{0};
  std::thread thread_;
};

// The window's place among the top-level windows, 0 at the top of the
// z-order; -1 when it is not among them.
int ZOrderIndex(HWND window);

}  // namespace remover_test
