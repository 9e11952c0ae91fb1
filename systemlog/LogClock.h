// The clock of the system log: local time for dates and timestamps, whole
// seconds since 1970 for the flood window. Tests and benchmarks give the
// writer a clock of their own.
#pragma once

#include <windows.h>

#include <cstdint>

namespace systemlog {

struct LogTime {
    SYSTEMTIME local;
    int64_t seconds;  // since 1970, UTC
};

class LogClock {
public:
    virtual ~LogClock() = default;
    virtual LogTime Now() const = 0;
};

// The machine's clock; both fields come from one reading.
const LogClock& SystemClock();

}  // namespace systemlog
