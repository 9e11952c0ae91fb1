// Time for the figures: the performance counter in milliseconds, and waiting
// for a condition seen from outside (a file, a count, a process).
#pragma once

#include "benchmarks/BenchClock.h"

#include <windows.h>

namespace reliability {

inline double NowMs() { return NowMicroseconds() / 1000.0; }

// Polls `condition` every 20 ms for at most `timeoutMs`.
template <class Condition>
bool WaitUntil(Condition condition, DWORD timeoutMs) {
    const double deadline = NowMs() + timeoutMs;
    while (!condition()) {
        if (NowMs() > deadline) return false;
        Sleep(20);
    }
    return true;
}

}  // namespace reliability
