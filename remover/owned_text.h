// The owned text value that hands the registry texts to RemoveRunEntry, and
// the bounded copy that fills it without cutting a double-byte character.
// Pure logic, free of the Windows headers.
#pragma once

#include <stddef.h>

#include "lead_bytes.h"

// Copies `source` up to and including its terminator, but at most `count`
// bytes, into `destination`, then zero-fills the rest of the `count` bytes.
// A lead byte that would be the last of the `count` bytes, or whose trail
// byte is the terminator, becomes a zero and the copy ends there. With no
// lead bytes this is a plain bounded copy. Returns `destination`.
char* CopyTextBounded(char* destination, const char* source, size_t count,
                      const LeadByteTable& lead_bytes);

// One heap block of length + 1 bytes holding a zero-terminated text, or no
// block. Owned alone: never copied, only moved to whoever frees it.
class OwnedText {
 public:
  OwnedText() = default;
  // Holds `text` whole, or one byte shorter when it ends in a lone lead byte.
  // No block when the allocation fails.
  OwnedText(const char* text, const LeadByteTable& lead_bytes);
  OwnedText(OwnedText&& other) noexcept;
  OwnedText(const OwnedText&) = delete;
  OwnedText& operator=(const OwnedText&) = delete;
  OwnedText& operator=(OwnedText&&) = delete;
  ~OwnedText();

  // Frees the current block, then allocates length + 1 bytes with a zero at
  // `length` and returns the new block; bytes before it are undefined. Null,
  // with no block kept, when the allocation fails.
  char* Allocate(size_t length);
  // The zero-terminated text, or null with no block.
  const char* Text() const { return buffer_; }
  // Gives the block back now; afterwards there is no block.
  void Free();

 private:
  char* buffer_ = nullptr;
};
