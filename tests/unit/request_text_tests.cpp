// Request interpretation: the length rule, the scheme prefixes with their
// case folding, and the bounded copy out of the request region.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "request_text.h"

namespace {

RequestAction Interpret(const std::string& text) {
  return InterpretRequestText(text.c_str(), text.size());
}

struct InterpretCase {
  const char* name;
  std::string text;
  RequestAction expected;
};

const RequestAction kNone = RequestAction::None;
const RequestAction kStart = RequestAction::StartProgram;
const RequestAction kShell = RequestAction::OpenWithShell;

const std::vector<InterpretCase>& InterpretCases() {
  static const std::vector<InterpretCase> cases = {
      {"empty", "", kNone},
      {"prefix alone", "exec://", kNone},
      {"one character target (8 in all)", "exec://a", kNone},
      {"two character target (9 in all)", "exec://ab", kStart},
      {"file scheme", "file://ab", kShell},
      {"open scheme", "open://ab", kShell},
      {"capital exec", "EXEC://ab", kStart},
      {"mixed case exec", "eXeC://ab", kStart},
      {"capital file", "FILE://x.txt", kShell},
      {"mixed case open", "OpEn://x.txt", kShell},
      {"blank before scheme", " exec://ab", kNone},
      {"backslash for slash", "exec:\\/ab", kNone},
      {"three letter scheme", "ftp://host/x", kNone},
      {"http is not a scheme here", "http://example.org", kNone},
      {"colon missing", "exec//abc", kNone},
      {"8-bit byte for a letter", "\xC9xec://ab", kNone},
      {"8-bit byte that folds in some code pages",
       "ex\xE9"
       "c://ab",
       kNone},
      {"open then exec: only seven bytes count", "open://exec://calc", kShell},
      {"unknown scheme of seven bytes", "mail://ab", kNone},
  };
  return cases;
}

TEST(InterpretRequestText, SelectsTheActionOfTheSchemePrefix) {
  for (const InterpretCase& c : InterpretCases()) {
    EXPECT_EQ(Interpret(c.text), c.expected) << c.name << ": \"" << c.text << "\"";
  }
}

TEST(InterpretRequestText, ReadsNothingPastTheGivenLength) {
  // A scheme prefix whose text is cut short by the length must not be
  // recognised from bytes behind it.
  const char text[] = "exec://abcdef";
  for (size_t length = 0; length < kShortestRequestLength; ++length) {
    EXPECT_EQ(InterpretRequestText(text, length), kNone) << "length " << length;
  }
  EXPECT_EQ(InterpretRequestText(text, kShortestRequestLength), kStart);
}

TEST(EqualsFoldingAsciiCase, FoldsOnlyAsciiCapitals) {
  struct Case {
    const char* a;
    const char* b;
    bool equal;
  };
  const Case cases[] = {
      {"exec://", "EXEC://", true},
      {"abcxyz", "ABCXYZ", true},
      {"@[`{", "@[`{", true},
      {"@", "`", false},  // 0x40 and 0x60 are not letters
      {"[", "{", false},
      {"\xC0", "\xE0", false},  // Latin-1 capitals never fold
      {"\xE0", "\xC0", false},
      {"abc", "abcd", false},
      {"", "", true},
      {"exec:/", "exec://", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EqualsFoldingAsciiCase(c.a, c.b), c.equal)
        << "\"" << c.a << "\" vs \"" << c.b << "\"";
  }
}

TEST(CopyRequestText, CopiesUpToAndIncludingTheFirstZero) {
  const char region[] = "exec://probe\0stale text behind";
  char out[64];
  memset(out, 'x', sizeof out);
  ASSERT_TRUE(CopyRequestText(region, sizeof region, out, sizeof out));
  EXPECT_STREQ(out, "exec://probe");
  EXPECT_EQ(out[13], 'x') << "bytes behind the terminator were copied";
}

TEST(CopyRequestText, RefusesARegionWithoutAZeroWithinItsBounds) {
  std::vector<char> region(4096, 'a');
  std::vector<char> out(8192, 'x');
  EXPECT_FALSE(CopyRequestText(region.data(), region.size(), out.data(), out.size()));
  EXPECT_EQ(out[0], '\0') << "a refused copy must leave no text";
  EXPECT_EQ(out[region.size()], 'x') << "the copy wrote past the region's size";
}

TEST(CopyRequestText, NeverWritesPastTheOutputBuffer) {
  std::vector<char> region(kRequestRegionSize * 2, 'a');
  region.back() = '\0';  // the only zero lies beyond the output's size
  std::vector<char> out(kRequestRegionSize + 16, 'x');
  EXPECT_FALSE(CopyRequestText(region.data(), region.size(), out.data(), kRequestRegionSize));
  for (size_t i = kRequestRegionSize; i < out.size(); ++i) ASSERT_EQ(out[i], 'x') << "at " << i;
}

TEST(CopyRequestText, TakesTheLongestTextWithItsTerminatorInTheLastByte) {
  std::vector<char> region(kRequestRegionSize, 'a');
  region.back() = '\0';
  std::vector<char> out(kRequestRegionSize);
  ASSERT_TRUE(CopyRequestText(region.data(), region.size(), out.data(), out.size()));
  EXPECT_EQ(strlen(out.data()), kRequestRegionSize - 1);
}

TEST(BoundedTextLength, StopsAtTheZeroOrTheLimit) {
  EXPECT_EQ(BoundedTextLength("", 10), 0u);
  EXPECT_EQ(BoundedTextLength("abc", 10), 3u);
  EXPECT_EQ(BoundedTextLength("abcdef", 4), 4u);
  EXPECT_EQ(BoundedTextLength("abc", 3), 3u);
}

}  // namespace
