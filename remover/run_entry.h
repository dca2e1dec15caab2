// Deleting one named value under a registry key: the launcher's Run entry.
#pragma once

#include <windows.h>

#include "owned_text.h"

// Opens `key_path` under `root` for writing and deletes `value_name` there;
// a value already gone counts as success. A failed open returns its own code
// (a missing key stays ERROR_FILE_NOT_FOUND). A text without a block gives
// ERROR_NOT_ENOUGH_MEMORY and leaves the registry alone. Both texts are
// freed before the return, the key path first; `root` is never closed.
LONG RemoveRunEntry(HKEY root, OwnedText key_path, OwnedText value_name);
