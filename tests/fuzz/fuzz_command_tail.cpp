// Fuzzes the remover's command-tail rule. The first input byte picks the
// code page (single-byte or 932), the rest is the command line. Properties:
// the tail is always a suffix of the command line, starts with no byte from
// 0x01 to 0x20, follows an unquoted name made only of bytes above 0x20, and
// silent mode is on exactly when the tail is "/s".
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "command_tail.h"
#include "lead_bytes.h"

namespace {

bool IsBlank(char c) { return c != '\0' && static_cast<unsigned char>(c) <= 0x20; }

void CheckUnquotedName(const char* line, const char* tail) {
  const char* p = line;
  while (static_cast<unsigned char>(*p) > 0x20) ++p;  // the name
  while (IsBlank(*p)) ++p;                            // the blanks behind it
  if (p != tail) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static const LeadByteTable kSingleByte = SingleByteLeadBytes();
  static const LeadByteTable k932 = CodePage932LeadBytes();
  const LeadByteTable& lead_bytes = (data[0] & 1) ? k932 : kSingleByte;

  // Exactly the command line and its terminator, so any read past it shows.
  const size_t length = size - 1;
  char* line = static_cast<char*>(malloc(length + 1));
  memcpy(line, data + 1, length);
  line[length] = '\0';
  const size_t text_length = strlen(line);

  const char* tail = CommandTail(line, lead_bytes);
  if (tail < line || tail > line + text_length) abort();  // a suffix of the line
  if (IsBlank(*tail)) abort();
  if (line[0] != '"') CheckUnquotedName(line, tail);
  if (IsSilentTail(tail) != (strcmp(tail, "/s") == 0)) abort();

  free(line);
  return 0;
}
