// Fills a lead-byte table from GetCPInfo's lead-byte ranges.
#include "code_page.h"

LeadByteTable LeadBytesOfCodePage(UINT code_page) {
  CPINFO info;
  if (!GetCPInfo(code_page, &info)) return SingleByteLeadBytes();
  return LeadByteTableFromRanges(info.LeadByte, sizeof info.LeadByte);
}
