#include "standins/testonly/ikeext/IkeextService.h"

#include "sysdep/WinHandles.h"

#include <algorithm>
#include <iterator>

namespace ikeext_standin {

namespace {

SERVICE_STATUS_HANDLE g_statusHandle = nullptr;
HANDLE g_stopEvent = nullptr;  // lives as long as ServiceMain runs

void Report(DWORD state, DWORD waitHintMs = 0) {
    SERVICE_STATUS status{};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
    status.dwWaitHint = waitHintMs;
    SetServiceStatus(g_statusHandle, &status);
}

DWORD WINAPI OnControl(DWORD control, DWORD, void*, void*) {
    switch (control) {
        case SERVICE_CONTROL_STOP:
        case SERVICE_CONTROL_SHUTDOWN:
            Report(SERVICE_STOP_PENDING, 2000);
            SetEvent(g_stopEvent);
            return NO_ERROR;
        case SERVICE_CONTROL_INTERROGATE: return NO_ERROR;
        default: return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void WINAPI ServiceMain(DWORD, char**) {
    orx::UniqueHandle stop(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    g_stopEvent = stop.get();
    g_statusHandle = RegisterServiceCtrlHandlerExA(kServiceName, OnControl, nullptr);
    if (g_statusHandle == nullptr) return;
    if (!stop) {
        Report(SERVICE_STOPPED);
        return;
    }
    Report(SERVICE_RUNNING);
    WaitForSingleObject(stop.get(), INFINITE);
    Report(SERVICE_STOPPED);
}

}  // namespace

bool RunAsService() {
    char name[sizeof kServiceName];
    std::copy(std::begin(kServiceName), std::end(kServiceName), name);
    const SERVICE_TABLE_ENTRYA table[] = {{name, ServiceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherA(table) != FALSE;
}

}  // namespace ikeext_standin
