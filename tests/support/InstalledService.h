// Tests that install a service into the prefix's service control manager
// must leave it without one, whatever happens to them: these helpers stop
// and delete it directly through the manager.
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
