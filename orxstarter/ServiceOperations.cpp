// The service's operations for its supervised parts: the configuration load
// that may start the daemon by itself, and the requested stop of the daemon.
#include "orxstarter/Service.h"

#include "orxstarter/trace/DebugTrace.h"
#include "profstore/Profstore.h"
#include "sysdep/WinHandles.h"
#include "sysdep/sysdep.h"

namespace {

// "IkeStart" is read with room for 3 bytes: a longer value counts as missing.
bool IkeStartAsked() {
    orx::UniqueHKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ORX_APP_PATHS_KEY, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return false;
    char value[3] = {};
    DWORD size = sizeof value;
    if (RegQueryValueExA(key.get(), "IkeStart", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) !=
        ERROR_SUCCESS) {
        return false;
    }
    return size > 0 && value[0] == '1';
}

}  // namespace

void CService::LoadConfiguration() {
    if (!IkeStartAsked() || ike_.DaemonConnected()) return;
    TRACE("=> LoadConfiguration");
    if (VPNConfLoad(1, WTSGetActiveConsoleSessionId(), nullptr) == 1 || VPNConfGetLastError() == 0) {
        TRACE("<= LoadConfiguration OK");
    } else {
        TRACE("<= LoadConfiguration NOK");
        return;
    }
    ike_.StartDaemon();  // refused once the service stops
}

// The supervisor's Stop is a requested stop: the daemon's end is logged as a
// stop (event 7), not as a crash.
void CService::StopIke() {
    TRACE("=> StopIke");
    ike_.Stop();
    TRACE("<= StopIke");
}
