// minimal_service.exe: the floor of the service-start benchmark. A service
// that reports running as soon as the service control manager has started
// it, and stopped as soon as it is told to stop or that the system shuts down.
#include "sysdep/WinHandles.h"

#include <windows.h>

namespace {

char g_name[] = "OrxBench Minimal";
SERVICE_STATUS_HANDLE g_status = nullptr;
orx::UniqueHandle g_stop;

void Report(DWORD state) {
    SERVICE_STATUS status = {};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
    SetServiceStatus(g_status, &status);
}

DWORD WINAPI OnControl(DWORD control, DWORD, void*, void*) {
    if (control == SERVICE_CONTROL_STOP || control == SERVICE_CONTROL_SHUTDOWN) {
        Report(SERVICE_STOP_PENDING);
        SetEvent(g_stop.get());
    }
    return NO_ERROR;
}

void WINAPI ServiceMain(DWORD, char**) {
    g_status = RegisterServiceCtrlHandlerExA(g_name, OnControl, nullptr);
    if (g_status == nullptr) return;
    Report(SERVICE_RUNNING);
    WaitForSingleObject(g_stop.get(), INFINITE);
    Report(SERVICE_STOPPED);
}

}  // namespace

int main() {
    g_stop.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    SERVICE_TABLE_ENTRYA table[] = {{g_name, ServiceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherA(table) ? 0 : 1;
}
