// The benchmarks' clock: a monotonic time in microseconds.
#pragma once

#include <chrono>

inline double NowMicroseconds() {
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
