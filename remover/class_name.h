// Which window class names the remover takes for a launcher's message
// window. Pure byte logic, free of the Windows headers.
#pragma once

// True when `class_name` holds "Tarvolin", "Quillmere File Launcher" or
// "Brimvalde File Launcher" as a contiguous run of bytes, letter case
// significant, tried in that order.
bool IsLauncherClassName(const char* class_name);
