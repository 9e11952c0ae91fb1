// Services installed in the prefix's service control manager, driven as an
// administrator does: their state, a start or a stop timed, and removal that
// tests rely on to leave the manager as they found it, whatever happens to
// them.
#pragma once

#include <windows.h>

#include <string>

namespace testing_support {

// The name orxstarter.exe installs its service under.
extern const char* const kStarterServiceName;

// Current state of an installed service (SERVICE_RUNNING, ...); 0 when it is
// not installed.
DWORD ServiceState(const std::string& name = kStarterServiceName);

// Start type of an installed service (SERVICE_AUTO_START, ...); 0xFFFFFFFF
// when it cannot be read.
DWORD ServiceStartType(const std::string& name);

// The process of the running service; 0 when it does not run.
DWORD ServiceProcessId(const std::string& name);

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

// Stops and deletes the service on construction (a leftover of an earlier
// run) and on destruction (even when the test failed half-way).
class ScopedServiceRemoval {
public:
    explicit ScopedServiceRemoval(std::string name = kStarterServiceName);
    ~ScopedServiceRemoval();
    ScopedServiceRemoval(const ScopedServiceRemoval&) = delete;
    ScopedServiceRemoval& operator=(const ScopedServiceRemoval&) = delete;

private:
    std::string name_;
};

}  // namespace testing_support
