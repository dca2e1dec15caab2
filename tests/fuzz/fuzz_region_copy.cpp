// Fuzzes the bounded copy of a request text out of the shared region. The
// first two input bytes choose the size of the destination; the rest is the
// region. Both live in blocks of exactly their size, so a read or write past
// either shows. The copy must succeed exactly when a zero byte lies within
// both bounds, and then hold the region's text whole.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "request_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const size_t out_size = static_cast<size_t>(data[0]) | static_cast<size_t>(data[1]) << 8;
  const size_t region_size = size - 2;

  char* region = static_cast<char*>(malloc(region_size ? region_size : 1));
  if (region_size) memcpy(region, data + 2, region_size);
  char* out = static_cast<char*>(malloc(out_size ? out_size : 1));

  const bool copied = CopyRequestText(region, region_size, out, out_size);
  const size_t limit = region_size < out_size ? region_size : out_size;
  const void* zero = limit ? memchr(region, 0, limit) : nullptr;
  if (copied != (zero != nullptr)) abort();
  if (copied && strcmp(out, region) != 0) abort();
  if (!copied && out_size > 0 && out[0] != '\0') abort();  // no half text left behind

  free(out);
  free(region);
  return 0;
}
