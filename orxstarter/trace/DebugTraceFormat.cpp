#include "orxstarter/trace/DebugTrace.h"

#include <cstdio>
#include <cstring>

namespace trace_format {

void Timestamp(const SYSTEMTIME& t, bool trailingBlank, char* out, size_t outSize) {
    std::snprintf(out, outSize, trailingBlank ? "%04d%02d%02d %02d:%02d:%02d:%03d " : "%04d%02d%02d %02d:%02d:%02d:%03d",
                  t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
}

const char* SourceName(const char* path) {
    if (path == nullptr) return "";
    const size_t len = std::strlen(path);
    for (size_t i = len; i > 1; --i) {
        if (path[i - 1] == '\\') return path + i;
    }
    return path;
}

void TraceFileName(const SYSTEMTIME& t, char* out, size_t outSize) {
    std::snprintf(out, outSize, "%04d-%02d-%02d-vpnstarterdbg.log", t.wYear, t.wMonth, t.wDay);
}

size_t ComposeLine(Channel channel, const char* timestamp, const char* tag, unsigned long threadId,
                   const char* sourcePath, int line, const char* message, char* out, size_t outSize) {
    if (outSize < 2) return 0;
    // Formatted in full first, then cut: a line keeps at most outSize - 2
    // characters before its line feed, so the feed and the NUL always fit.
    char whole[TRACE_LINE_SIZE + TRACE_MSG_SIZE + 128];
    const char* format = channel == Channel::Service ? "%s %s[%lu] (%s:%d) %s" : "%s[%s][%lu] (%s:%d) %s";
    int len = std::snprintf(whole, sizeof whole, format, timestamp, tag, threadId, SourceName(sourcePath), line,
                            message);
    if (len < 0) len = 0;
    size_t n = static_cast<size_t>(len) < sizeof whole ? static_cast<size_t>(len) : sizeof whole - 1;

    const size_t maxBody = outSize - 2;
    const bool endsWithFeed = n > 0 && whole[n - 1] == '\n';
    if (endsWithFeed && n <= maxBody + 1) {
        std::memcpy(out, whole, n);
    } else {
        if (endsWithFeed) --n;
        if (n > maxBody) n = maxBody;
        std::memcpy(out, whole, n);
        out[n++] = '\n';
    }
    out[n] = '\0';
    return n;
}

bool FlagsFromRegistryBytes(Channel channel, const unsigned char* data, size_t size, uint32_t& flags) {
    flags = 0;
    if (data == nullptr || size == 0) return true;
    if (size == 2 && channel == Channel::Ipc) return false;
    flags = size == 2 ? static_cast<uint32_t>(data[0]) | (static_cast<uint32_t>(data[1]) << 8) : data[0];
    return true;
}

}  // namespace trace_format
