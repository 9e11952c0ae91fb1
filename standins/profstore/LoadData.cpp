#include "standins/profstore/LoadData.h"

#include <algorithm>
#include <cstdio>

namespace profstore {

namespace {

constexpr char kImportPrefix[] = "name=";
constexpr size_t kMaxNameLength = 255;      // what the service keeps of a name
constexpr size_t kMaxFileNameLength = 255;  // a file name's longest

std::string BoundedText(const char* data, uint32_t maxBytes) {
    if (data == nullptr) return {};
    const char* end = std::find(data, data + maxBytes, '\0');
    return std::string(data, end);
}

bool HasControlCharacter(const std::string& text) {
    return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

std::string UpperAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

// The names Windows opens as devices in any folder, with any extension.
// COM and LPT take one more character: a digit, or (newer releases) the
// superscript digits of the code page.
bool IsDeviceName(const std::string& name) {
    const std::string stem = UpperAscii(name.substr(0, name.find('.')));
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"}) {
        if (stem == device) return true;
    }
    return stem.size() == 4 && (stem.rfind("COM", 0) == 0 || stem.rfind("LPT", 0) == 0);
}

}  // namespace

bool IsPlainFileName(const std::string& name, std::string& why) {
    if (name.empty() || name.size() > kMaxFileNameLength) {
        why = "the file name must have 1 to " + std::to_string(kMaxFileNameLength) + " characters";
    } else if (HasControlCharacter(name) || name.find_first_of("\\/:<>\"|?*\x7F") != std::string::npos) {
        why = "the file name must be a name in the import folder, not a path, a drive, a share or a stream";
    } else if (name == "." || name == ".." || name.front() == ' ' || name.back() == ' ' || name.back() == '.') {
        why = "the file name must not be . or .., start with a blank or end with a blank or a dot";
    } else if (IsDeviceName(name)) {
        why = "the file name must not name a device";
    } else {
        return true;
    }
    return false;
}

bool ParseLoadData(const char* data, uint32_t maxBytes, LoadRequest& request, std::string& error) {
    const std::string text = BoundedText(data, maxBytes);
    request = LoadRequest{};
    if (text.empty()) return true;
    const size_t bar = text.find('|');
    if (text.rfind(kImportPrefix, 0) != 0 || bar == std::string::npos) {
        error = "import data must read name=<configuration name>|<file name>";
        return false;
    }
    const size_t nameStart = sizeof kImportPrefix - 1;
    const std::string name = text.substr(nameStart, bar - nameStart), fileName = text.substr(bar + 1);
    if (name.empty() || name.size() > kMaxNameLength || HasControlCharacter(name)) {
        error = "the configuration name must have 1 to " + std::to_string(kMaxNameLength) + " printable characters";
        return false;
    }
    if (!IsPlainFileName(fileName, error)) return false;
    request = {true, name, fileName};
    return true;
}

std::string DescribeLoadData(const char* data, uint32_t maxBytes) {
    if (data == nullptr) return "null";
    const std::string text = BoundedText(data, maxBytes);
    LoadRequest request;
    std::string error;
    if (!ParseLoadData(data, maxBytes, request, error)) return "<" + std::to_string(text.size()) + " bytes>";
    std::string quoted = "\"";
    for (const char c : text) {
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
