// Fuzzes the class-name match against a plain substring search for the
// three recognised names, letter case significant.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "class_name.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  char* name = static_cast<char*>(malloc(size + 1));
  memcpy(name, data, size);
  name[size] = '\0';

  const bool expected = strstr(name, "Tarvolin") != nullptr ||
                        strstr(name, "Quillmere File Launcher") != nullptr ||
                        strstr(name, "Brimvalde File Launcher") != nullptr;
  if (IsLauncherClassName(name) != expected) abort();

  free(name);
  return 0;
}
