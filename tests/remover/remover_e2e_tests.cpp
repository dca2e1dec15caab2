// The real Kestrune.exe against the real Tarvolin.exe and against windows of
// the test's own: which window receives WM_CLOSE, what happens to the Run
// entry, which message box appears, and that the remover always ends with
// exit code 0.
#include <windows.h>

#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "message_box.h"
#include "test_support.h"
#include "test_window.h"

namespace {

using remover_test::MessageBoxContents;
using remover_test::TestWindow;
using remover_test::ZOrderIndex;
using namespace tarvolin_test;

const char kRunKeyPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kEntryName[] = "Tarvolin";
const char kOtherName[] = "KestruneTestOther";

const char kRemovedMessage[] = "Tarvolin has been removed";
const char kNotRunningMessage[] = "Tarvolin is not running";

// The remover waits at most 5 s for a window that does not answer WM_CLOSE.
constexpr DWORD kRemoverTimeoutMs = 20000;

std::string RemoverPath() { return WindowsPath(KESTRUNE_PATH); }

HANDLE StartRemover(const std::string& tail) {
  std::string command_line = Quoted(RemoverPath());
  if (!tail.empty()) command_line += " " + tail;
  return StartProcess(command_line);
}

class RemoverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(StopLeftoverLaunchers()) << "a launcher of an earlier test is still around";
    SetLastError(0xdeadbeef);
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kRunKeyPath, 0, NULL, 0, KEY_ALL_ACCESS, NULL,
                              &run_key_, NULL),
              ERROR_SUCCESS)
        << "could not create or open the Run key";
    SetRunValue(kEntryName, "C:\\Tarvolin.exe");
    SetRunValue(kOtherName, "C:\\other.exe");
  }

  void TearDown() override {
    EndProcess(remover_);
    EndProcess(launcher_);
    RegDeleteValueA(run_key_, kEntryName);
    RegDeleteValueA(run_key_, kOtherName);
    RegCloseKey(run_key_);
    StopLeftoverLaunchers();
  }

  void SetRunValue(const char* name, const char* data) {
    SetLastError(0xdeadbeef);
    ASSERT_EQ(RegSetValueExA(run_key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data),
                             static_cast<DWORD>(strlen(data) + 1)),
              ERROR_SUCCESS)
        << "could not set Run value " << name;
  }

  bool HasRunValue(const char* name) {
    return RegQueryValueExA(run_key_, name, NULL, NULL, NULL, NULL) == ERROR_SUCCESS;
  }

  void StartRealLauncher() {
    launcher_ = StartLauncher();
    ASSERT_NE(launcher_, nullptr) << "Tarvolin.exe did not start";
    launcher_window_ = WaitForLauncherWindow(launcher_);
    ASSERT_NE(launcher_window_, nullptr) << "the launcher's window did not appear";
  }

  // Runs the remover with `tail`, expects its message box with `message`,
  // checks the box and dismisses it; then expects exit code 0.
  void RunRemoverExpectingBox(const std::string& tail, const char* message) {
    remover_ = StartRemover(tail);
    ASSERT_NE(remover_, nullptr) << "Kestrune.exe did not start";
    MessageBoxContents box;
    ASSERT_TRUE(remover_test::WaitForMessageBox(GetProcessId(remover_), kRemoverTimeoutMs, &box))
        << "tail \"" << tail << "\": no message box appeared";
    EXPECT_EQ(box.text, message) << "tail \"" << tail << "\": message text";
    EXPECT_EQ(box.caption, "Kestrune") << "tail \"" << tail << "\": caption";
    EXPECT_EQ(box.visible_buttons, 1) << "tail \"" << tail << "\": exactly one button";
    EXPECT_EQ(box.ok_button, "OK") << "tail \"" << tail << "\": the button is OK";
    EXPECT_EQ(box.visible_icons, 0) << "tail \"" << tail << "\": the box shows no icon";
    DismissMessageBox(box);
    EXPECT_EQ(WaitForExitCode(remover_), 0u) << "tail \"" << tail << "\": remover exit code";
    EndProcess(remover_);
    remover_ = NULL;
  }

  // Runs the remover with a silent command line and expects it to end by
  // itself: a message box would hold it until dismissed.
  void RunSilentRemover(const std::string& command_line) {
    remover_ = StartProcess(command_line);
    ASSERT_NE(remover_, nullptr) << command_line << ": Kestrune.exe did not start";
    EXPECT_EQ(WaitForExitCode(remover_, kRemoverTimeoutMs), 0u)
        << command_line << ": the remover did not end by itself with exit code 0";
    EndProcess(remover_);
    remover_ = NULL;
  }

  HKEY run_key_ = NULL;
  HANDLE launcher_ = NULL;
  HWND launcher_window_ = NULL;
  HANDLE remover_ = NULL;
};

TEST_F(RemoverTest, ReportsNotRunningAndKeepsTheRunEntry) {
  // None of these tails is the silent switch.
  for (const char* tail : {"", "/S", "-s", "/s /x"}) {
    RunRemoverExpectingBox(tail, kNotRunningMessage);
    EXPECT_TRUE(HasRunValue(kEntryName)) << "tail \"" << tail << "\": the Run entry must stay";
  }
}

TEST_F(RemoverTest, ClosesARunningLauncherAndDeletesItsRunEntry) {
  StartRealLauncher();
  RunRemoverExpectingBox("", kRemovedMessage);
  EXPECT_EQ(WaitForExitCode(launcher_), 0u) << "the launcher must end with exit code 0";
  EXPECT_FALSE(HasRunValue(kEntryName)) << "the Run entry must be deleted";
  EXPECT_TRUE(HasRunValue(kOtherName)) << "another Run value must stay";
}

TEST_F(RemoverTest, ReportsRemovedWhenTheRunEntryIsAlreadyGone) {
  RegDeleteValueA(run_key_, kEntryName);
  StartRealLauncher();
  RunRemoverExpectingBox("", kRemovedMessage);
  EXPECT_EQ(WaitForExitCode(launcher_), 0u) << "the launcher must end with exit code 0";
}

TEST_F(RemoverTest, SilentSwitchShowsNoBoxWhenNothingRuns) {
  const std::string path = RemoverPath();
  // Blanks in the path would make the unquoted form another program name.
  ASSERT_EQ(path.find(' '), std::string::npos) << "the build path must hold no blank";
  for (const std::string& command_line :
       {Quoted(path) + " /s", Quoted(path) + "/s", path + " \t  /s"}) {
    RunSilentRemover(command_line);
    EXPECT_TRUE(HasRunValue(kEntryName)) << command_line << ": the Run entry must stay";
  }
}

TEST_F(RemoverTest, SilentSwitchShowsNoBoxWhenALauncherIsClosed) {
  StartRealLauncher();
  RunSilentRemover(Quoted(RemoverPath()) + " /s");
  EXPECT_EQ(WaitForExitCode(launcher_), 0u) << "the launcher must end with exit code 0";
  EXPECT_FALSE(HasRunValue(kEntryName)) << "the Run entry must be deleted";
  EXPECT_TRUE(HasRunValue(kOtherName)) << "another Run value must stay";
}

TEST_F(RemoverTest, RecognisesWindowsByCaseSensitiveClassNameSubstrings) {
  struct Case {
    const char* class_name;
    bool recognised;
  };
  const Case cases[] = {
      {"KestruneTest Tarvolin Window", true},
      {"Quillmere File Launcher", true},
      {"KestruneTest tarvolin Window", false},
  };
  for (const Case& c : cases) {
    SetRunValue(kEntryName, "C:\\Tarvolin.exe");
    TestWindow window(c.class_name, TestWindow::OnClose::kAnswer);
    ASSERT_NE(window.window(), nullptr) << c.class_name << ": test window not created";
    RunRemoverExpectingBox("", c.recognised ? kRemovedMessage : kNotRunningMessage);
    EXPECT_EQ(window.close_count(), c.recognised ? 1 : 0) << c.class_name << ": WM_CLOSE count";
    EXPECT_EQ(HasRunValue(kEntryName), !c.recognised) << c.class_name << ": Run entry";
  }
}

TEST_F(RemoverTest, ClosesOnlyTheHighestRecognisedWindow) {
  StartRealLauncher();
  TestWindow above("Brimvalde File Launcher", TestWindow::OnClose::kAnswer);
  ASSERT_NE(above.window(), nullptr) << "test window not created";
  ASSERT_LT(ZOrderIndex(above.window()), ZOrderIndex(launcher_window_))
      << "the test window must lie above the launcher's";

  RunSilentRemover(Quoted(RemoverPath()) + " /s");
  EXPECT_EQ(above.close_count(), 1) << "the higher window must receive WM_CLOSE";
  EXPECT_TRUE(IsRunning(launcher_)) << "the launcher below must not be closed";
  EXPECT_TRUE(IsWindow(launcher_window_)) << "the launcher's window must stay";
  EXPECT_FALSE(HasRunValue(kEntryName)) << "the Run entry must be deleted";
}

TEST_F(RemoverTest, AWindowThatNeverAnswersDoesNotHoldTheRemover) {
  TestWindow hung("KestruneTest Tarvolin Hung", TestWindow::OnClose::kBlock);
  ASSERT_NE(hung.window(), nullptr) << "test window not created";
  RunSilentRemover(Quoted(RemoverPath()) + " /s");
  EXPECT_EQ(hung.close_count(), 1) << "the window must have received WM_CLOSE";
  EXPECT_FALSE(HasRunValue(kEntryName)) << "the Run entry must be deleted all the same";
}

}  // namespace
