// The recognised launcher class names and the substring match.
#include "class_name.h"

#include <string.h>

namespace {

// The launcher registers the first; the other two are recognised all the same.
const char* const kLauncherClassNames[] = {
    "Tarvolin",
    "Quillmere File Launcher",
    "Brimvalde File Launcher",
};

}  // namespace

bool IsLauncherClassName(const char* class_name) {
  for (const char* name : kLauncherClassNames) {
    if (strstr(class_name, name) != nullptr) return true;
  }
  return false;
}
