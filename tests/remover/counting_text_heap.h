// A heap for owned texts that records every allocation and free and can be
// told to fail an allocation, linked into the tests in place of the C
// runtime's heap (remover/text_heap.h).
#pragma once

#include <stddef.h>

#include <vector>

struct TextHeapEvent {
  enum Kind { kAllocate, kFree } kind;
  void* block;  // null for a failed allocation
  size_t size;  // bytes asked for; 0 for a free
};

// Forgets the recorded events and any allocation set to fail.
void ResetTextHeap();
// Makes the allocation with this index, counted from the last reset from 0,
// fail.
void FailTextAllocation(int index);
// Allocations and frees of non-null blocks since the last reset, in order.
const std::vector<TextHeapEvent>& TextHeapEvents();
// The blocks handed to FreeTextBlock since the last reset, in order.
std::vector<void*> FreedTextBlocks();
// Blocks allocated and not yet freed.
int LiveTextBlocks();
