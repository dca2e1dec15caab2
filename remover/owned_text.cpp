// Bounded multibyte-aware copy and the owned text value.
#include "owned_text.h"

#include <stdint.h>
#include <string.h>

#include "text_heap.h"

char* CopyTextBounded(char* destination, const char* source, size_t count,
                      const LeadByteTable& lead_bytes) {
  size_t i = 0;
  while (i < count) {
    char byte = source[i];
    if (IsLeadByte(lead_bytes, byte) && (i + 1 == count || source[i + 1] == '\0')) {
      break;  // the character would be cut: the zero fill below ends the text here
    }
    destination[i] = byte;
    ++i;
    if (byte == '\0') break;
    if (IsLeadByte(lead_bytes, byte)) {
      destination[i] = source[i];  // its trail, known to fit and to be no terminator
      ++i;
    }
  }
  if (i < count) memset(destination + i, 0, count - i);
  return destination;
}

OwnedText::OwnedText(const char* text, const LeadByteTable& lead_bytes) {
  size_t length = strlen(text);
  char* block = Allocate(length);
  if (block != nullptr) CopyTextBounded(block, text, length, lead_bytes);
}

OwnedText::OwnedText(OwnedText&& other) noexcept : buffer_(other.buffer_) {
  other.buffer_ = nullptr;
}

OwnedText::~OwnedText() { Free(); }

char* OwnedText::Allocate(size_t length) {
  Free();
  if (length == SIZE_MAX) return nullptr;  // no room for the terminator
  char* block = static_cast<char*>(AllocateTextBlock(length + 1));
  if (block == nullptr) return nullptr;
  block[length] = '\0';
  buffer_ = block;
  return block;
}

void OwnedText::Free() {
  FreeTextBlock(buffer_);
  buffer_ = nullptr;
}
