// Shared-memory request channel and its worker thread.
//
// The worker works on handles of its own, duplicated before it starts, and
// closes them itself when it ends: the teardown on the main thread may close
// the channel's handles while the worker is still busy with a request (it
// waits for the worker no longer than its 50 ms pause), and the worker must
// never wait on, or release, a handle that has been closed under it. The view
// is the one thing the two threads both touch; a critical section covers the
// worker's short copy out of it and the teardown's unmapping.
#include "shared_memory_channel.h"

#include "dispatch.h"
#include "request_text.h"

const char kRequestRegionName[] = "Quillmere Launcher Shared Memory";
const char kRequestSemaphoreName[] = "Quillmere Launcher Semaphore";

namespace {

constexpr LONG kSemaphoreMaximum = 1024;
constexpr DWORD kTeardownPauseMs = 50;

// Written on the main thread before the worker starts.
HANDLE g_region_mapping;
HANDLE g_request_semaphore;
HANDLE g_quit_semaphore;
bool g_channel_open;

// The view and its mapped size; cleared by the teardown under the lock.
CRITICAL_SECTION g_view_lock;
char* g_region_view;
SIZE_T g_region_view_size;

// The worker's own handles to the instance mutex and the two semaphores.
HANDLE g_worker_mutex;
HANDLE g_worker_quit;
HANDLE g_worker_request;

HANDLE DuplicateForWorker(HANDLE source) {
  HANDLE copy = NULL;
  if (source == NULL) return NULL;
  HANDLE self = GetCurrentProcess();
  if (!DuplicateHandle(self, source, self, &copy, 0, FALSE, DUPLICATE_SAME_ACCESS)) return NULL;
  return copy;
}

// The size of the view that is really mapped: an existing region of the
// same name may be smaller than the 65,536 bytes asked for.
SIZE_T MappedViewSize(const void* view) {
  MEMORY_BASIC_INFORMATION info;
  if (view == NULL || VirtualQuery(view, &info, sizeof info) == 0) return 0;
  return info.RegionSize;
}

void CloseIfOpen(HANDLE handle) {
  if (handle != NULL) CloseHandle(handle);
}

// Copies the region's text into `text`. False when the view is gone or holds
// no zero byte within its bounds.
bool CopyTextOutOfRegion(char* text, size_t text_size) {
  bool copied = false;
  EnterCriticalSection(&g_view_lock);
  if (g_region_view != NULL) {
    copied = CopyRequestText(g_region_view, g_region_view_size, text, text_size);
  }
  LeaveCriticalSection(&g_view_lock);
  return copied;
}

void ServeOneRequest() {
  const DWORD locked = WaitForSingleObject(g_worker_mutex, INFINITE);
  // Without the lock a client may be writing the region: leave it alone.
  if (locked != WAIT_OBJECT_0 && locked != WAIT_ABANDONED) return;

  char text[kRequestRegionSize];
  if (CopyTextOutOfRegion(text, sizeof text) && text[0] != '\0') DispatchRequestText(text);
  ReleaseMutex(g_worker_mutex);
}

}  // namespace

void OpenRequestChannel(HANDLE instance_mutex) {
  InitializeCriticalSection(&g_view_lock);

  g_region_mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0,
                                        static_cast<DWORD>(kRequestRegionSize), kRequestRegionName);
  if (g_region_mapping != NULL) {
    g_region_view =
        static_cast<char*>(MapViewOfFile(g_region_mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    g_region_view_size = MappedViewSize(g_region_view);
  }
  g_request_semaphore = CreateSemaphoreA(NULL, 0, kSemaphoreMaximum, kRequestSemaphoreName);
  g_quit_semaphore = CreateSemaphoreA(NULL, 0, kSemaphoreMaximum, NULL);
  g_channel_open = true;

  g_worker_mutex = DuplicateForWorker(instance_mutex);
  g_worker_quit = DuplicateForWorker(g_quit_semaphore);
  g_worker_request = DuplicateForWorker(g_request_semaphore);

  HANDLE worker = CreateThread(NULL, 0, RequestWorker, NULL, 0, NULL);
  if (worker == NULL) {
    CloseIfOpen(g_worker_mutex);
    CloseIfOpen(g_worker_quit);
    CloseIfOpen(g_worker_request);
  }
  // The thread handle is not kept: the worker is never waited on.
  CloseIfOpen(worker);
}

void CloseRequestChannel() {
  if (!g_channel_open) return;
  g_channel_open = false;

  ReleaseSemaphore(g_quit_semaphore, 1, NULL);
  Sleep(kTeardownPauseMs);
  CloseIfOpen(g_quit_semaphore);
  CloseIfOpen(g_request_semaphore);

  EnterCriticalSection(&g_view_lock);
  if (g_region_view != NULL) UnmapViewOfFile(g_region_view);
  g_region_view = NULL;
  g_region_view_size = 0;
  LeaveCriticalSection(&g_view_lock);

  CloseIfOpen(g_region_mapping);
}

DWORD WINAPI RequestWorker(LPVOID) {
  // The quit semaphore comes first: when both are signalled, quitting wins.
  const HANDLE waits[2] = {g_worker_quit, g_worker_request};
  // Anything but a request unit ends the worker: the quit signal, and also a
  // failed wait, which would fail again at once on every later try.
  while (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
    ServeOneRequest();
  }
  CloseIfOpen(g_worker_mutex);
  CloseIfOpen(g_worker_quit);
  CloseIfOpen(g_worker_request);
  return 0;
}
