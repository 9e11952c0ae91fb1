#include "standins/tunpanel/MessageLines.h"

#include "common/orxinterps/src/ipcmsg.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace tunpanel {

namespace {

constexpr size_t kHexShown = 32;

uint32_t WordAt(const uint8_t* data, size_t offset) {
    uint32_t value = 0;
    std::memcpy(&value, data + offset, sizeof value);
    return value;
}

std::string Hex(const uint8_t* data, size_t length) {
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (size_t i = 0; i < length; ++i) {
        hex += kDigits[data[i] >> 4];
        hex += kDigits[data[i] & 15];
    }
    return hex;
}

// A zero-terminated text of at most `size` bytes, quoted; quotes and
// unprintable bytes escaped so that one message stays one line.
std::string QuotedText(const uint8_t* data, size_t size) {
    std::string text = "\"";
    for (size_t i = 0; i < size && data[i] != 0; ++i) {
        const uint8_t c = data[i];
        if (c == '"') {
            text += "\\\"";
        } else if (c >= 0x20 && c < 0x7F) {
            text += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            text += escaped;
        }
    }
    return text + "\"";
}

std::string StatusFields(const uint8_t* data) {
    return " version=" + QuotedText(data + offsetof(IpcStatusMsg, version), sizeof(IpcStatusMsg::version)) +
           " word4=" + std::to_string(WordAt(data, offsetof(IpcStatusMsg, alreadyRunning8))) +
           " word16=" + std::to_string(WordAt(data, offsetof(IpcStatusMsg, alreadyRunning2))) +
           " session-event=" + std::to_string(WordAt(data, offsetof(IpcStatusMsg, lastSessionEvent)));
}

std::string ConfigAnswerFields(const uint8_t* data, size_t length) {
    const size_t dataEnd = std::min(length, offsetof(IpcConfigRespMsg, zero688));
    return " result=" + std::to_string(WordAt(data, offsetof(IpcConfigRespMsg, result))) +
           " L=" + std::to_string(WordAt(data, offsetof(IpcConfigRespMsg, argL))) +
           " op=" + std::to_string(WordAt(data, offsetof(IpcConfigRespMsg, operation))) +
           " data=" + QuotedText(data + offsetof(IpcConfigRespMsg, data), dataEnd - offsetof(IpcConfigRespMsg, data));
}

std::string FirstBytes(const uint8_t* data, size_t length) {
    return " hex=" + Hex(data, std::min(length, kHexShown)) + (length > kHexShown ? "..." : "");
}

std::string Head(const char* arrow, const uint8_t* data, size_t length) {
    return std::string(arrow) + " " + MessageName(data, length) + " len=" + std::to_string(length);
}

}  // namespace

bool MessageCode(const uint8_t* data, size_t length, uint32_t& code) {
    if (length < sizeof code) return false;
    code = WordAt(data, 0);
    return true;
}

std::string CodeName(uint32_t code) {
    if (const char* name = IpcMsgName(code)) return name;
    char number[16];
    std::snprintf(number, sizeof number, "0x%08X", static_cast<unsigned>(code));
    return number;
}

std::string MessageName(const uint8_t* data, size_t length) {
    uint32_t code = 0;
    return MessageCode(data, length, code) ? CodeName(code) : "?";
}

std::string SentLine(const uint8_t* data, size_t length, bool ok) {
    return Head("->", data, length) + (ok ? " ok" : " FAILED");
}

std::string ReceivedLine(const uint8_t* data, size_t length) {
    uint32_t code = 0;
    const bool typed = MessageCode(data, length, code);
    std::string fields;
    // A form's fields are shown only when the message holds all of them;
    // anything shorter is shown as it is.
    if (typed && (code == ORXIKE_STARTED || code == ORXIKE_STOPPED) &&
        length >= offsetof(IpcStatusMsg, lastSessionEvent) + 4) {
        fields = StatusFields(data);
    } else if (typed && code == CONFIG_RESP && length >= offsetof(IpcConfigRespMsg, data)) {
        fields = ConfigAnswerFields(data, length);
    } else {
        fields = FirstBytes(data, length);
    }
    return Head("<-", data, length) + fields;
}

}  // namespace tunpanel
