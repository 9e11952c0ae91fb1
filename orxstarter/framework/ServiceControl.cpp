#include "orxstarter/framework/ServiceControl.h"

ServiceControlDecision DecideServiceControl(DWORD controlCode) {
    switch (controlCode) {
        case SERVICE_CONTROL_STOP:
            return {ServiceControlAction::Stop, SERVICE_STOP_PENDING};
        case SERVICE_CONTROL_PAUSE:
            return {ServiceControlAction::Pause, SERVICE_PAUSE_PENDING};
        case SERVICE_CONTROL_CONTINUE:
            return {ServiceControlAction::Continue, SERVICE_CONTINUE_PENDING};
        case SERVICE_CONTROL_INTERROGATE:
            return {ServiceControlAction::Interrogate, 0};
        case SERVICE_CONTROL_SHUTDOWN:
            return {ServiceControlAction::Shutdown, SERVICE_STOP_PENDING};
        case SERVICE_CONTROL_SESSIONCHANGE:
            return {ServiceControlAction::SessionChange, 0};
        default:
            return {};
    }
}

const char* SessionChangeName(DWORD eventType) {
    static const char* const kNames[] = {
        "WTS_CONSOLE_CONNECT",  "WTS_CONSOLE_DISCONNECT", "WTS_REMOTE_CONNECT",
        "WTS_REMOTE_DISCONNECT", "WTS_SESSION_LOGON",     "WTS_SESSION_LOGOFF",
        "WTS_SESSION_LOCK",     "WTS_SESSION_UNLOCK",     "WTS_SESSION_REMOTE_CONTROL",
    };
    if (eventType >= 1 && eventType <= sizeof kNames / sizeof kNames[0]) return kNames[eventType - 1];
    return "Unknown Event Type";
}
