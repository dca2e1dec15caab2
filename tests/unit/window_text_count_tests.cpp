// How much window text a WM_USER request reads for a given text count.
#include <gtest/gtest.h>

#include <stdint.h>

#include "window_text_count.h"

namespace {

TEST(WindowTextReadCount, CapsTheCountAtTheTextAndItsTerminator) {
  struct Case {
    uintptr_t text_count;
    size_t text_length;
    size_t expected;
  };
  const Case cases[] = {
      {0, 7, 0},            // nothing arrives, not even a terminator
      {1, 7, 1},            // only the terminator: an empty text
      {7, 7, 7},            // six characters and the terminator
      {8, 7, 8},            // the whole text
      {100, 7, 8},          // a larger count reads no more than is there
      {UINTPTR_MAX, 7, 8},  // count + 1 would overflow; the buffer stays small
      {UINTPTR_MAX, 0, 1}, {5, 0, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WindowTextReadCount(c.text_count, c.text_length), c.expected)
        << "count " << c.text_count << ", length " << c.text_length;
  }
}

}  // namespace
