// probe.exe: a stand-in program for tests and the demo. Each start appends
// one line to the file named by the TARVOLIN_PROBE_LOG environment variable:
//
//   <performance counter at start> TAB <dwFlags> TAB <wShowWindow> TAB <command line>
//
// so a test can tell exactly what the launcher started, with which show
// state, and when. Appends from concurrent starts are serialised by a named
// mutex, so no line is torn.
#include <windows.h>

#include <stdio.h>

namespace {

const char kLogVariable[] = "TARVOLIN_PROBE_LOG";
const char kLogMutexName[] = "TarvolinProbeLogLock";

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

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
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
  return 0;
}
