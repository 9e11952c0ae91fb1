// Text side of ipctool: the command line and the hex form of messages. No
// OS calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace channel_tool {

enum class Action { Listen, Send };

struct Command {
    Action action = Action::Listen;
    std::string channel;
    unsigned count = 0;     // listen: stop after this many messages; 0 = until Ctrl+C
    unsigned holdMs = 0;    // listen: time each message is kept in the callback
    std::vector<uint8_t> bytes;  // send: the message
};

// Parses "listen NAME [--count N] [--hold-ms MS]" or "send NAME HEX"
// (arguments after the program name). On failure returns false with the
// reason in `error`.
bool ParseCommand(const std::vector<std::string>& args, Command& command, std::string& error);

// Hex digits (either case, no separators, even count) to bytes.
bool ParseHex(const std::string& text, std::vector<uint8_t>& bytes, std::string& error);

// Lower-case hex without separators.
std::string ToHex(const void* data, size_t size);

// One received message as a listener prints it: "<length> <hex>\n".
std::string MessageLine(const void* data, size_t size);

// The usage text for `program`.
std::string Usage(const std::string& program);

}  // namespace channel_tool
