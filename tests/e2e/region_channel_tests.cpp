// The shared-memory request channel, driven from outside as a client drives
// it: what a request text starts and how, how units of the request semaphore
// map to launches, and how the launcher copes with regions, semaphores and
// locks that clients left in odd states.
#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "launcher_client.h"
#include "launcher_test.h"
#include "test_support.h"

namespace tarvolin_test {
namespace {

class RegionChannelTest : public LauncherTest {};
class RegionShellTest : public LauncherShellTest {};

// The region holds a text of at most this many characters and its zero.
constexpr size_t kLongestRequestText = kRequestRegionSize - 1;

std::string ExecRequest(const std::string& probe_arguments) {
  return "exec://" + ProbeCommandLine(probe_arguments);
}

TEST_F(RegionChannelTest, ExecStartsTheExactCommandLineWithShowState5) {
  struct Case {
    const char* scheme;
    const char* arguments;  // what follows the quoted probe path
  };
  // Blanks, quotes and percent signs must all reach the program untouched.
  const Case cases[] = {
      {"exec://", "plain"},
      {"EXEC://", "capitals"},
      {"eXeC://", "mixed  two\tblanks \"quoted arg\" %PATH% trailing  "},
  };
  ASSERT_NO_FATAL_FAILURE(StartServingLauncher());
  size_t expected_records = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    const std::string command_line = ProbeCommandLine(c.arguments);
    ASSERT_TRUE(SendRegionRequest(client_, c.scheme + command_line));
    const std::vector<ProbeRecord> records = WaitForRecords(++expected_records);
    ASSERT_EQ(records.size(), expected_records) << "the probe did not start";
    const ProbeRecord& started = records.back();
    EXPECT_EQ(started.command_line, command_line);
    EXPECT_EQ(started.flags & STARTF_USESHOWWINDOW, static_cast<DWORD>(STARTF_USESHOWWINDOW));
    EXPECT_EQ(started.show_window, 5u);
  }
}

TEST_F(RegionShellTest, FileAndOpenHandTheTargetToTheShellUnchanged) {
  const char* const schemes[] = {"file://", "open://", "OPEN://", "File://"};
  ASSERT_NO_FATAL_FAILURE(StartServingLauncher());
  size_t expected_records = 0;
  for (const char* scheme : schemes) {
    SCOPED_TRACE(scheme);
    ASSERT_TRUE(SendRegionRequest(client_, scheme + target_));
    const std::vector<ProbeRecord> records = WaitForRecords(++expected_records);
    ASSERT_EQ(records.size(), expected_records) << "the shell did not open the target";
    EXPECT_EQ(records.back().command_line, ShellOpenedCommandLine());
    EXPECT_EQ(records.back().show_window, 5u);
  }
}

TEST_F(RegionChannelTest, EachUnitRunsTheTextThatTheRegionHoldsThen) {
  ASSERT_NO_FATAL_FAILURE(StartServingLauncher());

  // One text, a release of 2: carried out twice.
  ASSERT_TRUE(SendRegionRequest(client_, ExecRequest("twice"), 2));
  EXPECT_EQ(WaitForRecords(2).size(), 2u);

  // A unit without a new text carries out the previous text again.
  SetLastError(0xdeadbeef);
  ASSERT_TRUE(ReleaseSemaphore(client_.semaphore, 1, NULL)) << GetLastError();
  const std::vector<ProbeRecord> records = WaitForRecords(3);
  EXPECT_EQ(RecordsContaining(records, "twice").size(), 3u);
  EXPECT_EQ(RecordsAfterSettling().size(), 3u) << "more launches than units";
}

TEST_F(RegionChannelTest, TwoTextsBeforeTheWorkerReadsRunTheSecondTwice) {
  ASSERT_NO_FATAL_FAILURE(StartServingLauncher());
  // While the client holds the lock, the worker wakes on the first unit and
  // waits for the lock; by then the region already holds the second text.
  ASSERT_TRUE(TakeInstanceMutex(client_));
  WriteRegionText(client_, ExecRequest("first-text"));
  EXPECT_TRUE(ReleaseSemaphore(client_.semaphore, 1, NULL));
  WriteRegionText(client_, ExecRequest("second-text"));
  EXPECT_TRUE(ReleaseSemaphore(client_.semaphore, 1, NULL));
  ASSERT_TRUE(ReleaseInstanceMutex(client_));

  WaitForRecords(2);
  const std::vector<ProbeRecord> records = RecordsAfterSettling();
  EXPECT_EQ(RecordsContaining(records, "second-text").size(), 2u);
  EXPECT_EQ(RecordsContaining(records, "first-text").size(), 0u);
  EXPECT_EQ(records.size(), 2u);
}

TEST_F(RegionChannelTest, UnitWithAnEmptyRegionRunsNothing) {
  ASSERT_NO_FATAL_FAILURE(StartServingLauncher());
  ASSERT_EQ(client_.view[0], '\0') << "a new region must start empty";
  SetLastError(0xdeadbeef);
  ASSERT_TRUE(ReleaseSemaphore(client_.semaphore, 1, NULL)) << GetLastError();
  ASSERT_TRUE(WaitUntilUnitsTaken(client_));
  EXPECT_TRUE(RecordsAfterSettling().empty()) << "an empty region launched something";

  // The launcher still serves.
  ASSERT_TRUE(SendRegionRequest(client_, ExecRequest("after-empty")));
  EXPECT_EQ(RecordsContaining(WaitForRecords(1), "after-empty").size(), 1u);
}

TEST_F(RegionChannelTest, SemaphoreCountStopsAt1024) {
  ASSERT_NO_FATAL_FAILURE(StartServingLauncher());
  // Holding the lock keeps the worker at one unit taken: the count is ours.
  ASSERT_TRUE(TakeInstanceMutex(client_));
  LONG previous = -1;
  SetLastError(0xdeadbeef);
  EXPECT_TRUE(ReleaseSemaphore(client_.semaphore, kRequestSemaphoreMaximum, &previous))
      << "a release up to 1024 must succeed, error " << GetLastError();
  EXPECT_EQ(previous, 0);
  ASSERT_TRUE(WaitUntil([&] { return PendingUnits(client_.semaphore) == 1023; }))
      << "the worker did not take one unit";

  SetLastError(0xdeadbeef);
  EXPECT_TRUE(ReleaseSemaphore(client_.semaphore, 1, NULL)) << "back to 1024: " << GetLastError();
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(ReleaseSemaphore(client_.semaphore, 1, NULL)) << "a release past 1024 succeeded";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TOO_MANY_POSTS));
  EXPECT_EQ(PendingUnits(client_.semaphore), 1024);
  ASSERT_TRUE(ReleaseInstanceMutex(client_));
}

// A region without a zero byte in reach holds no text: nothing may be read
// past its end, nothing is launched, and the launcher goes on serving.
struct UnterminatedRegionCase {
  const char* name;
  DWORD existing_region_size;  // made by a client before the launcher starts; 0: none
};

// Names the case in test listings.
void PrintTo(const UnterminatedRegionCase& c, std::ostream* out) { *out << c.name; }

class UnterminatedRegionTest : public LauncherTest,
                               public ::testing::WithParamInterface<UnterminatedRegionCase> {};

TEST_P(UnterminatedRegionTest, IsIgnoredAndTheLauncherGoesOnServing) {
  const DWORD existing_size = GetParam().existing_region_size;
  if (existing_size != 0) {
    ASSERT_NO_FATAL_FAILURE(MakeRegionBeforeLauncher(existing_size));
  }
  ASSERT_NO_FATAL_FAILURE(StartServingLauncher());
  if (existing_size != 0) {
    ASSERT_LT(client_.view_size, kRequestRegionSize) << "the launcher replaced the region";
  } else {
    ASSERT_EQ(client_.view_size, kRequestRegionSize);
  }

  // A startable request with no end: a launcher that cut it at the region's
  // end, rather than ignoring it, would start the probe.
  const std::string start = ExecRequest("unterminated ");
  ASSERT_TRUE(TakeInstanceMutex(client_));
  memset(client_.view, 'x', client_.view_size);
  memcpy(client_.view, start.data(), start.size());
  ASSERT_TRUE(ReleaseInstanceMutex(client_));
  ASSERT_TRUE(ReleaseSemaphore(client_.semaphore, 1, NULL));
  ASSERT_TRUE(WaitUntilUnitsTaken(client_));
  EXPECT_TRUE(RecordsAfterSettling().empty()) << "an unterminated text was launched";
  ASSERT_TRUE(IsRunning(launcher_))
      << "the launcher ended, exit code " << WaitForExitCode(launcher_);

  ASSERT_TRUE(SendRegionRequest(client_, ExecRequest("after-unterminated")));
  EXPECT_EQ(RecordsContaining(WaitForRecords(1), "after-unterminated").size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Regions, UnterminatedRegionTest,
                         ::testing::Values(UnterminatedRegionCase{"FullSize", 0},
                                           UnterminatedRegionCase{"SmallerExisting", 4096}),
                         [](const ::testing::TestParamInfo<UnterminatedRegionCase>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(RegionChannelTest, LongestTextIsHandedOnWhole) {
  // "exec://" and a probe command line padded to 65,535 characters in all.
  // Whether a command line that long can start a process is up to the
  // platform (Windows stops at 32,767 characters), so the test first tries
  // it itself: where it starts, the probe must record the command line whole;
  // where it cannot, what remains provable is that the launcher takes the
  // text without harm, starts no cut-down form of it, and serves the next
  // request.
  std::string command_line = ProbeCommandLine("longest ");
  command_line.append(kLongestRequestText - 7 - command_line.size(), 'y');
  const std::string text = "exec://" + command_line;
  ASSERT_EQ(text.size(), kLongestRequestText);

  SetLastError(0xdeadbeef);
  HANDLE direct = StartProcess(command_line);
  const DWORD start_error = GetLastError();
  const bool platform_starts_it = direct != NULL && WaitForExitCode(direct) == 0;
  EndProcess(direct);
  const size_t records_before = ReadProbeRecords(log_).size();

  ASSERT_NO_FATAL_FAILURE(StartServingLauncher());
  ASSERT_TRUE(SendRegionRequest(client_, text));
  ASSERT_EQ(client_.view[kRequestRegionSize - 1], '\0')
      << "the terminator is the region's last byte";
  size_t expected_records = records_before;
  if (platform_starts_it) {
    const std::vector<ProbeRecord> records = WaitForRecords(++expected_records);
    ASSERT_EQ(records.size(), expected_records) << "the longest text was not started";
    EXPECT_EQ(records.back().command_line.size(), command_line.size());
    EXPECT_TRUE(records.back().command_line == command_line) << "the command line changed";
  } else {
    // A launcher that cut the text down to something startable would show.
    ASSERT_TRUE(WaitUntilUnitsTaken(client_));
    EXPECT_TRUE(RecordsContaining(RecordsAfterSettling(), "longest").empty())
        << "a cut-down form of the longest text was started";
  }
  ASSERT_TRUE(IsRunning(launcher_))
      << "the launcher ended, exit code " << WaitForExitCode(launcher_);
  ASSERT_TRUE(SendRegionRequest(client_, ExecRequest("after-longest")));
  EXPECT_EQ(RecordsContaining(WaitForRecords(++expected_records), "after-longest").size(), 1u);
  if (!platform_starts_it) {
    GTEST_SKIP() << "this platform does not start a " << command_line.size()
                 << "-character command line (error " << start_error
                 << "), so only the launcher's survival and further service were checked";
  }
}

TEST_F(RegionChannelTest, ClientKilledWhileHoldingTheLockDoesNotBlockTheChannel) {
  ASSERT_NO_FATAL_FAILURE(StartServingLauncher());
  ASSERT_TRUE(TakeInstanceMutex(client_));
  WriteRegionText(client_, ExecRequest("after-abandoned"));
  ASSERT_TRUE(ReleaseInstanceMutex(client_));

  HANDLE holder = StartProcess(MutexHolderCommandLine(kLauncherName));
  ASSERT_NE(holder, nullptr);
  const bool holds = RecordsContaining(WaitForRecords(1), "/hold-mutex").size() == 1;
  if (holds) {
    EXPECT_TRUE(ReleaseSemaphore(client_.semaphore, 1, NULL));
    // The worker takes the unit and then waits for the lock the holder has.
    EXPECT_TRUE(WaitUntilUnitsTaken(client_));
    EXPECT_TRUE(RecordsContaining(RecordsAfterSettling(), "after-abandoned").empty())
        << "the request ran while another process held the lock";
  }
  TerminateProcess(holder, 1);
  EndProcess(holder);
  ASSERT_TRUE(holds) << "the holder never took the mutex";

  EXPECT_EQ(RecordsContaining(WaitForRecords(2), "after-abandoned").size(), 1u)
      << "the request was not served after the lock was abandoned";
}

// Objects that a client kept from an earlier launcher are opened, not made
// anew: units pending on the semaphore are served once the worker starts.
class ExistingChannelObjectsTest : public LauncherTest {
 protected:
  void TearDown() override {
    LauncherTest::TearDown();
    CloseRequestChannel(&early_);
  }
  RequestChannel early_;
};

TEST_F(ExistingChannelObjectsTest, PendingUnitsAreServedWhenTheWorkerStarts) {
  early_.region = CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0,
                                     kRequestRegionSize, kRequestRegionName);
  ASSERT_NE(early_.region, nullptr);
  early_.view = static_cast<char*>(MapViewOfFile(early_.region, FILE_MAP_ALL_ACCESS, 0, 0, 0));
  ASSERT_NE(early_.view, nullptr);
  WriteRegionText(early_, ExecRequest("pending-before-start"));
  early_.semaphore = CreateSemaphoreA(NULL, 2, kRequestSemaphoreMaximum, kRequestSemaphoreName);
  ASSERT_NE(early_.semaphore, nullptr);

  ASSERT_NO_FATAL_FAILURE(StartServingLauncher());
  WaitForRecords(2);
  EXPECT_EQ(RecordsContaining(RecordsAfterSettling(), "pending-before-start").size(), 2u);
}

}  // namespace
}  // namespace tarvolin_test
