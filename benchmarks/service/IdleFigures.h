// What a started service costs while nothing happens, beside the same
// figures of a minimal service idling in the same window.
#pragma once

#include "benchmarks/service/LinuxProcess.h"

#include <string>
#include <vector>

namespace service_bench {

struct IdleService {
    std::string name;         // the installed service
    std::string programPath;  // its program, as its command line names it
};

struct IdleFigures {
    bool measured = false;
    ProcessSample atStart, atEnd;  // `idleSeconds` apart
};

// Starts every service, lets each settle for `settleMs`, then samples each
// process at the start and the end of one common window of `idleSeconds`;
// stops them all at the end. One result per service, in order.
std::vector<IdleFigures> MeasureIdle(const std::vector<IdleService>& services, unsigned idleSeconds,
                                     unsigned settleMs);

}  // namespace service_bench
