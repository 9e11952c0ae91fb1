#include "standins/orxike/JournalLine.h"

#include "common/orxinterps/src/ipcmsg.h"

#include <cstdio>
#include <cstring>

namespace orxike_standin {

std::string StampedLine(const SYSTEMTIME& time, const std::string& text) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u.%03u ", time.wYear, time.wMonth, time.wDay,
                  time.wHour, time.wMinute, time.wSecond, time.wMilliseconds);
    return stamp + text;
}

std::string MessageLabel(const void* message, uint32_t length) {
    if (length < sizeof(uint32_t)) return "(no type)";
    uint32_t code = 0;
    std::memcpy(&code, message, sizeof code);
    if (const char* name = IpcMsgName(code)) return name;
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", code);
    return hex;
}

std::string ReceivedText(const void* message, uint32_t length) {
    static const char digits[] = "0123456789abcdef";
    std::string text = "recv " + MessageLabel(message, length) + " len=" + std::to_string(length) + " ";
    const auto* bytes = static_cast<const uint8_t*>(message);
    for (uint32_t i = 0; i < length; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0x0F];
    }
    return text;
}

}  // namespace orxike_standin
