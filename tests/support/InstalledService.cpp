#include "tests/support/InstalledService.h"

#include "sysdep/WinHandles.h"

#include <cstdint>
#include <vector>

namespace testing_support {

const char* const kStarterServiceName = "OrxIke Starter";

namespace {

orx::UniqueScHandle OpenByName(const std::string& name, DWORD access) {
    orx::UniqueScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) return {};
    return orx::UniqueScHandle(OpenServiceA(manager.get(), name.c_str(), access));
}

// Stops the service (waiting up to 30 s for it to stop) and deletes it.
void ForceRemoveService(const std::string& name) {
    orx::UniqueScHandle service = OpenByName(name, SERVICE_ALL_ACCESS);
    if (!service) return;
    SERVICE_STATUS status{};
    const ULONGLONG deadline = GetTickCount64() + 30000;
    if (ControlService(service.get(), SERVICE_CONTROL_STOP, &status)) {
        while (QueryServiceStatus(service.get(), &status) && status.dwCurrentState != SERVICE_STOPPED &&
               GetTickCount64() < deadline)
            Sleep(100);
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

ScopedServiceRemoval::ScopedServiceRemoval(std::string name) : name_(std::move(name)) { ForceRemoveService(name_); }

ScopedServiceRemoval::~ScopedServiceRemoval() { ForceRemoveService(name_); }

}  // namespace testing_support
