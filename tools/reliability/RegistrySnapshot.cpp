#include "tools/reliability/RegistrySnapshot.h"

#include "sysdep/WinHandles.h"

#include <vector>

namespace reliability {

namespace {

// Links can make a tree look deeper than it is; no real key nests this far.
constexpr int kMaxDepth = 40;

void AddValues(HKEY key, const std::string& path, DWORD longestName, DWORD longestData, RegistryImage& image) {
    std::vector<char> name(longestName + 2);
    std::vector<unsigned char> data(longestData + 2);
    for (DWORD index = 0;; ++index) {
        DWORD nameSize = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = 0;
        const LONG rc = RegEnumValueA(key, index, name.data(), &nameSize, nullptr, &type, data.data(), &dataSize);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS) continue;  // grew meanwhile: the next image shows it
        image[path + "|" + std::string(name.data(), nameSize)] = ValueDigest(type, data.data(), dataSize);
    }
}

void AddKey(HKEY root, const std::string& path, int depth, RegistryImage& image) {
    orx::UniqueHKey key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return;
    image[path] = 0;
    DWORD subkeys = 0, longestSubkey = 0, values = 0, longestName = 0, longestData = 0;
    if (RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subkeys, &longestSubkey, nullptr, &values,
                         &longestName, &longestData, nullptr, nullptr) != ERROR_SUCCESS) {
        return;
    }
    if (values > 0) AddValues(key.get(), path, longestName, longestData, image);
    if (depth >= kMaxDepth) return;
    std::vector<char> name(longestSubkey + 2);
    std::vector<std::string> children;
    for (DWORD index = 0;; ++index) {
        DWORD nameSize = static_cast<DWORD>(name.size());
        const LONG rc = RegEnumKeyExA(key.get(), index, name.data(), &nameSize, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc == ERROR_SUCCESS) children.emplace_back(name.data(), nameSize);
    }
    key.reset();
    for (const std::string& child : children) AddKey(root, path + "\\" + child, depth + 1, image);
}

}  // namespace

RegistryImage SnapshotRegistry(HKEY root, const std::string& path) {
    RegistryImage image;
    AddKey(root, path, 0, image);
    return image;
}

}  // namespace reliability
