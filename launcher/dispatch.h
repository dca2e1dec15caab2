// Carries out one request text from the shared-memory channel.
#pragma once

// Interprets a zero-terminated request text and performs at most one launch
// action with show state 5. Never changes the text. Texts longer than the
// request region can carry are ignored.
void DispatchRequestText(const char* text);
