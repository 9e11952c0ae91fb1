// The service control manager as the bench drives it: services installed,
// started and stopped with the time each took, and the process of one.
#pragma once

#include <windows.h>

#include <string>

namespace reliability {

// Creates an own-process, demand-start service of the local system account
// that runs `commandLine`. False when it cannot (it exists already, ...).
bool CreateOwnProcessService(const std::string& name, const std::string& commandLine);

// StartService, then the state polled until SERVICE_RUNNING: the time that
// took in milliseconds, or a negative value when the service could not be
// started (GetLastError tells why) or did not reach running within
// `timeoutMs` (ERROR_TIMEOUT).
double StartServiceTimed(const std::string& name, DWORD timeoutMs);

// A stop control, then the state polled until SERVICE_STOPPED; as above.
double StopServiceTimed(const std::string& name, DWORD timeoutMs);

// The process of the running service; 0 when it does not run.
DWORD ServiceProcessId(const std::string& name);

}  // namespace reliability
