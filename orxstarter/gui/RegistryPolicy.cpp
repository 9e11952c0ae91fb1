#include "orxstarter/gui/RegistryPolicy.h"

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

bool PlainComponent(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    if (name.front() == ' ' || name.back() == ' ' || name.back() == '.') return false;
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F) return false;
    }
    return true;
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

// An administrator's prefix, trailing backslashes forgiven; one that is not
// plain is ignored rather than guessed at.
bool PrefixComponents(std::string prefix, Components& components) {
    while (!prefix.empty() && prefix.back() == '\\') prefix.pop_back();
    return SplitPlainPath(prefix, components);
}

}  // namespace

PolicyVerdict JudgeKeyPath(const RegistryPolicy& policy, const std::string& keyPath) {
    if (!policy.enforced) return PolicyVerdict::Allowed;
    Components path;
    if (!SplitPlainPath(keyPath, path)) return PolicyVerdict::BadPath;
    if (IsServiceKey(path)) return PolicyVerdict::ServiceKey;
    Components prefix;
    for (const std::string& entry : policy.prefixes) {
        if (PrefixComponents(entry, prefix) && StartsWith(path, prefix)) return PolicyVerdict::Allowed;
    }
    return PolicyVerdict::OutsidePrefixes;
}

const char* VerdictText(PolicyVerdict verdict) {
    switch (verdict) {
    case PolicyVerdict::Allowed: return "allowed";
    case PolicyVerdict::OutsidePrefixes: return "refused by policy, the key is under none of the allowed prefixes";
    case PolicyVerdict::ServiceKey: return "refused by policy, the service's own key is never written for a GUI";
    case PolicyVerdict::BadPath: return "refused by policy, the key path is not a plain path";
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
