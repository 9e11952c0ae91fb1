#include "tests/support/InstalledService.h"

#include "sysdep/WinHandles.h"
#include "tests/support/Clock.h"

#include <cstdint>
#include <vector>

namespace testing_support {

const char* const kStarterServiceName = "OrxIke Starter";

namespace {

orx::UniqueScHandle OpenByName(const std::string& name, DWORD access) {
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

// Stops the service (waiting up to 30 s for it to stop) and deletes it.
void ForceRemoveService(const std::string& name) {
    orx::UniqueScHandle service = OpenByName(name, SERVICE_ALL_ACCESS);
    if (!service) return;
    SERVICE_STATUS status{};
    if (ControlService(service.get(), SERVICE_CONTROL_STOP, &status)) {
        WaitForState(service.get(), SERVICE_STOPPED, NowMs() + 30000);
    }
    DeleteService(service.get());
}

}  // namespace

DWORD ServiceState(const std::string& name) {
    orx::UniqueScHandle service = OpenByName(name, SERVICE_QUERY_STATUS);
    SERVICE_STATUS status{};
    if (!service || !QueryServiceStatus(service.get(), &status)) return 0;
    return status.dwCurrentState;
}

DWORD ServiceStartType(const std::string& name) {
    orx::UniqueScHandle service = OpenByName(name, SERVICE_QUERY_CONFIG);
    std::vector<uint8_t> buffer(8192);
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    DWORD needed = 0;
    if (!service || !QueryServiceConfigA(service.get(), config, DWORD(buffer.size()), &needed)) return 0xFFFFFFFF;
    return config->dwStartType;
}

DWORD ServiceProcessId(const std::string& name) {
    orx::UniqueScHandle service = OpenByName(name, SERVICE_QUERY_STATUS);
    SERVICE_STATUS_PROCESS status = {};
    DWORD needed = 0;
    if (!service || !QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                                          sizeof status, &needed)) {
        return 0;
    }
    return status.dwCurrentState == SERVICE_RUNNING ? status.dwProcessId : 0;
}

bool CreateOwnProcessService(const std::string& name, const std::string& commandLine) {
    orx::UniqueScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) return false;
    orx::UniqueScHandle service(CreateServiceA(manager.get(), name.c_str(), name.c_str(), SERVICE_ALL_ACCESS,
                                               SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                               commandLine.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    return static_cast<bool>(service);
}

double StartServiceTimed(const std::string& name, DWORD timeoutMs) {
    orx::UniqueScHandle service = OpenByName(name, SERVICE_START | SERVICE_QUERY_STATUS);
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
    orx::UniqueScHandle service = OpenByName(name, SERVICE_STOP | SERVICE_QUERY_STATUS);
    if (!service) return -1;
    SERVICE_STATUS status = {};
    const double start = NowMs();
    if (!ControlService(service.get(), SERVICE_CONTROL_STOP, &status)) return -1;
    if (!WaitForState(service.get(), SERVICE_STOPPED, start + timeoutMs)) return -1;
    return NowMs() - start;
}

ScopedServiceRemoval::ScopedServiceRemoval(std::string name) : name_(std::move(name)) { ForceRemoveService(name_); }

ScopedServiceRemoval::~ScopedServiceRemoval() { ForceRemoveService(name_); }

}  // namespace testing_support
