// Stepping the system's IKE service (IKEEXT) aside while our daemon runs,
// and putting it back afterwards.
#include "orxstarter/ike/orxike.h"

#include "orxstarter/trace/DebugTrace.h"
#include "systemlog/SystemLogEvents.h"

#include <cstdio>

namespace {

constexpr uint32_t kEventIkeextStopped = 43;
constexpr uint32_t kEventIkeextRestarted = 44;
constexpr uint32_t kEventIkeextFailed = 45;
constexpr DWORD kScWaitMs = 1000;

// Runs "sc config ikeext start= <mode>" the way the system finds "sc": no
// application name, so the program's own directory is searched first.
orx::UniqueHandle StartScConfig(const char* startMode) {
    char commandLine[256];
    std::snprintf(commandLine, sizeof commandLine, "sc config ikeext start= %s", startMode);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION created = {};
    if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, CREATE_NO_WINDOW | NORMAL_PRIORITY_CLASS,
                        nullptr, nullptr, &startup, &created)) {
        return orx::UniqueHandle();
    }
    CloseHandle(created.hThread);
    return orx::UniqueHandle(created.hProcess);
}

bool QueryIkeext(SC_HANDLE ikeext, SERVICE_STATUS_PROCESS& status) {
    DWORD needed = 0;
    if (QueryServiceStatusEx(ikeext, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status), sizeof status,
                             &needed)) {
        return true;
    }
    TRACE("   HandleIkeext: Quering IKEEXT returned error %0x", static_cast<unsigned>(GetLastError()));
    return false;
}

}  // namespace

void COrxIke::LogIkeext(uint32_t eventIndex, int32_t level, DWORD number) {
    LogSystemEvent(eventIndex, 0, level, static_cast<int32_t>(number), nullptr);
}

bool COrxIke::HandleIkeext(int mode) {
    orx::ExclusiveGuard guard(ikeextLock_);
    return SwitchIkeext(mode);
}

// Called with ikeextLock_ held: IKEEXT is changed in the order the supervisor
// decided, never by two threads at once.
bool COrxIke::SwitchIkeext(int mode) {
    orx::UniqueScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) {
        TRACE("   HandleIkeext: Opening service manager returned error %0x", static_cast<unsigned>(GetLastError()));
        return false;
    }
    orx::UniqueScHandle ikeext(OpenServiceA(manager.get(), "IKEEXT", SERVICE_ALL_ACCESS));
    if (!ikeext) {
        TRACE("   HandleIkeext: Opening IKEEXT returned error %0x", static_cast<unsigned>(GetLastError()));
        return false;
    }
    SERVICE_STATUS_PROCESS status = {};
    if (!QueryIkeext(ikeext.get(), status)) return false;

    const bool running = status.dwCurrentState == SERVICE_RUNNING;
    // One that is starting is running for the restore: starting it again
    // would only fail.
    const bool runningOrStarting = running || status.dwCurrentState == SERVICE_START_PENDING;
    bool stopped = false;
    if (mode == 0 && running) {
        const orx::UniqueHandle sc = StartScConfig("disabled");
        if (!sc) {
            const DWORD error = GetLastError();
            TRACE("   HandleIkeext: could not set Ikeext start mode to disabled");
            LogIkeext(kEventIkeextFailed, 2, error);
        }
        SERVICE_STATUS control = {};
        if (ControlService(ikeext.get(), SERVICE_CONTROL_STOP, &control)) {
            TRACE("   HandleIkeext: Stopping IKEEXT succeeded");
            stopped = true;
            LogIkeext(kEventIkeextStopped, 4, 0);
        } else {
            const DWORD error = GetLastError();
            TRACE("   HandleIkeext: Stopping IKEEXT returned error %0x", static_cast<unsigned>(error));
            LogIkeext(kEventIkeextFailed, 2, error);
        }
    } else if (mode == 1 && !runningOrStarting) {
        const orx::UniqueHandle sc = StartScConfig("auto");
        if (!sc) {
            const DWORD error = GetLastError();
            TRACE("   HandleIkeext: could not set Ikeext start mode to auto");
            LogIkeext(kEventIkeextFailed, 2, error);
        } else {
            WaitForSingleObject(sc.get(), kScWaitMs);
        }
        if (StartServiceA(ikeext.get(), 0, nullptr)) {
            TRACE("   HandleIkeext: Re-Starting IKEEXT succeeded");
            LogIkeext(kEventIkeextRestarted, 5, 0);
        } else {
            const DWORD error = GetLastError();
            TRACE("   HandleIkeext: Re-Starting IKEEXT returned error %0x", static_cast<unsigned>(error));
            LogIkeext(kEventIkeextFailed, 2, error);
        }
    }
    return stopped;
}
