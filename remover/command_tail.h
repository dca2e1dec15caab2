// The remover's command tail: what is left of the process command line once
// the program name and the blanks after it are stepped over. Pure byte
// logic, free of the Windows headers.
#pragma once

#include "lead_bytes.h"

// Points into `command_line` just past the program name and the bytes 0x01
// to 0x20 that follow it. A quoted name ends at its closing quote, where a
// lead byte of `lead_bytes` takes the byte after it along; an unquoted name
// is the run of bytes above 0x20. Blanks at the end of the tail stay.
const char* CommandTail(const char* command_line, const LeadByteTable& lead_bytes);

// Silent mode: the tail is exactly "/s", nothing folded or trimmed.
bool IsSilentTail(const char* tail);
