#include "tests/support/Registry.h"

#include "sysdep/WinHandles.h"

namespace testing_support {

const char* const kAppPathsKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\orxike.exe";
const char* const kProductKey = "SOFTWARE\\Quorvane\\Quorvane VPN";

namespace {

bool SetValue(HKEY root, const std::string& key, const std::string& name, DWORD type, const void* data, DWORD size) {
    orx::UniqueHKey handle;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, handle.put(), nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    return RegSetValueExA(handle.get(), name.empty() ? nullptr : name.c_str(), 0, type,
                          static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
}

}  // namespace

bool SetRegBinary(HKEY root, const std::string& key, const std::string& name, const std::vector<uint8_t>& data) {
    return SetValue(root, key, name, REG_BINARY, data.data(), static_cast<DWORD>(data.size()));
}

bool DeleteRegTree(HKEY root, const std::string& key) {
    const LONG rc = RegDeleteTreeA(root, key.c_str());
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) return false;
    RegDeleteKeyA(root, key.c_str());
    return true;
}

ScopedRegValue::ScopedRegValue(HKEY root, std::string key, std::string name)
    : root_(root), key_(std::move(key)), name_(std::move(name)) {
    orx::UniqueHKey handle;
    if (RegOpenKeyExA(root_, key_.c_str(), 0, KEY_READ, handle.put()) != ERROR_SUCCESS) return;
    DWORD size = 0;
    const char* valueName = name_.empty() ? nullptr : name_.c_str();
    if (RegQueryValueExA(handle.get(), valueName, nullptr, &oldType_, nullptr, &size) == ERROR_SUCCESS) {
        oldData_.resize(size);
        hadValue_ =
            RegQueryValueExA(handle.get(), valueName, nullptr, &oldType_, oldData_.data(), &size) == ERROR_SUCCESS;
    }
}

ScopedRegValue::~ScopedRegValue() {
    if (hadValue_) {
        SetValue(root_, key_, name_, oldType_, oldData_.data(), static_cast<DWORD>(oldData_.size()));
    } else {
        Remove();
    }
}

bool ScopedRegValue::SetBinary(const std::vector<uint8_t>& data) { return SetRegBinary(root_, key_, name_, data); }
bool ScopedRegValue::SetDword(DWORD value) { return SetValue(root_, key_, name_, REG_DWORD, &value, sizeof value); }
bool ScopedRegValue::SetString(const std::string& value) {
    return SetValue(root_, key_, name_, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

bool ScopedRegValue::SetMultiSz(const std::vector<std::string>& entries) {
    std::string data;
    for (const std::string& entry : entries) data += entry + '\0';
    data += '\0';
    return SetValue(root_, key_, name_, REG_MULTI_SZ, data.data(), static_cast<DWORD>(data.size()));
}

bool ScopedRegValue::Remove() {
    const LONG rc = RegDeleteKeyValueA(root_, key_.c_str(), name_.empty() ? nullptr : name_.c_str());
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

KeyLeftAsFound::KeyLeftAsFound(HKEY root, std::string path) : root_(root), path_(std::move(path)) {
    orx::UniqueHKey key;
    existed_ = RegOpenKeyExA(root_, path_.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

KeyLeftAsFound::~KeyLeftAsFound() {
    if (existed_) return;
    orx::UniqueHKey key;
    DWORD subkeys = 0, values = 0;
    if (RegOpenKeyExA(root_, path_.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS ||
        RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS ||
        subkeys != 0 || values != 0) {
        return;
    }
    key.reset();
    RegDeleteKeyA(root_, path_.c_str());
}

// Every value the service reads, under the App Paths key and the product key.
ScopedServiceSettings::ScopedServiceSettings() {
    for (const char* name : {"StarterLogFile", "IkeStart", "Path", "NgPath", "IkeV2", "NoAdminPwd", "LogPath",
                             "SystemLogOutput", "SystemLogSyslogPort", "SystemLogSyslogServer"}) {
        Value(name).Remove();
    }
    for (const char* name : {"GuiDefs", "NetParams"}) {
        values_.push_back(std::make_unique<ScopedRegValue>(HKEY_LOCAL_MACHINE, kProductKey, name));
        values_.back()->Remove();
    }
}

ScopedRegValue& ScopedServiceSettings::Value(const std::string& name) {
    for (const auto& value : values_) {
        if (value->Is(kAppPathsKey, name)) return *value;
    }
    values_.push_back(std::make_unique<ScopedRegValue>(HKEY_LOCAL_MACHINE, kAppPathsKey, name));
    return *values_.back();
}

}  // namespace testing_support
