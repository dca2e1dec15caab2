// Run-entry removal over the 8-bit registry interface.
#include "run_entry.h"

namespace {

LONG DeleteValueOfKey(HKEY root, const char* key_path, const char* value_name) {
  HKEY key;
  LONG result = RegOpenKeyExA(root, key_path, 0, KEY_WRITE, &key);
  if (result != ERROR_SUCCESS) return result;  // nothing open, nothing to close
  result = RegDeleteValueA(key, value_name);
  if (result == ERROR_FILE_NOT_FOUND) result = ERROR_SUCCESS;  // already gone
  RegCloseKey(key);
  return result;
}

}  // namespace

LONG RemoveRunEntry(HKEY root, OwnedText key_path, OwnedText value_name) {
  LONG result = ERROR_NOT_ENOUGH_MEMORY;
  if (key_path.Text() != nullptr && value_name.Text() != nullptr) {
    result = DeleteValueOfKey(root, key_path.Text(), value_name.Text());
  }
  key_path.Free();
  value_name.Free();
  return result;
}
