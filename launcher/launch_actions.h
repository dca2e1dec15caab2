// The two launch actions: starting a command line as a new process, and
// handing a target to the Windows shell's "open" verb. Fire and forget:
// neither reports anything, and the launcher keeps nothing of what it starts.
#pragma once

// `command_line` must be writable and zero-terminated: the process creation
// call may write into it while it runs.
void StartProgram(char* command_line, int show_state);

void OpenWithShell(const char* target, int show_state);
