#include "standins/orxike/SettingsSources.h"

#include "standins/orxike/DaemonNames.h"
#include "sysdep/WinHandles.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <utility>

namespace orxike_standin {

namespace {

using NamedValue = std::pair<std::string, std::string>;

const std::string kRegistryOrigin = std::string("HKLM\\") + kSettingsRegistryKey;

// The key's values as text: a REG_DWORD as its decimal number, a string as is.
std::vector<NamedValue> RegistryValues(std::vector<std::string>& problems) {
    orx::UniqueHKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsRegistryKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return {};
    std::vector<NamedValue> values;
    for (DWORD index = 0;; ++index) {
        char name[256];
        BYTE data[1024];
        DWORD nameSize = sizeof name, dataSize = sizeof data - 1, type = 0;
        const LONG rc = RegEnumValueA(key.get(), index, name, &nameSize, nullptr, &type, data, &dataSize);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS) {
            problems.push_back(kRegistryOrigin + ": value #" + std::to_string(index) + " unreadable (error " +
                               std::to_string(rc) + ", ignored)");
        } else if (type == REG_DWORD && dataSize == sizeof(DWORD)) {
            DWORD number = 0;
            std::memcpy(&number, data, sizeof number);
            values.emplace_back(name, std::to_string(number));
        } else if (type == REG_SZ || type == REG_EXPAND_SZ) {
            data[dataSize] = 0;
            values.emplace_back(name, reinterpret_cast<const char*>(data));
        } else {
            problems.push_back(kRegistryOrigin + ": value " + name + " is neither REG_DWORD nor REG_SZ (ignored)");
        }
    }
    return values;
}

}  // namespace

DaemonSettings LoadSettings(const std::string& directory, std::vector<std::string>& problems) {
    DaemonSettings settings;
    for (const auto& [name, value] : RegistryValues(problems)) {
        std::string error;
        if (!ApplySetting(settings, name, value, error))
            problems.push_back(kRegistryOrigin + ": " + error + " (ignored)");
    }
    std::ifstream file(directory + "\\" + kSettingsFileName, std::ios::binary);
    if (file) {
        const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        ApplySettingsText(settings, text, kSettingsFileName, problems);
    }
    return settings;
}

}  // namespace orxike_standin
