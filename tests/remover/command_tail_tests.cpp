// The command-tail rule (quoted and unquoted program names, double-byte
// characters inside quotes, the blanks after the name) and the silent switch.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "command_tail.h"
#include "lead_bytes.h"

namespace {

struct TailCase {
  const char* name;
  bool code_page_932;
  // The command line up to its first zero byte; bytes after that zero are
  // there only to show that nothing reads past the terminator.
  std::string buffer;
  const char* expected_tail;
};

const TailCase kTailCases[] = {
    {"quoted path with blanks, blank, /s", false, "\"C:\\Program Files\\Kestrune.exe\" /s", "/s"},
    {"quoted path directly followed by /s", false, "\"C:\\Program Files\\Kestrune.exe\"/s", "/s"},
    {"unquoted path, several blanks", false, "C:\\Tools\\Kestrune.exe    /s", "/s"},
    {"unquoted path, tabs and blanks", false, "C:\\Tools\\Kestrune.exe\t\t \t/s", "/s"},
    {"control bytes 0x01 to 0x1F are skipped too", false, "Kestrune.exe\x01\x1f /s", "/s"},
    {"capital S is kept", false, "Kestrune.exe /S", "/S"},
    {"trailing blank stays", false, "Kestrune.exe /s ", "/s "},
    {"further text stays", false, "Kestrune.exe /s /x", "/s /x"},
    {"dash form", false, "Kestrune.exe -s", "-s"},
    {"empty command line", false, "", ""},
    {"only the unquoted name", false, "Kestrune.exe", ""},
    {"only the unquoted name and blanks", false, "Kestrune.exe   ", ""},
    {"only the quoted name", false, "\"C:\\Program Files\\Kestrune.exe\"", ""},
    {"only the quoted name and blanks", false, "\"C:\\a b\\Kestrune.exe\" \t ", ""},
    {"closing quote missing", false, "\"C:\\a b\\Kestrune.exe /s", ""},
    {"empty quotes", false, "\"\" /s", "/s"},
    {"bytes right after the closing quote start the tail", false, "\"C:\\a\"b /s", "b /s"},
    {"first byte a blank: empty name", false, " /s", "/s"},
    {"bytes 0x80 to 0xFF belong to an unquoted name", false, "C:\\\xE9t\xE9\xA0\xFF.exe /s", "/s"},
    {"0xA0 right after the name's first byte", false, "K\xA0/s", ""},
    {"single-byte code page: 0x81 before the quote is no lead byte", false, "\"C:\\x\x81\" /s",
     "/s"},
    {"932: lead byte takes the quote along, so the name is unclosed", true, "\"C:\\x\x81\" /s", ""},
    {"932: lead byte takes the quote along; the next quote closes", true, "\"C:\\x\x81\" a\" /s",
     "/s"},
    {"single-byte code page: the same line closes at the first quote", false,
     "\"C:\\x\x81\" a\" /s", "a\" /s"},
    {"932: complete character, then the closing quote", true, "\"C:\\\x81\x40\" /s", "/s"},
    {"932: trail byte in the lead range is not a lead byte again", true, "\"\x81\x81\" /s", "/s"},
    {"932: lead byte before the terminator stands alone", true,
     std::string("\"C:\\x\x81\0\" /s", 11), ""},
    {"932: lead byte in an unquoted name takes no blank along", true, "C:\\x\x81 /s", "/s"},
};

TEST(CommandTail, StepsOverTheProgramNameAndTheBlanksAfterIt) {
  const LeadByteTable single_byte = SingleByteLeadBytes();
  const LeadByteTable code_page_932 = CodePage932LeadBytes();
  for (const TailCase& c : kTailCases) {
    const char* line = c.buffer.c_str();
    const char* tail = CommandTail(line, c.code_page_932 ? code_page_932 : single_byte);
    EXPECT_STREQ(tail, c.expected_tail) << c.name;
    // The tail is always the end of the line itself, never a copy or a
    // position past the line's terminator.
    size_t line_length = strlen(line);
    EXPECT_EQ(tail - line, static_cast<ptrdiff_t>(line_length - strlen(c.expected_tail)))
        << c.name << ": the tail does not end where the line ends";
  }
}

TEST(IsSilentTail, AcceptsExactlySlashLowercaseS) {
  struct Case {
    const char* tail;
    bool silent;
  };
  const Case cases[] = {
      {"/s", true}, {"/S", false}, {"/s ", false}, {" /s", false}, {"-s", false},
      {"", false},  {"/", false},  {"/sx", false}, {"s", false},   {"/s /s", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsSilentTail(c.tail), c.silent) << "tail \"" << c.tail << "\"";
  }
}

TEST(IsSilentTail, FollowsFromTheWholeCommandLine) {
  const LeadByteTable single_byte = SingleByteLeadBytes();
  EXPECT_TRUE(IsSilentTail(CommandTail("\"C:\\Program Files\\Kestrune.exe\" /s", single_byte)));
  EXPECT_FALSE(IsSilentTail(CommandTail("Kestrune.exe /s ", single_byte)));
}

}  // namespace
