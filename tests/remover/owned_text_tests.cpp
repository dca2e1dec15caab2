// The bounded copy that never cuts a double-byte character, and the owned
// text value: what it stores, which blocks it takes and gives back.
#include <gtest/gtest.h>

#include <stdint.h>
#include <string.h>

#include <string>
#include <utility>
#include <vector>

#include "counting_text_heap.h"
#include "lead_bytes.h"
#include "owned_text.h"

namespace {

const LeadByteTable kSingleByte = SingleByteLeadBytes();
const LeadByteTable kCodePage932 = CodePage932LeadBytes();

struct CopyCase {
  const char* name;
  bool code_page_932;
  std::string source;  // may hold bytes after an embedded zero
  size_t count;
  std::string expected;  // exactly `count` bytes
};

const CopyCase kCopyCases[] = {
    {"short text, zero filled", false, "abc", 6, std::string("abc\0\0\0", 6)},
    {"text of exactly count bytes gets no terminator", false, "abc", 3, "abc"},
    {"text cut at count", false, "abcdef", 2, "ab"},
    {"count 0 writes nothing", false, "abc", 0, ""},
    {"empty text, all zero", false, "", 3, std::string(3, '\0')},
    {"bytes after the terminator are not copied", false, std::string("a\0bc", 4), 4,
     std::string("a\0\0\0", 4)},
    {"single-byte: 0x81 as the last byte is kept", false, "ab\x81", 3, "ab\x81"},
    {"single-byte: 0x81 before the terminator is kept", false, "ab\x81", 5,
     std::string("ab\x81\0\0", 5)},
    {"932: complete character, zero filled", true, "a\x81\x40", 5, std::string("a\x81\x40\0\0", 5)},
    {"932: complete character fills count exactly", true, "a\x81\x40", 3, "a\x81\x40"},
    {"932: lead byte would be the last of count", true, "a\x81\x40", 2, std::string("a\0", 2)},
    {"932: lead byte whose trail is the terminator", true, "a\x81", 4, std::string("a\0\0\0", 4)},
    {"932: copy ends at a lone lead byte, later bytes are zero", true, "\x81\x40\x82", 3,
     std::string("\x81\x40\0", 3)},
    {"932: trail byte in the lead range is not a lead byte again", true, "\xE0\x81z", 3,
     "\xE0\x81z"},
    {"932: lone lead byte after a character whose trail is a lead value", true, "\xE0\x81\x81", 4,
     std::string("\xE0\x81\0\0", 4)},
    {"932: 0xA1 to 0xDF are single bytes", true, "\xA1\xDF", 2, "\xA1\xDF"},
    {"932: upper lead range", true, "\xFC\x40\xE0", 3, std::string("\xFC\x40\0", 3)},
};

TEST(CopyTextBounded, CopiesAtMostCountBytesWithoutCuttingACharacter) {
  const char kGuard = '\x5A';
  for (const CopyCase& c : kCopyCases) {
    std::vector<char> destination(c.count + 2, kGuard);
    char* result = CopyTextBounded(destination.data(), c.source.c_str(), c.count,
                                   c.code_page_932 ? kCodePage932 : kSingleByte);
    EXPECT_EQ(result, destination.data()) << c.name << ": destination not returned";
    EXPECT_EQ(std::string(destination.data(), c.count), c.expected) << c.name;
    EXPECT_EQ(destination[c.count], kGuard) << c.name << ": wrote past count bytes";
  }
}

class OwnedTextTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetTextHeap(); }
  void TearDown() override { EXPECT_EQ(LiveTextBlocks(), 0) << "a block was never freed"; }
};

TEST_F(OwnedTextTest, StoresTextInABlockOfLengthPlusOne) {
  struct Case {
    const char* name;
    bool code_page_932;
    const char* text;
    const char* stored;
  };
  const Case cases[] = {
      {"empty text: one byte holding zero", false, "", ""},
      {"ASCII text whole", false, "Software\\Microsoft", "Software\\Microsoft"},
      {"932: ends in a complete character, stored whole", true, "ab\x81\x40", "ab\x81\x40"},
      {"932: ends in a lone lead byte, one byte shorter", true, "ab\x81", "ab"},
      {"single-byte: the same last byte is stored", false, "ab\x81", "ab\x81"},
  };
  for (const Case& c : cases) {
    ResetTextHeap();
    {
      OwnedText text(c.text, c.code_page_932 ? kCodePage932 : kSingleByte);
      ASSERT_EQ(TextHeapEvents().size(), 1u) << c.name << ": expected one allocation";
      EXPECT_EQ(TextHeapEvents()[0].size, strlen(c.text) + 1) << c.name << ": block size";
      EXPECT_EQ(TextHeapEvents()[0].block, text.Text()) << c.name << ": not the block held";
      EXPECT_STREQ(text.Text(), c.stored) << c.name;
    }
    EXPECT_EQ(FreedTextBlocks().size(), 1u) << c.name << ": destruction must free the block";
  }
}

TEST_F(OwnedTextTest, AllocateFreesTheEarlierBlockFirst) {
  OwnedText text("abc", kSingleByte);
  void* first = const_cast<char*>(text.Text());
  char* second = text.Allocate(5);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second, text.Text()) << "Allocate must return the block it keeps";
  EXPECT_EQ(second[5], '\0') << "Allocate must write the terminator at the length";

  const std::vector<TextHeapEvent>& events = TextHeapEvents();
  ASSERT_EQ(events.size(), 3u) << "expected allocate, free, allocate";
  EXPECT_EQ(events[1].kind, TextHeapEvent::kFree) << "the earlier block must go first";
  EXPECT_EQ(events[1].block, first) << "the freed block must be the earlier one";
  EXPECT_EQ(events[2].kind, TextHeapEvent::kAllocate);
  EXPECT_EQ(events[2].size, 6u) << "length 5 needs 6 bytes";
}

TEST_F(OwnedTextTest, FailedAllocationLeavesNoBlock) {
  FailTextAllocation(0);
  OwnedText failed("abc", kSingleByte);
  EXPECT_EQ(failed.Text(), nullptr) << "a failed construction must hold no block";

  OwnedText text("abc", kSingleByte);
  ASSERT_NE(text.Text(), nullptr);
  EXPECT_EQ(text.Allocate(SIZE_MAX), nullptr) << "length + 1 overflows";
  EXPECT_EQ(text.Text(), nullptr) << "the earlier block is gone, no new one kept";
  EXPECT_EQ(FreedTextBlocks().size(), 1u) << "the earlier block must be freed";
  EXPECT_EQ(TextHeapEvents().back().kind, TextHeapEvent::kFree)
      << "no allocation may be tried for an overflowing length";
}

TEST_F(OwnedTextTest, MovingHandsTheBlockOverAndFreeEndsIt) {
  OwnedText source("abc", kSingleByte);
  const char* block = source.Text();
  OwnedText moved(std::move(source));
  EXPECT_EQ(moved.Text(), block) << "the block must move along";
  EXPECT_EQ(source.Text(), nullptr) << "the moved-from value must keep no block";

  moved.Free();
  EXPECT_EQ(moved.Text(), nullptr) << "Free must leave no block";
  ASSERT_EQ(FreedTextBlocks().size(), 1u);
  EXPECT_EQ(FreedTextBlocks()[0], block);
  // Both destructors still run: the counting heap reports any second free.
}

}  // namespace
