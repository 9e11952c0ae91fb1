// What changed in the registry between two images of it, judged against what
// a run's policy allows. Pure.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace reliability {

// One entry per key ("SOFTWARE\\Key") and per value ("SOFTWARE\\Key|Name",
// "SOFTWARE\\Key|" for the default value), each with a digest of what it
// holds (0 for a key).
using RegistryImage = std::map<std::string, uint64_t>;

// FNV-1a over a value's type and data.
uint64_t ValueDigest(uint32_t type, const unsigned char* data, size_t size);

// Whether the key of `entry` is `prefix` or lies below it, component by
// component, ignoring ASCII letter case as the registry does.
bool IsUnderPrefix(const std::string& entry, const std::string& prefix);

// What a run may change: entries under `prefixes`, but never the
// `protectedEntries` ("key|value", letter case ignored); entries under
// `byDesign`, which the service writes whatever the policy, and under
// `platform`, which the system writes by itself (each counted apart).
struct AllowedChanges {
    std::vector<std::string> prefixes;
    std::vector<std::string> protectedEntries;
    std::vector<std::string> byDesign;
    std::vector<std::string> platform;
};

struct RegistryChanges {
    std::vector<std::string> outside;  // "added ...", "changed ...", "removed ...": none may happen
    size_t inside = 0;                 // entries added, changed or removed where the policy allows
    size_t byDesign = 0;               // entries added, changed or removed under the by-design keys
    size_t platform = 0;               // ... under the system's own keys
};
RegistryChanges CompareImages(const RegistryImage& before, const RegistryImage& after, const AllowedChanges& allowed);

}  // namespace reliability
