// The lead-byte table as the platform reports a code page's ranges.
#include <windows.h>

#include <gtest/gtest.h>

#include "code_page.h"
#include "lead_bytes.h"

namespace {

void ExpectSameTable(const LeadByteTable& actual, const LeadByteTable& expected, const char* what) {
  for (int byte = 0; byte < 256; ++byte) {
    EXPECT_EQ(actual.is_lead[byte], expected.is_lead[byte]) << what << ", byte " << byte;
  }
}

TEST(LeadBytesOfCodePage, ReadsTheRangesThatThePlatformReports) {
  CPINFO info;
  if (!GetCPInfo(932, &info)) GTEST_SKIP() << "code page 932 is not installed";
  ExpectSameTable(LeadBytesOfCodePage(932), CodePage932LeadBytes(), "code page 932");
  ExpectSameTable(LeadBytesOfCodePage(1252), SingleByteLeadBytes(), "code page 1252");
}

TEST(LeadBytesOfCodePage, UnknownCodePageHasNoLeadBytes) {
  ExpectSameTable(LeadBytesOfCodePage(12345), SingleByteLeadBytes(), "code page 12345");
}

TEST(LeadByteTableFromRanges, StopsAtTheZeroPairAndAtTheCount) {
  const unsigned char ranges[] = {0x81, 0x82, 0, 0, 0xA0, 0xA0};
  LeadByteTable table = LeadByteTableFromRanges(ranges, sizeof ranges);
  EXPECT_TRUE(table.is_lead[0x81] && table.is_lead[0x82]) << "the first range is in";
  EXPECT_FALSE(table.is_lead[0x80] || table.is_lead[0x83]) << "its neighbours are not";
  EXPECT_FALSE(table.is_lead[0xA0]) << "a range after the zero pair must be ignored";

  LeadByteTable cut = LeadByteTableFromRanges(ranges, 1);
  EXPECT_FALSE(cut.is_lead[0x81]) << "a pair cut by the count must be ignored";
}

}  // namespace
