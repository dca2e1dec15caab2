// DispatchRequestText with recording launch actions in place of the real
// ones: which action runs, with which show state and which exact target.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "dispatch.h"
#include "launch_actions.h"
#include "request_text.h"

namespace {

struct Launch {
  std::string action;
  std::string target;
  int show_state;
};

std::vector<Launch> g_launches;

}  // namespace

void StartProgram(char* command_line, int show_state) {
  g_launches.push_back({"start", command_line, show_state});
}

void OpenWithShell(const char* target, int show_state) {
  g_launches.push_back({"shell", target, show_state});
}

namespace {

class DispatchRequestTextTest : public ::testing::Test {
 protected:
  void SetUp() override { g_launches.clear(); }
};

TEST_F(DispatchRequestTextTest, HandsTheTargetOnUnchangedWithShowState5) {
  struct Case {
    std::string text;
    const char* action;
    std::string target;
  };
  const Case cases[] = {
      {"exec://ab", "start", "ab"},
      {"EXEC://notepad.exe C:\\a b.txt", "start", "notepad.exe C:\\a b.txt"},
      {"file:///etc/x", "shell", "/etc/x"},
      {"open://  \"quoted\" %PATH% %20 ", "shell", "  \"quoted\" %PATH% %20 "},
      {"Open://exec://calc", "shell", "exec://calc"},
      {"file://a/b\\c", "shell", "a/b\\c"},
      {"exec://\xE9\xE8\x81\x40", "start", "\xE9\xE8\x81\x40"},
  };
  for (const Case& c : cases) {
    g_launches.clear();
    DispatchRequestText(c.text.c_str());
    ASSERT_EQ(g_launches.size(), 1u) << c.text;
    EXPECT_EQ(g_launches[0].action, c.action) << c.text;
    EXPECT_EQ(g_launches[0].target, c.target) << c.text;
    EXPECT_EQ(g_launches[0].show_state, 5) << c.text;
  }
}

TEST_F(DispatchRequestTextTest, DropsShortAndUnknownTexts) {
  for (const char* text : {"", "exec://", "exec://a", "open://x", "mail://abc", " exec://ab"}) {
    DispatchRequestText(text);
    EXPECT_TRUE(g_launches.empty()) << "launched for \"" << text << "\"";
  }
}

TEST_F(DispatchRequestTextTest, NeverChangesTheText) {
  const char original[] = "exec://cmd /c echo hi";
  char text[sizeof original];
  memcpy(text, original, sizeof original);
  DispatchRequestText(text);
  EXPECT_EQ(memcmp(text, original, sizeof original), 0);
}

TEST_F(DispatchRequestTextTest, HandsOnTheLongestRegionTextWhole) {
  std::string text = "file://";
  text.append(kRequestRegionSize - 1 - text.size(), 'p');
  DispatchRequestText(text.c_str());
  ASSERT_EQ(g_launches.size(), 1u);
  EXPECT_EQ(g_launches[0].target.size(), kRequestRegionSize - 1 - kSchemePrefixLength);
}

TEST_F(DispatchRequestTextTest, IgnoresTextsLongerThanAnyRegionCarries) {
  std::string text = "exec://";
  text.append(kRequestRegionSize - text.size(), 'p');  // 65,536 bytes before the zero
  DispatchRequestText(text.c_str());
  EXPECT_TRUE(g_launches.empty());
}

}  // namespace
