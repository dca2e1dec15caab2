// How many bytes of window text a WM_USER request reads. Pure arithmetic,
// kept apart so it can be tested on its own.
#pragma once

#include <stddef.h>
#include <stdint.h>

// The maximum count handed to GetWindowTextA for a request's text count when
// the window text is `text_length` bytes long: the request's count, but never
// more than the text and its terminator need, so that a huge count costs no
// huge buffer and count + 1 never overflows. 0 means nothing can arrive, not
// even a terminator.
inline size_t WindowTextReadCount(uintptr_t text_count, size_t text_length) {
  const size_t needed = text_length + 1;
  return text_count < needed ? static_cast<size_t>(text_count) : needed;
}
