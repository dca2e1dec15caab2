// Stress and fault tests of the launcher with real client processes, several
// at once: many requests on both channels, a client killed while it holds
// the lock, WM_CLOSE in the middle of traffic, and regions that hold no
// terminator while valid requests go on around them.
//
// The checks are exact, never timed. Each unit of the request semaphore runs
// the text that the region holds when the worker reads it, so the probe's
// records are counted against the units the clients released, and every
// record must carry a text that some client wrote. Clients that take turns
// (write only once the region's text has run) make each text run exactly
// once. A client's exit code is the number of requests it delivered.
#include <windows.h>

#include <gtest/gtest.h>
#include <string.h>

#include <map>
#include <numeric>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "launcher_client.h"
#include "launcher_test.h"
#include "stress_requests.h"
#include "test_support.h"

namespace tarvolin_test {
namespace {

// Bound of a whole burst: client runs and the records they cause.
constexpr DWORD kBurstTimeoutMs = 90000;
// A client run that only the stop event ends. A client's exit code counts
// requests and so stays below this; anything else is a crash or a hang.
constexpr int kUntilStopped = 100000;
// Records that show a burst is under way before a fault is injected, and
// that must follow the fault.
constexpr size_t kTrafficRecords = 20;

constexpr unsigned kRegionShowState = 5;
constexpr unsigned kWindowShowState = 1;
constexpr LPARAM kStartProgram = 1;

const char kRegionMarker[] = "stress-region";
const char kWindowMarker[] = "stress-window";

std::string StressClientPath() { return WindowsPath(TARVOLIN_STRESS_CLIENT_PATH); }

// ---- What was written and what ran ---------------------------------------------

// Every text region clients 0, 1, ... wrote, given how many valid texts each
// delivered.
std::vector<std::string> RegionTexts(const std::vector<int>& valid_texts_by_client) {
  std::vector<std::string> texts;
  for (size_t client = 0; client < valid_texts_by_client.size(); ++client) {
    for (int n = 0; n < valid_texts_by_client[client]; ++n) {
      texts.push_back(RegionCommandLine(static_cast<int>(client), n));
    }
  }
  return texts;
}

std::vector<std::string> WindowTexts(int count) {
  std::vector<std::string> texts;
  for (int n = 0; n < count; ++n) texts.push_back(WindowCommandLine(n));
  return texts;
}

int Sum(const std::vector<int>& values) { return std::accumulate(values.begin(), values.end(), 0); }

// How often each written text ran. Every record must be one of `written`,
// started with `show_state`; one failure per check names the first offender.
std::map<std::string, size_t> CountRuns(const std::vector<ProbeRecord>& records,
                                        const std::vector<std::string>& written,
                                        unsigned show_state) {
  const std::set<std::string> known(written.begin(), written.end());
  std::map<std::string, size_t> runs;
  size_t unknown = 0;
  size_t wrong_show = 0;
  std::string first_unknown;
  for (const ProbeRecord& record : records) {
    if (known.count(record.command_line) == 0) {
      if (unknown++ == 0) first_unknown = record.command_line;
      continue;
    }
    ++runs[record.command_line];
    if (record.show_window != show_state) ++wrong_show;
  }
  EXPECT_EQ(unknown, 0u) << "records whose command line no client wrote, first: " << first_unknown;
  EXPECT_EQ(wrong_show, 0u) << "records started with another show state than " << show_state;
  return runs;
}

// No upper bound on how often a text runs.
constexpr size_t kAnyNumberOfTimes = static_cast<size_t>(-1);

// Checks that each written text ran at least `least` and at most `most` times.
void ExpectRunsBetween(const std::map<std::string, size_t>& runs,
                       const std::vector<std::string>& written, size_t least, size_t most) {
  size_t outside = 0;
  std::string first;
  size_t first_runs = 0;
  for (const std::string& text : written) {
    const auto found = runs.find(text);
    const size_t ran = found == runs.end() ? 0 : found->second;
    if (ran >= least && ran <= most) continue;
    if (outside++ == 0) {
      first = text;
      first_runs = ran;
    }
  }
  const std::string how_often = most == least ? std::to_string(least)
                                : most == kAnyNumberOfTimes
                                    ? std::to_string(least) + " or more"
                                    : std::to_string(least) + " to " + std::to_string(most);
  EXPECT_EQ(outside, 0u) << "of " << written.size() << " texts, " << outside << " did not run "
                         << how_often << " times; first: " << first << " ran " << first_runs
                         << " times";
}

// ---- Handle counts ---------------------------------------------------------------

// One entry of the system-wide handle list (SystemHandleInformation).
struct SystemHandleEntry {
  ULONG owner_process_id;
  UCHAR object_type;
  UCHAR flags;
  USHORT handle;
  PVOID object;
  ACCESS_MASK access;
};
typedef LONG(NTAPI* QuerySystemInformation)(int, PVOID, ULONG, PULONG);
constexpr int kSystemHandleInformation = 16;
constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
constexpr size_t kLargestHandleList = 1 << 26;

// The process's entries in the system-wide handle list; 0 when the list
// cannot be had.
DWORD HandlesInSystemList(DWORD process_id) {
  const auto query = reinterpret_cast<QuerySystemInformation>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
  if (query == NULL) return 0;
  std::vector<char> buffer(1 << 16);
  LONG status;
  while ((status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()),
                         NULL)) == kInfoLengthMismatch &&
         buffer.size() < kLargestHandleList) {
    buffer.resize(buffer.size() * 2);
  }
  if (status != 0) return 0;
  // The list: a count, then the entries, aligned as a pointer.
  ULONG entries = 0;
  memcpy(&entries, buffer.data(), sizeof entries);
  const auto* entry = reinterpret_cast<const SystemHandleEntry*>(buffer.data() + sizeof(ULONG_PTR));
  DWORD count = 0;
  for (ULONG i = 0; i < entries; ++i) count += entry[i].owner_process_id == process_id ? 1 : 0;
  return count;
}

// How many handles the process holds; 0 when the platform does not tell.
// Where GetProcessHandleCount gives no figure (Wine answers 0 for every
// process), the process's entries in the system-wide handle list count.
DWORD HandleCount(HANDLE process) {
  DWORD count = 0;
  if (GetProcessHandleCount(process, &count) && count != 0) return count;
  return HandlesInSystemList(GetProcessId(process));
}

// ---- Fixture ---------------------------------------------------------------------

// Starts client processes and makes sure none outlives its test.
class StressTest : public LauncherTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(LauncherTest::SetUp());
    SetLastError(0xdeadbeef);
    stop_ = CreateEventA(NULL, TRUE, FALSE, kStopEventName);
    ASSERT_NE(stop_, nullptr) << "no stop event, error " << GetLastError();
  }

  void TearDown() override {
    if (stop_ != NULL) SetEvent(stop_);
    for (HANDLE client : clients_) {
      WaitForExitCode(client);
      EndProcess(client);
    }
    clients_.clear();
    if (stop_ != NULL) CloseHandle(stop_);
    LauncherTest::TearDown();
  }

  HANDLE StartClient(const std::string& arguments) {
    HANDLE client = StartProcess(Quoted(StressClientPath()) + " " + arguments);
    EXPECT_NE(client, nullptr) << "the client did not start: " << arguments;
    if (client != NULL) clients_.push_back(client);
    return client;
  }

  std::vector<HANDLE> StartRegionClients(int clients, int count, RegionMode mode) {
    std::vector<HANDLE> started;
    for (int client = 0; client < clients; ++client) {
      started.push_back(StartClient(RegionClientArguments(client, count, mode)));
    }
    return started;
  }

  // Waits for the client's end; the number of requests it delivered. A
  // client that does not end in time or crashed fails the test.
  static int Delivered(HANDLE client) {
    const DWORD exit_code = WaitForExitCode(client, kBurstTimeoutMs);
    EXPECT_LT(exit_code, static_cast<DWORD>(kUntilStopped))
        << "the client did not end in time or crashed, exit code 0x" << std::hex << exit_code;
    return exit_code < static_cast<DWORD>(kUntilStopped) ? static_cast<int>(exit_code) : 0;
  }

  static std::vector<int> DeliveredByEach(const std::vector<HANDLE>& clients) {
    std::vector<int> delivered;
    for (HANDLE client : clients) delivered.push_back(Delivered(client));
    return delivered;
  }

  // Waits until at least `count` records exist; all records after settling.
  // Used once the clients have ended, when only the last few launches are
  // still on their way.
  std::vector<ProbeRecord> RecordsOnceAtLeast(size_t count) {
    WaitForProbeRecords(log_, count);
    return RecordsAfterSettling();
  }

  HANDLE stop_ = NULL;

 private:
  std::vector<HANDLE> clients_;
};

// ---- Many clients on both channels ---------------------------------------------

constexpr int kRegionClients = 4;
constexpr int kRequestsPerRegionClient = 100;
constexpr int kWindowRequests = 100;

struct BurstCase {
  const char* name;
  RegionMode mode;
};

// Names the case in test listings.
void PrintTo(const BurstCase& c, std::ostream* out) { *out << c.name; }

class StressBurstTest : public StressTest, public ::testing::WithParamInterface<BurstCase> {
 protected:
  // One request on each channel before the burst, so that whatever the first
  // launch sets up for good is counted before the burst, not in it.
  void WarmUpBothChannels() {
    ASSERT_TRUE(SendRegionRequest(client_, "exec://" + ProbeCommandLine("warm-up region")));
    const std::string window_text = ProbeCommandLine("warm-up window");
    bool delivered = false;
    SendWindowTextRequest(window_, window_text, window_text.size() + 1, kStartProgram, &delivered);
    ASSERT_TRUE(delivered) << "the launcher window did not answer";
    ASSERT_EQ(WaitForRecords(2).size(), 2u) << "the warm-up requests did not run";
  }

  // The launcher's handle count while it is idle: holding the lock with no
  // unit pending means that the worker is not in the middle of a request.
  // 0 when the platform gives no figure.
  DWORD IdleHandleCount(HANDLE launcher) {
    if (!WaitUntilUnitsTaken(client_) || !TakeInstanceMutex(client_)) return 0;
    const DWORD count = HandleCount(launcher);
    ReleaseInstanceMutex(client_);
    return count;
  }
};

TEST_P(StressBurstTest, EveryUnitRunsAWrittenTextAndNoHandleIsKept) {
  const RegionMode mode = GetParam().mode;
  ASSERT_NO_FATAL_FAILURE(StartServingLauncher());
  ASSERT_NO_FATAL_FAILURE(WarmUpBothChannels());
  constexpr size_t kWarmUpRecords = 2;
  SetLastError(0xdeadbeef);
  HANDLE query = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, GetProcessId(launcher_));
  ASSERT_NE(query, nullptr) << "cannot query the launcher process, error " << GetLastError();
  const DWORD handles_before = IdleHandleCount(query);

  const std::vector<HANDLE> region_clients =
      StartRegionClients(kRegionClients, kRequestsPerRegionClient, mode);
  HANDLE window_client = StartClient(WindowClientArguments(kWindowRequests));
  const std::vector<int> region_delivered = DeliveredByEach(region_clients);
  const int window_delivered = Delivered(window_client);
  for (size_t client = 0; client < region_delivered.size(); ++client) {
    EXPECT_EQ(region_delivered[client], kRequestsPerRegionClient) << "region client " << client;
  }
  EXPECT_EQ(window_delivered, kWindowRequests) << "window-text client";

  const size_t units = static_cast<size_t>(Sum(region_delivered));
  const size_t expected = kWarmUpRecords + units + static_cast<size_t>(window_delivered);
  const std::vector<ProbeRecord> records = RecordsOnceAtLeast(expected);
  EXPECT_EQ(records.size(), expected)
      << "runs differ from the units released plus the window-text requests";

  const std::vector<ProbeRecord> region_records = RecordsContaining(records, kRegionMarker);
  EXPECT_EQ(region_records.size(), units) << "region runs differ from the units released";
  const std::vector<std::string> region_texts = RegionTexts(region_delivered);
  const auto region_runs = CountRuns(region_records, region_texts, kRegionShowState);
  if (mode == RegionMode::TakeTurns) ExpectRunsBetween(region_runs, region_texts, 1, 1);

  const std::vector<std::string> window_texts = WindowTexts(window_delivered);
  const auto window_runs =
      CountRuns(RecordsContaining(records, kWindowMarker), window_texts, kWindowShowState);
  ExpectRunsBetween(window_runs, window_texts, 1, 1);

  if (handles_before == 0) {
    CloseHandle(query);
    GTEST_SKIP() << "neither GetProcessHandleCount nor the system handle list gave a figure for "
                    "the launcher: its handle count was not compared";
  }
  DWORD handles_after = 0;
  WaitUntil([&] { return (handles_after = IdleHandleCount(query)) == handles_before; });
  CloseHandle(query);
  EXPECT_EQ(handles_after, handles_before) << "the launcher kept handles from the burst";
}

INSTANTIATE_TEST_SUITE_P(Clients, StressBurstTest,
                         ::testing::Values(BurstCase{"TakingTurns", RegionMode::TakeTurns},
                                           BurstCase{"Paced", RegionMode::Paced}),
                         [](const ::testing::TestParamInfo<BurstCase>& info) {
                           return std::string(info.param.name);
                         });

// ---- A client killed while it holds the lock ------------------------------------

constexpr int kLockHolder = 9;  // the lock holder's client number, apart from the others

class StressAbandonedLockTest : public StressTest {
 protected:
  void TearDown() override {
    StressTest::TearDown();
    if (holding_ != NULL) CloseHandle(holding_);
  }
  HANDLE holding_ = NULL;
};

TEST_F(StressAbandonedLockTest, TrafficGoesOnAndNoRequestIsLost) {
  constexpr int kClients = 3;
  SetLastError(0xdeadbeef);
  holding_ = CreateEventA(NULL, TRUE, FALSE, kHoldingEventName);
  ASSERT_NE(holding_, nullptr) << "no holding event, error " << GetLastError();
  ASSERT_NO_FATAL_FAILURE(StartServingLauncher());
  const std::vector<HANDLE> clients =
      StartRegionClients(kClients, kUntilStopped, RegionMode::TakeTurns);
  ASSERT_GE(WaitForProbeRecords(log_, kTrafficRecords).size(), kTrafficRecords)
      << "the clients' traffic did not get going";

  HANDLE holder = StartClient(LockHolderArguments(kLockHolder));
  ASSERT_NE(holder, nullptr);
  ASSERT_EQ(WaitForSingleObject(holding_, kWaitTimeoutMs), WAIT_OBJECT_0)
      << "the lock holder never held the lock, exit code " << WaitForExitCode(holder, 0);
  SetLastError(0xdeadbeef);
  ASSERT_TRUE(TerminateProcess(holder, 1)) << "could not kill the lock holder: " << GetLastError();
  ASSERT_NE(WaitForExitCode(holder), kNoExitCode) << "the lock holder did not end";

  const size_t at_kill = ReadProbeRecords(log_).size();
  ASSERT_GE(WaitForProbeRecords(log_, at_kill + kTrafficRecords).size(), at_kill + kTrafficRecords)
      << "the channel served too little after the lock was abandoned";
  SetEvent(stop_);
  const std::vector<int> delivered = DeliveredByEach(clients);

  std::vector<std::string> written = RegionTexts(delivered);
  written.push_back(RegionCommandLine(kLockHolder, 0));
  const std::vector<ProbeRecord> records = RecordsOnceAtLeast(written.size());
  EXPECT_EQ(records.size(), written.size()) << "runs differ from the units released";
  ExpectRunsBetween(CountRuns(records, written, kRegionShowState), written, 1, 1);
  EXPECT_TRUE(IsRunning(launcher_))
      << "the launcher ended, exit code " << WaitForExitCode(launcher_, 0);
}

// ---- WM_CLOSE in the middle of a burst ------------------------------------------

class StressCloseTest : public StressTest {};

TEST_F(StressCloseTest, LauncherEndsCleanlyAndANewOneServes) {
  constexpr int kClients = 3;
  ASSERT_NO_FATAL_FAILURE(StartServingLauncher());
  const std::vector<HANDLE> region_clients =
      StartRegionClients(kClients, kUntilStopped, RegionMode::Paced);
  HANDLE window_client = StartClient(WindowClientArguments(kUntilStopped));
  ASSERT_GE(WaitForProbeRecords(log_, kTrafficRecords).size(), kTrafficRecords)
      << "the clients' traffic did not get going";

  EXPECT_EQ(CloseLauncherWindow(), 0) << "WM_CLOSE's answer";
  EXPECT_EQ(WaitForExitCode(launcher_), 0u) << "the launcher's exit code (0xC... is a crash)";
  SetEvent(stop_);
  const std::vector<int> region_delivered = DeliveredByEach(region_clients);
  const int window_delivered = Delivered(window_client);

  // A window-text request that was answered has been launched; units still
  // pending at the close are dropped, so the region may run fewer texts.
  WaitUntil([&] {
    return RecordsContaining(ReadProbeRecords(log_), kWindowMarker).size() >=
           static_cast<size_t>(window_delivered);
  });
  const std::vector<ProbeRecord> records = RecordsAfterSettling();
  const std::vector<ProbeRecord> region_records = RecordsContaining(records, kRegionMarker);
  EXPECT_LE(region_records.size(), static_cast<size_t>(Sum(region_delivered)))
      << "more region runs than units released";
  CountRuns(region_records, RegionTexts(region_delivered), kRegionShowState);
  const std::vector<std::string> window_texts = WindowTexts(window_delivered);
  ExpectRunsBetween(
      CountRuns(RecordsContaining(records, kWindowMarker), window_texts, kWindowShowState),
      window_texts, 1, 1);

  // Every client has ended and closed its handles: the names are free.
  CloseRequestChannel(&client_);
  EndProcess(launcher_);
  launcher_ = NULL;
  const size_t before = records.size();
  ASSERT_NO_FATAL_FAILURE(StartServingLauncher());
  ASSERT_TRUE(SendRegionRequest(client_, "exec://" + ProbeCommandLine("after-close region")));
  const std::string window_text = ProbeCommandLine("after-close window");
  bool delivered = false;
  SendWindowTextRequest(window_, window_text, window_text.size() + 1, kStartProgram, &delivered);
  EXPECT_TRUE(delivered) << "the new launcher's window did not answer";
  const std::vector<ProbeRecord> after = WaitForRecords(before + 2);
  EXPECT_EQ(RecordsContaining(after, "after-close region").size(), 1u);
  EXPECT_EQ(RecordsContaining(after, "after-close window").size(), 1u);
}

// ---- Regions without a terminator, under load -----------------------------------

constexpr int kGarbageClients = 3;
constexpr int kValidTextsPerGarbageClient = 25;

// Between their valid texts the clients fill the whole region with a
// startable text that has no zero byte. A garbage unit that the worker reads
// after the next valid text was written runs that text once more, and nothing
// shows a garbage read, so runs are bounded rather than counted: each valid
// text runs at least once, all runs together at most once per unit.
struct UnterminatedCase {
  const char* name;
  DWORD existing_region_size;  // made before the launcher starts; 0: none
};

// Names the case in test listings.
void PrintTo(const UnterminatedCase& c, std::ostream* out) { *out << c.name; }

class StressUnterminatedRegionTest : public StressTest,
                                     public ::testing::WithParamInterface<UnterminatedCase> {};

TEST_P(StressUnterminatedRegionTest, ValidTextsAreServedAndTheLauncherEndsCleanly) {
  const DWORD existing_size = GetParam().existing_region_size;
  if (existing_size != 0) {
    ASSERT_NO_FATAL_FAILURE(MakeRegionBeforeLauncher(existing_size));
  }
  ASSERT_NO_FATAL_FAILURE(StartServingLauncher());
  if (existing_size != 0) {
    ASSERT_LT(client_.view_size, kRequestRegionSize) << "the launcher replaced the region";
  }

  const std::vector<int> delivered = DeliveredByEach(
      StartRegionClients(kGarbageClients, kValidTextsPerGarbageClient, RegionMode::Garbage));
  std::vector<int> valid_texts;
  for (size_t client = 0; client < delivered.size(); ++client) {
    EXPECT_EQ(delivered[client], 2 * kValidTextsPerGarbageClient) << "garbage client " << client;
    valid_texts.push_back((delivered[client] + 1) / 2);  // each client starts with a valid text
  }
  const std::vector<std::string> written = RegionTexts(valid_texts);
  WaitUntil([&] {
    return RecordsContaining(ReadProbeRecords(log_), kRegionMarker).size() >= written.size();
  });
  const std::vector<ProbeRecord> records = RecordsAfterSettling();

  EXPECT_TRUE(RecordsContaining(records, kGarbageMarker).empty())
      << "a text without a terminator was started";
  EXPECT_LE(records.size(), static_cast<size_t>(Sum(delivered))) << "more runs than units";
  ExpectRunsBetween(CountRuns(records, written, kRegionShowState), written, 1, kAnyNumberOfTimes);

  ASSERT_TRUE(IsRunning(launcher_))
      << "the launcher ended, exit code " << WaitForExitCode(launcher_, 0);
  EXPECT_EQ(CloseLauncherWindow(), 0) << "WM_CLOSE's answer";
  EXPECT_EQ(WaitForExitCode(launcher_), 0u) << "the launcher's exit code (0xC... is a crash)";
}

INSTANTIATE_TEST_SUITE_P(Regions, StressUnterminatedRegionTest,
                         ::testing::Values(UnterminatedCase{"FullSize", 0},
                                           UnterminatedCase{"SmallerExisting", 4096}),
                         [](const ::testing::TestParamInfo<UnterminatedCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace tarvolin_test
