// Request interpretation: scheme prefixes, case folding and the bounded
// copy out of the request region.
#include "request_text.h"

namespace {

struct SchemePrefix {
  const char* text;
  RequestAction action;
};

// Compared in this order; "file://" and "open://" select the same action.
constexpr SchemePrefix kSchemePrefixes[] = {
    {"exec://", RequestAction::StartProgram},
    {"file://", RequestAction::OpenWithShell},
    {"open://", RequestAction::OpenWithShell},
};

unsigned char FoldAsciiCapital(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

}  // namespace

bool EqualsFoldingAsciiCase(const char* a, const char* b) {
  for (;; ++a, ++b) {
    const unsigned char ca = FoldAsciiCapital(static_cast<unsigned char>(*a));
    const unsigned char cb = FoldAsciiCapital(static_cast<unsigned char>(*b));
    if (ca != cb) return false;
    if (ca == 0) return true;
  }
}

RequestAction InterpretRequestText(const char* text, size_t length) {
  if (length < kShortestRequestLength) return RequestAction::None;

  char prefix[kSchemePrefixLength + 1];
  for (size_t i = 0; i < kSchemePrefixLength; ++i) prefix[i] = text[i];
  prefix[kSchemePrefixLength] = '\0';

  for (const SchemePrefix& scheme : kSchemePrefixes) {
    if (EqualsFoldingAsciiCase(prefix, scheme.text)) return scheme.action;
  }
  return RequestAction::None;
}

bool CopyRequestText(const volatile char* region, size_t region_size, char* out, size_t out_size) {
  const size_t limit = region_size < out_size ? region_size : out_size;
  for (size_t i = 0; i < limit; ++i) {
    const char c = region[i];
    out[i] = c;
    if (c == '\0') return true;
  }
  if (out_size > 0) out[0] = '\0';
  return false;
}

size_t BoundedTextLength(const char* text, size_t limit) {
  size_t length = 0;
  while (length < limit && text[length] != '\0') ++length;
  return length;
}
