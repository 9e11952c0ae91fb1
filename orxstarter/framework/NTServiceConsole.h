// Console output of the command-line actions.
#pragma once

// printf to the standard output, flushed at once: the progress dots of a
// start or stop must show as they come, even when the output is a pipe.
void ConsolePrint(const char* format, ...) __attribute__((format(ms_printf, 1, 2)));
