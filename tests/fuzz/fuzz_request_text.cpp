// Fuzzes request interpretation and dispatch with arbitrary bytes. Checks
// properties, not only the absence of crashes: the interpretation reads
// nothing past the given length (the input lives in a block of exactly that
// size, so the address sanitizer sees any read beyond it), agrees with a
// plain reference of the scheme rule, and a dispatched request hands on
// exactly the input's tail behind the seven-byte prefix, with show state 5.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "dispatch.h"
#include "launch_actions.h"
#include "request_text.h"

namespace {

RequestAction g_launched_action;
int g_launches;
int g_show_state;
char* g_launched_target;  // a copy, owned here

void RecordLaunch(RequestAction action, const char* target, int show_state) {
  ++g_launches;
  g_launched_action = action;
  g_show_state = show_state;
  free(g_launched_target);
  g_launched_target = strdup(target);
}

// The scheme rule said plainly: ASCII capitals fold, nothing else does.
RequestAction ReferenceAction(const uint8_t* text, size_t length) {
  if (length < 9) return RequestAction::None;
  char folded[8];
  for (size_t i = 0; i < 7; ++i) {
    const uint8_t c = text[i];
    folded[i] = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  }
  folded[7] = '\0';
  if (strcmp(folded, "exec://") == 0) return RequestAction::StartProgram;
  if (strcmp(folded, "file://") == 0 || strcmp(folded, "open://") == 0) {
    return RequestAction::OpenWithShell;
  }
  return RequestAction::None;
}

void CheckInterpretation(const uint8_t* data, size_t size) {
  // Exactly `size` bytes: no terminator, nothing behind them to read.
  char* text = static_cast<char*>(malloc(size ? size : 1));
  if (size) memcpy(text, data, size);
  const RequestAction action = InterpretRequestText(text, size);
  if (action != ReferenceAction(data, size)) abort();
  free(text);
}

void CheckDispatch(const uint8_t* data, size_t size) {
  char* text = static_cast<char*>(malloc(size + 1));
  memcpy(text, data, size);
  text[size] = '\0';
  const size_t length = strlen(text);

  g_launches = 0;
  DispatchRequestText(text);
  const RequestAction expected = ReferenceAction(data, length);
  if (memcmp(text, data, size) != 0) abort();  // the text is never changed
  if (expected == RequestAction::None) {
    if (g_launches != 0) abort();
  } else {
    if (g_launches != 1 || g_launched_action != expected || g_show_state != 5) abort();
    if (strcmp(g_launched_target, text + 7) != 0) abort();  // the tail, unchanged
  }
  free(text);
}

}  // namespace

void StartProgram(char* command_line, int show_state) {
  RecordLaunch(RequestAction::StartProgram, command_line, show_state);
}

void OpenWithShell(const char* target, int show_state) {
  RecordLaunch(RequestAction::OpenWithShell, target, show_state);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CheckInterpretation(data, size);
  CheckDispatch(data, size);
  return 0;
}
