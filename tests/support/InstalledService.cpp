#include "InstalledService.h"

#include "WinHandles.h"

namespace testing_support {

const char* const kStarterServiceName = "OrxIke Starter";

namespace {

orx::UniqueScHandle OpenByName(const std::string& name, DWORD access) {
    orx::UniqueScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) return {};
    return orx::UniqueScHandle(OpenServiceA(manager.get(), name.c_str(), access));
}

// Polls until the service has left the pending states; false on time-out.
bool WaitUntilSettled(SC_HANDLE service, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    SERVICE_STATUS status{};
    while (QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_STOPPED) {
        if (GetTickCount64() >= deadline) return false;
        Sleep(100);
    }
    return true;
}

}  // namespace

DWORD ServiceState(const std::string& name) {
    orx::UniqueScHandle service = OpenByName(name, SERVICE_QUERY_STATUS);
    SERVICE_STATUS status{};
    if (!service || !QueryServiceStatus(service.get(), &status)) return 0;
    return status.dwCurrentState;
}

bool ForceRemoveService(const std::string& name, DWORD stopTimeoutMs) {
    orx::UniqueScHandle service = OpenByName(name, SERVICE_ALL_ACCESS);
    if (!service) return ServiceState(name) == 0;
    SERVICE_STATUS status{};
    if (ControlService(service.get(), SERVICE_CONTROL_STOP, &status)) WaitUntilSettled(service.get(), stopTimeoutMs);
    DeleteService(service.get());
    service.reset();
    return ServiceState(name) == 0;
}

ScopedServiceRemoval::ScopedServiceRemoval(std::string name) : name_(std::move(name)) { ForceRemoveService(name_); }

ScopedServiceRemoval::~ScopedServiceRemoval() { ForceRemoveService(name_); }

}  // namespace testing_support
