// Carries out one request text: the interpretation picks the action, and the
// target goes to it in a working copy of its own, never as a pointer into the
// caller's text.
#include "dispatch.h"

#include <string.h>

#include "launch_actions.h"
#include "request_text.h"

void DispatchRequestText(const char* text) {
  const size_t length = BoundedTextLength(text, kRequestRegionSize);
  if (length >= kRequestRegionSize) return;  // no region carries such a text

  const RequestAction action = InterpretRequestText(text, length);
  if (action == RequestAction::None) return;

  char target[kRequestRegionSize];
  memcpy(target, text + kSchemePrefixLength, length - kSchemePrefixLength + 1);

  if (action == RequestAction::StartProgram) {
    StartProgram(target, kShowStateRegionRequest);
  } else {
    OpenWithShell(target, kShowStateRegionRequest);
  }
}
