// Owned texts on the C runtime's general heap.
#include "text_heap.h"

#include <stdlib.h>

void* AllocateTextBlock(size_t size) { return malloc(size); }

void FreeTextBlock(void* block) { free(block); }
