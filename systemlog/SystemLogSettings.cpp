#include "systemlog/SystemLogSettings.h"

#include <cstdio>
#include <cstring>

namespace systemlog {

void JoinSystemLogDirectory(const char* dataDir, char* out, size_t outSize) {
    const size_t length = std::strlen(dataDir);
    const bool needsSeparator = length > 0 && dataDir[length - 1] != '\\' && dataDir[length - 1] != '/';
    std::snprintf(out, outSize, "%s%s%s", dataDir, needsSeparator ? "\\" : "", kSystemLogRelativeDir);
}

}  // namespace systemlog
