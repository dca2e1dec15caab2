// Closing the launcher with WM_CLOSE, as the remover does: the answer, the
// exit code, what becomes of requests still pending, and that the next
// launcher starts and serves as if nothing had happened.
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

class LauncherCloseTest : public LauncherTest {
 protected:
  // A fresh launcher after the closed one must serve at once.
  void ExpectANewLauncherServes() {
    CloseRequestChannel(&client_);
    EndProcess(launcher_);
    launcher_ = NULL;
    const size_t before = ReadProbeRecords(log_).size();
    ASSERT_NO_FATAL_FAILURE(StartServingLauncher());
    ASSERT_TRUE(SendRegionRequest(client_, "exec://" + ProbeCommandLine("new-launcher")));
    EXPECT_EQ(RecordsContaining(WaitForRecords(before + 1), "new-launcher").size(), 1u);
  }
};

TEST_F(LauncherCloseTest, WmCloseIsAnswered0AndTheLauncherEndsWithExitCode0) {
  ASSERT_NO_FATAL_FAILURE(StartServingLauncher());
  EXPECT_EQ(CloseLauncherWindow(), 0);
  EXPECT_EQ(WaitForExitCode(launcher_), 0u);
  ASSERT_NO_FATAL_FAILURE(ExpectANewLauncherServes());
}

TEST_F(LauncherCloseTest, SecondWmCloseRightAfterTheFirstDoesNoHarm) {
  ASSERT_NO_FATAL_FAILURE(StartServingLauncher());
  EXPECT_EQ(CloseLauncherWindow(), 0);
  // The window lives until the process ends; the second WM_CLOSE reaches it
  // or finds it gone, and either way the process must end cleanly.
  DWORD_PTR result = 0xdeadbeef;
  if (SendMessageTimeoutA(window_, WM_CLOSE, 0, 0, SMTO_NORMAL, kWaitTimeoutMs, &result)) {
    EXPECT_EQ(result, 0u);
  }
  EXPECT_EQ(WaitForExitCode(launcher_), 0u);
  ASSERT_NO_FATAL_FAILURE(ExpectANewLauncherServes());
}

// Requests pending at WM_CLOSE are dropped. The client holds the lock, so the
// worker takes one unit and then waits for the lock; the rest stay counted.
struct PendingCase {
  const char* name;
  LONG units;
  bool release_lock_before_exit;  // else only after the launcher has ended
};

// Names the case in test listings.
void PrintTo(const PendingCase& c, std::ostream* out) { *out << c.name; }

class PendingAtCloseTest : public LauncherCloseTest,
                           public ::testing::WithParamInterface<PendingCase> {};

TEST_P(PendingAtCloseTest, AreDroppedAndTheLauncherEndsWithExitCode0) {
  const PendingCase& c = GetParam();
  ASSERT_NO_FATAL_FAILURE(StartServingLauncher());
  ASSERT_TRUE(TakeInstanceMutex(client_));
  WriteRegionText(client_, "exec://" + ProbeCommandLine("pending-at-close"));
  ASSERT_TRUE(ReleaseSemaphore(client_.semaphore, c.units, NULL));
  ASSERT_TRUE(WaitUntil([&] { return PendingUnits(client_.semaphore) == c.units - 1; }))
      << "the worker did not take a unit";

  EXPECT_EQ(CloseLauncherWindow(), 0);
  if (c.release_lock_before_exit) {
    // Hands the lock to the worker while the process may still be ending.
    EXPECT_TRUE(ReleaseInstanceMutex(client_));
    EXPECT_EQ(WaitForExitCode(launcher_), 0u);
  } else {
    EXPECT_EQ(WaitForExitCode(launcher_), 0u);
    EXPECT_TRUE(ReleaseInstanceMutex(client_));
  }
  EXPECT_TRUE(RecordsContaining(RecordsAfterSettling(), "pending-at-close").empty())
      << "a request pending at WM_CLOSE was carried out";
  ASSERT_NO_FATAL_FAILURE(ExpectANewLauncherServes());
}

INSTANTIATE_TEST_SUITE_P(
    Requests, PendingAtCloseTest,
    ::testing::Values(PendingCase{"SeveralUnitsLockGivenBackAfterTheEnd", 3, false},
                      PendingCase{"WorkerBusyLockGivenBackAtOnce", 1, true}),
    [](const ::testing::TestParamInfo<PendingCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarvolin_test
