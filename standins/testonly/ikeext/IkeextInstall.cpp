#include "standins/testonly/ikeext/IkeextInstall.h"

#include "sysdep/WinHandles.h"
#include "standins/testonly/ikeext/IkeextService.h"

#include <cstdio>
#include <string>

namespace ikeext_standin {

namespace {

int Failed(const char* step) {
    std::printf("ikeext_standin: %s failed with error %lu\n", step, GetLastError());
    return 1;
}

void WaitUntilStopped(SC_HANDLE service) {
    const ULONGLONG deadline = GetTickCount64() + 10000;
    SERVICE_STATUS status{};
    while (QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_STOPPED) {
        if (GetTickCount64() >= deadline) return;
        Sleep(100);
    }
}

}  // namespace

int Install() {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path) return Failed("GetModuleFileName");
    const std::string binary = "\"" + std::string(path) + "\" " + kRunAsServiceArgument;
    orx::UniqueScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE));
    if (!manager) return Failed("OpenSCManager");
    orx::UniqueScHandle service(CreateServiceA(manager.get(), kServiceName, kServiceName, SERVICE_ALL_ACCESS,
                                               SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                               binary.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    if (!service) return Failed("CreateService");
    std::printf("%s installed.\n", kServiceName);
    return 0;
}

int Remove() {
    orx::UniqueScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return Failed("OpenSCManager");
    orx::UniqueScHandle service(
        OpenServiceA(manager.get(), kServiceName, SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE));
    if (!service) return Failed("OpenService");
    SERVICE_STATUS status{};
    if (ControlService(service.get(), SERVICE_CONTROL_STOP, &status)) WaitUntilStopped(service.get());
    if (!DeleteService(service.get())) return Failed("DeleteService");
    std::printf("%s removed.\n", kServiceName);
    return 0;
}

}  // namespace ikeext_standin
