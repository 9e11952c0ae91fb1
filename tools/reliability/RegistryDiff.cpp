#include "tools/reliability/RegistryDiff.h"

#include <algorithm>

namespace reliability {

namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

bool UnderAny(const std::string& entry, const std::vector<std::string>& prefixes) {
    for (const std::string& prefix : prefixes) {
        if (IsUnderPrefix(entry, prefix)) return true;
    }
    return false;
}

void Note(RegistryChanges& changes, const std::string& what, const std::string& entry, const AllowedChanges& allowed) {
    const bool isProtected = std::any_of(allowed.protectedEntries.begin(), allowed.protectedEntries.end(),
                                         [&](const std::string& p) { return SameText(entry, p); });
    if (!isProtected && UnderAny(entry, allowed.platform)) {
        ++changes.platform;
    } else if (!isProtected && UnderAny(entry, allowed.byDesign)) {
        ++changes.byDesign;
    } else if (!isProtected && UnderAny(entry, allowed.prefixes)) {
        ++changes.inside;
    } else {
        changes.outside.push_back(what + " " + entry);
    }
}

}  // namespace

uint64_t ValueDigest(uint32_t type, const unsigned char* data, size_t size) {
    uint64_t hash = 14695981039346656037ull;
    const auto mix = [&hash](unsigned char byte) {
        hash ^= byte;
        hash *= 1099511628211ull;
    };
    for (int shift = 0; shift < 32; shift += 8) mix(static_cast<unsigned char>(type >> shift));
    for (size_t i = 0; i < size; ++i) mix(data[i]);
    return hash;
}

bool IsUnderPrefix(const std::string& entry, const std::string& prefix) {
    const std::string key = entry.substr(0, entry.find('|'));
    if (key.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (LowerAscii(key[i]) != LowerAscii(prefix[i])) return false;
    }
    return key.size() == prefix.size() || key[prefix.size()] == '\\';
}

RegistryChanges CompareImages(const RegistryImage& before, const RegistryImage& after, const AllowedChanges& allowed) {
    RegistryChanges changes;
    for (const auto& [entry, digest] : after) {
        const auto old = before.find(entry);
        if (old == before.end()) {
            Note(changes, "added", entry, allowed);
        } else if (old->second != digest) {
            Note(changes, "changed", entry, allowed);
        }
    }
    for (const auto& [entry, digest] : before) {
        if (after.find(entry) == after.end()) Note(changes, "removed", entry, allowed);
    }
    return changes;
}

}  // namespace reliability
