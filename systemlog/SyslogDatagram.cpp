#include "systemlog/SyslogDatagram.h"

#include <cstdio>

namespace systemlog {

uint32_t SyslogPriority(uint32_t facilityBase, uint8_t facility, int32_t level) {
    return (facilityBase + facility) * 8 + static_cast<uint32_t>(level);
}

size_t ComposeDatagram(uint32_t priority, const char* tag, const char* line, char* out) {
    const int wanted = std::snprintf(out, kDatagramSize, "<%u> %s %s", priority, tag, line);
    size_t length = wanted < 0 ? 0 : static_cast<size_t>(wanted);
    if (length > kDatagramTextMaxChars) length = kDatagramTextMaxChars;
    out[length] = '\0';
    return length + 1;
}

}  // namespace systemlog
