#include "orxstarter/gui/AppPathsValue.h"

#include "sysdep/Locks.h"
#include "sysdep/WinHandles.h"
#include "sysdep/sysdep.h"

#include <cstring>

namespace {

// Readers share the open key; a reopen waits until none is reading through it.
SRWLOCK g_keyLock = SRWLOCK_INIT;

orx::UniqueHKey& AppPathsKey() {
    static orx::UniqueHKey key;
    return key;
}

void Reopen(HKEY stale) {
    orx::ExclusiveGuard guard(g_keyLock);
    if (AppPathsKey().get() != stale) return;  // another reader did it already
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, ORX_APP_PATHS_KEY, 0, KEY_QUERY_VALUE, AppPathsKey().put());
}

// ERROR_KEY_DELETED when the open key is gone (the key itself was deleted).
LONG QueryOpenKey(const char* name, unsigned char* buffer, DWORD size, HKEY& used) {
    orx::SharedGuard guard(g_keyLock);
    used = AppPathsKey().get();
    if (used == nullptr) return ERROR_KEY_DELETED;
    DWORD read = size;
    return RegQueryValueExA(used, name, nullptr, nullptr, buffer, &read);
}

}  // namespace

bool ReadAppPathsValue(const char* name, unsigned char* buffer, DWORD size) {
    LONG status = ERROR_KEY_DELETED;
    for (int attempt = 0; attempt < 2 && status == ERROR_KEY_DELETED; ++attempt) {
        std::memset(buffer, 0, size);
        HKEY used = nullptr;
        status = QueryOpenKey(name, buffer, size, used);
        if (status == ERROR_KEY_DELETED) Reopen(used);
    }
    if (status != ERROR_SUCCESS) std::memset(buffer, 0, size);
    return status == ERROR_SUCCESS;
}
