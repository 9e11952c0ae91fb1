// What a control from the service control manager asks of the service,
// decided without touching the system.
#pragma once

#include <windows.h>

enum class ServiceControlAction { None, Stop, Pause, Continue, Interrogate, Shutdown, SessionChange };

struct ServiceControlDecision {
    ServiceControlAction action = ServiceControlAction::None;
    // State written into the status field before the operation runs (without
    // a report); 0 leaves the field alone.
    DWORD pendingState = 0;
};

ServiceControlDecision DecideServiceControl(DWORD controlCode);

// Name of a session-change event code for the trace; "Unknown Event Type"
// outside the known codes.
const char* SessionChangeName(DWORD eventType);
