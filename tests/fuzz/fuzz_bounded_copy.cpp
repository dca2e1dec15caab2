// Fuzzes the multibyte-aware bounded copy and the owned text value. Input:
// one byte picking the code page (single-byte or 932), two bytes of count,
// then the source text. The destination is a block of exactly count bytes,
// so a write past it shows. Properties: the destination is returned; it
// holds a prefix of the source followed only by zeros; that prefix is the
// whole text within count, or one byte shorter where a double-byte character
// would have been cut; and it never ends in a cut double-byte character.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "lead_bytes.h"
#include "owned_text.h"

namespace {

// Length of the text within count that a plain bounded copy would keep.
size_t PlainCopyLength(const char* source, size_t count) {
  const void* zero = memchr(source, 0, count);
  return zero ? static_cast<size_t>(static_cast<const char*>(zero) - source) : count;
}

// True when `text` of `length` bytes splits into whole characters.
bool EndsOnCharacterBoundary(const char* text, size_t length, const LeadByteTable& lead_bytes) {
  size_t i = 0;
  while (i < length) i += IsLeadByte(lead_bytes, text[i]) ? 2 : 1;
  return i == length;
}

void CheckCopy(const char* source, size_t count, const LeadByteTable& lead_bytes) {
  char* destination = static_cast<char*>(malloc(count ? count : 1));
  if (CopyTextBounded(destination, source, count, lead_bytes) != destination) abort();

  const size_t kept = strnlen(destination, count);
  if (memcmp(destination, source, kept) != 0) abort();
  for (size_t i = kept; i < count; ++i) {
    if (destination[i] != '\0') abort();
  }
  const size_t plain = PlainCopyLength(source, count);
  if (kept != plain && kept + 1 != plain) abort();
  if (!EndsOnCharacterBoundary(destination, kept, lead_bytes)) abort();
  free(destination);
}

void CheckOwnedText(const char* source, const LeadByteTable& lead_bytes) {
  const OwnedText text(source, lead_bytes);
  if (text.Text() == nullptr) abort();
  const size_t length = strlen(source);
  const size_t kept = strlen(text.Text());
  if (memcmp(text.Text(), source, kept) != 0) abort();
  if (kept != length && kept + 1 != length) abort();
  if (!EndsOnCharacterBoundary(text.Text(), kept, lead_bytes)) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  static const LeadByteTable kSingleByte = SingleByteLeadBytes();
  static const LeadByteTable k932 = CodePage932LeadBytes();
  const LeadByteTable& lead_bytes = (data[0] & 1) ? k932 : kSingleByte;
  const size_t count = (static_cast<size_t>(data[1]) | static_cast<size_t>(data[2]) << 8) % 4096;

  const size_t length = size - 3;
  char* source = static_cast<char*>(malloc(length + 1));
  memcpy(source, data + 3, length);
  source[length] = '\0';

  // A count beyond the source's terminator must not make the copy read on.
  CheckCopy(source, count, lead_bytes);
  CheckOwnedText(source, lead_bytes);

  free(source);
  return 0;
}
