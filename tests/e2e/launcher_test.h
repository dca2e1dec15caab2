// Fixtures of the launcher's end-to-end tests. Each test starts from a
// desktop without a launcher, records probe starts in a log of its own, and
// leaves nothing behind: its launcher, its client handles and its log go.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launcher_client.h"
#include "test_support.h"

namespace tarvolin_test {

class LauncherTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts a launcher and waits until its window and its request channel
  // exist; the client side of the channel is opened in client_. Use with
  // ASSERT_NO_FATAL_FAILURE.
  void StartServingLauncher();

  // Makes the request region, `size` bytes, as a client would before any
  // launcher runs; the handle is kept until the test ends. Use with
  // ASSERT_NO_FATAL_FAILURE.
  void MakeRegionBeforeLauncher(DWORD size);

  // Asks the launcher to close as the remover does; the WM_CLOSE result.
  LRESULT CloseLauncherWindow();

  // Waits for `count` probe records and returns all records so far.
  std::vector<ProbeRecord> WaitForRecords(size_t count);

  // Gives launches that should not happen time to show, then returns every
  // record so far.
  std::vector<ProbeRecord> RecordsAfterSettling();

  std::string log_;
  HANDLE launcher_ = NULL;
  HWND window_ = NULL;
  RequestChannel client_;

 private:
  HANDLE early_region_ = NULL;
  std::string saved_search_path_;
};

// Adds a file type that the shell opens with the probe, and a target file of
// that type, whose name holds a blank so that any splitting would show.
class LauncherShellTest : public LauncherTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The probe's command line when the shell opens target_.
  std::string ShellOpenedCommandLine() const;

  std::string target_;
};

}  // namespace tarvolin_test
