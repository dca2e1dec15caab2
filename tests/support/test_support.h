// Helpers for tests that run the real programs as processes: starting the
// launcher and waiting for its window, stopping launchers left over by an
// earlier test, running a program for its exit code, reading what the probe
// program recorded, and bounded waits for a condition.
//
// Every wait is bounded; a test that fails never hangs the suite. Paths are
// returned in the Windows form that CreateProcessA and the shell accept, also
// when the tests run under Wine from a build on a Unix host.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace tarvolin_test {

// Names that the launcher fixes and that clients and the remover rely on.
extern const char kLauncherName[];  // window class and instance mutex: "Tarvolin"
extern const char kRequestRegionName[];
extern const char kRequestSemaphoreName[];
constexpr DWORD kRequestRegionSize = 65536;
constexpr LONG kRequestSemaphoreMaximum = 1024;

// Bound of every wait for something that should happen. Generous, so that a
// loaded machine does not fail a test; a passing test never waits this long.
constexpr DWORD kWaitTimeoutMs = 10000;
// How long a test watches for something that must NOT happen (a launch, a
// process end) before it takes its absence as proven.
constexpr DWORD kSettleTimeMs = 400;

// Exit code reported for a process that did not end in time or did not start.
constexpr DWORD kNoExitCode = 0xFFFFFFFF;

// ---- Paths -----------------------------------------------------------------

// Turns a path as the build system wrote it into a Windows path. Under Wine a
// Unix path ("/work/...") becomes the DOS path Wine maps it to; a Windows path
// is returned unchanged.
std::string WindowsPath(const char* build_path);

// The launcher, Tarvolin.exe, and the probe program, as built.
std::string LauncherPath();
std::string ProbePath();

// The folder part of a Windows path, without the trailing backslash.
std::string FolderOf(const std::string& path);

// `path` in double quotes, as the start of a command line.
std::string Quoted(const std::string& path);

// ---- Waiting ---------------------------------------------------------------

// Polls `condition` every few milliseconds until it holds or `timeout_ms` has
// passed. True when it held.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeout_ms = kWaitTimeoutMs);

// ---- Processes -------------------------------------------------------------

// Starts `command_line` (no handle inheritance, this process's environment
// and current folder). Returns the process handle, or NULL when it did not
// start. The thread handle is closed.
HANDLE StartProcess(const std::string& command_line);

// Waits for the process to end; its exit code, or kNoExitCode if it still
// runs after `timeout_ms`. The handle stays open.
DWORD WaitForExitCode(HANDLE process, DWORD timeout_ms = kWaitTimeoutMs);

bool IsRunning(HANDLE process);

// Starts `command_line` and waits for its end; the exit code, or kNoExitCode
// when it did not start or did not end in time (it is then terminated).
DWORD RunProgram(const std::string& command_line, DWORD timeout_ms = kWaitTimeoutMs);

// Terminates the process if it still runs, waits for its end and closes the
// handle. Accepts NULL.
void EndProcess(HANDLE process);

// ---- The launcher ----------------------------------------------------------

// Starts Tarvolin.exe with an empty command tail. The process handle, or NULL.
HANDLE StartLauncher();

// Every top-level window of the class "Tarvolin", in any process.
std::vector<HWND> FindLauncherWindows();

// Waits until the given process owns a top-level "Tarvolin" window; the
// window, or NULL when none came within `timeout_ms`.
HWND WaitForLauncherWindow(HANDLE process, DWORD timeout_ms = kWaitTimeoutMs);

// Terminates every process that owns a "Tarvolin" window, then waits until no
// such window and no object named "Tarvolin" is left. False when something
// still holds the name afterwards (for instance a handle of this process).
bool StopLeftoverLaunchers();

// True while any named object "Tarvolin" exists (a mutex, or something else).
bool LauncherNameExists();

// ---- The probe -------------------------------------------------------------

// One line of the probe's log: how one start of the probe was made.
struct ProbeRecord {
  long long started = 0;     // performance counter at the probe's start
  DWORD flags = 0;           // STARTUPINFO dwFlags
  unsigned show_window = 0;  // STARTUPINFO wShowWindow
  std::string command_line;  // GetCommandLineA, exactly
};

// Makes a new, empty log file and points this process's TARVOLIN_PROBE_LOG
// at it, so that every process started from now on, and everything these
// start in turn, records its probe starts there. Returns the log's path.
std::string BeginProbeLog();

// Deletes the log and clears TARVOLIN_PROBE_LOG.
void EndProbeLog(const std::string& log_path);

// All records in the log so far, in the order they were appended.
std::vector<ProbeRecord> ReadProbeRecords(const std::string& log_path);

// Waits until the log holds at least `count` records and returns them all
// (fewer than `count` after a time-out).
std::vector<ProbeRecord> WaitForProbeRecords(const std::string& log_path, size_t count,
                                             DWORD timeout_ms = kWaitTimeoutMs);

// The records whose command line contains `marker`.
std::vector<ProbeRecord> RecordsContaining(const std::vector<ProbeRecord>& records,
                                           const std::string& marker);

// A command line that starts the probe: the quoted probe path, a blank and
// `arguments`.
std::string ProbeCommandLine(const std::string& arguments);

// A command line that starts the probe, which takes the named mutex, records
// its start once it holds it, and then sleeps while holding it (up to a
// minute) so that a test can kill it as an owner of the mutex.
std::string MutexHolderCommandLine(const std::string& mutex_name);

}  // namespace tarvolin_test
