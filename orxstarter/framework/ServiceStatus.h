// The status record reported to the service control manager, computed
// without touching the system.
#pragma once

#include <windows.h>

// Stop, shutdown and session change; pause and continue are never accepted.
constexpr DWORD ORX_ACCEPTED_CONTROLS = SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN | SERVICE_ACCEPT_SESSIONCHANGE;

// The record for a report of `state`: no control is accepted while starting,
// and every pending state takes the next checkpoint of a counter that is
// never reset (running and stopped carry checkpoint 0).
SERVICE_STATUS ComposeServiceStatus(DWORD serviceType, DWORD state, DWORD waitHint, DWORD acceptedControls,
                                    DWORD& checkpointCounter);
