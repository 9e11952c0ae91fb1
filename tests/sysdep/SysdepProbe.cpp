// sysdep_probe: runs the system dependencies in a process of its own, so that
// a test can give it another Windows version (Wine's per-program version
// setting). Prints "<GetOSVersion code>|<GetLogDataDir result>|<its buffer>",
// the buffer holding "untouched" before the call.
#include "sysdep/sysdep.h"

#include <cstdio>

int main() {
    const unsigned code = GetOSVersion();
    char buffer[260] = "untouched";
    const bool ok = GetLogDataDir(buffer, sizeof buffer);
    std::printf("%u|%d|%s\n", code, ok ? 1 : 0, buffer);
    return 0;
}
