// stress_client.exe: one client process of the launcher for the stress
// tests, several of which run at once. It follows the client's rules of one
// request channel and exits with the number of requests it delivered:
//
//   stress_client region ID COUNT turns|paced|garbage
//       up to COUNT request texts through the request region (garbage: COUNT
//       valid texts, each followed by an unterminated one)
//   stress_client window COUNT
//       up to COUNT window-text requests (WM_SETTEXT, then WM_USER action 1)
//   stress_client hold ID
//       one request text, then keeps the instance mutex until it is killed
//
// Every client stops early when the test sets the stop event, and when a
// step fails or a bounded wait runs out; the test compares the exit code
// with what it asked for. Which texts have run, it learns from the probe's
// log, whose path it inherits in TARVOLIN_PROBE_LOG.
#include <windows.h>

#include <stdlib.h>
#include <string.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "launcher_client.h"
#include "stress_requests.h"
#include "test_support.h"

using namespace tarvolin_test;

namespace {

constexpr DWORD kPollMs = 2;
// A paced client writes only while fewer units than this wait for the worker.
constexpr LONG kMostPendingUnits = 4;
// The lock holder keeps the lock at most this long if nobody kills it.
constexpr DWORD kHoldingTimeMs = 60000;
constexpr size_t kSchemeLength = 7;

HANDLE g_stop;  // the test's stop event; NULL when the test made none

bool StopRequested() { return g_stop != NULL && WaitForSingleObject(g_stop, 0) == WAIT_OBJECT_0; }

// Polls until `condition` holds. False when the stop event is set first or
// the bound runs out.
bool WaitUnlessStopped(const std::function<bool()>& condition) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (condition()) return true;
    if (GetTickCount() - start >= kWaitTimeoutMs) return false;
    if (g_stop != NULL) {
      if (WaitForSingleObject(g_stop, kPollMs) == WAIT_OBJECT_0) return false;
    } else {
      Sleep(kPollMs);
    }
  }
}

// ---- The probe's log, read as it grows ---------------------------------------

struct ProbeLogWatcher {
  std::string path;
  LONGLONG complete_bytes = 0;  // bytes of whole lines taken in so far
  std::set<std::string> command_lines;
};

void TakeInNewRecords(ProbeLogWatcher* log) {
  HANDLE file = CreateFileA(log->path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return;
  LARGE_INTEGER offset;
  offset.QuadPart = log->complete_bytes;
  std::string fresh;
  if (SetFilePointerEx(file, offset, NULL, FILE_BEGIN)) {
    char chunk[16384];
    DWORD read = 0;
    while (ReadFile(file, chunk, sizeof chunk, &read, NULL) && read > 0) fresh.append(chunk, read);
  }
  CloseHandle(file);

  // A probe may be halfway through appending its line: take whole lines only.
  size_t start = 0;
  for (size_t end; (end = fresh.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string line = fresh.substr(start, end - start);
    size_t field = 0;
    for (int tab = 0; tab < 3 && field != std::string::npos; ++tab) {
      field = line.find('\t', field);
      if (field != std::string::npos) ++field;
    }
    if (field != std::string::npos) log->command_lines.insert(line.substr(field));
  }
  log->complete_bytes += static_cast<LONGLONG>(start);
}

bool HasRun(ProbeLogWatcher* log, const std::string& command_line) {
  if (log->command_lines.count(command_line) != 0) return true;
  TakeInNewRecords(log);
  return log->command_lines.count(command_line) != 0;
}

// ---- The request region --------------------------------------------------------

// The command line that the region's text would start, or "" when the region
// holds nothing that could run: no text, another scheme, or no zero byte.
std::string RunnableCommandLine(const RequestChannel& channel) {
  const char* end = static_cast<const char*>(memchr(channel.view, '\0', channel.view_size));
  if (end == NULL) return std::string();
  const std::string text(channel.view, static_cast<size_t>(end - channel.view));
  if (text.size() <= kSchemeLength + 1 || text.compare(0, kSchemeLength, "exec://") != 0) {
    return std::string();
  }
  return text.substr(kSchemeLength);
}

// Takes the instance mutex at a moment when the region's text has already
// run, so that writing now loses nobody's request. Returns holding the lock,
// or false (not holding it) when stopped or a wait ran out.
bool TakeTurn(const RequestChannel& channel, ProbeLogWatcher* log) {
  for (;;) {
    if (StopRequested() || !TakeInstanceMutex(channel)) return false;
    const std::string waiting = RunnableCommandLine(channel);
    if (waiting.empty() || HasRun(log, waiting)) return true;
    ReleaseInstanceMutex(channel);
    if (!WaitUnlessStopped([&] { return HasRun(log, waiting); })) return false;
  }
}

// A startable text that fills the whole region and has no terminator.
void WriteUnterminatedText(const RequestChannel& channel, const std::string& start) {
  memset(channel.view, 'x', channel.view_size);
  memcpy(channel.view, start.data(),
         start.size() < channel.view_size ? start.size() : channel.view_size);
}

bool ReleaseOneUnit(const RequestChannel& channel) {
  return ReleaseSemaphore(channel.semaphore, 1, NULL) != FALSE;
}

// Writes `text`, then releases the lock that the caller holds and one unit.
bool FinishRequest(const RequestChannel& channel, const std::string& text) {
  WriteRegionText(channel, text);
  return ReleaseInstanceMutex(channel) && ReleaseOneUnit(channel);
}

bool SendInTurn(const RequestChannel& channel, ProbeLogWatcher* log, const std::string& text) {
  return TakeTurn(channel, log) && FinishRequest(channel, text);
}

bool SendPaced(const RequestChannel& channel, const std::string& text) {
  const bool room = WaitUnlessStopped([&] {
    const LONG pending = PendingUnits(channel.semaphore);
    return pending < 0 || pending < kMostPendingUnits;  // unknown count: no pacing
  });
  return room && !StopRequested() && SendRegionRequest(channel, text);
}

bool SendUnterminated(const RequestChannel& channel, ProbeLogWatcher* log,
                      const std::string& start) {
  if (!TakeTurn(channel, log)) return false;
  WriteUnterminatedText(channel, start);
  return ReleaseInstanceMutex(channel) && ReleaseOneUnit(channel);
}

int RunRegionClient(int client, int count, RegionMode mode, ProbeLogWatcher* log) {
  RequestChannel channel;
  if (!OpenRequestChannel(&channel)) return 0;
  int delivered = 0;
  for (int n = 0; n < count && !StopRequested(); ++n) {
    const std::string text = "exec://" + RegionCommandLine(client, n);
    const bool sent =
        mode == RegionMode::Paced ? SendPaced(channel, text) : SendInTurn(channel, log, text);
    if (!sent) break;
    ++delivered;
    if (mode != RegionMode::Garbage) continue;
    if (!SendUnterminated(channel, log, GarbageTextStart(client, n))) break;
    ++delivered;
  }
  CloseRequestChannel(&channel);
  return delivered;
}

int RunWindowClient(int count) {
  const std::vector<HWND> windows = FindLauncherWindows();
  if (windows.size() != 1) return 0;
  constexpr LPARAM kStartProgram = 1;
  int delivered = 0;
  for (int n = 0; n < count && !StopRequested(); ++n) {
    const std::string command_line = WindowCommandLine(n);
    bool answered = false;
    SendWindowTextRequest(windows[0], command_line, command_line.size() + 1, kStartProgram,
                          &answered);
    if (!answered) break;
    ++delivered;
  }
  return delivered;
}

int RunLockHolder(int client, ProbeLogWatcher* log) {
  RequestChannel channel;
  HANDLE holding = OpenEventA(EVENT_MODIFY_STATE, FALSE, kHoldingEventName);
  if (holding == NULL || !OpenRequestChannel(&channel) || !TakeTurn(channel, log)) return 0;
  WriteRegionText(channel, "exec://" + RegionCommandLine(client, 0));
  // The unit goes out while the lock is still held: the worker takes it and
  // then waits for a lock that is only ever given back by this process's end.
  if (!ReleaseOneUnit(channel)) return 0;
  SetEvent(holding);
  Sleep(kHoldingTimeMs);
  return 1;
}

std::string ProbeLogPath() {
  char path[MAX_PATH];
  const DWORD length = GetEnvironmentVariableA("TARVOLIN_PROBE_LOG", path, sizeof path);
  return length > 0 && length < sizeof path ? std::string(path, length) : std::string();
}

int ArgumentNumber(const char* text) { return static_cast<int>(strtol(text, NULL, 10)); }

}  // namespace

int main(int argc, char** argv) {
  g_stop = OpenEventA(SYNCHRONIZE, FALSE, kStopEventName);
  ProbeLogWatcher log;
  log.path = ProbeLogPath();
  const std::string role = argc > 1 ? argv[1] : "";

  RegionMode mode = RegionMode::TakeTurns;
  if (role == "region" && argc == 5 && ParseRegionMode(argv[4], &mode)) {
    return RunRegionClient(ArgumentNumber(argv[2]), ArgumentNumber(argv[3]), mode, &log);
  }
  if (role == "window" && argc == 3) return RunWindowClient(ArgumentNumber(argv[2]));
  if (role == "hold" && argc == 3) return RunLockHolder(ArgumentNumber(argv[2]), &log);
  return 0;
}
