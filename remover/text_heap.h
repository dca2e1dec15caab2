// Where owned texts get their blocks. The program links text_heap.cpp (the C
// runtime's heap); tests may link a counting heap of their own instead.
#pragma once

#include <stddef.h>

// A block of `size` bytes, or null when there is none.
void* AllocateTextBlock(size_t size);
// Gives back a block of AllocateTextBlock; null does nothing.
void FreeTextBlock(void* block);
