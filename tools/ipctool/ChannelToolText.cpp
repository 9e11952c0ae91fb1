#include "tools/ipctool/ChannelToolText.h"

#include <cerrno>
#include <cstdlib>

namespace channel_tool {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool ParseCount(const std::string& text, unsigned& value) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    errno = 0;
    const unsigned long parsed = std::strtoul(text.c_str(), nullptr, 10);
    if (errno == ERANGE || parsed > 0xFFFFFFFFul) return false;
    value = static_cast<unsigned>(parsed);
    return true;
}

bool ParseListenOptions(const std::vector<std::string>& args, Command& command, std::string& error) {
    for (size_t i = 2; i < args.size(); i += 2) {
        const std::string& option = args[i];
        if (option != "--count" && option != "--hold-ms") {
            error = "unknown option '" + option + "'";
            return false;
        }
        if (i + 1 >= args.size()) {
            error = option + " needs a number";
            return false;
        }
        unsigned& target = option == "--count" ? command.count : command.holdMs;
        if (!ParseCount(args[i + 1], target)) {
            error = option + " needs a number, not '" + args[i + 1] + "'";
            return false;
        }
    }
    return true;
}

}  // namespace

bool ParseCommand(const std::vector<std::string>& args, Command& command, std::string& error) {
    command = Command{};
    if (args.size() < 2) {
        error = "a command and a channel name are needed";
        return false;
    }
    command.channel = args[1];
    if (command.channel.empty()) {
        error = "the channel name is empty";
        return false;
    }
    if (args[0] == "listen") {
        command.action = Action::Listen;
        return ParseListenOptions(args, command, error);
    }
    if (args[0] == "send") {
        command.action = Action::Send;
        if (args.size() != 3) {
            error = "send takes a channel name and the message in hex";
            return false;
        }
        return ParseHex(args[2], command.bytes, error);
    }
    error = "unknown command '" + args[0] + "'";
    return false;
}

bool ParseHex(const std::string& text, std::vector<uint8_t>& bytes, std::string& error) {
    bytes.clear();
    if (text.size() % 2 != 0) {
        error = "the message has an odd number of hex digits";
        return false;
    }
    for (size_t i = 0; i < text.size(); i += 2) {
        const int high = HexValue(text[i]);
        const int low = HexValue(text[i + 1]);
        if (high < 0 || low < 0) {
            error = "not a hex digit at position " + std::to_string(high < 0 ? i + 1 : i + 2);
            return false;
        }
        bytes.push_back(static_cast<uint8_t>(high << 4 | low));
    }
    return true;
}

std::string ToHex(const void* data, size_t size) {
    static const char kDigits[] = "0123456789abcdef";
    const auto* bytes = static_cast<const uint8_t*>(data);
    std::string text;
    text.reserve(size * 2);
    for (size_t i = 0; i < size; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}

std::string MessageLine(const void* data, size_t size) {
    return std::to_string(size) + " " + ToHex(data, size) + "\n";
}

std::string Usage(const std::string& program) {
    return "usage: " + program + " listen NAME [--count N] [--hold-ms MS]\n"
           "       " + program + " send NAME HEX\n";
}

}  // namespace channel_tool
