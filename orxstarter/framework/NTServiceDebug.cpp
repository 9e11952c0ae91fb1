// Running the service in the foreground: in a console until Ctrl+C, or
// faceless behind a hidden window that hears the end of the session.
#include "orxstarter/framework/NTService.h"

#include "orxstarter/trace/DebugTrace.h"
#include "orxstarter/framework/NTServiceConsole.h"

namespace {

constexpr char kFacelessClass[] = "ZTW__FacelessWndProc_";
constexpr char kFrame[] = "   ***********************************************\n";

using RegisterServiceProcessFn = DWORD(WINAPI*)(DWORD processId, DWORD type);

void CreateFacelessWindow() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = _FacelessWndProc_;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kFacelessClass;
    if (!RegisterClassA(&windowClass)) TRACE("ERROR: RegisterClass \n");
    if (CreateWindowExA(0, kFacelessClass, "", 0, 0, 0, 0, 0, nullptr, nullptr, windowClass.hInstance, nullptr) ==
        nullptr) {
        TRACE("ERROR: CreateWindow \n");
    }
}

// Only old 32-bit systems had RegisterServiceProcess (it kept the process
// alive across a log-off); elsewhere the lookup fails and the run goes on.
RegisterServiceProcessFn FindRegisterServiceProcess() {
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (kernel == nullptr) {
        TRACE("ERROR: GetModuleHandle kernel32.dll unknown\n");
        return nullptr;
    }
    return reinterpret_cast<RegisterServiceProcessFn>(GetProcAddress(kernel, "RegisterServiceProcess"));
}

}  // namespace

bool CNTService::DebugService(int argc, char** argv, bool faceless) {
    TRACE("=> DebugService\n");
    if (!faceless) {
        OpenConsole(this);
        ConsolePrint("Debugging %s.\n", displayName_);
        SetConsoleCtrlHandler(ControlHandler, TRUE);
        Run(static_cast<DWORD>(argc), argv);
        return true;
    }

    CreateFacelessWindow();
    const RegisterServiceProcessFn registerServiceProcess = FindRegisterServiceProcess();
    if (registerServiceProcess != nullptr) {
        if (!registerServiceProcess(GetCurrentProcessId(), 1)) TRACE("ERROR: RegisterServiceProcess failed\n");
        Run(static_cast<DWORD>(argc), argv);
        registerServiceProcess(0, 0);
    } else {
        TRACE("ERROR: RegisterServiceProcess unknown\n");
        Run(static_cast<DWORD>(argc), argv);
    }
    return true;
}

BOOL WINAPI ControlHandler(DWORD consoleEvent) {
    TRACE("=> ControlHandler\n");
    switch (consoleEvent) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
            if (ServiceInstance != nullptr) {
                ConsolePrint("Stopping %s.\n", ServiceInstance->DisplayName());
                ServiceInstance->Stop();
            }
            TRACE("<= ControlHandler: TRUE\n");
            return TRUE;
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            TRACE("!!!!!!!!!!!!!!!!!!!!!!!!!!LOG_OFF  SHUTDOWN!!!!!!!!!!!!!!!!!!!!!!!\n");
            TRACE("<= ControlHandler: FALSE\n");
            return FALSE;
        default:  // console closed: the next handler decides
            TRACE("<= ControlHandler: FALSE\n");
            return FALSE;
    }
}

LRESULT CALLBACK _FacelessWndProc_(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_QUERYENDSESSION:
            TRACE("%s", kFrame);
            TRACE("   _FacelessWndProc_ : WM_QUERYENDSESSION \n");
            TRACE("%s", kFrame);
            return 1;
        case WM_QUIT:
        case WM_ENDSESSION:
            TRACE("%s", kFrame);
            TRACE("   _FacelessWndProc_ : WM_ENDSESSION or WM_QUIT \n");
            TRACE("%s", kFrame);
            // A log-off ends only the user's session; the service lives on.
            if (message == WM_ENDSESSION && lParam != 0) return DefWindowProcA(window, message, wParam, lParam);
            TRACE("%s", kFrame);
            TRACE("   _FacelessWndProc_ : kill me \n");
            TRACE("%s", kFrame);
            DestroyWindow(window);
            if (ServiceInstance != nullptr) ServiceInstance->Stop();
            return 1;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}
