// The messages tunpanel sends to the service, composed as full 696-byte
// blocks (zero wherever nothing is set) unless a length is given. No OS calls.
//
// Texts and data longer than their field are cut to it (a text keeps its
// terminating zero); the request parser refuses them before they get here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tunpanel {

using Message = std::vector<uint8_t>;

// The type code followed by zeros.
Message EmptyMessage(uint32_t code);

// SET_GUI_INFOS: our process at 16, the watchdog request at 20 (1 or 0),
// the connect type byte at 24.
Message GuiInfoMessage(uint32_t processId, bool watchdog, int8_t connectType);

// VPNCONF_STARTED with the 64-bit main window handle at 16.
Message StartedMessage(uint64_t windowHandle);

struct ConfigRequest {
    uint32_t operation = 0;  // 0 load, 1 save, 2 update, 3 import (5, 6 and others pass as given)
    uint32_t argA = 0;
    uint32_t argS = 0;
    uint32_t argL = 0;
    std::string data;  // at most 659 characters
};

// CONFIG_REQ: A at 16, S at 20, L at 24, operation at 28, data text at 32.
Message ConfigRequestMessage(const ConfigRequest& request);

// VPNCONF_REG_WRITE: "key|value" at 16, value type at 276, data length at
// 280, data at 284 (at most 412 bytes).
Message RegWriteMessage(const std::string& keyAndValue, uint32_t valueType, const std::vector<uint8_t>& data);

// VPNCONF_REG_DELETE: "key|value" at 16.
Message RegDeleteMessage(const std::string& keyAndValue);

// ORX_SYSTEMLOG: facility byte at 16, signed level at 18, event index at 20,
// number at 32, text at 40.
Message SystemLogMessage(uint32_t eventIndex, uint8_t facility, int16_t level, uint32_t number,
                         const std::string& text);

// VPNCONF_PINCODE_SET: the PIN text at 16 (at most 203 characters).
Message PinMessage(const std::string& pin);

// VPNCONF_CLOSED: the close mode word at 24.
Message CloseMessage(uint32_t mode);

// CFGPANEL_PWD_RESP: the password text at 16 (at most 255 characters).
Message PasswordMessage(const std::string& password);

// Any message: the type code (as far as `length` holds it), then `payload`
// from offset 4, zero up to `length` (at most 696).
Message RawMessage(uint32_t code, size_t length, const std::vector<uint8_t>& payload);

}  // namespace tunpanel
