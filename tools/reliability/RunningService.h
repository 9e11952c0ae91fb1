// The service started for a while (a scenario, a benchmark's block) and
// stopped at its end, also when the caller gives up half-way.
#pragma once

#include <windows.h>

#include <string>

namespace reliability {

class RunningService {
public:
    RunningService();
    ~RunningService();
    RunningService(const RunningService&) = delete;
    RunningService& operator=(const RunningService&) = delete;

    bool ok() const { return processId_ != 0; }
    // Why the start failed: the system's error code (0 when the service
    // started, or reported running but gave no process).
    DWORD startError() const { return startError_; }
    std::string WhyNotStarted() const;  // for a figure that could not be made
    DWORD processId() const { return processId_; }
    // Stop control until stopped: milliseconds, negative when it did not stop
    // within 60 s.
    double Stop();

private:
    DWORD processId_ = 0;
    DWORD startError_ = 0;
    bool stopped_ = false;
};

}  // namespace reliability
