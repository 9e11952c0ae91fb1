#include "tools/reliability/ServiceControl.h"

#include "sysdep/WinHandles.h"
#include "tools/reliability/Clock.h"

namespace reliability {

namespace {

orx::UniqueScHandle OpenNamedService(const std::string& name, DWORD access) {
    orx::UniqueScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return {};
    return orx::UniqueScHandle(OpenServiceA(manager.get(), name.c_str(), access));
}

// Polls as often as the system lets a thread sleep: start and stop times are
// figures of their own, and a coarse poll would hide their differences.
bool WaitForState(SC_HANDLE service, DWORD state, double deadlineMs) {
    SERVICE_STATUS status = {};
    while (QueryServiceStatus(service, &status)) {
        if (status.dwCurrentState == state) return true;
        if (NowMs() > deadlineMs) return false;
        Sleep(1);
    }
    return false;
}

}  // namespace

bool CreateOwnProcessService(const std::string& name, const std::string& commandLine) {
    orx::UniqueScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) return false;
    orx::UniqueScHandle service(CreateServiceA(manager.get(), name.c_str(), name.c_str(), SERVICE_ALL_ACCESS,
                                               SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                               commandLine.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    return static_cast<bool>(service);
}

double StartServiceTimed(const std::string& name, DWORD timeoutMs) {
    orx::UniqueScHandle service = OpenNamedService(name, SERVICE_START | SERVICE_QUERY_STATUS);
    if (!service) return -1;
    const double start = NowMs();
    if (!StartServiceA(service.get(), 0, nullptr)) return -1;
    if (!WaitForState(service.get(), SERVICE_RUNNING, start + timeoutMs)) {
        SetLastError(ERROR_TIMEOUT);
        return -1;
    }
    return NowMs() - start;
}

double StopServiceTimed(const std::string& name, DWORD timeoutMs) {
    orx::UniqueScHandle service = OpenNamedService(name, SERVICE_STOP | SERVICE_QUERY_STATUS);
    if (!service) return -1;
    SERVICE_STATUS status = {};
    const double start = NowMs();
    if (!ControlService(service.get(), SERVICE_CONTROL_STOP, &status)) return -1;
    if (!WaitForState(service.get(), SERVICE_STOPPED, start + timeoutMs)) return -1;
    return NowMs() - start;
}

DWORD ServiceProcessId(const std::string& name) {
    orx::UniqueScHandle service = OpenNamedService(name, SERVICE_QUERY_STATUS);
    SERVICE_STATUS_PROCESS status = {};
    DWORD needed = 0;
    if (!service || !QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                                          sizeof status, &needed)) {
        return 0;
    }
    return status.dwCurrentState == SERVICE_RUNNING ? status.dwProcessId : 0;
}

}  // namespace reliability
