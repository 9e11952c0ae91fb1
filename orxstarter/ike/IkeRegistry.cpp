#include "orxstarter/ike/IkeRegistry.h"

#include "sysdep/WinHandles.h"
#include "sysdep/sysdep.h"

#include <cstring>

namespace ike_registry {

namespace {

LONG QueryValue(const char* name, void* buffer, DWORD* size) {
    orx::UniqueHKey key;
    LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, ORX_APP_PATHS_KEY, 0, KEY_READ, key.put());
    if (status != ERROR_SUCCESS) return status;
    return RegQueryValueExA(key.get(), name, nullptr, nullptr, static_cast<BYTE*>(buffer), size);
}

}  // namespace

ReadResult ReadPath(const char* name, char (&out)[kPathSize]) {
    // One byte more than the buffer, so a value stored without its NUL is
    // still seen whole.
    char value[kPathSize + 1] = {};
    DWORD size = kPathSize + 1;
    const LONG status = QueryValue(name, value, &size);
    if (status == ERROR_MORE_DATA) return ReadResult::TooLong;
    if (status != ERROR_SUCCESS) return ReadResult::Missing;
    const size_t length = strnlen(value, sizeof value);
    if (length >= kPathSize) return ReadResult::TooLong;
    std::memcpy(out, value, length + 1);
    return ReadResult::Ok;
}

bool ReadDword(const char* name, DWORD* value) {
    DWORD size = sizeof *value;
    return QueryValue(name, value, &size) == ERROR_SUCCESS && size == sizeof *value;
}

}  // namespace ike_registry
