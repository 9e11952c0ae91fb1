#include "standins/tunpanel/PanelPassword.h"

#include "common/orxinterps/src/ipcmsg.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace tunpanel {

namespace {

bool SameKey(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

std::optional<size_t> PasswordHashLength(const uint8_t* field, size_t size) {
    for (size_t i = 0; i + 1 < size; ++i) {
        if (field[i] == 0 && field[i + 1] == 0) return i + 1;
    }
    return std::nullopt;
}

std::vector<uint8_t> PasswordHashInput(const std::string& password, const Salt& salt) {
    uint8_t field[sizeof(IpcPasswordMsg::password)] = {};
    std::memcpy(field, password.data(), std::min(password.size(), sizeof field - 2));
    const size_t length = PasswordHashLength(field, sizeof field).value_or(0);
    std::vector<uint8_t> input(field, field + length);
    input.insert(input.end(), salt.begin(), salt.end());
    std::fill(std::begin(field), std::end(field), 0);
    return input;
}

bool CheckPanelPassword(const std::string& password, std::string& error) {
    if (password.empty()) {
        error = "the password is empty (--clear-panel-password removes it)";
        return false;
    }
    if (password.find('\0') != std::string::npos) {
        error = "the password holds a zero byte";
        return false;
    }
    if (password.size() > kMaxPanelPasswordLength) {
        error = "the password has " + std::to_string(password.size()) + " characters; the service checks at most " +
                std::to_string(kMaxPanelPasswordLength);
        return false;
    }
    return true;
}

GuiDefs ComposeGuiDefs(const Digest& digest, const Salt& salt) {
    GuiDefs value{};
    std::copy(digest.begin(), digest.end(), value.begin() + kGuiDefsDigestOffset);
    std::copy(salt.begin(), salt.end(), value.begin() + kGuiDefsSaltOffset);
    return value;
}

std::vector<std::string> GuiDefsKeys(const std::optional<std::string>& logPath) {
    std::vector<std::string> keys{kProductKey};
    if (logPath) {
        const std::string digestKey = "SOFTWARE\\" + *logPath;
        if (!SameKey(digestKey, kProductKey)) keys.push_back(digestKey);
    }
    return keys;
}

}  // namespace tunpanel
