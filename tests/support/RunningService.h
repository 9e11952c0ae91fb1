// A service started for a while (a scenario, one start of a benchmark) and
// stopped at its end, also when the caller gives up half-way. Stopped means
// its process is gone too: a service process lives on after it has reported
// stopped (its threads finishing, its channels still open), and the next
// start must not meet it.
#pragma once

#include "sysdep/WinHandles.h"
#include "tests/support/InstalledService.h"

#include <windows.h>

#include <string>

namespace testing_support {

// How a stop went: from the stop control until the service reported
// stopped, and until its process had ended; negative when it did not.
struct StopTimes {
    double stoppedMs = -1;
    double goneMs = -1;
};

class RunningService {
public:
    explicit RunningService(std::string name = testing_support::kStarterServiceName);
    ~RunningService();
    RunningService(const RunningService&) = delete;
    RunningService& operator=(const RunningService&) = delete;

    bool ok() const { return processId_ != 0; }
    double startMs() const { return startMs_; }  // StartService until SERVICE_RUNNING
    DWORD processId() const { return processId_; }
    std::string WhyNotStarted() const;  // for a figure that could not be made

    // Waits up to 60 s for each.
    StopTimes Stop();

private:
    std::string name_;
    double startMs_ = -1;
    DWORD processId_ = 0;
    orx::UniqueHandle process_;
    DWORD startError_ = 0;  // the system's error code when the start failed
    bool stopped_ = false;
};

}  // namespace testing_support
