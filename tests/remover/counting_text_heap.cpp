// The recording heap behind owned texts in the tests.
#include "counting_text_heap.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <set>

#include "text_heap.h"

namespace {

std::vector<TextHeapEvent> g_events;
std::set<void*> g_live_blocks;
int g_allocations = 0;
int g_failing_allocation = -1;

}  // namespace

void* AllocateTextBlock(size_t size) {
  void* block = g_allocations++ == g_failing_allocation ? nullptr : malloc(size);
  g_events.push_back({TextHeapEvent::kAllocate, block, size});
  if (block != nullptr) g_live_blocks.insert(block);
  return block;
}

void FreeTextBlock(void* block) {
  if (block == nullptr) return;
  g_events.push_back({TextHeapEvent::kFree, block, 0});
  if (g_live_blocks.erase(block) == 0) {
    ADD_FAILURE() << "a block was freed that is not allocated: freed twice or never ours";
    return;  // freeing it would corrupt the heap
  }
  free(block);
}

void ResetTextHeap() {
  g_events.clear();
  g_allocations = 0;
  g_failing_allocation = -1;
}

void FailTextAllocation(int index) { g_failing_allocation = index; }

const std::vector<TextHeapEvent>& TextHeapEvents() { return g_events; }

std::vector<void*> FreedTextBlocks() {
  std::vector<void*> freed;
  for (const TextHeapEvent& event : g_events) {
    if (event.kind == TextHeapEvent::kFree) freed.push_back(event.block);
  }
  return freed;
}

int LiveTextBlocks() { return static_cast<int>(g_live_blocks.size()); }
