// A client of the launcher's two request channels, for the end-to-end tests.
#include "launcher_client.h"

#include <string.h>

#include "test_support.h"

namespace tarvolin_test {

namespace {

// ntdll's query of a semaphore's count; no public header declares it.
struct SemaphoreBasicInformation {
  LONG current_count;
  LONG maximum_count;
};
typedef LONG(NTAPI* QuerySemaphore)(HANDLE, int, PVOID, ULONG, PULONG);
constexpr int kSemaphoreBasicInformationClass = 0;

const char kPlainClassName[] = "TarvolinTestPlainWindow";

SIZE_T MappedViewSize(const void* view) {
  MEMORY_BASIC_INFORMATION info;
  if (view == NULL || VirtualQuery(view, &info, sizeof info) == 0) return 0;
  return info.RegionSize;
}

}  // namespace

bool OpenRequestChannel(RequestChannel* channel) {
  channel->mutex = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, kLauncherName);
  channel->region = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, kRequestRegionName);
  if (channel->region != NULL) {
    channel->view =
        static_cast<char*>(MapViewOfFile(channel->region, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    channel->view_size = MappedViewSize(channel->view);
  }
  channel->semaphore = OpenSemaphoreA(SEMAPHORE_ALL_ACCESS, FALSE, kRequestSemaphoreName);
  return channel->mutex != NULL && channel->view != NULL && channel->semaphore != NULL;
}

void CloseRequestChannel(RequestChannel* channel) {
  if (channel->view != NULL) UnmapViewOfFile(channel->view);
  if (channel->region != NULL) CloseHandle(channel->region);
  if (channel->semaphore != NULL) CloseHandle(channel->semaphore);
  if (channel->mutex != NULL) CloseHandle(channel->mutex);
  *channel = RequestChannel();
}

bool TakeInstanceMutex(const RequestChannel& channel) {
  const DWORD waited = WaitForSingleObject(channel.mutex, kWaitTimeoutMs);
  return waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

bool ReleaseInstanceMutex(const RequestChannel& channel) {
  return ReleaseMutex(channel.mutex) != FALSE;
}

void WriteRegionText(const RequestChannel& channel, const std::string& text) {
  memcpy(channel.view, text.c_str(), text.size() + 1);
}

bool SendRegionRequest(const RequestChannel& channel, const std::string& text, LONG units) {
  if (!TakeInstanceMutex(channel)) return false;
  WriteRegionText(channel, text);
  if (!ReleaseInstanceMutex(channel)) return false;
  return ReleaseSemaphore(channel.semaphore, units, NULL) != FALSE;
}

LONG PendingUnits(HANDLE semaphore) {
  const auto query = reinterpret_cast<QuerySemaphore>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySemaphore")));
  if (query == NULL) return -1;
  SemaphoreBasicInformation info;
  if (query(semaphore, kSemaphoreBasicInformationClass, &info, sizeof info, NULL) != 0) return -1;
  return info.current_count;
}

bool WaitUntilUnitsTaken(const RequestChannel& channel) {
  return WaitUntil([&] { return PendingUnits(channel.semaphore) == 0; });
}

LRESULT SendWmUser(HWND window, WPARAM text_count, LPARAM action_code, bool* delivered) {
  DWORD_PTR result = 0;
  *delivered = SendMessageTimeoutA(window, WM_USER, text_count, action_code, SMTO_NORMAL,
                                   kWaitTimeoutMs, &result) != 0;
  return static_cast<LRESULT>(result);
}

LRESULT SendWindowTextRequest(HWND window, const std::string& text, WPARAM text_count,
                              LPARAM action_code, bool* delivered) {
  DWORD_PTR set = 0;
  if (!SendMessageTimeoutA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                           SMTO_NORMAL, kWaitTimeoutMs, &set)) {
    *delivered = false;
    return 0;
  }
  return SendWmUser(window, text_count, action_code, delivered);
}

LRESULT DefaultWmUserResult(WPARAM text_count, LPARAM action_code) {
  WNDCLASSA window_class;
  ZeroMemory(&window_class, sizeof window_class);
  window_class.lpfnWndProc = DefWindowProcA;
  window_class.hInstance = GetModuleHandleA(NULL);
  window_class.lpszClassName = kPlainClassName;
  RegisterClassA(&window_class);  // fails harmlessly when already registered
  HWND plain = CreateWindowExA(0, kPlainClassName, "", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, NULL,
                               NULL, window_class.hInstance, NULL);
  const LRESULT result = DefWindowProcA(plain, WM_USER, text_count, action_code);
  DestroyWindow(plain);
  return result;
}

}  // namespace tarvolin_test
