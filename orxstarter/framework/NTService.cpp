// The framework's core: the object, the command line, the dispatcher and the
// conversation with the service control manager.
#include "orxstarter/framework/NTService.h"

#include "orxstarter/trace/DebugTrace.h"
#include "orxstarter/framework/ServiceCommandLine.h"
#include "orxstarter/framework/ServiceControl.h"
#include "orxstarter/framework/ServiceStatus.h"
#include "sysdep/Locks.h"

#include <cstring>

CNTService* ServiceInstance = nullptr;

CNTService::CNTService(const char* serviceName, const char* displayName)
    : serviceName_(serviceName), displayName_(displayName), acceptedControls_(ORX_ACCEPTED_CONTROLS) {
    status_.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    ServiceInstance = this;
}

CNTService::~CNTService() {
    if (ServiceInstance == this) ServiceInstance = nullptr;
}

void CNTService::Pause() {
    TRACE("=> CNTService :: Pause()\n");
    TRACE("<= CNTService :: Pause()\n");
}

void CNTService::Continue() {
    TRACE("=> CNTService :: Continue()\n");
    TRACE("<= CNTService :: Continue()\n");
}

void CNTService::Shutdown() {
    TRACE("=> CNTService :: Shutdown()\n");
    TRACE("<= CNTService :: Shutdown()\n");
}

void CNTService::SessionChange(DWORD eventType) { TRACE("\t\t\t%s\n", SessionChangeName(eventType)); }

// The event-log hooks write no log: the service's user-facing events go to
// its own system log, which has an event-log output of its own.
void CNTService::RegisterEventLog(const char*, DWORD) {}
void CNTService::DeregisterEventLog() {}
void CNTService::LogEvent(const char*, WORD, DWORD) { lastError_ = GetLastError(); }

bool CNTService::RegisterService(int argc, char** argv) {
    TRACE("=> RegisterService\n");
    const ServiceCommand command = ParseServiceCommandLine(argc, argv);
    for (const std::string& line : command.traceLines) TRACE("%s", line.c_str());
    if (command.account) accountName_ = command.account;
    if (command.password) password_ = command.password;

    switch (command.action) {
        case ServiceAction::DebugConsole:
        case ServiceAction::DebugFaceless:
            debug_ = true;
            return DebugService(argc, argv, command.action == ServiceAction::DebugFaceless);
        default:
            break;
    }

    TRACE("<= RegisterService\n");
    switch (command.action) {
        case ServiceAction::Install: return Install();
        case ServiceAction::Remove: return Remove();
        case ServiceAction::StartupService: return StartupService();
        case ServiceAction::EndService: return EndService();
        default: return StartDispatcher();
    }
}

bool CNTService::StartDispatcher() {
    SERVICE_TABLE_ENTRYA table[] = {
        {const_cast<char*>(serviceName_), ServiceMain},
        {nullptr, nullptr},
    };
    const BOOL ok = StartServiceCtrlDispatcherA(table);
    if (!ok) {
        char text[255];
        LogEvent(FormatLastError(text, sizeof text), EVENTLOG_ERROR_TYPE, 0xFFFFFFFF);
    }
    return ok != FALSE;
}

bool CNTService::ReportStatus(DWORD state, DWORD waitHint) {
    TRACE("=> ReportStatus 0x%08X", static_cast<unsigned>(state));
    bool reported = true;
    if (!debug_) {
        orx::ExclusiveGuard guard(statusLock_);
        status_ = ComposeServiceStatus(status_.dwServiceType, state, waitHint, acceptedControls_, checkpoint_);
        reported = SetServiceStatus(statusHandle_, &status_) != FALSE;
        if (!reported) LogEvent("SetServiceStatus() failed", EVENTLOG_ERROR_TYPE, 0xFFFFFFFF);
    }
    TRACE("<= ReportStatus 0x%08X", static_cast<unsigned>(state));
    return reported;
}

DWORD CNTService::CurrentState() {
    orx::SharedGuard guard(statusLock_);
    return status_.dwCurrentState;
}

void WINAPI ServiceMain(DWORD argc, LPSTR* argv) {
    CNTService* service = ServiceInstance;
    if (service == nullptr) return;
    service->statusHandle_ = RegisterServiceCtrlHandlerExA(service->serviceName_, ServiceCtrl, nullptr);
    if (service->statusHandle_ == nullptr) return;

    if (service->ReportStatus(SERVICE_START_PENDING, 3000)) service->Run(argc, argv);
    service->ReportStatus(SERVICE_STOPPED, 3000);
}

DWORD WINAPI ServiceCtrl(DWORD controlCode, DWORD eventType, LPVOID, LPVOID) {
    TRACE("=> ServiceCtrl with code 0x%04X\n", static_cast<unsigned>(controlCode));
    CNTService* service = ServiceInstance;
    const ServiceControlDecision decision = DecideServiceControl(controlCode);
    if (service != nullptr) {
        if (decision.pendingState != 0) {
            orx::ExclusiveGuard guard(service->statusLock_);
            service->status_.dwCurrentState = decision.pendingState;
        }
        switch (decision.action) {
            case ServiceControlAction::Stop: service->Stop(); break;
            case ServiceControlAction::Pause: service->Pause(); break;
            case ServiceControlAction::Continue: service->Continue(); break;
            case ServiceControlAction::Interrogate:
                service->ReportStatus(service->CurrentState(), 3000);
                break;
            case ServiceControlAction::Shutdown: service->Shutdown(); break;
            case ServiceControlAction::SessionChange: service->SessionChange(eventType); break;
            case ServiceControlAction::None: break;
        }
    }
    TRACE("<= ServiceCtrl\n");
    return NO_ERROR;
}

char* FormatLastError(char* buffer, DWORD size) {
    if (buffer == nullptr || size == 0) return buffer;
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        GetLastError(), LANG_NEUTRAL, reinterpret_cast<char*>(&text), 0, nullptr);
    // The room to spare keeps a message that would only just fit from being
    // printed cut inside the caller's line.
    if (length == 0 || text == nullptr || size < length + 14) {
        buffer[0] = '\0';
    } else {
        // Cut the system's line end (CR LF; some systems give only the LF).
        DWORD end = length;
        while (end > 0 && length - end < 2 && (text[end - 1] == '\n' || text[end - 1] == '\r')) --end;
        text[end] = '\0';
        std::strcpy(buffer, text);
    }
    if (text != nullptr) LocalFree(text);
    return buffer;
}
