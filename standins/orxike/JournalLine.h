// Lines of the IKE daemon stand-in's journal. Pure: the clock is passed in.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace orxike_standin {

// "YYYY-MM-DD hh:mm:ss.mmm " followed by `text`.
std::string StampedLine(const SYSTEMTIME& time, const std::string& text);

// What a message is called in the journal: its catalogue name, else its type
// code as 0x%08X; "(no type)" when it is shorter than a type code.
std::string MessageLabel(const void* message, uint32_t length);

// A received message: "recv <label> len=<length> <lower-case hex of the
// bytes>".
std::string ReceivedText(const void* message, uint32_t length);

}  // namespace orxike_standin
