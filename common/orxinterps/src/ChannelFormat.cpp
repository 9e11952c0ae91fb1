#include "common/orxinterps/src/ChannelFormat.h"

#include "common/orxinterps/src/interps.h"

#include <cstdio>
#include <cstring>

namespace channel_format {

bool IsValidChannelName(const char* name) {
    if (name == nullptr || name[0] == '\0') return false;
    return std::strlen(name) <= IPC_MAX_NAME_LENGTH;
}

bool MakeEventName(const char* name, const char* suffix, char* out, size_t size) {
    const int len = std::snprintf(out, size, "%s%s", name, suffix);
    return len >= 0 && static_cast<size_t>(len) < size;
}

bool IsDeliverableLength(uint32_t length) { return length <= IPC_MAX_MSG_SIZE; }

uint32_t MessageWord(const void* data, size_t size, unsigned index) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    uint32_t word = 0;
    for (unsigned i = 0; i < 4; ++i) {
        const size_t at = static_cast<size_t>(index) * 4 + i;
        if (bytes != nullptr && at < size) word |= static_cast<uint32_t>(bytes[at]) << (8 * i);
    }
    return word;
}

}  // namespace channel_format
