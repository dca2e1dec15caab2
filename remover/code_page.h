// The lead-byte table of a code page as the platform reports it.
#pragma once

#include <windows.h>

#include "lead_bytes.h"

// CP_ACP gives the process's ANSI code page. A code page that the platform
// does not know gives no lead bytes.
LeadByteTable LeadBytesOfCodePage(UINT code_page);
