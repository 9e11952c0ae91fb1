// The kit's clock: a monotonic time for figures and deadlines.
#pragma once

#include <chrono>

namespace testing_support {

inline double NowMicroseconds() {
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

inline double NowMs() { return NowMicroseconds() / 1000.0; }

}  // namespace testing_support
