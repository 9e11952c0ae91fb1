#include "orxstarter/gui/RegistryPolicy.h"

#include "sysdep/sysdep.h"

namespace gui_registry {

namespace {

using Components = std::vector<std::string>;

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

bool PrintableAscii(const std::string& name) {
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F) return false;
    }
    return true;
}

bool PlainComponent(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    if (name.front() == ' ' || name.back() == ' ' || name.back() == '.') return false;
    return PrintableAscii(name);
}

// False when any component is not plain (an empty one included, so leading,
// trailing and doubled backslashes are refused too).
bool SplitPlainPath(const std::string& path, Components& components) {
    components.clear();
    size_t start = 0;
    for (;;) {
        const size_t end = path.find('\\', start);
        components.push_back(path.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (!PlainComponent(components.back())) return false;
        if (end == std::string::npos) return true;
        start = end + 1;
    }
}

bool IsControlSetName(const std::string& name) {
    if (SameName(name, "CurrentControlSet")) return true;
    const std::string stem = "ControlSet";
    if (name.size() <= stem.size() || !SameName(name.substr(0, stem.size()), stem)) return false;
    return name.find_first_not_of("0123456789", stem.size()) == std::string::npos;
}

// The service's key in any control set (CurrentControlSet is a link to one
// of them), and SYSTEM\Select, which decides the control set the next boot uses.
bool IsServiceKey(const Components& path) {
    if (path.size() >= 2 && SameName(path[0], "SYSTEM") && SameName(path[1], "Select")) return true;
    return path.size() >= 4 && SameName(path[0], "SYSTEM") && IsControlSetName(path[1]) &&
           SameName(path[2], "Services") && SameName(path[3], "OrxIke Starter");
}

bool StartsWith(const Components& path, const Components& prefix) {
    if (prefix.size() > path.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (!SameName(path[i], prefix[i])) return false;
    }
    return true;
}

bool SamePath(const Components& a, const Components& b) { return a.size() == b.size() && StartsWith(a, b); }

// The daemon's App Paths key, and its place in the 32-bit registry view
// (which 32-bit readers of the same name see).
bool IsDaemonAppPathsKey(const Components& path) {
    static const Components key = [] {
        Components components;
        SplitPlainPath(ORX_APP_PATHS_KEY, components);
        return components;
    }();
    static const Components wow64Key = [] {
        Components components = key;
        components.insert(components.begin() + 1, "WOW6432Node");
        return components;
    }();
    return SamePath(path, key) || SamePath(path, wow64Key);
}

bool IsProtectedValue(const Components& path, const std::string& valueName) {
    if (!IsDaemonAppPathsKey(path)) return false;
    for (const std::string& name : ProtectedAppPathsValues()) {
        if (SameName(valueName, name)) return true;
    }
    return false;
}

// An administrator's entry: a key with everything below it, or one value of
// one key. Trailing backslashes of the key are forgiven; an entry whose key
// is not plain is ignored rather than guessed at.
struct PolicyEntry {
    Components key;
    bool oneValue = false;
    std::string valueName;
};

bool ParseEntry(const std::string& text, PolicyEntry& entry) {
    const size_t bar = text.find('|');
    std::string key = text.substr(0, bar);
    while (!key.empty() && key.back() == '\\') key.pop_back();
    entry.oneValue = bar != std::string::npos;
    entry.valueName = entry.oneValue ? text.substr(bar + 1) : std::string();
    return SplitPlainPath(key, entry.key);
}

bool Covers(const PolicyEntry& entry, const Components& path, const std::string& valueName) {
    if (!entry.oneValue) return StartsWith(path, entry.key);
    return SamePath(path, entry.key) && SameName(valueName, entry.valueName);
}

}  // namespace

const std::vector<std::string>& ProtectedAppPathsValues() {
    static const std::vector<std::string> names = {"Path", "NgPath", "IkeV2", "IkeStart", "LogPath", ""};
    return names;
}

PolicyVerdict JudgeRequest(const RegistryPolicy& policy, const std::string& keyPath, const std::string& valueName) {
    if (!policy.enforced) return PolicyVerdict::Allowed;
    Components path;
    // Value names are compared by the registry with a case folding beyond
    // ASCII too (a dotless i matches "I"): only plain ones are judged.
    if (!SplitPlainPath(keyPath, path) || !PrintableAscii(valueName)) return PolicyVerdict::BadPath;
    if (IsServiceKey(path)) return PolicyVerdict::ServiceKey;
    if (IsProtectedValue(path, valueName)) return PolicyVerdict::ProtectedValue;
    PolicyEntry entry;
    for (const std::string& text : policy.entries) {
        if (ParseEntry(text, entry) && Covers(entry, path, valueName)) return PolicyVerdict::Allowed;
    }
    return PolicyVerdict::OutsidePrefixes;
}

const char* VerdictText(PolicyVerdict verdict) {
    switch (verdict) {
    case PolicyVerdict::Allowed: return "allowed";
    case PolicyVerdict::OutsidePrefixes: return "refused by policy, no entry of the policy covers the value";
    case PolicyVerdict::ServiceKey: return "refused by policy, the service's own key is never written for a GUI";
    case PolicyVerdict::ProtectedValue:
        return "refused by policy, the value decides what the service launches or where it writes";
    case PolicyVerdict::BadPath: return "refused by policy, the key path or the value name is not plain";
    }
    return "refused by policy";
}

std::vector<std::string> ParseMultiSz(const char* data, size_t size) {
    std::vector<std::string> entries;
    size_t start = 0;
    for (size_t i = 0; i <= size; ++i) {
        if (i < size && data[i] != '\0') continue;
        if (i == start) break;  // an empty entry ends the list
        entries.emplace_back(data + start, i - start);
        start = i + 1;
    }
    return entries;
}

}  // namespace gui_registry
