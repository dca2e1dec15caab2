// bench.exe: measures Tarvolin and Kestrune the way a screensaver and a user
// meet them, and prints a table of medians and spreads next to the targets.
// It only reports: a missed target never makes it fail.
//
//   bench TARVOLIN.EXE KESTRUNE.EXE PROBE.EXE [LAUNCH-ROUNDS]
//
// All in one run, so that the figures share one state of the machine:
//  - launch overhead: from a client's request to the probe's first
//    instruction, through the shared-memory channel and through the
//    window-text channel, against the client starting the same command line
//    itself; the three routes take turns round by round so drift cancels;
//  - the channels' own share of that, without a process start: how soon the
//    worker takes a unit, and a window-text request whose code selects nothing;
//  - throughput of the shared-memory channel for texts that select nothing;
//  - the launcher's processor time over ten idle seconds;
//  - the remover's whole silent run, with a launcher to stop and without;
//  - the sizes of the two executables.
#include <windows.h>
#include <tlhelp32.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Progress and complaints go to standard error; the table alone to standard
// output. A failed write of a progress line changes nothing.
template <typename... Arguments>
void Note(const char* format, Arguments... arguments) {
  (void)fprintf(stderr, format, arguments...);
}

// Names that the launcher fixes for its clients and the remover.
const char kLauncherClass[] = "Tarvolin";
const char kInstanceMutexName[] = "Tarvolin";
const char kRegionName[] = "Quillmere Launcher Shared Memory";
const char kSemaphoreName[] = "Quillmere Launcher Semaphore";
constexpr size_t kRegionSize = 65536;
constexpr LONG kSemaphoreMaximum = 1024;
constexpr LPARAM kActionStartProgram = 1;
constexpr LPARAM kActionNone = 2;  // any code but 0 and 1 launches nothing

// The probe appends "<counter at start> TAB ..." to the file named here; the
// launcher passes its environment on to what it starts.
const char kProbeLogVariable[] = "TARVOLIN_PROBE_LOG";
const char kProbeLogName[] = "tarvolin-bench-probe.log";
const char kProbeArgument[] = "bench-launch";

// Long enough to pass the length rule, but no scheme selects an action: the
// worker takes the lock, reads the text and drops it.
const char kInertRequest[] = "none://xxxxxx";

constexpr int kDefaultLaunchRounds = 300;
constexpr int kHandOverSamples = 200;
constexpr int kThroughputSamples = 10;
// Per sample: the count is topped up to its maximum as it drains, so the
// worker never runs dry and a 1 ms poll is small against the sample's time.
constexpr LONG kUnitsPerSample = 8 * kSemaphoreMaximum;
constexpr DWORD kIdleMilliseconds = 10000;
constexpr int kRemoverRounds = 7;

constexpr double kLaunchRatioTarget = 1.05;
constexpr LONGLONG kSizeTarget = LONGLONG{48} * 1024;

constexpr DWORD kStartTimeoutMs = 10000;
constexpr DWORD kStopTimeoutMs = 5000;
constexpr DWORD kProbeTimeoutMs = 10000;
constexpr DWORD kRemoverTimeoutMs = 30000;
constexpr DWORD kBurstTimeoutMs = 30000;
// Polling the probe's log only tells when to go on: the probe stamps its own
// start. A coarse period keeps the poll from loading the machine meanwhile.
constexpr DWORD kProbePollMs = 10;

struct Paths {
  std::string launcher;
  std::string remover;
  std::string probe;
  std::string probe_log;
};

enum Route { kRouteDirect, kRouteRegion, kRouteWindowText, kRouteCount };

struct Results {
  int launch_rounds = 0;
  std::vector<double> launch_ms[kRouteCount];
  std::vector<double> paired_ratio[kRouteCount];  // per round, against the direct start
  std::vector<double> worker_wakeup_ms;
  std::vector<double> window_text_hand_over_ms;
  std::vector<double> requests_per_second;
  bool idle_measured = false;
  ULONGLONG idle_ticks = 0;
  ULONGLONG busy_ticks = 0;  // after the launches and bursts, to show the clock moves
  bool remover_present = false;
  std::vector<double> remover_with_launcher_ms;
  std::vector<double> remover_without_launcher_ms;
  int launchers_left_running = 0;
  LONGLONG launcher_bytes = -1;
  LONGLONG remover_bytes = -1;
};

// ---------------------------------------------------------------- clock

LONGLONG Now() {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return counter.QuadPart;
}

double TicksToMs(LONGLONG ticks) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(ticks) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

bool PastDeadline(LONGLONG started, DWORD timeout_ms) {
  return TicksToMs(Now() - started) > timeout_ms;
}

// ---------------------------------------------------------------- statistics

struct Summary {
  bool valid = false;
  double median = 0, q1 = 0, q3 = 0, low = 0, high = 0;
  size_t count = 0;
};

// Linear interpolation between the two nearest ranks.
double Quantile(const std::vector<double>& sorted, double q) {
  const double position = q * static_cast<double>(sorted.size() - 1);
  const size_t below = static_cast<size_t>(position);
  const size_t above = std::min(below + 1, sorted.size() - 1);
  return sorted[below] + (sorted[above] - sorted[below]) * (position - static_cast<double>(below));
}

Summary Summarize(std::vector<double> samples) {
  Summary summary;
  if (samples.empty()) return summary;
  std::sort(samples.begin(), samples.end());
  summary.valid = true;
  summary.count = samples.size();
  summary.median = Quantile(samples, 0.5);
  summary.q1 = Quantile(samples, 0.25);
  summary.q3 = Quantile(samples, 0.75);
  summary.low = samples.front();
  summary.high = samples.back();
  return summary;
}

// ---------------------------------------------------------------- processes

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// The executable's name as the process list shows it.
std::string FileNameOf(const std::string& path) {
  const size_t separator = path.find_last_of("\\/");
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

LONGLONG FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<LONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Starts a command line with the show state that the launcher's own program
// starts use, so the only difference between the routes is the hand-over.
// `command` is a writable copy: CreateProcessA may write into it.
HANDLE CreateShownProcess(std::vector<char>& command) {
  STARTUPINFOA startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOW;
  PROCESS_INFORMATION process;
  ZeroMemory(&process, sizeof process);
  if (!CreateProcessA(NULL, command.data(), NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
    return NULL;
  }
  CloseHandle(process.hThread);
  return process.hProcess;
}

std::vector<char> WritableCopy(const std::string& text) {
  return std::vector<char>(text.c_str(), text.c_str() + text.size() + 1);
}

bool WaitForProcessEnd(HANDLE process, DWORD timeout_ms) {
  return WaitForSingleObject(process, timeout_ms) == WAIT_OBJECT_0;
}

// Waits until no process of that executable name runs in this prefix.
void WaitForProcessesNamed(const char* exe_name, DWORD timeout_ms) {
  const LONGLONG started = Now();
  for (;;) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    DWORD found = 0;
    for (BOOL more = Process32First(snapshot, &entry); more;
         more = Process32Next(snapshot, &entry)) {
      if (lstrcmpiA(entry.szExeFile, exe_name) == 0) found = entry.th32ProcessID;
    }
    CloseHandle(snapshot);
    if (found == 0) return;
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, found);
    if (process != NULL) {
      WaitForProcessEnd(process, timeout_ms);
      CloseHandle(process);
    } else {
      Sleep(1);  // listed but already ending
    }
    if (PastDeadline(started, timeout_ms)) return;
  }
}

// ---------------------------------------------------------------- launcher control

HWND FindLauncherWindow() { return FindWindowA(kLauncherClass, NULL); }

bool InstanceMutexExists() {
  HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, kInstanceMutexName);
  if (mutex == NULL) return false;
  CloseHandle(mutex);
  return true;
}

// Ready once its window exists and its channel's semaphore can be opened.
bool LauncherReady() {
  if (FindLauncherWindow() == NULL) return false;
  HANDLE semaphore = OpenSemaphoreA(SYNCHRONIZE, FALSE, kSemaphoreName);
  if (semaphore == NULL) return false;
  CloseHandle(semaphore);
  return true;
}

// Sends WM_CLOSE as the remover does and waits for that launcher to end.
void CloseLauncherWindow(HWND window) {
  DWORD process_id = 0;
  GetWindowThreadProcessId(window, &process_id);
  HANDLE process = process_id ? OpenProcess(SYNCHRONIZE, FALSE, process_id) : NULL;
  DWORD_PTR answer = 0;
  SendMessageTimeoutA(window, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, kStopTimeoutMs, &answer);
  if (process != NULL) {
    WaitForProcessEnd(process, kStopTimeoutMs);
    CloseHandle(process);
  }
}

// Stops every launcher in this prefix, ours or one left over from an earlier
// run, and waits until a new one could start (its instance mutex is gone).
bool StopAllLaunchers() {
  for (int tries = 0; tries < 10; ++tries) {
    HWND window = FindLauncherWindow();
    if (window == NULL) break;
    CloseLauncherWindow(window);
  }
  const LONGLONG started = Now();
  while (InstanceMutexExists()) {
    if (PastDeadline(started, kStopTimeoutMs)) return false;
    Sleep(5);
  }
  return FindLauncherWindow() == NULL;
}

// Returns the new launcher's process handle once it serves requests.
HANDLE StartLauncher(const Paths& paths) {
  std::vector<char> command = WritableCopy(Quoted(paths.launcher));
  HANDLE process = CreateShownProcess(command);
  if (process == NULL) return NULL;
  const LONGLONG started = Now();
  while (!LauncherReady()) {
    // A launcher that ends at once found another instance's mutex.
    if (WaitForProcessEnd(process, 2) || PastDeadline(started, kStartTimeoutMs)) {
      CloseHandle(process);
      return NULL;
    }
  }
  return process;
}

// ---------------------------------------------------------------- client of the channels

struct RegionClient {
  HANDLE mutex = NULL;
  HANDLE mapping = NULL;
  HANDLE semaphore = NULL;
  char* view = NULL;
};

void CloseRegionClient(RegionClient* client) {
  if (client->view != NULL) UnmapViewOfFile(client->view);
  if (client->mapping != NULL) CloseHandle(client->mapping);
  if (client->semaphore != NULL) CloseHandle(client->semaphore);
  if (client->mutex != NULL) CloseHandle(client->mutex);
  *client = RegionClient();
}

// Holding these handles keeps the named objects alive: the client must be
// closed before the launcher is, or no later launcher could start.
bool OpenRegionClient(RegionClient* client) {
  client->mutex = OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, kInstanceMutexName);
  client->mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, kRegionName);
  // Query access as well: the throughput run reads the count.
  client->semaphore = OpenSemaphoreA(SEMAPHORE_ALL_ACCESS, FALSE, kSemaphoreName);
  if (client->mapping != NULL) {
    client->view = static_cast<char*>(MapViewOfFile(client->mapping, FILE_MAP_WRITE, 0, 0, 0));
  }
  if (client->mutex && client->semaphore && client->view) return true;
  CloseRegionClient(client);
  return false;
}

void WriteRequestText(const RegionClient& client, const std::string& text) {
  WaitForSingleObject(client.mutex, INFINITE);
  const size_t length = std::min(text.size(), kRegionSize - 1);
  memcpy(client.view, text.c_str(), length);
  client.view[length] = '\0';
  ReleaseMutex(client.mutex);
}

// Each route returns the counter read just before the client hands over.
LONGLONG StartDirectly(const std::string& command_line) {
  std::vector<char> command = WritableCopy(command_line);
  const LONGLONG sent = Now();
  HANDLE process = CreateShownProcess(command);
  if (process != NULL) CloseHandle(process);
  return sent;
}

LONGLONG SendThroughRegion(const RegionClient& client, const std::string& command_line) {
  const std::string text = "exec://" + command_line;
  const LONGLONG sent = Now();
  WriteRequestText(client, text);
  ReleaseSemaphore(client.semaphore, 1, NULL);
  return sent;
}

LONGLONG SendThroughWindowText(const std::string& command_line) {
  HWND window = FindLauncherWindow();
  const LONGLONG sent = Now();
  SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(command_line.c_str()));
  SendMessageA(window, WM_USER, command_line.size() + 1, kActionStartProgram);
  return sent;
}

LONGLONG RequestProbeStart(Route route, const std::string& command_line,
                           const RegionClient& client) {
  switch (route) {
    case kRouteRegion:
      return SendThroughRegion(client, command_line);
    case kRouteWindowText:
      return SendThroughWindowText(command_line);
    default:
      return StartDirectly(command_line);
  }
}

// ---------------------------------------------------------------- probe log

bool ClearProbeLog(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

// The counter that the first complete record of the log carries.
bool ReadProbeStart(const std::string& path, LONGLONG* started) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return false;
  char record[512];
  DWORD length = 0;
  const BOOL read = ReadFile(file, record, sizeof record - 1, &length, NULL);
  CloseHandle(file);
  if (!read) return false;
  record[length] = '\0';
  if (strchr(record, '\n') == NULL) return false;
  *started = strtoll(record, NULL, 10);
  return true;
}

bool WaitForProbeStart(const std::string& path, LONGLONG* started) {
  const LONGLONG waiting_since = Now();
  while (!ReadProbeStart(path, started)) {
    if (PastDeadline(waiting_since, kProbeTimeoutMs)) return false;
    Sleep(kProbePollMs);
  }
  return true;
}

// ---------------------------------------------------------------- measurements

// One launch of the probe by `route`, in milliseconds from hand-over to the
// probe's first instruction. Waits for the probe to end, so no launch
// overlaps the next one.
bool MeasureOneLaunch(Route route, const Paths& paths, const RegionClient& client, double* ms) {
  const std::string command_line = Quoted(paths.probe) + " " + kProbeArgument;
  if (!ClearProbeLog(paths.probe_log)) return false;
  const LONGLONG sent = RequestProbeStart(route, command_line, client);
  LONGLONG started = 0;
  const bool seen = WaitForProbeStart(paths.probe_log, &started);
  WaitForProcessesNamed(FileNameOf(paths.probe).c_str(), kProbeTimeoutMs);
  if (!seen) return false;
  *ms = TicksToMs(started - sent);
  return true;
}

// Round r runs the routes in an order rotated by r, so each route takes each
// place equally often and slow drift of the machine hits all three alike.
// A round counts only when all three routes launched the probe.
bool MeasureLaunchRound(int round, const Paths& paths, const RegionClient& client,
                        double ms[kRouteCount]) {
  for (int place = 0; place < kRouteCount; ++place) {
    const int route = (round + place) % kRouteCount;
    if (!MeasureOneLaunch(static_cast<Route>(route), paths, client, &ms[route])) return false;
  }
  return true;
}

void MeasureLaunchOverhead(const Paths& paths, const RegionClient& client, int rounds,
                           Results* results) {
  Note("bench: launch overhead, %d rounds of three routes\n", rounds);
  double ms[kRouteCount];
  MeasureLaunchRound(0, paths, client, ms);  // warm-up, not counted
  for (int round = 0; round < rounds; ++round) {
    if (!MeasureLaunchRound(round, paths, client, ms)) continue;
    for (int route = 0; route < kRouteCount; ++route) {
      results->launch_ms[route].push_back(ms[route]);
      results->paired_ratio[route].push_back(ms[route] / ms[kRouteDirect]);
    }
  }
  results->launch_rounds = rounds;
}

// The request semaphore's current count through ntdll, or -1.
LONG SemaphoreCount(HANDLE semaphore) {
  struct SemaphoreBasicInformation {
    LONG current_count;
    LONG maximum_count;
  };
  typedef LONG(WINAPI * QuerySemaphore)(HANDLE, int, PVOID, ULONG, PULONG);
  static QuerySemaphore query = reinterpret_cast<QuerySemaphore>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySemaphore")));
  SemaphoreBasicInformation info;
  if (query == NULL || query(semaphore, 0, &info, sizeof info, NULL) != 0) return -1;
  return info.current_count;
}

// Returns once the worker has ended whatever request it is serving.
void WaitForWorkerIdle(const RegionClient& client) {
  WaitForSingleObject(client.mutex, INFINITE);
  ReleaseMutex(client.mutex);
}

// From the release of one unit until the worker has taken it. Spins: the
// wake-up takes tens of microseconds, far below a sleep's period.
bool TimeWorkerWakeUp(const RegionClient& client, double* ms) {
  const LONGLONG released = Now();
  if (!ReleaseSemaphore(client.semaphore, 1, NULL)) return false;
  LONG count;
  while ((count = SemaphoreCount(client.semaphore)) > 0) {
    if (PastDeadline(released, kBurstTimeoutMs)) return false;
  }
  const LONGLONG taken = Now();
  WaitForWorkerIdle(client);
  *ms = TicksToMs(taken - released);
  return count == 0;
}

// Both messages of a window-text request, with a code that launches nothing.
double TimeWindowTextHandOver(HWND window, const std::string& text) {
  const LONGLONG sent = Now();
  SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  SendMessageA(window, WM_USER, text.size() + 1, kActionNone);
  return TicksToMs(Now() - sent);
}

// The channels' own share of a launch, without any process start.
void MeasureHandOver(const Paths& paths, const RegionClient& client, Results* results) {
  Note("bench: hand-over, %d samples per channel\n", kHandOverSamples);
  WriteRequestText(client, kInertRequest);
  HWND window = FindLauncherWindow();
  const std::string text = Quoted(paths.probe) + " " + kProbeArgument;
  for (int sample = 0; sample < kHandOverSamples; ++sample) {
    double ms;
    if (TimeWorkerWakeUp(client, &ms)) results->worker_wakeup_ms.push_back(ms);
    results->window_text_hand_over_ms.push_back(TimeWindowTextHandOver(window, text));
    Sleep(1);
  }
}

// Keeps the count topped up, never past its maximum, until kUnitsPerSample
// units are released, then waits for the count to read 0. The worker takes a
// unit only after it has finished the one before, so at that moment every
// unit but the last is served: the rate counts those. The wait for the lock
// afterwards lets the last one end before the next sample.
bool MeasureThroughputSample(const RegionClient& client, double* per_second) {
  WaitForWorkerIdle(client);
  LONG count = SemaphoreCount(client.semaphore);
  if (count != 0) return false;

  const LONGLONG started = Now();
  LONG released = 0;
  while (released < kUnitsPerSample || count > 0) {
    if (released < kUnitsPerSample && count <= kSemaphoreMaximum / 2) {
      const LONG units = std::min(kSemaphoreMaximum - count, kUnitsPerSample - released);
      if (!ReleaseSemaphore(client.semaphore, units, NULL)) return false;
      released += units;
    }
    Sleep(1);
    count = SemaphoreCount(client.semaphore);
    if (count < 0 || PastDeadline(started, kBurstTimeoutMs)) return false;
  }
  const LONGLONG drained = Now();
  WaitForWorkerIdle(client);
  *per_second = (kUnitsPerSample - 1) * 1000.0 / TicksToMs(drained - started);
  return true;
}

void MeasureThroughput(const RegionClient& client, Results* results) {
  Note("bench: throughput, %d samples of %ld units\n", kThroughputSamples,
       static_cast<long>(kUnitsPerSample));
  WriteRequestText(client, kInertRequest);
  for (int sample = 0; sample < kThroughputSamples; ++sample) {
    double per_second;
    if (MeasureThroughputSample(client, &per_second)) {
      results->requests_per_second.push_back(per_second);
    }
  }
}

// Kernel plus user time in 100 ns ticks.
bool ProcessorTicks(HANDLE process, ULONGLONG* ticks) {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return false;
  ULARGE_INTEGER k, u;
  k.LowPart = kernel.dwLowDateTime;
  k.HighPart = kernel.dwHighDateTime;
  u.LowPart = user.dwLowDateTime;
  u.HighPart = user.dwHighDateTime;
  *ticks = k.QuadPart + u.QuadPart;
  return true;
}

void MeasureIdleCost(HANDLE launcher, Results* results) {
  Note("bench: idle cost, %lu s without requests\n",
       static_cast<unsigned long>(kIdleMilliseconds / 1000));
  Sleep(200);  // let the last request of the bursts end
  ULONGLONG before, after;
  if (!ProcessorTicks(launcher, &before)) return;
  Sleep(kIdleMilliseconds);
  if (!ProcessorTicks(launcher, &after)) return;
  // An ended launcher would read as idle too.
  if (WaitForProcessEnd(launcher, 0)) {
    Note("bench: the launcher ended during the idle window\n");
    return;
  }
  results->busy_ticks = before;
  results->idle_ticks = after - before;
  results->idle_measured = true;
}

// From CreateProcessA to the end of a silent remover run.
bool TimeRemoverRun(const Paths& paths, double* ms) {
  std::vector<char> command = WritableCopy(Quoted(paths.remover) + " /s");
  const LONGLONG started = Now();
  HANDLE process = CreateShownProcess(command);
  if (process == NULL) return false;
  const bool ended = WaitForProcessEnd(process, kRemoverTimeoutMs);
  const LONGLONG finished = Now();
  if (!ended) TerminateProcess(process, 1);
  CloseHandle(process);
  *ms = TicksToMs(finished - started);
  return ended;
}

void MeasureRemoverWithLauncher(const Paths& paths, Results* results) {
  HANDLE launcher = StartLauncher(paths);
  if (launcher == NULL) return;
  double ms;
  if (TimeRemoverRun(paths, &ms)) results->remover_with_launcher_ms.push_back(ms);
  if (!WaitForProcessEnd(launcher, kStopTimeoutMs)) {
    ++results->launchers_left_running;
    StopAllLaunchers();
  }
  CloseHandle(launcher);
}

void MeasureRemoverWithoutLauncher(const Paths& paths, Results* results) {
  if (!StopAllLaunchers()) return;
  double ms;
  if (TimeRemoverRun(paths, &ms)) results->remover_without_launcher_ms.push_back(ms);
}

void MeasureRemover(const Paths& paths, Results* results) {
  results->remover_present = FileExists(paths.remover);
  if (!results->remover_present) {
    Note("bench: %s not found, remover rows are n/a\n", paths.remover.c_str());
    return;
  }
  Note("bench: remover, %d runs with a launcher and %d without\n", kRemoverRounds, kRemoverRounds);
  for (int round = 0; round < kRemoverRounds; ++round) {
    MeasureRemoverWithLauncher(paths, results);
    MeasureRemoverWithoutLauncher(paths, results);
  }
}

// Launches, bursts and the idle window all use one launcher.
bool MeasureWithOneLauncher(const Paths& paths, int rounds, Results* results) {
  HANDLE launcher = StartLauncher(paths);
  if (launcher == NULL) {
    Note("bench: %s did not start\n", paths.launcher.c_str());
    return false;
  }
  RegionClient client;
  const bool opened = OpenRegionClient(&client);
  if (opened) {
    MeasureLaunchOverhead(paths, client, rounds, results);
    MeasureHandOver(paths, client, results);
    MeasureThroughput(client, results);
    MeasureIdleCost(launcher, results);
    CloseRegionClient(&client);
  } else {
    Note("bench: cannot open the shared-memory channel\n");
  }
  StopAllLaunchers();
  CloseHandle(launcher);
  return opened;
}

// ---------------------------------------------------------------- report

constexpr int kColumns = 6;

struct Row {
  std::string cells[kColumns];
};

std::string Number(double value, int decimals) {
  char text[32];
  (void)snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string Verdict(bool met) { return met ? "met" : "MISSED"; }

double Median(const std::vector<double>& samples) { return Summarize(samples).median; }

Row NotAvailableRow(const char* label) {
  Row row;
  row.cells[0] = label;
  row.cells[1] = "n/a";
  return row;
}

Row SampleRow(const char* label, const std::vector<double>& samples, const char* unit,
              int decimals) {
  const Summary s = Summarize(samples);
  if (!s.valid) return NotAvailableRow(label);
  Row row;
  row.cells[0] = label;
  row.cells[1] = Number(s.median, decimals) + " " + unit;
  row.cells[2] = Number(s.q1, decimals) + " .. " + Number(s.q3, decimals);
  row.cells[3] = Number(s.low, decimals) + " .. " + Number(s.high, decimals);
  row.cells[4] = Number(static_cast<double>(s.count), 0);
  return row;
}

// The verdict goes by the ratio of the medians; the median of the per-round
// ratios beside it shows how much of that is drift between rounds.
std::string LaunchComparison(const Results& r, int route) {
  if (route == kRouteDirect) return "reference";
  const double direct = Median(r.launch_ms[kRouteDirect]);
  if (r.launch_ms[route].empty() || direct <= 0) return "";
  const double ratio = Median(r.launch_ms[route]) / direct;
  return "ratio " + Number(ratio, 3) + " (per round " + Number(Median(r.paired_ratio[route]), 3) +
         "), target <= 1.05: " + Verdict(ratio <= kLaunchRatioTarget);
}

void AddLaunchRows(const Results& r, std::vector<Row>* rows) {
  const char* const labels[kRouteCount] = {"launch, client's own CreateProcessA",
                                           "launch, shared-memory channel",
                                           "launch, window-text channel"};
  for (int route = 0; route < kRouteCount; ++route) {
    Row row = SampleRow(labels[route], r.launch_ms[route], "ms", 2);
    row.cells[5] = LaunchComparison(r, route);
    rows->push_back(row);
  }
  rows->push_back(SampleRow("hand-over, worker takes a unit", r.worker_wakeup_ms, "ms", 3));
  rows->push_back(SampleRow("hand-over, window text + WM_USER, no action",
                            r.window_text_hand_over_ms, "ms", 3));
}

Row IdleRow(const Results& r) {
  const char label[] = "launcher processor time, 10 s idle";
  if (!r.idle_measured) return NotAvailableRow(label);
  Row row;
  row.cells[0] = label;
  row.cells[1] = Number(static_cast<double>(r.idle_ticks), 0) + " ticks";
  row.cells[4] = "1";
  row.cells[5] = "target 0: " + Verdict(r.idle_ticks == 0);
  return row;
}

Row RemoverRow(const Results& r, const char* label, const std::vector<double>& samples) {
  if (!r.remover_present) return NotAvailableRow(label);
  return SampleRow(label, samples, "ms", 1);
}

Row SizeRow(const char* label, LONGLONG bytes) {
  if (bytes < 0) return NotAvailableRow(label);
  Row row;
  row.cells[0] = label;
  row.cells[1] = Number(static_cast<double>(bytes), 0) + " bytes";
  row.cells[5] = "target <= 49152: " + Verdict(bytes <= kSizeTarget);
  return row;
}

std::vector<Row> TableRows(const Results& r) {
  std::vector<Row> rows;
  rows.push_back({{"measurement", "median", "IQR", "min .. max", "n", "comparison"}});
  AddLaunchRows(r, &rows);
  rows.push_back(SampleRow("shared-memory throughput, texts that select nothing",
                           r.requests_per_second, "req/s", 0));
  rows.push_back(IdleRow(r));
  rows.push_back(RemoverRow(r, "Kestrune /s, launcher running", r.remover_with_launcher_ms));
  rows.push_back(RemoverRow(r, "Kestrune /s, no launcher", r.remover_without_launcher_ms));
  rows.push_back(SizeRow("Tarvolin.exe size", r.launcher_bytes));
  rows.push_back(SizeRow("Kestrune.exe size", r.remover_bytes));
  return rows;
}

void PrintTable(const std::vector<Row>& rows) {
  size_t widths[kColumns] = {0};
  for (const Row& row : rows) {
    for (int c = 0; c < kColumns; ++c) widths[c] = std::max(widths[c], row.cells[c].size());
  }
  for (size_t i = 0; i < rows.size(); ++i) {
    std::string line;
    for (int c = 0; c < kColumns; ++c) {
      std::string cell = rows[i].cells[c];
      cell.resize(widths[c], ' ');
      line += (c == 0 ? "" : "  ") + cell;
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    printf("%s\n", line.c_str());
    if (i == 0) printf("%s\n", std::string(line.size(), '-').c_str());
  }
}

void PrintRawMedian(const char* key, const std::vector<double>& samples) {
  if (samples.empty()) {
    printf("%s n/a\n", key);
  } else {
    printf("%s %.4f\n", key, Median(samples));
  }
}

void PrintRawRatio(const char* key, const Results& r, int route) {
  const double direct = Median(r.launch_ms[kRouteDirect]);
  if (direct <= 0 || r.launch_ms[route].empty()) {
    printf("%s n/a\n", key);
  } else {
    printf("%s %.4f\n", key, Median(r.launch_ms[route]) / direct);
  }
}

// Least disturbed by other load on the machine: the best launch of each route.
void PrintRawMinimumRatio(const char* key, const Results& r, int route) {
  const Summary direct = Summarize(r.launch_ms[kRouteDirect]);
  const Summary other = Summarize(r.launch_ms[route]);
  if (!direct.valid || !other.valid || direct.low <= 0) {
    printf("%s n/a\n", key);
  } else {
    printf("%s %.4f\n", key, other.low / direct.low);
  }
}

void PrintRawMedians(const Results& r) {
  printf("\nraw medians\n");
  PrintRawMedian("launch_direct_ms", r.launch_ms[kRouteDirect]);
  PrintRawMedian("launch_shared_memory_ms", r.launch_ms[kRouteRegion]);
  PrintRawMedian("launch_window_text_ms", r.launch_ms[kRouteWindowText]);
  PrintRawRatio("ratio_shared_memory", r, kRouteRegion);
  PrintRawRatio("ratio_window_text", r, kRouteWindowText);
  PrintRawMedian("per_round_ratio_shared_memory", r.paired_ratio[kRouteRegion]);
  PrintRawMedian("per_round_ratio_window_text", r.paired_ratio[kRouteWindowText]);
  PrintRawMinimumRatio("minimum_ratio_shared_memory", r, kRouteRegion);
  PrintRawMinimumRatio("minimum_ratio_window_text", r, kRouteWindowText);
  PrintRawMedian("worker_wakeup_ms", r.worker_wakeup_ms);
  PrintRawMedian("window_text_hand_over_ms", r.window_text_hand_over_ms);
  PrintRawMedian("shared_memory_requests_per_s", r.requests_per_second);
  if (r.idle_measured) {
    printf("idle_processor_ticks %llu\n", static_cast<unsigned long long>(r.idle_ticks));
    printf("processor_ticks_before_idle %llu\n", static_cast<unsigned long long>(r.busy_ticks));
  } else {
    printf("idle_processor_ticks n/a\n");
  }
  PrintRawMedian("kestrune_with_launcher_ms", r.remover_with_launcher_ms);
  PrintRawMedian("kestrune_without_launcher_ms", r.remover_without_launcher_ms);
  printf("tarvolin_bytes %lld\n", static_cast<long long>(r.launcher_bytes));
  printf("kestrune_bytes %lld\n", static_cast<long long>(r.remover_bytes));
}

void PrintReport(const Results& r) {
  printf(
      "Tarvolin and Kestrune benchmark: %d launch rounds, %d hand-overs, %d throughput "
      "samples of %ld units, %lu s idle, %d remover runs each way\n\n",
      r.launch_rounds, kHandOverSamples, kThroughputSamples, static_cast<long>(kUnitsPerSample),
      static_cast<unsigned long>(kIdleMilliseconds / 1000), kRemoverRounds);
  PrintTable(TableRows(r));
  printf(
      "\nProcessor time is in 100 ns ticks as GetProcessTimes reports it; the launcher had "
      "used %llu ticks before the idle window.\n",
      static_cast<unsigned long long>(r.busy_ticks));
  printf(
      "Kestrune's run with a launcher includes the launcher's answer to WM_CLOSE, which comes "
      "after its 50 ms teardown pause.\n");
  if (r.launchers_left_running > 0) {
    printf("note: %d launcher(s) still ran after Kestrune /s had ended\n",
           r.launchers_left_running);
  }
  PrintRawMedians(r);
  (void)fflush(stdout);
}

std::string ProbeLogPath() {
  char folder[MAX_PATH];
  const DWORD length = GetTempPathA(sizeof folder, folder);
  if (length == 0 || length >= sizeof folder) return std::string("C:\\") + kProbeLogName;
  return std::string(folder) + kProbeLogName;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4 || argc > 5) {
    Note("usage: bench TARVOLIN.EXE KESTRUNE.EXE PROBE.EXE [LAUNCH-ROUNDS]\n");
    return 2;
  }
  Paths paths{argv[1], argv[2], argv[3], ProbeLogPath()};
  const int rounds = argc == 5 ? std::max(1, static_cast<int>(strtol(argv[4], nullptr, 10)))
                               : kDefaultLaunchRounds;
  // Inherited by the launcher and so by every probe it starts.
  SetEnvironmentVariableA(kProbeLogVariable, paths.probe_log.c_str());

  Results results;
  results.launcher_bytes = FileSize(paths.launcher);
  results.remover_bytes = FileSize(paths.remover);

  if (!StopAllLaunchers()) Note("bench: a leftover launcher did not stop\n");
  const bool measured = MeasureWithOneLauncher(paths, rounds, &results);
  if (measured) MeasureRemover(paths, &results);
  StopAllLaunchers();
  DeleteFileA(paths.probe_log.c_str());

  PrintReport(results);
  return measured ? 0 : 1;
}
