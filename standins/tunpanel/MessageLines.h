// The one-line forms in which tunpanel prints what it sends and receives.
// No OS calls.
//
//   -> NAME len=N ok|FAILED
//   <- ORXIKE_STARTED len=696 version="4.40" word4=8 word16=2 session-event=0
//   <- CONFIG_RESP len=696 result=0 L=1 op=0 data="..."
//   <- NAME len=N hex=0b900000...   (any other message: its first 32 bytes)
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tunpanel {

// The message's type code; false when it is shorter than a code.
bool MessageCode(const uint8_t* data, size_t length, uint32_t& code);

// The catalogue name, or "0x" and 8 hex digits for a code outside it.
std::string CodeName(uint32_t code);

// CodeName of the message's type, "?" when it is shorter than a code.
std::string MessageName(const uint8_t* data, size_t length);

std::string SentLine(const uint8_t* data, size_t length, bool ok);

std::string ReceivedLine(const uint8_t* data, size_t length);

}  // namespace tunpanel
