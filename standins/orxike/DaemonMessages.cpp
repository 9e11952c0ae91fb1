#include "standins/orxike/DaemonMessages.h"

#include "common/orxinterps/src/ipcmsg.h"

#include <algorithm>
#include <cstring>

namespace orxike_standin {

namespace {

void PutWord(Message& message, size_t offset, uint32_t value) {
    for (size_t i = 0; i < 4 && offset + i < message.size(); ++i) message[offset + i] = uint8_t(value >> (8 * i));
}

}  // namespace

Message ComposeSignal(uint32_t code) {
    Message message(IPC_MAX_MSG_SIZE, 0);
    PutWord(message, 0, code);
    return message;
}

Message ComposeStarted(uint32_t errorCode) {
    Message message = ComposeSignal(ORXIKE_STARTED);
    PutWord(message, offsetof(IpcDaemonStartedMsg, errorCode), errorCode);
    return message;
}

Message ComposeNotification(uint32_t type, uint32_t length, uint32_t sequence) {
    Message message(std::clamp<uint32_t>(length, 4, IPC_MAX_MSG_SIZE), 0);
    PutWord(message, 0, type);
    PutWord(message, 4, sequence);
    for (size_t offset = 8; offset < message.size(); ++offset) message[offset] = uint8_t(offset);
    return message;
}

Message ComposeSystemLog(const SystemLogSettings& event) {
    IpcSystemLogMsg form{};
    form.type = ORX_SYSTEMLOG;
    form.facility = event.facility;
    form.level = event.level;
    form.eventIndex = event.eventIndex;
    form.number = event.number;
    std::memcpy(form.text, event.text.data(), std::min(event.text.size(), sizeof form.text - 1));
    const auto* bytes = reinterpret_cast<const uint8_t*>(&form);
    return Message(bytes, bytes + sizeof form);
}

}  // namespace orxike_standin
