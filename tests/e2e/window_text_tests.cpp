// The window-text request channel, driven as a client drives it: set the
// launcher window's text, send WM_USER with a text count and an action code,
// and see what the probe recorded.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launcher_client.h"
#include "launcher_test.h"
#include "test_support.h"

namespace tarvolin_test {
namespace {

class WindowTextTest : public LauncherTest {};
class WindowTextShellTest : public LauncherShellTest {};

constexpr LPARAM kOpenWithShell = 0;
constexpr LPARAM kStartProgram = 1;

// Seven characters that start the probe through the search path.
const char kShortCommand[] = "probe 7";
constexpr WPARAM kCountForWholeText = 8;

TEST_F(WindowTextTest, Action1StartsTheWholeTextAsCommandLineWithShowState1) {
  ASSERT_NO_FATAL_FAILURE(StartServingLauncher());
  // Not a request text: a scheme in front stays part of the command line.
  const std::string command_line = ProbeCommandLine("exec://kept \"quoted\" %TEMP%");
  const WPARAM count = command_line.size() + 1;
  bool delivered = false;
  const LRESULT result =
      SendWindowTextRequest(window_, command_line, count, kStartProgram, &delivered);
  ASSERT_TRUE(delivered) << "the launcher window did not answer";
  EXPECT_EQ(result, DefaultWmUserResult(count, kStartProgram));

  const std::vector<ProbeRecord> records = WaitForRecords(1);
  ASSERT_EQ(records.size(), 1u) << "the probe did not start";
  EXPECT_EQ(records[0].command_line, command_line);
  EXPECT_EQ(records[0].flags & STARTF_USESHOWWINDOW, static_cast<DWORD>(STARTF_USESHOWWINDOW));
  EXPECT_EQ(records[0].show_window, 1u);
}

TEST_F(WindowTextShellTest, Action0HandsTheWholeTextToTheShellWithShowState1) {
  ASSERT_NO_FATAL_FAILURE(StartServingLauncher());
  const WPARAM count = target_.size() + 1;
  bool delivered = false;
  const LRESULT result = SendWindowTextRequest(window_, target_, count, kOpenWithShell, &delivered);
  ASSERT_TRUE(delivered) << "the launcher window did not answer";
  EXPECT_EQ(result, DefaultWmUserResult(count, kOpenWithShell));

  const std::vector<ProbeRecord> records = WaitForRecords(1);
  ASSERT_EQ(records.size(), 1u) << "the shell did not open the target";
  EXPECT_EQ(records[0].command_line, ShellOpenedCommandLine());
  EXPECT_EQ(records[0].show_window, 1u);
}

TEST_F(WindowTextTest, TextCountBoundsWhatArrives) {
  struct Case {
    WPARAM text_count;
    const char* arrives;  // the command line the probe must see
  };
  // At most text count - 1 characters arrive; a huge count is no harm.
  const Case cases[] = {
      {kCountForWholeText, "probe 7"},
      {kCountForWholeText - 1, "probe "},
      {100, "probe 7"},
      {0xFFFFFFFF, "probe 7"},
  };
  ASSERT_NO_FATAL_FAILURE(StartServingLauncher());
  size_t expected_records = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text_count);
    bool delivered = false;
    const LRESULT result =
        SendWindowTextRequest(window_, kShortCommand, c.text_count, kStartProgram, &delivered);
    ASSERT_TRUE(delivered) << "the launcher window did not answer";
    EXPECT_EQ(result, DefaultWmUserResult(c.text_count, kStartProgram));
    const std::vector<ProbeRecord> records = WaitForRecords(++expected_records);
    ASSERT_EQ(records.size(), expected_records) << "nothing was started";
    EXPECT_EQ(records.back().command_line, c.arrives);
  }
}

TEST_F(WindowTextTest, NothingIsLaunchedWithoutTextOrKnownAction) {
  struct Case {
    WPARAM text_count;
    LPARAM action_code;
  };
  // Count 0 delivers not even a terminator; codes other than 0 and 1 select
  // no action. Each still gets the default processing's answer.
  const Case cases[] = {
      {0, kStartProgram}, {0, kOpenWithShell}, {kCountForWholeText, 2}, {kCountForWholeText, -1}};
  ASSERT_NO_FATAL_FAILURE(StartServingLauncher());
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "count " << c.text_count << ", action " << c.action_code);
    bool delivered = false;
    const LRESULT result =
        SendWindowTextRequest(window_, kShortCommand, c.text_count, c.action_code, &delivered);
    ASSERT_TRUE(delivered) << "the launcher window did not answer";
    EXPECT_EQ(result, DefaultWmUserResult(c.text_count, c.action_code));
  }
  EXPECT_TRUE(RecordsAfterSettling().empty()) << "something was launched";
  ASSERT_TRUE(IsRunning(launcher_));
}

TEST_F(WindowTextTest, WmUserWithoutNewTextRepeatsTheRequest) {
  ASSERT_NO_FATAL_FAILURE(StartServingLauncher());
  bool delivered = false;
  SendWindowTextRequest(window_, kShortCommand, kCountForWholeText, kStartProgram, &delivered);
  ASSERT_TRUE(delivered);
  SendWmUser(window_, kCountForWholeText, kStartProgram, &delivered);
  ASSERT_TRUE(delivered);

  WaitForRecords(2);
  const std::vector<ProbeRecord> records = RecordsAfterSettling();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].command_line, kShortCommand);
  EXPECT_EQ(records[1].command_line, kShortCommand);

  char text[32] = "";
  GetWindowTextA(window_, text, sizeof text);
  EXPECT_STREQ(text, kShortCommand) << "the launcher changed its window text";
}

}  // namespace
}  // namespace tarvolin_test
