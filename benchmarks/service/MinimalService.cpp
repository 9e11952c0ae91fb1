// minimal_service.exe: the floor of the service-start benchmark. A service
// that reports running as soon as the service control manager has started
// it, and stopped as soon as it is told to stop or that the system shuts down.
//
//   minimal_service.exe [LIBRARY ...]
//
// Each LIBRARY named on its command line (ws2_32, netapi32, OrxStarterLang,
// Profstore) is loaded before running is reported, and the call the real
// service makes to it on its start path is made: what each library the
// service cannot start without costs a start, measured on its own.
#include "sysdep/WinHandles.h"

#include <windows.h>

#include <cstring>
#include <vector>

namespace {

char g_name[] = "OrxBench Minimal";
SERVICE_STATUS_HANDLE g_status = nullptr;
orx::UniqueHandle g_stop;
std::vector<const char*> g_libraries;

// The library and the start path's call to it; false for a name this
// program does not know or a library that cannot be loaded.
bool LoadAsTheServiceStarts(const char* name, std::vector<orx::UniqueModule>& loaded) {
    struct Library {
        const char* name;
        const char* file;
        void (*startCall)(HMODULE);
    };
    static const Library kLibraries[] = {
        {"ws2_32", "ws2_32.dll",
         [](HMODULE m) {
             using Startup = int(WINAPI*)(WORD, void*);
             char data[512];  // a WSADATA
             if (auto startup = reinterpret_cast<Startup>(GetProcAddress(m, "WSAStartup"))) startup(0x0202, data);
         }},
        {"netapi32", "netapi32.dll",
         [](HMODULE m) {
             using WkstaGetInfo = DWORD(WINAPI*)(wchar_t*, DWORD, BYTE**);
             using BufferFree = DWORD(WINAPI*)(void*);
             auto getInfo = reinterpret_cast<WkstaGetInfo>(GetProcAddress(m, "NetWkstaGetInfo"));
             auto bufferFree = reinterpret_cast<BufferFree>(GetProcAddress(m, "NetApiBufferFree"));
             BYTE* info = nullptr;
             if (getInfo != nullptr && bufferFree != nullptr && getInfo(nullptr, 102, &info) == 0) bufferFree(info);
         }},
        {"OrxStarterLang", "OrxStarterLang.dll",
         [](HMODULE m) {
             using Init = BOOL(WINAPI*)();
             if (auto init = reinterpret_cast<Init>(GetProcAddress(m, "StarterLang_Init"))) init();
         }},
        {"Profstore", "Profstore.dll", [](HMODULE) {}},  // called on the start path only with "IkeStart" on
    };
    for (const Library& library : kLibraries) {
        if (std::strcmp(name, library.name) != 0) continue;
        orx::UniqueModule module(LoadLibraryA(library.file));
        if (!module) return false;
        library.startCall(module.get());
        loaded.push_back(std::move(module));
        return true;
    }
    return false;
}

void Report(DWORD state, DWORD exitCode = NO_ERROR) {
    SERVICE_STATUS status = {};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
    status.dwWin32ExitCode = exitCode;
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
    std::vector<orx::UniqueModule> loaded;
    for (const char* library : g_libraries) {
        if (!LoadAsTheServiceStarts(library, loaded)) {
            Report(SERVICE_STOPPED, ERROR_MOD_NOT_FOUND);  // a benchmark that cannot measure says so
            return;
        }
    }
    Report(SERVICE_RUNNING);
    WaitForSingleObject(g_stop.get(), INFINITE);
    Report(SERVICE_STOPPED);
}

}  // namespace

int main(int argc, char** argv) {
    g_libraries.assign(argv + 1, argv + argc);
    g_stop.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    SERVICE_TABLE_ENTRYA table[] = {{g_name, ServiceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherA(table) ? 0 : 1;
}
