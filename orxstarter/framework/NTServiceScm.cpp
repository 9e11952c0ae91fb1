// Command-line actions on the installed service: install, remove, start, end.
#include "orxstarter/framework/NTService.h"

#include "orxstarter/trace/DebugTrace.h"
#include "orxstarter/framework/NTServiceConsole.h"
#include "sysdep/WinHandles.h"

#include <cstring>

namespace {

constexpr DWORD kErrorTextSize = 256;

// One line with the system's text for the last error in its "%s".
void PrintLastError(const char* format) {
    char text[kErrorTextSize];
    ConsolePrint(format, FormatLastError(text, sizeof text));
}

orx::UniqueScHandle OpenManager() {
    orx::UniqueScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) PrintLastError("OpenSCManager failed - %s\n");
    return manager;
}

orx::UniqueScHandle OpenOurService(SC_HANDLE manager, const char* name) {
    orx::UniqueScHandle service(OpenServiceA(manager, name, SERVICE_ALL_ACCESS));
    if (!service) PrintLastError("OpenService failed - %s\n");
    return service;
}

// The service manager's word that the service left the state it waited in:
// an APC to the waiting thread, run while that thread waits alertably.
void CALLBACK OnStatusChanged(void* parameter) {
    const auto* notify = static_cast<const SERVICE_NOTIFYW*>(parameter);
    *static_cast<bool*>(notify->pContext) = true;
}

// Waits while the service stays in `pendingState`, one dot a second. The
// service manager tells this thread when the state changes, so the wait ends
// at once; the dots are its own clock. There is no time limit: the
// service's own wait hints bound a healthy transition, and the user can
// always interrupt the command.
void WaitWhilePending(SC_HANDLE service, SERVICE_STATUS& status, DWORD pendingState) {
    constexpr DWORD kEveryState = 0x7F;  // SERVICE_NOTIFY_STOPPED ... SERVICE_NOTIFY_PAUSED, bit (state - 1)
    bool changed = false;
    SERVICE_NOTIFYW notify = {};  // the wide form: it carries no text we use, and Wine has only it
    notify.dwVersion = SERVICE_NOTIFY_STATUS_CHANGE;
    notify.pfnNotifyCallback = OnStatusChanged;
    notify.pContext = &changed;
    const DWORD otherStates = kEveryState & ~(1u << (pendingState - 1));
    const DWORD registered = NotifyServiceStatusChangeW(service, otherStates, &notify);
    if (registered != ERROR_SUCCESS) {
        SetLastError(registered);
        PrintLastError("NotifyServiceStatusChange failed - %s\n");
        QueryServiceStatus(service, &status);
        return;
    }
    // Only once the notification came: none is left pending on `notify`.
    while (!changed) {
        if (SleepEx(1000, TRUE) == 0) ConsolePrint(".");
    }
    // SERVICE_STATUS_PROCESS begins with the fields of SERVICE_STATUS.
    std::memcpy(&status, &notify.ServiceStatus, sizeof status);
}

}  // namespace

bool CNTService::StopAndWait(SC_HANDLE service) {
    if (!ControlService(service, SERVICE_CONTROL_STOP, &status_)) return false;
    ConsolePrint("Stopping %s.", displayName_);
    WaitWhilePending(service, status_, SERVICE_STOP_PENDING);
    if (status_.dwCurrentState == SERVICE_STOPPED) {
        ConsolePrint("\n%s stopped.\n", displayName_);
    } else {
        ConsolePrint("\n%s failed to stop.\n", displayName_);
    }
    return true;
}

bool CNTService::Install() {
    OpenConsole(this);
    char path[1024] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, 1023);
    if (length == 0 || length >= 1023) {
        char text[kErrorTextSize];
        ConsolePrint("Unable to install %s - %s\n", displayName_, FormatLastError(text, sizeof text));
        return false;
    }
    orx::UniqueScHandle manager = OpenManager();
    if (!manager) return false;

    orx::UniqueScHandle service(CreateServiceA(manager.get(), serviceName_, displayName_, desiredAccess_, serviceType_,
                                               startType_, errorControl_, path, loadOrderGroup_, nullptr,
                                               dependencies_, AccountOrNull(), PasswordOrNull()));
    if (!service) {
        PrintLastError("CreateService failed - %s\n");
        return false;
    }
    ConsolePrint("%s installed.\n", displayName_);
    service.reset();
    manager.reset();
    RegisterEventLog(path, EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE);
    LogEvent("Service installed", EVENTLOG_INFORMATION_TYPE, 0xFFFFFFFF);
    return true;
}

bool CNTService::Remove() {
    OpenConsole(this);
    orx::UniqueScHandle manager = OpenManager();
    if (!manager) return false;
    orx::UniqueScHandle service = OpenOurService(manager.get(), serviceName_);
    if (!service) return false;

    StopAndWait(service.get());  // deleted whatever the outcome of the stop
    const bool deleted = DeleteService(service.get()) != FALSE;
    if (deleted) {
        ConsolePrint("%s removed.\n", displayName_);
    } else {
        PrintLastError("DeleteService failed - %s\n");
    }
    service.reset();
    manager.reset();
    if (deleted) DeregisterEventLog();
    return deleted;
}

bool CNTService::EndService() {
    orx::UniqueScHandle manager = OpenManager();
    if (!manager) return false;
    orx::UniqueScHandle service = OpenOurService(manager.get(), serviceName_);
    if (!service) return false;
    return StopAndWait(service.get()) && status_.dwCurrentState == SERVICE_STOPPED;
}

bool CNTService::StartupService() {
    TRACE("=> StartupService\n");
    bool running = false;
    orx::UniqueScHandle manager = OpenManager();
    orx::UniqueScHandle service = manager ? OpenOurService(manager.get(), serviceName_) : orx::UniqueScHandle();
    if (service) {
        ConsolePrint("Starting up %s.", displayName_);
        if (!StartServiceA(service.get(), 0, nullptr)) {
            char text[kErrorTextSize];
            ConsolePrint("\n%s failed to start: %s\n", displayName_, FormatLastError(text, sizeof text));
        } else {
            WaitWhilePending(service.get(), status_, SERVICE_START_PENDING);
            running = status_.dwCurrentState == SERVICE_RUNNING;
            ConsolePrint(running ? "\n%s started.\n" : "\n%s failed to start.\n", displayName_);
        }
    }
    TRACE("<= StartupService\n");
    return running;
}
