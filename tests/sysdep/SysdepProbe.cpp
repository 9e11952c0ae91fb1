// sysdep_probe: runs one system-dependency function in a process of its own,
// so that a test can give it another Windows version (Wine's per-program
// version setting) or another environment.
//   sysdep_probe osversion   prints the code GetOSVersion returned
//   sysdep_probe logdatadir  prints "<result>|<buffer>" of GetLogDataDir, the
//                            buffer holding "untouched" before the call
#include "sysdep.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    if (std::strcmp(argv[1], "osversion") == 0) {
        std::printf("%u\n", static_cast<unsigned>(GetOSVersion()));
        return 0;
    }
    if (std::strcmp(argv[1], "logdatadir") == 0) {
        char buffer[260] = "untouched";
        const bool ok = GetLogDataDir(buffer, sizeof buffer);
        std::printf("%d|%s\n", ok ? 1 : 0, buffer);
        return 0;
    }
    return 2;
}
