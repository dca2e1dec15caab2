// Which class names the remover takes for a launcher's message window.
#include <gtest/gtest.h>

#include "class_name.h"

namespace {

TEST(IsLauncherClassName, MatchesTheThreeNamesAsCaseSensitiveSubstrings) {
  struct Case {
    const char* class_name;
    bool recognised;
  };
  const Case cases[] = {
      {"Tarvolin", true},
      {"Quillmere File Launcher", true},
      {"Brimvalde File Launcher", true},
      {"xTarvolinx", true},
      {"My Tarvolin Window", true},
      {"Tarvolin:0", true},
      {"AfxQuillmere File Launcher1", true},
      {"--Brimvalde File Launcher--", true},
      {"tarvolin", false},
      {"TARVOLIN", false},
      {"Tarvoli", false},
      {"arvolin", false},
      {"Tarvo lin", false},
      {"quillmere file launcher", false},
      {"Quillmere File Launche", false},
      {"Quillmere  File Launcher", false},
      {"Brimvalde File launcher", false},
      {"#32770", false},
      {"", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsLauncherClassName(c.class_name), c.recognised) << "\"" << c.class_name << "\"";
  }
}

}  // namespace
