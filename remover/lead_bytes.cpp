// Lead-byte tables built from ranges; no platform call.
#include "lead_bytes.h"

#include <string.h>

LeadByteTable LeadByteTableFromRanges(const unsigned char* ranges, unsigned count) {
  LeadByteTable table;
  memset(&table, 0, sizeof table);
  for (unsigned i = 0; i + 1 < count; i += 2) {
    unsigned first = ranges[i];
    unsigned last = ranges[i + 1];
    if (first == 0 && last == 0) break;
    for (unsigned byte = first; byte <= last; ++byte) table.is_lead[byte] = true;
  }
  return table;
}

LeadByteTable SingleByteLeadBytes() { return LeadByteTableFromRanges(nullptr, 0); }

LeadByteTable CodePage932LeadBytes() {
  static const unsigned char kRanges[] = {0x81, 0x9F, 0xE0, 0xFC, 0, 0};
  return LeadByteTableFromRanges(kRanges, sizeof kRanges);
}
