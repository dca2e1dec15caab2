// Command-tail rule and the silent switch.
#include "command_tail.h"

namespace {

const char* SkipQuotedName(const char* p, const LeadByteTable& lead_bytes) {
  ++p;  // the opening quote
  while (*p != '\0' && *p != '"') {
    // A trail byte may equal '"'; it must not end the name. A lead byte just
    // before the terminator stands alone.
    if (IsLeadByte(lead_bytes, *p) && p[1] != '\0') ++p;
    ++p;
  }
  if (*p == '"') ++p;  // the closing quote, and nothing after it
  return p;
}

// Bytes 0x80 to 0xFF belong to the name, so compare unsigned.
const char* SkipUnquotedName(const char* p) {
  while (static_cast<unsigned char>(*p) > 0x20) ++p;
  return p;
}

const char* SkipBlanks(const char* p) {
  while (*p != '\0' && static_cast<unsigned char>(*p) <= 0x20) ++p;
  return p;
}

}  // namespace

const char* CommandTail(const char* command_line, const LeadByteTable& lead_bytes) {
  const char* p = command_line[0] == '"' ? SkipQuotedName(command_line, lead_bytes)
                                         : SkipUnquotedName(command_line);
  return SkipBlanks(p);
}

bool IsSilentTail(const char* tail) { return tail[0] == '/' && tail[1] == 's' && tail[2] == '\0'; }
