#include "common/orxinterps/src/ChannelFormat.h"

#include "common/orxinterps/src/interps.h"

#include <cstdio>
#include <cstring>

namespace channel_format {

bool IsValidChannelName(const char* name) {
    if (name == nullptr || name[0] == '\0') return false;
    const size_t length = std::strlen(name);
    if (length > IPC_MAX_NAME_LENGTH) return false;
    // A name is traced in many lines: one with a line break could forge them.
    for (size_t i = 0; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(name[i]);
        if (byte < 0x20 || byte == 0x7F) return false;
    }
    return true;
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
