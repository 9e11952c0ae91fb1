#include "orxstarter/tools/tools.h"

#include "orxstarter/trace/DebugTrace.h"
#include "orxstarter/trace/LogText.h"
#include "sysdep/WinHandles.h"

#include <cstring>

namespace {

constexpr REGSAM kGetOpenAccess = KEY_READ;                                     // 0x20019
constexpr REGSAM kSetOpenAccess = KEY_WRITE | KEY_WOW64_64KEY;                  // 0x20106
constexpr REGSAM kSetCreateAccess = KEY_READ | KEY_WRITE | KEY_WOW64_64KEY;     // 0x2011F
constexpr REGSAM kEnumAccess = KEY_READ | KEY_WOW64_64KEY;                      // 0x20119
constexpr REGSAM kDeleteView = KEY_WOW64_64KEY;                                 // 0x100

// Key names, values and paths may have come from a GUI's registry requests:
// any byte but a backslash can be in a key's name.
using Shown = log_text::Escaped<TRACE_MSG_SIZE>;

// Opens the key for writing, creating the whole path when it is missing.
// Other open errors are refused without a trace line.
bool OpenOrCreateForWrite(HKEY hKey, const char* pKey, orx::UniqueHKey& key) {
    const LONG rc = RegOpenKeyExA(hKey, pKey, 0, kSetOpenAccess, key.put());
    if (rc == ERROR_SUCCESS) return true;
    if (rc != ERROR_FILE_NOT_FOUND) return false;
    TRACE("SetRegParam ERROR_FILE_NOT_FOUND create subkey");
    const LONG created = RegCreateKeyExA(hKey, pKey, 0, nullptr, REG_OPTION_NON_VOLATILE, kSetCreateAccess, nullptr,
                                         key.put(), nullptr);
    if (created != ERROR_SUCCESS) {
        TRACE("RegCreateKeyEx Error %d", static_cast<int>(created));
        return false;
    }
    return true;
}

// Deletes the children of an opened key one by one, taking them from index 0
// since each one is gone once deleted. Stops at the first child that cannot
// be named within the path buffer or cannot be deleted. A child still listed
// after its deletion reported success (a link whose target is missing) is
// skipped, so the loop always ends. False when a child stays.
bool DeleteChildren(RegDeleteKeyExFn deleteKey, HKEY hKey, HKEY opened, const char* lpSubKey) {
    char path[REG_HELPER_BUFFER_SIZE] = {};
    char child[REG_HELPER_BUFFER_SIZE] = {};
    const size_t nameOffset = reg_tools::PathWithSeparator(lpSubKey, path, sizeof path);
    if (nameOffset == 0) {
        TRACE("Buffer truncated, operation cancelled");
        return false;
    }
    bool allGone = true;
    for (DWORD index = 0;;) {
        DWORD childSize = sizeof child;
        if (RegEnumKeyExA(opened, index, child, &childSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            return allGone;
        }
        // The path still ends with the name of the child tried last (empty
        // before the first), and sibling names differ whatever their case.
        if (lstrcmpiA(child, path + nameOffset) == 0) {
            TRACE("   DelRegNodeRecurse %s did not go away, skipped", Shown(path).c_str());
            allGone = false;
            ++index;
            continue;
        }
        if (!reg_tools::AppendChildName(path, sizeof path, nameOffset, child)) {
            TRACE("Buffer truncated, operation cancelled");
            return false;
        }
        if (!DelRegNodeRecurse(deleteKey, hKey, path)) return false;
    }
}

}  // namespace

namespace reg_tools {

size_t PathWithSeparator(const char* path, char* buffer, size_t size) {
    if (size == 0) return 0;
    buffer[0] = '\0';
    const size_t len = std::strlen(path);
    const bool hasSeparator = len > 0 && path[len - 1] == '\\';
    const size_t needed = len + (hasSeparator ? 0 : 1);
    if (needed + 1 > size) return 0;
    std::memcpy(buffer, path, len);
    if (!hasSeparator) buffer[len] = '\\';
    buffer[needed] = '\0';
    return needed;
}

bool AppendChildName(char* buffer, size_t size, size_t offset, const char* child) {
    const size_t len = std::strlen(child);
    if (offset >= size || len + 1 > size - offset) return false;
    std::memcpy(buffer + offset, child, len + 1);
    return true;
}

void PrintableValue(const char* value, DWORD length, char* out, size_t size) {
    if (size == 0) return;
    size_t n = 0;
    while (n < length && n + 1 < size && value[n] != '\0') {
        out[n] = value[n];
        ++n;
    }
    out[n] = '\0';
}

}  // namespace reg_tools

bool GetRegParam(const char* pKey, const char* pSubkey, unsigned char* buffer, const DWORD* bufferLength) {
    if (buffer == nullptr || bufferLength == nullptr) return false;
    TRACE("=> GetRegParam pKey %s, pSubkey %s", pKey, pSubkey);

    // One byte past the 260 read, always NUL, so the trace can show the
    // value as text even when it fills the whole buffer.
    char value[REG_HELPER_BUFFER_SIZE + 1] = {};
    DWORD valueLength = REG_HELPER_BUFFER_SIZE;
    std::memset(buffer, 0, *bufferLength);

    orx::UniqueHKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, pKey, 0, kGetOpenAccess, key.put()) != ERROR_SUCCESS) {
        TRACE("<= GetRegParam error opening key %s, pSubkey %s", pKey, pSubkey);
        return false;
    }
    const LONG rc = RegQueryValueExA(key.get(), pSubkey, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &valueLength);
    value[REG_HELPER_BUFFER_SIZE] = '\0';
    TRACE("GetRegParam SubKey value %s valuelen %d", Shown(value).c_str(), static_cast<int>(valueLength));
    key.reset();

    if (rc != ERROR_SUCCESS) return false;
    if (valueLength > *bufferLength) return false;
    if (valueLength == 0) return true;
    std::memcpy(buffer, value, valueLength);
    return true;
}

bool SetRegParam(HKEY hKey, const char* pKey, const char* pSubKey, const char* pSubKeyValue, DWORD length) {
    if (pSubKeyValue == nullptr) return false;
    // The value need not end in a NUL within `length` bytes: trace a bounded copy.
    char shown[TRACE_MSG_SIZE / 2];
    reg_tools::PrintableValue(pSubKeyValue, length, shown, sizeof shown);
    TRACE("SetRegParam pKey = %s, pSubKey = %s, pSubKeyValue = %s", pKey, pSubKey != nullptr ? pSubKey : "Default",
          Shown(shown).c_str());

    orx::UniqueHKey key;
    if (!OpenOrCreateForWrite(hKey, pKey, key)) return false;
    const LONG rc = RegSetValueExA(key.get(), pSubKey, 0, REG_SZ, reinterpret_cast<const BYTE*>(pSubKeyValue), length);
    if (rc != ERROR_SUCCESS) TRACE("RegSetValueEx  %d", static_cast<int>(rc));
    return rc == ERROR_SUCCESS;
}

bool DelRegNode(HKEY hKey, const char* lpSubKey) {
    if (lpSubKey == nullptr) return false;
    TRACE("=> DelRegNode %s", Shown(lpSubKey).c_str());
    HMODULE advapi = LoadLibraryA("AdvAPI32.dll");
    if (advapi == nullptr) {
        TRACE("<= DelRegNode error loading library AdvAPI32.dll : %d", static_cast<int>(GetLastError()));
        return false;
    }
    auto deleteKey = reinterpret_cast<RegDeleteKeyExFn>(GetProcAddress(advapi, "RegDeleteKeyExA"));
    if (deleteKey == nullptr) {
        TRACE("<= DelRegNode error mapping function : %d", static_cast<int>(GetLastError()));
        FreeLibrary(advapi);
        return false;
    }
    char path[REG_DELNODE_PATH_SIZE];
    std::strncpy(path, lpSubKey, sizeof path - 1);
    path[sizeof path - 1] = '\0';

    const bool deleted = DelRegNodeRecurse(deleteKey, hKey, path);
    FreeLibrary(advapi);
    TRACE("<= DelRegNode");
    return deleted;
}

bool DelRegNodeRecurse(RegDeleteKeyExFn deleteKey, HKEY hKey, const char* lpSubKey) {
    if (deleteKey == nullptr || lpSubKey == nullptr) return false;
    TRACE("=> DelRegNodeRecurse %s", Shown(lpSubKey).c_str());

    // A path that does not fit the path buffer is refused before anything is
    // deleted: a cut copy of it could name a key other than the one asked
    // for. An empty path would name the root key itself. A path that fits
    // only without its separator is still deleted when it has no children.
    if (lpSubKey[0] == '\0' || std::strlen(lpSubKey) >= REG_HELPER_BUFFER_SIZE) {
        TRACE("Buffer truncated, operation cancelled");
        TRACE("<= DelRegNodeRecurse return FALSE");
        return false;
    }

    if (deleteKey(hKey, lpSubKey, kDeleteView, 0) == ERROR_SUCCESS) {
        TRACE("<= DelRegNodeRecurse No child return TRUE");
        return true;
    }

    orx::UniqueHKey key;
    const LONG rc = RegOpenKeyExA(hKey, lpSubKey, 0, kEnumAccess, key.put());
    if (rc == ERROR_FILE_NOT_FOUND) {
        TRACE("<= DelRegNodeRecurse key not found return TRUE");
        return true;
    }
    if (rc != ERROR_SUCCESS) {
        TRACE("<= DelRegNodeRecurse Error opening key %d", static_cast<int>(rc));
        return false;
    }
    const bool childrenGone = DeleteChildren(deleteKey, hKey, key.get(), lpSubKey);
    key.reset();

    if (deleteKey(hKey, lpSubKey, kDeleteView, 0) == ERROR_SUCCESS && childrenGone) {
        TRACE("<= DelRegNodeRecurse return TRUE");
        return true;
    }
    TRACE("<= DelRegNodeRecurse return FALSE");
    return false;
}
