// Waiting for a condition seen from outside (a file, a count, a state): the
// one poll of the kit, every 20 ms.
#pragma once

#include "tests/support/Clock.h"

#include <windows.h>

namespace testing_support {

// True as soon as `condition()` holds; false when `timeoutMs` passed first.
template <class Condition>
bool WaitUntil(Condition condition, DWORD timeoutMs = 10000) {
    const double deadline = NowMs() + timeoutMs;
    while (!condition()) {
        if (NowMs() > deadline) return false;
        Sleep(20);
    }
    return true;
}

}  // namespace testing_support
