#include "systemlog/LogClock.h"

namespace systemlog {

namespace {

constexpr int64_t kFileTimeTicksPerSecond = 10000000;
constexpr int64_t kFileTimeAt1970 = 116444736000000000;  // 100 ns ticks from 1601 to 1970

class MachineClock final : public LogClock {
public:
    LogTime Now() const override {
        FILETIME utc;
        GetSystemTimeAsFileTime(&utc);
        FILETIME local;
        FileTimeToLocalFileTime(&utc, &local);
        LogTime now{};
        FileTimeToSystemTime(&local, &now.local);
        const int64_t ticks = (static_cast<int64_t>(utc.dwHighDateTime) << 32) | utc.dwLowDateTime;
        now.seconds = (ticks - kFileTimeAt1970) / kFileTimeTicksPerSecond;
        return now;
    }
};

}  // namespace

const LogClock& SystemClock() {
    static const MachineClock clock;
    return clock;
}

}  // namespace systemlog
