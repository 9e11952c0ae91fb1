#include "standins/tunpanel/MessageComposer.h"

#include "common/orxinterps/src/ipcmsg.h"

#include <algorithm>
#include <cstring>

namespace tunpanel {

namespace {

// Copies a text into a fixed field, cut so that a terminating zero remains.
template <size_t N>
void CopyText(char (&field)[N], const std::string& text) {
    const size_t length = std::min(text.size(), N - 1);
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

void PutWord(Message& message, size_t offset, uint32_t value) { std::memcpy(&message[offset], &value, sizeof value); }

// A payload layout as a full 696-byte message, zero after the layout.
template <typename Layout>
Message Padded(const Layout& layout) {
    static_assert(sizeof(Layout) <= IPC_MAX_MSG_SIZE, "layout fits a message");
    Message message(IPC_MAX_MSG_SIZE, 0);
    std::memcpy(message.data(), &layout, sizeof layout);
    return message;
}

}  // namespace

Message EmptyMessage(uint32_t code) {
    Message message(IPC_MAX_MSG_SIZE, 0);
    PutWord(message, 0, code);
    return message;
}

Message GuiInfoMessage(uint32_t processId, bool watchdog, int8_t connectType) {
    IpcGuiInfoMsg info{};
    info.type = SET_GUI_INFOS;
    info.processId = processId;
    info.watchProcess = watchdog ? 1 : 0;
    info.connectionType = connectType;
    Message message(IPC_MAX_MSG_SIZE, 0);
    // Only up to the type byte: the layout's tail padding is not part of it.
    std::memcpy(message.data(), &info, offsetof(IpcGuiInfoMsg, connectionType) + 1);
    return message;
}

Message StartedMessage(uint64_t windowHandle) {
    Message message = EmptyMessage(VPNCONF_STARTED);
    std::memcpy(&message[offsetof(IpcGuiStartedMsg, mainWindow)], &windowHandle, sizeof windowHandle);
    return message;
}

Message ConfigRequestMessage(const ConfigRequest& request) {
    IpcConfigReqMsg msg{};
    msg.type = CONFIG_REQ;
    msg.argA = request.argA;
    msg.argS = request.argS;
    msg.argL = request.argL;
    msg.operation = request.operation;
    CopyText(msg.data, request.data);
    return Padded(msg);
}

Message RegWriteMessage(const std::string& keyAndValue, uint32_t valueType, const std::vector<uint8_t>& data) {
    IpcRegWriteMsg msg{};
    msg.type = VPNCONF_REG_WRITE;
    CopyText(msg.keyAndValue, keyAndValue);
    msg.valueType = valueType;
    const size_t length = std::min(data.size(), sizeof msg.data);
    msg.dataLength = static_cast<uint32_t>(length);
    if (length != 0) std::memcpy(msg.data, data.data(), length);
    return Padded(msg);
}

Message RegDeleteMessage(const std::string& keyAndValue) {
    IpcRegDeleteMsg msg{};
    msg.type = VPNCONF_REG_DELETE;
    CopyText(msg.keyAndValue, keyAndValue);
    return Padded(msg);
}

Message SystemLogMessage(uint32_t eventIndex, uint8_t facility, int16_t level, uint32_t number,
                         const std::string& text) {
    IpcSystemLogMsg msg{};
    msg.type = ORX_SYSTEMLOG;
    msg.facility = facility;
    msg.level = level;
    msg.eventIndex = eventIndex;
    msg.number = number;
    CopyText(msg.text, text);
    return Padded(msg);
}

Message PinMessage(const std::string& pin) {
    IpcPinMsg msg{};
    msg.type = VPNCONF_PINCODE_SET;
    CopyText(msg.pin, pin);
    return Padded(msg);
}

Message CloseMessage(uint32_t mode) {
    Message message = EmptyMessage(VPNCONF_CLOSED);
    PutWord(message, offsetof(IpcCloseMsg, closeMode), mode);
    return message;
}

Message PasswordMessage(const std::string& password) {
    IpcPasswordMsg msg{};
    msg.type = CFGPANEL_PWD_RESP;
    CopyText(msg.password, password);
    return Padded(msg);
}

Message RawMessage(uint32_t code, size_t length, const std::vector<uint8_t>& payload) {
    Message message = EmptyMessage(code);
    std::copy_n(payload.begin(), std::min(payload.size(), IPC_MAX_MSG_SIZE - sizeof code), message.begin() + 4);
    message.resize(std::min<size_t>(length, IPC_MAX_MSG_SIZE));
    return message;
}

}  // namespace tunpanel
