// The messages the IKE daemon stand-in sends to the service. Pure.
#pragma once

#include "standins/orxike/DaemonSettings.h"

#include <cstdint>
#include <vector>

namespace orxike_standin {

using Message = std::vector<uint8_t>;

// ORXIKE_STARTED, 696 bytes, `errorCode` at offset 16 (0: started).
Message ComposeStarted(uint32_t errorCode);

// A bare signal (ORXIKE_ALIVE, ORXIKE_REMAIN, ORXIKE_CONFIG_OK, ...): the code
// followed by 692 zero bytes.
Message ComposeSignal(uint32_t code);

// Notification number `sequence` (1, 2, ...): `length` bytes (4 to 696), the
// type, then the sequence number (32-bit little-endian, cut to what fits),
// then from offset 8 each byte holds the low byte of its own offset, so a
// receiver can tell a shifted or cut copy from the original.
Message ComposeNotification(uint32_t type, uint32_t length, uint32_t sequence);

// ORX_SYSTEMLOG, 696 bytes, describing the event of `event`; the text is cut
// to what the message holds.
Message ComposeSystemLog(const SystemLogSettings& event);

}  // namespace orxike_standin
