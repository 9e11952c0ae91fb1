#include "tools/reliability/RunningService.h"

#include "tests/support/InstalledService.h"
#include "tools/reliability/ServiceControl.h"

namespace reliability {

using testing_support::kStarterServiceName;

namespace {

constexpr DWORD kStartTimeoutMs = 60000;
constexpr DWORD kStopTimeoutMs = 60000;

}  // namespace

RunningService::RunningService() {
    if (StartServiceTimed(kStarterServiceName, kStartTimeoutMs) >= 0) {
        processId_ = ServiceProcessId(kStarterServiceName);
    } else {
        startError_ = GetLastError();
    }
}

RunningService::~RunningService() {
    if (!stopped_) Stop();
}

std::string RunningService::WhyNotStarted() const {
    return "the service did not start (error " + std::to_string(startError_) + ")";
}

double RunningService::Stop() {
    stopped_ = true;
    return StopServiceTimed(kStarterServiceName, kStopTimeoutMs);
}

}  // namespace reliability
