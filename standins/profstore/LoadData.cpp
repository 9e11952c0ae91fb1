#include "standins/profstore/LoadData.h"

#include <algorithm>
#include <cstdio>

namespace profstore {

namespace {

constexpr char kImportPrefix[] = "name=";
constexpr size_t kMaxNameLength = 255;  // what the service keeps of a name
constexpr size_t kMaxPathLength = 259;  // MAX_PATH with its NUL

std::string BoundedText(const char* data, uint32_t maxBytes) {
    if (data == nullptr) return {};
    const char* end = std::find(data, data + maxBytes, '\0');
    return std::string(data, end);
}

bool HasControlCharacter(const std::string& text) {
    return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

}  // namespace

bool ParseLoadData(const char* data, uint32_t maxBytes, LoadRequest& request, std::string& error) {
    const std::string text = BoundedText(data, maxBytes);
    request = LoadRequest{};
    if (text.empty()) return true;
    const size_t bar = text.find('|');
    if (text.rfind(kImportPrefix, 0) != 0 || bar == std::string::npos) {
        error = "import data must read name=<configuration name>|<path of a file>";
        return false;
    }
    const size_t nameStart = sizeof kImportPrefix - 1;
    const std::string name = text.substr(nameStart, bar - nameStart), path = text.substr(bar + 1);
    if (name.empty() || name.size() > kMaxNameLength || HasControlCharacter(name)) {
        error = "the configuration name must have 1 to " + std::to_string(kMaxNameLength) + " printable characters";
        return false;
    }
    if (path.empty() || path.size() > kMaxPathLength || HasControlCharacter(path)) {
        error = "the file path must have 1 to " + std::to_string(kMaxPathLength) + " printable characters";
        return false;
    }
    request = {true, name, path};
    return true;
}

std::string QuoteLoadData(const char* data, uint32_t maxBytes) {
    if (data == nullptr) return "null";
    std::string quoted = "\"";
    for (const char c : BoundedText(data, maxBytes)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F || c == '"') {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            quoted += escaped;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

}  // namespace profstore
