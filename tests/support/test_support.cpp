// Process, window, probe-log and waiting helpers shared by the tests that run
// the real programs.
#include "test_support.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace tarvolin_test {

const char kLauncherName[] = "Tarvolin";
const char kRequestRegionName[] = "Quillmere Launcher Shared Memory";
const char kRequestSemaphoreName[] = "Quillmere Launcher Semaphore";

namespace {

const char kProbeLogVariable[] = "TARVOLIN_PROBE_LOG";
constexpr DWORD kPollIntervalMs = 10;

// Under Wine, kernel32 exports this conversion from a Unix path to the DOS
// path of the same file; the result lives on the process heap.
typedef WCHAR*(CDECL* UnixToDosPath)(const char*);

std::string NarrowFromWide(const WCHAR* wide) {
  const int size = WideCharToMultiByte(CP_ACP, 0, wide, -1, NULL, 0, NULL, NULL);
  if (size <= 0) return std::string();
  std::string narrow(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide, -1, &narrow[0], size, NULL, NULL);
  narrow.resize(static_cast<size_t>(size) - 1);
  return narrow;
}

DWORD WindowProcessId(HWND window) {
  DWORD process_id = 0;
  GetWindowThreadProcessId(window, &process_id);
  return process_id;
}

BOOL CALLBACK CollectLauncherWindow(HWND window, LPARAM windows) {
  char class_name[64];
  if (GetClassNameA(window, class_name, sizeof class_name) > 0 &&
      strcmp(class_name, kLauncherName) == 0) {
    reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
  }
  return TRUE;
}

void TerminateProcessById(DWORD process_id) {
  HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, process_id);
  if (process == NULL) return;
  TerminateProcess(process, 1);
  WaitForSingleObject(process, kWaitTimeoutMs);
  CloseHandle(process);
}

bool ParseProbeRecord(const std::string& line, ProbeRecord* record) {
  // started TAB flags TAB show TAB command line; the command line may hold tabs.
  const size_t first = line.find('\t');
  const size_t second = first == std::string::npos ? first : line.find('\t', first + 1);
  const size_t third = second == std::string::npos ? second : line.find('\t', second + 1);
  if (third == std::string::npos) return false;
  record->started = strtoll(line.c_str(), NULL, 10);
  record->flags = strtoul(line.c_str() + first + 1, NULL, 10);
  record->show_window = static_cast<unsigned>(strtoul(line.c_str() + second + 1, NULL, 10));
  record->command_line = line.substr(third + 1);
  return true;
}

std::string ReadWholeFile(const std::string& path) {
  std::string contents;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return contents;
  char chunk[65536];
  DWORD read = 0;
  while (ReadFile(file, chunk, sizeof chunk, &read, NULL) && read > 0) contents.append(chunk, read);
  CloseHandle(file);
  return contents;
}

}  // namespace

std::string WindowsPath(const char* build_path) {
  if (build_path[0] != '/') return build_path;
  const auto to_dos = reinterpret_cast<UnixToDosPath>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name")));
  if (to_dos == NULL) return build_path;
  WCHAR* dos_path = to_dos(build_path);
  if (dos_path == NULL) return build_path;
  std::string converted = NarrowFromWide(dos_path);
  HeapFree(GetProcessHeap(), 0, dos_path);
  return converted;
}

std::string LauncherPath() { return WindowsPath(TARVOLIN_LAUNCHER_PATH); }

std::string ProbePath() { return WindowsPath(TARVOLIN_PROBE_PATH); }

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

bool WaitUntil(const std::function<bool()>& condition, DWORD timeout_ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (condition()) return true;
    if (GetTickCount() - start >= timeout_ms) return false;
    Sleep(kPollIntervalMs);
  }
}

HANDLE StartProcess(const std::string& command_line) {
  std::vector<char> writable(command_line.begin(), command_line.end());
  writable.push_back('\0');
  STARTUPINFOA startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process;
  ZeroMemory(&process, sizeof process);
  if (!CreateProcessA(NULL, writable.data(), NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                      &process)) {
    return NULL;
  }
  CloseHandle(process.hThread);
  return process.hProcess;
}

DWORD WaitForExitCode(HANDLE process, DWORD timeout_ms) {
  if (process == NULL || WaitForSingleObject(process, timeout_ms) != WAIT_OBJECT_0) {
    return kNoExitCode;
  }
  DWORD exit_code = kNoExitCode;
  GetExitCodeProcess(process, &exit_code);
  return exit_code;
}

bool IsRunning(HANDLE process) { return WaitForSingleObject(process, 0) == WAIT_TIMEOUT; }

DWORD RunProgram(const std::string& command_line, DWORD timeout_ms) {
  HANDLE process = StartProcess(command_line);
  const DWORD exit_code = WaitForExitCode(process, timeout_ms);
  EndProcess(process);
  return exit_code;
}

void EndProcess(HANDLE process) {
  if (process == NULL) return;
  if (IsRunning(process)) {
    TerminateProcess(process, 1);
    WaitForSingleObject(process, kWaitTimeoutMs);
  }
  CloseHandle(process);
}

HANDLE StartLauncher() { return StartProcess(Quoted(LauncherPath())); }

std::vector<HWND> FindLauncherWindows() {
  std::vector<HWND> windows;
  EnumWindows(CollectLauncherWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

HWND WaitForLauncherWindow(HANDLE process, DWORD timeout_ms) {
  const DWORD process_id = GetProcessId(process);
  HWND found = NULL;
  WaitUntil(
      [&] {
        for (HWND window : FindLauncherWindows()) {
          if (WindowProcessId(window) == process_id) found = window;
        }
        return found != NULL;
      },
      timeout_ms);
  return found;
}

bool LauncherNameExists() {
  // Any kind of object holds the name: a mutex opens, anything else refuses
  // with ERROR_INVALID_HANDLE (the kinds share one namespace).
  SetLastError(0);
  HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, kLauncherName);
  if (mutex != NULL) {
    CloseHandle(mutex);
    return true;
  }
  return GetLastError() != ERROR_FILE_NOT_FOUND;
}

bool StopLeftoverLaunchers() {
  for (HWND window : FindLauncherWindows()) TerminateProcessById(WindowProcessId(window));
  return WaitUntil([] { return FindLauncherWindows().empty() && !LauncherNameExists(); });
}

std::string BeginProbeLog() {
  char folder[MAX_PATH];
  char path[MAX_PATH];
  GetTempPathA(sizeof folder, folder);
  if (GetTempFileNameA(folder, "tpl", 0, path) == 0) return std::string();
  SetEnvironmentVariableA(kProbeLogVariable, path);
  return path;
}

void EndProbeLog(const std::string& log_path) {
  SetEnvironmentVariableA(kProbeLogVariable, NULL);
  if (!log_path.empty()) DeleteFileA(log_path.c_str());
}

std::vector<ProbeRecord> ReadProbeRecords(const std::string& log_path) {
  std::vector<ProbeRecord> records;
  const std::string contents = ReadWholeFile(log_path);
  size_t start = 0;
  for (size_t end; (end = contents.find('\n', start)) != std::string::npos; start = end + 1) {
    ProbeRecord record;
    if (ParseProbeRecord(contents.substr(start, end - start), &record)) records.push_back(record);
  }
  return records;
}

std::vector<ProbeRecord> WaitForProbeRecords(const std::string& log_path, size_t count,
                                             DWORD timeout_ms) {
  std::vector<ProbeRecord> records;
  WaitUntil(
      [&] {
        records = ReadProbeRecords(log_path);
        return records.size() >= count;
      },
      timeout_ms);
  return records;
}

std::vector<ProbeRecord> RecordsContaining(const std::vector<ProbeRecord>& records,
                                           const std::string& marker) {
  std::vector<ProbeRecord> matching;
  for (const ProbeRecord& record : records) {
    if (record.command_line.find(marker) != std::string::npos) matching.push_back(record);
  }
  return matching;
}

std::string ProbeCommandLine(const std::string& arguments) {
  return Quoted(ProbePath()) + " " + arguments;
}

std::string MutexHolderCommandLine(const std::string& mutex_name) {
  return ProbeCommandLine("/hold-mutex " + mutex_name);
}

}  // namespace tarvolin_test
