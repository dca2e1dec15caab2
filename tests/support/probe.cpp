// probe.exe: a stand-in program for tests and the demo. Each start appends
// one line to the file named by the TARVOLIN_PROBE_LOG environment variable:
//
//   <performance counter at start> TAB <dwFlags> TAB <wShowWindow> TAB <command line>
//
// so a test can tell exactly what the launcher started, with which show
// state, and when. Appends from concurrent starts are serialised by a named
// mutex, so no line is torn.
//
// Started as "probe.exe /hold-mutex NAME", it first takes the mutex NAME,
// then records its start, and then sleeps up to a minute while holding it:
// a stand-in for a client that a test kills while it owns the mutex.
#include <windows.h>

#include <stdio.h>
#include <string.h>

namespace {

const char kLogVariable[] = "TARVOLIN_PROBE_LOG";
const char kLogMutexName[] = "TarvolinProbeLogLock";
const char kHoldMutexSwitch[] = "/hold-mutex ";
constexpr DWORD kHoldingTimeMs = 60000;

void AppendRecord(const char* log_path, const char* record, DWORD length) {
  HANDLE lock = CreateMutexA(NULL, FALSE, kLogMutexName);
  if (lock != NULL) WaitForSingleObject(lock, 10000);
  HANDLE file = CreateFileA(log_path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(file, record, length, &written, NULL);
    CloseHandle(file);
  }
  if (lock != NULL) {
    ReleaseMutex(lock);
    CloseHandle(lock);
  }
}

// Takes the mutex named by the command tail after the switch. False when it
// does not exist or cannot be taken.
bool TakeNamedMutex(const char* name) {
  HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, name);
  if (mutex == NULL) return false;
  const DWORD waited = WaitForSingleObject(mutex, 10000);
  return waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR command_tail, int) {
  const bool holds_mutex = strncmp(command_tail, kHoldMutexSwitch, strlen(kHoldMutexSwitch)) == 0;
  if (holds_mutex && !TakeNamedMutex(command_tail + strlen(kHoldMutexSwitch))) return 1;

  LARGE_INTEGER started;
  QueryPerformanceCounter(&started);
  STARTUPINFOA startup;
  GetStartupInfoA(&startup);

  char log_path[MAX_PATH];
  DWORD path_length = GetEnvironmentVariableA(kLogVariable, log_path, sizeof log_path);
  if (path_length == 0 || path_length >= sizeof log_path) return 1;

  static char record[70000];
  int length = snprintf(record, sizeof record, "%lld\t%lu\t%u\t%s\n",
                        static_cast<long long>(started.QuadPart),
                        static_cast<unsigned long>(startup.dwFlags),
                        static_cast<unsigned>(startup.wShowWindow), GetCommandLineA());
  if (length < 0) return 1;
  if (length >= static_cast<int>(sizeof record)) length = sizeof record - 1;
  AppendRecord(log_path, record, static_cast<DWORD>(length));
  // Never released: ending or being killed leaves the mutex abandoned.
  if (holds_mutex) Sleep(kHoldingTimeMs);
  return 0;
}
