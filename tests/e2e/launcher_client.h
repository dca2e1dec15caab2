// What a client of the launcher does, step by step, so that the end-to-end
// tests can both follow the client's rules and break them on purpose: the
// request region with its lock and semaphore, and the window-text request.
#pragma once

#include <windows.h>

#include <string>

namespace tarvolin_test {

// A client's handles to the launcher's request channel.
struct RequestChannel {
  HANDLE mutex = NULL;
  HANDLE region = NULL;
  char* view = NULL;
  SIZE_T view_size = 0;  // the size of the mapped view, as the platform reports it
  HANDLE semaphore = NULL;
};

// Opens the instance mutex, the request region (mapped whole) and the request
// semaphore, as a client does. False when any of them does not exist.
bool OpenRequestChannel(RequestChannel* channel);

// Closes whatever of the channel is open. Does not release the mutex.
void CloseRequestChannel(RequestChannel* channel);

// Takes the instance mutex, waiting a bounded time. True when it was taken.
bool TakeInstanceMutex(const RequestChannel& channel);
bool ReleaseInstanceMutex(const RequestChannel& channel);

// Writes `text` and its terminating zero at the start of the region, without
// the lock: the caller holds it, or the launcher does not run yet.
void WriteRegionText(const RequestChannel& channel, const std::string& text);

// The whole client request: take the mutex, write the text, give the mutex
// back, release the semaphore by `units`. False when a step failed.
bool SendRegionRequest(const RequestChannel& channel, const std::string& text, LONG units = 1);

// The semaphore's current count, or -1 when the platform does not tell it.
LONG PendingUnits(HANDLE semaphore);

// Waits until the worker has taken every unit released so far.
bool WaitUntilUnitsTaken(const RequestChannel& channel);

// Sets the window's text (WM_SETTEXT), then sends WM_USER with the text count
// and action code. Returns the WM_USER result; *delivered tells whether the
// window answered both messages in time.
LRESULT SendWindowTextRequest(HWND window, const std::string& text, WPARAM text_count,
                              LPARAM action_code, bool* delivered);

// Sends WM_USER alone, leaving the window text as it is.
LRESULT SendWmUser(HWND window, WPARAM text_count, LPARAM action_code, bool* delivered);

// What default window processing answers to WM_USER with these parameters,
// taken from a plain window of this process.
LRESULT DefaultWmUserResult(WPARAM text_count, LPARAM action_code);

}  // namespace tarvolin_test
