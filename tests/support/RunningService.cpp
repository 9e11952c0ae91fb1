#include "tests/support/RunningService.h"

#include "tests/support/Clock.h"
#include "tests/support/InstalledService.h"

namespace testing_support {

namespace {

constexpr DWORD kStartTimeoutMs = 60000;
constexpr DWORD kStopTimeoutMs = 60000;

}  // namespace

RunningService::RunningService(std::string name) : name_(std::move(name)) {
    startMs_ = StartServiceTimed(name_, kStartTimeoutMs);
    if (startMs_ < 0) {
        startError_ = GetLastError();
        return;
    }
    processId_ = ServiceProcessId(name_);
    process_.reset(OpenProcess(SYNCHRONIZE, FALSE, processId_));
}

RunningService::~RunningService() {
    if (!stopped_) Stop();
}

std::string RunningService::WhyNotStarted() const {
    return "the service did not start (error " + std::to_string(startError_) + ")";
}

StopTimes RunningService::Stop() {
    stopped_ = true;
    StopTimes times;
    const double start = NowMs();
    times.stoppedMs = StopServiceTimed(name_, kStopTimeoutMs);
    if (process_ && WaitForSingleObject(process_.get(), kStopTimeoutMs) == WAIT_OBJECT_0) {
        times.goneMs = NowMs() - start;
    }
    return times;
}

}  // namespace testing_support
